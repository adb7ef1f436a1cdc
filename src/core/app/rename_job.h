// The one way a front end starts a rename run or a preview: a request in, a run ready to go (or
// why there is none) out. It checks the folder and the undo folder, finds the files (and those a
// run leaves out), fills in the run's options, and for a run takes the locks of the folders it
// changes; both front ends then only show what it gives and drive the run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/rules/rule.h"
#include "core/session/album_order.h"
#include "core/session/find_files.h"
#include "core/session/rename_run.h"

namespace core {

class AppContext;
class Reporter;

struct RenameRequest {
    std::string folder;
    std::string patterns;  // as the pattern box holds them, ";" between
    bool recurse = false;
    RuleList rules;
    bool undo = true;      // record the run for undo
    bool confirm = false;  // file by file, as the Confirmation dialog goes; else the moves are ordered
    // For a preview first: no folder is locked and the undo folder is not looked at yet; the run
    // from the preview takes its locks when it starts (RenameRun::claimFolders).
    bool preview = false;
    // Files the user took out of the run (folder and name, as found): they stay as they are, their
    // names stay taken, and the run counts them as unchecked.
    std::unordered_set<std::string> unchecked;
    bool shorten = false;  // new names too long for their folder are cut to fit (RunOptions::shortenNames)
    AlbumOrder order = AlbumOrder::Names;  // how the files of each folder are ordered
    // For filters that move files into folders: the folder those are made under, on the volume of
    // `folder` (a move to another would be a copy); empty for `folder` itself.
    std::string into{};
    bool companions = true;  // the album's other files go along (RunOptions::companions)
};

// What the search found for a request. Kept, it is planned again under other filters without
// listing the disk again.
struct FoundFiles {
    FileList files;
    LeftOutFiles leftOut;
    FolderListings listings;
    std::vector<FolderProblem> unlisted;  // folders that could not be listed
};

// Told, every few hundred files, what the search has found so far (on the searching thread, the
// list growing behind it); returning false stops it.
using FindProgress = std::function<bool(const FoundFiles& soFar)>;

// Finds the files of the request, changing nothing, in album order (album_order.h); a search
// that `progress` stopped gives what it had found. The request's folder must exist.
FoundFiles findRequestFiles(const AppContext& context, const RenameRequest& request, const FindProgress& progress = {});

// Whether a found file is one the user took out of the run: its folder's path made once for all
// the files of the folder, not once a file.
class UncheckedFiles {
public:
    explicit UncheckedFiles(const std::unordered_set<std::string>& paths) : paths_(paths) {}
    bool contains(const FileEntry& file) {
        return !paths_.empty() && paths_.count(path_.assign(folder_.of(file.folderText)).append(file.name.view())) > 0;
    }

private:
    const std::unordered_set<std::string>& paths_;
    FolderPath folder_;
    std::string path_;
};

// Takes the files named in `unchecked` out of `found`: their names stay in their folders' listings,
// so that no other file of the run is planned onto them. Gives how many were taken out.
std::size_t takeOutUnchecked(FoundFiles& found, const std::unordered_set<std::string>& unchecked);

// A preview run over files found before (findRequestFiles), with the request's filters and
// options: what the list of a front end shows while the filters change. Null when no file is
// left to show.
std::unique_ptr<RenameRun> previewFoundFiles(AppContext& context, const RenameRequest& request, FoundFiles found,
                                             Reporter& reporter);

// Why a request's folder to move into cannot be used ("…does not exist", "…is on another volume…"),
// or empty when it can or none is given.
std::string intoProblem(const RenameRequest& request);
// The folder a request's files move into folders under: its `into`, else the one its Tags filter
// names (taken from the request's folder when not a whole path); empty for the request's folder.
std::string intoFolderOf(const RenameRequest& request, const RuleList& rules);

struct PreparedRename {
    enum class Refusal {
        None,
        NoFolder,            // the folder does not exist
        UndoFolderUnusable,  // undo is on and its folder cannot take a file (`why` says why)
        NoFiles,             // nothing matches (`leftOut` may still count files left alone)
        FoldersBusy,         // another run or undo holds one of the folders (`why` names it)
        IntoUnusable,        // the folder to move into is missing or on another volume (`why` says so)
    };
    Refusal refusal = Refusal::None;
    std::string why;
    // The run, ready: its files found, its options set, its folders locked (not for a preview).
    // Null when refused.
    std::unique_ptr<RenameRun> run;
    // Folders that could not be listed; the run tells them with its failures too.
    std::vector<FolderProblem> unlisted;
    std::size_t leftOut = 0;    // files that match and that the run leaves alone
    std::size_t unchecked = 0;  // files of the request's `unchecked` found and left alone
};

// Raises the platform's file error when a folder's lock file cannot be made.
PreparedRename prepareRename(AppContext& context, RenameRequest request, Reporter& reporter);

}  // namespace core

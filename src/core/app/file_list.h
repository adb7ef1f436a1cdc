// What a front end's live list of files shows: every file the folder and patterns find, in the
// run's order, each with what a run of the checked files would make of it. The files are found
// once for a folder, its patterns and recursion; when only the filters or the checks change, the
// names are proposed again over the files already found, without listing the disk again.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/app/rename_job.h"
#include "core/session/rename_run.h"

namespace core {

class FileListPlan {
public:
    struct Row {
        const FileEntry* file;
        std::string_view newName;  // the old name for a file the run leaves alone
        PreviewStatus status;
        bool unchecked;  // taken out of the run by the user
    };

    // Every line of the plan a preview of `run` made, in its order: the file list of a run that no
    // user has checked (the Preview's).
    static std::unique_ptr<FileListPlan> ofRun(std::unique_ptr<RenameRun> run);

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    Row operator[](std::size_t index) const;
    // "invalid (reason)", "unchecked", or the status's name.
    std::string statusText(std::size_t index) const;
    // Only a file the run would rename can be checked or unchecked.
    bool checkable(std::size_t index) const;
    // "5 files: 3 ok, 1 exists, 1 unchecked".
    std::string summary() const;
    const RunPlan& plan() const { return *plan_; }
    // The run the plan is of: a front end starts it as planned. Null for an empty list.
    RenameRun* run() const { return run_.get(); }
    const std::vector<FolderProblem>& unlisted() const { return unlisted_; }

private:
    friend class FileListSource;
    static constexpr std::uint32_t kUncheckedRow = 0x80000000u;

    std::unique_ptr<RenameRun> run_;  // the files and names the plan refers to
    const RunPlan* plan_ = nullptr;
    FileList uncheckedFiles_;
    // By row: the plan's line, or kUncheckedRow with the index into uncheckedFiles_.
    std::vector<std::uint32_t> rows_;
    std::vector<FolderProblem> unlisted_;
};

// One of the first rows of a list whose folder is still being listed: a file found first, with
// the name the filters propose for it (empty where it depends on the file's place in the run).
// Its status, and every other row, come with the list.
struct EarlyRow {
    FileEntry file;
    std::string newName;
};
using EarlyRows = std::function<void(std::vector<EarlyRow> rows)>;

class FileListSource {
public:
    // The list for `request` (its folder, patterns, recursion, filters, options and unchecked
    // files). The disk is listed when the folder, the patterns or recursion differ from the last
    // call's, or when `relist`. Gives null when a progress callback stopped the work. A listing
    // that takes a while tells `early`, once, the first rows (kEarlyRows at most), so that a big
    // folder shows something long before the whole list.
    std::unique_ptr<FileListPlan> make(AppContext& context, const RenameRequest& request, Reporter& reporter,
                                       const std::function<bool(std::size_t found)>& finding = {},
                                       const RenameRun::PreviewProgress& naming = {}, bool relist = false,
                                       const EarlyRows& early = {});
    static constexpr std::size_t kEarlyRows = 256;
    // How long a listing goes before it tells its first rows.
    std::chrono::milliseconds earlyAfter{100};
    // How many times the disk has been listed.
    std::size_t listings() const { return listings_; }
    // Lets go of the files kept from the last listing: the next list lists the disk again.
    void forget() {
        has_ = false;
        found_ = FoundFiles();
    }

private:
    bool has_ = false;
    std::string folder_, patterns_;
    bool recurse_ = false;
    AlbumOrder order_ = AlbumOrder::Names;  // the order found_ is in
    FoundFiles found_;
    std::size_t listings_ = 0;
};

}  // namespace core

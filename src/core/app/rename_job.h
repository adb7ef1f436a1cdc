// The one way a front end starts a rename run or a preview: a request in, a run ready to go (or
// why there is none) out. It checks the folder and the undo folder, finds the files (and those a
// run leaves out), fills in the run's options, and for a run takes the locks of the folders it
// changes; both front ends then only show what it gives and drive the run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/rules/rule.h"
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
};

struct PreparedRename {
    enum class Refusal {
        None,
        NoFolder,            // the folder does not exist
        UndoFolderUnusable,  // undo is on and its folder cannot take a file (`why` says why)
        NoFiles,             // nothing matches (`leftOut` may still count files left alone)
        FoldersBusy,         // another run or undo holds one of the folders (`why` names it)
    };
    Refusal refusal = Refusal::None;
    std::string why;
    // The run, ready: its files found, its options set, its folders locked (not for a preview).
    // Null when refused.
    std::unique_ptr<RenameRun> run;
    // Folders that could not be listed; the run tells them with its failures too.
    std::vector<FolderProblem> unlisted;
    std::size_t leftOut = 0;  // files that match and that the run leaves alone
};

// Raises the platform's file error when a folder's lock file cannot be made.
PreparedRename prepareRename(AppContext& context, RenameRequest request, Reporter& reporter);

}  // namespace core

// One rename run from its first file to its result, the same for every front end: the Progress
// dialog and the command line carry out its plan in one pass, the Confirmation dialog steps
// through it file by file. The parts: the plan (run_plan: statuses and ordered steps), the
// stepping (rename_run.cpp), the one-pass executor with its threads (run_executor.cpp), and the
// summary of counts and failures (run_summary.cpp). At the end the run writes the undo database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/base/app_paths.h"
#include "core/rules/rule.h"
#include "core/session/album_order.h"
#include "core/session/find_files.h"
#include "core/session/folder_locks.h"
#include "core/session/rename_session.h"
#include "core/session/run_options.h"
#include "core/session/run_plan.h"
#include "platform/file_error.h"

namespace core {

// A file the run has reached, with the name the run means to give it.
struct RunStep {
    const FileEntry* file = nullptr;
    std::string newName;
};

// A file that could not be renamed.
struct RunFailure {
    SharedFolder folder;  // as found; its path ends with the separator
    std::string name;
    std::string newName;
    std::string reason;  // the system's words, or why the name was refused

    std::string path() const { return folder.text() + name; }
};

struct RunResult {
    std::size_t total = 0;  // files in the run
    std::size_t renamed = 0;
    std::size_t skipped = 0;
    std::size_t unchanged = 0;   // left alone: the name would not change (leaveUnchanged)
    std::size_t notReached = 0;  // left as they are because the run was cancelled
    std::size_t leftOut = 0;     // matched, but read-only, hidden or system: not in the run
    // A run into folders: the album's other files moved along (not counted as renamed), and the
    // folders made and removed.
    bool intoFolders = false;
    std::size_t companions = 0;
    std::size_t foldersMade = 0;
    std::size_t foldersRemoved = 0;
    std::size_t unchecked = 0;  // matched, but the user took them out of the run
    std::vector<RunFailure> failures;
    // Folders the run's files were looked for in that could not be listed: whatever they hold is
    // not in the run. Each counts against the run as a failure does (RenameRun::noteUnlistedFolders).
    std::vector<FolderProblem> unlistedFolders;
    // Why the run's undo record could not be written or registered, in one line naming the file
    // and the cause; empty when it was. A run whose journal cannot be written stops at once, since
    // what it did next could not be undone.
    std::string undoProblem;
    // From the first file taken to the last one handled (or to now, while the run goes on).
    std::time_t elapsedSeconds = 0;
    // The undo database finish() wrote, or empty.
    std::string undoDatabase;

    std::size_t failed() const { return failures.size(); }
    // Something went wrong: a file failed, or a folder could not be listed.
    bool anyFailure() const { return !failures.empty() || !unlistedFolders.empty(); }
    // "Renaming...done" with the failed files (then the folders not listed, with the reason) and
    // how many were renamed, left unchanged and failed (runCountsText), lines ending in \r\n.
    std::string summaryText() const;
    // The same text in pieces, one failed file a piece: a run over a deep tree whose files all
    // fail tells the whole path of each, more text than is worth holding at once.
    void writeSummary(const std::function<void(std::string_view)>& write) const;
};

// Where a one-pass run stands, for a front end that shows progress.
struct RunProgress {
    std::size_t done;   // files handled so far
    std::size_t total;  // files in the run
    const RunStep& last;
};

// What a one-pass run made of a file it handled.
enum class RunOutcome { Renamed, Unchanged, Failed };

struct RunCallbacks {
    // After each file that could not be renamed.
    std::function<void(const RunFailure&)> failed;
    // After each file handled, in the run's order, whatever became of it: for a front end that
    // reports every file (a failed one is told to `failed` first; `reason` is empty unless it
    // failed). Files a stopped run never reached are not told.
    std::function<void(const RunStep&, RunOutcome, std::string_view reason)> handled;
    // After the first file, then after every progressEvery-th, and after the last, so a front end
    // with a slow display is not called for each of a hundred thousand files.
    std::function<void(const RunProgress&)> progress;
    std::size_t progressEvery = 1;
    // Asked before each file: true stops the run there (a Cancel). The files not reached stay as
    // they are and are counted as not reached.
    std::function<bool()> stop;
};

// "3 files renamed, 35 unchanged, 2 failed", then the skipped, the files not reached and those left
// out when there are any: every summary of a run counts them apart.
std::string runCountsText(const RunResult& result);

class RenameRun {
public:
    RenameRun(const PluginManager* plugins, RuleList rules, FileList files, RunOptions options, AppPaths paths,
              Reporter& reporter);
    // A run left without finish() still writes its undo database; a failure to write it is then
    // reported rather than thrown (the run's journal stays, for recovery at the next start).
    ~RenameRun() = default;
    RenameRun(const RenameRun&) = delete;
    RenameRun& operator=(const RenameRun&) = delete;

    // Told how far a preview has got: `done` of `total` steps (each file is proposed a name, then
    // the disk is listed, about one entry per file, so total is twice the files). Returning false
    // stops the preview.
    using PreviewProgress = std::function<bool(std::size_t done, std::size_t total)>;

    // What the run would do to each file, worked out without touching the disk: every name
    // proposed (or planned) in order and played through against the file system. A preview that
    // `progress` stops gives no lines and plans nothing. The preview refers to the run's files and
    // names, and lasts as long as the run.
    const RunPlan& preview(const PreviewProgress& progress = {});
    // The folders that discovery could not list (findFiles gives them): told in the result, with
    // the failures.
    void noteUnlistedFolders(std::vector<FolderProblem> folders) { result_.unlistedFolders = std::move(folders); }
    // The files that matched and that the run leaves alone (findFiles gives them): the preview
    // lists them after the run's own, and the result counts them.
    void noteLeftOut(LeftOutFiles files) {
        leftOut_ = std::move(files);
        result_.leftOut = leftOut_.size();
    }
    // What the folders held beside the files found in them (findFiles gives it): the plan made
    // next takes it for those folders instead of listing them again. Planning again lists them.
    void noteListings(FolderListings listings) { listings_ = std::move(listings); }
    // How many files the user took out of the run (takeOutUnchecked): the result counts them.
    void noteUnchecked(std::size_t files) { result_.unchecked = files; }

    // Gives every file its name beforehand, one per file in list order, instead of proposing
    // names as the run reaches them: a run after a preview renames exactly what the user saw.
    void planNames(NameList names);

    // Takes the lock of every folder the run changes, before it touches anything: another run or
    // undo in one of them is waited for briefly. Returns folderBusyText for the folder still held
    // then (the run must not go on), or empty. A run that renames without this takes the locks at
    // its first file and stops there when it cannot. Raises the platform's file error when a lock
    // file cannot be made.
    std::string claimFolders(std::chrono::milliseconds wait = kFolderLockWait);
    bool claimed() const { return claimed_; }

    // --- Stepping, for a front end that asks about each file ---
    // The next file to handle and the name meant for it; the same step until it is applied or
    // skipped; nothing once every file is handled.
    const RunStep* next();
    // Renames the current file to `newName` (the name proposed, or one the user typed). On
    // failure nothing is counted and the file stays current, to be corrected or skipped; the
    // reason goes to `reason` when given. When the move cannot be recorded for undo, it is not
    // made and the run stops (stopped(), the result's undoProblem).
    bool apply(const std::string& newName, std::string* reason = nullptr);
    // Leaves the current file as it is, counted as skipped.
    void skip();
    // Ends a stepping run here: the files not handled yet are counted as not reached.
    void cancel();

    // Where the core's failures go from now on (a front end that runs the run on another thread
    // hands them to its own).
    void setReporter(Reporter& reporter) { session_.setReporter(reporter); }

    // --- One pass ---
    // Renames every file not yet handled (the current one too) to the name meant for it. A file
    // that cannot be renamed is counted as failed with its reason, and the run goes on; so is one
    // whose path is longer than the system allows (platform::pathTooLong), whatever its name.
    void runAll(const RunCallbacks& callbacks = {});

    bool done() const { return done(0); }
    // The run's undo record could not be written: no further file is renamed.
    bool stopped() const { return !result_.undoProblem.empty(); }
    std::size_t total() const { return files_.size(); }
    // Files handled: renamed, skipped or failed.
    std::size_t handled() const {
        return result_.renamed + result_.companions + result_.skipped + result_.unchanged + result_.failures.size();
    }

    // The result so far.
    RunResult result() const;
    // Ends the run: writes and registers the undo database when undo is on and a file was
    // renamed, and gives the result. Files not reached stay as they are. A database that cannot
    // be written or registered is told in the result's undoProblem (the run's journal stays, for
    // recovery at the next start); the counts stand either way.
    RunResult finish();

private:
    // True when no file but the `current` ones (0 or 1) is left to handle.
    bool done(std::size_t current) const {
        return position_ == files_.size() && aheadCount_ + (current_ ? 1 : 0) <= current;
    }
    std::string plannedName(std::size_t index, bool* shortened = nullptr);
    // Reads the files' tags into albums_ once, when the filters or the order ask for them.
    void readAlbums();
    // The place of files_[index] in the run, in its folder counted since the folder last changed.
    RunPosition positionOf(std::size_t index);
    bool sameFolder(std::size_t a, std::size_t b) const;
    // The same folder and, where the run read its files' tags, the same disc.
    bool sameDisc(std::size_t a, std::size_t b) const;
    // The place of files_[index] given the first files of its folder's and its disc's stretches.
    RunPosition placeOf(std::size_t index, std::size_t folderStart, std::size_t discStart) const;
    // The first file of the stretch of files in the folder of files_[index] that it is in.
    std::size_t folderStartOf(std::size_t index) const;
    void take();
    // Done with the current file; the clock stops after the last one.
    void release();
    void fail(std::string reason);
    void stop(const platform::FileError& error);
    // Claims the folders when no front end did; false (the run stopped) when another run holds one.
    bool claimOnce();
    // A run into folders: where its files go and the album's other files that go along.
    void settleTargets();
    // Makes the folders the plan makes, once, before the first move; raises the platform's file
    // error when they cannot be recorded.
    void makeTargetFolders();
    // Removes the folders the run emptied, and those it made that stayed empty, at its end.
    void removeEmptiedFolders();

    RuleList rules_;     // before the session, which refers to it
    RuleCaches caches_;  // the run's own: whichever thread names its files borrows them
    FileList files_;
    LeftOutFiles leftOut_;
    FolderListings listings_;
    RunOptions options_;
    AppPaths paths_;
    RenameSession session_;
    NameList plannedNames_;
    std::vector<std::uint32_t> shortened_;  // the files whose planned names were cut to fit, in order
    // A file's name as the session takes it, its room kept between files. The session neither
    // keeps it nor calls back into the run while using it. One to move by and one to name by:
    // a one-pass run names its files on another thread than the one that moves them.
    std::string nameText_;
    std::string proposedText_;
    // The path of the folder of the file being moved and of the one being named, the same way.
    FolderPath movingFolder_, namingFolder_;
    std::size_t position_ = 0;  // the next file to take
    std::size_t currentIndex_ = 0;
    std::size_t lastPositioned_ = 0;  // the file positionOf was last asked about
    std::size_t folderStart_ = 0;     // and the first file of its folder
    std::size_t discStart_ = 0;       // and of its disc
    // What the tags tell of the files' albums, read before the first name when the filters or
    // the order ask for it (AlbumFacts); empty otherwise.
    AlbumFacts albums_;
    std::size_t aheadCount_ = 0;  // files a one-pass run has taken and not handled yet
    RunPlan plan_;                // what preview() worked out, which a one-pass run carries out
    // A run into folders: where each file goes, and how many of the files are the run's own (the
    // album's other files come after them).
    FolderTargets targets_;
    std::size_t ownFiles_ = 0;
    bool intoFolders_ = false;
    bool foldersMade_ = false;
    bool planMade_ = false;
    std::optional<RunStep> current_;
    FolderLocks folderLocks_;
    bool claimed_ = false;
    RunResult result_;
    std::optional<std::time_t> started_, ended_;
    bool finished_ = false;
};

}  // namespace core

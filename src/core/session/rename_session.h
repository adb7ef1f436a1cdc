// The engine of a rename run: the name each file gets from the rule list, the move of one file,
// and the undo database that records the moves. Front ends drive it through RenameRun.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/app_paths.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/name_check.h"
#include "core/rules/rule.h"
#include "core/session/run_options.h"
#include "core/undo/journal.h"
#include "platform/files.h"

namespace core {

class PluginManager;
class Reporter;

// Why a file whose name now belongs to another file than the one recorded is not moved.
inline constexpr const char* kReplacedSinceListed = "Not renamed: the file was replaced since it was listed.";

// A move checked and, with undo on, recorded in the run's journal, not made yet.
struct PreparedMove {
    bool ok = false;               // it may be made (commitMove); otherwise `error` says why not
    std::uint64_t record = 0;      // its journal record, with undo on
    platform::FileId id{};         // the file recorded, with undo on
    std::uint64_t entryBytes = 0;  // what its entry takes in the undo database, with undo on
    std::string error;
    // With undo on: the file at the old name was found to be the one recorded (checkRecorded),
    // so commitMove need not ask again.
    bool checked = false;
};

class RenameSession {
public:
    // Of the options, the session keeps to the undo ones; the order of moves is the run's.
    RenameSession(const PluginManager* plugins, const RuleList& rules, const RunOptions& options, AppPaths paths,
                  Reporter& reporter);
    // Ends the run if finish() was not called; a failure to write the undo database is then
    // reported rather than thrown (the run's journal stays, for recovery at the next start).
    ~RenameSession();
    RenameSession(const RenameSession&) = delete;
    RenameSession& operator=(const RenameSession&) = delete;

    // The new name of `name` (in `folder`): split at its last period, the base trimmed and passed
    // through every Rule in order, the extension only through Change Case. A Rule that fails
    // (a runaway filter, exhausted memory) is reported and the name comes back unchanged.
    // `position` is the file's place in the run, which a Counter numbers it by. With
    // RunOptions::shortenNames a name too long for the folder is cut to fit, and `shortened`
    // (when given) is set.
    std::string proposeName(const std::string& folder, const std::string& name, RunPosition position = {});
    // The same, telling a failure to `reporter`: a run names the second half of a big run on
    // another thread, whose reports it keeps to tell them in order.
    std::string proposeName(const std::string& folder, const std::string& name, RunPosition position,
                            Reporter& reporter, bool* shortened = nullptr) const;

    // Renames folder + oldName to folder + newName, never over an existing file, and records it
    // for undo: the one place a run moves a file. A new name that checkNewName refuses (a
    // forbidden character, a device name, a trailing dot or space, too long) fails without
    // touching the disk, so a name from a tag can never move a file into another folder. On failure errorText (when
    // given) gets the reason. With undo on, the move is written to the run's journal (created at
    // the first move) before it is made; when the journal cannot be created or written, the
    // platform's file error is raised and the file is not moved: the run must stop, since what it
    // did next could not be undone.
    // `folderId`: the folder's identity when its files were found; a folder that is another one
    // now (replaced, or a link put in its place) moves nothing.
    bool renameFile(const std::string& oldName, const std::string& folder, const std::string& newName,
                    std::string* errorText = nullptr, const std::optional<platform::FileId>& folderId = std::nullopt,
                    const std::string* into = nullptr);

    // renameFile in two steps, so that a run can record the moves ahead of the one it makes and
    // the disk syncs many records at once: prepareMove checks the name and, with undo on, records
    // the move with the identity of the file now at the old name (raising the platform's file
    // error when the journal cannot be written); commitMove waits until that record is on the
    // disk (raising the platform's file error when it cannot be), then moves the file. The moves
    // must be committed in the order they were prepared. A move prepared before the file is at
    // `oldName` (the second half of a ring's hop through a temporary name) is given the identity
    // recorded for the file by its first move instead.
    // `into`: for a move into another folder, that folder's whole path with its separator.
    PreparedMove prepareMove(const std::string& oldName, const std::string& folder, const std::string& newName,
                             const platform::FileId* knownId = nullptr,
                             const std::optional<platform::FileId>& folderId = std::nullopt,
                             const std::string* into = nullptr);
    bool commitMove(const PreparedMove& move, const std::string& oldName, const std::string& folder,
                    const std::string& newName, std::string* errorText = nullptr,
                    const std::optional<platform::FileId>& folderId = std::nullopt, const std::string* into = nullptr);
    // The check commitMove makes, with undo on, that the file now at folder + oldName is the one
    // `move` recorded, made beforehand by the caller (on a thread of its own: it touches nothing
    // of the session's but its options). Marks `move` checked, or not to be made, with the
    // reason. `open`: the caller's own folder, kept open between calls.
    void checkRecorded(PreparedMove& move, const std::string& oldName, const std::string& folder,
                       const std::optional<platform::FileId>& folderId,
                       std::unique_ptr<platform::MoveFolder>& open) const;

    // Makes the folders a run moves files into (whole paths with their separators, parents
    // first), each recorded for undo before it is made, all with one wait for the disk. Gives
    // the reason for each folder that could not be made, by its place in `folders`; the moves
    // into such a folder then fail on their own.
    std::vector<std::pair<std::size_t, std::string>> makeFolders(const std::vector<std::string>& folders);
    // Removes the folders the run emptied (the deepest first), each recorded before; one that is
    // not empty any more (something was put there since the run was planned) stays, unrecorded
    // as removed. Gives how many were removed.
    std::size_t removeFolders(const std::vector<std::string>& folders);
    // Lets go of the folders held open for the moves.
    void closeFolders();

    // Moves a file the run moved back to the name it had (a ring that could not be closed):
    // recorded like any move, or, when the journal takes no more records, made all the same, since
    // a file must not keep a name of the run's own. False, with the reason, when it cannot be.
    // `into`: the folder it goes back to, when it is not in its own one now.
    bool moveBack(const std::string& name, const std::string& folder, const std::string& oldName,
                  std::string* errorText = nullptr, const std::optional<platform::FileId>& folderId = std::nullopt,
                  const std::string* into = nullptr);

    // Ends the run: writes and registers the undo database when undo is on and a file was
    // renamed, from the run's journal, which then goes. Returns the database's name, or empty.
    // Raises the platform's file error, or braxen_Exception for an index that is not acceptable;
    // the journal then stays, for recovery at the next start.
    // `counts`: what the run made of its files, for the description (RunJournal::finish).
    std::string finish(std::optional<RunCounts> counts = std::nullopt);
    void setReporter(Reporter& reporter) { reporter_ = &reporter; }
    Reporter& reporter() const { return *reporter_; }

private:
    const PluginManager* plugins_;
    const RuleList& rules_;
    RunJournal journal_;
    NewNameCheck checkName_;
    std::unique_ptr<platform::MoveFolder> moveFolder_;    // the folder of the last move
    std::unique_ptr<platform::MoveFolder> recordFolder_;  // the folder of the last move recorded
    std::unique_ptr<platform::MoveFolder> intoFolder_;    // the folder the last move went into
    RunOptions options_;
    AppPaths paths_;
    Reporter* reporter_;
    bool finished_ = false;
};

// The proposal for `name` without a session: what proposeName gives, except that a failing Rule
// raises its error. Previews use it to show exactly the names a run would give.
std::string applyRules(const PluginManager* plugins, const RuleList& rules, const std::string& folder,
                       const std::string& name, RunPosition position = {});

}  // namespace core

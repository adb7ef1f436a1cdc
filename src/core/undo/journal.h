// The journal of a rename run: every move is written to it before it is made, so that whatever
// ends the run (a kill, a crash, a closed terminal) the undo record survives. A run that finishes
// turns its journal into an ordinary undo database; one that died is recovered at the next start
// (journal_recovery.h).
//
// The records (journal_format.h) are appended one write at a time. No move is made before its
// record is on the disk (group commit: the records of the moves ahead are synced together while
// earlier moves are made, background_sync.h), so even a power cut leaves no move without its
// record.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/base/app_paths.h"
#include "core/rules/rule.h"
#include "core/undo/background_sync.h"
#include "core/undo/journal_format.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace core {

inline constexpr const char* kJournalExtension = ".jnl";

// The journal of one run in progress. It lives in the undo folder under the name its database
// will have, with the journal extension, and is locked while the run lives so that recovery in
// another process never takes it over.
class RunJournal {
public:
    RunJournal() = default;
    // Closes the journal and leaves it where it is when finish() was not reached: the run is
    // recovered at the next start.
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Creates and locks the journal under a free database name and writes the header and the
    // run's filters. Raises the platform's file error.
    void create(const AppPaths& paths, const RuleList& rules);
    bool isOpen() const { return file_.isOpen(); }
    // The database name the journal has reserved.
    const std::string& name() const { return name_; }
    std::string path() const;

    // Hands a move to be made straight to the system (no buffer in this program, and no system
    // call either: the records go into the file's pages in memory), with the identity of the file
    // it moves, and returns the record's number. The move may be made once waitDurable() for
    // that number returns. Raises the platform's file error: the move must then not be made.
    std::uint64_t recordMove(const std::string& folder, const std::string& oldName, const std::string& newName,
                             const platform::FileId& id);
    // The same for a move into another folder, `newFolder` (absolute, ending with the separator).
    std::uint64_t recordMoveInto(const std::string& folder, const std::string& oldName, const std::string& newFolder,
                                 const std::string& newName, const platform::FileId& id);
    // A folder `name` about to be made in `folder`; once made (moveMade), its identity, recorded
    // by folderMadeAs, is what undo checks before it removes the folder again (when empty). A
    // folder whose making was recorded but not told made is left alone by undo and recovery.
    std::uint64_t recordFolderMade(const std::string& folder, const std::string& name);
    void folderMadeAs(std::uint64_t record, const platform::FileId& id);
    // The empty folder `name` in `folder`, with its identity, about to be removed.
    std::uint64_t recordFolderRemoved(const std::string& folder, const std::string& name, const platform::FileId& id);
    // Waits until the record is on the disk. Raises the platform's file error: the move must then
    // not be made.
    void waitDurable(std::uint64_t record);
    // Tells whether the move of that record was made; `entryBytes`, when known, is what its entry
    // takes in the undo database (compactEntrySize), so that finish() lays the database out in
    // one pass over the journal.
    void moveMade(std::uint64_t record, bool made, std::uint64_t entryBytes = 0);
    // Moves may be recorded on one thread while another waits for their records and makes them:
    // recordMove (recordMoveInto, recordFolderMade, recordFolderRemoved) on the one, waitDurable,
    // folderMadeAs and moveMade on the other, with the record's number handed from the first to
    // the second.

    // Ends the run: writes the moves that were made as an undo database (under a temporary name,
    // then renamed), registers it in the index, and deletes the journal. Returns the database's
    // name, or empty when no move was made. On failure the journal stays, for recovery at the
    // next start, and the error (FileError or braxen_Exception) is raised.
    // `counts`, when given, is what the run made of its files, for the description: a swap moves
    // one of its files twice (through a temporary name), and the database holds both moves.
    std::string finish(bool limitUndo, std::int32_t undoLimit, std::optional<RunCounts> counts = std::nullopt);

    // Closes and unlocks the journal without finishing; the file stays for recovery.
    void abandon() noexcept;

private:
    // Appends record_ as the next step and returns its number; appending_ is held.
    std::uint64_t appendStep();

    AppPaths paths_;
    std::string name_;
    platform::FileLock lock_;
    platform::File file_;
    std::unique_ptr<platform::RecordAppender> appender_;  // the records go through it
    std::uint64_t recordsAt_ = 0;                         // where the records start, after the header and filters
    std::string currentFolder_;
    std::string record_;
    std::atomic<std::uint64_t> recorded_{0};  // records written; their moves are made or not
    std::vector<bool> made_;                  // by record, as far as the last move made
    std::size_t madeCount_ = 0;
    std::uint64_t madeBytes_ = 0;  // of the entries of the moves made, while every one was told
    bool bytesKnown_ = true;
    std::unique_ptr<BackgroundSync> syncing_;
    // Records are appended from the recording thread and, for a folder's identity, the making one.
    std::mutex appending_;
    bool extended_ = false;  // a step other than a move within its folder was recorded
};

}  // namespace core

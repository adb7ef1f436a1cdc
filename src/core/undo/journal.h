// The journal of a rename run: every move is written to it before it is made, so that whatever
// ends the run (a kill, a crash, a closed terminal) the undo record survives. A run that finishes
// turns its journal into an ordinary undo database; one that died is recovered at the next start
// (journal_recovery.h).
//
// Layout, all integers little-endian:
//   header   "CWJOURNL", version (u32, 2; 1 is still read), start time (i64, seconds), CRC-32 of
//            those 20 bytes
//   filters  the run's Rule section, exactly as an undo database holds it (no stamp)
//   records  length n (u32), type (u8), n payload bytes, CRC-32 of length, type and payload
//            'F' folder: the folder of the moves that follow, ending with its separator (empty
//                        before the first)
//            'V' move:   the moved file's volume (u64) and index (u64), old name's length (u32),
//                        old name, new name
//            'M' move:   the same without the identity (version 1 journals)
// Records are appended one write at a time; the first record that is cut short or damaged ends
// the journal, so a record torn by a kill or a power cut costs only itself. No move is made
// before its record is on the disk (group commit: the records of the moves ahead are synced
// together while earlier moves are made), so even a power cut leaves no move without its record.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/app/app_paths.h"
#include "core/rules/rule.h"
#include "core/undo/undo_database.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace core {

class PluginManager;

inline constexpr const char* kJournalExtension = ".jnl";
// A sync starts once this many records wait for one, or this long after the first of them, or at
// once when a move waits for its record: the disk sees few syncs, and a run whose records are
// written well ahead of its moves seldom waits.
inline constexpr std::uint64_t kJournalSyncRecords = 256;
inline constexpr std::chrono::milliseconds kJournalSyncInterval{2};

struct JournalContent {
    std::time_t started = 0;
    std::string ruleSection;
    std::vector<UndoEntry> moves;  // the moves the run meant to make, in order
};

// The content of a journal's bytes, as far as they are whole. Nothing when the header or the Rule
// section is incomplete or damaged: such a run had not begun to rename.
std::optional<JournalContent> parseJournal(std::string_view bytes);

// The bytes of a journal's header.
std::string formatJournalHeader(std::time_t started);
// Appends the record(s) of one move: a folder record first when `folder` differs from
// `currentFolder` (empty at the start of the records), which then becomes `folder`. Without an
// identity the move is written as a version 1 journal did (tests of old journals).
void appendJournalMove(std::string& bytes, std::string& currentFolder, const std::string& folder,
                       const std::string& oldName, const std::string& newName,
                       const std::optional<platform::FileId>& id);

// The record framing of the journals, for the undo's journal too: appends one record of `type`.
void appendJournalRecord(std::string& bytes, char type, std::string_view payload);
// Calls each(type, payload) for every whole record from `at` on, up to the first that is cut
// short or damaged, or for which `each` returns false. Returns where it stopped; `damaged` tells
// that it stopped at a record no further bytes could complete.
std::size_t forEachJournalRecord(std::string_view bytes, std::size_t at, bool& damaged,
                                 const std::function<bool(char type, std::string_view payload)>& each);

// Syncs a file to the disk from a thread of its own while records are written to it: a sync
// starts once kJournalSyncRecords records wait, kJournalSyncInterval after the first of them, or
// at once when someone waits for a record.
class BackgroundSync {
public:
    explicit BackgroundSync(platform::File& file);
    // Stops the thread; records not synced yet stay in the system's cache.
    ~BackgroundSync();
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    // One more record was written. Raises the platform's file error of a sync that failed.
    void written();
    // Waits until the first `count` records written are on the disk. Raises the platform's file
    // error of a sync that failed.
    void waitSynced(std::uint64_t count);

private:
    void loop();

    platform::File& file_;
    std::mutex mutex_;
    std::condition_variable wake_;    // the thread's
    std::condition_variable synced_;  // the waiters'
    std::uint64_t written_ = 0;
    std::uint64_t syncedCount_ = 0;
    std::uint64_t wanted_ = 0;  // the most records someone waits for
    bool idle_ = true;
    bool stopping_ = false;
    std::optional<platform::FileError> failure_;
    std::thread thread_;
};

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
    void create(const AppPaths& paths, const PluginManager* plugins, const RuleList& rules);
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
    // Waits until the record is on the disk. Raises the platform's file error: the move must then
    // not be made.
    void waitDurable(std::uint64_t record);
    // Tells whether the move of that record was made.
    void moveMade(std::uint64_t record, bool made);

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
    AppPaths paths_;
    std::string name_;
    platform::FileLock lock_;
    platform::File file_;
    std::unique_ptr<platform::RecordAppender> appender_;  // the records go through it
    std::uint64_t recordsAt_ = 0;                         // where the records start, after the header and filters
    std::string currentFolder_;
    std::string record_;
    std::vector<bool> made_;
    std::size_t madeCount_ = 0;
    std::unique_ptr<BackgroundSync> syncing_;
};

// Writes `entries` and `ruleSection` as database `name` in the undo folder: to name + ".tmp",
// synced, then renamed to `name` (never over an existing file). A failure removes the temporary
// file and raises the platform's file error.
void writeDatabaseAs(const AppPaths& paths, const std::string& name, const std::vector<UndoEntry>& entries,
                     std::string_view ruleSection);

}  // namespace core

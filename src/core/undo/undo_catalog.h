// Undoing runs: the list of undo databases as the Undo dialog and the command-line program see it,
// and the undo of one database. The front ends add only the asking and the showing.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/base/app_paths.h"
#include "core/undo/undo_database.h"
#include "core/undo/undo_index.h"

namespace core {

// The journal of an undo in progress, beside its database (NAME + this), locked while the undo
// runs: before each batch of moves back it names the entries about to be undone, synced to the
// disk, so that an undo that is killed can be settled from the disk by the next one.
inline constexpr const char* kUndoJournalExtension = ".ujl";
// Entries undone between two syncs of the undo's journal.
inline constexpr std::uint32_t kUndoBatch = 256;
// Failure lines listed in an outcome; the rest are counted.
inline constexpr int kUndoFailuresListed = 1000;

// What became of one entry's undo.
enum class UndoStep {
    Undone,       // moved back
    AlreadyBack,  // the recorded file is at its old name already: nothing to move
    Failed,       // could not be moved back (the name is taken, the file is gone, the entry is unsafe)
    Changed,      // the file at the new name is not the file the run moved
    // A folder the run made, left where it is: something is in it now (never moved or removed by
    // undo, it is the user's), or it is not the folder the run made, or the run was stopped before
    // its making was recorded whole. The entry is done, as far as undo may take it.
    FolderKept,
};

// Moves movedTo() + newName back to folder + oldName, never over an existing file, and to any name
// the file system takes: it is the name the file had. An entry that could leave its folders
// (isSafeUndoEntry) is refused without touching the disk. An entry that knows its file moves it
// only when the file at the new name is still that file.
// A folder the run removed is made again (AlreadyBack when a folder is there; Failed when a file
// is). A folder the run made is removed when it is the one made (by its identity) and empty;
// AlreadyBack when nothing is there, FolderKept otherwise.
UndoStep undoEntry(const UndoEntry& entry);

struct UndoOutcome {
    int undone = 0;       // moved back, or found back already (by an undo that was interrupted too)
    int alreadyBack = 0;  // of those, found at their old name already
    int failures = 0;
    int notReached = 0;  // left renamed because the undo was cancelled; they stay in the database
    // The folders of a run that made folders and removed the ones it emptied, apart from the files:
    // every count above is of files.
    int foldersRemoved = 0;    // made by the run, removed again
    int foldersMadeAgain = 0;  // removed by the run, made again
    int foldersKept = 0;       // made by the run, left where they are (UndoStep::FolderKept)
    int folderFailures = 0;    // that could not be made again or removed; they stay in the database
    // One IDS_UNDO_FAILURE_LINE per file that could not be moved back, the first
    // kUndoFailuresListed of them, then how many more.
    std::string failureText;
    // IDS_UNDO_DONE, or IDS_UNDO_DONE_WITH_FAILURES when some failed, with undoCountsText
    std::string finalText;
};

// "3 files undone, 1 already back, 2 failed", then the entries not reached when the undo was
// cancelled, then, for a run that made or removed folders, "; folders: 2 removed, 1 made again,
// 1 left (not empty), 0 failed".
std::string undoCountsText(const UndoOutcome& outcome);

// Raised when the database's undo is already running, in this process or another.
struct UndoInProgress : std::runtime_error {
    explicit UndoInProgress(const std::string& name)
        : std::runtime_error("The undo of " + name +
                             " is in progress in another window or program; try again when it has finished.") {}
};

// Raised when another run or undo changes files in one of the database's folders: nothing was
// undone. The text is folderBusyText's.
struct UndoFoldersBusy : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raised when the database cannot be read: it was set aside under its name + kSetAsideExtension
// and dropped from the index, so that it is told once and not again at every try.
struct UndoDatabaseSetAside : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What settling the journals of undos that were killed came to.
struct SettledUndos {
    // One line per journal that could not be settled (it stays for the next time).
    std::vector<std::string> problems;
    // The databases whose every entry had come back, now gone with their index entry, and how
    // many entries they held: their undo had finished.
    std::vector<std::pair<std::string, std::size_t>> finished;
};

// Settles, at a start, the journals of undos that were killed, whose lock can be had: the
// journaled entries whose file is back at its old name are dropped from their database (its
// description unchanged; the database and its index entry go when none is left), and the journal
// goes. One damaged from its start is set aside, with a line in `setAsideLines`.
SettledUndos settleInterruptedUndos(const AppPaths& paths, std::vector<std::string>& setAsideLines);

class UndoCatalog {
public:
    explicit UndoCatalog(AppPaths paths) : paths_(std::move(paths)) {}

    // Reloads the list from the index (creating an empty index when there is none). Raises
    // braxen_Exception for an index that is not acceptable; the list is then empty.
    void refresh();
    const std::vector<IndexEntry>& entries() const { return entries_; }
    bool hasDatabases() const { return !entries_.empty(); }

    std::string databasePath(const IndexEntry& entry) const { return paths_.undoFolder() + entry.name; }
    // False for a name that is not a database name: such an entry names no file of ours.
    bool databaseExists(const IndexEntry& entry) const;

    // Calls `each` with every entry of database `entry`, in rename order, a piece of the file at
    // a time. Raises braxen_Exception for a file that is not an undo database, and the platform's
    // error for one that cannot be read.
    void forEachEntry(const IndexEntry& entry, const std::function<void(const UndoEntry&)>& each) const;

    // Drops the first entry equal to `entry` (name and description) from the index as it is now,
    // deleting the database file first when asked (unregisterDatabase), then reloads the list. A
    // file that is already gone counts as deleted; one that cannot be deleted raises the
    // platform's error before the index is changed.
    void removeIndexEntry(const IndexEntry& entry, bool deleteFile);

    // Undoes database `entry` from its last entry back, a batch at a time, never holding more
    // than a batch of it in memory: first settles what an interrupted undo of it left
    // (settleUndoJournal), tells `beforeStart` how many entries are left, journals each batch
    // before its moves and calls `afterEach` after each entry with the number done so far. When
    // every entry came back, the database and its index entry go. Otherwise the database is
    // rewritten with only the entries that failed, keeping its index entry and description, so
    // the user can fix the cause and undo again. Raises UndoInProgress when another undo of it
    // runs, UndoFoldersBusy when another run or undo holds one of its folders, UndoDatabaseSetAside for a database that
    // cannot be read, and the platform's error for one that has left the index, before anything is moved.
    // `stop`, asked before each entry, cancels the undo there when it returns true: the entries
    // not reached stay in the database, as failures do.
    UndoOutcome undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach = {},
                             const std::function<void(std::size_t total)>& beforeStart = {},
                             const std::function<bool()>& stop = {});

    // Forgets the list. Nothing is written: every change reached the index when it was made, and
    // writing back an old copy would drop the runs registered since.
    void close() { entries_.clear(); }

private:
    // Lines naming the later runs that renamed again a file found at one of `names` (folder and
    // name, as the entries hold them), newest first; empty when there is none.
    std::string laterRunsText(const IndexEntry& entry, const std::unordered_set<std::string>& names) const;

    AppPaths paths_;
    std::vector<IndexEntry> entries_;
};

}  // namespace core

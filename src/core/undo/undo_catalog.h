// Undoing runs: the list of undo databases as the Undo dialog and the command-line program see it,
// and the undo of one database. The front ends add only the asking and the showing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/app/app_paths.h"
#include "core/undo/undo_database.h"
#include "core/undo/undo_index.h"

namespace core {

// Moves folder + newName back to folder + oldName, never over an existing file, and to any name
// the file system takes: it is the name the file had. An entry that could leave its folder
// (isSafeUndoEntry) is refused without touching the disk. False on any failure.
bool undoEntry(const UndoEntry& entry);

struct UndoOutcome {
    int undone = 0;
    int failures = 0;
    std::string failureText;        // one line of string 57363 per file that could not be moved back
    std::string finalText;          // string 57362, or 57361 when some failed
    std::vector<UndoEntry> failed;  // the entries that did not come back, in rename order
};

// Undoes every entry, the last renamed first, so that a name a later rename took is free again
// when the earlier one goes back (a.mp3 -> b.mp3 then c.mp3 -> a.mp3; a swap through a third
// name). `afterEach` (may be empty) is called after each one with the number done so far, so a
// front end can show progress and keep its window alive. Names in the texts are shown decoded.
UndoOutcome undoEntries(const std::vector<UndoEntry>& entries,
                        const std::function<void(std::size_t done)>& afterEach = {});

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

    // Drops the first entry equal to `entry` (name and description) from the index as it is now,
    // deleting the database file first when asked (unregisterDatabase), then reloads the list. A
    // file that is already gone counts as deleted; one that cannot be deleted raises the
    // platform's error before the index is changed.
    void removeIndexEntry(const IndexEntry& entry, bool deleteFile);

    // Undoes database `entry`, one undo at a time (another one in progress is waited for):
    // reads it, tells `beforeStart` how many entries it holds, undoes them with undoEntries, then
    // settles it under the index's lock. When every entry came back, the database and its index
    // entry go. Otherwise the database is rewritten with only the entries that failed, keeping its
    // index entry and description, so the user can fix the cause and undo again. A database that
    // cannot be read raises braxen_Exception and stays as it was; one that has left the index
    // meanwhile raises the platform's error before anything is moved.
    UndoOutcome undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach = {},
                             const std::function<void(std::size_t total)>& beforeStart = {});

    // Forgets the list. Nothing is written: every change reached the index when it was made, and
    // writing back an old copy would drop the runs registered since.
    void close() { entries_.clear(); }

private:
    AppPaths paths_;
    std::vector<IndexEntry> entries_;
};

}  // namespace core

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

// Moves folder + newName back to folder + oldName, never over an existing file.
bool undoEntry(const UndoEntry& entry);

struct UndoOutcome {
    int undone = 0;
    int failures = 0;
    std::string failureText;  // one line of string 57363 per file that could not be moved back
    std::string finalText;    // string 57362, or 57361 when some failed
};

// Undoes every entry in rename order; `afterEach` (may be empty) is called after each one with
// the number done so far, so a front end can show progress and keep its window alive.
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
    bool changed() const { return changed_; }
    void markChanged() { changed_ = true; }

    std::string databasePath(const IndexEntry& entry) const { return paths_.undoFolder() + entry.name; }
    bool databaseExists(const IndexEntry& entry) const;

    // Drops the first entry equal to `entry` (name and description) and rewrites the index,
    // deleting the database file first when asked. A file that is already gone counts as
    // deleted; one that cannot be deleted raises the platform's error before the index is
    // rewritten.
    void removeIndexEntry(const IndexEntry& entry, bool deleteFile);

    // Reads the database, undoes it, then removes it from the index and deletes it, whatever the
    // outcome of the moves. A database that cannot be read raises braxen_Exception and stays.
    UndoOutcome undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach = {},
                             const std::function<void(std::size_t total)>& beforeStart = {});

    // Writes the list back when an entry was dropped along the way.
    void close();

private:
    AppPaths paths_;
    std::vector<IndexEntry> entries_;
    bool changed_ = false;
};

}  // namespace core

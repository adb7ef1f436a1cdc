#include "core/undo/undo_catalog.h"

#include <algorithm>

#include "core/app/strings.h"
#include "platform/files.h"

namespace core {

bool undoEntry(const UndoEntry& entry) {
    try {
        platform::moveFile(entry.folder + entry.newName, entry.folder + entry.oldName);
        return true;
    } catch (const platform::FileError&) {
        return false;
    }
}

UndoOutcome undoEntries(const std::vector<UndoEntry>& entries, const std::function<void(std::size_t)>& afterEach) {
    UndoOutcome outcome;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const UndoEntry& entry = entries[i];
        if (undoEntry(entry)) {
            ++outcome.undone;
        } else {
            ++outcome.failures;
            outcome.failureText += formatString(IDS_UNDO_FAILURE_LINE, {entry.newName, entry.oldName, entry.folder});
        }
        if (afterEach) afterEach(i + 1);
    }
    const auto total = static_cast<std::int64_t>(entries.size());
    outcome.finalText = outcome.failureText.empty() ? formatString(IDS_UNDO_DONE, {total})
                                                    : formatString(IDS_UNDO_DONE_WITH_FAILURES,
                                                                   {outcome.failureText, total - outcome.failures});
    return outcome;
}

void UndoCatalog::refresh() {
    entries_.clear();
    UndoIndex index(paths_.indexFile());
    std::vector<IndexEntry> read;
    if (index.open()) index.readAll(read);
    index.close();
    entries_ = std::move(read);
}

bool UndoCatalog::databaseExists(const IndexEntry& entry) const {
    return platform::fileExists(databasePath(entry));
}

void UndoCatalog::removeIndexEntry(const IndexEntry& entry, bool deleteFile) {
    const auto it = std::find(entries_.begin(), entries_.end(), entry);
    if (it == entries_.end()) return;
    entries_.erase(it);
    if (deleteFile && databaseExists(entry)) platform::removeFile(databasePath(entry));
    UndoIndex index(paths_.indexFile());
    index.open();
    index.rewrite(entries_);
    index.close();
}

UndoOutcome UndoCatalog::undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach,
                                      const std::function<void(std::size_t)>& beforeStart) {
    std::vector<UndoEntry> undo;
    readUndoDatabase(databasePath(entry), undo);
    if (beforeStart) beforeStart(undo.size());
    UndoOutcome outcome = undoEntries(undo, afterEach);
    removeIndexEntry(entry, true);
    refresh();
    return outcome;
}

void UndoCatalog::close() {
    if (changed_) {
        UndoIndex index(paths_.indexFile());
        index.open();
        index.rewrite(entries_);
        index.close();
    }
    entries_.clear();
    changed_ = false;
}

}  // namespace core

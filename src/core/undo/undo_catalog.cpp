#include "core/undo/undo_catalog.h"

#include <algorithm>

#include "core/app/strings.h"
#include "core/persist/binary_io.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace core {

bool undoEntry(const UndoEntry& entry) {
    if (!isSafeUndoEntry(entry)) return false;
    try {
        platform::moveFileAnyName(entry.folder + entry.newName, entry.folder + entry.oldName);
        return true;
    } catch (const platform::FileError&) {
        return false;
    }
}

UndoOutcome undoEntries(const std::vector<UndoEntry>& entries, const std::function<void(std::size_t)>& afterEach) {
    UndoOutcome outcome;
    std::vector<bool> failed(entries.size(), false);
    for (std::size_t done = 0; done < entries.size(); ++done) {
        const std::size_t i = entries.size() - 1 - done;
        const UndoEntry& entry = entries[i];
        if (undoEntry(entry)) {
            ++outcome.undone;
        } else {
            ++outcome.failures;
            failed[i] = true;
            // A name recorded as bytes that are not UTF-8 is shown as the legacy text it was.
            const auto shown = [](const std::string& text) {
                return platform::displayName(platform::legacyTextToUtf8(text));
            };
            outcome.failureText +=
                formatString(IDS_UNDO_FAILURE_LINE, {shown(entry.newName), shown(entry.oldName), shown(entry.folder)});
        }
        if (afterEach) afterEach(done + 1);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (failed[i]) outcome.failed.push_back(entries[i]);
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
    return isDatabaseName(entry.name) && platform::fileExists(databasePath(entry));
}

void UndoCatalog::removeIndexEntry(const IndexEntry& entry, bool deleteFile) {
    unregisterDatabase(paths_, entry, deleteFile);
    refresh();
}

UndoOutcome UndoCatalog::undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach,
                                      const std::function<void(std::size_t)>& beforeStart) {
    // Two undos of one database would each find the other's entries gone and keep them as
    // failures; one at a time, the second finds the database settled by the first.
    const auto gone = [&] { return platform::FileError(platform::FileError::fileNotFound, 0, databasePath(entry)); };
    if (!databaseExists(entry)) throw gone();
    platform::FileLock undoing;
    undoing.lock(paths_.undoFolder() + "undo.lock", kIndexLockWait);
    const auto stillListed = [&] {
        std::vector<IndexEntry> list;
        UndoIndex index(paths_.indexFile());
        index.open();
        index.readAll(list);
        return std::find(list.begin(), list.end(), entry) != list.end();
    };
    if (!stillListed()) throw gone();
    const UndoDatabaseContent content = parseUndoDatabase(readWholeFile(databasePath(entry)));
    if (beforeStart) beforeStart(content.entries.size());
    UndoOutcome outcome = undoEntries(content.entries, afterEach);

    if (outcome.failed.empty()) {
        unregisterDatabase(paths_, entry, true);
    } else {
        UndoIndex index(paths_.indexFile());
        index.open();
        std::vector<IndexEntry> list;
        index.readAll(list);
        // A database deleted or dropped by the limit while it was being undone stays gone.
        if (std::find(list.begin(), list.end(), entry) != list.end()) {
            replaceWholeFile(databasePath(entry), formatUndoDatabase(outcome.failed, content.ruleSection));
        }
    }
    refresh();
    return outcome;
}

}  // namespace core

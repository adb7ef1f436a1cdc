#include "core/undo/undo_catalog.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/base/strings.h"
#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/session/folder_locks.h"
#include "core/undo/journal_format.h"
#include "core/undo/journal_recovery.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "platform/text.h"

namespace core {
namespace {

// The undo journal's records, in the framing of the run's journal. The entries themselves stay in
// the database, which is not rewritten while the journal lives: a batch is named by its place.
constexpr char kUndoHeadRecord = 'H';   // database version, count (u32 each), size, volume, index (u64 each)
constexpr char kUndoBatchRecord = 'B';  // first and end (u32 each): entries [first, end), the last first
constexpr std::size_t kUndoHeadSize = 32;

bool sameFile(const std::optional<platform::FileId>& a, const std::optional<platform::FileId>& b) {
    return a && b && *a == *b;
}

using DatabaseReader = UndoDatabaseReader;

// Rewrites the database at `path` without the entries `gone` marks (`kept` are left), streamed
// through a temporary file that replaces it once synced. The description in the index is the
// caller's to keep.
void rewriteKeeping(const std::string& path, const std::vector<bool>& gone, std::size_t kept) {
    writeFileInOneStep(path, path + ".tmp", Existing::Replace, [&](platform::File& out) {
        DatabaseReader reader(path);
        const auto keeps = [&](std::uint32_t i) { return i >= gone.size() || !gone[i]; };
        std::uint64_t entryBytes = 0;
        bool usesFolders = false;
        reader.forEach([&](std::uint32_t i, const UndoEntry& entry) {
            if (!keeps(i)) return;
            entryBytes += compactEntrySize(entry);
            usesFolders = usesFolders || entry.usesFolders();
        });
        UndoDatabaseLayout layout(kept, entryBytes, usesFolders);
        reader.forEach([&](std::uint32_t i, const UndoEntry& entry) {
            if (!keeps(i)) return;
            layout.addEntry(entry);
            layout.writeWhenFull(out);
        });
        layout.endEntries();
        layout.write(out);
        reader.copyRules(out);
    });
}

// True when anything at all is in the folder at `path`: a hidden file, a sub-folder, a link.
bool holdsAnything(const std::string& path) {
    platform::FindHandle find;
    platform::FindData data;
    return find.first(path + platform::kPathSeparator + "*", data);
}

// True when the undo of `entry` is done on the disk: the recorded file is at its old name and not
// at its new one (without an identity: the old name is there, the new one is not); a folder the
// run removed is there again; a folder it made is gone, or is one undo leaves (FolderKept).
bool isBack(const UndoEntry& entry) {
    if (!isSafeUndoEntry(entry)) return false;
    if (entry.kind == UndoEntry::Kind::FolderRemoved) return platform::isFolder(entry.folder + entry.oldName);
    if (entry.kind == UndoEntry::Kind::FolderMade) {
        const std::string path = entry.folder + entry.newName;
        const auto there = platform::entryId(path);
        return !there || (entry.id && !sameFile(there, entry.id)) || holdsAnything(path);
    }
    const auto atOld = platform::entryId(entry.folder + entry.oldName);
    const auto atNew = platform::entryId(entry.movedTo() + entry.newName);
    if (entry.id) return sameFile(atOld, entry.id) && !sameFile(atNew, entry.id);
    return atOld && !atNew;
}

// Drops a database whose every entry came back: its index entry first, so that an undo killed
// in between leaves no entry naming a file that is gone, only a file that nothing lists, which
// the next start removes with the undo's journal.
void dropUndone(const AppPaths& paths, const IndexEntry& entry) {
    unregisterDatabase(paths, entry, false);
    const std::string database = paths.undoFolder() + entry.name;
    if (platform::fileExists(database)) platform::removeFile(database);
}

bool isListed(const AppPaths& paths, const IndexEntry& entry) {
    std::vector<IndexEntry> list;
    UndoIndex index(paths.indexFile());
    index.open();
    index.readAll(list);
    return std::find(list.begin(), list.end(), entry) != list.end();
}

// The undo journal of one database, locked while its undo runs. One that is empty is no journal:
// the lock's own file, removed when the lock goes.
class UndoJournal {
public:
    explicit UndoJournal(std::string path) : path_(std::move(path)) {}
    ~UndoJournal() { release(); }
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    const std::string& path() const { return path_; }
    // False when another undo holds it.
    bool lock() {
        lock_.unlock();
        return lock_.tryLock(path_);
    }

    // Starts the journal of an undo of the database `reader` reads, at `database`.
    void begin(const DatabaseReader& reader, const std::string& database) {
        const platform::FileId id = platform::entryId(database).value_or(platform::FileId{});
        std::string payload;
        appendLittle(payload, reader.head().version, 4);
        appendLittle(payload, reader.head().count, 4);
        appendLittle(payload, reader.size(), 8);
        appendLittle(payload, id.volume, 8);
        appendLittle(payload, id.index, 8);
        file_.open(path_, platform::File::Mode::CreateWrite);
        append(kUndoHeadRecord, payload);
    }
    // Names the entries [first, end) about to be undone, on the disk before any of them is.
    void batch(std::uint32_t first, std::uint32_t end) {
        std::string payload;
        appendLittle(payload, first, 4);
        appendLittle(payload, end, 4);
        append(kUndoBatchRecord, payload);
    }
    // The undo is over: the journal goes, then the lock.
    void finish() {
        file_.close();
        if (platform::fileExists(path_)) platform::removeFile(path_);
        lock_.unlock();
    }
    // Lets go without finishing: a journal that names batches stays for the next undo.
    void release() noexcept {
        file_.close();
        if (lock_.isLocked()) {
            try {
                const auto status = platform::fileStatus(path_);
                if (status && status->size == 0) platform::removeFile(path_);
            } catch (const platform::FileError&) {
                // An empty file is no journal: the next undo finds nothing to settle.
            }
        }
        lock_.unlock();
    }

private:
    void append(char type, std::string_view payload) {
        std::string record;
        appendJournalRecord(record, type, payload);
        file_.write(record.data(), record.size());
        file_.sync();
    }

    std::string path_;
    platform::FileLock lock_;
    platform::File file_;
};

// Settles the journal at `journal` (locked by the caller) of an undo of `entry`: see
// settleUndoJournal. A journal that is damaged from its start is set aside, with a line in
// `setAsideLines`.
std::size_t settleLocked(const AppPaths& paths, const IndexEntry& entry, const std::string& journal,
                         std::vector<std::string>& setAsideLines) {
    const std::string bytes = platform::fileExists(journal) ? readWholeFile(journal) : std::string();
    if (bytes.empty()) return 0;
    std::optional<std::string> head;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> batches;
    bool damaged = false;
    forEachJournalRecord(bytes, 0, damaged, [&](char type, std::string_view payload) {
        if (!head) {
            if (type != kUndoHeadRecord || payload.size() != kUndoHeadSize) return false;
            head = std::string(payload);
        } else if (type == kUndoBatchRecord && payload.size() == 8) {
            batches.emplace_back(static_cast<std::uint32_t>(littleAt(payload, 0, 4)),
                                 static_cast<std::uint32_t>(littleAt(payload, 4, 4)));
        } else {
            return false;  // not something this program writes
        }
        return true;
    });
    if (!head) {
        // Its head is synced before any move: a journal without one is damage, kept for a look.
        setAsideLines.push_back("The journal " + journal + " of an interrupted undo is damaged; it was set aside as " +
                                setAside(journal) + ".");
        return 0;
    }
    const std::string database = paths.undoFolder() + entry.name;
    const auto status = platform::fileStatus(database);
    // The journal of a database that has been rewritten since (by the undo that wrote it, killed
    // before it removed the journal) or that is gone: that undo's outcome is in it already.
    if (!status || status->size != littleAt(*head, 8, 8) ||
        !sameFile(platform::entryId(database), platform::FileId{littleAt(*head, 16, 8), littleAt(*head, 24, 8)})) {
        return 0;
    }
    std::optional<DatabaseReader> reader(std::in_place, database);
    const std::uint32_t count = reader->head().count;
    if (reader->head().version != littleAt(*head, 0, 4) || count != littleAt(*head, 4, 4)) return 0;
    std::vector<bool> gone(count, false);
    std::size_t back = 0, files = 0;  // entries back, and of those the files' (what the user is told)
    std::string piece;
    // A file that went round a ring came out of a temporary name that it went into: undone as far
    // as its name before the ring, it is back for both entries, not only for the way in.
    std::unordered_map<std::string, std::string> beforeRing;
    for (const auto& [first, end] : batches) {
        if (first >= end || end > count) continue;
        reader->read(first, end, piece);
        for (std::uint32_t i = first; i < end; ++i) {
            const UndoEntry item = reader->entry(piece, i - first);
            if (isTemporaryName(item.newName)) beforeRing[item.folder + item.newName] = item.folder + item.oldName;
        }
    }
    const auto isBackFrom = [&](const UndoEntry& item) {
        if (isBack(item)) return true;
        const auto ring =
            isTemporaryName(item.oldName) ? beforeRing.find(item.folder + item.oldName) : beforeRing.end();
        return ring != beforeRing.end() && item.id && sameFile(platform::entryId(ring->second), item.id);
    };
    for (const auto& [first, end] : batches) {
        if (first >= end || end > count) continue;
        reader->read(first, end, piece);
        for (std::uint32_t i = first; i < end; ++i) {
            if (gone[i]) continue;
            const UndoEntry item = reader->entry(piece, i - first);
            if (!isBackFrom(item)) continue;
            gone[i] = true;
            ++back;
            if (!item.isFolderEntry()) ++files;
        }
    }
    reader.reset();  // a file open for reading cannot be replaced on Windows
    if (back == count) {
        dropUndone(paths, entry);
    } else if (back > 0) {
        rewriteKeeping(database, gone, count - back);
    }
    return files;
}

std::string shown(const std::string& text) {
    // A name recorded as bytes that are not UTF-8 is shown as the legacy text it was.
    return platform::displayName(platform::legacyTextToUtf8(text));
}

std::string failureLine(const UndoEntry& entry, UndoStep step) {
    const std::string changed = step == UndoStep::Changed ? ": changed since the run" : "";
    switch (entry.kind) {
        case UndoEntry::Kind::FolderRemoved:
            return "- the folder \"" + shown(entry.oldName) + "\" in \"" + shown(entry.folder) +
                   "\", removed by the run, could not be made again" +
                   (platform::fileExists(entry.folder + entry.oldName) ? ": a file is in its place" : "") + "\r\n";
        case UndoEntry::Kind::FolderMade:
            return "- the folder \"" + shown(entry.newName) + "\" in \"" + shown(entry.folder) +
                   "\", made by the run, could not be removed\r\n";
        case UndoEntry::Kind::Move:
            break;
    }
    if (!entry.newFolder.empty()) {
        return "- from \"" + shown(entry.newName) + "\" in \"" + shown(entry.newFolder) + "\" to \"" +
               shown(entry.oldName) + "\" in \"" + shown(entry.folder) + "\"" + changed + "\r\n";
    }
    return formatString(step == UndoStep::Changed ? IDS_UNDO_CHANGED_LINE : IDS_UNDO_FAILURE_LINE,
                        {shown(entry.newName), shown(entry.oldName), shown(entry.folder)});
}

// A folder the run made that undo leaves, told as a note rather than a failure.
std::string keptLine(const UndoEntry& entry) {
    return "- the folder \"" + shown(entry.newName) + "\" in \"" + shown(entry.folder) +
           "\", made by the run, was left: something is in it now, or it is not the folder the run made\r\n";
}

// Makes again the folder a run removed.
UndoStep undoFolderRemoved(const UndoEntry& entry) {
    const std::string path = entry.folder + entry.oldName;
    if (platform::isFolder(path)) return UndoStep::AlreadyBack;  // whichever folder: files can go back into it
    if (platform::fileExists(path)) return UndoStep::Failed;
    return platform::createFolder(path) ? UndoStep::Undone : UndoStep::Failed;
}

// Removes the folder a run made, when it is that folder and empty.
UndoStep undoFolderMade(const UndoEntry& entry) {
    const std::string path = entry.folder + entry.newName;
    const auto there = platform::entryId(path);
    if (!there) return UndoStep::AlreadyBack;
    // Another folder than the one made (its identity known) is not ours. One whose identity the
    // run was killed before recording is removed only when empty, which loses nothing.
    if (entry.id && !sameFile(there, entry.id)) return UndoStep::FolderKept;
    // The removal itself refuses a folder that is not empty, so a file put in between is safe.
    if (platform::removeEmptyFolder(path)) return UndoStep::Undone;
    return holdsAnything(path) ? UndoStep::FolderKept : UndoStep::Failed;
}

}  // namespace

UndoStep undoEntry(const UndoEntry& entry) {
    if (!isSafeUndoEntry(entry)) return UndoStep::Failed;
    if (entry.kind == UndoEntry::Kind::FolderRemoved) return undoFolderRemoved(entry);
    if (entry.kind == UndoEntry::Kind::FolderMade) return undoFolderMade(entry);
    const std::string from = entry.movedTo() + entry.newName;
    const std::string to = entry.folder + entry.oldName;
    if (entry.id) {
        // Another file at the new name (a later run's, one put there by hand) is not ours to move.
        const auto atNew = platform::entryId(from);
        if (!sameFile(atNew, entry.id)) {
            if (sameFile(platform::entryId(to), entry.id)) return UndoStep::AlreadyBack;
            return atNew ? UndoStep::Changed : UndoStep::Failed;
        }
    }
    try {
        platform::moveFileAnyName(from, to);
        return UndoStep::Undone;
    } catch (const platform::FileError&) {
        return UndoStep::Failed;
    }
}

SettledUndos settleInterruptedUndos(const AppPaths& paths, std::vector<std::string>& setAsideLines) {
    SettledUndos result;
    const std::string folder = paths.undoFolder();
    const std::string extension = kUndoJournalExtension;
    std::vector<std::string> names;
    {
        platform::FindHandle find;
        platform::FindData data;
        for (bool more = find.first(folder + "*" + extension, data); more; more = find.next(data)) {
            if (data.attributes & platform::AttrDirectory || data.name.size() <= extension.size()) continue;
            const std::string stem = data.name.substr(0, data.name.size() - extension.size());
            if (isDatabaseName(stem) && data.name.compare(stem.size(), extension.size(), extension) == 0) {
                names.push_back(stem);
            }
        }
    }
    for (const std::string& name : names) {
        UndoJournal journal(folder + name + extension);
        try {
            if (!journal.lock()) continue;  // an undo in progress
            std::vector<IndexEntry> list;
            {
                UndoIndex index(paths.indexFile());
                index.open();
                index.readAll(list);
            }
            const auto listed =
                std::find_if(list.begin(), list.end(), [&](const IndexEntry& entry) { return entry.name == name; });
            if (listed != list.end()) {
                const std::size_t back = settleLocked(paths, *listed, journal.path(), setAsideLines);
                if (!platform::fileExists(folder + name)) result.finished.emplace_back(name, back);
            } else {
                // Nothing lists it: an undo was killed as it dropped the database it had finished,
                // between the index entry and the file. The file goes only when every entry is back.
                settleLocked(paths, IndexEntry{name, std::string()}, journal.path(), setAsideLines);
            }
            journal.finish();
        } catch (const BRAXEN::braxen_Exception& error) {
            result.problems.push_back("The interrupted undo " + journal.path() +
                                      " could not be settled: " + error.message());
        } catch (const platform::FileError& error) {
            result.problems.push_back("The interrupted undo " + journal.path() +
                                      " could not be settled: " + error.message());
        }
    }
    return result;
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

void UndoCatalog::forEachEntry(const IndexEntry& entry, const std::function<void(const UndoEntry&)>& each) const {
    DatabaseReader reader(databasePath(entry));
    reader.forEach([&](std::uint32_t, const UndoEntry& undoEntry) { each(undoEntry); });
}

std::string UndoCatalog::laterRunsText(const IndexEntry& entry, const std::unordered_set<std::string>& names) const {
    // The runs after this one, newest first, that renamed one of these files again: they must be
    // undone before it. A database that cannot be read says nothing here.
    const auto at = std::find(entries_.begin(), entries_.end(), entry);
    if (at == entries_.end()) return {};
    std::string text;
    for (auto later = entries_.end(); later-- != at + 1;) {
        bool moved = false;
        try {
            DatabaseReader reader(databasePath(*later));
            reader.forEach([&](std::uint32_t, const UndoEntry& item) {
                if (!moved && !item.isFolderEntry() && names.count(item.folder + item.oldName)) moved = true;
            });
        } catch (const std::exception&) {
            continue;
        }
        if (!moved) continue;
        text += "\r\nA later run renamed some of these files again: " + later->name + " (" +
                platform::displayName(platform::legacyTextToUtf8(later->description)) + "). Undo it first.\r\n";
    }
    return text;
}

void UndoCatalog::removeIndexEntry(const IndexEntry& entry, bool deleteFile) {
    unregisterDatabase(paths_, entry, deleteFile);
    refresh();
}

std::string undoCountsText(const UndoOutcome& outcome) {
    std::string text = std::to_string(outcome.undone) + (outcome.undone == 1 ? " file undone, " : " files undone, ") +
                       std::to_string(outcome.alreadyBack) + " already back, " + std::to_string(outcome.failures) +
                       " failed";
    if (outcome.notReached) {
        text += ", " + std::to_string(outcome.notReached) +
                " not reached (the undo was cancelled; they stay in the list for another undo)";
    }
    if (outcome.foldersRemoved || outcome.foldersMadeAgain || outcome.foldersKept || outcome.folderFailures) {
        text += "; folders: " + std::to_string(outcome.foldersRemoved) + " removed, " +
                std::to_string(outcome.foldersMadeAgain) + " made again, " + std::to_string(outcome.foldersKept) +
                " left (not empty), " + std::to_string(outcome.folderFailures) + " failed";
    }
    return text;
}

UndoOutcome UndoCatalog::undoDatabase(const IndexEntry& entry, const std::function<void(std::size_t)>& afterEach,
                                      const std::function<void(std::size_t)>& beforeStart,
                                      const std::function<bool()>& stop) {
    const std::string database = databasePath(entry);
    const auto gone = [&] { return platform::FileError(platform::FileError::fileNotFound, 0, database); };
    if (!databaseExists(entry)) throw gone();
    // Two undos of one database would each find the other's entries gone and keep them as
    // failures: the second is refused while the first runs.
    UndoJournal journal(database + kUndoJournalExtension);
    if (!journal.lock()) throw UndoInProgress(entry.name);
    if (!isListed(paths_, entry)) throw gone();

    UndoOutcome outcome;
    std::vector<std::string> notices;
    std::optional<DatabaseReader> reader;
    try {
        outcome.undone = static_cast<int>(settleLocked(paths_, entry, journal.path(), notices));
        // Its journal went aside, and the lock with it: taken again on the name.
        if (!notices.empty() && !journal.lock()) throw UndoInProgress(entry.name);
        if (platform::fileExists(database)) reader.emplace(database);
    } catch (const BRAXEN::braxen_Exception& error) {
        // Told once: set aside, never deleted, and off the list.
        reader.reset();
        const std::string aside = setAside(database);
        unregisterDatabase(paths_, entry, false);
        journal.finish();
        refresh();
        throw UndoDatabaseSetAside(fileErrorReport(IDS_LOAD_UNDO_FAILED, error) + "\n\nThe database " + database +
                                   " was set aside as " + aside + " and removed from the list.");
    }
    const std::uint32_t count = reader ? reader->head().count : 0;
    if (beforeStart) beforeStart(count);
    std::vector<bool> undone(count, false);
    std::size_t done = 0, kept = 0;
    int unlisted = 0;
    std::unordered_set<std::string> backAtTemporary;  // files undone as far as a ring's temporary name
    std::unordered_set<std::string> failedNames;      // where the files that failed were looked for
    std::string keptText;                             // the folders made that were left
    std::vector<bool> fileEntries;                    // which entries are files' (not folders')
    // One run or undo at a time in a folder: another could move a file between our look at it
    // and the move back.
    FolderLocks folders;
    if (reader) {
        std::vector<std::string> names;
        fileEntries.reserve(count);
        reader->forEach([&](std::uint32_t, const UndoEntry& item) {
            if (names.empty() || names.back() != item.folder) names.push_back(item.folder);
            if (!item.newFolder.empty() && names.back() != item.newFolder) names.push_back(item.newFolder);
            fileEntries.push_back(!item.isFolderEntry());
        });
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        if (const std::string busy = folders.lockAll(paths_, names); !busy.empty()) {
            reader.reset();
            journal.finish();
            throw UndoFoldersBusy(folderBusyText(busy));
        }
    }
    std::size_t notReachedEntries = 0;
    if (reader) {
        journal.begin(*reader, database);
        std::string piece;
        // The last renamed first, so that a name a later rename took is free again when the earlier
        // one goes back (a.mp3 -> b.mp3 then c.mp3 -> a.mp3; a swap through a third name).
        for (std::uint32_t end = count; end > 0 && !outcome.notReached;) {
            const std::uint32_t first = end - std::min(end, kUndoBatch);
            reader->read(first, end, piece);
            journal.batch(first, end);
            for (std::uint32_t i = end; i-- > first;) {
                if (stop && stop()) {
                    notReachedEntries = i + 1;
                    outcome.notReached = static_cast<int>(std::count(
                        fileEntries.begin(), fileEntries.begin() + static_cast<std::ptrdiff_t>(i + 1), true));
                    break;
                }
                const UndoEntry item = reader->entry(piece, i - first);
                const UndoStep step = undoEntry(item);
                if (item.isFolderEntry()) {
                    // Folders are counted apart: the counts the user reads are of files.
                    const bool made = item.kind == UndoEntry::Kind::FolderMade;
                    if (step == UndoStep::Failed || step == UndoStep::Changed) {
                        ++kept;
                        ++outcome.folderFailures;
                        if (outcome.failures + outcome.folderFailures <= kUndoFailuresListed) {
                            outcome.failureText += failureLine(item, step);
                        } else {
                            ++unlisted;
                        }
                    } else {
                        undone[i] = true;
                        if (step == UndoStep::FolderKept) {
                            ++outcome.foldersKept;
                            if (outcome.foldersKept <= kUndoFailuresListed) keptText += keptLine(item);
                        } else if (step == UndoStep::Undone) {
                            ++(made ? outcome.foldersRemoved : outcome.foldersMadeAgain);
                        }
                    }
                    if (afterEach) afterEach(++done);
                    continue;
                }
                // A file that went round a ring has two entries, into a temporary name and out of
                // it: the counts are of files, so the way in counts only when it alone failed.
                const bool hop = isTemporaryName(item.newName);
                if (step == UndoStep::Undone || step == UndoStep::AlreadyBack) {
                    undone[i] = true;
                    if (isTemporaryName(item.oldName)) backAtTemporary.insert(item.folder + item.oldName);
                    if (!hop) {
                        ++outcome.undone;
                        if (step == UndoStep::AlreadyBack) ++outcome.alreadyBack;
                    }
                } else if (++kept, hop && !backAtTemporary.count(item.folder + item.newName)) {
                    // Its way out of the temporary name failed already, and was counted.
                } else if (++outcome.failures + outcome.folderFailures <= kUndoFailuresListed) {
                    outcome.failureText += failureLine(item, step);
                    failedNames.insert(item.movedTo() + item.newName);
                } else {
                    ++unlisted;
                }
                if (afterEach) afterEach(++done);
            }
            end = first;
        }
        reader.reset();
    }
    if (unlisted > 0) outcome.failureText += "- ... and " + std::to_string(unlisted) + " more\r\n";
    if (!failedNames.empty()) outcome.failureText += laterRunsText(entry, failedNames);

    if (kept == 0 && notReachedEntries == 0) {
        dropUndone(paths_, entry);
    } else if (isListed(paths_, entry)) {
        // A database deleted or dropped by the limit while it was being undone stays gone.
        rewriteKeeping(database, undone, kept + notReachedEntries);
    }
    journal.finish();
    refresh();
    outcome.finalText = outcome.failureText.empty()
                            ? formatString(IDS_UNDO_DONE, {undoCountsText(outcome)})
                            : formatString(IDS_UNDO_DONE_WITH_FAILURES, {outcome.failureText, undoCountsText(outcome)});
    if (!keptText.empty()) {
        if (outcome.foldersKept > kUndoFailuresListed) {
            keptText += "- ... and " + std::to_string(outcome.foldersKept - kUndoFailuresListed) + " more\r\n";
        }
        outcome.finalText += "\r\n\r\nLeft where they are, with what is in them:\r\n" + keptText;
    }
    for (const std::string& notice : notices) outcome.finalText = notice + "\r\n\r\n" + outcome.finalText;
    return outcome;
}

}  // namespace core

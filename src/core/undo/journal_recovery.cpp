#include "core/undo/journal_recovery.h"

#include <algorithm>
#include <unordered_map>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/undo/database_writing.h"
#include "core/undo/journal.h"
#include "core/undo/undo_catalog.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "platform/text.h"

namespace core {
namespace {

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// True when the folder's listing holds exactly this spelling of `name`.
bool listedAs(const std::string& folder, const std::string& name) {
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.first(folder + name, data); more; more = find.next(data)) {
        if (data.name == name) return true;
    }
    return false;
}

std::string journalStem(const std::string& fileName) {
    const std::string extension = kJournalExtension;
    if (fileName.size() <= extension.size()) return std::string();
    const std::string stem = fileName.substr(0, fileName.size() - extension.size());
    return fileName.compare(stem.size(), extension.size(), extension) == 0 && isDatabaseName(stem) ? stem
                                                                                                   : std::string();
}

void removeIfPresent(const std::string& path) {
    if (platform::fileExists(path)) platform::removeFile(path);
}

// A file of ours whose content is not acceptable, told with its name.
struct NotAcceptable {
    std::string text;
};

template <typename Step>
auto namingFile(const char* what, const std::string& path, Step step) {
    try {
        return step();
    } catch (const BRAXEN::braxen_Exception& error) {
        throw NotAcceptable{std::string(what) + " " + path + " is not acceptable: " + error.message()};
    }
}

std::string interruptedDescription(std::time_t started, std::size_t count) {
    return undoDescription(started, count) + kInterruptedSuffix;
}

// The path of the folder a folder's entry made or removed, ending with the separator its parent's
// path ends with.
std::string folderOf(const UndoEntry& entry) {
    const std::string& name = entry.kind == UndoEntry::Kind::FolderMade ? entry.newName : entry.oldName;
    return entry.folder + name + entry.folder.back();
}

// The folder `path` (ending with its separator) is in, the same way; empty for a root.
std::string parentFolder(const std::string& path) {
    std::size_t at = path.size() - 1;
    while (at > 0 && !platform::isPathSeparator(path[at - 1])) --at;
    return at == 0 ? std::string() : path.substr(0, at);
}

}  // namespace

std::string setAside(const std::string& path) {
    for (int attempt = 1;; ++attempt) {
        const std::string aside = path + kSetAsideExtension + (attempt == 1 ? std::string() : std::to_string(attempt));
        if (platform::fileExists(aside)) continue;
        platform::moveFileAnyName(path, aside);
        return aside;
    }
}

namespace {

// What became of one journal.
enum class Recovered { Registered, NothingToKeep, Waiting, SetAside };

// Recovers the journal `name` whose lock the caller holds.
Recovered recoverOne(const AppPaths& paths, const std::string& name, bool limitUndo, std::int32_t undoLimit,
                     JournalRecovery& result) {
    const std::string database = paths.undoFolder() + name;
    const std::string journal = database + kJournalExtension;
    removeIfPresent(database + ".tmp");  // a database cut short when the run died
    const std::string bytes = readWholeFile(journal);
    const auto content = parseJournal(bytes);
    if (platform::fileExists(database)) {
        // The run died after its database was in place: it may only lack its index entry.
        std::size_t count = 0;
        try {
            const auto entries = parseUndoDatabase(readWholeFile(database)).entries;
            count = static_cast<std::size_t>(std::count_if(
                entries.begin(), entries.end(), [](const UndoEntry& move) { return !move.isFolderEntry(); }));
        } catch (const BRAXEN::braxen_Exception& error) {
            // Damaged after it was written whole: kept aside for whoever wants to look, and the
            // journal, which holds the same moves, is recovered in its place.
            result.setAside.push_back("The undo database " + database + " is damaged (" + error.message() +
                                      "); it was set aside as " + setAside(database) + ".");
            return recoverOne(paths, name, limitUndo, undoLimit, result);
        }
        const IndexEntry entry{name, interruptedDescription(content ? content->started : platform::now(), count)};
        const bool registered = namingFile("the undo index", paths.indexFile(),
                                           [&] { return registerDatabase(paths, entry, limitUndo, undoLimit); });
        platform::removeFile(journal);
        return registered ? Recovered::Registered : Recovered::NothingToKeep;
    }
    if (!content) {
        // Nothing but the empty file of a run that died before it wrote its header: no move was
        // made before the header was on the disk. Anything else is damage.
        if (bytes.empty()) {
            platform::removeFile(journal);
            return Recovered::NothingToKeep;
        }
        result.setAside.push_back("The journal " + journal + " of an interrupted run is damaged; it was set aside as " +
                                  setAside(journal) + ".");
        return Recovered::SetAside;
    }
    const auto unsafe = std::find_if(content->moves.begin(), content->moves.end(), [](const UndoEntry& move) {
        return !isSafeUndoEntry(move) || !fitsUndoRecord(move);
    });
    if (unsafe != content->moves.end()) {
        result.setAside.push_back("The journal " + journal +
                                  " names a move this program never makes; it was set aside as " + setAside(journal) +
                                  ".");
        return Recovered::SetAside;
    }
    // A folder that is not there now may be on a drive that is away: nothing can be judged, and
    // nothing is dropped, until it is back.
    // A folder the run made or removed may well be missing: the one it is in must be there.
    std::vector<std::string> folders, madeOrRemoved;
    for (const UndoEntry& move : content->moves) {
        if (folders.empty() || folders.back() != move.folder) folders.push_back(move.folder);
        if (!move.newFolder.empty()) folders.push_back(move.newFolder);
        if (move.isFolderEntry()) madeOrRemoved.push_back(folderOf(move));
    }
    for (auto* list : {&folders, &madeOrRemoved}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    for (std::string folder : folders) {
        while (!platform::isFolder(folder) && std::binary_search(madeOrRemoved.begin(), madeOrRemoved.end(), folder)) {
            folder = parentFolder(folder);
        }
        if (!platform::isFolder(folder)) {
            result.waiting.push_back(WaitingJournal{name, folder, content->started, content->moves.size()});
            return Recovered::Waiting;
        }
    }
    bool registered = false;
    const std::vector<UndoEntry> happened = movesThatHappened(content->moves);
    if (happened.empty()) {
        // Nothing made, as far as the disk shows: so when every file the run recorded is still at
        // its old name. One found at neither name has not gone away with its record: the journal
        // stays, for when its files can be seen again, or for the user to delete.
        const auto holds = [](const std::string& path, const platform::FileId& id) {
            const auto there = platform::entryId(path);
            return there && *there == id;
        };
        for (const UndoEntry& move : content->moves) {
            // The way out of a ring's temporary name is judged with the way in, by the same file.
            if (!move.id || isTemporaryName(move.oldName) || move.isFolderEntry()) continue;
            if (holds(move.folder + move.oldName, *move.id) || holds(move.movedTo() + move.newName, *move.id)) {
                continue;
            }
            result.waiting.push_back(WaitingJournal{name, move.folder, content->started, content->moves.size(), true});
            return Recovered::Waiting;
        }
    }
    if (!happened.empty()) {
        writeDatabaseAs(paths, name, happened, content->ruleSection);
        // Files, not moves: a file that went round a ring has a move into its temporary name too.
        // Nor folders.
        const auto files = std::count_if(happened.begin(), happened.end(), [](const UndoEntry& move) {
            return !isTemporaryName(move.newName) && !move.isFolderEntry();
        });
        const IndexEntry entry{name, interruptedDescription(content->started, static_cast<std::size_t>(files))};
        registered = namingFile("the undo index", paths.indexFile(),
                                [&] { return registerDatabase(paths, entry, limitUndo, undoLimit); });
    }
    platform::removeFile(journal);
    return registered ? Recovered::Registered : Recovered::NothingToKeep;
}

}  // namespace

std::vector<UndoEntry> movesThatHappened(const std::vector<UndoEntry>& moves) {
    // What later moves changed is laid over the disk: a name a later move took or freed is seen
    // as it was before that move, holding the file that move moved.
    struct Seen {
        bool exists;
        std::optional<platform::FileId> id;  // nothing when unknown
    };
    std::unordered_map<std::string, Seen> overlay;
    const auto seen = [&](const std::string& path) {
        const auto it = overlay.find(path);
        if (it != overlay.end()) return it->second;
        const auto id = platform::entryId(path);
        return Seen{id.has_value(), id};
    };
    std::vector<bool> happened(moves.size(), false);
    for (std::size_t i = moves.size(); i-- > 0;) {
        const UndoEntry& move = moves[i];
        if (!isSafeUndoEntry(move) || !fitsUndoRecord(move)) continue;
        if (move.kind == UndoEntry::Kind::FolderMade) {
            // Made when that folder is there: the one whose identity was recorded, or, for a run
            // killed between the making and that record, whatever folder is there, which undo
            // then removes only when it is empty.
            const std::string path = move.folder + move.newName;
            const Seen there = seen(path);
            if (!there.exists || (move.id && !(there.id == move.id))) continue;
            happened[i] = true;
            overlay[path] = Seen{false, std::nullopt};
            continue;
        }
        if (move.kind == UndoEntry::Kind::FolderRemoved) {
            // Removed when no folder is there any more.
            const std::string path = move.folder + move.oldName;
            const auto later = overlay.find(path);
            if (later != overlay.end() ? later->second.exists : platform::isFolder(path)) continue;
            happened[i] = true;
            overlay[path] = Seen{true, move.id};
            continue;
        }
        const std::string from = move.folder + move.oldName;
        const std::string to = move.movedTo() + move.newName;
        if (from == to) continue;  // nothing to undo
        const Seen atTo = seen(to);
        const Seen atFrom = seen(from);
        // The file it moved must be the one at the new name: another run may have put another
        // file there, and undoing would then take that one.
        const bool toHoldsIt = atTo.exists && (!move.id || atTo.id == move.id);
        bool made = toHoldsIt && !atFrom.exists;
        if (toHoldsIt && atFrom.exists && move.newFolder.empty() && sameIgnoringAsciiCase(move.oldName, move.newName) &&
            (!move.id || atFrom.id == move.id)) {
            // One file under two spellings where letter case is ignored.
            made = listedAs(move.folder, move.newName) && !listedAs(move.folder, move.oldName);
        }
        if (!made) continue;
        happened[i] = true;
        overlay[to] = Seen{false, std::nullopt};
        overlay[from] = Seen{true, move.id};
    }
    std::vector<UndoEntry> kept;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (happened[i]) kept.push_back(moves[i]);
    }
    return kept;
}

std::string waitingDescription(const WaitingJournal& journal) {
    return shortDateTime(platform::localTime(journal.started)) + " - " + std::to_string(journal.moves) +
           " rename(s) recorded. (interrupted; " +
           (journal.filesAway ? "its files are not where it left them: " : "folder not reachable: ") +
           platform::legacyTextToUtf8(journal.folder) + ")";
}

void deleteWaitingJournal(const AppPaths& paths, const WaitingJournal& journal) {
    platform::removeFile(paths.undoFolder() + journal.name + kJournalExtension);
}

JournalRecovery recoverJournals(const AppPaths& paths, bool limitUndo, std::int32_t undoLimit) {
    JournalRecovery result;
    const std::string folder = paths.undoFolder();
    std::vector<std::string> names;
    {
        platform::FindHandle find;
        platform::FindData data;
        for (bool more = find.first(folder + "*" + kJournalExtension, data); more; more = find.next(data)) {
            const std::string stem = journalStem(data.name);
            if (!stem.empty() && !(data.attributes & platform::AttrDirectory)) names.push_back(stem);
        }
    }
    for (const std::string& name : names) {
        const std::string journal = folder + name + kJournalExtension;
        platform::FileLock lock;
        try {
            if (!lock.tryLock(journal)) continue;  // a run in progress
            if (recoverOne(paths, name, limitUndo, undoLimit, result) == Recovered::Registered) {
                result.recovered.push_back(name);
            }
        } catch (const NotAcceptable& problem) {
            result.problems.push_back("The interrupted run " + journal + " could not be recovered: " + problem.text);
        } catch (const platform::FileError& error) {
            // Gone meanwhile: its own run finished it.
            if (!platform::fileExists(journal)) continue;
            result.problems.push_back("The interrupted run " + journal + " could not be recovered: " + error.message());
        }
    }
    // Undos that were killed are settled too, so that the list shows what is really left to undo.
    SettledUndos undos = settleInterruptedUndos(paths, result.setAside);
    for (std::string& problem : undos.problems) result.problems.push_back(std::move(problem));
    result.undosFinished = std::move(undos.finished);
    return result;
}

}  // namespace core

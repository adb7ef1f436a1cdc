#include "core/undo/journal_recovery.h"

#include <algorithm>
#include <unordered_map>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/undo/journal.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

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

// Recovers the journal `name` whose lock the caller holds. Returns true when a database was
// registered for it.
bool recoverOne(const AppPaths& paths, const std::string& name, bool limitUndo, std::int32_t undoLimit) {
    const std::string database = paths.undoFolder() + name;
    const std::string journal = database + kJournalExtension;
    removeIfPresent(database + ".tmp");  // a database cut short when the run died
    const auto content = parseJournal(readWholeFile(journal));
    bool registered = false;
    if (platform::fileExists(database)) {
        // The run died after its database was in place: it may only lack its index entry.
        const std::size_t count = namingFile("the undo database", database, [&] {
                                      return parseUndoDatabase(readWholeFile(database));
                                  }).entries.size();
        const IndexEntry entry{name, interruptedDescription(content ? content->started : platform::now(), count)};
        registered = namingFile("the undo index", paths.indexFile(),
                                [&] { return registerDatabase(paths, entry, limitUndo, undoLimit); });
    } else if (content) {
        const std::vector<UndoEntry> happened = movesThatHappened(content->moves);
        if (!happened.empty()) {
            writeDatabaseAs(paths, name, happened, content->ruleSection);
            const IndexEntry entry{name, interruptedDescription(content->started, happened.size())};
            registered = namingFile("the undo index", paths.indexFile(),
                                    [&] { return registerDatabase(paths, entry, limitUndo, undoLimit); });
        }
    }
    platform::removeFile(journal);
    return registered;
}

}  // namespace

std::vector<UndoEntry> movesThatHappened(const std::vector<UndoEntry>& moves) {
    // What later moves changed is laid over the disk: a name a later move took or freed is seen
    // as it was before that move.
    std::unordered_map<std::string, bool> present;
    const auto exists = [&](const std::string& path) {
        const auto it = present.find(path);
        return it != present.end() ? it->second : platform::fileExists(path);
    };
    std::vector<bool> happened(moves.size(), false);
    for (std::size_t i = moves.size(); i-- > 0;) {
        const UndoEntry& move = moves[i];
        if (!isSafeUndoEntry(move) || !fitsUndoRecord(move.folder, move.newName, move.oldName)) continue;
        const std::string from = move.folder + move.oldName;
        const std::string to = move.folder + move.newName;
        if (from == to) continue;  // nothing to undo
        const bool toExists = exists(to);
        const bool fromExists = exists(from);
        bool made = toExists && !fromExists;
        if (toExists && fromExists && sameIgnoringAsciiCase(move.oldName, move.newName)) {
            // One file under two spellings where letter case is ignored.
            made = listedAs(move.folder, move.newName) && !listedAs(move.folder, move.oldName);
        }
        if (!made) continue;
        happened[i] = true;
        present[to] = false;
        present[from] = true;
    }
    std::vector<UndoEntry> kept;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (happened[i]) kept.push_back(moves[i]);
    }
    return kept;
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
            if (recoverOne(paths, name, limitUndo, undoLimit)) result.recovered.push_back(name);
        } catch (const NotAcceptable& problem) {
            result.problems.push_back("The interrupted run " + journal + " could not be recovered: " + problem.text);
        } catch (const platform::FileError& error) {
            // Gone meanwhile: its own run finished it.
            if (!platform::fileExists(journal)) continue;
            result.problems.push_back("The interrupted run " + journal + " could not be recovered: " + error.message());
        }
    }
    return result;
}

}  // namespace core

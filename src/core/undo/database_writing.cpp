#include "core/undo/database_writing.h"

#include <functional>
#include <unordered_map>

#include "core/persist/binary_io.h"
#include "core/undo/journal_format.h"
#include "platform/files.h"

namespace core {
namespace {

void writeDatabaseFile(const AppPaths& paths, const std::string& name,
                       const std::function<void(platform::File&)>& write) {
    const std::string path = paths.undoFolder() + name;
    writeFileInOneStep(path, path + ".tmp", Existing::Keep, write);
}

}  // namespace

void writeDatabaseAs(const AppPaths& paths, const std::string& name, const std::vector<UndoEntry>& entries,
                     std::string_view ruleSection) {
    writeDatabaseFile(paths, name, [&](platform::File& file) { writeUndoDatabase(file, entries, ruleSection); });
}

std::size_t writeDatabaseFromJournal(const AppPaths& paths, const std::string& name, const std::string& journalPath,
                                     std::uint64_t recordsAt, const std::vector<bool>& made,
                                     std::optional<MadeEntries> known) {
    platform::File journal(journalPath, platform::File::Mode::Read);
    std::string headBytes(static_cast<std::size_t>(recordsAt), '\0');
    headBytes.resize(journal.read(headBytes.data(), headBytes.size()));
    const auto head = parseJournalHead(headBytes);
    if (!head || head->recordsAt != recordsAt)
        throw platform::FileError(platform::FileError::invalidFile, 0, journalPath);
    // The identities of the folders made, learnt in the first pass: each comes in a record after
    // its folder's, and the database holds it in the folder's entry.
    std::unordered_map<std::uint64_t, platform::FileId> folderIds;
    // Each step made as the journal holds it, its texts seen in place: a big run's database is
    // laid out with no string made for any of its entries.
    const auto forEachMade = [&](const std::function<void(const JournalStep&)>& each, bool learning) {
        constexpr std::size_t kPiece = std::size_t{1} << 20;
        journal.seek(static_cast<std::int64_t>(recordsAt), platform::File::SeekFrom::Begin);
        std::string piece;
        JournalCursor cursor;
        std::size_t used = 0;
        for (;;) {
            piece.erase(0, used);
            const std::size_t kept = piece.size();
            piece.resize(kept + kPiece);
            piece.resize(kept + journal.read(piece.data() + kept, kPiece));
            bool damaged = false;
            used = forEachJournalMove(
                piece, 0, cursor, damaged,
                [&](std::uint64_t number, const JournalStep& step) {
                    if (number >= made.size() || !made[static_cast<std::size_t>(number)]) return;
                    if (step.kind == UndoEntry::Kind::FolderMade) {
                        const auto id = folderIds.find(number);
                        if (id != folderIds.end()) {
                            JournalStep withId = step;
                            withId.id = id->second;
                            each(withId);
                            return;
                        }
                    }
                    each(step);
                },
                [&](std::uint64_t number, const platform::FileId& id) {
                    if (learning) folderIds[number] = id;
                });
            if (damaged || piece.size() == kept) break;  // the end of the records
        }
    };
    // The head gives the size of the entries and the version: told by the run, or learnt in a
    // first pass over the records. The second writes.
    MadeEntries entries{0, 0};
    bool usesFolders = false;
    if (known) {
        entries = *known;
    } else {
        forEachMade(
            [&](const JournalStep& step) {
                entries.bytes += compactEntrySize(step.folder, step.newName, step.oldName, step.newFolder);
                ++entries.count;
                usesFolders = usesFolders || step.usesFolders();
            },
            true);
    }
    struct NotAsTold {};
    try {
        writeDatabaseFile(paths, name, [&](platform::File& file) {
            UndoDatabaseLayout layout(entries.count, entries.bytes, usesFolders);
            MadeEntries written{0, 0};
            forEachMade(
                [&](const JournalStep& step) {
                    written.bytes += compactEntrySize(step.folder, step.newName, step.oldName, step.newFolder);
                    ++written.count;
                    // A head that did not tell the truth would make the database unreadable.
                    if (step.usesFolders() && !usesFolders) throw NotAsTold{};
                    layout.addEntry(step.kind, step.folder, step.newName, step.oldName, step.id, step.newFolder);
                    layout.writeWhenFull(file);
                },
                false);
            if (written.count != entries.count || written.bytes != entries.bytes) throw NotAsTold{};
            layout.endEntries();
            layout.bytes() += head->ruleSection;
            layout.write(file);
        });
    } catch (const NotAsTold&) {
        if (!known) throw platform::FileError(platform::FileError::invalidFile, 0, journalPath);  // changed under us
        return writeDatabaseFromJournal(paths, name, journalPath, recordsAt, made);
    }
    return entries.count;
}

}  // namespace core

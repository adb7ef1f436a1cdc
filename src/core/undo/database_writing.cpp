#include "core/undo/database_writing.h"

#include <functional>

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
    const auto forEachMade = [&](const JournalMove& each) {
        constexpr std::size_t kPiece = std::size_t{1} << 20;
        journal.seek(static_cast<std::int64_t>(recordsAt), platform::File::SeekFrom::Begin);
        std::string piece, folder;
        std::size_t index = 0, used = 0;
        for (;;) {
            piece.erase(0, used);
            const std::size_t kept = piece.size();
            piece.resize(kept + kPiece);
            piece.resize(kept + journal.read(piece.data() + kept, kPiece));
            bool damaged = false;
            used = forEachJournalMove(piece, 0, folder, damaged,
                                      [&](std::string_view folder, std::string_view oldName, std::string_view newName,
                                          const std::optional<platform::FileId>& id) {
                                          if (index < made.size() && made[index]) each(folder, oldName, newName, id);
                                          ++index;
                                      });
            if (damaged || piece.size() == kept) break;  // the end of the records
        }
    };
    // The head gives the size of the entries: told by the run, or learnt in a first pass over
    // the records. The second writes.
    MadeEntries entries{0, 0};
    if (known) {
        entries = *known;
    } else {
        forEachMade([&](std::string_view folder, std::string_view oldName, std::string_view newName,
                        const std::optional<platform::FileId>&) {
            entries.bytes += compactEntrySize(folder, newName, oldName);
            ++entries.count;
        });
    }
    struct NotAsTold {};
    try {
        writeDatabaseFile(paths, name, [&](platform::File& file) {
            UndoDatabaseLayout layout(entries.count, entries.bytes);
            MadeEntries written{0, 0};
            forEachMade([&](std::string_view folder, std::string_view oldName, std::string_view newName,
                            const std::optional<platform::FileId>& id) {
                written.bytes += compactEntrySize(folder, newName, oldName);
                ++written.count;
                layout.addEntry(folder, newName, oldName, id);
                layout.writeWhenFull(file);
            });
            // A head that did not tell the truth would make the database unreadable.
            if (written.count != entries.count || written.bytes != entries.bytes) throw NotAsTold{};
            layout.endEntries();
            layout.bytes() += head->ruleSection;
            layout.write(file);
        });
    } catch (const NotAsTold&) {
        return writeDatabaseFromJournal(paths, name, journalPath, recordsAt, made);
    }
    return entries.count;
}

}  // namespace core

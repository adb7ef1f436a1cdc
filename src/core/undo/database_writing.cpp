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
                                     std::uint64_t recordsAt, const std::vector<bool>& made) {
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
    // A first pass over the records tells the size of the entries, which the head gives; the
    // second writes.
    std::uint64_t entryBytes = 0;
    std::size_t count = 0;
    forEachMade([&](std::string_view folder, std::string_view oldName, std::string_view newName,
                    const std::optional<platform::FileId>&) {
        entryBytes += compactEntrySize(folder, newName, oldName);
        ++count;
    });
    writeDatabaseFile(paths, name, [&](platform::File& file) {
        UndoDatabaseLayout layout(count, entryBytes);
        forEachMade([&](std::string_view folder, std::string_view oldName, std::string_view newName,
                        const std::optional<platform::FileId>& id) {
            layout.addEntry(folder, newName, oldName, id);
            layout.writeWhenFull(file);
        });
        layout.endEntries();
        layout.bytes() += head->ruleSection;
        layout.write(file);
    });
    return count;
}

}  // namespace core

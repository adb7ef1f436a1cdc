#include <algorithm>
#include <string_view>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/undo/undo_catalog.h"
#include "fuzz/fuzz_targets.h"

using fuzzing::check;

namespace {

bool isFormatError(const BRAXEN::braxen_Exception& error) {
    return error.cause() == 114 || error.cause() == 115 || error.cause() == 116;
}

std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace

namespace {

int checkUndoDatabase(const std::uint8_t* data, std::size_t size);

// A database of the checked version whose checksum is made right: what lies behind the checksum
// is read and checked too, as a database damaged before it was summed would be.
void checkBehindTheChecksum(const std::uint8_t* data, std::size_t size) {
    using namespace core;
    const std::string_view bytes = bytesOf(data, size);
    UndoDatabaseHead head;
    try {
        head = parseUndoDatabaseHead(bytes.substr(0, std::min<std::size_t>(size, kUndoCompactHeadSize)), size);
    } catch (const BRAXEN::braxen_Exception&) {
        return;
    }
    if (head.version != kUndoCheckedVersion) return;
    const std::size_t at = static_cast<std::size_t>(head.rulesAt - 4);
    const std::uint32_t sum = crc32(bytes.substr(0, at));
    if (u32At(bytes, at) != sum) {
        // Refused as it is, whatever its entries hold.
        bool refused = false;
        try {
            UndoDatabaseReader reader(bytes);
        } catch (const BRAXEN::braxen_Exception& error) {
            refused = isFormatError(error);
        }
        check(refused);
    }
    std::string fixed(bytes);
    std::string le;
    appendLittle(le, sum, 4);
    fixed.replace(at, 4, le);
    checkUndoDatabase(reinterpret_cast<const std::uint8_t*>(fixed.data()), fixed.size());
}

}  // namespace

int fuzzUndoDatabase(const std::uint8_t* data, std::size_t size) {
    checkBehindTheChecksum(data, size);
    return checkUndoDatabase(data, size);
}

namespace {

int checkUndoDatabase(const std::uint8_t* data, std::size_t size) {
    using namespace core;
    static const AppPaths paths = AppPaths::in(fuzzing::scratchFolder());
    static const bool made = platform::createFolder(paths.undoFolder());
    (void)made;
    static const std::string name = "FUZZEDDBXXXX";
    fuzzing::writeInput(paths.undoFolder() + name, data, size);

    DatabaseProperties properties;
    try {
        loadDatabaseProperties(nullptr, paths, name, properties);
    } catch (const BRAXEN::braxen_Exception& error) {
        check(isFormatError(error));
    }
    std::vector<UndoEntry> entries;
    try {
        readUndoDatabase(paths.undoFolder() + name, entries);
    } catch (const BRAXEN::braxen_Exception& error) {
        check(isFormatError(error));
        return 0;
    }
    // What was accepted is written back as the retry of an undo writes it, and reads the same.
    const UndoDatabaseContent content = parseUndoDatabase(bytesOf(data, size));
    check(content.entries == entries);
    // Read from the end a few at a time, as undo reads, they are the same entries.
    UndoDatabaseReader reader(bytesOf(data, size));
    std::string piece;
    for (std::uint32_t end = reader.head().count; end > 0;) {
        const std::uint32_t first = end - std::min<std::uint32_t>(end, 3);
        reader.read(first, end, piece);
        for (std::uint32_t i = first; i < end; ++i) {
            const UndoEntry entry = reader.entry(piece, i - first);
            check(entry == entries[i] && entry.id == entries[i].id);
        }
        end = first;
    }
    bool fits = true;
    for (const UndoEntry& entry : entries) {
        isSafeUndoEntry(entry);
        fits = fits && fitsUndoRecord(entry.folder, entry.newName, entry.oldName);
    }
    const UndoDatabaseContent again = parseUndoDatabase(formatUndoDatabase(entries, content.ruleSection));
    check(again.entries.size() == entries.size() && again.ruleSection == content.ruleSection);
    if (fits) check(again.entries == entries);
    return 0;
}

}  // namespace

int fuzzUndoIndex(const std::uint8_t* data, std::size_t size) {
    using namespace core;
    std::vector<IndexEntry> list;
    try {
        list = parseIndex(bytesOf(data, size));
    } catch (const BRAXEN::braxen_Exception& error) {
        check(error.cause() == 115 || error.cause() == 116);
        return 0;
    }
    check(list.size() == (size == 0 ? 0 : (size - kIndexHeaderSize) / kIndexEntrySize));
    // A rewrite keeps every entry, with its name and as much of its description as a slot holds.
    const std::vector<IndexEntry> again = parseIndex(formatIndex(list));
    check(again.size() == list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        check(again[i].name == list[i].name);
        check(list[i].description.compare(0, again[i].description.size(), again[i].description) == 0);
        if (isDatabaseName(list[i].name))
            check(list[i].name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
    }
    return 0;
}

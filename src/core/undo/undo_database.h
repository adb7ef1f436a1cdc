// The undo database of one rename run: every file it renamed, in rename order, with the filters it
// applied. The run's journal (journal.h) becomes one when the run ends, or at the next start when
// the run died, and it is registered in the undo index.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/app_paths.h"
#include "core/persist/binary_io.h"
#include "core/rules/rule.h"
#include "platform/files.h"

namespace core {

class PluginManager;

// The start of the temporary name a ring of new names goes round through: a file moved to it and
// then from it is one file renamed, however many records it takes.
inline constexpr const char* kTemporaryPrefix = ".cw-swap-";
inline bool isTemporaryName(std::string_view name) {
    return name.size() == 21 && name.compare(0, 9, kTemporaryPrefix) == 0;
}

inline constexpr const char* kUndoHeaderText = "Calderwynstrope - UNDO Database";
// Entry slots: version 1 holds paths and names of up to 259 bytes, as the file has always been
// laid out; version 2, written only when a folder or name is longer, holds up to 1039. Versions 3
// and 4 are 1 and 2 with the identity of the file moved after each entry's three slots (flags
// (u32, bit 0: known), zero (u32), volume (u64), file index (u64), little-endian): undo moves a
// file back only when it is still that file. All four are still read; none is written any more.
inline constexpr std::size_t kUndoSlotVersion1 = 260;
inline constexpr std::size_t kUndoSlotVersion2 = 1040;
inline constexpr std::size_t kUndoIdentitySize = 24;
// Version 5, the one written now, holds each entry in the bytes it needs, where the fixed slots
// made a database of a hundred thousand files 80 MB of mostly zeros, written and synced at the
// end of every run:
//   head     stamp, version, header text and count as before, then where the entry table starts
//            (u64)
//   entries  flags (u8, bit 0: the identity is known), volume (u64), file index (u64), then the
//            folder, the new name and the old name, each as its length (u16, at most 4096) and its
//            bytes (no zero among them)
//   table    where each entry starts (u64 each, in order): undo reads from the end, a batch at a
//            time, without reading what comes before
//   filters  the Rule section, as in every version
// Version 6, the one written now, is version 5 with the file's birth stamp (u64, 0 when none)
// after each entry's file index, and a CRC-32 (u32) of every byte from the stamp to the end of
// the entry table after the table: a database damaged on the disk is found so before undo moves
// anything by it, whichever bit was hit, the identity's flag too.
// Version 7 is version 6 for a run that made folders, moved files into them or removed the folders
// it emptied. Each entry's flags byte says more: bits 1 and 2 the entry's kind (0 a move, 1 a
// folder made, 2 a folder removed), bit 3 that the new folder follows the old name, as its length
// (u16) and bytes. An entry that uses neither takes the bytes it takes in version 6, and a run
// that uses neither is written as version 6, byte for byte as before; 7 only otherwise.
inline constexpr std::uint32_t kUndoCompactVersion = 5;
inline constexpr std::uint32_t kUndoCheckedVersion = 6;
inline constexpr std::uint32_t kUndoFoldersVersion = 7;
inline constexpr std::size_t kUndoCompactHeadSize = 8 + 64 + 4 + 8;
// Whether a database of `version` holds its entries in the bytes they need (5 to 7).
inline bool isCompactVersion(std::uint32_t version) {
    return version >= kUndoCompactVersion && version <= kUndoFoldersVersion;
}
// Whether a database of `version` ends its entry table with a checksum (6 and 7).
inline bool isCheckedVersion(std::uint32_t version) {
    return version == kUndoCheckedVersion || version == kUndoFoldersVersion;
}

struct UndoEntry {
    // What the run did. A run that moves files into folders makes folders before the moves into
    // them and removes the folders it emptied after the moves out of them; undo, going last-first,
    // makes the removed ones again before it moves files back into them, and removes the made ones
    // after it has moved files out of them, when they are empty.
    enum class Kind : std::uint8_t {
        Move,           // a file from folder + oldName to (newFolder or folder) + newName
        FolderMade,     // the folder folder + newName was made (oldName is empty)
        FolderRemoved,  // the empty folder folder + oldName was removed (newName is empty)
    };

    UndoEntry() = default;
    UndoEntry(std::string folder, std::string newName, std::string oldName,
              std::optional<platform::FileId> id = std::nullopt)
        : folder(std::move(folder)), newName(std::move(newName)), oldName(std::move(oldName)), id(id) {}

    std::string folder;  // as the rename received it, ending with the separator
    std::string newName;
    std::string oldName;
    // The file that was moved, taken from it just before the move; nothing for entries written
    // before identities were recorded, which are undone without the check. For a folder made,
    // the folder's identity once made; for a folder removed, the identity it had.
    std::optional<platform::FileId> id;
    // A move into another folder: that folder, absolute and ending with the separator; empty for
    // a move within `folder`, as every entry written before folders were made is.
    std::string newFolder;
    Kind kind = Kind::Move;

    // The folder the file is in after the move.
    const std::string& movedTo() const { return newFolder.empty() ? folder : newFolder; }

    // A folder made or removed, not a file moved.
    bool isFolderEntry() const { return kind != Kind::Move; }
    // Whether the entry needs version 7: a folder's, or a move into another folder.
    bool usesFolders() const { return usesFolders(kind, newFolder); }
    // The same for an entry of `kind` moving into `newFolder` (empty: within its folder).
    static bool usesFolders(Kind kind, std::string_view newFolder) { return kind != Kind::Move || !newFolder.empty(); }

    // The same move of names; which file it moved is not compared.
    bool operator==(const UndoEntry& other) const {
        return kind == other.kind && folder == other.folder && newName == other.newName && oldName == other.oldName &&
               movedTo() == other.movedTo();
    }
};

// The bytes of one entry in a database of `version` (1 to 4), or 0 for a version this program
// does not know or whose entries have no fixed size (5 and 6).
std::size_t undoEntrySize(std::uint32_t version);
// Where the entries of a database of version 1 to 4 start: after the stamp, version, header text
// and count.
std::size_t undoEntriesOffset();
// One entry from its bytes (undoEntrySize(version) of them; for versions 5 and 6, exactly the
// entry's). Raises braxen_Exception invalidFormat for such an entry whose bytes do not add up.
UndoEntry parseUndoEntry(std::string_view bytes, std::uint32_t version);
// The bytes an entry takes in the database version written now; a move into another folder takes
// the new folder's too.
std::uint64_t compactEntrySize(std::string_view folder, std::string_view newName, std::string_view oldName,
                               std::string_view newFolder = {});
std::uint64_t compactEntrySize(const UndoEntry& entry);

// What the first bytes of a database say (kUndoCompactHeadSize of them, or all there are),
// checked against the file's size, so that a reader can take the entries a piece at a time.
// Raises braxen_Exception invalidFormat or unknownVersion as parseUndoDatabase does.
struct UndoDatabaseHead {
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    std::size_t entrySize = 0;  // 0 for versions 5 to 7
    std::uint64_t tableAt = 0;  // versions 5 and 6: where the entry table starts
    std::uint64_t rulesAt = 0;  // where the Rule section starts
};
UndoDatabaseHead parseUndoDatabaseHead(std::string_view bytes, std::uint64_t fileSize);

// An undo database read a piece at a time, from a file or from bytes in memory: a million
// entries take some 150 MB (800 MB in the fixed slots of versions 1 to 4). A database of version 5
// or 6 is checked whole when it is opened (version 6 against its checksum too), so that no entry
// found damaged halfway through an undo stops it. Raises braxen_Exception invalidFormat or unknownVersion for what is
// not an undo database, and the platform's file error.
class UndoDatabaseReader {
public:
    explicit UndoDatabaseReader(const std::string& path);
    explicit UndoDatabaseReader(std::string_view bytes);
    const UndoDatabaseHead& head() const { return head_; }
    std::uint64_t size() const { return size_; }

    // Reads entries [first, end), which entry() then gives.
    void read(std::uint32_t first, std::uint32_t end, std::string& bytes);
    // Entry `first + at` of the last read().
    UndoEntry entry(std::string_view bytes, std::uint32_t at) const;
    // Calls each(index, entry) for every entry in order.
    template <typename Each>
    void forEach(Each each) {
        const std::uint32_t perPiece = entriesPerPiece();
        std::string bytes;
        for (std::uint32_t first = 0; first < head_.count; first += std::min(perPiece, head_.count - first)) {
            const std::uint32_t end = first + std::min(perPiece, head_.count - first);
            read(first, end, bytes);
            for (std::uint32_t i = first; i < end; ++i) each(i, entry(bytes, i - first));
        }
    }
    // Writes the Rule section, as it is, to `out`.
    void copyRules(platform::File& out);
    // The Rule section.
    std::string rules();

private:
    void open();
    std::uint32_t entriesPerPiece() const;
    // `size` bytes from `at`; raises when the source ends first.
    void fetch(std::uint64_t at, std::size_t size, std::string& bytes);

    platform::File file_;
    std::string_view memory_;
    bool inMemory_ = false;
    std::uint64_t size_ = 0;
    UndoDatabaseHead head_;
    std::vector<std::size_t> starts_;  // versions 5, 6: where each entry of the last read() starts, and its end
};

// "3/7/99 9:05:02": month/day/two-digit year, hours:minutes:seconds, 24-hour clock.
std::string shortDateTime(const std::tm& time);
// "Sunday, March 07, 1999 9:05:02", in English.
std::string longDateTime(const std::tm& time);

// Twelve capital letters.
std::string makeDatabaseName(std::mt19937& random);

// True when a rename of `oldName` to `newName` in `folder` (ending with its separator), or into
// `newFolder` when that is given, can be recorded whole: each text fits an entry slot (at most
// 1039 bytes). A rename that does not fit must not be made, since a record cut short would undo a
// different file.
bool fitsUndoRecord(const std::string& folder, const std::string& newName, const std::string& oldName,
                    const std::string& newFolder = {});
bool fitsUndoRecord(const UndoEntry& entry);

// True when an entry can only ever do what its kind says in the folders it names: each folder
// (its own, and a move's new folder when it has one) is absolute, ends with a separator and holds
// no "." or ".." step; a move's two names are single names (not empty, no separator, not "." or
// ".."); a folder made has a single new name and no old one, a folder removed a single old name
// and no new one. Undo refuses any other entry of a damaged or crafted database.
bool isSafeUndoEntry(const UndoEntry& entry);

// The description a run recovered from its journal gets in the index, which knows only how many
// files were renamed: "3/7/99 9:05:02 - 14 file(s) renamed.".
std::string undoDescription(std::time_t when, std::size_t count);

// What a run made of its files: the description of a finished run counts them apart.
struct RunCounts {
    std::size_t renamed = 0, unchanged = 0, failed = 0;
};
// "3 files renamed, 35 unchanged, 2 failed".
std::string countsText(const RunCounts& counts);
// "3/7/99 9:05:02 - 3 files renamed, 35 unchanged, 2 failed.": a database written from here on;
// those in the index keep the description they were given.
std::string undoDescription(std::time_t when, const RunCounts& counts);

// A database file's bytes taken apart: its entries, and the Rule section as it is, which is
// written back unchanged when the database is rewritten (no plug-in is needed for that). Raises
// braxen_Exception invalidFormat or unknownVersion for bytes that are not an undo database.
struct UndoDatabaseContent {
    std::vector<UndoEntry> entries;
    std::string ruleSection;
};
UndoDatabaseContent parseUndoDatabase(std::string_view bytes);
// The bytes of a database holding `entries` followed by `ruleSection`, in version 6 (7 when an
// entry uses folders).
std::string formatUndoDatabase(const std::vector<UndoEntry>& entries, std::string_view ruleSection);
// Writes the same bytes to `file`, a block at a time.
void writeUndoDatabase(platform::File& file, const std::vector<UndoEntry>& entries, std::string_view ruleSection);

// The bytes of a version 6 (or 7) database laid out one entry at a time, for a writer that does
// not hold its entries in a list: the head first, then each entry, then (endEntries) the table of
// where they start and the checksum; the caller appends the Rule section to bytes() and writes
// them out whenever it likes.
class UndoDatabaseLayout {
public:
    // `entryBytes`: the sum of compactEntrySize over the `count` entries to come; `usesFolders`:
    // whether any of them does (version 7).
    UndoDatabaseLayout(std::size_t count, std::uint64_t entryBytes, bool usesFolders = false);
    void addEntry(std::string_view folder, std::string_view newName, std::string_view oldName,
                  const std::optional<platform::FileId>& id);
    // Any entry; one that uses folders only in a layout told so (else std::logic_error).
    void addEntry(const UndoEntry& entry);
    // The same from the entry's parts, where they are not held as an UndoEntry.
    void addEntry(UndoEntry::Kind kind, std::string_view folder, std::string_view newName, std::string_view oldName,
                  const std::optional<platform::FileId>& id, std::string_view newFolder);
    // After the last entry.
    void endEntries();
    std::string& bytes() { return bytes_; }
    // Writes what is laid out to `file` and forgets it.
    void write(platform::File& file) {
        if (!ended_) crc_ = crc32(bytes_, crc_);
        file.write(bytes_.data(), bytes_.size());
        bytes_.clear();
    }
    // The same once a megabyte is laid out.
    void writeWhenFull(platform::File& file) {
        if (bytes_.size() >= kPiece) write(file);
    }

private:
    void add(std::string_view folder, std::string_view newName, std::string_view oldName,
             const std::optional<platform::FileId>& id, UndoEntry::Kind kind, std::string_view newFolder);

    static constexpr std::size_t kPiece = std::size_t{1} << 20;
    bool usesFolders_;
    std::uint64_t at_;  // where the next entry starts in the file
    std::vector<std::uint64_t> starts_;
    std::string bytes_;
    std::uint32_t crc_ = 0;  // of the bytes written out so far
    bool ended_ = false;
};

// The entries of the database at `path`, replacing what `entries` held. Raises braxen_Exception
// invalidFormat or unknownVersion for a file that is not an undo database. Names come back exactly as they were
// recorded.
void readUndoDatabase(const std::string& path, std::vector<UndoEntry>& entries);

struct DatabaseProperties {
    std::uint64_t size = 0;
    std::time_t created = 0;
    std::uint32_t count = 0;
    std::uint32_t verified = 0;  // entries that carry the identity of their file
    std::uint32_t folders = 0;   // of `count`, the entries of folders made or removed (no file's)
    std::uint32_t version = 0;
    std::string header;
    std::string folder;  // the folder the run renamed in: the one every entry's folders lie in
    RuleList rules;
};

// "14 entries", as a database was always described; for one of a run that made or removed
// folders, "12 files, 2 folders made or removed".
std::string entryCountText(const DatabaseProperties& properties);
// How an entry's kind is named in the command line's JSON: "move", "folderMade", "folderRemoved".
const char* entryKindName(UndoEntry::Kind kind);

// The longest folder path both folder paths (each ending with a separator) start with; empty for
// none.
std::string commonFolder(std::string_view a, std::string_view b);

// The header, entry count and filters of database `name`, with its file's size and creation
// time. False when the file cannot be opened or has no stamp; the Rule section raises pluginMissing,
// invalidFormat or unknownVersion.
bool loadDatabaseProperties(const PluginManager* plugins, const AppPaths& paths, const std::string& name,
                            DatabaseProperties& properties);

}  // namespace core

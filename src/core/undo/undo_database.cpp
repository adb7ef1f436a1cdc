#include "core/undo/undo_database.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "core/base/strings.h"
#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace core {

using BRAXEN::braxen_Exception;

namespace {

std::size_t slotFor(std::uint32_t version) {
    return version == 1 || version == 3 ? kUndoSlotVersion1 : kUndoSlotVersion2;
}

bool hasIdentities(std::uint32_t version) {
    return version == 3 || version == 4;
}

// A text slot: the text (cut at a character boundary when it does not fit), then zeros.
void appendSlot(std::string& bytes, std::string_view text, std::size_t width) {
    const std::size_t at = bytes.size();
    bytes += text.substr(0, platform::utf8::boundaryAtOrBefore(text, width));
    bytes.resize(at + width, '\0');
}

std::string slotText(std::string_view slot) {
    return std::string(slot.substr(0, std::min(slot.find('\0'), slot.size())));
}

// One step of a path that undo must not take: it would leave the recorded folder.
bool isDotStep(std::string_view step) {
    return step == "." || step == "..";
}

bool isSingleName(const std::string& name) {
    return !name.empty() && !isDotStep(name) &&
           std::none_of(name.begin(), name.end(), [](char c) { return platform::isPathSeparator(c); });
}

}  // namespace

std::string shortDateTime(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%02d %d:%02d:%02d", t.tm_mon + 1, t.tm_mday, (t.tm_year + 1900) % 100,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string longDateTime(const std::tm& t) {
    static const char* const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    char text[96];
    std::snprintf(text, sizeof text, "%s, %s %02d, %d %d:%02d:%02d", days[(t.tm_wday % 7 + 7) % 7],
                  months[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string makeDatabaseName(std::mt19937& random) {
    std::uniform_int_distribution<int> letter(0, 25);
    std::string name;
    for (int i = 0; i < 12; ++i) name += static_cast<char>('A' + letter(random));
    return name;
}

bool fitsUndoRecord(const std::string& folder, const std::string& newName, const std::string& oldName,
                    const std::string& newFolder) {
    return folder.size() < kUndoSlotVersion2 && newName.size() < kUndoSlotVersion2 &&
           oldName.size() < kUndoSlotVersion2 && newFolder.size() < kUndoSlotVersion2;
}

bool fitsUndoRecord(const UndoEntry& entry) {
    return fitsUndoRecord(entry.folder, entry.newName, entry.oldName, entry.newFolder);
}

namespace {

bool isSafeFolder(const std::string& folder) {
    if (!platform::isAbsolutePath(folder) || !platform::isPathSeparator(folder.back())) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (!platform::isPathSeparator(folder[i])) continue;
        if (isDotStep(std::string_view(folder).substr(start, i - start))) return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

bool isSafeUndoEntry(const UndoEntry& entry) {
    switch (entry.kind) {
        case UndoEntry::Kind::Move:
            if (!isSingleName(entry.newName) || !isSingleName(entry.oldName)) return false;
            if (!entry.newFolder.empty() && !isSafeFolder(entry.newFolder)) return false;
            break;
        case UndoEntry::Kind::FolderMade:
            if (!isSingleName(entry.newName) || !entry.oldName.empty() || !entry.newFolder.empty()) return false;
            break;
        case UndoEntry::Kind::FolderRemoved:
            if (!isSingleName(entry.oldName) || !entry.newName.empty() || !entry.newFolder.empty()) return false;
            break;
        default:
            return false;
    }
    return isSafeFolder(entry.folder);
}

std::string undoDescription(std::time_t when, std::size_t count) {
    return formatString(IDS_UNDO_DESCRIPTION,
                        {shortDateTime(platform::localTime(when)), static_cast<std::int64_t>(count)});
}

std::string countsText(const RunCounts& counts) {
    return std::to_string(counts.renamed) + (counts.renamed == 1 ? " file renamed, " : " files renamed, ") +
           std::to_string(counts.unchanged) + " unchanged, " + std::to_string(counts.failed) + " failed";
}

std::string undoDescription(std::time_t when, const RunCounts& counts) {
    return shortDateTime(platform::localTime(when)) + " - " + countsText(counts) + ".";
}

std::size_t undoEntrySize(std::uint32_t version) {
    if (version < 1 || version > 4) return 0;
    return 3 * slotFor(version) + (hasIdentities(version) ? kUndoIdentitySize : 0);
}

std::size_t undoEntriesOffset() {
    return 8 + kHeaderSlot + 4;
}

namespace {

constexpr std::size_t kCompactFixed = 1 + 16 + 3 * 2;     // flags, identity, three lengths
constexpr std::size_t kCheckedFixed = kCompactFixed + 8;  // and the birth stamp
std::size_t fixedSizeOf(std::uint32_t version) {
    return isCheckedVersion(version) ? kCheckedFixed : kCompactFixed;
}
// Version 7's flags: the identity is known, the kind, the new folder follows.
constexpr unsigned kIdentityFlag = 1, kKindShift = 1, kKindMask = 3u << kKindShift, kNewFolderFlag = 8;
// No text is longer: a run records texts below the wide slot's size, and a database of an earlier
// version, rewritten, holds at most a wide slot of legacy text, which is at most three times as
// long in UTF-8. A reader of damaged bytes never takes more than this for one entry.
constexpr std::size_t kCompactTextMax = 4096;
constexpr std::size_t kCompactEntryMax = kCheckedFixed + 2 + 4 * kCompactTextMax;

UndoEntry parseCompactEntry(std::string_view bytes, std::uint32_t version) {
    const auto bad = [] { return braxen_Exception(braxen_Exception::invalidFormat); };
    const bool stamped = isCheckedVersion(version);
    if (bytes.size() < fixedSizeOf(version)) throw bad();
    const auto flags = static_cast<unsigned char>(bytes[0]);
    const bool folders = version == kUndoFoldersVersion;
    // Before version 7 the other bits meant nothing and were never looked at; in 7 a bit or a kind
    // this program does not know is damage.
    if (folders && ((flags & ~(kIdentityFlag | kKindMask | kNewFolderFlag)) != 0 || (flags & kKindMask) == kKindMask)) {
        throw bad();
    }
    std::size_t at = stamped ? 25 : 17;
    std::string texts[4];
    const std::size_t textCount = folders && (flags & kNewFolderFlag) ? 4 : 3;
    for (std::size_t i = 0; i < textCount; ++i) {
        std::string& text = texts[i];
        if (bytes.size() - at < 2) throw bad();
        const std::size_t length = littleAt(bytes, at, 2);
        at += 2;
        if (length > kCompactTextMax || bytes.size() - at < length) throw bad();
        const std::string_view raw = bytes.substr(at, length);
        if (raw.find('\0') != std::string_view::npos) throw bad();  // no name holds one
        text = platform::nameFromRecord(std::string(raw));
        at += length;
    }
    if (at != bytes.size()) throw bad();
    UndoEntry entry{std::move(texts[0]), std::move(texts[1]), std::move(texts[2]), std::nullopt};
    if (folders) {
        entry.kind = static_cast<UndoEntry::Kind>((flags & kKindMask) >> kKindShift);
        entry.newFolder = std::move(texts[3]);
        // A flag saying a folder follows is for one that is there.
        if ((flags & kNewFolderFlag) && entry.newFolder.empty()) throw bad();
    }
    if (bytes[0] & 1) {
        entry.id = platform::FileId{littleAt(bytes, 1, 8), littleAt(bytes, 9, 8), stamped ? littleAt(bytes, 17, 8) : 0};
    }
    return entry;
}

// A text as an entry holds it: whole, as every text this program gives it is.
std::string_view compactText(std::string_view text) {
    return text.size() <= kCompactTextMax ? text
                                          : text.substr(0, platform::utf8::boundaryAtOrBefore(text, kCompactTextMax));
}

}  // namespace

std::uint64_t compactEntrySize(std::string_view folder, std::string_view newName, std::string_view oldName,
                               std::string_view newFolder) {
    return kCheckedFixed + compactText(folder).size() + compactText(newName).size() + compactText(oldName).size() +
           (newFolder.empty() ? 0 : 2 + compactText(newFolder).size());
}

std::uint64_t compactEntrySize(const UndoEntry& entry) {
    return compactEntrySize(entry.folder, entry.newName, entry.oldName, entry.newFolder);
}

UndoEntry parseUndoEntry(std::string_view bytes, std::uint32_t version) {
    if (isCompactVersion(version)) return parseCompactEntry(bytes, version);
    const std::size_t slot = slotFor(version);
    const auto text = [&](std::size_t index) {
        return platform::nameFromRecord(slotText(bytes.substr(index * slot, slot)));
    };
    UndoEntry entry{text(0), text(1), text(2), std::nullopt};
    if (hasIdentities(version) && (u32At(bytes, 3 * slot) & 1)) {
        entry.id = platform::FileId{littleAt(bytes, 3 * slot + 8, 8), littleAt(bytes, 3 * slot + 16, 8)};
    }
    return entry;
}

UndoDatabaseHead parseUndoDatabaseHead(std::string_view bytes, std::uint64_t fileSize) {
    const std::size_t entriesAt = undoEntriesOffset();
    if (bytes.size() < 4 || u32At(bytes, 0) != 1) throw braxen_Exception(braxen_Exception::invalidFormat);
    if (bytes.size() < 8) throw braxen_Exception(braxen_Exception::invalidFormat);
    UndoDatabaseHead head;
    head.version = u32At(bytes, 4);
    head.entrySize = undoEntrySize(head.version);
    if (head.entrySize == 0 && !isCompactVersion(head.version)) {
        throw braxen_Exception(braxen_Exception::unknownVersion);
    }
    if (bytes.size() < entriesAt || fileSize < entriesAt || slotText(bytes.substr(8, kHeaderSlot)) != kUndoHeaderText) {
        throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    head.count = u32At(bytes, 8 + kHeaderSlot);
    if (isCompactVersion(head.version)) {
        if (bytes.size() < kUndoCompactHeadSize || fileSize < kUndoCompactHeadSize) {
            throw braxen_Exception(braxen_Exception::invalidFormat);
        }
        head.tableAt = littleAt(bytes, entriesAt, 8);
        // The table (and its checksum), and every entry's smallest size, within the file.
        const std::uint64_t checksum = isCheckedVersion(head.version) ? 4 : 0;
        if (head.tableAt < kUndoCompactHeadSize + std::uint64_t{head.count} * fixedSizeOf(head.version) ||
            head.tableAt > fileSize || std::uint64_t{head.count} * 8 + checksum > fileSize - head.tableAt) {
            throw braxen_Exception(braxen_Exception::invalidFormat);
        }
        head.rulesAt = head.tableAt + std::uint64_t{head.count} * 8 + checksum;
        return head;
    }
    // A count that runs past the end of the file is a damaged file, not a reason to read on.
    if (std::uint64_t{head.count} * head.entrySize > fileSize - entriesAt) {
        throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    head.rulesAt = entriesAt + std::uint64_t{head.count} * head.entrySize;
    return head;
}

UndoDatabaseReader::UndoDatabaseReader(const std::string& path) : file_(path, platform::File::Mode::Read) {
    size_ = file_.length();
    open();
}

UndoDatabaseReader::UndoDatabaseReader(std::string_view bytes) : memory_(bytes), inMemory_(true) {
    size_ = bytes.size();
    open();
}

void UndoDatabaseReader::open() {
    std::string head;
    fetch(0, static_cast<std::size_t>(std::min<std::uint64_t>(size_, kUndoCompactHeadSize)), head);
    head_ = parseUndoDatabaseHead(head, size_);
    if (isCheckedVersion(head_.version)) {
        // Every byte up to the checksum, a megabyte at a time.
        const std::uint64_t end = head_.rulesAt - 4;
        std::uint32_t crc = 0;
        std::string piece;
        for (std::uint64_t at = 0; at < end; at += piece.size()) {
            fetch(at, static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{1} << 20, end - at)), piece);
            crc = crc32(piece, crc);
        }
        fetch(end, 4, piece);
        if (u32At(piece, 0) != crc) throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    // Every entry of a compact database is looked at once now, so that damage shows before any
    // file is moved rather than in the middle of an undo.
    if (isCompactVersion(head_.version)) forEach([](std::uint32_t, const UndoEntry&) {});
}

std::uint32_t UndoDatabaseReader::entriesPerPiece() const {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    // A piece of compact entries is at most a few megabytes, whatever the table says.
    if (head_.entrySize == 0) return 256;
    return static_cast<std::uint32_t>(std::max<std::size_t>(1, kPiece / head_.entrySize));
}

void UndoDatabaseReader::fetch(std::uint64_t at, std::size_t size, std::string& bytes) {
    // Shorter than its head said: damaged, or changed under us, which no reader of ours does.
    const auto shortened = [&]() -> void {
        if (inMemory_) throw braxen_Exception(braxen_Exception::invalidFormat);
        throw platform::FileError(platform::FileError::invalidFile, 0, file_.path());
    };
    if (at > size_ || size > size_ - at) shortened();
    if (inMemory_) {
        bytes.assign(memory_.substr(static_cast<std::size_t>(at), size));
        return;
    }
    bytes.resize(size);
    file_.seek(static_cast<std::int64_t>(at), platform::File::SeekFrom::Begin);
    if (file_.read(bytes.data(), bytes.size()) != bytes.size()) shortened();
}

void UndoDatabaseReader::read(std::uint32_t first, std::uint32_t end, std::string& bytes) {
    if (!isCompactVersion(head_.version)) {
        return fetch(undoEntriesOffset() + std::uint64_t{first} * head_.entrySize,
                     std::size_t{end - first} * head_.entrySize, bytes);
    }
    // Where entries [first, end] start (the end of the last is the table), each after the one
    // before it and no longer than an entry can be.
    std::string table;
    fetch(head_.tableAt + std::uint64_t{first} * 8, std::size_t{end - first} * 8, table);
    std::vector<std::uint64_t> at;
    at.reserve(end - first + 1);
    for (std::size_t i = 0; i < table.size(); i += 8) at.push_back(littleAt(table, i, 8));
    at.push_back(end == head_.count ? head_.tableAt : 0);
    if (end < head_.count) {
        fetch(head_.tableAt + std::uint64_t{end} * 8, 8, table);
        at.back() = littleAt(table, 0, 8);
    }
    for (std::size_t i = 0; i + 1 < at.size(); ++i) {
        if (at[i] < kUndoCompactHeadSize || at[i + 1] < at[i] || at[i + 1] - at[i] > kCompactEntryMax ||
            at[i + 1] > head_.tableAt) {
            throw braxen_Exception(braxen_Exception::invalidFormat);
        }
    }
    starts_.clear();
    for (const std::uint64_t start : at) starts_.push_back(static_cast<std::size_t>(start - at.front()));
    fetch(at.front(), static_cast<std::size_t>(at.back() - at.front()), bytes);
}

UndoEntry UndoDatabaseReader::entry(std::string_view bytes, std::uint32_t at) const {
    if (isCompactVersion(head_.version)) {
        return parseCompactEntry(bytes.substr(starts_[at], starts_[at + 1] - starts_[at]), head_.version);
    }
    return parseUndoEntry(bytes.substr(std::size_t{at} * head_.entrySize, head_.entrySize), head_.version);
}

void UndoDatabaseReader::copyRules(platform::File& out) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string bytes;
    for (std::uint64_t at = head_.rulesAt; at < size_; at += bytes.size()) {
        fetch(at, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size_ - at)), bytes);
        out.write(bytes.data(), bytes.size());
    }
}

std::string UndoDatabaseReader::rules() {
    std::string bytes;
    fetch(head_.rulesAt, static_cast<std::size_t>(size_ - head_.rulesAt), bytes);
    return bytes;
}

UndoDatabaseContent parseUndoDatabase(std::string_view bytes) {
    UndoDatabaseReader reader(bytes);
    UndoDatabaseContent content;
    content.entries.reserve(reader.head().count);
    reader.forEach([&](std::uint32_t, UndoEntry entry) { content.entries.push_back(std::move(entry)); });
    content.ruleSection = reader.rules();
    return content;
}

UndoDatabaseLayout::UndoDatabaseLayout(std::size_t count, std::uint64_t entryBytes, bool usesFolders)
    : usesFolders_(usesFolders), at_(kUndoCompactHeadSize) {
    appendLittle(bytes_, 1, 4);  // the stamp
    appendLittle(bytes_, usesFolders ? kUndoFoldersVersion : kUndoCheckedVersion, 4);
    appendSlot(bytes_, kUndoHeaderText, kHeaderSlot);
    appendLittle(bytes_, static_cast<std::uint32_t>(count), 4);
    appendLittle(bytes_, kUndoCompactHeadSize + entryBytes, 8);
    starts_.reserve(count);
}

void UndoDatabaseLayout::addEntry(std::string_view folder, std::string_view newName, std::string_view oldName,
                                  const std::optional<platform::FileId>& id) {
    add(folder, newName, oldName, id, UndoEntry::Kind::Move, {});
}

void UndoDatabaseLayout::addEntry(const UndoEntry& entry) {
    addEntry(entry.kind, entry.folder, entry.newName, entry.oldName, entry.id, entry.newFolder);
}

void UndoDatabaseLayout::addEntry(UndoEntry::Kind kind, std::string_view folder, std::string_view newName,
                                  std::string_view oldName, const std::optional<platform::FileId>& id,
                                  std::string_view newFolder) {
    // Version 6 has no room for it: written there, undo would take a folder's entry for a move.
    if (UndoEntry::usesFolders(kind, newFolder) && !usesFolders_)
        throw std::logic_error("an entry of folders in a version 6 layout");
    add(folder, newName, oldName, id, kind, newFolder);
}

void UndoDatabaseLayout::add(std::string_view folder, std::string_view newName, std::string_view oldName,
                             const std::optional<platform::FileId>& id, UndoEntry::Kind kind,
                             std::string_view newFolder) {
    starts_.push_back(at_);
    const std::size_t before = bytes_.size();
    unsigned flags = id ? kIdentityFlag : 0;
    flags |= static_cast<unsigned>(kind) << kKindShift;
    if (!newFolder.empty()) flags |= kNewFolderFlag;
    bytes_ += static_cast<char>(flags);
    appendLittle(bytes_, id ? id->volume : 0, 8);
    appendLittle(bytes_, id ? id->index : 0, 8);
    appendLittle(bytes_, id ? id->stamp : 0, 8);
    const auto appendText = [&](std::string_view text) {
        appendLittle(bytes_, text.size(), 2);
        bytes_ += text;
    };
    for (const std::string_view text : {compactText(folder), compactText(newName), compactText(oldName)}) {
        appendText(text);
    }
    if (!newFolder.empty()) appendText(compactText(newFolder));
    at_ += bytes_.size() - before;
}

void UndoDatabaseLayout::endEntries() {
    for (const std::uint64_t start : starts_) appendLittle(bytes_, start, 8);
    starts_.clear();
    starts_.shrink_to_fit();
    crc_ = crc32(bytes_, crc_);
    appendLittle(bytes_, crc_, 4);
    ended_ = true;
}

namespace {

std::uint64_t entryBytesOf(const std::vector<UndoEntry>& entries) {
    std::uint64_t total = 0;
    for (const UndoEntry& entry : entries) total += compactEntrySize(entry);
    return total;
}

bool anyUsesFolders(const std::vector<UndoEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const UndoEntry& entry) { return entry.usesFolders(); });
}

}  // namespace

std::string formatUndoDatabase(const std::vector<UndoEntry>& entries, std::string_view ruleSection) {
    UndoDatabaseLayout layout(entries.size(), entryBytesOf(entries), anyUsesFolders(entries));
    for (const UndoEntry& entry : entries) layout.addEntry(entry);
    layout.endEntries();
    layout.bytes() += ruleSection;
    return std::move(layout.bytes());
}

void writeUndoDatabase(platform::File& file, const std::vector<UndoEntry>& entries, std::string_view ruleSection) {
    UndoDatabaseLayout layout(entries.size(), entryBytesOf(entries), anyUsesFolders(entries));
    for (const UndoEntry& entry : entries) {
        layout.addEntry(entry);
        layout.writeWhenFull(file);
    }
    layout.endEntries();
    layout.bytes() += ruleSection;
    layout.write(file);
}

void readUndoDatabase(const std::string& path, std::vector<UndoEntry>& entries) {
    entries.clear();
    entries = parseUndoDatabase(readWholeFile(path)).entries;
}

std::string entryCountText(const DatabaseProperties& properties) {
    if (properties.folders == 0) return std::to_string(properties.count) + " entries";
    const std::uint32_t files = properties.count - properties.folders;
    return std::to_string(files) + (files == 1 ? " file, " : " files, ") + std::to_string(properties.folders) +
           (properties.folders == 1 ? " folder" : " folders") + " made or removed";
}

const char* entryKindName(UndoEntry::Kind kind) {
    switch (kind) {
        case UndoEntry::Kind::FolderMade:
            return "folderMade";
        case UndoEntry::Kind::FolderRemoved:
            return "folderRemoved";
        case UndoEntry::Kind::Move:
            break;
    }
    return "move";
}

std::string commonFolder(std::string_view a, std::string_view b) {
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
    // Back to the end of the last folder name both share.
    while (same > 0 && a[same - 1] != '\\' && a[same - 1] != '/') --same;
    return std::string(a.substr(0, same));
}

namespace {

// Takes one entry's folder into the folder every entry lies in.
void widenFolder(DatabaseProperties& properties, bool first, const std::string& folder) {
    properties.folder = first ? folder : commonFolder(properties.folder, folder);
}

// Reads past the fixed-size entries of a database of version 1 to 4, counting those that carry
// the identity of their file and finding the folder they all lie in.
void readFixedEntries(platform::File& file, DatabaseProperties& properties) {
    const std::size_t entrySize = undoEntrySize(properties.version);
    if (entrySize == 0) throw braxen_Exception(braxen_Exception::unknownVersion);
    const std::uint64_t entryBytes = std::uint64_t{properties.count} * entrySize;
    requireRemaining(file, entryBytes);
    // Read a piece at a time: a database of a million entries is some 800 MB.
    const std::size_t slot = slotFor(properties.version);
    const std::size_t perPiece = std::max<std::size_t>(1, (std::size_t{1} << 20) / entrySize);
    std::string piece;
    for (std::uint32_t done = 0; done < properties.count;) {
        const std::size_t n = std::min<std::size_t>(perPiece, properties.count - done);
        piece.resize(n * entrySize);
        if (file.read(piece.data(), piece.size()) != piece.size()) {
            throw braxen_Exception(braxen_Exception::invalidFormat);
        }
        for (std::size_t i = 0; i < n; ++i) {
            widenFolder(properties, done + i == 0,
                        platform::nameFromRecord(slotText(std::string_view(piece).substr(i * entrySize, slot))));
            if (hasIdentities(properties.version) && (u32At(piece, i * entrySize + 3 * slot) & 1)) {
                ++properties.verified;
            }
        }
        done += static_cast<std::uint32_t>(n);
    }
}

}  // namespace

bool loadDatabaseProperties(const PluginManager* plugins, const AppPaths& paths, const std::string& name,
                            DatabaseProperties& properties) {
    if (!isDatabaseName(name)) return false;  // not one of ours: no file to look at
    const std::string path = paths.undoFolder() + name;
    platform::File file;
    try {
        file.open(path, platform::File::Mode::Read);
    } catch (const platform::FileError&) {
        return false;
    }
    if (!checkStamp(file, 0)) return false;
    properties.version = static_cast<std::uint32_t>(readInt(file));
    properties.header = readText(file, kHeaderSlot);
    properties.count = static_cast<std::uint32_t>(readInt(file));
    properties.verified = 0;
    properties.folders = 0;
    properties.folder.clear();
    if (isCompactVersion(properties.version)) {
        file.close();
        UndoDatabaseReader reader(path);
        bool first = true;
        reader.forEach([&](std::uint32_t, const UndoEntry& entry) {
            const bool folderEntry = entry.isFolderEntry();
            properties.verified += entry.id && !folderEntry ? 1 : 0;
            properties.folders += folderEntry ? 1 : 0;
            widenFolder(properties, first, entry.folder);
            if (!entry.newFolder.empty()) widenFolder(properties, false, entry.newFolder);
            first = false;
        });
        file.open(path, platform::File::Mode::Read);
        file.seek(static_cast<std::int64_t>(reader.head().rulesAt), platform::File::SeekFrom::Begin);
    } else {
        readFixedEntries(file, properties);
    }
    FilterReader archive(plugins, file, file.position());
    properties.rules.clear();
    for (std::uint32_t i = 0; i < archive.count(); ++i) {
        Rule rule;
        archive.readRule(rule);
        properties.rules.push_back(std::move(rule));
    }
    file.close();
    const auto status = platform::fileStatus(path);
    properties.size = status ? status->size : 0;
    properties.created = status ? status->creationTime : 0;
    return true;
}

}  // namespace core

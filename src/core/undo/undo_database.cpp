#include "core/undo/undo_database.h"

#include <algorithm>
#include <cstdint>

#include "core/app/strings.h"
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

bool fitsUndoRecord(const std::string& folder, const std::string& newName, const std::string& oldName) {
    return folder.size() < kUndoSlotVersion2 && newName.size() < kUndoSlotVersion2 &&
           oldName.size() < kUndoSlotVersion2;
}

bool isSafeUndoEntry(const UndoEntry& entry) {
    if (!isSingleName(entry.newName) || !isSingleName(entry.oldName)) return false;
    const std::string& folder = entry.folder;
    if (!platform::isAbsolutePath(folder) || !platform::isPathSeparator(folder.back())) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (!platform::isPathSeparator(folder[i])) continue;
        if (isDotStep(std::string_view(folder).substr(start, i - start))) return false;
        start = i + 1;
    }
    return true;
}

std::string undoDescription(std::time_t when, std::size_t count) {
    return formatString(IDS_UNDO_DESCRIPTION,
                        {shortDateTime(platform::localTime(when)), static_cast<std::int64_t>(count)});
}

std::size_t undoEntrySize(std::uint32_t version) {
    if (version < 1 || version > 4) return 0;
    return 3 * slotFor(version) + (hasIdentities(version) ? kUndoIdentitySize : 0);
}

std::size_t undoEntriesOffset() {
    return 8 + kHeaderSlot + 4;
}

UndoEntry parseUndoEntry(std::string_view bytes, std::uint32_t version) {
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
    if (head.entrySize == 0) throw braxen_Exception(braxen_Exception::unknownVersion);
    if (bytes.size() < entriesAt || fileSize < entriesAt || slotText(bytes.substr(8, kHeaderSlot)) != kUndoHeaderText) {
        throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    head.count = u32At(bytes, 8 + kHeaderSlot);
    // A count that runs past the end of the file is a damaged file, not a reason to read on.
    if (std::uint64_t{head.count} * head.entrySize > fileSize - entriesAt) {
        throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    return head;
}

UndoDatabaseContent parseUndoDatabase(std::string_view bytes) {
    const UndoDatabaseHead head = parseUndoDatabaseHead(bytes, bytes.size());
    const std::uint32_t version = head.version;
    const std::size_t entrySize = head.entrySize;
    const std::uint64_t count = head.count;
    UndoDatabaseContent content;
    content.entries.reserve(static_cast<std::size_t>(count));
    std::size_t at = undoEntriesOffset();
    for (std::uint64_t i = 0; i < count; ++i, at += entrySize) {
        content.entries.push_back(parseUndoEntry(bytes.substr(at, entrySize), version));
    }
    content.ruleSection = std::string(bytes.substr(at));
    return content;
}

bool needsWideSlots(std::string_view text) {
    return text.size() >= kUndoSlotVersion1;
}

UndoDatabaseLayout::UndoDatabaseLayout(std::size_t count, bool wide)
    : slot_(wide ? kUndoSlotVersion2 : kUndoSlotVersion1) {
    appendLittle(bytes_, 1, 4);  // the stamp
    appendLittle(bytes_, wide ? 4 : 3, 4);
    appendSlot(bytes_, kUndoHeaderText, kHeaderSlot);
    appendLittle(bytes_, static_cast<std::uint32_t>(count), 4);
}

void UndoDatabaseLayout::addEntry(std::string_view folder, std::string_view newName, std::string_view oldName,
                                  const std::optional<platform::FileId>& id) {
    appendSlot(bytes_, folder, slot_);
    appendSlot(bytes_, newName, slot_);
    appendSlot(bytes_, oldName, slot_);
    appendLittle(bytes_, id ? 1 : 0, 4);
    appendLittle(bytes_, 0, 4);
    appendLittle(bytes_, id ? id->volume : 0, 8);
    appendLittle(bytes_, id ? id->index : 0, 8);
}

namespace {

// The classic layout unless some text would not fit its 260-byte slot.
bool wideFor(const std::vector<UndoEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const UndoEntry& entry) {
        return needsWideSlots(entry.folder) || needsWideSlots(entry.newName) || needsWideSlots(entry.oldName);
    });
}

}  // namespace

std::string formatUndoDatabase(const std::vector<UndoEntry>& entries, std::string_view ruleSection) {
    UndoDatabaseLayout layout(entries.size(), wideFor(entries));
    for (const UndoEntry& entry : entries) layout.addEntry(entry.folder, entry.newName, entry.oldName, entry.id);
    layout.bytes() += ruleSection;
    return std::move(layout.bytes());
}

void writeUndoDatabase(platform::File& file, const std::vector<UndoEntry>& entries, std::string_view ruleSection) {
    UndoDatabaseLayout layout(entries.size(), wideFor(entries));
    for (const UndoEntry& entry : entries) {
        layout.addEntry(entry.folder, entry.newName, entry.oldName, entry.id);
        layout.writeWhenFull(file);
    }
    layout.bytes() += ruleSection;
    layout.write(file);
}

void readUndoDatabase(const std::string& path, std::vector<UndoEntry>& entries) {
    entries.clear();
    entries = parseUndoDatabase(readWholeFile(path)).entries;
}

std::string commonFolder(std::string_view a, std::string_view b) {
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
    // Back to the end of the last folder name both share.
    while (same > 0 && a[same - 1] != '\\' && a[same - 1] != '/') --same;
    return std::string(a.substr(0, same));
}

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
    const std::size_t entrySize = undoEntrySize(properties.version);
    if (entrySize == 0) throw braxen_Exception(braxen_Exception::unknownVersion);
    const std::uint64_t entryBytes = std::uint64_t{properties.count} * entrySize;
    requireRemaining(file, entryBytes);
    properties.verified = 0;
    properties.folder.clear();
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
            const std::string folder =
                platform::nameFromRecord(slotText(std::string_view(piece).substr(i * entrySize, slot)));
            properties.folder = done + i == 0 ? folder : commonFolder(properties.folder, folder);
            if (hasIdentities(properties.version) && (u32At(piece, i * entrySize + 3 * slot) & 1)) {
                ++properties.verified;
            }
        }
        done += static_cast<std::uint32_t>(n);
    }
    std::uint32_t count = 0;
    FilterArchive archive(plugins, file, false, count, file.position());
    properties.rules.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
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

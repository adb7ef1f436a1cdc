#include "core/undo/journal_format.h"

#include "core/persist/binary_io.h"
#include "core/persist/filter_archive.h"

namespace core {
namespace {

constexpr char kMagic[8] = {'C', 'W', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr std::uint32_t kJournalVersion = 3;
constexpr std::size_t kHeaderSize = 24;                        // magic, version, start time, CRC
constexpr std::size_t kRuleSectionHead = 4 + kHeaderSlot + 4;  // version, header text, count
// No folder or pair of names comes near this; a larger length is damage, not a record.
constexpr std::uint32_t kMaxRecord = 1u << 20;
constexpr char kFolderRecord = 'F';
constexpr char kMoveRecord = 'M';          // without the file's identity (version 1)
constexpr char kVerifiedMoveRecord = 'V';  // with it
constexpr char kBornMoveRecord = 'B';      // with it and its birth stamp
constexpr char kMoveIntoRecord = 'I';      // into another folder, with the identity and stamp
constexpr char kFolderMadeRecord = 'D';
constexpr char kFolderIdentityRecord = 'E';
constexpr char kFolderRemovedRecord = 'R';
constexpr std::size_t kIdentityBytes = 24;

// A record whose payload is `prefix`, then (withLength) the length of `first`, `first` and
// `second`: a move's record is laid out with no string of its own.
void appendRecord(std::string& bytes, char type, std::string_view prefix, std::string_view first,
                  std::string_view second = {}, bool withLength = false) {
    const std::size_t at = bytes.size();
    const std::size_t payload = prefix.size() + (withLength ? 4 : 0) + first.size() + second.size();
    appendLittle(bytes, static_cast<std::uint32_t>(payload), 4);
    bytes += type;
    bytes += prefix;
    if (withLength) appendLittle(bytes, static_cast<std::uint32_t>(first.size()), 4);
    bytes += first;
    bytes += second;
    appendLittle(bytes, crc32(std::string_view(bytes).substr(at)), 4);
}

void appendIdentity(std::string& bytes, const platform::FileId& id) {
    appendLittle(bytes, id.volume, 8);
    appendLittle(bytes, id.index, 8);
    appendLittle(bytes, id.stamp, 8);
}

platform::FileId identityAt(std::string_view payload) {
    return platform::FileId{littleAt(payload, 0, 8), littleAt(payload, 8, 8), littleAt(payload, 16, 8)};
}

void enterFolder(std::string& bytes, std::string& currentFolder, const std::string& folder) {
    if (folder == currentFolder) return;
    appendRecord(bytes, kFolderRecord, {}, folder);
    currentFolder = folder;
}

// The length of the Rule section at the start of `bytes`, when it is whole and looks like one.
std::optional<std::size_t> ruleSectionLength(std::string_view bytes) {
    if (bytes.size() < kRuleSectionHead) return std::nullopt;
    const std::uint32_t version = u32At(bytes, 0);
    if (version != 1 && version != 2) return std::nullopt;
    const std::string_view header = bytes.substr(4, kHeaderSlot);
    if (header.substr(0, std::min(header.find('\0'), header.size())) != kFilterHeaderText) return std::nullopt;
    const std::uint64_t count = u32At(bytes, 4 + kHeaderSlot);
    const std::uint64_t length = kRuleSectionHead + count * (version == 1 ? kRuleSizeVersion1 : kRuleSizeVersion2);
    if (length > bytes.size()) return std::nullopt;
    return static_cast<std::size_t>(length);
}

}  // namespace

void appendJournalRecord(std::string& bytes, char type, std::string_view payload) {
    appendRecord(bytes, type, {}, payload);
}

std::string formatJournalHeader(std::time_t started) {
    std::string bytes(kMagic, sizeof kMagic);
    appendLittle(bytes, kJournalVersion, 4);
    const auto time = static_cast<std::uint64_t>(static_cast<std::int64_t>(started));
    appendLittle(bytes, static_cast<std::uint32_t>(time), 4);
    appendLittle(bytes, static_cast<std::uint32_t>(time >> 32), 4);
    appendLittle(bytes, crc32(bytes), 4);
    return bytes;
}

void appendJournalMove(std::string& bytes, std::string& currentFolder, const std::string& folder,
                       const std::string& oldName, const std::string& newName,
                       const std::optional<platform::FileId>& id) {
    enterFolder(bytes, currentFolder, folder);
    if (!id) return appendRecord(bytes, kMoveRecord, {}, oldName, newName, true);
    char identity[24];
    for (int i = 0; i < 8; ++i) {
        identity[i] = static_cast<char>((id->volume >> (8 * i)) & 0xFF);
        identity[8 + i] = static_cast<char>((id->index >> (8 * i)) & 0xFF);
        identity[16 + i] = static_cast<char>((id->stamp >> (8 * i)) & 0xFF);
    }
    const bool born = id->stamp != 0;
    appendRecord(bytes, born ? kBornMoveRecord : kVerifiedMoveRecord, std::string_view(identity, born ? 24 : 16),
                 oldName, newName, true);
}

void appendJournalMoveInto(std::string& bytes, std::string& currentFolder, const std::string& folder,
                           const std::string& oldName, const std::string& newFolder, const std::string& newName,
                           const platform::FileId& id) {
    enterFolder(bytes, currentFolder, folder);
    std::string prefix;
    appendIdentity(prefix, id);
    appendLittle(prefix, static_cast<std::uint32_t>(oldName.size()), 4);
    appendLittle(prefix, static_cast<std::uint32_t>(newFolder.size()), 4);
    prefix += oldName;
    appendRecord(bytes, kMoveIntoRecord, prefix, newFolder, newName);
}

void appendJournalFolderMade(std::string& bytes, std::string& currentFolder, const std::string& folder,
                             const std::string& name) {
    enterFolder(bytes, currentFolder, folder);
    appendRecord(bytes, kFolderMadeRecord, {}, name);
}

void appendJournalFolderIdentity(std::string& bytes, std::uint64_t step, const platform::FileId& id) {
    std::string payload;
    appendLittle(payload, step, 8);
    appendIdentity(payload, id);
    appendRecord(bytes, kFolderIdentityRecord, {}, payload);
}

void appendJournalFolderRemoved(std::string& bytes, std::string& currentFolder, const std::string& folder,
                                const std::string& name, const platform::FileId& id) {
    enterFolder(bytes, currentFolder, folder);
    std::string identity;
    appendIdentity(identity, id);
    appendRecord(bytes, kFolderRemovedRecord, identity, name);
}

void appendJournalEntry(std::string& bytes, std::string& currentFolder, const UndoEntry& entry, std::uint64_t step) {
    const platform::FileId id = entry.id.value_or(platform::FileId{});
    switch (entry.kind) {
        case UndoEntry::Kind::Move:
            if (entry.newFolder.empty()) {
                return appendJournalMove(bytes, currentFolder, entry.folder, entry.oldName, entry.newName, entry.id);
            }
            return appendJournalMoveInto(bytes, currentFolder, entry.folder, entry.oldName, entry.newFolder,
                                         entry.newName, id);
        case UndoEntry::Kind::FolderMade:
            appendJournalFolderMade(bytes, currentFolder, entry.folder, entry.newName);
            if (entry.id) appendJournalFolderIdentity(bytes, step, *entry.id);
            return;
        case UndoEntry::Kind::FolderRemoved:
            return appendJournalFolderRemoved(bytes, currentFolder, entry.folder, entry.oldName, id);
    }
}

std::optional<JournalHead> parseJournalHead(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic) ||
        u32At(bytes, 8) < 1 || u32At(bytes, 8) > kJournalVersion || u32At(bytes, 20) != crc32(bytes.substr(0, 20))) {
        return std::nullopt;
    }
    const auto rules = ruleSectionLength(bytes.substr(kHeaderSize));
    if (!rules) return std::nullopt;
    return JournalHead{static_cast<std::time_t>(static_cast<std::int64_t>(littleAt(bytes, 12, 8))),
                       bytes.substr(kHeaderSize, *rules), kHeaderSize + *rules};
}

std::size_t forEachJournalRecord(std::string_view bytes, std::size_t at, bool& damaged,
                                 const std::function<bool(char type, std::string_view payload)>& each) {
    damaged = false;
    while (bytes.size() - at >= 9) {
        const std::uint32_t length = u32At(bytes, at);
        if (length > kMaxRecord) break;                 // no record is this long
        if (bytes.size() - at - 9 < length) return at;  // cut short
        const std::string_view whole = bytes.substr(at, 5 + std::size_t{length});
        if (u32At(bytes, at + 5 + length) != crc32(whole)) break;  // torn or damaged
        if (!each(whole[4], whole.substr(5))) break;
        at += 9 + std::size_t{length};
    }
    damaged = bytes.size() - at >= 9;
    return at;
}

std::size_t forEachJournalMove(std::string_view bytes, std::size_t at, JournalCursor& cursor, bool& damaged,
                               const JournalMove& each, const JournalFolderIdentity& folderIdentity) {
    return forEachJournalRecord(bytes, at, damaged, [&](char type, std::string_view payload) {
        JournalStep step;
        switch (type) {
            case kFolderRecord:
                cursor.folder = payload;
                return true;
            case kFolderIdentityRecord: {
                if (payload.size() != 8 + kIdentityBytes) return false;
                const std::uint64_t number = littleAt(payload, 0, 8);
                // Only the folder made at that step, and only once.
                if (cursor.awaitingIdentity.erase(number) == 0) return false;
                if (folderIdentity) folderIdentity(number, identityAt(payload.substr(8)));
                return true;
            }
            case kFolderMadeRecord:
                step.kind = UndoEntry::Kind::FolderMade;
                step.newName = payload;
                cursor.awaitingIdentity.insert(cursor.steps);
                break;
            case kFolderRemovedRecord:
                if (payload.size() < kIdentityBytes) return false;
                step.kind = UndoEntry::Kind::FolderRemoved;
                step.id = identityAt(payload);
                step.oldName = payload.substr(kIdentityBytes);
                break;
            case kMoveIntoRecord: {
                if (payload.size() < kIdentityBytes + 8) return false;
                const std::uint64_t oldLength = u32At(payload, kIdentityBytes);
                const std::uint64_t folderLength = u32At(payload, kIdentityBytes + 4);
                const std::string_view names = payload.substr(kIdentityBytes + 8);
                if (oldLength + folderLength > names.size() || folderLength == 0) return false;
                step.id = identityAt(payload);
                step.oldName = names.substr(0, static_cast<std::size_t>(oldLength));
                step.newFolder =
                    names.substr(static_cast<std::size_t>(oldLength), static_cast<std::size_t>(folderLength));
                step.newName = names.substr(static_cast<std::size_t>(oldLength + folderLength));
                break;
            }
            default: {
                if (type == kVerifiedMoveRecord && payload.size() >= 16) {
                    step.id = platform::FileId{littleAt(payload, 0, 8), littleAt(payload, 8, 8)};
                    payload.remove_prefix(16);
                } else if (type == kBornMoveRecord && payload.size() >= 24) {
                    step.id = identityAt(payload);
                    payload.remove_prefix(24);
                } else if (type != kMoveRecord) {
                    return false;  // not something this program writes
                }
                if (payload.size() < 4 || u32At(payload, 0) > payload.size() - 4) return false;
                const std::uint32_t oldLength = u32At(payload, 0);
                step.oldName = payload.substr(4, oldLength);
                step.newName = payload.substr(4 + oldLength);
            }
        }
        step.folder = cursor.folder;
        each(cursor.steps++, step);
        return true;
    });
}

std::optional<JournalContent> parseJournal(std::string_view bytes) {
    const auto head = parseJournalHead(bytes);
    if (!head) return std::nullopt;
    JournalContent content;
    content.started = head->started;
    content.ruleSection = std::string(head->ruleSection);
    JournalCursor cursor;
    bool damaged = false;
    forEachJournalMove(
        bytes, head->recordsAt, cursor, damaged,
        [&](std::uint64_t, const JournalStep& step) { content.moves.push_back(step.entry()); },
        [&](std::uint64_t number, const platform::FileId& id) {
            content.moves[static_cast<std::size_t>(number)].id = id;
        });
    return content;
}

}  // namespace core

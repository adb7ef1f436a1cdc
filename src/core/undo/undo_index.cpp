#include "core/undo/undo_index.h"

#include <algorithm>
#include <set>

#include "core/base/settings.h"
#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace core {

using BRAXEN::braxen_Exception;

namespace {

constexpr std::size_t kNameBytes = 12;

// A slot's text: its bytes up to the first zero, or all of them.
std::string_view slotText(std::string_view slot) {
    return slot.substr(0, std::min(slot.find('\0'), slot.size()));
}

// Takes the oldest entries off `list` until fewer than `limit` remain, and gives them back.
std::vector<IndexEntry> dropOldest(std::vector<IndexEntry>& list, std::int32_t limit) {
    const std::size_t keep = static_cast<std::size_t>(effectiveUndoLimit(limit));
    if (list.size() < keep) return {};
    const auto cut = list.end() - static_cast<std::ptrdiff_t>(keep - 1);
    std::vector<IndexEntry> dropped(list.begin(), cut);
    list.erase(list.begin(), cut);
    return dropped;
}

// Deletes the files of databases no longer listed. Runs after the index is written, so a failure
// on the way can only leave a file that nothing lists, never a listed database without its file.
void deleteDropped(const std::vector<IndexEntry>& dropped, const std::vector<IndexEntry>& kept,
                   const std::string& undoFolder) {
    std::set<std::string> listed;
    for (const IndexEntry& entry : kept) listed.insert(entry.name);
    for (const IndexEntry& entry : dropped) {
        // A name that is not ours (say "../../keep") is no file of ours; a name listed twice
        // still belongs to the entry that stays.
        if (!isDatabaseName(entry.name) || listed.count(entry.name)) continue;
        const std::string path = undoFolder + entry.name;
        try {
            if (platform::fileExists(path)) platform::removeFile(path);
        } catch (const platform::FileError&) {
            // Locked or read-only: it stays behind, unlisted, and is never counted again.
        }
    }
}

}  // namespace

bool isDatabaseName(std::string_view name) {
    return name.size() == kNameBytes &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::vector<IndexEntry> parseIndex(std::string_view bytes) {
    std::vector<IndexEntry> list;
    if (bytes.empty()) return list;
    if (bytes.size() < 8 || u32At(bytes, 0) != 1) throw braxen_Exception(braxen_Exception::invalidFormat);
    if (u32At(bytes, 4) != 1) throw braxen_Exception(braxen_Exception::unknownVersion);
    if (bytes.size() < kIndexHeaderSize || slotText(bytes.substr(8, kHeaderSlot)) != kIndexHeaderText) {
        throw braxen_Exception(braxen_Exception::invalidFormat);
    }
    // Entries run to the end of the file; a partial one at the end (a write cut short) is left out.
    const std::size_t count = (bytes.size() - kIndexHeaderSize) / kIndexEntrySize;
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view entry = bytes.substr(kIndexHeaderSize + i * kIndexEntrySize, kIndexEntrySize);
        list.push_back(IndexEntry{std::string(slotText(entry.substr(0, kNameBytes))),
                                  platform::legacyTextToUtf8(std::string(slotText(entry.substr(kNameBytes))))});
    }
    return list;
}

std::string formatIndex(const std::vector<IndexEntry>& list) {
    std::string bytes(kIndexHeaderSize + list.size() * kIndexEntrySize, '\0');
    bytes[0] = 1;  // the stamp
    bytes[4] = 1;  // the version
    bytes.replace(8, std::char_traits<char>::length(kIndexHeaderText), kIndexHeaderText);
    std::size_t at = kIndexHeaderSize;
    for (const IndexEntry& entry : list) {
        const std::string name = entry.name.substr(0, kNameBytes);
        bytes.replace(at, name.size(), name);
        const std::string description = platform::utf8::truncate(entry.description, kRuleTextSlot - 1);
        bytes.replace(at + kNameBytes, description.size(), description);
        at += kIndexEntrySize;
    }
    return bytes;
}

bool UndoIndex::open() {
    lock_.lock(path_ + ".lock", wait_);
    try {
        if (!platform::fileExists(path_)) platform::File(path_, platform::File::Mode::CreateWrite);
        const auto status = platform::fileStatus(path_);
        return status && status->size != 0;
    } catch (...) {
        lock_.unlock();
        throw;
    }
}

void UndoIndex::close() {
    lock_.unlock();
}

void UndoIndex::readAll(std::vector<IndexEntry>& list) {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::invalidFormat);
    std::vector<IndexEntry> read = parseIndex(readWholeFile(path_));
    list.insert(list.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
}

void UndoIndex::rewrite(const std::vector<IndexEntry>& list) {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::indexNotOpen);
    replaceWholeFile(path_, formatIndex(list));
}

void UndoIndex::append(const std::string& name, const std::string& description) {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::indexNotOpen);
    std::vector<IndexEntry> list;
    readAll(list);
    list.push_back(IndexEntry{name, description});
    rewrite(list);
}

void UndoIndex::enforceUndoLimit(std::int32_t limit, const std::string& undoFolder) {
    std::vector<IndexEntry> list;
    readAll(list);
    const std::vector<IndexEntry> dropped = dropOldest(list, limit);
    if (dropped.empty()) return;
    rewrite(list);
    deleteDropped(dropped, list, undoFolder);
}

bool registerDatabase(const AppPaths& paths, const IndexEntry& entry, bool limitUndo, std::int32_t undoLimit) {
    UndoIndex index(paths.indexFile());
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    if (std::any_of(list.begin(), list.end(), [&](const IndexEntry& e) { return e.name == entry.name; })) return false;
    const std::vector<IndexEntry> dropped = limitUndo ? dropOldest(list, undoLimit) : std::vector<IndexEntry>();
    list.push_back(entry);
    index.rewrite(list);
    deleteDropped(dropped, list, paths.undoFolder());
    return true;
}

bool unregisterDatabase(const AppPaths& paths, const IndexEntry& entry, bool deleteFile) {
    UndoIndex index(paths.indexFile());
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    const auto it = std::find(list.begin(), list.end(), entry);
    if (it == list.end()) return false;
    list.erase(it);
    // A name listed twice keeps its file for the entry that stays.
    const bool stillListed =
        std::any_of(list.begin(), list.end(), [&](const IndexEntry& e) { return e.name == entry.name; });
    const std::string path = paths.undoFolder() + entry.name;
    if (deleteFile && isDatabaseName(entry.name) && !stillListed && platform::fileExists(path)) {
        platform::removeFile(path);
    }
    index.rewrite(list);
    return true;
}

}  // namespace core

#include "core/undo/undo_index.h"

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace core {

using BRAXEN::braxen_Exception;

bool UndoIndex::open() {
    file_.open(path_, platform::File::Mode::ReadWriteExclusive);
    return file_.length() != 0;
}

void UndoIndex::close() {
    file_.close();
}

void UndoIndex::writeHeader() {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::indexNotOpen);
    file_.setLength(0);
    writeStamp(file_, 0);
    writeInt(file_, 1);
    writeText(file_, kIndexHeaderText, kHeaderSlot);
}

void UndoIndex::append(const std::string& name, const std::string& description) {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::indexNotOpen);
    if (file_.length() == 0) writeHeader();
    file_.seek(0, platform::File::SeekFrom::End);
    std::string nameBytes = name.substr(0, 12);
    nameBytes.resize(12, '\0');
    file_.write(nameBytes.data(), nameBytes.size());
    writeText(file_, platform::utf8::truncate(description, kRuleTextSlot - 1), kRuleTextSlot);
}

void UndoIndex::readAll(std::vector<IndexEntry>& list) {
    if (!isOpen()) throw braxen_Exception(braxen_Exception::invalidFormat);
    if (file_.length() == 0) return;
    if (!checkStamp(file_, 0)) throw braxen_Exception(braxen_Exception::invalidFormat);
    if (readInt(file_) != 1) throw braxen_Exception(braxen_Exception::unknownVersion);
    if (readText(file_, kHeaderSlot) != kIndexHeaderText) throw braxen_Exception(braxen_Exception::invalidFormat);
    for (;;) {
        char name[12];
        if (file_.read(name, sizeof name) != sizeof name) break;
        std::string description(kRuleTextSlot, '\0');
        if (file_.read(description.data(), kRuleTextSlot) != kRuleTextSlot) break;  // partial entry
        std::size_t nameLength = 0;
        while (nameLength < sizeof name && name[nameLength] != '\0') ++nameLength;
        description.resize(description.find('\0') == std::string::npos ? kRuleTextSlot : description.find('\0'));
        list.push_back(IndexEntry{std::string(name, nameLength), platform::legacyTextToUtf8(description)});
    }
}

void UndoIndex::rewrite(const std::vector<IndexEntry>& list) {
    writeHeader();
    for (const IndexEntry& entry : list) append(entry.name, entry.description);
}

void UndoIndex::enforceUndoLimit(std::int32_t limit, const std::string& undoFolder) {
    // With no floor the loop below would try to drop entries from an empty list.
    const std::size_t keep = limit < 1 ? 1 : static_cast<std::size_t>(limit);
    std::vector<IndexEntry> list;
    readAll(list);
    if (list.size() < keep) return;
    std::size_t dropped = 0;
    while (list.size() - dropped >= keep) {
        const std::string path = undoFolder + list[dropped].name;
        // One lost file must not block every later run from registering its database.
        if (platform::fileExists(path)) platform::removeFile(path);
        ++dropped;
    }
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(dropped));
    rewrite(list);
}

}  // namespace core

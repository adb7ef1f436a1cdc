// braxen.idx: the undo databases the user can undo, oldest first, each with its description.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace core {

inline constexpr const char* kIndexHeaderText = "Calderwynstrope - UNDO Database Index File";
inline constexpr std::size_t kIndexHeaderSize = 72;
inline constexpr std::size_t kIndexEntrySize = 140;  // 12 name bytes and a 128-byte description

struct IndexEntry {
    std::string name;  // the database's file name in the undo folder: 12 capital letters
    std::string description;

    bool operator==(const IndexEntry& other) const { return name == other.name && description == other.description; }
};

class UndoIndex {
public:
    explicit UndoIndex(std::string path) : path_(std::move(path)) {}
    ~UndoIndex() { close(); }

    // Opens the index for reading and writing, creating it when missing, never truncating, and
    // keeping every other opener out. True when the file is not empty. A file that cannot be
    // opened raises the platform's file error.
    bool open();
    void close();
    bool isOpen() const { return file_.isOpen(); }

    // Empties the file and writes the header. Raises braxen_Exception 14 when not open.
    void writeHeader();
    // Appends one entry, writing the header first into an empty file. The description is cut to
    // 127 bytes so its slot always ends with a zero. Raises 14 when not open.
    void append(const std::string& name, const std::string& description);
    // Appends every entry to `list`. An empty file has none. Raises 115 when not open or the
    // header is wrong, 116 for another version. A trailing partial entry is left out.
    void readAll(std::vector<IndexEntry>& list);
    // The whole file anew from `list`.
    void rewrite(const std::vector<IndexEntry>& list);
    // Drops the oldest databases, deleting their files in `undoFolder`, until fewer than `limit`
    // remain, so that the one about to be appended makes `limit`. A database file that is
    // already gone counts as deleted. A limit below 1 counts as 1.
    void enforceUndoLimit(std::int32_t limit, const std::string& undoFolder);

private:
    std::string path_;
    platform::File file_;
};

}  // namespace core

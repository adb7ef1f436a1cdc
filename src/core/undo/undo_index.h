// braxen.idx: the undo databases the user can undo, oldest first, each with its description.
// Every process of the program changes it only under the index's lock, reads it afresh before
// each change and replaces the whole file in one step (a temporary file renamed over it), so a
// crash, a full disk or a second process can neither tear an entry nor drop one.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/app_paths.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace core {

inline constexpr const char* kIndexHeaderText = "Calderwynstrope - UNDO Database Index File";
inline constexpr std::size_t kIndexHeaderSize = 72;
inline constexpr std::size_t kIndexEntrySize = 140;  // 12 name bytes and a 128-byte description
// Holders keep the lock for milliseconds; waiting this long means something is stuck.
inline constexpr std::chrono::milliseconds kIndexLockWait{30000};

struct IndexEntry {
    std::string name;  // the database's file name in the undo folder: 12 capital letters
    std::string description;

    bool operator==(const IndexEntry& other) const { return name == other.name && description == other.description; }
};

// True for a name this program gives its databases: exactly 12 letters A to Z. Any other name
// in an index was not written by us, and never names a file to read, move or delete.
bool isDatabaseName(std::string_view name);

// The entries of an index file's bytes. Empty bytes hold none. Raises braxen_Exception invalidFormat
// for a wrong stamp or header text, unknownVersion for another version. A trailing partial entry is left out.
std::vector<IndexEntry> parseIndex(std::string_view bytes);
// The bytes of an index holding `list`: names cut or zero-padded to 12 bytes, descriptions cut
// to 127 bytes at a character boundary so that their slot always ends with a zero.
std::string formatIndex(const std::vector<IndexEntry>& list);

class UndoIndex {
public:
    explicit UndoIndex(std::string path, std::chrono::milliseconds wait = kIndexLockWait)
        : path_(std::move(path)), wait_(wait) {}
    ~UndoIndex() { close(); }

    // Takes the index's lock, waiting while another process holds it (FileError lockTimeout after
    // the wait), and creates the file empty when it is missing. True when the file is not empty.
    bool open();
    // Releases the lock.
    void close();
    bool isOpen() const { return lock_.isLocked(); }

    // Appends every entry of the file as it is now to `list`. Raises invalidFormat when not open or
    // the file is not an index, unknownVersion for another version.
    void readAll(std::vector<IndexEntry>& list);
    // Replaces the whole file by one holding `list`. Raises 14 when not open. When the new file
    // cannot be written (a full disk), the old one stays as it was and the error is raised.
    void rewrite(const std::vector<IndexEntry>& list);
    // The header alone.
    void writeHeader() { rewrite({}); }
    // Adds one entry at the end of the file as it is now. Raises 14 when not open.
    void append(const std::string& name, const std::string& description);
    // Drops the oldest databases until fewer than `limit` remain, so that the one about to be
    // appended makes `limit`, then deletes their files in `undoFolder` (a file that is already
    // gone, or that cannot be deleted, is simply no longer listed). A limit outside 1..1,000,000
    // counts as the default 50.
    void enforceUndoLimit(std::int32_t limit, const std::string& undoFolder);

private:
    std::string path_;
    std::chrono::milliseconds wait_;
    platform::FileLock lock_;
};

// The one way a database joins the index. Under the lock, with the index read afresh: when no
// entry has this name yet, drops the oldest databases first if `limitUndo` is set (as
// enforceUndoLimit), adds `entry` at the end and writes the index in one step; the dropped
// databases' files are deleted after that. False when the name was already listed (nothing
// changes), so registering again after a crash is harmless. Raises braxen_Exception for an index
// that is not acceptable and FileError when it cannot be locked or written.
bool registerDatabase(const AppPaths& paths, const IndexEntry& entry, bool limitUndo, std::int32_t undoLimit);

// The one way an entry leaves the index. Under the lock, with the index read afresh, the first
// entry equal to `entry` (name and description) is dropped and the index written; when asked, the
// database's file is deleted first (a file that is already gone counts as deleted; a name that is
// not a database name never touches a file). False, changing nothing, when no entry is equal. A
// file that cannot be deleted raises FileError before the index is changed.
bool unregisterDatabase(const AppPaths& paths, const IndexEntry& entry, bool deleteFile);

}  // namespace core

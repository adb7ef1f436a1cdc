// The file object and the operations on whole files and folders. Every text is UTF-8; failures
// that raise do so with FileError naming the file.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "platform/file_error.h"

namespace platform {

// File attribute bits; the values are those of the Windows file attributes, on every platform.
enum Attribute : std::uint32_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrDirectory = 0x10,
    // A symbolic link or a junction (the entry's other bits are its target's). Recursion never
    // follows one that leads to a folder, so a walk stays inside the folder it was given.
    AttrLink = 0x400,
};

class File {
public:
    enum class Mode {
        Read,             // open an existing file for reading
        CreateWrite,      // create, or truncate an existing file, for writing
        CreateReadWrite,  // the same, for reading too (a RecordAppender needs it)
        // Open for reading and writing, creating it when missing, never truncating; no other
        // process may open the file while we hold it.
        ReadWriteExclusive,
    };
    enum class SeekFrom { Begin, Current, End };

    File() = default;
    File(const std::string& path, Mode mode) { open(path, mode); }
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    void open(const std::string& path, Mode mode);
    bool isOpen() const { return handle_ != kInvalid; }
    const std::string& path() const { return path_; }

    // Returns the number of bytes read: fewer than asked at the end of the file, never an error
    // for that reason.
    std::size_t read(void* buffer, std::size_t count);
    void write(const void* buffer, std::size_t count);
    std::uint64_t seek(std::int64_t offset, SeekFrom from);
    std::uint64_t position() const;
    std::uint64_t length() const;
    // The length when the file was opened: for a reader that takes it once, where asking the
    // system again would cost a call per file.
    std::uint64_t lengthWhenOpened() const { return openedLength_ != kUnknownLength ? openedLength_ : length(); }
    void setLength(std::uint64_t length);
    // Waits until what was written is on the disk itself, not only in the system's cache.
    void sync();
    void close() noexcept;

private:
    friend class RecordAppender;
    static constexpr std::intptr_t kInvalid = -1;
    static constexpr std::uint64_t kUnknownLength = ~std::uint64_t{0};
    std::intptr_t handle_ = kInvalid;  // a file descriptor or a Win32 HANDLE
    std::string path_;
    std::uint64_t openedLength_ = kUnknownLength;
};

// Appends records to a file, each in the system's hands the moment append() returns, as after a
// write: it survives the end of the process however that comes, and File::sync puts it on the
// disk. On POSIX the records are copied into a window of the file mapped into memory, so a record
// costs no system call; the file's space is reserved a little ahead of the records (a full disk
// raises FileError, never a fault), and the zeros after the last record, which a reader stops at,
// are cut off by finish(). Elsewhere each record is one write.
class RecordAppender {
public:
    // From the file's current end; the file stays open and must be CreateReadWrite.
    explicit RecordAppender(File& file);
    // finish(), with any error swallowed.
    ~RecordAppender();
    RecordAppender(const RecordAppender&) = delete;
    RecordAppender& operator=(const RecordAppender&) = delete;

    // Raises FileError.
    void append(const void* bytes, std::size_t count);
    // Leaves the file ending with the last record. Raises FileError.
    void finish();

private:
    void mapWindowAt(std::uint64_t position);
    void unmap() noexcept;
    // Reserves the file's space up to `end`; false where the file system cannot.
    bool reserve(std::uint64_t end);

    File& file_;
    std::uint64_t end_ = 0;          // where the next record goes
    std::uint64_t windowStart_ = 0;  // where the mapped window starts in the file
    std::uint64_t reserved_ = 0;     // the file's space is reserved up to here
    char* window_ = nullptr;         // the mapped window, or nothing
    bool writes_ = false;            // append by writes: mapping is not to be had
    bool grown_ = false;             // the file was grown past its last record
    bool finished_ = false;
};

struct FileStatus {
    std::uint64_t size = 0;
    std::time_t creationTime = 0;  // POSIX: birth time where the file system keeps it, else mtime
    std::uint32_t attributes = 0;
};

std::optional<FileStatus> fileStatus(const std::string& path);
bool fileExists(const std::string& path);
// True when `path` leads to a folder (through a link too).
inline bool isFolder(const std::string& path) {
    const auto status = fileStatus(path);
    return status && (status->attributes & AttrDirectory);
}

// True when the file system holding `folder` compares names ignoring letter case, so that
// "a.mp3" and "A.MP3" are one file there: always on Windows; never on POSIX, where a name is its
// bytes.
bool namesIgnoreCase(const std::string& folder);

// What identifies a file or folder, whichever path leads to it: its volume, its index on that volume and, where the
// file system gives one, its birth stamp (on POSIX the birth time in nanoseconds), 0 when unknown. An index is given
// again to a later file once a file is deleted (ext4 often does at once); the birth stamp tells the two apart. A volume
// that comes back under another number (a USB disk plugged in again, an image on another loop device) keeps its files'
// indexes and stamps: where both stamps are known, the index and stamp alone say it is the same file.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t stamp = 0;
    bool operator==(const FileId& other) const {
        if (index != other.index) return false;
        return stamp != 0 && other.stamp != 0 ? stamp == other.stamp : volume == other.volume;
    }
};
// Nothing when the path leads nowhere.
std::optional<FileId> fileId(const std::string& path);
// The identity of the entry itself, not of what a link at `path` leads to: what a move moves.
// Nothing when there is no such entry.
std::optional<FileId> entryId(const std::string& path);

// Moves (renames) a file. Never replaces an existing file: the move fails instead. A name that
// differs from the current one only in letter case really changes the case, even where the file
// system ignores case. Moving a file onto its own unchanged name succeeds and changes nothing.
// Names the Windows file system refuses (\ / : * ? " < > | and control characters) fail on every
// platform, so a collection renamed here stays usable on Windows. Raises FileError.
void moveFile(const std::string& from, const std::string& to);

// A folder whose files a run moves one after another: each move names the file within the
// folder, so the system does not walk the folder's whole path again for every file. The folder is
// the one that was there when this was made.
class MoveFolder {
public:
    // `expected`: the identity the folder had when its files were found. A folder found to be
    // another one (replaced, or a link put in its place) moves nothing: every call raises.
    explicit MoveFolder(const std::string& folder, std::optional<FileId> expected = std::nullopt);
    ~MoveFolder();
    MoveFolder(const MoveFolder&) = delete;
    MoveFolder& operator=(const MoveFolder&) = delete;

    // The folder's path, ending with the separator.
    const std::string& path() const { return path_; }
    // moveFile(path() + oldName, path() + newName).
    void moveFile(const std::string& oldName, const std::string& newName) const;
    // moveFile(path() + oldName, target.path() + newName): into another folder on the same
    // volume, both folders checked to be the ones their files were found in (or made).
    void moveFileInto(const std::string& oldName, const MoveFolder& target, const std::string& newName) const;
    // entryId(path() + name). Raises FileError (the file is not there, or cannot be asked).
    FileId entryId(const std::string& name) const;

private:
    // Raises when the folder is not the one its files were found in.
    void checkSame() const;

    std::string path_;
    std::intptr_t handle_ = -1;  // POSIX: the folder's descriptor, or -1 to move by whole paths
    bool replaced_ = false;
};

// What a move in a folder that was replaced since its files were found says.
inline constexpr const char* kFolderReplaced = "the folder was replaced since its files were found";

// Moves like moveFile, but to any name the file system takes: undo gives a file back the name it
// had, and on POSIX that may hold characters Windows refuses (on Windows it is moveFile, since
// the file could not have had such a name there). Raises FileError.
void moveFileAnyName(const std::string& from, const std::string& to);

// Puts the file `from` in the place of `to` in one step, replacing `to` when it exists: anyone
// who opens `to` finds the old file or the new one, never a mix. Raises FileError.
void replaceFile(const std::string& from, const std::string& to);

// Raises FileError.
void removeFile(const std::string& path);

// Puts the folder's own entries (the names of files created in it) on the disk. A file's sync
// covers its content; on POSIX systems only this covers the name that leads to it. Best effort:
// a folder that cannot be opened for it is left as the system keeps it.
void syncFolder(const std::string& path);

// Creates one folder; false when it could not be created (for instance because it exists).
bool createFolder(const std::string& path);
// Removes a folder only when it is empty; false when it is not, or could not be removed.
bool removeEmptyFolder(const std::string& path);

// Sets the read-only, hidden and system bits where the platform keeps them (POSIX: read-only
// only, as the owner's write permission; hidden comes from a leading "." there, and nothing is
// ever system). False on failure.
bool setAttributes(const std::string& path, std::uint32_t attributes);

}  // namespace platform

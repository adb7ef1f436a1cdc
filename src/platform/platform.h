// The operating-system services the core relies on. Everything above this layer speaks UTF-8
// (std::string) and never includes an operating-system header; the Win32 implementation converts
// to UTF-16 at the boundary and calls only the wide functions, the POSIX one works on bytes.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_error.h"

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kLibraryPattern = "*.DLL";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kLibraryPattern = "*.so";
#endif

// True for every character this platform accepts as a folder separator in a path.
bool isPathSeparator(char c);
// The folder text ending with a separator (one is added when it has none).
std::string withSeparator(const std::string& folder);

// File attribute bits; the values are those of the Windows file attributes, on every platform.
enum Attribute : std::uint32_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrDirectory = 0x10,
};

// ---------------------------------------------------------------------------------------------
// The file object. Every failure raises FileError with the file's name.

class File {
public:
    enum class Mode {
        Read,         // open an existing file for reading
        CreateWrite,  // create, or truncate an existing file, for writing
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
    void setLength(std::uint64_t length);
    void close() noexcept;

private:
    static constexpr std::intptr_t kInvalid = -1;
    std::intptr_t handle_ = kInvalid;  // a file descriptor or a Win32 HANDLE
    std::string path_;
};

// ---------------------------------------------------------------------------------------------
// Directory listing with a wildcard pattern.

struct FindData {
    std::string name;          // the entry's name within its folder
    std::uint32_t attributes;  // Attribute bits
};

// One search: first() with "folder<sep>pattern", then next() until it answers false. Patterns use
// "*" and "?", compare letters ignoring case, and "*.*" matches every name. Entries come in the
// platform's own order; on POSIX that is by name ignoring case, then by exact bytes, as NTFS and
// Wine list them, so repeated runs see the same order. "." and ".." are listed as on Windows.
class FindHandle {
public:
    FindHandle();
    ~FindHandle();
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    FindHandle(FindHandle&& other) noexcept;
    FindHandle& operator=(FindHandle&& other) noexcept;

    // directoriesOnly: the caller wants folders alone, so the platform may skip other entries
    // cheaply (it still may list them; callers filter by the attributes in any case).
    bool first(const std::string& pathWithPattern, FindData& out, bool directoriesOnly = false);
    bool next(FindData& out);
    void close() noexcept;
    bool isOpen() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// ---------------------------------------------------------------------------------------------
// Files and folders.

struct FileStatus {
    std::uint64_t size = 0;
    std::time_t creationTime = 0;  // POSIX: birth time where the file system keeps it, else mtime
    std::uint32_t attributes = 0;
};

std::optional<FileStatus> fileStatus(const std::string& path);
bool fileExists(const std::string& path);

// Moves (renames) a file. Never replaces an existing file: the move fails instead. A name that
// differs from the current one only in letter case really changes the case, even where the file
// system ignores case. Moving a file onto its own unchanged name succeeds and changes nothing.
// Names the Windows file system refuses (\ / : * ? " < > | and control characters) fail on every
// platform, so a collection renamed here stays usable on Windows. Raises FileError.
void moveFile(const std::string& from, const std::string& to);

// True when a name (one path component) is one that Windows accepts: not empty, not "." or "..",
// no control characters and none of \ / : * ? " < > |.
bool isValidFileName(std::string_view name);

// Raises FileError.
void removeFile(const std::string& path);

// Creates one folder; false when it could not be created (for instance because it exists).
bool createFolder(const std::string& path);

// Sets the read-only, hidden and system bits where the platform keeps them (POSIX: read-only
// only, as the owner's write permission; hidden comes from a leading "." there, and nothing is
// ever system). False on failure.
bool setAttributes(const std::string& path, std::uint32_t attributes);

// The absolute form of a path, resolved against the current folder; "." and ".." are folded
// and repeated separators collapse. Links are not followed. An empty text stays empty.
std::string fullPath(const std::string& path);

// The current folder, without a final separator (except a root).
std::string currentFolder();

// The folder of the running executable, ending with the path separator.
std::string GetModuleFolder();

// Full path of the running executable.
std::string modulePath();

// ---------------------------------------------------------------------------------------------
// Dynamic libraries.

using LibraryHandle = void*;
LibraryHandle loadLibrary(const std::string& path);  // nullptr on failure
void* findExport(LibraryHandle library, const char* name);
void unloadLibrary(LibraryHandle library);

// ---------------------------------------------------------------------------------------------
// Clock.

std::time_t now();
std::tm localTime(std::time_t time);

// ---------------------------------------------------------------------------------------------
// Console output of a command-line program.

enum class Stream { Out, Err };
// True when the stream is an interactive terminal (a console window on Windows).
bool isTerminal(Stream stream);
// True when the stream is a terminal that shows ANSI colours (switching them on where needed) and
// the user has not asked for none (NO_COLOR).
bool enableColours(Stream stream);
// Writes UTF-8 text: as UTF-16 to a Windows console, as bytes to anything else.
void writeText(Stream stream, std::string_view text);

// ---------------------------------------------------------------------------------------------
// Text: case mapping of one Unicode code point, by the platform's own tables. A code point
// without a mapping comes back unchanged.

char32_t toLowerCodePoint(char32_t c);
char32_t toUpperCodePoint(char32_t c);

// Text from a file or tag written by an older program: kept when it is valid UTF-8, else decoded
// from the system's ANSI code page (Windows), or from Windows-1252 where there is none.
std::string legacyTextToUtf8(const std::string& bytes);

}  // namespace platform

// Path texts: separators, valid names, absolute paths and the program's own location.
#pragma once

#include <string>
#include <string_view>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for every character this platform accepts as a folder separator in a path.
inline bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// The folder text ending with a separator (one is added when it has none).
std::string withSeparator(const std::string& folder);

// True when a name (one path component) is one that Windows accepts: not empty, not "." or "..",
// no control characters and none of \ / : * ? " < > |.
bool isValidFileName(std::string_view name);

// A file or folder name (or a whole path) as messages show it: control characters escaped, so a
// name holding a line break or a terminal's escape sequence cannot forge lines or colours. A tab,
// line feed and carriage return become \t, \n and \r; other ASCII controls and DEL \xNN (two hex
// digits, lower case); the C1 controls U+0080 to U+009F and the line and paragraph separators
// U+2028 and U+2029 \uNNNN; a byte that is not UTF-8 in the C1 range \xNN. Everything else, a
// backslash too (it separates the folders of a Windows path), stays as it is. The one place every
// message that names a file goes through: platform::FileError, the core's failure texts and both
// front ends. Machine-readable output (calderwynstrope-cli --tsv) has escapes of its own.
std::string displayName(std::string_view name);
// displayName in double quotes, as messages quote a name.
inline std::string quotedName(std::string_view name) {
    return "\"" + displayName(name) + "\"";
}

// True when the path folder + name (folder ending with its separator) is longer than the system's
// file functions take as a whole: POSIX PATH_MAX bytes, the terminating zero included; Windows
// 32,767 UTF-16 units with the "\\?\" prefix. Such a file can be listed through its folders
// (FolderHandle) but not opened, read or moved by its path.
bool pathTooLong(std::string_view folder, std::string_view name = {});

// The longest name in bytes the file system holding `folder` takes, or 0 when it sets no limit in
// bytes of its own or cannot say (Windows counts UTF-16 units, which the core checks itself).
long maxNameBytes(const std::string& folder);

// True for a path that names its place from a root: "/..." on POSIX; "X:\..." or "\\server\..."
// on Windows.
bool isAbsolutePath(std::string_view path);

// The absolute form of a path, resolved against the current folder; "." and ".." are folded
// and repeated separators collapse. Links are not followed. An empty text stays empty.
std::string fullPath(const std::string& path);

// The current folder, without a final separator (except a root).
std::string currentFolder();

// The folder of the running executable, ending with the path separator.
std::string GetModuleFolder();

// Full path of the running executable.
std::string modulePath();

}  // namespace platform

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

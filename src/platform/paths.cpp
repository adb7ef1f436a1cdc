// Portable path helpers of the platform layer.
#include <array>

#include "platform/paths.h"

namespace platform {

std::string withSeparator(const std::string& folder) {
    return !folder.empty() && isPathSeparator(folder.back()) ? folder : folder + kPathSeparator;
}

bool isAbsolutePath(std::string_view path) {
#ifdef _WIN32
    const auto separator = [&](std::size_t at) { return at < path.size() && isPathSeparator(path[at]); };
    const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && separator(2);
    return drive || (separator(0) && separator(1));
#else
    return !path.empty() && path[0] == '/';
#endif
}

bool isValidFileName(std::string_view name) {
    static const auto refused = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 0x20; ++c) table[c] = true;
        for (const char* c = "\\/:*?\"<>|"; *c; ++c) table[static_cast<unsigned char>(*c)] = true;
        return table;
    }();
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (refused[static_cast<unsigned char>(c)]) return false;
    }
    return true;
}

}  // namespace platform

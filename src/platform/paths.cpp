// Portable path helpers of the platform layer.
#include <array>

#include "platform/paths.h"

namespace platform {

std::string withSeparator(const std::string& folder) {
    return !folder.empty() && isPathSeparator(folder.back()) ? folder : folder + kPathSeparator;
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

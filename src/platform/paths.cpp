// Portable path helpers of the platform layer.
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool isValidFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || (c < 0x80 && std::strchr("\\/:*?\"<>|", c) != nullptr))
            return false;
    }
    return true;
}

}  // namespace platform

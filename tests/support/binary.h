// Building the program's binary files byte by byte in tests.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

// A 32-bit little-endian integer.
inline std::string le32(std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

// A text slot: the text, cut or zero-filled to `width` bytes.
inline std::string slot(const std::string& text, std::size_t width) {
    std::string s = text.substr(0, width);
    s.resize(width, '\0');
    return s;
}

}  // namespace testing_support

// Portable path helpers of the platform layer.
#include <array>
#include <climits>
#include <cstdint>

#include "platform/paths.h"
#include "platform/utf8.h"

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

bool pathTooLong(std::string_view folder, std::string_view name) {
    const std::size_t bytes = folder.size() + name.size();
#ifdef _WIN32
    // "\\?\" and the terminating zero; a UTF-16 unit takes at least one byte of UTF-8.
    constexpr std::size_t kLongest = 32767 - 5;
    if (bytes <= kLongest) return false;
    std::string path(folder);
    path.append(name);
    return utf8::toUtf16(path).size() > kLongest;
#else
    return bytes >= PATH_MAX;
#endif
}

std::string displayName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    const auto escaped = [&](const char* prefix, std::uint32_t value, int digits) {
        out += prefix;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
    };
    for (std::size_t pos = 0; pos < name.size();) {
        const unsigned char byte = static_cast<unsigned char>(name[pos]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
            ++pos;
        } else if (byte == '\t' || byte == '\n' || byte == '\r') {
            out += byte == '\t' ? "\\t" : byte == '\n' ? "\\n" : "\\r";
            ++pos;
        } else if (byte < 0x80) {
            escaped("\\x", byte, 2);
            ++pos;
        } else if (const std::size_t length = utf8::sequenceLength(name, pos); length == 0) {
            // Not UTF-8: the byte as it is, unless a terminal of 8-bit characters takes it for a
            // control.
            if (byte < 0xA0) {
                escaped("\\x", byte, 2);
            } else {
                out += static_cast<char>(byte);
            }
            ++pos;
        } else {
            std::size_t next = pos;
            const char32_t c = utf8::decode(name, next);
            if ((c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029) {
                escaped("\\u", static_cast<std::uint32_t>(c), 4);
            } else {
                out.append(name.substr(pos, length));
            }
            pos += length;
        }
    }
    return out;
}

}  // namespace platform

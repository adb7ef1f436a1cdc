#include "platform/utf8.h"

namespace platform::utf8 {

std::size_t sequenceLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;   // no overlong forms
        if (b0 == 0xED) high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

char32_t decode(std::string_view text, std::size_t& pos) {
    const std::size_t length = sequenceLength(text, pos);
    if (length == 0) {
        ++pos;
        return kReplacement;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    char32_t c;
    switch (length) {
        case 1:
            c = byte(0);
            break;
        case 2:
            c = (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
            break;
        case 3:
            c = (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
            break;
        default:
            c = (char32_t(byte(0) & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) | (char32_t(byte(2) & 0x3F) << 6) |
                (byte(3) & 0x3F);
            break;
    }
    pos += length;
    return c;
}

void append(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isValid(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = sequenceLength(text, pos);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

std::size_t boundaryAtOrBefore(std::string_view text, std::size_t n) {
    if (n >= text.size()) return text.size();
    // Step back over continuation bytes to the start of the character that n falls into; if that
    // character would be cut, stop before it.
    std::size_t start = n;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 && n - start < 3) {
        --start;
    }
    if (start == n) return n;
    const std::size_t length = sequenceLength(text, start);
    if (length != 0 && start + length > n) return start;
    return n;  // stray continuation bytes: nothing to keep whole
}

std::string truncate(std::string_view text, std::size_t maxBytes) {
    return std::string(text.substr(0, boundaryAtOrBefore(text, maxBytes)));
}

std::string fromWindows1252(std::string_view bytes) {
    // 0x80..0x9F differ from Latin-1; five of them are unassigned and stay as their C1 controls.
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        append(out, (b >= 0x80 && b <= 0x9F) ? char32_t(high[b - 0x80]) : char32_t(b));
    }
    return out;
}

std::string fromLegacy(std::string_view bytes) {
    return isValid(bytes) ? std::string(bytes) : fromWindows1252(bytes);
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = decode(text, pos);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string fromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        append(out, c);
    }
    return out;
}

}  // namespace platform::utf8

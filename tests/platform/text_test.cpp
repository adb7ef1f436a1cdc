#include <gtest/gtest.h>

#include <cstring>

#include "platform/case_fold.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace {

namespace utf8 = platform::utf8;

TEST(Utf8, DecodesAndEncodesEveryLength) {
    const std::pair<const char*, char32_t> cases[] = {
        {"A", U'A'}, {"é", 0xE9}, {"€", 0x20AC}, {"日", 0x65E5}, {"🎵", 0x1F3B5}, {"\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    for (const auto& [text, code] : cases) {
        std::size_t pos = 0;
        EXPECT_EQ(utf8::decode(text, pos), code) << text;
        EXPECT_EQ(pos, std::strlen(text));
        std::string encoded;
        utf8::append(encoded, code);
        EXPECT_EQ(encoded, text);
    }
}

TEST(Utf8, IllFormedBytesDecodeAsReplacementOneByteAtATime) {
    const char* cases[] = {
        "\x80",              // lone continuation
        "\xC0\xAF",          // overlong
        "\xE0\x80\xAF",      // overlong
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xE6\x97",          // cut short
        "\xFF",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(utf8::isValid(text)) << text;
        std::size_t pos = 0;
        EXPECT_EQ(utf8::decode(text, pos), utf8::kReplacement);
        EXPECT_EQ(pos, 1u);
    }
    EXPECT_TRUE(utf8::isValid("plain ascii, é, 日本, 🎵"));
}

TEST(Utf8, CutsOnlyAtCharacterBoundaries) {
    const std::string text = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\xB5";  // a é 日 🎵 (1+2+3+4 bytes)
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3}, {6, 6}, {7, 6}, {8, 6}, {9, 6}, {10, 10}, {99, 10},
    };
    for (const auto& [n, expected] : cases) {
        EXPECT_EQ(utf8::boundaryAtOrBefore(text, n), expected) << n;
        EXPECT_TRUE(utf8::isValid(utf8::truncate(text, n))) << n;
    }
    EXPECT_EQ(utf8::truncate(std::string(127, 'x') + "é", 128), std::string(127, 'x'));
}

TEST(Utf8, OldAnsiBytesReadAsWindows1252) {
    const std::pair<std::string, std::string> cases[] = {
        {"Caf\xE9", "Café"},
        {"\x80 \x93quoted\x94 \x85", "€ “quoted” …"},
        {"Bj\xF6rk", "Björk"},
        {"plain", "plain"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(utf8::fromWindows1252(bytes), text);
        EXPECT_EQ(utf8::fromLegacy(bytes), text);
    }
    EXPECT_EQ(utf8::fromLegacy("Café"), "Café") << "valid UTF-8 stays as it is";
}

TEST(Utf8, Utf16RoundTrip) {
    const std::string text = "a é 日本 🎵";
    const std::u16string wide = utf8::toUtf16(text);
    EXPECT_EQ(wide.size(), 9u);  // the emoji takes a surrogate pair
    EXPECT_EQ(utf8::fromUtf16(wide), text);
    EXPECT_EQ(utf8::fromUtf16(u"\xD800x"), "\xEF\xBF\xBDx") << "a lone surrogate is replaced";
}

// Names equal to the preview (its folded keys) are equal to the move (UTF-8 on POSIX, UTF-16 on
// Windows), whatever the lengths of the two spellings.
TEST(CaseFold, FoldsAsWindowsFileSystemsCompareNames) {
    struct Case {
        const char *a, *b;
        bool equal;
    };
    const Case cases[] = {
        {"é", "É", true},
        {"ß", "ẞ", false},
        {"İ", "i", false},
        {"\u212A", "K", false},
        {"\u2126", "Ω", false},
        // Windows' upcase table leaves the characters whose uppercase does not lower back to them.
        {"ı", "I", false},
        {"ı", "ı", true},
        {"ſ", "S", false},
        {"µ", "Μ", false},  // micro sign, capital mu
        {"µ", "μ", false},  // micro sign, small mu
        {"μ", "Μ", true},
        {"ς", "Σ", false},
        {"σ", "Σ", true},
        {"ǅ", "Ǆ", false},
        {"ǆ", "Ǆ", true},
        {"ϐ", "Β", false},
        {"\u1C80", "В", false},  // Cyrillic small rounded ve
        {"\u1E9B", "\u1E60", false},
        {"\u0345", "Ι", false},
        {"ȿ", "\u2C7E", true},
        {"ɐ", "\u2C6F", true},
        {"𐐨", "𐐀", false},
        {"Track.MP3", "track.mp3", true},
        {"ab", "a", false},
        {"a\xFF", "A\xFF", true},
        {"a\xFF", "a\xFE", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::equalIgnoringCase(c.a, c.b), c.equal) << c.a << " " << c.b;
        EXPECT_EQ(platform::foldedText(c.a) == platform::foldedText(c.b), c.equal) << c.a << " " << c.b;
        if (utf8::isValid(c.a) && utf8::isValid(c.b)) {
            EXPECT_EQ(platform::equalIgnoringCase(utf8::toUtf16(c.a), utf8::toUtf16(c.b)), c.equal)
                << c.a << " " << c.b;
        }
    }
}

TEST(CaseMapping, MapsLettersBeyondAscii) {
    struct Case {
        char32_t upper, lower;
    };
    const Case cases[] = {
        {U'A', U'a'},
        {0xC9, 0xE9} /* É é */,
        {0x0394, 0x03B4} /* Δ δ */,
        {0x0416, 0x0436} /* Ж ж */,
        {0x00DC, 0x00FC} /* Ü ü */,
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::toLowerCodePoint(c.upper), c.lower) << std::hex << c.upper;
        EXPECT_EQ(platform::toUpperCodePoint(c.lower), c.upper) << std::hex << c.lower;
    }
    for (char32_t same : {U'1', U'-', char32_t(0x65E5), char32_t(0x1F3B5)}) {
        EXPECT_EQ(platform::toLowerCodePoint(same), same);
        EXPECT_EQ(platform::toUpperCodePoint(same), same);
    }
}

}  // namespace

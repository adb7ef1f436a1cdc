#include <gtest/gtest.h>

#include "core/rules/name_check.h"

namespace {

using namespace core;

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(ShortenToFit, CutsTheBaseAtAWordAndKeepsTheExtension) {
    struct Case {
        std::string name;
        long byteLimit;        // 0: Windows' 255 UTF-16 units alone
        std::string expected;  // "" for no shortening
        const char* why;
    };
    const Case cases[] = {
        {repeat("abcd ", 60) + "end.mp3", 0, repeat("abcd ", 49) + "abcd.mp3", "back to the last space"},
        {repeat("a", 300) + ".mp3", 0, repeat("a", 251) + ".mp3", "one long word is cut inside"},
        {"a " + repeat("b", 300) + ".mp3", 0, "a " + repeat("b", 249) + ".mp3", "a space too far back is not taken"},
        {repeat("x", 240) + " - " + repeat("y", 30) + ".mp3", 0, repeat("x", 240) + ".mp3", "no dash left at the end"},
        {repeat("a", 300), 0, repeat("a", 255), "no extension"},
        {"." + repeat("a", 300), 0, "." + repeat("a", 254), "a leading period is part of the base"},
        {repeat("a", 251) + ".mp3", 0, "", "fits already"},
        {"a." + repeat("b", 300), 0, "", "the extension alone does not fit"},
        {"a" + repeat(".", 254) + "b.mp3", 0, "a.mp3", "every period before the cut goes"},
        // Multi-byte characters stay whole, against UTF-16 units and against bytes.
        {repeat("é", 300) + ".mp3", 0, repeat("é", 251) + ".mp3", "two bytes, one unit each"},
        {repeat("é", 200) + ".mp3", 255, repeat("é", 125) + ".mp3", "but not 255 bytes: 250 and the extension"},
        {repeat("日本", 100) + ".flac", 255, repeat("日本", 41) + "日.flac", "three bytes each: 249 and .flac"},
        // A character beyond the BMP is two UTF-16 units: a pair is never split.
        {repeat("\U0001F3B5", 130) + ".mp3", 0, repeat("\U0001F3B5", 125) + ".mp3", "250 units and the extension"},
        {"a" + repeat("\U0001F3B5", 130) + ".mp3", 0, "a" + repeat("\U0001F3B5", 125) + ".mp3", "251, not 252"},
        {repeat("\U0001F3B5", 70) + ".mp3", 255, repeat("\U0001F3B5", 62) + ".mp3", "four bytes each"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto cut = shortenToFit(c.name, c.byteLimit);
        EXPECT_EQ(cut.value_or(""), c.expected) << c.name;
        if (!cut) continue;
        EXPECT_FALSE(checkNameText(*cut)) << *cut;
        if (c.byteLimit > 0) {
            EXPECT_LE(cut->size(), static_cast<std::size_t>(c.byteLimit));
        }
    }
}

}  // namespace

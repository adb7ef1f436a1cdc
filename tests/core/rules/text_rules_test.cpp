#include <gtest/gtest.h>

#include "core/base/settings.h"
#include "core/rules/text_rules.h"

namespace {

using namespace core;

TEST(ChangeCase, EveryMode) {
    struct Case {
        const char* in;
        std::int32_t mode;
        const char* out;
    };
    const Case cases[] = {
        {"hELLO wORLD", SentenceCase, "Hello world"},
        {"the (best) of-it [live] o'brien_x", MixedCase, "The (Best) Of-It [Live] O'brien_x"},
        {"a.b_c'd1e f", MixedCase, "A.b_c'd1e F"},
        {"Hello World 2", ToggleCase, "hELLO wORLD 2"},
        {"MiXeD", LowerCase, "mixed"},
        {"MiXeD", UpperCase, "MIXED"},
        {".MP3", SentenceCase, ".mp3"},
        {".MP3", MixedCase, ".mp3"},
        {"track", UpperCase, "TRACK"},
        {"Keep Me", 6, "Keep Me"},
        {"the end of it", TitleCase, "The End Of It"},
        {"Keep Me", -1, "Keep Me"},
        // Whole-text conversion maps letters beyond ASCII...
        {"ÉCOLE ÇA ΔΕΛΤΑ", LowerCase, "école ça δελτα"},
        {"école ça δελτα", UpperCase, "ÉCOLE ÇA ΔΕΛΤΑ"},
        // ...and so do the single-character steps: accented first letters rise, toggling lowers.
        {"ÉCOLE", SentenceCase, "École"},
        {"élan vital", SentenceCase, "Élan vital"},
        {"noël à paris", MixedCase, "Noël À Paris"},
        {"ÉTÉ (À) -PARIS [ÖL]X", MixedCase, "Été (À) -Paris [Öl]x"},
        {"bad \xFF\xC3 BYTES-Z", MixedCase, "Bad \xFF\xC3 Bytes-Z"},
        {"Éa δΣ", ToggleCase, "éA Δσ"},
        {"ßa", ToggleCase, "ßA"},
        // Mappings that would change the UTF-8 length are left alone ("ß" upper is "ẞ", 3 bytes).
        {"straße", UpperCase, "STRAßE"},
        {"日本語 song", UpperCase, "日本語 SONG"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        changeCase(text, c.mode);
        EXPECT_EQ(text, c.out) << c.in << " mode " << c.mode;
    }
}

TEST(ChangeCase, TitleCaseWordsCapitalsAndSmallWords) {
    const char* const small = kDefaultSmallWords;
    struct Case {
        const char* in;
        const char* smallWords;
        const char* out;
    };
    const Case cases[] = {
        // Words start after CJK and fullwidth punctuation, quotes and brackets of any script.
        {"05 甘いワナ ～paint it, black", small, "05 甘いワナ ～Paint It, Black"},
        {"「hello」『world』", "", "「Hello」『World』"},
        {"«hello»", small, "«Hello»"},
        {"„quote“ and “more” ‘single’", "", "„Quote“ And “More” ‘Single’"},
        {"rock/pop—live–take‐two", "", "Rock/Pop—Live–Take‐Two"},
        {"(live) [demo] {x}", "", "(Live) [Demo] {X}"},
        // Not after an apostrophe, either form; capitals already written stay.
        {"don't stop", small, "Don't Stop"},
        {"don’t stop", small, "Don’t Stop"},
        {"sinéad o'Connor", small, "Sinéad O'Connor"},
        {"MGMT - kids", small, "MGMT - Kids"},
        {"AC-DC", small, "AC-DC"},
        {"iPod mIxEd", "", "IPod MIxEd"},
        // Several words all in capitals are lowered first; one is an acronym and stays.
        {"THE WALL", small, "The Wall"},
        {"ÉTÉ À PARIS", "à", "Été à Paris"},
        {"MGMT", small, "MGMT"},
        {"mp3", small, "Mp3"},
        // Small words stay low inside, not first or last, and only with a list.
        {"the end of the world", small, "The End of the World"},
        {"the end of the world", "", "The End Of The World"},
        {"what are you waiting for", small, "What Are You Waiting For"},
        {"Return Of The King", small, "Return of the King"},
        {"song feat. someone vs. x", small, "Song feat. Someone vs. X"},
        {"meet AT dawn", small, "Meet AT Dawn"},
        {"war and peace", " AND\tPeace  ", "War and Peace"},
        {"band of gold", "ban an", "Band Of Gold"},
        {"", small, ""},
        {"bad \xFF\xC3 bytes-z", "", "Bad \xFF\xC3 Bytes-Z"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        titleCase(text, c.smallWords);
        EXPECT_EQ(text, c.out) << c.in << " / " << c.smallWords;
    }
    EXPECT_EQ(normalizeSmallWords("  The\tAN  of "), "the an of");
}

TEST(ChangeCase, EmptyStaysEmptyAndLengthsNeverChange) {
    for (std::int32_t mode = -1; mode <= 6; ++mode) {
        std::string empty;
        changeCase(empty, mode);
        EXPECT_EQ(empty, "");
        for (std::string text : {std::string("Ǆemal İstanbul ﬁsh ΐ"), std::string("bad \xFF\xC3 bytes")}) {
            const std::size_t size = text.size();
            changeCase(text, mode);
            EXPECT_EQ(text.size(), size) << mode;
        }
    }
    std::string invalid = "caf\xE9 A";
    changeCase(invalid, LowerCase);
    EXPECT_EQ(invalid, "caf\xE9 a") << "bytes that are not UTF-8 are kept";
}

TEST(Append, FrontEndOrBoth) {
    struct Case {
        const char* in;
        const char* front;
        const char* end;
        const char* out;
    };
    const Case cases[] = {
        {"track", "", "x", "trackx"},
        {"", "x", "", "x"},
        {"b", "a", "c", "abc"},
        {"same", "", "", "same"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        append(text, c.front, c.end);
        EXPECT_EQ(text, c.out);
    }
}

TEST(FindReplace, BuiltInAndCustomForms) {
    struct Case {
        const char* in;
        const char* find;
        const char* replace;
        std::int32_t flags;
        const char* out;
    };
    const Case cases[] = {
        {"a_b__c", "", "", 5, "a b  c"},
        {"a.b.c", "", "", 9, "a b c"},
        {"a_b.c", "", "", 13, "a b.c"},  // underscores win over periods
        {"a_b.c", "", "", 1, "a_b.c"},   // built-in form with no character chosen
        {"Bob", "b", "x", 2, "xox"},
        {"Bob", "b", "x", 6, "Box"},
        {"aaaa", "aa", "a", 2, "aa"},
        {"aaaa", "aa", "a", 6, "aa"},
        {"a b a", "a", "x", 10, "a b a"},  // no space before the first or after the last "a"
        {"x a y", "a", "b", 10, "x b y"},  // the spaces around the word stay
        {"x A y", "a", "b", 10, "x b y"},
        {"x A y", "a", "b", 14, "x A y"},
        {"x a a y", "a", "b", 10, "x b a y"},  // the shared space was consumed by the first match
        {"café CAFÉ", "é", "e", 2, "cafe CAFe"},
        {"café CAFÉ", "É", "e", 6, "café CAFe"},
        {"nothing here", "zzz", "y", 2, "nothing here"},
        {"keep", "", "y", 2, "keep"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        findReplace(text, c.find, c.replace, c.flags);
        EXPECT_EQ(text, c.out) << c.in << " / " << c.find << " / flags " << c.flags;
    }
}

TEST(ReplaceAll, CountsAndNeverRescans) {
    struct Case {
        const char* in;
        const char* find;
        const char* replace;
        int count;
        const char* out;
    };
    const Case cases[] = {
        {"aaaa", "aa", "a", 2, "aa"}, {"abab", "ab", "abab", 2, "abababab"}, {"xyz", "", "q", 0, "xyz"},
        {"xyz", "", "", 0, "xyz"},    {"a-b-c", "-", "", 2, "abc"},          {"日本日本", "本", "x", 2, "日x日x"},
        {"xx", "x", "", 2, ""},       {"abcabc", "abc", "xyz", 2, "xyzxyz"}, {"T 7 T 8 end", "T ", "", 2, "7 8 end"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(replaceAll(text, c.find, c.replace), c.count) << c.in;
        EXPECT_EQ(text, c.out) << c.in;
    }
    std::string text = "ÉTÉ été Été";
    EXPECT_EQ(replaceAllNoCase(text, "été", "summer"), 3);
    EXPECT_EQ(text, "summer summer summer");
    text = "Straße STRASSE";
    EXPECT_EQ(replaceAllNoCase(text, "SS", "s"), 1);
    EXPECT_EQ(text, "Straße STRAsE");
}

TEST(ReplaceAll, RunawayGrowthStopsWithAnError) {
    std::string text(5000, 'a');
    EXPECT_THROW(replaceAll(text, "a", "aa"), NameTooLongError);
    EXPECT_EQ(text, std::string(5000, 'a')) << "the text is untouched when the filter gives up";
    std::string small = "aaa";
    EXPECT_NO_THROW(replaceAllNoCase(small, "A", "bb"));
    EXPECT_EQ(small, "bbbbbb");
}

TEST(Strip, PlainSubstringsWithOrWithoutCase) {
    struct Case {
        const char* in;
        const char* strip;
        std::int32_t option;
        const char* out;
    };
    const Case cases[] = {
        {"burns", "rns", 0, "bu"},
        {"Best of The Rest", "the", 1, "Best of The Rest"},
        {"Best of The Rest", "the", 0, "Best of  Rest"},
        {"abc", "", 0, "abc"},
        {"ÀB àb", "à", 0, "B b"},
    };
    for (const Case& c : cases) {
        Rule rule;
        rule.type = Strip;
        rule.stripText() = c.strip;
        rule.option = c.option;
        std::string text = c.in;
        strip(text, rule);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(Pad, SpacesAroundChosenCharacters) {
    struct Case {
        const char* in;
        const char* left;
        const char* both;
        const char* right;
        const char* out;
    };
    const Case cases[] = {
        {"(artist) album(track#)-songname", "(", "-", ")", "(artist) album (track#) - songname"},
        {"a-b", "", "-", "", "a - b"},
        {"a - b", "", "-", "", "a - b"},
        {"-a", "", "-", "", "- a"},
        {"(a)", "(", "", "", "(a)"},
        {"(a)", "(", "", "(", "( a)"},  // a left character at the start that is also a right one
        {"a  b   c", "", "", "", "a b c"},
        {"  lead and trail  ", "", "", "", "lead and trail"},
        {"x-y", "-", "-", "-", "x - y"},  // "both" is tested first
        {"a–b", "", "–", "", "a – b"},    // whole characters beyond ASCII
        {"a€b", "", "", "€", "a€ b"},
        {"", "(", "-", ")", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        pad(text, c.left, c.both, c.right);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(Flip, AtTheFirstOccurrence) {
    struct Case {
        const char* in;
        const char* at;
        const char* out;
    };
    const Case cases[] = {
        {"Artist - Title", "-", " Title-Artist "},
        {"Artist - Title", " - ", "Title - Artist"},
        {"no match", "x", "no match"},
        {"AB", "A", "BA"},
        {"a-b-c", "-", "b-c-a"},
        {"same", "", "same"},
        {"Björk – Jóga", " – ", "Jóga – Björk"},
    };
    for (const Case& c : cases) {
        Rule rule;
        rule.type = Flip;
        rule.flipText() = c.at;
        std::string text = c.in;
        flip(text, rule);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

}  // namespace

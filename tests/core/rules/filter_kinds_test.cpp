#include <gtest/gtest.h>

#include <set>

#include "core/rules/filter_kinds.h"
#include "core/session/rename_session.h"
#include "support/binary.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::slot;
using testing_support::TempFolder;

// A file whose ID3v1 tag names "Artist", "Song", "Album", 1999, genre 17 (Rock).
std::string taggedSong(const TempFolder& folder) {
    testing_support::writeFile(folder / "t.mp3", std::string(64, '\x55') + "TAG" + slot("Song", 30) +
                                                     slot("Artist", 30) + slot("Album", 30) + "1999" + slot("", 30) +
                                                     std::string(1, '\x11'));
    return "t.mp3";
}

TEST(FilterKinds, EveryKindBuildsDescribesAppliesAndReadsBack) {
    struct Case {
        const char* option;
        FilterValues values;
        const char* description;
        const char* name;      // the file name going in; "t.mp3" is the tagged song
        const char* proposed;  // the name after this one filter
    };
    const Case cases[] = {
        {"--case", {{"upper"}}, "Change Case: all characters to UPPER CASE", "a b.mp3", "A B.MP3"},
        {"--case", {{"toggle"}}, "Change Case: all characters to tOGGLE cASE", "Ab.Mp3", "aB.mP3"},
        {"--case",
         {{"title", "OF  the"}},
         "Change Case: all characters to Title Case, small words in lower case",
         "the end Of THE world.MP3",
         "The End of THE World.MP3"},
        {"--case",
         {{"title", "of"}, 1},
         "Change Case: all characters to Title Case",
         "MGMT - end of.mp3",
         "MGMT - End Of.mp3"},
        {"--case", {{"mixed", "of"}}, "Change Case: all characters to Mixed Case", "MGMT of.mp3", "Mgmt Of.mp3"},
        {"--underscores", {}, "Replace: underscores with spaces", "a_b.c_d", "a b.c_d"},
        {"--periods", {}, "Replace: periods with spaces", "a.b.mp3", "a b.mp3"},
        {"--replace", {{"X", "y"}, 1}, "Replace: \"X\" with \"y\" (match case)", "Xx.mp3", "yx.mp3"},
        {"--replace",
         {{"a", "-"}, 2},
         "Replace: \"a\" with \"-\" (whole words only)",
         "x a ab A y.mp3",
         "x - ab - y.mp3"},
        {"--replace", {{"a.c", "x"}}, "Replace: \"a.c\" with \"x\"", "abc a.c.mp3", "abc x.mp3"},  // as older files
        {"--replace",
         {{"(\\w+)_-_Track_(\\d+)", "$2 $1"}, 4},
         "Replace: \"(\\w+)_-_Track_(\\d+)\" with \"$2 $1\" (regular expression)",
         "Song_-_Track_07.mp3",
         "07 Song.mp3"},
        {"--replace", {{"(?<n>\\d)", "$$${n}$0${1}0"}, 4}, "", "a1b.mp3", "a$1110b.mp3"},
        {"--replace", {{"x", "y"}, 4}, "", "Xx.mp3", "yy.mp3"},
        {"--replace",
         {{"x", "y"}, 5},
         "Replace: \"x\" with \"y\" (regular expression, match case)",
         "Xx.mp3",
         "Xy.mp3"},
        {"--replace", {{"[éü]+", "e"}, 4}, "", "Ébüé.mp3", "ebe.mp3"},
        {"--replace", {{"\\w", "-"}, 4}, "", "ж.日 x.mp3", "-.- -.mp3"},
        {"--replace", {{"x*", "-"}, 4}, "", "ab.mp3", "-a-b-.mp3"},
        {"--replace", {{"(x)?b", "[$1]"}, 4}, "", "ab.mp3", "a[].mp3"},  // a group not taken
        {"--replace", {{"(?<=a)a", "b"}, 4}, "", "aaa.mp3", "abb.mp3"},  // sees what went before
        {"--replace", {{"b", "c"}, 4}, "", "a\377b.mp3", "a\377c.mp3"},  // bytes that are not UTF-8
        {"--replace", {{"^\\d+\\s*", ""}, 4}, "", "01 Song 2.mp3", "Song 2.mp3"},
        {"--replace", {{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)", "$12$1"}, 4}, "", "abcdefghijkl.mp3", "la.mp3"},
        {"--replace", {{" \\(\\d+\\)$", ""}, 4}, "", "Song (2).mp3", "Song.mp3"},
        {"--append", {{"01 ", ""}}, "Append: \"01 \" at front", "x.mp3", "01 x.mp3"},
        {"--append", {{"[", "]"}}, "Append: \"[\" at front and \"]\" at end", "x.mp3", "[x].mp3"},
        {"--strip", {{"the "}}, "Strip: \"the \"", "The Band.mp3", "Band.mp3"},
        {"--strip", {{"the "}, 1}, "Strip: \"the \" (match case)", "The Band.mp3", "The Band.mp3"},
        {"--pad", {{"(", "-", ")"}}, "Pad: left \"(\"; both \"-\"; right \")\"", "a-b(c).mp3", "a - b (c).mp3"},
        {"--flip", {{" - "}}, "Flip at: \" - \"", "Song - Artist.mp3", "Artist - Song.mp3"},
        {"--number",
         {{"1", "12", "Track %s", "%s."}},
         "NumReplace: (1 to 12) find=\"Track %s\" replace=\"%s.\"",
         "Track 03 x.mp3",
         "03. x.mp3"},
        {"--id3", {{"%1 - %2"}, 1}, "Tags: \"%1 - %2\" (all fields must exist)", "t.mp3", "Artist - Song.mp3"},
        {"--id3", {{"%2 (%4)"}}, "Tags: \"%2 (%4)\"", "t.mp3", "Song (1999).mp3"},
        {"--id3", {{"%2 %7"}, 2}, "ID3v1: \"%2 %7\"", "t.mp3", "Song %7.mp3"},  // --v1-only: no %7
        {"--id3", {{"%2"}, 4}, "Tags: \"%2\" (forbidden characters kept)", "t.mp3", "Song.mp3"},
        {"--id3", {{"%2 (%4)"}, 6}, "ID3: \"%2 (%4)\"", "t.mp3", "Song (1999).mp3"},  // as older files
        {"--id3",
         {{"%1"}, 8},
         "Tags: \"%1\" (tag texts cleaned up)",
         "u.mp3",
         "Sin\xC3\xA9"
         "ad O.mp3"},
        {"--id3", {{"%1"}, 16}, "Tags: \"%1\" (tag texts in ASCII letters)", "u.mp3", "Sinead O.mp3"},
        {"--counter", {{"%2n - %b", "1", "1"}}, "Counter: \"%2n - %b\" from 1 by 1", "Song.mp3", "01 - Song.mp3"},
        {"--clean", {{"nfc", ""}}, "Clean up: composed characters (NFC)", "Cafe\xCC\x81.mp3", "Caf\xC3\xA9.mp3"},
        {"--clean",
         {{"ascii,spaces", ""}},
         "Clean up: ASCII letters, single spaces",
         "  Stra\xC3\x9F\x65  \xC3\x98l .mp3",
         "Strasse Ol.mp3"},
        {"--clean",
         {{"forbidden", "_"}},
         "Clean up: forbidden characters to \"_\"",
         "a\x01"
         "b.mp3",
         "a_b.mp3"},
        {"--clean", {{"forbidden", ""}}, "Clean up: forbidden characters removed", "a\tb.mp3", "ab.mp3"},
        {"--counter",
         {{"%3n%%%b", "-7", "-2"}, 1},
         "Counter: \"%3n%%%b\" from -7 by -2 (restarted in each folder)",
         "a.mp3",
         "-007%a.mp3"},
        {"--counter",
         {{"%n %b", "5", "1"}, 2},
         "Counter: \"%n %b\" from 5 by 1 (restarted on each disc)",
         "a.mp3",
         "5 a.mp3"},
        {"--counter",
         {{"%n %b", "5", "1"}, 3},
         "Counter: \"%n %b\" from 5 by 1 (restarted on each disc)",
         "a.mp3",
         "5 a.mp3"},  // the disc within its folder
        // "%0" is the disc field of a rule reading the best tag; an ID3v1 tag has no disc, so the
        // field takes "CD " with it.
        {"--id3", {{"%2 CD %0"}}, "Tags: \"%2 CD %0\"", "t.mp3", "Song.mp3"},
        {"--id3", {{"%2 %0"}, 2}, "ID3v1: \"%2 %0\"", "t.mp3", "Song %0.mp3"},
    };
    TempFolder folder;
    taggedSong(folder);
    // An artist with an accent (Windows-1252, as ID3v1 holds it) and two spaces.
    testing_support::writeFile(folder / "u.mp3", std::string(64, '\x55') + "TAG" + slot("Song", 30) +
                                                     slot("Sin\xE9"
                                                          "ad  O",
                                                          30) +
                                                     slot("Album", 30) + "1999" + slot("", 30) +
                                                     std::string(1, '\x11'));
    std::set<std::string> covered;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + ::testing::PrintToString(c.values.texts));
        const FilterKind* kind = findFilterKind(c.option);
        ASSERT_NE(kind, nullptr);
        const FilterResult made = buildFilter(*kind, c.values);
        ASSERT_TRUE(made.rule) << made.problem;
        EXPECT_EQ(made.rule->type, kind->type);
        if (*c.description) {
            EXPECT_EQ(made.rule->description, c.description);
        }
        EXPECT_EQ(applyRules(nullptr, {*made.rule}, folder.path(), c.name), c.proposed);
        // What a dialog opens on builds the same Rule again.
        const FilterResult again = buildFilter(*kind, kind->values(*made.rule));
        ASSERT_TRUE(again.rule) << again.problem;
        EXPECT_EQ(*again.rule, *made.rule);
        if (made.rule->type == ID3) {
            EXPECT_EQ((made.rule->option & Id3DiscField) != 0,
                      (made.rule->option & Id3BestTag) && usesDiscField(c.values.texts[0]));
        }
        covered.insert(c.option);
    }
    for (const FilterKind& kind : filterKinds()) EXPECT_TRUE(covered.count(kind.option)) << kind.option;
}

TEST(FilterKinds, RefusedWithOneMessageNamingTheField) {
    const std::string invalid = invalidFilenameMessage();
    struct Case {
        const char* option;
        FilterValues values;
        std::string problem;
        int field;
    };
    const std::string long128(128, 'x'), long21(21, 'x');
    const std::string percent = "%b, %n, %3n (a width of 1 to 10) and %%; ";
    const Case cases[] = {
        {"--case", {{"loud"}}, "--case takes sentence, lower, upper, mixed, toggle or title", 0},
        {"--case", {{"upper"}, 1}, "--every-word goes with --case title only.", -1},
        {"--case", {{"title", "  " + std::string(63, 'a') + "   " + std::string(63, 'b')}}, "", -1},  // once tidied
        {"--case", {{"title", long128}}, "The list of small words takes at most 127 bytes.", 1},
        {"--case", {{"title", long128}, 1}, "", -1},  // every word: no list to keep
        {"--append", {{"", ""}}, "Append needs a text for the front or for the end.", -1},
        {"--append", {{"a", "b:"}}, invalid, 1},
        {"--append", {{"a|", long128}}, "An Append text takes at most 127 bytes.", 1},  // length first
        {"--replace", {{"", "b"}}, "Find and Replace needs a text to find.", -1},
        {"--clean",
         {{"nfc,bogus", ""}},
         "--clean takes nfc, ascii, spaces or forbidden (several with commas between)",
         0},
        {"--clean", {{"forbidden", "ab"}}, "Forbidden characters become one character, or none.", 1},
        {"--clean", {{"forbidden", "/"}}, invalid, 1},
        {"--replace", {{"a", ""}}, "", -1},    // an empty replacement removes what is found
        {"--replace", {{"a?", "b"}}, "", -1},  // a find text may hold anything
        {"--replace", {{"a", "b?"}}, invalid, 1},
        {"--replace",
         {{"Ab", "aB"}},
         "\"Find\" and \"Replace\" fields can't be the same. You must change either the \"Find\" or \"Replace\" "
         "field or you can try enabling the \"Match Case\" option.",
         -1},
        {"--replace",
         {{"(ab", "x"}, 4},
         "The regular expression is not valid at character 4: missing closing parenthesis.",
         0},
        {"--replace",
         {{"é|*x", "x"}, 4},
         "The regular expression is not valid at character 3: quantifier does not follow a repeatable item.",
         0},
        {"--replace",
         {{"(a)", "x$2"}, 4},
         "The replacement is not valid at character 2: the pattern has no group 2 (it has 1).",
         1},
        {"--replace",
         {{"(a)", "$12"}, 4},
         "The replacement is not valid at character 1: the pattern has no group 12 (it has 1).",
         1},
        {"--replace",
         {{"a", "é${x}"}, 4},
         "The replacement is not valid at character 2: the pattern has no group named \"x\".",
         1},
        {"--replace",
         {{"a", "${1"}, 4},
         "The replacement is not valid at character 1: \"${\" has no closing \"}\".",
         1},
        {"--replace",
         {{"a", "$x"}, 4},
         "The replacement is not valid at character 1: \"$\" must be followed by a group number (0 to 99), \"{name}\" "
         "or another \"$\" (\"$$\" stands for \"$\").",
         1},
        {"--replace",
         {{"a", "b"}, 6},
         "Whole words only does not apply to a regular expression; write \\b around it instead.",
         -1},
        {"--strip", {{long128}}, "The Stripper text takes at most 127 bytes.", 0},
        {"--strip", {{"a*"}}, "", -1},
        {"--pad", {{"", "", ""}}, "Padding needs at least one set of characters.", -1},
        {"--pad", {{"", long21, ""}}, "A Padding set takes at most 20 bytes.", 1},
        {"--flip", {{""}}, "Flip needs the text to flip at.", -1},
        {"--number", {{"x", "5", "%s", "%s."}}, "Please enter an integer.", 0},
        {"--number", {{"-1", "5", "%s", "%s."}}, "Please enter an integer.", 0},
        {"--number", {{"1", "100", "%s", "%s."}}, "Please enter an integer between 0 and 99.", 1},
        {"--number",
         {{"0099", "5", "%s", "%s."}},
         "Number Replace needs a lower limit smaller than the upper limit.",
         -1},
        {"--number", {{"1", "5", "%s", ""}}, "Number Replace needs both forms.", -1},
        {"--number", {{"1", "5", "T%s", "t%s"}}, "Number Replace needs two different forms.", -1},
        {"--number",
         {{"1", "5", "%s%s", "%s."}},
         "You must have exactly one \"%s\" -- that is, current number -- per field.",
         -1},
        {"--id3", {{""}}, "The tag filter needs a format.", -1},
        {"--id3", {{"%1/%2"}}, invalid, 0},
        {"--counter", {{"", "1", "1"}}, "The counter needs a format.", 0},
        {"--counter", {{"%b", "1", "1"}}, "The counter format needs %n, the number.", 0},
        {"--counter", {{"%n%11n", "1", "1"}}, "The counter format takes " + percent + "\"%11n\" is none of them.", 0},
        {"--counter", {{"%n %x", "1", "1"}}, "The counter format takes " + percent + "\"%x\" is none of them.", 0},
        {"--counter", {{"%n?", "1", "1"}}, invalid, 0},
        {"--counter", {{"%n", "2147483648", "1"}}, "Please enter an integer between -2147483648 and 2147483647.", 1},
        {"--counter", {{"%n", "1", "-"}}, "Please enter an integer.", 2},
        {"--counter", {{"%n", "1", "-0"}}, "The counter's step cannot be 0: every file would get the same number.", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + ::testing::PrintToString(c.values.texts));
        const FilterKind& kind = *findFilterKind(c.option);
        const FilterResult made = buildFilter(kind, c.values);
        EXPECT_EQ(made.rule.has_value(), c.problem.empty());
        EXPECT_EQ(made.problem, c.problem);
        EXPECT_EQ(made.field, c.field);
        // A dialog checking that one field alone gets the same words.
        if (c.field >= 0 && !(c.values.flags & 4)) {  // a pattern is checked with its switches
            const auto index = static_cast<std::size_t>(c.field);
            EXPECT_EQ(checkFilterText(kind, index, c.values.texts[index]), c.problem);
        }
    }
}

TEST(FilterKinds, OptionsAreKeysAndModifiersBelongToTheirKinds) {
    std::set<std::string> options;
    for (const FilterKind& kind : filterKinds()) {
        EXPECT_TRUE(options.insert(kind.option).second) << kind.option;
    }
    // A Rule is described, applied and edited by the entry that built it, also where entries share
    // a type; a preset must not fall to the custom form's entry or the other way round.
    for (const char* option : {"--underscores", "--periods", "--replace", "--strip"}) {
        const FilterResult made = buildFilter(option, {{"a", "b"}, 0});
        ASSERT_TRUE(made.rule) << option;
        EXPECT_EQ(filterKindOf(*made.rule), findFilterKind(option)) << option;
    }
    EXPECT_EQ(findFilterKind("--replace")->flagOfModifier("--whole-word"), 1);
    EXPECT_EQ(findFilterKind("--strip")->flagOfModifier("--whole-word"), -1);
    EXPECT_EQ(findFilterKind("--bogus"), nullptr);
    Rule plugin;
    plugin.type = Plugin;
    EXPECT_EQ(filterKindOf(plugin), nullptr);
    // Values a front end gives beyond a kind's shape are dropped, missing ones count as empty.
    EXPECT_EQ(buildFilter("--strip", {{"x", "extra"}, 0xFF}).rule->option, 1);
    EXPECT_EQ(buildFilter("--append", {{"x"}}).rule->appendEnd(), "");
}

}  // namespace

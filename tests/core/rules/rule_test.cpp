#include <gtest/gtest.h>

#include "core/rules/rule.h"

namespace {

using namespace core;

Rule make(std::int32_t type, std::string t1 = {}, std::string t2 = {}, std::string t3 = {}, std::int32_t option = 0,
          std::int32_t extra = 0) {
    Rule rule;
    rule.type = type;
    rule.text1 = std::move(t1);
    rule.text2 = std::move(t2);
    rule.text3 = std::move(t3);
    rule.option = option;
    rule.extra = extra;
    return rule;
}

TEST(RuleDescription, EveryKindToTheByte) {
    struct Case {
        Rule rule;
        const char* description;
    };
    const Case cases[] = {
        {make(ChangeCase, "", "", "", SentenceCase), "Change Case: all characters to Sentence case"},
        {make(ChangeCase, "", "", "", LowerCase), "Change Case: all characters to lower case"},
        {make(ChangeCase, "", "", "", UpperCase), "Change Case: all characters to UPPER CASE"},
        {make(ChangeCase, "", "", "", MixedCase), "Change Case: all characters to Mixed Case"},
        {make(ChangeCase, "", "", "", ToggleCase), "Change Case: all characters to tOGGLE cASE"},
        {make(ChangeCase, "", "", "", TitleCase), "Change Case: all characters to Title Case"},
        {make(ChangeCase, "", "", "", 7), "Change Case: all characters to Mixed Case"},
        {make(ChangeCase, "", "", "", -1), "Change Case: all characters to Mixed Case"},

        {make(Pad), "Pad:"},
        {make(Pad, "(", "", ""), "Pad: left \"(\""},
        {make(Pad, "", "-", ""), "Pad: both \"-\""},
        {make(Pad, "", "", ")"), "Pad: right \")\""},
        {make(Pad, "(", "", ")"), "Pad: left \"(\"; right \")\""},
        {make(Pad, "(", "-", ""), "Pad: left \"(\"; both \"-\""},
        {make(Pad, "", "-", ")"), "Pad: both \"-\"; right \")\""},
        {make(Pad, "(", "-", ")"), "Pad: left \"(\"; both \"-\"; right \")\""},

        {make(Replace, "", "", "", 5), "Replace: underscores with spaces"},
        {make(Replace, "", "", "", 9), "Replace: periods with spaces"},
        {make(Replace, "", "", "", 13), "Replace: underscores with spaces"},
        {make(Replace, "_", "-", "", 2), "Replace: \"_\" with \"-\""},
        {make(Replace, "_", "-", "", 6), "Replace: \"_\" with \"-\" (match case)"},
        {make(Replace, "_", "-", "", 10), "Replace: \"_\" with \"-\" (whole words only)"},
        {make(Replace, "_", "-", "", 14), "Replace: \"_\" with \"-\" (match case, whole words only)"},
        {make(Replace, "", "", "", 0), "Replace: \"\" with \"\""},

        {make(Append, "x", ""), "Append: \"x\" at front"},
        {make(Append, "", "x"), "Append: \"x\" at end"},
        {make(Append, "a", "b"), "Append: \"a\" at front and \"b\" at end"},

        {make(ID3, "%1 - %3", "", "", 0x06), "ID3: \"%1 - %3\" (all fields must exist)"},
        {make(ID3, "%1 - %3", "", "", 0), "ID3: \"%1 - %3\""},
        {make(ID3, "%7 %2", "", "", Id3BestTag | Id3SafeNames), "Tags: \"%7 %2\""},
        {make(ID3, "%7 %2", "", "", Id3BestTag | Id3SafeNames | 0x41), "Tags: \"%7 %2\" (all fields must exist)"},
        {make(ID3, "%2", "", "", Id3BestTag), "Tags: \"%2\" (forbidden characters kept)"},
        {make(ID3, "%2", "", "", Id3BestTag | 0x01), "Tags: \"%2\" (all fields must exist, forbidden characters kept)"},
        {make(ID3, "%2", "", "", Id3SafeNames), "ID3v1: \"%2\""},
        {make(Strip, "the", "", "", 1), "Strip: \"the\" (match case)"},
        {make(Strip, "the", "", "", 0), "Strip: \"the\""},
        {make(Flip, " - "), "Flip at: \" - \""},
        {make(NumReplace, "Track %s ", "%s - ", "", 1, 20),
         "NumReplace: (1 to 20) find=\"Track %s \" replace=\"%s - \""},
        {make(NumReplace, "%s", "x%s", "", -5, 2147483647),
         "NumReplace: (-5 to 2147483647) find=\"%s\" replace=\"x%s\""},

        {make(RuleNone), "Unknown rule type; rule not propertly initialized"},
        {make(Plugin), "Unknown rule type; rule not propertly initialized"},
        {make(42), "Unknown rule type; rule not propertly initialized"},
    };
    for (const Case& c : cases) {
        Rule rule = c.rule;
        rule.description = "old";
        ruleDescription(rule);
        EXPECT_EQ(rule.description, c.description) << "type " << c.rule.type << " option " << c.rule.option;
    }
}

TEST(RuleDescription, SaysNothingNewWhenThereIsNothingToSay) {
    // An Append with both texts empty and a built-in Replace without its character keep
    // whatever they had: a new Rule's empty description, or an older one.
    for (Rule rule : {make(Append), make(Replace, "", "", "", ReplacePreset)}) {
        ruleDescription(rule);
        EXPECT_EQ(rule.description, "");
        rule.description = "kept";
        ruleDescription(rule);
        EXPECT_EQ(rule.description, "kept");
    }
}

TEST(Rule, ViewsNameTheRulesOwnTexts) {
    Rule rule;
    rule.appendFront() = "front";
    rule.padRight() = ")";
    EXPECT_EQ(rule.text1, "front");
    EXPECT_EQ(rule.findText(), "front");
    EXPECT_EQ(rule.text3, ")");
    Rule copy = rule;
    copy.findText() = "changed";
    EXPECT_EQ(rule.appendFront(), "front") << "a copy owns its own texts";
    EXPECT_EQ(copy.text1, "changed");
    EXPECT_NE(copy, rule);
    copy = rule;
    EXPECT_EQ(copy, rule);
}

TEST(Rule, NewRuleHasEveryDefault) {
    const Rule rule;
    EXPECT_EQ(rule, (Rule{"", "", "", "", 0, 0, 0, ""}));
}

TEST(FieldMask, FromFormat) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"%2 [%3 (%4)]", 0x0D}, {"100%", 0},    {"%%1", 0x02}, {"%1 - %3", 0x06}, {"%1%2%3%4%5%6", 0x3F},
        {"%7 %0 %a", 0},        {"%%%5", 0x10}, {"", 0},       {"%", 0},          {"% 1", 0},
    };
    for (const auto& [format, mask] : cases) EXPECT_EQ(fieldMaskFromFormat(format), mask) << format;
    // A rule that reads the best tag counts %7 to %9 too.
    EXPECT_EQ(fieldMaskFromFormat("%7 %8 %9 %2 %0", true), Id3Track | Id3Disc | Id3AlbumArtist | Id3Title);
}

}  // namespace

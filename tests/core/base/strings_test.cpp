#include <gtest/gtest.h>

#include "core/base/strings.h"

namespace {

using namespace core;

TEST(Strings, FormatTakesOnlyWhatItIsGiven) {
    struct Case {
        const char* format;
        std::vector<FormatArgument> arguments;
        const char* out;
    };
    const Case cases[] = {
        {"code (%d, %d): %s", {std::int64_t{115}, std::int64_t{-1}, std::string("bad")}, "code (115, -1): bad"},
        {"%s - %d file(s) renamed.",
         {std::string("3/7/99 9:05:02"), std::int64_t{14}},
         "3/7/99 9:05:02 - 14 file(s) renamed."},
        {"100%% done", {}, "100% done"},
        {"%s and %s", {std::string("one")}, "one and "},        // a missing argument writes nothing
        {"%d", {std::string("text")}, "text"},                  // kinds are not trusted either
        {"%x %n %p %", {std::string("unused")}, "%x %n %p %"},  // nothing else is a directive
        {"%s", {std::string("%s %d %n")}, "%s %d %n"},          // arguments are never formats
    };
    for (const Case& c : cases) EXPECT_EQ(formatText(c.format, c.arguments), c.out) << c.format;
}

TEST(Strings, TableHoldsTheProgramsTexts) {
    EXPECT_STREQ(loadString(IDS_APP_TITLE), "Calderwynstrope");
    EXPECT_STREQ(loadString(IDS_LOAD_FILTERS_FAILED), "Failed to load specified filter file.\n\ncode (%d, %d): %s");
    EXPECT_STREQ(loadString(IDS_UNDO_FAILURE_LINE), "- from \"%s\" to \"%s\" in \"%s\"\r\n");
    EXPECT_STREQ(loadString(57352), "") << "an id the program does not have";
    EXPECT_EQ(formatString(IDS_MODIFY_NAME_FAILED, {std::string("C:\\music\\"), std::string("a.mp3")}),
              "Failed to modify the filename C:\\music\\a.mp3.");
    for (int id = 57344; id <= 57372; ++id) {
        if (id == 57352 || id == 57364) continue;  // never used
        EXPECT_STRNE(loadString(id), "") << id;
    }
}

}  // namespace

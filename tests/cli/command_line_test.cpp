#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace {

using namespace cli;

TEST(CommandLine, Accepted) {
    Invocation in;
    std::string error;
    ASSERT_TRUE(
        parseCommandLine({"preview",      "-p", "*.mp3;*.mp2", "-r",     "--replace", "a",     "b",  "--match-case",
                          "--whole-word", "-f", "x.ren",       "--case", "upper",     "--id3", "%1", "--require-fields",
                          "--append",     "",   "end",         "--tsv",  "music"},
                         in, error))
        << error;
    EXPECT_EQ(in.kind, CommandKind::Preview);
    EXPECT_EQ(in.target, "music");
    EXPECT_EQ(in.patterns, "*.mp3;*.mp2");
    EXPECT_TRUE(in.recurse);
    EXPECT_TRUE(in.tsv);
    ASSERT_EQ(in.filters.size(), 5u);
    EXPECT_EQ(in.filters[0].option, "--replace");
    EXPECT_TRUE(in.filters[0].has("--match-case") && in.filters[0].has("--whole-word"));
    EXPECT_EQ(in.filters[1].arguments, std::vector<std::string>{"x.ren"});
    EXPECT_EQ(in.filters[2].arguments, std::vector<std::string>{"upper"});
    EXPECT_TRUE(in.filters[3].has("--require-fields"));
    EXPECT_EQ(in.filters[4].arguments, (std::vector<std::string>{"", "end"}));

    EXPECT_FALSE(in.tagOrder);
    ASSERT_TRUE(parseCommandLine({"rename", "--no-undo", "--pad", "(", "-", ")", "--order", "tags", "/m"}, in, error));
    EXPECT_TRUE(in.noUndo);
    EXPECT_TRUE(in.tagOrder);
    EXPECT_EQ(in.patterns, "*.*");
    ASSERT_TRUE(parseCommandLine({"undo", "run", "ABCDEFGHIJKL"}, in, error));
    EXPECT_EQ(in.kind, CommandKind::UndoRun);
    EXPECT_EQ(in.target, "ABCDEFGHIJKL");
    ASSERT_TRUE(parseCommandLine({"undo", "list"}, in, error));
    EXPECT_EQ(in.kind, CommandKind::UndoList);
    ASSERT_TRUE(parseCommandLine({}, in, error));
    EXPECT_EQ(in.kind, CommandKind::Help);
    ASSERT_TRUE(parseCommandLine({"--version"}, in, error));
    EXPECT_EQ(in.kind, CommandKind::Version);
}

TEST(CommandLine, DataFolderBeforeOrAfterTheCommand) {
    const struct {
        std::vector<std::string> arguments;
        CommandKind kind;
        const char* target;
    } cases[] = {
        {{"--data-dir", "d", "undo", "list"}, CommandKind::UndoList, ""},
        {{"undo", "show", "ABCDEFGHIJKL", "--data-dir", "d"}, CommandKind::UndoShow, "ABCDEFGHIJKL"},
        {{"filters", "--data-dir", "d", "x.ren"}, CommandKind::Filters, "x.ren"},
        {{"rename", "--data-dir", "d", "m"}, CommandKind::Rename, "m"},
        {{"--data-dir", "e", "preview", "m", "--data-dir", "d"}, CommandKind::Preview, "m"},
        {{"--data-dir", "d", "--help"}, CommandKind::Help, ""},
        {{"undo", "--json", "show", "--data-dir", "d", "ABCDEFGHIJKL"}, CommandKind::UndoShow, "ABCDEFGHIJKL"},
    };
    for (const auto& c : cases) {
        Invocation in;
        std::string error;
        ASSERT_TRUE(parseCommandLine(c.arguments, in, error)) << error;
        EXPECT_EQ(in.kind, c.kind);
        EXPECT_EQ(in.target, c.target);
        EXPECT_EQ(in.dataDir, "d");
    }
    // Inside a filter's arguments it is only text.
    Invocation in;
    std::string error;
    ASSERT_TRUE(parseCommandLine({"preview", "--replace", "--data-dir", "x", "m"}, in, error)) << error;
    EXPECT_EQ(in.dataDir, "");
    EXPECT_EQ(in.filters[0].arguments, (std::vector<std::string>{"--data-dir", "x"}));
}

TEST(CommandLine, Refused) {
    const std::vector<std::vector<std::string>> cases = {
        {"preview"},
        {"preview", "a", "b"},
        {"preview", "--replace", "a"},
        {"preview", "--match-case", "m"},
        {"preview", "--case", "upper", "--match-case", "m"},
        {"preview", "--every-word", "m"},
        {"preview", "--strip", "x", "--whole-word", "m"},
        {"preview", "--require-fields", "m"},
        {"preview", "--counter", "%n", "1", "m"},
        {"preview", "--append", "a", "", "--per-folder", "m"},
        {"preview", "--append", "a", "", "--per-disc", "m"},
        {"preview", "--order", "disc", "m"},
        {"preview", "m", "--order"},
        {"preview", "--no-undo", "m"},  // rename only
        {"preview", "--bogus", "m"},
        {"preview", "-p"},
        {"rename", "--number", "1", "2", "%s", "m"},
        {"filters"},
        {"filters", "a", "b"},
        {"undo"},
        {"undo", "show"},
        {"undo", "list", "extra"},
        {"undo", "redo", "X"},
        {"frobnicate"},
        {"--data-dir"},
        {"--data-dir", "", "undo", "list"},
        {"undo", "list", "--data-dir"},
        {"rename", "m", "--data-dir"},
        {"preview", "--json", "--tsv", "m"},
        {"undo", "run", "X", "--json"},
        {"undo", "--json"},
    };
    for (const auto& arguments : cases) {
        Invocation in;
        std::string error;
        EXPECT_FALSE(parseCommandLine(arguments, in, error)) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLine, HelpListsEveryCommandAndOption) {
    const std::string help = helpText();
    for (const char* item : {"preview",
                             "rename",
                             "filters FILE.ren",
                             "undo list",
                             "undo show",
                             "undo run",
                             "undo delete",
                             "--help",
                             "--version",
                             "--pattern",
                             "--recurse",
                             "--filters",
                             "--case",
                             "--underscores",
                             "--periods",
                             "--replace",
                             "--match-case",
                             "--whole-word",
                             "--append",
                             "--strip",
                             "--pad",
                             "--flip",
                             "--number",
                             "--id3",
                             "--require-fields",
                             "--per-disc",
                             "--order name|tags",
                             "%0 disc",
                             "--v1-only",
                             "--keep-forbidden",
                             "--counter",
                             "--per-folder",
                             "--save",
                             "--tsv",
                             "--json",
                             "\"old\":null,\"old_hex\":",
                             "not_reached",
                             "--no-undo",
                             "--data-dir",
                             "CALDERWYNSTROPE_HOME",
                             "portable"}) {
        EXPECT_NE(help.find(item), std::string::npos) << item;
    }
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        EXPECT_LE(end - start, 100u) << help.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace

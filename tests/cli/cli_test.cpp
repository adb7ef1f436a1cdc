// The command-line program's commands on real folders, run in this process.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace cli;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    Outcome run(std::vector<std::string> arguments) {
        StringConsole console;
        const int status = runCli(arguments, console, [&](const std::string& dataDir) {
            return dataDir.empty() ? core::AppPaths::in(app.path()) : core::AppPaths::locate(dataDir);
        });
        return Outcome{status, console.output, console.errors};
    }
    std::string dir() const { return music.path() + platform::kPathSeparator; }
    void files(std::initializer_list<const char*> names) {
        for (const char* name : names) writeFile(music / name, name);
    }

    TempFolder app, music;
};

TEST_F(CliTest, PreviewShowsEveryStatusAndTouchesNothing) {
    files({"a_1.mp3", "b.mp3", "c.mp3", "keep.mp3", "x_y.mp3", "x y.mp3"});
    // b -> c (c is there: exists), c -> d (ok), a_1 -> a 1 (ok), keep stays, x_y -> x y (exists),
    // then --append "?" on nothing... built with a replace that makes an invalid name would be
    // refused, so the duplicate comes from two files meeting on one name.
    const Outcome r = run({"preview", "--tsv", "--underscores", "--replace", "b", "c", "--replace", "keep", "keep2",
                           "--replace", "keep2", "keep", "-p", "*.mp3", music.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string d = dir();
    EXPECT_EQ(r.out, d + "\ta_1.mp3\ta 1.mp3\tok\n" + d + "\tb.mp3\tc.mp3\texists\n" + d +
                         "\tc.mp3\tc.mp3\tunchanged\n" + d + "\tkeep.mp3\tkeep.mp3\tunchanged\n" + d +
                         "\tx y.mp3\tx y.mp3\tunchanged\n" + d + "\tx_y.mp3\tx y.mp3\texists\n");
    for (const char* name : {"a_1.mp3", "b.mp3", "c.mp3", "x_y.mp3"}) EXPECT_EQ(readFile(music / name), name);

    files({"p1.mp3", "p2.mp3"});
    const Outcome dup = run({"preview", "--tsv", "--strip", "1", "--strip", "2", "-p", "p?.mp3", music.path()});
    EXPECT_EQ(dup.out, d + "\tp1.mp3\tp.mp3\tok\n" + d + "\tp2.mp3\tp.mp3\tduplicate\n");

    const Outcome twice = run({"preview", "--tsv", "--append", "", "_", "-p", "p1.mp3;p1.*", music.path()});
    EXPECT_EQ(twice.out, d + "\tp1.mp3\tp1_.mp3\tok\n" + d + "\tp1.mp3\tp1_.mp3\tmissing\n");
}

TEST_F(CliTest, PreviewReadableByPeople) {
    files({"Artist_-_Song.mp3", "same.mp3"});
    const Outcome r = run({"preview", "--underscores", music.path()});
    EXPECT_EQ(r.out, dir() +
                         "\n  ok        Artist_-_Song.mp3\n            -> Artist - Song.mp3\n  "
                         "unchanged same.mp3\n"
                         "2 files: 1 ok, 1 unchanged\n");
}

TEST_F(CliTest, InvalidNamesFromTagsArePredictedAndFail) {
    std::string tag = "TAG" + std::string("A/B") + std::string(27, '\0') + std::string(30 + 30 + 4 + 30, '\0') + "\x01";
    writeFile(music / "t.mp3", std::string(300, 'x') + tag);
    EXPECT_EQ(run({"preview", "--tsv", "--id3", "%2", music.path()}).out, dir() + "\tt.mp3\tA-B.mp3\tok\n");
    EXPECT_EQ(run({"preview", "--tsv", "--id3", "%2", "--keep-forbidden", music.path()}).out,
              dir() + "\tt.mp3\tA/B.mp3\tinvalid\n");
    const Outcome r = run({"rename", "--id3", "%2", "--keep-forbidden", music.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot rename"), std::string::npos);
    EXPECT_EQ(r.out, "Renaming...done\n\nThe following files could not be renamed:\n- \"" + dir() +
                         "t.mp3\"\n\n0 files were successfully renamed.\n");
    EXPECT_TRUE(platform::fileExists(music / "t.mp3"));
}

TEST_F(CliTest, NamesFromTheTagsOfEveryFormat) {
    namespace tf = testing_support;
    const auto mp3 = [](const tf::TagTexts& tags) {
        return tf::id3v2Tag(tags, 4, tf::TextEncoding::Utf8) + tf::mpegFrames();
    };
    writeFile(music / "曲.mp3", mp3({"戦場のメリークリスマス", "坂本龍一", "", "", "", "", "7/12", "", ""}));
    writeFile(music / "b.flac", tf::flacFile({"Song: Live", "AC/DC", "", "", "", "", "2", "", ""}));
    writeFile(music / "c.m4a", tf::mp4File({"Tune", "Band", "", "", "", "", "12/12", "", ""}));
    writeFile(music / "d.ogg", tf::oggVorbisFile({"No Track", "Band", "", "", "", "", "", "", ""}));
    const Outcome r = run({"rename", "--id3", "%7 %1 - %2", "--require-fields", music.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"07 坂本龍一 - 戦場のメリークリスマス.mp3", "02 AC-DC - Song - Live.flac",
                             "12 Band - Tune.m4a", "d.ogg"}) {  // no track number: skipped, as required
        EXPECT_TRUE(platform::fileExists(music / name)) << name;
    }
}

TEST_F(CliTest, RenameThenUndoRestoresEveryName) {
    files({"one_a.mp3", "two_b.mp3", "three_c.mp3"});
    const Outcome renamed = run({"rename", "--underscores", "--case", "upper", music.path()});
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(renamed.out, "Renaming...done\n\n3 files were successfully renamed.\n");
    EXPECT_TRUE(platform::fileExists(music / "ONE A.MP3"));

    const Outcome list = run({"undo", "list"});
    ASSERT_EQ(list.status, 0);
    ASSERT_EQ(list.out.size(), 12u + 1 + list.out.substr(13).size());
    const std::string name = list.out.substr(0, 12);
    EXPECT_NE(list.out.find("\t"), std::string::npos);
    EXPECT_NE(list.out.find(" - 3 file(s) renamed.\n"), std::string::npos) << list.out;

    const Outcome show = run({"undo", "show", name});
    EXPECT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("3 entries\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("  Replace: underscores with spaces\n  Change Case: all characters to UPPER CASE\n"),
              std::string::npos)
        << show.out;

    const Outcome undone = run({"undo", "run", name});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.out, "Undoing complete:\n\n3 files were successfully undone.\n");
    for (const char* original : {"one_a.mp3", "two_b.mp3", "three_c.mp3"})
        EXPECT_EQ(readFile(music / original), original);
    EXPECT_EQ(run({"undo", "list"}).out, "");
    EXPECT_EQ(run({"undo", "run", name}).status, 2) << "gone from the index";
}

TEST_F(CliTest, RenameCollectsFailuresAndNoUndoRecordsNothing) {
    files({"a.mp3", "b.mp3", "c.mp3"});
    const Outcome r = run({"rename", "--no-undo", "--append", "", "_2", "-p", "*.mp3", music.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(music / "b_2.mp3"), "b.mp3");
    EXPECT_EQ(run({"undo", "list"}).out, "");
    files({"x.mp3"});
    writeFile(music / "y.mp3", "taken");
    const Outcome failing = run({"rename", "--replace", "x", "y", "-p", "x.mp3", music.path()});
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(readFile(music / "y.mp3"), "taken");
    EXPECT_EQ(readFile(music / "x.mp3"), "x.mp3");
}

TEST_F(CliTest, ARecordThatCouldNotBeWrittenIsAFailure) {
    files({"a.mp3"});
    writeFile(app / "undo", "a file where the undo folder belongs");
    const Outcome r = run({"rename", "--append", "", "_2", music.path()});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(platform::fileExists(music / "a_2.mp3"));
}

TEST_F(CliTest, DeleteRemovesTheDatabaseWithoutUndoing) {
    files({"a.mp3"});
    run({"rename", "--append", "", "2", music.path()});
    const std::string name = run({"undo", "list"}).out.substr(0, 12);
    EXPECT_EQ(run({"undo", "delete", name}).status, 0);
    EXPECT_EQ(run({"undo", "list"}).out, "");
    EXPECT_TRUE(platform::fileExists(music / "a2.mp3"));
    EXPECT_FALSE(platform::fileExists(app / ("undo" + std::string(1, platform::kPathSeparator) + name)));
}

TEST_F(CliTest, RefusedInputExitsWithTwo) {
    writeFile(music / "bad.ren", std::string("\2\0\0\0", 4) + std::string(200, '\0'));
    files({"a.mp3"});
    const Outcome rejected = run({"preview", "-f", music / "bad.ren", music.path()});
    EXPECT_EQ(rejected.status, 2);
    EXPECT_EQ(rejected.err,
              "calderwynstrope-cli: Failed to load specified filter file.\n\ncode (115, -1): The "
              "specified file format is invalid; the file is corrupt.\n");
    EXPECT_EQ(run({"filters", music / "bad.ren"}).status, 2);
    EXPECT_EQ(run({"filters", music / "missing.ren"}).status, 2);
    EXPECT_EQ(run({"preview", music / "no such folder"}).status, 2);
    EXPECT_EQ(run({"preview", "--case", "loud", music.path()}).status, 2);
    EXPECT_EQ(run({"preview", "--number", "5", "5", "%s", "x%s", music.path()}).status, 2);
    EXPECT_EQ(run({"undo", "show", "NOSUCHNAMEXX"}).status, 2);
    const Outcome slash = run({"preview", "--append", "a/", "", music.path()});
    EXPECT_EQ(slash.status, 2);
    EXPECT_NE(slash.err.find("Invalid proposed filename."), std::string::npos);
    const Outcome same = run({"preview", "--replace", "a", "A", music.path()});
    EXPECT_NE(same.err.find("fields can't be the same"), std::string::npos);
    EXPECT_EQ(run({"preview", "--replace", "a", "A", "--match-case", music.path()}).status, 0);
    const Outcome none = run({"preview", "-p", "*.wav", music.path()});
    EXPECT_EQ(none.status, 0);
    EXPECT_NE(none.err.find("There were no files found matching"), std::string::npos);
}

TEST_F(CliTest, InlineFiltersAreRefusedInTheWordsOfTheFilterTable) {
    // The dialogs show the table's words too, so both front ends refuse alike.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--number", {"x", "5", "%s", "%s."}},
        {"--number", {"0", "100", "%s", "%s."}},
        {"--strip", {std::string(128, 's')}},
        {"--case", {"title"}},
    };
    for (const auto& [option, texts] : cases) {
        std::vector<std::string> arguments{"preview", option};
        arguments.insert(arguments.end(), texts.begin(), texts.end());
        arguments.push_back(music.path());
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, std::string("calderwynstrope-cli: ") + option + ": " +
                             core::buildFilter(option, {texts}).problem + "\n");
    }
}

TEST_F(CliTest, SavedFiltersPrintBackAndMatchTheDialogsRules) {
    const std::string saved = music / "saved.ren";
    const Outcome r = run({"preview", "--case",    "sentence",     "--underscores", "--periods",    "--replace",
                           "a",       "b",         "--match-case", "--whole-word",  "--append",     "<",
                           "",        "--strip",   "the",          "--match-case",  "--pad",        "(",
                           "-",       ")",         "--flip",       " - ",           "--number",     "1",
                           "20",      "Track %s ", "%s - ",        "--id3",         "(%3) %1 - %2", "--require-fields",
                           "--save",  saved,       music.path()});
    ASSERT_EQ(r.status, 2) << "\"<\" cannot go into a name";
    const Outcome ok = run({"preview", "--case",    "sentence",     "--underscores", "--periods",    "--replace",
                            "a",       "b",         "--match-case", "--whole-word",  "--append",     "x",
                            "",        "--strip",   "the",          "--match-case",  "--pad",        "(",
                            "-",       ")",         "--flip",       " - ",           "--number",     "1",
                            "20",      "Track %s ", "%s - ",        "--id3",         "(%3) %1 - %2", "--require-fields",
                            "--save",  saved,       music.path()});
    ASSERT_EQ(ok.status, 0) << ok.err;

    // The same filters as the dialogs make them, in a file of their own.
    core::RuleList dialogs;
    const std::pair<const char*, core::FilterValues> made[] = {
        {"--case", {{"sentence"}}},       {"--underscores", {}},     {"--periods", {}},
        {"--replace", {{"a", "b"}, 3}},   {"--append", {{"x", ""}}}, {"--strip", {{"the"}, 1}},
        {"--pad", {{"(", "-", ")"}}},     {"--flip", {{" - "}}},     {"--number", {{"1", "20", "Track %s ", "%s - "}}},
        {"--id3", {{"(%3) %1 - %2"}, 1}},
    };
    for (const auto& [option, values] : made) {
        const core::FilterResult built = core::buildFilter(option, values);
        ASSERT_TRUE(built.rule.has_value()) << built.problem;
        dialogs.push_back(*built.rule);
    }
    core::writeFilterFile(music / "dialogs.ren", dialogs);
    EXPECT_EQ(readFile(saved), readFile(music / "dialogs.ren"));

    const Outcome printed = run({"filters", saved});
    EXPECT_EQ(printed.out,
              "Change Case: all characters to Sentence case\nReplace: underscores with spaces\nReplace: "
              "periods with "
              "spaces\nReplace: \"a\" with \"b\" (match case, whole words only)\nAppend: \"x\" at "
              "front\nStrip: "
              "\"the\" (match case)\nPad: left \"(\"; both \"-\"; right \")\"\nFlip at: \" - "
              "\"\nNumReplace: (1 to 20) "
              "find=\"Track %s \" replace=\"%s - \"\nTags: \"(%3) %1 - %2\" (all fields must exist)\n");
    EXPECT_EQ(run({"preview", "-f", saved, "--tsv", music.path()}).status, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <chrono>

#include "core/base/reporter.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/text_rules.h"
#include "core/session/rename_session.h"
#include "core/undo/undo_index.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/recording_reporter.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::RecordingReporter;
using testing_support::TempFolder;
using testing_support::writeFile;

Rule rule(std::int32_t type, std::string t1 = {}, std::string t2 = {}, std::int32_t option = 0) {
    Rule r;
    r.type = type;
    r.text1 = std::move(t1);
    r.text2 = std::move(t2);
    r.option = option;
    ruleDescription(r);
    return r;
}

TEST(ProposeName, SplitsTrimsAndAppliesInOrder) {
    struct Case {
        const char* name;
        RuleList rules;
        const char* proposal;
    };
    const Case cases[] = {
        {" song.mp3", {}, "song.mp3"},
        {"song .mp3", {}, "song.mp3"},
        {"song.mp3 ", {}, "song.mp3 "},  // the space belongs to the extension, which is never trimmed
        {"\t song \r.mp3", {}, "song.mp3"},
        {"track.mp3", {rule(ChangeCase, "", "", UpperCase)}, "TRACK.MP3"},
        {"TRACK.MP3", {rule(ChangeCase, "", "", SentenceCase)}, "Track.mp3"},
        {"track.mp3", {rule(Append, "", "x")}, "trackx.mp3"},
        {".mp3", {rule(Append, "x", "")}, "x.mp3"},
        {"README", {rule(Append, "", "_1")}, "README_1"},
        {"a.b.c.mp3", {rule(Replace, "", "", 9)}, "a b c.mp3"},
        {"name.", {rule(Append, "", "!")}, "name!."},
        {"a_b.mp3", {rule(Replace, "", "", 5), rule(ChangeCase, "", "", MixedCase)}, "A B.mp3"},
        {"a_b.mp3", {rule(ChangeCase, "", "", MixedCase), rule(Replace, "", "", 5)}, "A b.mp3"},  // order matters
        {"x.mp3", {rule(RuleNone), rule(42)}, "x.mp3"},  // unknown rules are skipped
        {"README", {rule(Strip, "README")}, ""},         // an empty proposal is still proposed
    };
    RecordingReporter reporter;
    TempFolder folder;
    for (const Case& c : cases) {
        RenameSession session(nullptr, c.rules, RunOptions{false, false, 50}, AppPaths::in(folder.path()), reporter);
        EXPECT_EQ(session.proposeName(folder.path(), c.name), c.proposal) << c.name;
    }
    EXPECT_TRUE(reporter.messages.empty());
}

TEST(ProposeName, Id3ReadsTheFileAsFound) {
    TempFolder folder;
    std::string tag = "TAG" + std::string("Song") + std::string(26, '\0') + "Artist" + std::string(24, '\0') +
                      std::string(30 + 4 + 30, '\0') + "\x11";
    writeFile(folder / "01 track.mp3", std::string(200, 'x') + tag);
    RuleList rules = {rule(Append, "ignored ", ""), rule(ID3, "%1 - %2")};
    RecordingReporter reporter;
    RenameSession session(nullptr, rules, RunOptions{false, false, 50}, AppPaths::in(folder.path()), reporter);
    EXPECT_EQ(session.proposeName(folder.path() + platform::kPathSeparator, "01 track.mp3"), "Artist - Song.mp3");
    EXPECT_EQ(session.proposeName(folder.path(), "01 track.mp3"), "Artist - Song.mp3") << "folder without separator";
}

TEST(ProposeName, AFailingRuleIsReportedAndKeepsTheName) {
    Rule runaway;
    runaway.type = NumReplace;
    runaway.option = 0;
    runaway.extra = 2147483647;
    runaway.findText() = "a";
    runaway.replaceText() = "aa%s";
    RuleList rules = {runaway};
    RecordingReporter reporter;
    TempFolder folder;
    RenameSession session(nullptr, rules, RunOptions{false, false, 50}, AppPaths::in(folder.path()), reporter);
    const std::string sep(1, platform::kPathSeparator);
    EXPECT_EQ(session.proposeName("C:" + sep + "music" + sep, "a.mp3"), "a.mp3");
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], "Failed to modify the filename C:" + sep + "music" + sep + "a.mp3.");

    // A pattern that backtracks without end gives up on this name alone, and says so; so does one
    // whose every match is cheap but which matches again at every character: one budget covers
    // all the matches of a name. Honest patterns with a match at every character still work.
    const std::string a40(40, 'a'), a200(200, 'a'), dashes(200, '-');
    std::string everyGap = "x", runs;  // runs: each match stays far below the budget alone
    for (int i = 0; i < 18; ++i) runs += std::string(13, 'a') + " ";
    for (int i = 0; i < 200; ++i) everyGap += "ax";
    const struct {
        const char* find;
        std::string name;
        std::string proposed;  // the name itself when the pattern gives up on it
    } patterns[] = {
        {"(a+)+$", a40 + "b.mp3", a40 + "b.mp3"},
        {"(a+)+$", "aa.mp3", "x.mp3"},
        {"(?=.*?(a+)+c)?", a40 + ".mp3", a40 + ".mp3"},
        {"(?=.*?(a+)+c)?", a200 + ".mp3", a200 + ".mp3"},
        {"(?=.*?(a+)+c)?", runs + ".mp3", runs + ".mp3"},
        {"(?=.*?(a+)+c)?", "ab.mp3", "xaxbx.mp3"},
        {"a", a200 + ".mp3", std::string(200, 'x') + ".mp3"},
        {"\\w", a200 + ".mp3", std::string(200, 'x') + ".mp3"},
        {"b*", a200 + ".mp3", everyGap + ".mp3"},  // an empty match at each of 201 places
        {"[^x]*?a", dashes + "a" + dashes + "a.mp3", "xx.mp3"},
    };
    std::size_t failures = 1;
    for (const auto& p : patterns) {
        SCOPED_TRACE(p.find + (" on " + p.name));
        RuleList pattern = {*buildFilter("--replace", {{p.find, "x"}, 4}).rule};
        RenameSession limited(nullptr, pattern, RunOptions{false, false, 50}, AppPaths::in(folder.path()), reporter);
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_EQ(limited.proposeName(folder.path(), p.name), p.proposed);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(500));
        if (p.proposed != p.name) continue;
        ASSERT_EQ(reporter.messages.size(), ++failures);
        EXPECT_NE(reporter.messages.back().find("gave up on this name: its matches need more than 1000000 steps "
                                                "together (match limit exceeded)."),
                  std::string::npos)
            << reporter.messages.back();
    }
    EXPECT_EQ(reporter.messages.size(), failures);

    RuleList appends(200, rule(Append, std::string(100, 'x'), ""));
    RenameSession many(nullptr, appends, RunOptions{false, false, 50}, AppPaths::in(folder.path()), reporter);
    EXPECT_EQ(many.proposeName(folder.path(), "b.mp3"), "b.mp3") << "a long list can run away too";
}

TEST(RenameFile, MovesNeverOverwritesAndRecordsForUndo) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "A");
    writeFile(folder / "b.mp3", "B");
    writeFile(folder / "c.mp3", "C");
    RecordingReporter reporter;
    const RuleList rules;
    TempFolder app;
    RenameSession session(nullptr, rules, RunOptions{true, false, 50}, AppPaths::in(app.path()), reporter);
    const std::string dir = folder.path() + platform::kPathSeparator;

    std::string why;
    EXPECT_FALSE(session.renameFile("a.mp3", dir, "b.mp3", &why)) << "b.mp3 exists";
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(readFile(folder / "a.mp3"), "A");
    EXPECT_EQ(readFile(folder / "b.mp3"), "B");

    for (const char* bad : {"", "sub/x.mp3", "sub\\x.mp3", "what?.mp3", "a:b.mp3", ".."}) {
        EXPECT_FALSE(session.renameFile("a.mp3", dir, bad)) << bad;
    }
    EXPECT_EQ(readFile(folder / "a.mp3"), "A");

    EXPECT_TRUE(session.renameFile("a.mp3", dir, "first.mp3"));
    EXPECT_TRUE(session.renameFile("c.mp3", folder.path(), "second.mp3")) << "folder without separator";
    EXPECT_FALSE(session.renameFile("gone.mp3", dir, "third.mp3"));
    EXPECT_EQ(readFile(folder / "first.mp3"), "A");
    EXPECT_EQ(readFile(folder / "second.mp3"), "C");

    const std::vector<UndoEntry> expected = {{dir, "first.mp3", "a.mp3"}, {dir, "second.mp3", "c.mp3"}};
    std::vector<UndoEntry> recorded;
    readUndoDatabase(AppPaths::in(app.path()).undoFolder() + session.finish(), recorded);
    EXPECT_EQ(recorded, expected) << "only renames that happened, in order";
}

// A record cut short would undo some other file: such a rename is not made while undo is on.
TEST(RenameFile, AFolderTooLongForTheUndoRecordIsNotRenamed) {
    TempFolder top, app;
    std::string dir = top.path();
    while (dir.size() < 1200) {
        dir += platform::kPathSeparator + std::string(200, 'd');
        ASSERT_TRUE(platform::createFolder(dir));
    }
    dir += platform::kPathSeparator;
    writeFile(dir + "a.mp3", "A");
    RecordingReporter reporter;
    const RuleList rules;
    {
        RenameSession session(nullptr, rules, RunOptions{true, false, 50}, AppPaths::in(app.path()), reporter);
        std::string why;
        EXPECT_FALSE(session.renameFile("a.mp3", dir, "b.mp3", &why));
        EXPECT_NE(why.find("too long for the undo record"), std::string::npos) << why;
        EXPECT_EQ(readFile(dir + "a.mp3"), "A");
        EXPECT_EQ(session.finish(), "");
    }
    RenameSession noUndo(nullptr, rules, RunOptions{false, false, 50}, AppPaths::in(app.path()), reporter);
    EXPECT_TRUE(noUndo.renameFile("a.mp3", dir, "b.mp3")) << "nothing to record";
}

TEST(RenameSession, FinishWritesTheUndoDatabaseOnlyWhenSomethingWasRenamed) {
    TempFolder folder, app;
    writeFile(folder / "a.mp3", "A");
    writeFile(folder / "b.mp3", "B");
    const RuleList rules = {rule(Append, "x", ""), rule(ChangeCase, "", "", UpperCase), rule(Flip, "-")};
    RecordingReporter reporter;
    const AppPaths paths = AppPaths::in(app.path());
    {
        RenameSession nothing(nullptr, rules, RunOptions{true, true, 50}, paths, reporter);
        EXPECT_FALSE(nothing.renameFile("a.mp3", folder.path(), "b.mp3"));
        EXPECT_EQ(nothing.finish(), "");
    }
    EXPECT_FALSE(platform::fileExists(paths.indexFile())) << "a run that renamed nothing leaves no trace";

    std::string name;
    {
        RenameSession run(nullptr, rules, RunOptions{true, true, 50}, paths, reporter);
        EXPECT_TRUE(run.renameFile("a.mp3", folder.path(), "1.mp3"));
        EXPECT_TRUE(run.renameFile("b.mp3", folder.path(), "2.mp3"));
        name = run.finish();
    }
    ASSERT_EQ(name.size(), 12u);
    for (char c : name) EXPECT_TRUE(c >= 'A' && c <= 'Z') << name;
    // The head, two entries (the folder with its separator, names of 5 bytes), the table and its
    // checksum, the filters.
    EXPECT_EQ(readFile(paths.undoFolder() + name).size(),
              84 + 2 * (31 + folder.path().size() + 1 + 10) + 16 + 4 + 72 + 3 * 784u);
    UndoIndex index(paths.indexFile());
    ASSERT_TRUE(index.open());
    std::vector<IndexEntry> entries;
    index.readAll(entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, name);
    EXPECT_NE(entries[0].description.find(" - 2 files renamed, 0 unchanged, 0 failed."), std::string::npos)
        << entries[0].description;

    {  // Undo off: nothing written, however much was renamed.
        RenameSession off(nullptr, rules, RunOptions{false, true, 50}, paths, reporter);
        EXPECT_TRUE(off.renameFile("1.mp3", folder.path(), "one.mp3"));
    }
    entries.clear();
    index.readAll(entries);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_TRUE(reporter.messages.empty());
}

}  // namespace

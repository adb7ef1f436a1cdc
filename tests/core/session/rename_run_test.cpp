#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/base/strings.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/name_check.h"
#include "core/session/rename_run.h"
#include "core/undo/journal.h"
#include "core/undo/journal_format.h"
#include "core/undo/journal_recovery.h"
#include "core/undo/undo_catalog.h"
#include "core/undo/undo_index.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/recording_reporter.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::RecordingReporter;
using testing_support::TempFolder;
using testing_support::writeFile;

class RenameRunTest : public ::testing::Test {
protected:
    // The files of `music` named, in this order, each holding its own name.
    FileList files(std::initializer_list<const char*> names) {
        FileList list;
        const auto folder = core::SharedFolder(music.path() + platform::kPathSeparator);
        for (const char* name : names) {
            if (!platform::fileExists(music / name)) writeFile(music / name, name);
            list.push_back(FileEntry{name, folder});
        }
        return list;
    }
    RuleList appendX() const {
        Rule rule;
        rule.type = Append;
        rule.appendEnd() = "_x";
        ruleDescription(rule);
        return {rule};
    }
    std::string dir() const { return music.path() + platform::kPathSeparator; }

    TempFolder music, app;
    RecordingReporter reporter;
};

TEST_F(RenameRunTest, OnePassCountsFailuresAndWritesUndo) {
    files({"2_x.mp3", "4_x.mp3"});
    RenameRun run(nullptr, appendX(), files({"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"}), RunOptions{true, false, 50},
                  AppPaths::in(app.path()), reporter);
    std::vector<std::string> failed;
    std::vector<std::size_t> shown;
    RunCallbacks callbacks;
    callbacks.failed = [&](const RunFailure& failure) { failed.push_back(failure.name); };
    callbacks.progress = [&](const RunProgress& progress) {
        EXPECT_EQ(progress.total, 5u);
        shown.push_back(progress.done);
    };
    callbacks.progressEvery = 2;
    run.runAll(callbacks);
    EXPECT_TRUE(run.done());
    EXPECT_EQ(failed, (std::vector<std::string>{"2.mp3", "4.mp3"}));
    EXPECT_EQ(shown, (std::vector<std::size_t>{1, 3, 5})) << "the first, every second, the last";

    const RunResult result = run.finish();
    EXPECT_EQ(result.total, 5u);
    EXPECT_EQ(result.renamed, 3u);
    EXPECT_EQ(result.skipped, 0u);
    ASSERT_EQ(result.failed(), 2u);
    EXPECT_EQ(result.failures[0].path(), dir() + "2.mp3");
    EXPECT_EQ(result.failures[0].newName, "2_x.mp3");
    EXPECT_FALSE(result.failures[0].reason.empty());
    // Each failure says why.
    EXPECT_EQ(result.summaryText(), "Renaming...done\r\n\r\nThe following files could not be renamed:\r\n- \"" + dir() +
                                        "2.mp3\": " + result.failures[0].reason + "\r\n- \"" + dir() + "4.mp3\": " +
                                        result.failures[1].reason + "\r\n\r\n3 files renamed, 0 unchanged, 2 failed.");
    EXPECT_EQ(readFile(music / "2_x.mp3"), "2_x.mp3") << "never overwritten";
    EXPECT_EQ(readFile(music / "5_x.mp3"), "5.mp3");

    ASSERT_EQ(result.undoDatabase.size(), 12u);
    std::vector<UndoEntry> undo;
    readUndoDatabase(AppPaths::in(app.path()).undoFolder() + result.undoDatabase, undo);
    EXPECT_EQ(undo.size(), 3u) << "only the moves that happened";
    EXPECT_EQ(run.finish().undoDatabase, result.undoDatabase) << "finishing twice writes nothing more";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(RenameRunTest, SteppingKeepsAFailedFileUntilItIsCorrectedOrSkipped) {
    files({"taken.mp3"});
    RenameRun run(nullptr, appendX(), files({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}), RunOptions{},
                  AppPaths::in(app.path()), reporter);
    const RunStep* step = run.next();
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->file->name, "a.mp3");
    EXPECT_EQ(step->newName, "a_x.mp3");
    EXPECT_EQ(run.next(), step) << "the same file until it is handled";

    std::string why;
    EXPECT_FALSE(run.apply("taken.mp3", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(run.apply("bad?.mp3"));
    EXPECT_EQ(run.handled(), 0u) << "a refused name counts nothing";
    EXPECT_EQ(run.next()->file->name, "a.mp3");
    EXPECT_TRUE(run.apply("first.mp3"));

    EXPECT_EQ(run.next()->file->name, "b.mp3");
    run.skip();
    EXPECT_EQ(run.handled(), 2u);

    files({"d_x.mp3"});
    run.runAll();  // c goes, d cannot
    EXPECT_TRUE(run.done());
    EXPECT_EQ(run.next(), nullptr);
    const RunResult result = run.finish();
    EXPECT_EQ(result.renamed, 2u);
    EXPECT_EQ(result.skipped, 1u);
    ASSERT_EQ(result.failed(), 1u);
    EXPECT_EQ(result.failures[0].name, "d.mp3");
    EXPECT_EQ(result.undoDatabase, "") << "undo off";
    EXPECT_EQ(readFile(music / "first.mp3"), "a.mp3");
    EXPECT_EQ(readFile(music / "b.mp3"), "b.mp3");
    EXPECT_EQ(readFile(music / "c_x.mp3"), "c.mp3");
}

TEST_F(RenameRunTest, ARunAfterAPreviewRenamesWhatWasShown) {
    RenameRun run(nullptr, appendX(), files({"a.mp3", "b.mp3"}), RunOptions{}, AppPaths::in(app.path()), reporter);
    const RunPlan lines = run.preview();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].newName, "b_x.mp3");
    EXPECT_EQ(lines[1].status, PreviewStatus::Ok);
    EXPECT_TRUE(platform::fileExists(music / "a.mp3")) << "a preview touches nothing";

    EXPECT_THROW(run.planNames({"one.mp3"}), std::invalid_argument);
    run.planNames({"one.mp3", "two.mp3"});
    EXPECT_EQ(run.next()->newName, "one.mp3");
    run.runAll();
    EXPECT_EQ(readFile(music / "two.mp3"), "b.mp3");
    EXPECT_EQ(run.finish().summaryText(), "Renaming...done\r\n\r\n2 files renamed, 0 unchanged, 0 failed.");

    // Leaving unchanged names alone, stepping asks only about real renames, and a name typed back
    // to the old one moves nothing.
    RunOptions leave;
    leave.leaveUnchanged = true;
    RenameRun stepping(nullptr, appendX(), files({"c.mp3", "d.mp3", "e.mp3"}), leave, AppPaths::in(app.path()),
                       reporter);
    stepping.planNames({"c.mp3", "d_x.mp3", "e_x.mp3"});
    EXPECT_EQ(stepping.next()->file->name, "d.mp3");
    EXPECT_TRUE(stepping.apply("d.mp3"));
    EXPECT_TRUE(stepping.apply("e_x.mp3"));
    const RunResult counted = stepping.finish();
    EXPECT_EQ(counted.summaryText(), "Renaming...done\r\n\r\n1 file renamed, 2 unchanged, 0 failed.");
}

// A cancel leaves the files not reached as they are. A long run names its files on a thread of
// its own, batches ahead of its moves: what the rules report (a pattern gives up on some names)
// still reaches the reporter on the run's thread, in the files' order, and the files named ahead
// and never moved count as not reached and stay out of the undo record.
TEST_F(RenameRunTest, ACancelStopsAtTheNextFileAndLeavesTheRestAsTheyAre) {
    const std::string hopeless = std::string(40, 'a') + "b";
    struct Case {
        int files, moves;
        const char* summary;
    };
    const Case cases[] = {
        {4, 1, "1 file renamed, 0 unchanged, 0 failed, 3 not reached (the run was cancelled)."},
        {1000, 600, "600 files renamed, 0 unchanged, 0 failed, 400 not reached (the run was cancelled)."},
    };
    for (const Case& c : cases) {
        TempFolder music, app;
        FileList list;
        const auto folder = core::SharedFolder(music.path() + platform::kPathSeparator);
        for (int i = 0; i < c.files; ++i) {
            const std::string name = (i % 150 == 7 ? hopeless : "") + std::to_string(i) + ".mp3";
            writeFile(music / name, name);
            list.push_back(FileEntry{name, folder});
        }
        RuleList rules = {*buildFilter("--replace", {{"(a+)+$", "x"}, 4}).rule, appendX()[0]};
        struct ThreadReporter : Reporter {
            std::vector<std::string> messages;
            std::vector<std::thread::id> threads;
            void criticalError(const std::string& text) override {
                messages.push_back(text);
                threads.push_back(std::this_thread::get_id());
            }
        } told;
        RenameRun run(nullptr, rules, std::move(list), RunOptions{true, false, 50}, AppPaths::in(app.path()), told);
        RunCallbacks callbacks;
        int asked = 0;
        callbacks.stop = [&] { return ++asked > c.moves; };
        run.runAll(callbacks);
        const RunResult result = run.finish();
        EXPECT_EQ(result.summaryText(), std::string("Renaming...done\r\n\r\n") + c.summary);
        EXPECT_GE(told.messages.size(), static_cast<std::size_t>((c.moves + 142) / 150)) << "a report each";
        for (std::size_t i = 0; i < told.messages.size(); ++i) {
            EXPECT_EQ(told.threads[i], std::this_thread::get_id());
            EXPECT_NE(told.messages[i].find(hopeless + std::to_string(7 + 150 * i) + ".mp3"), std::string::npos)
                << told.messages[i];
        }
        EXPECT_TRUE(platform::fileExists(music / (std::to_string(c.moves - 1) + "_x.mp3")));
        EXPECT_TRUE(platform::fileExists(music / (std::to_string(c.moves) + ".mp3")));
        std::vector<UndoEntry> undo;
        readUndoDatabase(AppPaths::in(app.path()).undoFolder() + result.undoDatabase, undo);
        EXPECT_EQ(undo.size(), static_cast<std::size_t>(c.moves))
            << "named and recorded ahead but never made: not in the database";
    }
}

// Files slow to name (here each takes a pattern to its limit) come to the run a few at a time,
// not a whole batch later: the run tells its progress and sees a Cancel promptly.
TEST_F(RenameRunTest, FilesSlowToNameComeToTheRunAFewAtATime) {
    FileList list;
    const auto folder = core::SharedFolder(dir());
    for (int i = 0; i < 300; ++i) {
        const std::string name = std::string(40, 'a') + "b" + std::to_string(i) + ".mp3";
        writeFile(music / name, name);
        list.push_back(FileEntry{name, folder});
    }
    RenameRun run(nullptr, {*buildFilter("--replace", {{"(a+)+$", "x"}, 4}).rule}, std::move(list),
                  RunOptions{false, false, 50}, AppPaths::in(app.path()), reporter);
    RunCallbacks callbacks;
    std::size_t toldAtFirstAsk = 0;
    callbacks.stop = [&] {
        toldAtFirstAsk = reporter.messages.size();
        return true;
    };
    run.runAll(callbacks);
    EXPECT_GE(toldAtFirstAsk, 1u);
    EXPECT_LT(toldAtFirstAsk, 128u) << "named ahead of the first move";
    EXPECT_EQ(run.finish().notReached, 300u);
}

TEST_F(RenameRunTest, APreviewReportsItsProgressAndCanBeStopped) {
    RenameRun run(nullptr, appendX(), files({"a.mp3", "b.mp3", "c.mp3"}), RunOptions{}, AppPaths::in(app.path()),
                  reporter);
    std::size_t asked = 0;
    EXPECT_TRUE(run.preview([&](std::size_t, std::size_t) { return ++asked < 2; }).empty());
    EXPECT_EQ(asked, 2u) << "stops at the first refusal";
    run.planNames({"one.mp3", "two.mp3", "three.mp3"});

    std::vector<std::size_t> done;
    const auto lines = run.preview([&](std::size_t step, std::size_t total) {
        EXPECT_EQ(total, 6u);
        done.push_back(step);
        return true;
    });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].newName, "three.mp3");
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), 6u) << "the end is reported";

    // A stopped preview leaves no number behind: the run counts from the start again.
    RenameRun counted(nullptr, {*buildFilter("--counter", {{"%b%n", "7", "1"}}).rule}, files({"a.mp3", "b.mp3"}),
                      RunOptions{}, AppPaths::in(app.path()), reporter);
    EXPECT_TRUE(counted.preview([&](std::size_t step, std::size_t) { return step == 0; }).empty());
    counted.runAll();
    EXPECT_EQ(readFile(music / "a7.mp3") + readFile(music / "b8.mp3"), "a.mp3b.mp3");

    // A big run is named on two threads: the numbers still follow the run's order, restarting in
    // each folder, and a name the rules cannot make is told once, in order, from either half.
    FileList big;
    const auto first = core::SharedFolder(dir() + "one" + platform::kPathSeparator),
               second = core::SharedFolder(dir() + "two" + platform::kPathSeparator);
    const std::string hopeless = std::string(200, 'a') + "b";
    for (int i = 0; i < 9000; ++i) {
        big.push_back(FileEntry{(i % 3000 == 2999 ? hopeless : "f") + std::to_string(i), i < 3000 ? first : second});
    }
    const RuleList numbered = {*buildFilter("--counter", {{"%b-%n", "1", "1"}, 1}).rule,
                               *buildFilter("--replace", {{"(a+)+$", "x"}, 4}).rule};
    RecordingReporter told;
    RenameRun twoThreads(nullptr, numbered, std::move(big), RunOptions{}, AppPaths::in(app.path()), told);
    const RunPlan& named = twoThreads.preview();
    ASSERT_EQ(named.size(), 9000u);
    EXPECT_EQ(named[0].newName, "f0-1");
    EXPECT_EQ(named[2998].newName, "f2998-2999");
    EXPECT_EQ(named[3000].newName, "f3000-1") << "the second folder counts again";
    EXPECT_EQ(named[4500].newName, "f4500-1501") << "the second thread's first file";
    EXPECT_EQ(named[8998].newName, "f8998-5999");
    ASSERT_EQ(told.messages.size(), 3u) << "the runaway name of each third";
    for (std::size_t i = 0; i < told.messages.size(); ++i) {
        EXPECT_NE(told.messages[i].find(hopeless + std::to_string(2999 + 3000 * i)), std::string::npos) << i;
    }
}

// What the preview calls ok is renamed, and what it calls invalid is refused for the reason it
// gave. The device names and the trailing dots and spaces are Windows' own answers, as Wine's
// conformance tests record them (ntdll's RtlIsDosDeviceName_U and full path cases).
TEST_F(RenameRunTest, ThePreviewsVerdictIsWhatTheRenameDoes) {
    const auto repeat = [](const std::string& text, int times) {
        std::string out;
        for (int i = 0; i < times; ++i) out += text;
        return out;
    };
    // Each reason with the names refused for it; "" for names that are fine.
    std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
        {"reserved device name",
         {"CON.mp3", "nul.txt", "CoM4", "LPT9.mp3", "aux", "prn... ...mp3", "NUL  .txt", "CON .mp3", "CONIN$",
          "conout$.log", "COM\u00B9.mp3", "lpt\u00B3"}},
        {"ends in a dot or space", {"name.", "name ", "test  ....   ..   "}},
        {"too long: 256 of 255", {repeat("a", 256), repeat("\U0001F3B5", 128)}},
        {"forbidden character", {"a?b.mp3", "a:b", "tab\there"}},
        {"not a file name", {".."}},
        {"",
         {"CON2.mp3", "CONERR$.mp3", "PIPE.mp3", "nul0.mp3", "lpt0.txt", "COM\u2074.mp3", "console.mp3", "con_x.mp3",
          "a. b", repeat("a", 255), repeat("\u00E9", 127)}},
    };
#ifndef _WIN32
    // Linux counts bytes: 200 UTF-16 units are 400 bytes here.
    const long limit = platform::maxNameBytes(music.path());
    groups.push_back({limit > 0 && limit < 400 ? "too long: 400 of " + std::to_string(limit) + " bytes" : "",
                      {repeat("\u00E9", 200)}});
#endif
    std::vector<std::pair<std::string, std::string>> cases;
    for (const auto& [reason, names] : groups) {
        for (const std::string& name : names) cases.emplace_back(name, reason);
    }
    FileList list;
    NameList names;
    const auto folder = core::SharedFolder(dir());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        writeFile(music / ("f" + std::to_string(i)), "");
        list.push_back(FileEntry{"f" + std::to_string(i), folder});
        names.push_back(cases[i].first);
    }
    RenameRun run(nullptr, {}, std::move(list), RunOptions{}, AppPaths::in(app.path()), reporter);
    run.planNames(std::move(names));
    const RunPlan lines = run.preview();
    run.runAll();
    const RunResult result = run.finish();
    std::size_t failure = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [name, reason] = cases[i];
        EXPECT_EQ(lines[i].reason, reason) << name;
        EXPECT_EQ(lines[i].status, reason.empty() ? PreviewStatus::Ok : PreviewStatus::Invalid) << name;
        if (reason.empty()) {
            EXPECT_TRUE(platform::fileExists(music / name)) << name;
        } else if (failure < result.failed()) {
            EXPECT_EQ(result.failures[failure].name, "f" + std::to_string(i));
            EXPECT_EQ(result.failures[failure++].reason, invalidNameMessage(name, reason));
            EXPECT_TRUE(platform::fileExists(music / ("f" + std::to_string(i)))) << name;
        }
    }
    const auto refused = std::count_if(cases.begin(), cases.end(), [](const auto& c) { return !c.second.empty(); });
    EXPECT_EQ(result.failed(), static_cast<std::size_t>(refused)) << "every refused name and nothing else failed";
}

// A one-pass run moves a file whose name another file of the run holds once that one has moved,
// and a ring through a temporary name; the preview says so, and undo brings every name back.
TEST_F(RenameRunTest, SwapsShiftsAndRingsAreOrderedAndUndone) {
    writeFile(music / "held.mp3", "held.mp3");
    const std::vector<std::pair<const char*, const char*>> renames = {
        {"a.mp3", "b.mp3"},    {"b.mp3", "c.mp3"}, {"c.mp3", "a.mp3"},  // a ring of three
        {"d.mp3", "e.mp3"},    {"e.mp3", "f.mp3"},                      // a shift
        {"g.mp3", "h.mp3"},    {"h.mp3", "g.mp3"},                      // a swap
        {"x.mp3", "held.mp3"},                                          // held by a file left alone
        {"y.mp3", "e.mp3"},                                             // wanted by d first
    };
    FileList list;
    NameList names;
    for (const auto& [from, to] : renames) {
        list.push_back(files({from})[0]);
        names.push_back(to);
    }
    RunOptions options{true, false, 50};
    options.solveOrder = true;
    RenameRun run(nullptr, appendX(), std::move(list), options, AppPaths::in(app.path()), reporter);
    run.planNames(std::move(names));
    std::vector<std::string> predicted;
    for (const PreviewLine line : run.preview()) predicted.push_back(statusName(line.status));
    EXPECT_EQ(predicted, (std::vector<std::string>{"ok", "ok", "ok", "ok", "ok", "ok", "ok", "exists", "duplicate"}));
    std::vector<std::string> failed;
    RunCallbacks callbacks;
    callbacks.failed = [&](const RunFailure& failure) { failed.push_back(failure.name); };
    run.runAll(callbacks);
    const RunResult result = run.finish();
    EXPECT_EQ(result.renamed, 7u);
    EXPECT_EQ(failed, (std::vector<std::string>{"x.mp3", "y.mp3"}));
    for (const auto& [from, to] : renames) {
        if (std::string(from) != "x.mp3" && std::string(from) != "y.mp3") {
            EXPECT_EQ(readFile(music / to), from) << to;
        }
    }
    const auto index = parseIndex(readFile(app / "braxen.idx"));
    ASSERT_EQ(index.size(), 1u);
    EXPECT_NE(index[0].description.find(" - 7 files renamed, 0 unchanged, 2 failed."), std::string::npos)
        << index[0].description;
    UndoCatalog catalog(AppPaths::in(app.path()));
    catalog.refresh();
    const UndoOutcome undone = catalog.undoDatabase(index[0]);
    EXPECT_EQ(undone.failures, 0);
    EXPECT_EQ(undone.undone, 7) << "files, not moves: the ring's hop is part of one file's rename";
    for (const auto& [from, to] : renames) EXPECT_EQ(readFile(music / from), from) << from;
    EXPECT_EQ(platform::fileExists(music / "f.mp3"), false);
}

TEST_F(RenameRunTest, AnEmptyRunIsDoneAtOnce) {
    RenameRun run(nullptr, appendX(), FileList{}, RunOptions{true, false, 50}, AppPaths::in(app.path()), reporter);
    EXPECT_EQ(run.next(), nullptr);
    EXPECT_TRUE(run.done());
    const RunResult result = run.finish();
    EXPECT_EQ(result.total, 0u);
    EXPECT_EQ(result.undoDatabase, "");
    EXPECT_FALSE(platform::fileExists(AppPaths::in(app.path()).indexFile()));
}

// What a run could not reach counts against it and is named: a folder discovery could not list,
// and a file whose path is longer than the system takes (it could be listed through its folders,
// but it is neither read nor moved by its path, so it is not taken as left unchanged).
TEST_F(RenameRunTest, FoldersNotListedAndPathsTooLongAreFailures) {
    FileList list = files({"1.mp3"});
    const std::string deep = dir() + std::string(40000, 'd') + platform::kPathSeparator;
    list.push_back(FileEntry{"far.mp3", SharedFolder(deep)});
    RunOptions options;
    options.leaveUnchanged = true;
    RenameRun run(nullptr, appendX(), std::move(list), options, AppPaths::in(app.path()), reporter);
    const RunPlan preview = run.preview();
    ASSERT_EQ(preview.uncheckedFolders().size(), 1u);
    EXPECT_EQ(preview.uncheckedFolders()[0].folder, deep.substr(0, deep.size() - 1));
    EXPECT_EQ(preview.uncheckedFolders()[0].reason, "the path is longer than the system allows");

    run.noteUnlistedFolders({FolderProblem{music / "locked", "Permission denied"}});
    run.runAll();
    const RunResult result = run.finish();
    EXPECT_EQ(result.renamed, 1u);
    ASSERT_EQ(result.failed(), 1u);
    EXPECT_EQ(result.failures[0].name, "far.mp3");
    EXPECT_EQ(result.failures[0].reason, "The file's path is longer than the system allows; it was not renamed.");
    EXPECT_TRUE(result.anyFailure());
    EXPECT_EQ(result.summaryText(),
              "Renaming...done\r\n\r\nThe following files could not be renamed:\r\n- \"" + deep +
                  "far.mp3\": The file's path is longer than the system allows; it was not "
                  "renamed.\r\n- \"" +
                  music / "locked" +
                  "\" (the folder could not be listed: Permission denied)\r\n\r\n1 file renamed, 0 "
                  "unchanged, 2 failed.");

    RenameRun onlyFolders(nullptr, appendX(), files({"2.mp3"}), options, AppPaths::in(app.path()), reporter);
    onlyFolders.noteUnlistedFolders({FolderProblem{music / "gone", "No such file or directory"}});
    onlyFolders.runAll();
    const RunResult folders = onlyFolders.finish();
    EXPECT_EQ(folders.failed(), 0u);
    EXPECT_TRUE(folders.anyFailure()) << "a folder not listed is a failure of the run";
}

}  // namespace

// Random runs of a few files in one or two folders: new names that collide, that only change
// case, that stay, that another file of the run or a file left alone holds. Whatever the plan
// says of a file is what the disk shows after the run, no file is left at a temporary name, the
// counts are the plan's, and undo brings every name back. Killed at a random moment instead
// (POSIX), the run is recovered at the next start and undone all the same.
// Runs into folders too: tagged files in one or two of the folders, named by the Tags filter
// into folders that albums share or not, some spelled in two letter cases, with the album's other
// files beside them (a file's own lyrics and picture, the folder's cover and scans), folders that
// the run empties and folders that keep a hidden file. Undone, the whole tree is as it was: every
// file at its old name, each folder made gone and each folder removed back, except that a file
// the user put into a folder the run made stays there, with its folder.
class RandomRuns : public RenameRunTest {
protected:
    struct Run {
        FileList files;
        NameList names;                     // empty in a run into folders: the Tags filter names them
        std::vector<std::string> contents;  // of the run's files, then of the files left alone
        std::vector<std::string> strays;    // paths of the files left alone
        bool intoFolders = false;
        RuleList rules;
        std::map<std::string, std::string> tree;  // everything under the music folder, as it was
        std::vector<platform::FileId> folders;    // the identities of the folders there
    };

    // What is at a path: a file's bytes, or kFolder.
    static constexpr const char* kFolder = "<folder>";
    std::map<std::string, std::string> tree() {
        std::map<std::string, std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(music.path())) {
            entries[entry.path().string()] = entry.is_directory() ? kFolder : readFile(entry.path().string());
        }
        return entries;
    }

    void snapshot(Run& run) {
        run.tree = tree();
        for (const auto& [path, what] : run.tree) {
            if (what == kFolder) run.folders.push_back(*platform::entryId(path));
        }
    }

    // big: with 520 more files, so that the run checks its files ahead of their moves, on a thread
    // of their own, the random ones among them.
    Run make(std::mt19937& random, bool intoFolders = false, bool big = false) {
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        Run run;
        const std::string sep(1, platform::kPathSeparator);
        const std::vector<std::string> folders = {dir(), dir() + "sub" + sep, dir() + "sub" + sep + "cd" + sep};
        for (std::size_t f = 1; f < folders.size(); ++f) platform::createFolder(folders[f]);
        if (intoFolders) {
            makeTagged(run, random, {folders[0], folders[1 + pick(2)]});
            return run;
        }
        const int folderCount = 1 + pick(2), count = 2 + pick(11);
        std::vector<std::vector<std::string>> taken(2);
        for (int i = 0; i < count; ++i) {
            const int f = pick(folderCount);
            std::string name;
            do {
                name = "f" + std::to_string(pick(14)) + ".mp3";
            } while (std::find(taken[f].begin(), taken[f].end(), name) != taken[f].end());
            taken[f].push_back(name);
            writeFile(folders[f] + name, folders[f] + name);
            run.contents.push_back(folders[f] + name);
            run.files.push_back(FileEntry{name, SharedFolder(folders[f])});
        }
        for (std::size_t i = 0; i < run.files.size(); ++i) {
            const std::string old = run.files[i].name.str();
            const int kind = pick(6);
            std::string name = kind == 0 ? old : "f" + std::to_string(pick(14)) + ".mp3";
            if (kind == 1) std::transform(name.begin(), name.end(), name.begin(), ::toupper);
            run.names.push_back(name);
        }
        if (big) {
            for (int i = 0; i < 520; ++i) {
                const std::string name = (i < 260 ? "a" : "z") + std::to_string(1000 + i) + ".mp3";
                writeFile(folders[0] + name, folders[0] + name);
                run.contents.push_back(folders[0] + name);
                run.files.push_back(FileEntry{name, SharedFolder(folders[0])});
                run.names.push_back("n" + name);
            }
        }
        for (int f = 0; f < folderCount; ++f) {
            const std::string name = "f" + std::to_string(pick(14)) + ".mp3";
            if (std::find(taken[f].begin(), taken[f].end(), name) != taken[f].end()) continue;
            writeFile(folders[f] + name, "stray " + folders[f] + name);
            run.strays.push_back(folders[f] + name);
        }
        snapshot(run);
        return run;
    }
    // A run into folders over tagged files in the first one or both of `folders`.
    void makeTagged(Run& run, std::mt19937& random, const std::vector<std::string>& folders) {
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const auto chance = [&](int in) { return pick(in) == 0; };
        // Albums shared by files of both folders or not, an artist in two spellings, fields empty.
        static const char* const formats[] = {"%9\\%3 (%4)\\%7 - %2", "%1\\%2", "%3\\%1 - %2", "%9\\%3\\%7"};
        static const char* const artists[] = {"Abba", "ABBA", "Queen", ""};
        static const char* const albums[] = {"Gold", "Arrival", ""};
        Rule rule;
        rule.type = ID3;
        rule.id3Format() = formats[pick(4)];
        rule.option = Id3BestTag | Id3SafeNames | Id3Folders;
        ruleDescription(rule);
        run.rules = {rule};
        run.intoFolders = true;
        const int folderCount = 1 + pick(2), count = 2 + pick(7);
        // The files of a folder come together and share it, as the search gives them.
        std::vector<std::vector<int>> taken(2);
        for (int i = 0; i < count; ++i) {
            const int f = pick(folderCount), number = pick(10);
            if (std::find(taken[f].begin(), taken[f].end(), number) == taken[f].end()) taken[f].push_back(number);
        }
        for (int f = 0; f < folderCount; ++f) {
            const SharedFolder folder(folders[f]);
            for (const int number : taken[f]) {
                const std::string base = folders[f] + "f" + std::to_string(number);
                testing_support::TagTexts tags;
                tags.title = "Song " + std::to_string(pick(4));
                tags.artist = artists[pick(4)];
                tags.album = albums[pick(3)];
                tags.year = chance(2) ? "1976" : "";
                tags.track = std::to_string(1 + pick(4));
                if (chance(4)) tags.albumArtist = "Various";
                writeFile(base + ".mp3", testing_support::id3v2Tag(tags, 3, testing_support::TextEncoding::Latin1) +
                                             testing_support::mpegFrames(2) + base);
                run.files.push_back(FileEntry{"f" + std::to_string(number) + ".mp3", folder});
                // Its own lyrics and picture, which take its new name.
                if (chance(3)) writeFile(base + ".lrc", "lyrics " + base);
                if (chance(5)) writeFile(base + ".jpg", "picture " + base);
            }
        }
        for (int f = 0; f < folderCount; ++f) {
            // The folder's own files; something that keeps the folder; a file the run leaves.
            if (chance(2)) writeFile(folders[f] + "cover.jpg", "cover " + folders[f]);
            if (chance(4)) {
                platform::createFolder(folders[f] + "scans");
                writeFile(folders[f] + "scans" + platform::kPathSeparator + "back.png", "scan " + folders[f]);
            }
            if (chance(3)) writeFile(folders[f] + ".hidden", "hidden");
            if (chance(4)) writeFile(folders[f] + "notes.doc", "notes");
        }
        snapshot(run);
    }
    RunOptions options(const Run& run) const {
        RunOptions options{true, false, 50};
        options.solveOrder = options.leaveUnchanged = true;
        if (run.intoFolders) options.intoFolder = options.runFolder = dir();
        return options;
    }
    std::unique_ptr<RenameRun> start(Run& made) {
        auto run =
            std::make_unique<RenameRun>(nullptr, made.intoFolders ? made.rules : appendX(), std::move(made.files),
                                        options(made), AppPaths::in(app.path()), reporter);
        if (!made.intoFolders) run->planNames(std::move(made.names));
        return run;
    }
    // Half the time, a file of the user's in one of the folders the run made (when it made one),
    // given as its path; `expected` takes it and the folders that hold it.
    std::string addUsersFile(std::mt19937& random, const Run& run, std::map<std::string, std::string>& expected) {
        // Not a folder the run moved along (the album's scans), which undo takes back whole.
        const std::vector<platform::FileId>& moved = run.folders;
        std::vector<std::string> made;
        for (const auto& [path, what] : tree()) {
            if (what == kFolder && !run.tree.count(path) &&
                std::find(moved.begin(), moved.end(), *platform::entryId(path)) == moved.end())
                made.push_back(path);
        }
        if (made.empty() || random() % 2) return {};
        const std::string mine = made[random() % made.size()] + platform::kPathSeparator + "mine.txt";
        writeFile(mine, "mine");
        expected[mine] = "mine";
        for (std::string folder = mine;
             (folder = folder.substr(0, folder.rfind(platform::kPathSeparator))).size() > music.path().size();) {
            expected[folder] = kFolder;
        }
        return mine;
    }
    // Every name at the file it had before the run, nothing at a temporary name, no folder made
    // left and none removed missing: the tree as it was, with the user's file if there is one.
    void expectAsBefore(const Run& run, const std::string& why,
                        const std::map<std::string, std::string>* expected = nullptr) {
        for (const std::string& path : run.contents) EXPECT_EQ(readFile(path), path) << why;
        for (const std::string& path : run.strays) EXPECT_EQ(readFile(path), "stray " + path) << why;
        expectNoTemporaryName(why);
        const std::map<std::string, std::string> now = tree();
        for (const auto& [path, what] : expected ? *expected : run.tree) {
            const auto there = now.find(path);
            EXPECT_TRUE(there != now.end() && there->second == what) << why << ": " << path << " is not back";
        }
        for (const auto& [path, what] : now) {
            EXPECT_TRUE((expected ? *expected : run.tree).count(path)) << why << ": " << path << " is left";
        }
    }
    void expectNoTemporaryName(const std::string& why) {
        for (const auto& [path, what] : tree()) {
            EXPECT_FALSE(isTemporaryName(path.substr(path.rfind(platform::kPathSeparator) + 1))) << why << ": " << path;
        }
    }
    void clear() {
        std::vector<std::string> names;
        platform::listNames(dir(), [&](std::string_view name) { names.emplace_back(name); });
        for (const std::string& name : names) std::filesystem::remove_all(music / name);
    }
    // Undoes every run recorded, the newest first.
    void undoAll() {
        UndoCatalog catalog(AppPaths::in(app.path()));
        catalog.refresh();
        const std::vector<IndexEntry> entries = catalog.entries();
        for (std::size_t i = entries.size(); i-- > 0;) EXPECT_EQ(catalog.undoDatabase(entries[i]).failures, 0);
    }
    // Where a file the plan moves ends up: its new name is a path under the run's folder when it
    // goes into another folder.
    std::string target(const PreviewLine& line) const {
        const std::string name(line.newName);
        return name.find(platform::kPathSeparator) != std::string::npos ? dir() + name : line.file->folder() + name;
    }
};

TEST_F(RandomRuns, ThePlanIsWhatTheDiskShowsAndUndoBringsItBack) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        Run made = make(random, round % 3 == 2, round % 150 == 1);
        std::string why =
            "round " + std::to_string(round) + (made.intoFolders ? " " + made.rules[0].id3Format() : "") + ":";
        for (std::size_t i = 0; i < made.files.size(); ++i) {
            why += " " + made.files[i].folder().substr(dir().size()) + made.files[i].name.str() +
                   (made.intoFolders ? "" : ">" + std::string(made.names[i]));
        }
        const Run kept = made;
        const std::unique_ptr<RenameRun> run = start(made);
        std::vector<PreviewStatus> statuses;
        std::vector<std::pair<std::string, std::string>> moves;  // from, to, of each file the plan moves
        std::size_t ownFiles = 0;
        {
            const RunPlan& plan = run->preview();
            ownFiles = plan.ownFiles();
            for (const PreviewLine line : plan) {
                statuses.push_back(line.status);
                const std::string from = line.file->folder() + line.file->name.str();
                moves.emplace_back(from, line.status == PreviewStatus::Ok ? target(line) : from);
            }
        }
        run->runAll();
        const RunResult result = run->finish();
        const auto count = [&](PreviewStatus status, std::size_t from, std::size_t to) {
            return static_cast<std::size_t>(std::count(statuses.begin() + from, statuses.begin() + to, status));
        };
        EXPECT_EQ(result.renamed, count(PreviewStatus::Ok, 0, ownFiles)) << why;
        EXPECT_EQ(result.companions, count(PreviewStatus::Ok, ownFiles, statuses.size())) << why;
        EXPECT_EQ(result.unchanged, count(PreviewStatus::Unchanged, 0, statuses.size())) << why;
        EXPECT_EQ(result.failed(), statuses.size() - result.renamed - result.companions - result.unchanged) << why;
        for (std::size_t i = 0; i < moves.size(); ++i) {
            const auto was = kept.tree.find(moves[i].first);
            ASSERT_NE(was, kept.tree.end()) << why << " file " << i << " " << moves[i].first;
            const auto at = platform::fileStatus(moves[i].second);
            EXPECT_EQ(!at                                        ? "nothing"
                      : at->attributes & platform::AttrDirectory ? kFolder
                                                                 : readFile(moves[i].second),
                      was->second)
                << why << " file " << i << " " << statusName(statuses[i]) << " at " << moves[i].second;
        }
        expectNoTemporaryName(why);
        for (const std::string& folder : run->preview().folderChanges().removed) {
            EXPECT_FALSE(platform::fileStatus(folder)) << why << " " << folder << " was emptied";
        }
        std::map<std::string, std::string> expected = kept.tree;
        const std::string mine = addUsersFile(random, kept, expected);
        undoAll();
        expectAsBefore(kept, why + " undone" + (mine.empty() ? "" : " with " + mine), &expected);
        clear();
    }
}

#ifndef _WIN32
TEST_F(RandomRuns, KilledAtARandomMomentItIsRecoveredAndUndone) {
    std::mt19937 random(8122026);
    for (int round = 0; round < 90; ++round) {
        Run made = make(random, round % 3 == 2, round % 30 == 1);
        const Run kept = made;
        // A run into folders plans first, reading every file's tags, and makes its folders: its kills spread wider.
        const unsigned delay = random() % (made.intoFolders ? 60000 : 3000);
        const pid_t child = ::fork();
        if (child == 0) {
            const std::unique_ptr<RenameRun> run = start(made);
            std::thread([delay] {
                std::this_thread::sleep_for(std::chrono::microseconds(delay));
                ::kill(::getpid(), SIGKILL);
            }).detach();
            run->runAll();
            run->finish();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        std::map<std::string, std::string> expected = kept.tree;
        const std::string mine = addUsersFile(random, kept, expected);
        const JournalRecovery recovery = recoverJournals(AppPaths::in(app.path()), false, 50);
        EXPECT_TRUE(recovery.problems.empty()) << recovery.problems.front();
        undoAll();
        expectAsBefore(kept,
                       "round " + std::to_string(round) + ", killed after " + std::to_string(delay) + " us" +
                           (mine.empty() ? "" : ", then " + mine + " added"),
                       &expected);
        clear();
    }
}
#endif

// An older run undone while a newer one holds its files says which run to undo first.
TEST_F(RenameRunTest, AnUndoBlockedByALaterRunNamesIt) {
    const auto runOnce = [&](FileList list) {
        RenameRun run(nullptr, appendX(), std::move(list), RunOptions{true, false, 50}, AppPaths::in(app.path()),
                      reporter);
        run.runAll();
        return run.finish().undoDatabase;
    };
    runOnce(files({"a.mp3", "b.mp3"}));
    const std::string later = runOnce(files({"a_x.mp3"}));
    UndoCatalog catalog(AppPaths::in(app.path()));
    catalog.refresh();
    const UndoOutcome outcome = catalog.undoDatabase(catalog.entries().front());
    EXPECT_EQ(outcome.undone, 1);
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_NE(outcome.failureText.find("A later run renamed some of these files again: " + later), std::string::npos)
        << outcome.failureText;
}

// The disk changes between the plan and the run: the file whose step the disk no longer allows
// fails alone with its reason, the files waiting for its name fail with it, and a ring that
// cannot be closed goes back to its old names, so no file is left at a temporary name.
TEST_F(RenameRunTest, AStepTheDiskNoLongerAllowsFailsAloneAndRingsGoBack) {
    const auto at = [](const std::string& folder, const std::string& name) {
        return folder + platform::kPathSeparator + name;
    };
    // A run big enough for its files to be checked ahead of their moves, on another thread.
    std::vector<std::string> bigNames;
    std::vector<std::pair<const char*, const char*>> big;
    std::vector<std::string> bigAfter{"f0100.mp3", "f0100.old", "f0299.mp3", "f0299.old", "f0599.mp3", "f0599.old"};
    std::vector<std::string> bigAfterMoves{"f0299.mp3", "f0299.old", "f0599.mp3", "f0599.old"};
    for (int i = 0; i < 600; ++i) {
        char from[16], to[16];
        std::snprintf(from, sizeof from, "f%04d.mp3", i);
        std::snprintf(to, sizeof to, "g%04d.mp3", i);
        bigNames.insert(bigNames.end(), {from, to});
        if (i != 100 && i != 299 && i != 300 && i != 599) bigAfter.push_back(to);
        if (i != 299 && i != 300 && i != 599) bigAfterMoves.push_back(to);
    }
    for (std::size_t i = 0; i < bigNames.size(); i += 2) big.emplace_back(bigNames[i].c_str(), bigNames[i + 1].c_str());
    const auto replace = [&](const std::string& in, const char* name) {
        platform::moveFile(at(in, name), at(in, std::string(name, 5) + ".old"));
        writeFile(at(in, name), name);
    };
    const struct {
        std::vector<std::pair<const char*, const char*>> renames;
        std::function<void(const std::string&)> meanwhile;  // given the folder
        std::vector<std::string> after;                     // every name in the folder after the run
        std::size_t renamed;
        const char* reason;  // in one of the failures
        // Once this file has moved, `then` changes the disk: what is recorded ahead of its move
        // must still be checked at the move.
        const char* whenMoved = nullptr;
        std::function<void(const std::string&)> then = {};
    } cases[] = {
        {{{"a.mp3", "b.mp3"}, {"b.mp3", "c.mp3"}, {"c.mp3", "a.mp3"}},
         [&](const std::string& in) { platform::removeFile(at(in, "b.mp3")); },
         {"a.mp3", "c.mp3"},
         0,
         "b.mp3 was not found"},
        {{{"w.mp3", "x.mp3"}, {"x.mp3", "y.mp3"}, {"q.mp3", "r.mp3"}},
         [&](const std::string& in) { writeFile(at(in, "y.mp3"), "new"); },
         {"r.mp3", "w.mp3", "x.mp3", "y.mp3"},
         1,
         "its new name is still held by \"x.mp3\", which could not be renamed"},
        // Another folder in its place, with files of the same names: none of them is touched.
        {{{"a.mp3", "b.mp3"}, {"c.mp3", "d.mp3"}},
         [&](const std::string& in) {
             platform::moveFile(in, in + "-away");
             ASSERT_TRUE(platform::createFolder(in));
             for (const char* name : {"a.mp3", "c.mp3"}) writeFile(at(in, name), name);
         },
         {"a.mp3", "c.mp3"},
         0,
         platform::kFolderReplaced},
        // Another file put at a name after the search found it: it is not taken for the one found.
        {{{"a.mp3", "b.mp3"}, {"c.mp3", "d.mp3"}},
         [&](const std::string& in) {
             platform::moveFile(at(in, "c.mp3"), at(in, "c.old"));
             writeFile(at(in, "c.mp3"), "c.mp3");
         },
         {"b.mp3", "c.mp3", "c.old"},
         1,
         "the file was replaced since it was listed"},
        {big,
         [&](const std::string& in) {
             for (const char* name : {"f0100.mp3", "f0299.mp3", "f0599.mp3"}) replace(in, name);
             platform::removeFile(at(in, "f0300.mp3"));
         },
         bigAfter, 596, "the file was replaced since it was listed"},
        {big, [](const std::string&) {}, bigAfterMoves, 597, "the file was replaced since it was listed", "f0100.mp3",
         [&](const std::string& in) {
             for (const char* name : {"f0299.mp3", "f0599.mp3"}) replace(in, name);
             platform::removeFile(at(in, "f0300.mp3"));
         }},
    };
    for (const auto& c : cases) {
        TempFolder music, app;
        const std::string in = music / "in";
        ASSERT_TRUE(platform::createFolder(in));
        FileList list;
        NameList names;
        const auto folder = SharedFolder(in + platform::kPathSeparator, platform::fileId(in));
        for (const auto& [from, to] : c.renames) {
            writeFile(at(in, from), from);
            list.push_back(FileEntry{from, folder, *platform::entryId(at(in, from))});
            names.push_back(to);
        }
        RunOptions options{true, false, 50};
        options.solveOrder = options.leaveUnchanged = true;
        RenameRun run(nullptr, appendX(), std::move(list), options, AppPaths::in(app.path()), reporter);
        run.planNames(std::move(names));
        for (const PreviewLine line : run.preview()) EXPECT_EQ(line.status, PreviewStatus::Ok);
        c.meanwhile(in);
        RunCallbacks callbacks;
        callbacks.handled = [&](const RunStep& step, RunOutcome, std::string_view) {
            if (c.whenMoved && step.file->name == c.whenMoved) c.then(in);
        };
        run.runAll(callbacks);
        const RunResult result = run.finish();
        EXPECT_EQ(result.renamed, c.renamed);
        ASSERT_EQ(result.failed(), c.renames.size() - c.renamed);
        std::vector<std::string> after;
        platform::listNames(in, [&](std::string_view name) { after.emplace_back(name); });
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, c.after) << "nothing at a temporary name";
        EXPECT_TRUE(std::any_of(result.failures.begin(), result.failures.end(), [&](const RunFailure& failure) {
            return failure.reason.find(c.reason) != std::string::npos;
        })) << c.reason;
        for (const auto& [from, to] : c.renames) {
            // Whatever kept its name is the file it was.
            if (!platform::fileExists(at(in, from)) || std::string(from) == "y.mp3") continue;
            EXPECT_EQ(readFile(at(in, from)), from);
        }
    }
}

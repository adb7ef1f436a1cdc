// The command-line program's commands on real folders, run in this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "cli/json.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "core/session/folder_locks.h"
#include "core/undo/journal.h"
#include "core/undo/undo_catalog.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/hard_folders.h"
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
    // dir() as --tsv writes it: a backslash (every separator on Windows) doubled.
    std::string tsvDir() const {
        std::string out;
        for (char c : dir()) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return out;
    }
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
    const std::string d = tsvDir();
    EXPECT_EQ(r.out, d + "\ta_1.mp3\ta 1.mp3\tok\n" + d + "\tb.mp3\tc.mp3\texists\n" + d +
                         "\tc.mp3\tc.mp3\tunchanged\n" + d + "\tkeep.mp3\tkeep.mp3\tunchanged\n" + d +
                         "\tx y.mp3\tx y.mp3\tunchanged\n" + d + "\tx_y.mp3\tx y.mp3\texists\n");
    for (const char* name : {"a_1.mp3", "b.mp3", "c.mp3", "x_y.mp3"}) EXPECT_EQ(readFile(music / name), name);

    files({"p1.mp3", "p2.mp3"});
    const Outcome dup = run({"preview", "--tsv", "--strip", "1", "--strip", "2", "-p", "p?.mp3", music.path()});
    EXPECT_EQ(dup.out, d + "\tp1.mp3\tp.mp3\tok\n" + d + "\tp2.mp3\tp.mp3\tduplicate\n");

    const Outcome twice = run({"preview", "--tsv", "--append", "", "_", "-p", "p1.mp3;p1.*", music.path()});
    EXPECT_EQ(twice.out, d + "\tp1.mp3\tp1_.mp3\tok\n" + d + "\tp1.mp3\tp1_.mp3\tmissing\n");

    // Names held by what the run does not rename: a file the patterns miss, a folder, a file the
    // run leaves out, and (where there are such) a FIFO. The second pattern's file is held by
    // the left-out one the first pattern found.
    const TempFolder held;
    for (const char* name : {"a_old.mp3", "b_old.mp3", "c_old.mp3", "d~.mp3", "d_old.mp3", "aX.mp3"})
        writeFile(held / name, name);
    ASSERT_TRUE(platform::createFolder(held / "bX.mp3"));
    ASSERT_TRUE(platform::setAttributes(held / "d_old.mp3", platform::AttrReadOnly));
    std::string fifoLine = "\tc_old.mp3\tcX.mp3\tok\n";
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((held / "cX.mp3").c_str(), 0600), 0);
    fifoLine = "\tc_old.mp3\tcX.mp3\texists\n";
#endif
    const Outcome others =
        run({"preview", "--tsv", "--replace", "_old", "X", "--replace", "~", "_old", "-p", "*_old*;*~*", held.path()});
    std::string h;
    for (char c : held.path() + platform::kPathSeparator) h += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(others.out, h + "\ta_old.mp3\taX.mp3\texists\n" + h + "\tb_old.mp3\tbX.mp3\texists\n" + h + fifoLine + h +
                              "\td~.mp3\td_old.mp3\texists\n" + h + "\td_old.mp3\td_old.mp3\tleft out\n");
    platform::setAttributes(held / "d_old.mp3", 0);
}

TEST_F(CliTest, PreviewReadableByPeople) {
    files({"Artist_-_Song.mp3", "CON_.mp3", "same.mp3"});
    const Outcome r = run({"preview", "--underscores", music.path()});
    EXPECT_EQ(r.out, dir() +
                         "\n  ok        Artist_-_Song.mp3\n            -> Artist - Song.mp3\n  "
                         "invalid (reserved device name) CON_.mp3\n            -> CON .mp3\n  "
                         "unchanged same.mp3\n"
                         "3 files: 1 ok, 1 unchanged, 1 invalid\n");
}

TEST_F(CliTest, InvalidNamesFromTagsArePredictedAndFail) {
    std::string tag = "TAG" + std::string("A/B") + std::string(27, '\0') + std::string(30 + 30 + 4 + 30, '\0') + "\x01";
    writeFile(music / "t.mp3", std::string(300, 'x') + tag);
    EXPECT_EQ(run({"preview", "--tsv", "--id3", "%2", music.path()}).out, tsvDir() + "\tt.mp3\tA-B.mp3\tok\n");
    EXPECT_EQ(run({"preview", "--tsv", "--id3", "%2", "--keep-forbidden", music.path()}).out,
              tsvDir() + "\tt.mp3\tA/B.mp3\tinvalid\n");
    const Outcome r = run({"rename", "--id3", "%2", "--keep-forbidden", music.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot rename"), std::string::npos);
    EXPECT_NE(r.err.find("\"A/B.mp3\" is not valid: forbidden character."), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "Renaming...done\n\nThe following files could not be renamed:\n- \"" + dir() +
                         "t.mp3\": The file name \"A/B.mp3\" is not valid: forbidden character.\n\n0 files renamed, 0 "
                         "unchanged, 1 failed.\n");
    EXPECT_TRUE(platform::fileExists(music / "t.mp3"));

    // A title too long for any name: the file keeps its name, the error is told, and neither
    // command calls that a success.
    const testing_support::TagTexts huge{std::string(9000, 'x'), "", "", "", "", "", "", "", ""};
    writeFile(music / "t.mp3",
              testing_support::id3v2Tag(huge, 4, testing_support::TextEncoding::Utf8) + testing_support::mpegFrames());
    for (const char* command : {"preview", "rename"}) {
        const Outcome made = run({command, "--id3", "%2", music.path()});
        EXPECT_EQ(made.status, 1) << command;
        EXPECT_NE(made.err.find("Failed to modify the filename"), std::string::npos) << made.err;
    }
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

TEST_F(CliTest, TitleCaseTakesTheSmallWordsOfTheSettings) {
    files({"the end of the world.mp3"});
    const std::string d = tsvDir();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--case", "title"}, "The End of the World.mp3"},
        {{"--case", "title", "--every-word"}, "The End Of The World.mp3"},
    };
    for (const auto& [filter, name] : cases) {
        std::vector<std::string> arguments{"preview", "--tsv"};
        arguments.insert(arguments.end(), filter.begin(), filter.end());
        arguments.push_back(music.path());
        const Outcome r = run(arguments);
        EXPECT_EQ(r.out, d + "\tthe end of the world.mp3\t" + name + "\tok\n") << r.err;
    }
    writeFile(app / "braxen.ini", "[options]\r\ntitleSmallWords=end\r\n");
    EXPECT_EQ(run({"preview", "--tsv", "--case", "title", music.path()}).out,
              d + "\tthe end of the world.mp3\tThe end Of The World.mp3\tok\n");
}

TEST_F(CliTest, ShortenCutsNamesTooLongToFitAndSaysSo) {
    files({"song.mp3"});
    const std::string words = std::string(200, 'a') + " " + std::string(100, 'b');
    const std::string cut = std::string(200, 'a') + ".mp3";
    const std::string oldJson = "{\"folder\":" + jsonText(dir()) + ",\"old\":\"song.mp3\",\"new\":\"";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"preview", "--json"}, "song " + words + ".mp3\",\"status\":\"invalid\",\"reason\":\"too long: 310 of 255"},
        {{"preview", "--json", "--shorten"}, "song " + cut + "\",\"status\":\"ok\",\"reason\":\"shortened\"}"},
        {{"rename", "--shorten"}, ""},
    };
    for (const auto& [command, json] : cases) {
        std::vector<std::string> arguments = command;
        // An Append text takes 127 bytes: three of them make the words.
        for (const std::string& end :
             {" " + std::string(100, 'a'), std::string(100, 'a') + " ", std::string(100, 'b')}) {
            arguments.insert(arguments.end(), {"--append", "", end});
        }
        arguments.push_back(music.path());
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 0) << r.err;
        if (!json.empty()) {
            EXPECT_EQ(r.out.find(oldJson + json), 0u) << r.out;
        }
    }
    EXPECT_EQ(readFile(music / ("song " + cut)), "song.mp3");
}

// An ASCII clean-up says which names keep letters of other scripts, renamed or not.
TEST_F(CliTest, AsciiCleanUpSaysWhichNamesKeepOtherScripts) {
    files({"Caf\xC3\xA9 \xD0\x99.mp3", "\xD0\x99.mp3", "Caf\xC3\xA9.mp3"});
    const Outcome r = run({"preview", "--json", "--clean", "ascii", music.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line :
         {"\"new\":\"Cafe \xD0\x99.mp3\",\"status\":\"ok\",\"reason\":\"letters of other scripts kept\"",
          "\"new\":\"\xD0\x99.mp3\",\"status\":\"unchanged\",\"reason\":\"letters of other scripts kept\"",
          "\"new\":\"Cafe.mp3\",\"status\":\"ok\",\"reason\":null"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    }
}

TEST_F(CliTest, RenameThenUndoRestoresEveryName) {
    files({"one_a.mp3", "two_b.mp3", "three_c.mp3"});
    const Outcome renamed = run({"rename", "--underscores", "--case", "upper", music.path()});
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_EQ(renamed.out, "Renaming...done\n\n3 files renamed, 0 unchanged, 0 failed.\n");
    EXPECT_TRUE(platform::fileExists(music / "ONE A.MP3"));

    const Outcome list = run({"undo", "list"});
    ASSERT_EQ(list.status, 0);
    ASSERT_EQ(list.out.size(), 12u + 1 + list.out.substr(13).size());
    const std::string name = list.out.substr(0, 12);
    EXPECT_NE(list.out.find("\t"), std::string::npos);
    EXPECT_NE(list.out.find(" - 3 files renamed, 0 unchanged, 0 failed.\n"), std::string::npos) << list.out;

    const Outcome show = run({"undo", "show", name});
    EXPECT_EQ(show.status, 0);
    EXPECT_NE(show.out.find("3 entries\n3 verified by file identity\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("  Replace: underscores with spaces\n  Change Case: all characters to UPPER CASE\n"),
              std::string::npos)
        << show.out;

    EXPECT_EQ(run({"undo", "list", "--json"}).out,
              "{\"name\":\"" + name + "\",\"description\":\"" + list.out.substr(13, list.out.size() - 14) + "\"}\n");
    const Outcome json = run({"undo", "--json", "show", name});
    EXPECT_EQ(json.out.find("{\"name\":\"" + name + "\",\"description\":\""), 0u) << json.out;
    EXPECT_NE(json.out.find("\",\"entries\":3,\"verified\":3,\"created\":"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(",\"filters\":[\"Replace: underscores with spaces\",\"Change Case: all characters to "
                            "UPPER CASE\"]}\n"),
              std::string::npos)
        << json.out;
    for (const std::string renamed : {"one_a.mp3\",\"new\":\"ONE A.MP3", "three_c.mp3\",\"new\":\"THREE C.MP3"}) {
        EXPECT_NE(json.out.find("{\"folder\":\"" + tsvDir() + "\",\"old\":\"" + renamed + "\",\"verified\":true}\n"),
                  std::string::npos)
            << json.out;
    }

    const Outcome undone = run({"undo", "run", name});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.out, "Undoing complete:\n\n3 files undone, 0 already back, 0 failed.\n");
    for (const char* original : {"one_a.mp3", "two_b.mp3", "three_c.mp3"})
        EXPECT_EQ(readFile(music / original), original);
    EXPECT_EQ(run({"undo", "list"}).out, "");
    EXPECT_EQ(run({"undo", "run", name}).status, 2) << "gone from the index";
}

TEST_F(CliTest, AnUndoThatFailsInPartCanBeRunAgain) {
    files({"a.mp3", "b.mp3"});
    ASSERT_EQ(run({"rename", "--append", "", "2", music.path()}).status, 0);
    const std::string list = run({"undo", "list"}).out;
    const std::string name = list.substr(0, 12);
    writeFile(music / "a.mp3", "in the way");
    const Outcome partly = run({"undo", "run", name});
    EXPECT_EQ(partly.status, 1);
    EXPECT_NE(partly.out.find("1 file undone, 0 already back, 1 failed."), std::string::npos) << partly.out;
    EXPECT_NE(partly.err.find("stays in " + name), std::string::npos) << partly.err;
    EXPECT_EQ(run({"undo", "list"}).out, list) << "still listed, same description";
    platform::removeFile(music / "a.mp3");
    const Outcome again = run({"undo", "run", name});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(readFile(music / "a.mp3"), "a.mp3");
    EXPECT_EQ(run({"undo", "list"}).out, "");
}

// An undo that cannot start says why on one line, exit 1 (2 while another run holds its folder),
// and moves nothing.
TEST_F(CliTest, AnUndoThatCannotStartSaysWhy) {
    struct Others {
        platform::FileLock undo;
        core::FolderLocks run;
    };
    struct Case {
        const char* what;
        std::function<void(const std::string& database, Others& others)> meddle;
        const char* said;
        int status;
        bool listedAfter;
    };
    const Case cases[] = {
        {"being undone",
         [](const std::string& database, Others& others) {
             ASSERT_TRUE(others.undo.tryLock(database + core::kUndoJournalExtension));
         },
         "is in progress in another window or program", 1, true},
        {"its folder busy",
         [&](const std::string&, Others& others) {
             ASSERT_EQ(others.run.lockAll(core::AppPaths::in(app.path()), {music.path()}, {}), "");
         },
         "Another run of the program is changing files in", 2, true},
        {"unreadable", [](const std::string& database, Others&) { writeFile(database, "damaged"); }, "was set aside as",
         1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files({"a.mp3"});
        ASSERT_EQ(run({"rename", "--append", "", "2", music.path()}).status, 0);
        const std::string name = run({"undo", "list"}).out.substr(0, 12);
        const std::string database = app / "undo" + std::string(1, platform::kPathSeparator) + name;
        Others others;
        c.meddle(database, others);
        const Outcome refused = run({"undo", "run", name});
        EXPECT_EQ(refused.status, c.status);
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
        EXPECT_TRUE(platform::fileExists(music / "a2.mp3")) << "nothing moved";
        EXPECT_EQ(run({"undo", "list"}).out.empty(), !c.listedAfter);
        others.undo.unlock();
        others.run.unlockAll();
        if (c.listedAfter) {
            EXPECT_EQ(run({"undo", "run", name}).status, 0) << "once the other has finished";
        } else {
            EXPECT_EQ(readFile(database + ".bad"), "damaged") << "kept for a look";
        }
    }
}

// An undo killed once every file was back (here: by its progress callback) is done: the next
// start settles it, and undoing it again says so, exit 0.
TEST_F(CliTest, AnUndoKilledAtItsEndIsDone) {
    struct Killed {};
    files({"a.mp3", "b.mp3"});
    ASSERT_EQ(run({"rename", "--append", "", "2", music.path()}).status, 0);
    const std::string name = run({"undo", "list"}).out.substr(0, 12);
    core::UndoCatalog catalog(core::AppPaths::in(app.path()));
    catalog.refresh();
    EXPECT_THROW(catalog.undoDatabase(catalog.entries()[0],
                                      [](std::size_t done) {
                                          if (done == 2) throw Killed{};
                                      }),
                 Killed);
    const Outcome again = run({"undo", "run", name});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "Undoing complete:\n\n2 files undone, 0 already back, 0 failed.\n");
    EXPECT_EQ(run({"undo", "list"}).out, "");
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
    const std::string backtracks = std::string(40, 'a') + "b.mp3";
    files({backtracks.c_str()});
    const Outcome limit = run({"rename", "--replace", "(a+)+$", "x", "--regex", "-p", "a*b.mp3", music.path()});
    EXPECT_EQ(limit.status, 1);
    EXPECT_NE(limit.err.find("\"(a+)+$\" gave up on this name"), std::string::npos) << limit.err;
    EXPECT_EQ(readFile(music / backtracks), backtracks);
}

// The refusal "When no folder can take the undo records" (README), exit 2, before anything is
// touched: the undo folder must take a file, whatever is in its place.
TEST_F(CliTest, AnUndoFolderThatCannotTakeAFileRefusesTheRename) {
    const std::string undoFolder = app / "undo";
    struct Case {
        const char* what;
        std::function<void()> make;
        bool needsPermissions;
    };
    const Case cases[] = {
        {"a file in its place", [&] { writeFile(undoFolder, "a file where the undo folder belongs"); }, false},
#ifndef _WIN32
        {"a dangling link in its place",
         [&] { ASSERT_EQ(::symlink((app / "nowhere").c_str(), undoFolder.c_str()), 0); }, false},
        {"a link to a file in its place",
         [&] {
             writeFile(app / "target", "");
             ASSERT_EQ(::symlink((app / "target").c_str(), undoFolder.c_str()), 0);
         },
         false},
        {"a folder that cannot be written",
         [&] {
             ASSERT_TRUE(platform::createFolder(undoFolder));
             ASSERT_EQ(::chmod(undoFolder.c_str(), 0555), 0);
         },
         true},
#endif
    };
    files({"a.mp3"});
    for (const Case& c : cases) {
        c.make();
#ifndef _WIN32
        testing_support::PermissionsBind bind;
        if (c.needsPermissions && !bind.effective()) {
            ADD_FAILURE() << c.what << ": permissions cannot be made to bind here";
            continue;
        }
#endif
        const Outcome r = run({"rename", "--append", "", "_2", "--save", music / "saved.ren", music.path()});
        EXPECT_EQ(r.status, 2) << c.what << "\n" << r.out << r.err;
        EXPECT_NE(r.err.find("the undo record cannot be written, so nothing was renamed."), std::string::npos)
            << c.what << ": " << r.err;
        EXPECT_NE(r.err.find("Note: " + undoFolder + platform::kPathSeparator + " cannot be used: "), std::string::npos)
            << c.what << ": " << r.err;
        EXPECT_NE(r.err.find("--no-undo"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.what;
        EXPECT_TRUE(platform::fileExists(music / "a.mp3")) << c.what;
        EXPECT_FALSE(platform::fileExists(music / "saved.ren")) << c.what << ": refused before anything was written";
#ifndef _WIN32
        ::chmod(undoFolder.c_str(), 0755);
        testing_support::removeTree(undoFolder);
#else
        platform::removeFile(undoFolder);
#endif
    }
    const Outcome anyway = run({"rename", "--append", "", "_2", music.path()});
    EXPECT_EQ(anyway.status, 0) << anyway.err;
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
    const Outcome pattern = run({"preview", "--replace", "(ab", "x", "--regex", music.path()});
    EXPECT_EQ(pattern.status, 2);
    EXPECT_EQ(pattern.err,
              "calderwynstrope-cli: --replace: The regular expression is not valid at character 4: "
              "missing closing parenthesis.\n");
    core::writeFilterFile(music / "empty.ren", {});
    for (const auto& nothing : {std::vector<std::string>{"rename", music.path()},
                                std::vector<std::string>{"rename", "-f", music / "empty.ren", music.path()}}) {
        const Outcome refused = run(nothing);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.err, "calderwynstrope-cli: rename needs at least one filter: nothing would change\n");
    }
    EXPECT_EQ(run({"undo", "list"}).out, "") << "no run recorded";
    // Another run renaming in the same folder: of this copy, or of one with its own data folder
    // (a portable copy beside an installed one).
    const TempFolder otherCopy;
    for (const std::string& data : {app.path(), otherCopy.path()}) {
        core::FolderLocks another;
        ASSERT_EQ(another.lockAll(core::AppPaths::in(data), {music.path()}), "");
        const Outcome busy = run({"rename", "--append", "", "2", music.path()});
        EXPECT_EQ(busy.status, 2);
        EXPECT_NE(busy.err.find("Another run of the program is changing files in " + music.path()), std::string::npos)
            << busy.err;
        EXPECT_TRUE(platform::fileExists(music / "a.mp3"));
    }
    const Outcome none = run({"preview", "-p", "*.wav", music.path()});
    EXPECT_EQ(none.status, 0);
    EXPECT_NE(none.err.find("There were no files found matching"), std::string::npos);
}

TEST_F(CliTest, InlineFiltersAreRefusedInTheWordsOfTheFilterTable) {
    // The dialogs show the table's words too, so both front ends refuse alike.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"--number", {"x", "5", "%s", "%s."}}, {"--number", {"0", "100", "%s", "%s."}},
        {"--strip", {std::string(128, 's')}},  {"--case", {"loud"}},
        {"--counter", {"%n", "1", "0"}},       {"--counter", {"%q", "1", "1"}},
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

    // A regular expression keeps its switch through the file.
    const Outcome pattern =
        run({"preview", "--replace", "(\\d+)", "[$1]", "--regex", "--save", music / "regex.ren", music.path()});
    ASSERT_EQ(pattern.status, 0) << pattern.err;
    core::writeFilterFile(music / "dialog.ren", {*core::buildFilter("--replace", {{"(\\d+)", "[$1]"}, 4}).rule});
    EXPECT_EQ(readFile(music / "regex.ren"), readFile(music / "dialog.ren"));
    EXPECT_EQ(run({"filters", music / "regex.ren"}).out, "Replace: \"(\\d+)\" with \"[$1]\" (regular expression)\n");
    files({"Track 7.mp3"});
    EXPECT_EQ(run({"preview", "--tsv", "-p", "*.mp3", "-f", music / "regex.ren", music.path()}).out,
              tsvDir() + "\tTrack 7.mp3\tTrack [7].mp3\tok\n");
}

TEST_F(CliTest, CounterNumbersInRunOrderAndThePreviewSaysSo) {
    // Each file holds its old name, so the file at each new name says where it came from. The
    // sub-folder's files are listed after the folder's own.
    struct Rename {
        bool inSub;
        const char* old;
        const char* renamed;
    };
    struct Case {
        std::vector<std::string> filters;
        std::vector<Rename> renames;
    };
    const Case cases[] = {
        {{"--counter", "%2n - %b", "1", "1"}, {{false, "b.mp3", "01 - b.mp3"}, {false, "c_d.mp3", "02 - c_d.mp3"}}},
        {{"--underscores", "--counter", "%b %3n", "-1", "-2", "--case", "upper"},
         {{false, "b.mp3", "B -001.MP3"}, {false, "c_d.mp3", "C D -003.MP3"}, {true, "e.mp3", "E -005.MP3"}}},
        {{"--counter", "%n%%", "2147483647", "1"},  // wraps past the 32-bit range
         {{false, "b.mp3", "2147483647%.mp3"},
          {false, "c.mp3", "-2147483648%.mp3"},
          {true, "e.mp3", "-2147483647%.mp3"}}},
        {{"--counter", "%n.%b", "5", "10", "--per-folder"},
         {{false, "b.mp3", "5.b.mp3"},
          {false, "c.mp3", "15.c.mp3"},
          {true, "e.mp3", "5.e.mp3"},
          {true, "f.mp3", "15.f.mp3"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filters[1]);
        TempFolder top;
        const std::string folders[] = {platform::withSeparator(top.path()), platform::withSeparator(top / "sub")};
        ASSERT_TRUE(platform::createFolder(folders[1]));
        std::string expected;
        for (const Rename& r : c.renames) {
            writeFile(folders[r.inSub] + r.old, r.old);
            std::string folder;  // as --tsv writes it
            for (char ch : folders[r.inSub]) folder += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
            expected += folder + "\t" + r.old + "\t" + r.renamed + "\tok\n";
        }
        std::vector<std::string> arguments{"preview", "--tsv", "-r", top.path()};
        arguments.insert(arguments.begin() + 2, c.filters.begin(), c.filters.end());
        const Outcome preview = run(arguments);
        EXPECT_EQ(preview.status, 0) << preview.err;
        EXPECT_EQ(preview.out, expected);
        arguments[0] = "rename";
        arguments.erase(arguments.begin() + 1);  // --tsv
        EXPECT_EQ(run(arguments).status, 0);
        for (const Rename& r : c.renames) EXPECT_EQ(readFile(folders[r.inSub] + r.renamed), r.old) << r.renamed;
    }
}

TEST_F(CliTest, RenameLeavesNamesThatWouldNotChangeAlone) {
    files({"a_b.mp3", "plain.mp3"});
    const Outcome r = run({"rename", "--underscores", music.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Renaming...done\n\n1 file renamed, 1 unchanged, 0 failed.\n");
    EXPECT_TRUE(platform::fileExists(music / "a b.mp3"));
    EXPECT_NE(run({"undo", "list"}).out.find(" - 1 file renamed, 1 unchanged, 0 failed.\n"), std::string::npos)
        << "only the real rename";

    const Outcome nothing = run({"rename", "--underscores", music.path()});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.out, "Renaming...done\n\n0 files renamed, 2 unchanged, 0 failed.\n");
    const Outcome list = run({"undo", "list"});
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << "no run recorded for nothing\n" << list.out;

    files({"c_d.mp3", "r_o.mp3"});
    ASSERT_TRUE(platform::setAttributes(music / "r_o.mp3", platform::AttrReadOnly));
    const Outcome json = run({"rename", "--json", "--underscores", music.path()});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::string recorded = run({"undo", "list"}).out.substr(list.out.size(), 12);
    const std::string said[] = {
        R"("old":"a b.mp3","new":"a b.mp3","status":"unchanged","reason":null,"result":"unchanged"})",
        R"("old":"c_d.mp3","new":"c d.mp3","status":"ok","reason":null,"result":"renamed"})",
        R"("old":"r_o.mp3","new":"r_o.mp3","status":"left out","reason":"read-only","result":"left out"})",
        R"({"summary":{"files":3,"renamed":1,"unchanged":2,"failed":0,"not_reached":0,"left_out":1,"unlisted_folders":0,"undo":")" +
            recorded + "\"}}\n"};
    for (const std::string& line : said) EXPECT_NE(json.out.find(line), std::string::npos) << line << json.out;
}

TEST_F(CliTest, AnUndoRecordThatCannotBeRegisteredIsExitOne) {
    files({"a.mp3", "b.mp3"});
    writeFile(app / "braxen.idx", std::string(100, 'x'));
    const Outcome unregistered = run({"rename", "--append", "", "2", music.path()});
    EXPECT_EQ(unregistered.status, 1);
    EXPECT_EQ(std::count(unregistered.err.begin(), unregistered.err.end(), '\n'), 1) << unregistered.err;
    EXPECT_NE(unregistered.err.find(app / "braxen.idx"), std::string::npos) << unregistered.err;
    EXPECT_TRUE(platform::fileExists(music / "a2.mp3"));
    // Once the index is put right, the next start registers the run.
    platform::removeFile(app / "braxen.idx");
    const Outcome list = run({"undo", "list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find(" - 2 file(s) renamed. (interrupted)\n"), std::string::npos) << list.out;
    EXPECT_EQ(run({"undo", "run", list.out.substr(0, 12)}).status, 0);
    EXPECT_TRUE(platform::fileExists(music / "a.mp3"));
}

// --json names every file so that it comes back byte for byte: odd characters escaped, a name
// that is not UTF-8 in hexadecimal; a rename tells what became of each file, then sums up.
TEST_F(CliTest, JsonGivesEveryNameBackAndEachFilesResult) {
    struct Case {
        std::string name, old, renamed, status, result;
    };
    const Case cases[] = {
        {"曲 ☃.mp3", "\"曲 ☃.mp3\"", "\"曲 ☃_2.mp3\"", "\"ok\",\"reason\":null", "renamed"},
#ifndef _WIN32  // Windows takes none of these characters in a name (its folders' backslashes are tried)
        {"say \"hi\".mp3", "\"say \\\"hi\\\".mp3\"", "\"say \\\"hi\\\"_2.mp3\"",
         "\"invalid\",\"reason\":\"forbidden character\"", "failed"},
        {"back\\slash.mp3", "\"back\\\\slash.mp3\"", "\"back\\\\slash_2.mp3\"",
         "\"invalid\",\"reason\":\"forbidden character\"", "failed"},
        {"tab\tnew\nline.mp3", "\"tab\\u0009new\\u000aline.mp3\"", "\"tab\\u0009new\\u000aline_2.mp3\"",
         "\"invalid\",\"reason\":\"forbidden character\"", "failed"},
        {"\xff\x41.mp3", "null,\"old_hex\":\"ff412e6d7033\"", "null,\"new_hex\":\"ff415f322e6d7033\"",
         "\"ok\",\"reason\":null", "renamed"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.old);
        TempFolder folder;
        writeFile(folder / c.name, "");
        std::string dir;
        for (char ch : folder.path() + platform::kPathSeparator)
            dir += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
        const std::string line =
            "{\"folder\":\"" + dir + "\",\"old\":" + c.old + ",\"new\":" + c.renamed + ",\"status\":" + c.status;
        const bool ok = c.result == "renamed";
        const Outcome preview = run({"preview", "--json", "--append", "", "_2", folder.path()});
        EXPECT_EQ(preview.status, 0) << preview.err;
        EXPECT_EQ(preview.out, line + "}\n{\"summary\":{\"files\":1,\"ok\":" + (ok ? "1" : "0") +
                                   ",\"unchanged\":0,\"invalid\":" + (ok ? "0" : "1") +
                                   ",\"exists\":0,\"duplicate\":0,\"missing\":0,\"left_out\":0}}\n");
        const Outcome renamed = run({"rename", "--json", "--no-undo", "--append", "", "_2", folder.path()});
        EXPECT_EQ(renamed.status, ok ? 0 : 1) << renamed.err;
        EXPECT_EQ(renamed.out.find(ok ? line + ",\"result\":\"renamed\"}\n" : line.substr(0, line.find("\"reason\""))),
                  0u)
            << renamed.out;
        EXPECT_NE(renamed.out.find(std::string("\"result\":\"") + c.result +
                                   "\"}\n{\"summary\":{\"files\":1,\"renamed\":" + (ok ? "1" : "0") +
                                   ",\"unchanged\":0,\"failed\":" + (ok ? "0" : "1") +
                                   ",\"not_reached\":0,\"left_out\":0,\"unlisted_folders\":0,\"undo\":null}}\n"),
                  std::string::npos)
            << renamed.out;
    }
}

#ifndef _WIN32
// --tsv gives four fields a line whatever the names hold, and every escape reads back as one
// character: a real tab and a backslash followed by "t" differ.
TEST_F(CliTest, TsvEscapesTabsLineBreaksAndBackslashes) {
    const std::pair<std::string, std::string> cases[] = {
        {"tab\there.mp3", "tab\\there.mp3"},    {"back\\there.mp3", "back\\\\there.mp3"},
        {"new\nline.mp3", "new\\nline.mp3"},    {"carriage\rreturn.mp3", "carriage\\rreturn.mp3"},
        {"ends in \\.mp3", "ends in \\\\.mp3"},
    };
    for (const auto& [name, field] : cases) {
        TempFolder folder;
        writeFile(folder / name, "");
        const Outcome r = run({"preview", "--tsv", folder.path()});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, folder.path() + "/\t" + field + "\t" + field + "\tunchanged\n") << field;
    }
    EXPECT_NE(run({"--help"}).out.find("is written \\t, \\n, \\r or \\\\"), std::string::npos) << "documented";
}

// A name with control characters in it can neither forge a line of a message nor steer the
// terminal: messages, failure lines, the summary and the preview for people show it escaped.
TEST_F(CliTest, MessagesShowControlCharactersInNamesEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"forged\r\ncalderwynstrope-cli: all fine", "forged\\r\\ncalderwynstrope-cli: all fine"},
        {"\x1b[2Jcleared", "\\x1b[2Jcleared"},
        {"tab\tand bell\a", "tab\\tand bell\\x07"},
    };
    const auto raw = [](const std::string& text) {
        return std::count_if(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && c != '\n') || byte == 0x7F;
        });
    };
    for (const auto& [name, shown] : cases) {
        TempFolder folder;
        writeFile(folder / (name + ".mp3"), "old");
        const std::string dir = folder.path() + "/";
        // Windows refuses such a name, so the new one fails, and its reason names it too.
        const Outcome failed = run({"rename", "--append", "", "_2", "-p", "*.mp3", folder.path()});
        EXPECT_EQ(failed.status, 1) << shown;
        EXPECT_EQ(raw(failed.err) + raw(failed.out), 0) << shown;
        EXPECT_EQ(failed.err, "calderwynstrope-cli: cannot rename \"" + dir + shown + ".mp3\" to \"" + shown +
                                  "_2.mp3\": The file name \"" + shown +
                                  "_2.mp3\" is not valid: forbidden character.\n");
        EXPECT_NE(failed.out.find("- \"" + dir + shown + ".mp3\": The file name \"" + shown + "_2.mp3\" is not valid"),
                  std::string::npos)
            << failed.out;

        const Outcome preview = run({"preview", "--append", "", "_3", "-p", "*.mp3", folder.path()});
        EXPECT_EQ(raw(preview.out), 0) << shown;
        EXPECT_NE(
            preview.out.find("  invalid (forbidden character) " + shown + ".mp3\n            -> " + shown + "_3.mp3\n"),
            std::string::npos)
            << preview.out;
        const Outcome missing = run({"preview", folder / name});
        EXPECT_EQ(missing.err, "calderwynstrope-cli: no such folder: \"" + dir + shown + "\"\n");
    }
}

// A folder that cannot be listed is named on standard error, the rest goes on, and the preview
// or the run exits 1; the run's summary names it with its failures.
TEST_F(CliTest, AFolderThatCannotBeListedIsNamedAndTheRestGoesOn) {
    files({"a.mp3"});
    for (const char* sub : {"locked", "open"}) platform::createFolder(music / sub);
    writeFile(music / "locked/b.mp3", "b");
    writeFile(music / "open/c.mp3", "c");
    ASSERT_EQ(::chmod((music / "locked").c_str(), 0), 0);
    testing_support::PermissionsBind bind;
    ASSERT_TRUE(bind.effective()) << "permissions cannot be made to bind here";
    const std::string told =
        "calderwynstrope-cli: cannot list the folder \"" + music / "locked" + "\": Permission denied\n";

    const Outcome preview = run({"preview", "--tsv", "-r", "--append", "", "_2", "-p", "*.mp3", music.path()});
    EXPECT_EQ(preview.status, 1);
    EXPECT_EQ(preview.err, told);
    EXPECT_EQ(preview.out, dir() + "\ta.mp3\ta_2.mp3\tok\n" + dir() + "open/\tc.mp3\tc_2.mp3\tok\n");

    const Outcome alone = run({"preview", "-p", "*.mp3", music / "locked"});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err.substr(0, told.size()), told) << alone.err;
    EXPECT_NE(alone.err.find("There were no files found"), std::string::npos) << alone.err;

    const Outcome renamed = run({"rename", "-r", "--append", "", "_2", "-p", "*.mp3", music.path()});
    EXPECT_EQ(renamed.status, 1);
    EXPECT_EQ(renamed.err, told);
    EXPECT_EQ(renamed.out,
              "Renaming...done\n\nThe following files could not be renamed:\n- \"" + music / "locked" +
                  "\" (the folder could not be listed: Permission denied)\n\n2 files renamed, 0 unchanged, 1 "
                  "failed.\n");
    EXPECT_EQ(readFile(music / "a_2.mp3"), "a.mp3");
    EXPECT_EQ(readFile(music / "open/c_2.mp3"), "c");
    ::chmod((music / "locked").c_str(), 0755);
}

// A tree deeper than any path the system takes is listed whole; what cannot be reached by its
// path is named and fails, never silently missed or counted as done.
TEST_F(CliTest, ADeepTreeIsListedWholeAndWhatCannotBeReachedFails) {
    constexpr int kDepth = 2100;  // "d/" a level: past PATH_MAX
    std::string deep = dir(), lines, firstTooLong;
    testing_support::makeDeepTree(music.path(), kDepth, "d", [&](int level, int fd) {
        deep += "d/";
        if (level == 1 || level > kDepth - 10) {
            testing_support::touchAt(fd, "f.mp3");
            lines += deep + "\tf.mp3\tf.mp3\tunchanged\n";
            if (firstTooLong.empty() && level > 1) firstTooLong = deep.substr(0, deep.size() - 1);
        }
    });
    const std::string shallow = dir() + "d/";
    ASSERT_GT(firstTooLong.size(), std::size_t{PATH_MAX});

    const Outcome preview = run({"preview", "--tsv", "-r", "--id3", "%2", music.path()});
    EXPECT_EQ(preview.status, 1);
    EXPECT_EQ(preview.out, lines);
    // Named once for the nine below it, which are too long as well.
    EXPECT_EQ(preview.err, "calderwynstrope-cli: cannot check the names in \"" + firstTooLong +
                               "\": the path is longer than the system allows (as in 9 folders below it); the "
                               "statuses of its files are not certain\n");

    // Named from tags it cannot read: the deep file is a failure, not a name left unchanged.
    for (const std::vector<std::string>& filters :
         {std::vector<std::string>{"--append", "", "_2"}, std::vector<std::string>{"--id3", "%2"}}) {
        std::vector<std::string> arguments = {"rename", "-r"};
        arguments.insert(arguments.end(), filters.begin(), filters.end());
        arguments.push_back(music.path());
        const Outcome renamed = run(arguments);
        EXPECT_EQ(renamed.status, 1) << filters[0];
        EXPECT_EQ(renamed.err.find("calderwynstrope-cli: cannot rename \"" + firstTooLong + "/f.mp3\" to "), 0u)
            << filters[0];
        EXPECT_EQ(std::count(renamed.err.begin(), renamed.err.end(), '\n'), 10) << filters[0];
        EXPECT_NE(renamed.err.find("\": The file's path is longer than the system allows; it was not renamed.\n"),
                  std::string::npos)
            << filters[0];
    }
    EXPECT_TRUE(platform::fileExists(shallow + "f_2.mp3"));
    testing_support::removeTree(music / "d");
}

// A tmpfs of `size` mounted on `folder` for one test, or nothing when mounting is not allowed.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const char* size) : folder_(folder) {
        platform::createFolder(folder);
        const std::string mount = "mount -t tmpfs -o size=" + std::string(size) + " tmpfs '" + folder + "' 2>/dev/null";
        mounted_ = std::system(mount.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) std::system(("umount '" + folder_ + "'").c_str());
    }
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

TEST_F(CliTest, AFullDiskStopsTheRunAndLosesNoUndoRecord) {
    const SmallDisk disk(app / "undo", "512k");
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root; the full disk was not tried";
    for (int i = 0; i < 400; ++i) writeFile(music / ("track " + std::to_string(i) + ".mp3"), "");
    writeFile(app / "undo/filler", std::string(504 * 1024, 'x'));  // two pages left for the journal

    const Outcome full = run({"rename", "--json", "--append", "", " (remastered)", music.path()});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("Renaming stopped"), std::string::npos) << full.err;
    int renamed = 0;
    for (int i = 0; i < 400; ++i)
        renamed += platform::fileExists(music / ("track " + std::to_string(i) + " (remastered).mp3"));
    EXPECT_GT(renamed, 0);
    EXPECT_LT(renamed, 400) << "the run stopped when its journal could not grow";
    // Every file is told: those the run never reached too.
    const auto told = [&](const std::string& what) {
        std::ptrdiff_t count = 0;
        for (std::size_t at = 0; (at = full.out.find(what, at)) != std::string::npos; ++at) ++count;
        return count;
    };
    EXPECT_EQ(told("\"result\":\"renamed\"}\n"), renamed);
    EXPECT_EQ(told("\"result\":\"not reached\"}\n"), 400 - renamed);
    EXPECT_NE(full.out.find(",\"not_reached\":" + std::to_string(400 - renamed) + ","), std::string::npos);

    platform::removeFile(app / "undo/filler");
    const Outcome list = run({"undo", "list"});
    EXPECT_NE(list.out.find(" - " + std::to_string(renamed) + " file(s) renamed."), std::string::npos)
        << list.out << list.err;
    EXPECT_EQ(run({"undo", "run", list.out.substr(0, 12)}).status, 0);
    for (int i = 0; i < 400; ++i)
        EXPECT_TRUE(platform::fileExists(music / ("track " + std::to_string(i) + ".mp3"))) << i;
}

TEST_F(CliTest, SaveReplacesTheFilterFileOnlyWhenWhole) {
    const std::string disk = music / "disk";
    const SmallDisk small(disk, "64k");
    if (!small.mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root; the full disk was not tried";
    files({"a.mp3"});
    const std::string saved = disk + "/saved.ren";
    ASSERT_EQ(run({"preview", "--underscores", "--save", saved, music.path()}).status, 0);
    const std::string before = readFile(saved);
    writeFile(disk + "/filler", std::string(56 * 1024, 'x'));  // a page is left: less than the file below

    std::vector<std::string> many = {"preview"};
    for (int i = 0; i < 12; ++i) many.insert(many.end(), {"--append", "", std::to_string(i)});
    many.insert(many.end(), {"--save", saved, music.path()});
    const Outcome full = run(many);
    EXPECT_NE(full.status, 0);
    EXPECT_NE(full.err.find(saved), std::string::npos) << full.err;
    EXPECT_EQ(readFile(saved), before) << "the old file is whole";
    EXPECT_FALSE(platform::fileExists(saved + ".tmp"));

    platform::removeFile(disk + "/filler");
    ASSERT_EQ(run(many).status, 0);
    core::RuleList read;
    core::readFilterFile(nullptr, saved, read);
    EXPECT_EQ(read.size(), 12u);
}
#endif

// A run's journal kept for a folder that is away is listed, and goes only when deleted.
TEST_F(CliTest, AJournalKeptForAFolderAwayIsListedUntilDeleted) {
    const std::string folder = music / "usb";
    platform::createFolder(folder);
    writeFile(folder + "/a.mp3", "a");
    std::string name;
    {
        core::RunJournal journal;
        journal.create(core::AppPaths::in(app.path()), {*core::buildFilter("--append", {{"", "_x"}}).rule});
        name = journal.name();
        const std::string prefix = platform::withSeparator(folder);
        journal.waitDurable(journal.recordMove(prefix, "a.mp3", "b.mp3", *platform::entryId(prefix + "a.mp3")));
        platform::moveFile(prefix + "a.mp3", prefix + "b.mp3");
    }
    platform::moveFile(folder, music / "away");
    EXPECT_NE(run({"undo", "list"}).out.find(name + "\t"), std::string::npos);
    EXPECT_NE(run({"undo", "list"}).out.find("(interrupted; folder not reachable: "), std::string::npos);
    EXPECT_EQ(run({"undo", "delete", name}).status, 0);
    EXPECT_EQ(run({"undo", "list"}).out.find(name), std::string::npos) << "deleted, as the user asked";
}

}  // namespace

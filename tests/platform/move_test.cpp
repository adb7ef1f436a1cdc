#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using platform::FileError;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

// The names in a folder, as the listing reports them (so letter case is the stored case).
std::vector<std::string> listing(const TempFolder& folder) {
    std::vector<std::string> names;
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.first(folder / "*.*", data); more; more = find.next(data)) {
        if (data.name != "." && data.name != "..") names.push_back(data.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A run moves each file through its open folder; everything else moves by whole paths. Both
// must keep the same promises.
using Mover = void (*)(const TempFolder&, const std::string&, const std::string&);

void byPath(const TempFolder& folder, const std::string& from, const std::string& to) {
    platform::moveFile(folder / from, folder / to);
}

void inItsFolder(const TempFolder& folder, const std::string& from, const std::string& to) {
    platform::MoveFolder(folder.path(), platform::fileId(folder.path())).moveFile(from, to);
}

// Out into a folder beside it and back under the new name, both legs between two open folders: the
// way back is the move that must keep the promises, and a refused one brings the file home.
void throughAnotherFolder(const TempFolder& folder, const std::string& from, const std::string& to) {
    const std::string beside = folder.path() + "-beside";
    ASSERT_TRUE(platform::createFolder(beside));
    const platform::MoveFolder here(folder.path(), platform::fileId(folder.path()));
    const platform::MoveFolder there(beside, platform::fileId(beside));
    try {
        here.moveFileInto(from, there, from);
        try {
            there.moveFileInto(from, here, to);
        } catch (const FileError&) {
            there.moveFileInto(from, here, from);
            throw;
        }
    } catch (const FileError&) {
        EXPECT_TRUE(platform::removeEmptyFolder(beside));
        throw;
    }
    EXPECT_TRUE(platform::removeEmptyFolder(beside));
}

class Moves : public testing::TestWithParam<Mover> {
protected:
    static void move(const TempFolder& folder, const std::string& from, const std::string& to) {
        GetParam()(folder, from, to);
    }
};

INSTANTIATE_TEST_SUITE_P(ByPathOrInItsFolder, Moves, testing::Values(&byPath, &inItsFolder, &throughAnotherFolder));

TEST_P(Moves, RenamesAFile) {
    TempFolder folder;
    writeFile(folder / "old.mp3", "music");
    move(folder, "old.mp3", "new.mp3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"new.mp3"});
    EXPECT_EQ(readFile(folder / "new.mp3"), "music");
}

TEST_P(Moves, NeverOverwritesAndBothFilesKeepTheirBytes) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "first");
    writeFile(folder / "b.mp3", "second");
    try {
        move(folder, "a.mp3", "b.mp3");
        ADD_FAILURE() << "moved over another file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.message(), "The file \"" + folder / "b.mp3" + "\" already exists.");
    }
    EXPECT_EQ(readFile(folder / "a.mp3"), "first");
    EXPECT_EQ(readFile(folder / "b.mp3"), "second");
}

TEST_P(Moves, NeverOverwritesAFileThatDiffersOnlyInCase) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "first");
    writeFile(folder / "B.mp3", "second");
#ifdef _WIN32
    // One name to the file system: the move must fail.
    EXPECT_THROW(move(folder, "a.mp3", "b.mp3"), FileError);
    EXPECT_EQ(readFile(folder / "a.mp3"), "first");
#else
    // Two names to a case-sensitive file system: the move succeeds beside the other file.
    move(folder, "a.mp3", "b.mp3");
    EXPECT_EQ(readFile(folder / "b.mp3"), "first");
#endif
    EXPECT_EQ(readFile(folder / "B.mp3"), "second");
}

TEST_P(Moves, CaseOnlyRenameChangesTheCase) {
    TempFolder folder;
    writeFile(folder / "track.mp3", "t");
    move(folder, "track.mp3", "TRACK.MP3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"TRACK.MP3"});
    EXPECT_EQ(readFile(folder / "TRACK.MP3"), "t");
    move(folder, "TRACK.MP3", "Track.mp3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"Track.mp3"});
}

TEST_P(Moves, OntoItsOwnNameSucceedsAndChangesNothing) {
    TempFolder folder;
    writeFile(folder / "same.mp3", "s");
    EXPECT_NO_THROW(move(folder, "same.mp3", "same.mp3"));
    EXPECT_EQ(listing(folder), std::vector<std::string>{"same.mp3"});
    EXPECT_EQ(readFile(folder / "same.mp3"), "s");
}

TEST_P(Moves, MissingSourceFails) {
    TempFolder folder;
    try {
        move(folder, "gone.mp3", "new.mp3");
        FAIL() << "moved a missing file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::fileNotFound);
    }
    EXPECT_TRUE(listing(folder).empty());
}

TEST_P(Moves, NamesWindowsRefusesFailAndTheFileStays) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "a");
    for (const char* bad :
         {"a?b.mp3", "a*b.mp3", "x:y.mp3", "a<b.mp3", "a>b.mp3", "a|b.mp3", "say \"hi\".mp3", "tab\there.mp3", ""}) {
        EXPECT_THROW(move(folder, "a.mp3", bad), FileError) << bad;
    }
    EXPECT_EQ(listing(folder), std::vector<std::string>{"a.mp3"});
}

// The folder a run moves in is the one its files were found in, whatever comes to stand at its
// path: another folder put in its place refuses every move, and a folder moved away after it was
// opened still gets the moves.
TEST(MoveFolder, MovesOnlyInTheFolderItWasGiven) {
    struct Case {
        const char* what;
        bool swapBeforeOpening;
        bool linkInstead;
    };
    const Case cases[] = {
        {"another folder put in its place before the moves", true, false},
#ifndef _WIN32
        // Windows moves through the folder's handle too, but Wine renames by the path the handle
        // was opened with, so this case cannot be shown under Wine.
        {"another folder put in its place during the moves", false, false},
        {"a link to another folder put in its place before the moves", true, true},
#endif
    };
    for (const Case& c : cases) {
        TempFolder root;
        const std::string listed = root / "album", away = root / "moved away", other = root / "other";
        ASSERT_TRUE(platform::createFolder(listed));
        writeFile(listed + "/a.mp3", "listed");
        const auto id = platform::fileId(listed);
        ASSERT_TRUE(id);
        const auto swap = [&] {
            platform::moveFile(listed, away);
            ASSERT_TRUE(platform::createFolder(other));
            writeFile(other + "/a.mp3", "newcomer");
#ifndef _WIN32
            if (c.linkInstead) {
                ASSERT_EQ(::symlink(other.c_str(), listed.c_str()), 0);
                return;
            }
#endif
            platform::moveFile(other, listed);
        };
        if (c.swapBeforeOpening) swap();
        const platform::MoveFolder folder(listed, id);
        if (!c.swapBeforeOpening) swap();
        try {
            folder.moveFile("a.mp3", "b.mp3");
            EXPECT_FALSE(c.swapBeforeOpening) << c.what << ": moved in the newcomer";
            EXPECT_EQ(readFile(away + "/b.mp3"), "listed") << c.what;
        } catch (const FileError& error) {
            EXPECT_TRUE(c.swapBeforeOpening) << c.what << ": " << error.message();
            EXPECT_NE(error.message().find(platform::kFolderReplaced), std::string::npos) << c.what;
            EXPECT_EQ(readFile(away + "/a.mp3"), "listed") << c.what;
        }
        // Into it from another folder, or out of it into another: refused the same way.
        const std::string elsewhere = root / "elsewhere";
        ASSERT_TRUE(platform::createFolder(elsewhere));
        writeFile(elsewhere + "/x.mp3", "x");
        const platform::MoveFolder beside(elsewhere, platform::fileId(elsewhere));
        if (c.swapBeforeOpening) {
            EXPECT_THROW(beside.moveFileInto("x.mp3", folder, "x.mp3"), FileError) << c.what;
            EXPECT_THROW(folder.moveFileInto("a.mp3", beside, "a.mp3"), FileError) << c.what;
        }
        EXPECT_EQ(readFile(elsewhere + "/x.mp3"), "x") << c.what;
        EXPECT_FALSE(platform::fileExists(elsewhere + "/a.mp3")) << c.what;
        EXPECT_EQ(readFile(listed + "/a.mp3"), "newcomer") << c.what;
    }
}

// Undo gives a file back a name it had; on POSIX that name may hold what Windows refuses.
TEST(Move, AnyNameMoveTakesWhatTheSystemTakesAndStillNeverOverwrites) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "a");
    writeFile(folder / "b.mp3", "b");
#ifdef _WIN32
    EXPECT_THROW(platform::moveFileAnyName(folder / "a.mp3", folder / "x?.mp3"), FileError);
    const std::string odd = "x y.mp3";
#else
    const std::string odd = "x:y?*\"<>|.mp3";
#endif
    platform::moveFileAnyName(folder / "a.mp3", folder / odd);
    EXPECT_THROW(platform::moveFileAnyName(folder / "b.mp3", folder / odd), FileError);
    EXPECT_EQ(listing(folder), (std::vector<std::string>{"b.mp3", odd}));
    EXPECT_EQ(readFile(folder / odd), "a");
}

TEST(Replace, TakesThePlaceOfTheOldFileOrOfNone) {
    TempFolder folder;
    writeFile(folder / "index", "old");
    writeFile(folder / "index.tmp", "new");
    platform::replaceFile(folder / "index.tmp", folder / "index");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"index"});
    EXPECT_EQ(readFile(folder / "index"), "new");
    writeFile(folder / "other.tmp", "other");
    platform::replaceFile(folder / "other.tmp", folder / "other");
    EXPECT_EQ(readFile(folder / "other"), "other");
    EXPECT_THROW(platform::replaceFile(folder / "missing", folder / "index"), FileError);
    EXPECT_EQ(readFile(folder / "index"), "new");
}

TEST(Move, ValidNamesTable) {
    struct Case {
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"song.mp3", true}, {"日本語.mp3", true}, {"a b.mp3", true}, {".hidden", true},
        {"", false},        {".", false},         {"..", false},     {"a/b", false},
        {"a\\b", false},    {"a?b", false},       {"a\x01", false},  {"pipe|", false},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::isValidFileName(c.name), c.valid) << c.name;
}

// Names beyond ASCII and long names must survive every step: list, move, status, delete.
TEST(Move, UnicodeAndLongNamesAreListedMovedAndDeleted) {
    const std::string names[] = {
        "日本語の歌.mp3",
        "Café – ça été déjà vu.mp3",
        "🎵 Ünïcødé 🎶.mp3",
        std::string(196, 'n') + ".mp3",  // 200 characters
        std::string(236, 'L') + ".mp3",  // 240: the full path passes the old 260 limit
    };
    for (const std::string& name : names) {
        TempFolder folder;
        writeFile(folder / name, name);
        EXPECT_EQ(listing(folder), std::vector<std::string>{name});
        ASSERT_TRUE(platform::fileExists(folder / name));
        EXPECT_EQ(platform::fileStatus(folder / name)->size, name.size());

        const std::string moved = "moved " + name.substr(0, name.size() > 200 ? 200 : name.size());
        platform::moveFile(folder / name, folder / moved);
        EXPECT_EQ(listing(folder), std::vector<std::string>{moved});
        EXPECT_EQ(readFile(folder / moved), name);

        platform::removeFile(folder / moved);
        EXPECT_TRUE(listing(folder).empty());
    }
}

// Which recorded file a file on the disk is: what undo and recovery judge by.
TEST(Identity, BirthStampsTellReusedIndexesApartAndSurviveAnotherDeviceNumber) {
    using platform::FileId;
    const struct {
        FileId recorded, onDisk;
        bool same;
        const char* why;
    } cases[] = {
        {{1, 10, 0}, {1, 10, 0}, true, "an old record without a stamp: volume and index"},
        {{1, 10, 0}, {2, 10, 0}, false, "another volume, no stamps to tell"},
        {{1, 10, 0}, {1, 10, 77}, true, "a stamp on one side only: volume and index"},
        {{1, 10, 77}, {1, 10, 78}, false, "the index given to a later file"},
        {{1, 10, 77}, {9, 10, 77}, true, "the disk back under another device number"},
        {{1, 10, 77}, {1, 11, 77}, false, "another index"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.recorded == c.onDisk, c.same) << c.why;
}

TEST(Remove, MissingFileRaises) {
    TempFolder folder;
    try {
        platform::removeFile(folder / "none");
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::fileNotFound);
        EXPECT_EQ(error.fileName(), folder / "none");
    }
}

}  // namespace

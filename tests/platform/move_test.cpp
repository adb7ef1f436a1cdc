#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

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

TEST(Move, RenamesAFile) {
    TempFolder folder;
    writeFile(folder / "old.mp3", "music");
    platform::moveFile(folder / "old.mp3", folder / "new.mp3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"new.mp3"});
    EXPECT_EQ(readFile(folder / "new.mp3"), "music");
}

TEST(Move, NeverOverwritesAndBothFilesKeepTheirBytes) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "first");
    writeFile(folder / "b.mp3", "second");
    try {
        platform::moveFile(folder / "a.mp3", folder / "b.mp3");
        ADD_FAILURE() << "moved over another file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.message(), "The file \"" + folder / "b.mp3" + "\" already exists.");
    }
    EXPECT_EQ(readFile(folder / "a.mp3"), "first");
    EXPECT_EQ(readFile(folder / "b.mp3"), "second");
}

TEST(Move, NeverOverwritesAFileThatDiffersOnlyInCase) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "first");
    writeFile(folder / "B.mp3", "second");
#ifdef _WIN32
    // One name to the file system: the move must fail.
    EXPECT_THROW(platform::moveFile(folder / "a.mp3", folder / "b.mp3"), FileError);
    EXPECT_EQ(readFile(folder / "a.mp3"), "first");
#else
    // Two names to a case-sensitive file system: the move succeeds beside the other file.
    platform::moveFile(folder / "a.mp3", folder / "b.mp3");
    EXPECT_EQ(readFile(folder / "b.mp3"), "first");
#endif
    EXPECT_EQ(readFile(folder / "B.mp3"), "second");
}

TEST(Move, CaseOnlyRenameChangesTheCase) {
    TempFolder folder;
    writeFile(folder / "track.mp3", "t");
    platform::moveFile(folder / "track.mp3", folder / "TRACK.MP3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"TRACK.MP3"});
    EXPECT_EQ(readFile(folder / "TRACK.MP3"), "t");
    platform::moveFile(folder / "TRACK.MP3", folder / "Track.mp3");
    EXPECT_EQ(listing(folder), std::vector<std::string>{"Track.mp3"});
}

TEST(Move, OntoItsOwnNameSucceedsAndChangesNothing) {
    TempFolder folder;
    writeFile(folder / "same.mp3", "s");
    EXPECT_NO_THROW(platform::moveFile(folder / "same.mp3", folder / "same.mp3"));
    EXPECT_EQ(listing(folder), std::vector<std::string>{"same.mp3"});
    EXPECT_EQ(readFile(folder / "same.mp3"), "s");
}

TEST(Move, MissingSourceFails) {
    TempFolder folder;
    try {
        platform::moveFile(folder / "gone.mp3", folder / "new.mp3");
        FAIL() << "moved a missing file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::fileNotFound);
    }
    EXPECT_TRUE(listing(folder).empty());
}

TEST(Move, NamesWindowsRefusesFailAndTheFileStays) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "a");
    for (const char* bad :
         {"a?b.mp3", "a*b.mp3", "x:y.mp3", "a<b.mp3", "a>b.mp3", "a|b.mp3", "say \"hi\".mp3", "tab\there.mp3", ""}) {
        EXPECT_THROW(platform::moveFile(folder / "a.mp3", folder / bad), FileError) << bad;
    }
    EXPECT_EQ(listing(folder), std::vector<std::string>{"a.mp3"});
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

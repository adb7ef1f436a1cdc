#include <gtest/gtest.h>

#include <climits>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

namespace {

using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr char sep = platform::kPathSeparator;

TEST(Status, SizeCreationTimeAndAttributes) {
    TempFolder folder;
    const std::time_t before = platform::now();
    writeFile(folder / "f.mp3", std::string(1234, 'x'));
    const auto status = platform::fileStatus(folder / "f.mp3");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->size, 1234u);
    EXPECT_LE(std::abs(static_cast<double>(status->creationTime - before)), 60.0);
    EXPECT_EQ(status->attributes & platform::AttrDirectory, 0u);

    const auto dir = platform::fileStatus(folder.path());
    ASSERT_TRUE(dir.has_value());
    EXPECT_EQ(dir->attributes & platform::AttrDirectory, platform::AttrDirectory);

    EXPECT_FALSE(platform::fileStatus(folder / "none").has_value());
    EXPECT_FALSE(platform::fileStatus("").has_value());
    EXPECT_FALSE(platform::fileExists(folder / "none"));
    EXPECT_FALSE(platform::fileExists(""));
}

TEST(Status, ReadOnlyCanBeSetAndCleared) {
    TempFolder folder;
    writeFile(folder / "f", "");
    ASSERT_TRUE(platform::setAttributes(folder / "f", platform::AttrReadOnly));
    EXPECT_EQ(platform::fileStatus(folder / "f")->attributes & platform::AttrReadOnly, platform::AttrReadOnly);
    ASSERT_TRUE(platform::setAttributes(folder / "f", 0));
    EXPECT_EQ(platform::fileStatus(folder / "f")->attributes & platform::AttrReadOnly, 0u);
    EXPECT_FALSE(platform::setAttributes(folder / "none", 0));
}

TEST(Folders, CreateOnceThenRefuse) {
    TempFolder folder;
    EXPECT_TRUE(platform::createFolder(folder / "undo"));
    EXPECT_TRUE(platform::fileExists(folder / "undo"));
    EXPECT_FALSE(platform::createFolder(folder / "undo")) << "exists already";
    EXPECT_FALSE(platform::createFolder(folder / "a" + sep + "b")) << "parent missing";
    // Removed only once nothing is in it, and never a file.
    const std::string inside = folder / "undo" + sep + "x";
    writeFile(inside, "x");
    EXPECT_FALSE(platform::removeEmptyFolder(folder / "undo")) << "not empty";
    EXPECT_FALSE(platform::removeEmptyFolder(inside)) << "a file";
    EXPECT_EQ(readFile(inside), "x");
    platform::removeFile(inside);
    EXPECT_TRUE(platform::removeEmptyFolder(folder / "undo"));
    EXPECT_FALSE(platform::fileExists(folder / "undo"));
    EXPECT_FALSE(platform::removeEmptyFolder(folder / "undo")) << "gone already";
}

TEST(Paths, FullPathResolvesAgainstTheCurrentFolder) {
    const std::string here = platform::currentFolder();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(platform::fullPath(here), here);
    const std::string base = here.back() == sep ? here : here + sep;
    EXPECT_EQ(platform::fullPath("song.mp3"), base + "song.mp3");
    EXPECT_EQ(platform::fullPath(std::string("a") + sep + ".." + sep + "b"), base + "b");
    EXPECT_EQ(platform::fullPath(std::string(".") + sep + "c"), base + "c");
    EXPECT_EQ(platform::fullPath(""), "");
}

TEST(Paths, FullPathFoldsDotsAndKeepsAFinalSeparator) {
#ifdef _WIN32
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"C:\\music\\..\\songs\\.\\a.mp3", "C:\\songs\\a.mp3"},
        {"C:\\music\\", "C:\\music\\"},
        {"C:\\", "C:\\"},
        {"C:/music/x", "C:\\music\\x"},
    };
#else
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"/music/../songs/./a.mp3", "/songs/a.mp3"},
        {"/music/", "/music/"},
        {"/", "/"},
        {"//music///x", "/music/x"},
        {"/..", "/"},
    };
#endif
    for (const Case& c : cases) EXPECT_EQ(platform::fullPath(c.in), c.out) << c.in;
}

TEST(Paths, AbsolutePathsStartFromARoot) {
    struct Case {
        const char* path;
        bool absolute;
    };
#ifdef _WIN32
    const Case cases[] = {
        {"C:\\music\\", true}, {"c:/x", true}, {"\\\\server\\share\\", true}, {"C:music", false}, {"\\music", false},
        {"music\\", false},    {"", false}};
#else
    const Case cases[] = {{"/music/", true}, {"/", true}, {"music/", false}, {"./x", false}, {"", false}};
#endif
    for (const Case& c : cases) EXPECT_EQ(platform::isAbsolutePath(c.path), c.absolute) << c.path;
}

#ifdef _WIN32
TEST(Paths, DriveRootsResolveToTheRoot) {
    // A start folder "C:" or "C:\" must list the root of drive C.
    EXPECT_EQ(platform::fullPath("C:\\"), "C:\\");
    EXPECT_TRUE(platform::fileExists("C:\\"));
    platform::FindHandle find;
    platform::FindData data;
    EXPECT_TRUE(find.first("C:\\*.*", data));
}
#endif

TEST(Paths, ModuleFolderEndsWithTheSeparatorAndHoldsTheProgram) {
    const std::string folder = platform::GetModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), sep);
    const std::string program = platform::modulePath();
    EXPECT_EQ(program.compare(0, folder.size(), folder), 0) << program;
    EXPECT_NE(program.find("platform_tests"), std::string::npos);
    EXPECT_TRUE(platform::fileExists(program));
}

// Messages show names through displayName: no name can forge a line or steer a terminal.
TEST(Paths, DisplayNameEscapesControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Artist - Song.mp3", "Artist - Song.mp3"},
        {"C:\\Music\\a\\tb.mp3", "C:\\Music\\a\\tb.mp3"},  // a backslash stays: Windows paths are full of them
        {"a\tb", "a\\tb"},
        {"two\nlines\r\n.mp3", "two\\nlines\\r\\n.mp3"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("nul\0byte", 8), "nul\\x00byte"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"café 日本 🎵", "café 日本 🎵"},
        {"\xC2\x85next line", "\\u0085next line"},  // C1 controls, as UTF-8
        {"\xC2\x9B"
         "31m",
         "\\u009b31m"},
        {"\xC2\xA0", "\xC2\xA0"},  // no-break space: printable
        {"a\xE2\x80\xA8"
         "b\xE2\x80\xA9",
         "a\\u2028b\\u2029"},
        {"\x9B"
         "31m",
         "\\x9b31m"},                    // not UTF-8, a control to a terminal of 8-bit characters
        {"caf\xE9.mp3", "caf\xE9.mp3"},  // not UTF-8, printable Latin-1: as it is
        {"", ""},
    };
    for (const auto& [name, shown] : cases) EXPECT_EQ(platform::displayName(name), shown) << shown;
}

TEST(Paths, PathTooLongIsWhatTheSystemRefuses) {
#ifdef _WIN32
    constexpr std::size_t kLongest = 32767 - 5;
#else
    constexpr std::size_t kLongest = PATH_MAX - 1;
#endif
    const std::string folder = std::string(kLongest - 10, 'd') + sep;
    EXPECT_FALSE(platform::pathTooLong(folder, "123456789"));
    EXPECT_FALSE(platform::pathTooLong(folder + "123456789"));
    EXPECT_TRUE(platform::pathTooLong(folder, "1234567890"));
    EXPECT_TRUE(platform::pathTooLong(folder + "1234567890"));
    EXPECT_FALSE(platform::pathTooLong("/music/", "a.mp3"));
}

TEST(Clock, LocalTimeBreaksDownTheClock) {
    const std::tm now = platform::localTime(platform::now());
    EXPECT_GE(now.tm_year + 1900, 2024);
    EXPECT_GE(now.tm_mon, 0);
    EXPECT_LE(now.tm_mon, 11);
    std::tm copy = platform::localTime(1000000000);  // 2001-09-09 01:46:40 UTC
    EXPECT_EQ(std::mktime(&copy), 1000000000);
}

}  // namespace

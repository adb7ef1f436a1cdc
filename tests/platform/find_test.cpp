#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "platform/wildcard.h"
#include "support/temp_folder.h"

namespace {

using platform::FindData;
using platform::FindHandle;
using testing_support::TempFolder;
using testing_support::writeFile;

// Name -> attributes of everything one search lists.
std::map<std::string, std::uint32_t> list(const std::string& folder, const std::string& pattern) {
    std::map<std::string, std::uint32_t> found;
    FindHandle find;
    FindData data;
    for (bool more = find.first(folder + platform::kPathSeparator + pattern, data); more; more = find.next(data)) {
        found[data.name] = data.attributes;
    }
    return found;
}

std::vector<std::string> namesInOrder(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    FindHandle find;
    FindData data;
    for (bool more = find.first(folder + platform::kPathSeparator + pattern, data); more; more = find.next(data)) {
        if (data.name != "." && data.name != "..") names.push_back(data.name);
    }
    return names;
}

std::set<std::string> keys(const std::map<std::string, std::uint32_t>& found) {
    std::set<std::string> names;
    for (const auto& [name, attributes] : found) {
        if (name != "." && name != "..") names.insert(name);
    }
    return names;
}

TEST(Wildcard, MatchesAsTheWindowsFileSystemDoes) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.mp3", "song.mp3", true},
        {"*.mp3", "SONG.MP3", true},
        {"*.MP3", "song.mp3", true},
        {"*.mp3", "song.mp3x", false},
        {"*.mp3", "song.mp2", false},
        {"*.mp3", ".mp3", true},
        {"*.*", "README", true},
        {"*.*", "a.b.c", true},
        {"*", "README", true},
        {"?.mp3", "a.mp3", true},
        {"?.mp3", "ab.mp3", false},
        {"?.mp3", ".mp3", true},   // a "?" before a period may match nothing
        {"?.mp3", "é.mp3", true},  // one character, two bytes
        {"??.mp3", "é.mp3", true},
        {"track??.mp3", "track1.mp3", true},
        {"track??.mp3", "track123.mp3", false},
        {"track?", "track", true},
        {"a?b", "ab", false},
        {"*É*", "café.mp3", true},  // letters beyond ASCII ignore case too
        {"ÇA*", "ça va.mp3", true},
        {"track.*", "track", true},  // a final ".*" may match no extension at all
        {"track.*", "track.mp3", true},
        {"*.", "README", true},  // a final "." matches names without a period
        {"*.", "a.mp3", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"song.mp3", "Song.MP3", true},
        {"song.mp3", "song.mp", false},
        {"test", "TesT", true},  // as Windows answers for these names and patterns
        {"éa.tmp", "ea.tmp", false},
        {"Éb.tmp", "éa.tmp", false},
        {"éa.tmp", "ÉA.TMP", true},
        {"*ß*", "ẞ.mp3", false},  // letters fold as names do (case_fold.h)
        {"i*", "İ.mp3", false},
        {"k*", "\u212A.mp3", false},  // Kelvin sign
        {"Ω*", "\u2126.mp3", false},  // Ohm sign
        {"ɐ*", "\u2C6F.mp3", true},   // two UTF-8 bytes against three
        {"ı*", "I.mp3", false},       // its uppercase lowers to "i": Windows leaves it as it is
        {"μ*", "µ.mp3", false},       // small mu, micro sign
        {"Μ*", "μ.mp3", true},
        {"*.mp3", "𐐨.MP3", true},
        {"𐐀*", "𐐨", false},     // beyond the BMP nothing folds
        {"a<b", "axyb", true},  // "<" is a wildcard, not the character
        // A pattern is matched as typed: a leading space is a character to match, final spaces
        // and periods go as Windows drops them (" *.." and "*. " in the table below).
        {" *.mp3", "a.mp3", false},
        {" *.mp3", " a.mp3", true},
        {"*.mp3 ", "a.mp3", true},
        {"*. ", "a.mp3", true},
        {"*.", "a.mp3", false},
        {" *..", "a", false},
        {" ", "a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::wildcardMatch(c.pattern, c.name), c.matches)
            << "pattern " << c.pattern << " name " << c.name;
    }

    // Windows' own answers (Wine's conformance tests assert them of Windows): the names of a folder
    // of thirteen that each pattern lists ("." and ".." aside). A name marked "~" Windows lists
    // only through its 8.3 short name (".a" is also "A~1"), which this program never matches.
    const char* const folder[] = {"..a",  "..a.a", ".a",    ".a..a", ".a.a", ".aaa", "a",
                                  "a..a", "a.a",   "a.a.a", "aa",    "aaa",  "aaaa"};
    const std::map<std::string, std::string> shortNames = {{".a", "A~1"}, {"..a", "A~2"}, {".aaa", "AAA~1"}};
    const std::pair<const char*, const char*> listed[] = {
        {"*.*.*", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"*.*.", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {".*.*", "..a ..a.a .a .a..a .a.a .aaa"},
        {"*.*", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {".*", "..a ..a.a .a .a..a .a.a .aaa"},
        {"*.", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"*", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"*..*", "..a ..a.a .a..a a..a"},
        {"*..", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {".*.", ".a .aaa"},
        {"..*", "..a ..a.a"},
        {"**", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"**.", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"*. ", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"* .", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"* . ", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"*.. ", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"*. .", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"* ..", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {" *..", ""},
        {"..* ", "..a ..a.a"},
        {"<.<.<", "..a ..a.a .a..a .a.a a..a a.a.a"},
        {"<.<.", "..a ..a.a .a .a..a .a.a .aaa a..a a.a a.a.a"},
        {".<.<", "..a ..a.a .a..a .a.a"},
        {"<.<", "..a ..a.a .a .a..a .a.a .aaa a..a a.a a.a.a"},
        {".<", ".a .aaa"},
        {"<.", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"<", "~..a ~.a ~.aaa a aa aaa aaaa"},
        {"<..<", "..a .a..a a..a"},
        {"<..", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {".<.", ".a .aaa"},
        {"..<", "..a"},
        {"<<", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"<<.", "..a ..a.a .a .a..a .a.a .aaa a a..a a.a a.a.a aa aaa aaaa"},
        {"<. ", "~..a ~.a ~.aaa a aa aaa aaaa"},
        {"< .", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"< . ", "~..a ~.a ~.aaa a aa aaa aaaa"},
        {"<.. ", "~..a ~.a ~.aaa a aa aaa aaaa"},
        {"<. .", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {"< ..", "a ~.a ~..a aa aaa aaaa ~.aaa"},
        {" <..", ""},
        {"..< ", "..a"},
        {"?", "a"},
        {"?.", "a"},
        {"?. ", "a"},
        {"??.", "a aa"},
        {"??. ", "a aa"},
        {"???.", "a aa aaa"},
        {"?.??.", ".a a a.a"},
        {">", "a"},
        {">.", "a"},
        {">. ", "a"},
        {">>.", "a aa"},
        {">>. ", "a aa"},
        {">>>.", "a aa aaa"},
        {">.>>.", ".a a.a"},
    };
    for (const auto& [pattern, names] : listed) {
        const std::string list = std::string(" ") + names + " ";
        for (const std::string name : folder) {
            const bool onlyShort = list.find(" ~" + name + " ") != std::string::npos;
            EXPECT_EQ(platform::wildcardMatch(pattern, name), list.find(" " + name + " ") != std::string::npos)
                << "pattern '" << pattern << "' name " << name;
            if (onlyShort) {
                EXPECT_TRUE(platform::wildcardMatch(pattern, shortNames.at(name))) << pattern;
            }
        }
    }
}

TEST(Find, ListsMatchingNamesWithAttributes) {
    TempFolder folder;
    for (const char* name : {"b.mp3", "A.mp3", "c.MP3", "README", "x.txt", "song.mp3x"}) {
        writeFile(folder / name, name);
    }
    ASSERT_TRUE(platform::createFolder(folder / "sub.mp3"));

    // Never "song.mp3x", whose 8.3 short name "SONG~1.MP3" Windows itself would match.
    const auto mp3 = list(folder.path(), "*.mp3");
    EXPECT_EQ(keys(mp3), (std::set<std::string>{"A.mp3", "b.mp3", "c.MP3", "sub.mp3"}));
    EXPECT_EQ(mp3.at("sub.mp3") & platform::AttrDirectory, platform::AttrDirectory);
    EXPECT_EQ(mp3.at("b.mp3") & platform::AttrDirectory, 0u);

    EXPECT_EQ(keys(list(folder.path(), "*.*")),
              (std::set<std::string>{"A.mp3", "b.mp3", "c.MP3", "README", "x.txt", "song.mp3x", "sub.mp3"}));
    EXPECT_EQ(keys(list(folder.path(), "?.mp3")), (std::set<std::string>{"A.mp3", "b.mp3", "c.MP3"}));
    EXPECT_EQ(keys(list(folder.path(), "readme")), (std::set<std::string>{"README"}));
    EXPECT_TRUE(list(folder.path(), "*.wav").empty());
}

TEST(Find, ListsDotEntriesAsWindowsDoes) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "");
    const auto all = list(folder.path(), "*.*");
    EXPECT_EQ(all.count("."), 1u);
    EXPECT_EQ(all.count(".."), 1u);
    EXPECT_EQ(all.at(".") & platform::AttrDirectory, platform::AttrDirectory);
}

TEST(Find, ReportsHiddenAndReadOnly) {
    TempFolder folder;
    writeFile(folder / "plain.mp3", "");
    writeFile(folder / ".hidden.mp3", "");
    writeFile(folder / "locked.mp3", "");
    // On POSIX the leading period makes the file hidden; on Windows the attribute does.
    ASSERT_TRUE(platform::setAttributes(folder / ".hidden.mp3", platform::AttrHidden));
    ASSERT_TRUE(platform::setAttributes(folder / "locked.mp3", platform::AttrReadOnly));

    const auto found = list(folder.path(), "*.mp3");
    ASSERT_EQ(keys(found).size(), 3u);
    const std::uint32_t interesting = platform::AttrHidden | platform::AttrReadOnly | platform::AttrSystem;
    EXPECT_EQ(found.at("plain.mp3") & interesting, 0u);
    EXPECT_EQ(found.at(".hidden.mp3") & interesting, platform::AttrHidden);
    EXPECT_EQ(found.at("locked.mp3") & interesting, platform::AttrReadOnly);
}

#ifdef _WIN32
TEST(Find, ReportsTheSystemAttributeOnWindows) {
    TempFolder folder;
    writeFile(folder / "sys.mp3", "");
    ASSERT_TRUE(platform::setAttributes(folder / "sys.mp3", platform::AttrSystem));
    EXPECT_EQ(list(folder.path(), "*.mp3").at("sys.mp3") & platform::AttrSystem, platform::AttrSystem);
}
#endif

TEST(Find, ListsByNameIgnoringCaseSoRunsRepeat) {
    TempFolder folder;
    const std::vector<std::string> names = {"delta.mp3", "Alpha.mp3", "charlie.mp3", "Bravo.mp3", "écho.mp3"};
    for (const auto& name : names) writeFile(folder / name, "");
    const auto first = namesInOrder(folder.path(), "*.mp3");
    EXPECT_EQ(first, namesInOrder(folder.path(), "*.mp3"));
    const std::vector<std::string> sorted = {"Alpha.mp3", "Bravo.mp3", "charlie.mp3", "delta.mp3", "écho.mp3"};
    EXPECT_EQ(first, sorted);
}

// A folder too big for one read of its entries is given whole, each entry once, by a search and
// by listNames alike, and each with its own attributes and identity: a big folder is looked at
// while it is read, away from the order it is given in.
TEST(Find, AFolderReadInManyPiecesIsListedWhole) {
    TempFolder folder;
    std::set<std::string> names;
    for (int i = 0; i < 5200; ++i) {
        const std::string name = std::string(20 + i % 101, "xyz"[i % 3]) + std::to_string(i) + ".mp3";
        if (i % 500 == 7) {
            ASSERT_TRUE(platform::createFolder(folder / name));
        } else {
            writeFile(folder / name, "");
            if (i % 7 == 3) {
                ASSERT_TRUE(platform::setAttributes(folder / name, platform::AttrReadOnly));
            }
        }
        names.insert(name);
    }
    EXPECT_EQ(namesInOrder(folder.path(), "*.mp3").size(), names.size());
    std::multiset<std::string> listed;
    FindHandle find;
    FindData data;
    for (bool more = find.first(folder / "*.mp3", data); more; more = find.next(data)) {
        listed.insert(data.name);
        const int i = std::stoi(data.name.substr(data.name.find_first_of("0123456789")));
        const std::uint32_t expected = i % 500 == 7 ? platform::AttrDirectory
                                       : i % 7 == 3 ? platform::AttrReadOnly
                                                    : 0u;
        EXPECT_EQ(data.attributes & (platform::AttrDirectory | platform::AttrReadOnly), expected) << data.name;
#ifndef _WIN32
        const auto id = platform::entryId(folder / data.name);
        ASSERT_TRUE(id);
        EXPECT_EQ(data.id.index, id->index) << data.name;
#endif
    }
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), names);
    EXPECT_EQ(listed.size(), names.size());
    listed.clear();
    ASSERT_TRUE(platform::listNames(folder.path(), [&](std::string_view name) { listed.emplace(name); }));
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), names);
    EXPECT_EQ(listed.size(), names.size());
    for (const std::string& name : names) platform::setAttributes(folder / name, 0);
}

TEST(Find, MissingFolderOrEmptyPatternListsNothing) {
    TempFolder folder;
    FindHandle find;
    FindData data;
    EXPECT_FALSE(find.first(folder / "nowhere" + platform::kPathSeparator + "*.*", data));
    EXPECT_FALSE(find.isOpen());
    EXPECT_FALSE(find.next(data));
}

TEST(Find, CloseEndsTheSearch) {
    TempFolder folder;
    writeFile(folder / "a.mp3", "");
    writeFile(folder / "b.mp3", "");
    FindHandle find;
    FindData data;
    ASSERT_TRUE(find.first(folder / "*.mp3", data));
    EXPECT_TRUE(find.isOpen());
    find.close();
    EXPECT_FALSE(find.next(data));
}

// A walk's folders: each opened through its parent, listed through its handle, and known again
// when it is opened from below.
TEST(FolderHandle, OpensSubFoldersThroughTheirParentAndKnowsItsParentAgain) {
    TempFolder folder;
    ASSERT_TRUE(platform::createFolder(folder / "sub"));
    writeFile(folder / "sub" + platform::kPathSeparator + "a.mp3", "");
    writeFile(folder / "file.mp3", "");
    std::string why;
    platform::FolderHandle top, sub, back, none;
    ASSERT_TRUE(top.open(folder.path(), why)) << why;
    ASSERT_TRUE(sub.openChild(top, "sub", why)) << why;
    ASSERT_TRUE(top.id().has_value());
    EXPECT_TRUE(*top.id() == *platform::fileId(folder.path()));
    EXPECT_TRUE(*sub.id() == *platform::fileId(folder / "sub"));

    FindHandle find;
    FindData data;
    std::string problem = "stale";
    ASSERT_TRUE(find.first(sub, "*.mp3", data, false, problem));
    EXPECT_EQ(data.name, "a.mp3");
    EXPECT_EQ(problem, "");
    EXPECT_FALSE(find.first(sub, "*.wav", data, false, problem)) << "no match";
    EXPECT_EQ(problem, "") << "no match is no problem";

    top.close();
    EXPECT_FALSE(top.isOpen());
    ASSERT_TRUE(back.openParent(sub, *platform::fileId(folder.path()), why)) << why;
    ASSERT_TRUE(find.first(back, "*.mp3", data, false, problem));
    EXPECT_EQ(data.name, "file.mp3");
    EXPECT_FALSE(none.openParent(sub, *platform::fileId(folder / "sub"), why)) << "not the folder expected";
    EXPECT_FALSE(why.empty());

#ifndef _WIN32
    // POSIX refuses at the opening what Windows refuses at the listing.
    EXPECT_FALSE(none.open(folder / "missing", why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(none.openChild(back, "file.mp3", why)) << "a file is no folder";
    ASSERT_EQ(::symlink((folder / "sub").c_str(), (folder / "link").c_str()), 0);
    EXPECT_FALSE(none.openChild(back, "link", why)) << "never through a link";
    EXPECT_FALSE(find.first(none, "*.*", data, false, problem));
    EXPECT_FALSE(problem.empty());
#else
    ASSERT_TRUE(none.open(folder / "missing", why));
    EXPECT_FALSE(find.first(none, "*.*", data, false, problem));
    EXPECT_FALSE(problem.empty()) << "a folder that is not there is no empty folder";
#endif
}

// A listing that its caller stops by throwing leaves no folder open.
TEST(ListNames, StoppedByThrowingLeavesNothingOpen) {
    const auto openHandles = [] {
#ifdef _WIN32
        DWORD count = 0;
        GetProcessHandleCount(GetCurrentProcess(), &count);
        return static_cast<long>(count);
#else
        long count = 0;
        platform::listNames("/proc/self/fd", [&](std::string_view) { ++count; });
        return count;
#endif
    };
    TempFolder folder;
    writeFile(folder / "a", "a");
    const long before = openHandles();
    for (int i = 0; i < 20; ++i) {
        EXPECT_THROW(platform::listNames(folder.path(), [](std::string_view) { throw std::runtime_error("stop"); }),
                     std::runtime_error);
    }
    EXPECT_EQ(openHandles(), before);
}

}  // namespace

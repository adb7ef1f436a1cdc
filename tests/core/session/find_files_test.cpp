#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#endif

#include "core/session/find_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/hard_folders.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TempFolder;
using testing_support::writeFile;
#ifndef _WIN32
using testing_support::removeTree;
#endif

constexpr char sep = platform::kPathSeparator;

// A path relative to the start folder, "/" between its folders.
std::string relativeTo(const TempFolder& root, const std::string& path) {
    const std::string prefix = root.path() + sep;
    std::string relative = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : "?" + path;
    for (char& c : relative) {
        if (c == sep) c = '/';
    }
    return relative;
}

// "sub/x.mp3"-style paths, relative to the start folder, in discovery order; the folders that
// could not be listed go to `problems` when given, and must not be there otherwise.
std::vector<std::string> discovered(const TempFolder& root, const std::string& folder, const std::string& patterns,
                                    bool recurse, const std::vector<std::string>& ownFolders = {},
                                    std::vector<FolderProblem>* problems = nullptr, FileList* found = nullptr) {
    FileList list;
    std::vector<FolderProblem> unlisted = findFiles(list, recurse, folder, patterns, ownFolders);
    if (problems) {
        *problems = std::move(unlisted);
    } else {
        for (const FolderProblem& problem : unlisted) ADD_FAILURE() << problem.folder << ": " << problem.reason;
    }
    std::vector<std::string> out;
    for (const FileEntry& entry : list) {
        EXPECT_EQ(entry.folder().back(), sep);
        out.push_back(relativeTo(root, entry.folder()) + entry.name.str());
    }
    if (found) *found = std::move(list);
    return out;
}

// root: a.mp3 b.mp3 c.txt .hidden.mp3(hidden) ro.mp3(read-only)
//       sub1/x.mp3 sub1/y.txt sub1/deeper/z.mp3  .hiddendir/h.mp3  rodir/r.mp3
void buildTree(const TempFolder& root) {
    for (const char* name : {"b.mp3", "a.mp3", "c.txt", ".hidden.mp3", "ro.mp3"}) writeFile(root / name, name);
    platform::setAttributes(root / ".hidden.mp3", platform::AttrHidden);
    platform::setAttributes(root / "ro.mp3", platform::AttrReadOnly);
    platform::createFolder(root / "sub1");
    platform::createFolder(root / ("sub1" + std::string(1, sep) + "deeper"));
    platform::createFolder(root / ".hiddendir");
    platform::createFolder(root / "rodir");
    writeFile(root / ("sub1" + std::string(1, sep) + "x.mp3"), "x");
    writeFile(root / ("sub1" + std::string(1, sep) + "y.txt"), "y");
    writeFile(root / ("sub1" + std::string(1, sep) + "deeper" + sep + "z.mp3"), "z");
    writeFile(root / (".hiddendir" + std::string(1, sep) + "h.mp3"), "h");
    writeFile(root / ("rodir" + std::string(1, sep) + "r.mp3"), "r");
    platform::setAttributes(root / ".hiddendir", platform::AttrHidden);
    platform::setAttributes(root / "rodir", platform::AttrReadOnly);
}

TEST(FindFiles, PatternByPatternFilesFirstThenSubFoldersDepthFirst) {
    TempFolder root;
    buildTree(root);
    // The sub-folders come from the same reading of a folder as its files: also those of a folder
    // with no match, and a folder whose name matches the pattern.
    const auto in = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', sep);
        return path;
    };
    for (const char* folder : {"disc.mp3", "nomatch", "nomatch/inner"}) platform::createFolder(root / in(folder));
    writeFile(root / in("disc.mp3/t.mp3"), "t");
    writeFile(root / in("nomatch/inner/w.mp3"), "w");
    const std::vector<std::string> expected = {
        "a.mp3",       "b.mp3",      ".hiddendir/h.mp3",  "disc.mp3/t.mp3", "nomatch/inner/w.mp3",
        "rodir/r.mp3", "sub1/x.mp3", "sub1/deeper/z.mp3", "c.txt",          "sub1/y.txt",
    };
    EXPECT_EQ(discovered(root, root.path(), "*.mp3;*.txt", true), expected);
}

TEST(FindFiles, PatternTexts) {
    TempFolder root;
    buildTree(root);
    struct Case {
        const char* patterns;
        bool recurse;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"*.mp3", false, {"a.mp3", "b.mp3"}},
        {"*.mp3;", false, {"a.mp3", "b.mp3"}},
        {"*.mp3;*.*", false, {"a.mp3", "b.mp3", "a.mp3", "b.mp3", "c.txt"}},  // listed once per pattern
        {";", false, {"a.mp3", "b.mp3", "c.txt"}},                            // the empty piece is "*.*"
        {";*.mp3", false, {"a.mp3", "b.mp3", "c.txt", "a.mp3", "b.mp3"}},
        // Pieces are matched as typed, as Windows matches them: a leading space is part of the
        // pattern, final spaces and periods go as Windows drops them from a name.
        {"*.mp3; *.txt", false, {"a.mp3", "b.mp3"}},
        {"*.mp3 ;*.txt ", false, {"a.mp3", "b.mp3", "c.txt"}},
        {"*. ", false, {"a.mp3", "b.mp3", "c.txt"}},  // every name, where "*." is names without a period
        {" *..", false, {}},
        {"*.txt; ", false, {"c.txt"}},  // only an empty piece is every file
        {" ", false, {}},
        {"", false, {"a.mp3", "b.mp3", "c.txt"}},
        {"*.wav", true, {}},
        {"?.txt", true, {"c.txt", "sub1/y.txt"}},
    };
    for (const Case& c : cases) EXPECT_EQ(discovered(root, root.path(), c.patterns, c.recurse), c.files) << c.patterns;
}

TEST(FindFiles, SplitsPatternsAtEverySemicolon) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"*.mp3;*.mp2", {"*.mp3", "*.mp2"}},
        {"*.mp3;", {"*.mp3"}},
        {";*.mp3", {"", "*.mp3"}},
        {"*.mp3; *.mp2", {"*.mp3", " *.mp2"}},
        {";", {""}},
        {";;", {"", ""}},
        {"", {}},
    };
    for (const auto& [text, pieces] : cases) EXPECT_EQ(splitPatterns(text), pieces) << text;
}

TEST(FindFiles, StartFolderIsTrimmedAndMadeAbsolute) {
    TempFolder root;
    buildTree(root);
    const std::vector<std::string> top = {"a.mp3", "b.mp3"};
    EXPECT_EQ(discovered(root, "  " + root.path() + "   ", "*.mp3", false), top);
    EXPECT_EQ(discovered(root, root.path() + sep, "*.mp3", false), top);
    // A start folder that is not there is named, once whatever the patterns.
    std::vector<FolderProblem> problems;
    EXPECT_TRUE(discovered(root, root / "missing", "*.*;*.mp3", true, {}, &problems).empty());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].folder, root / "missing");
    EXPECT_FALSE(problems[0].reason.empty());
}

TEST(FindFiles, FilesOfOneFolderShareItsText) {
    TempFolder root;
    for (int i = 0; i < 20; ++i) writeFile(root / ("f" + std::to_string(i) + ".mp3"), "");
    FileList list;
    findFiles(list, false, root.path(), "*.mp3");
    ASSERT_EQ(list.size(), 20u);
    for (const FileEntry& entry : list) EXPECT_EQ(entry.folderText.node(), list[0].folderText.node());
    EXPECT_EQ(list[0].folder(), root.path() + sep);
    // The per-file cost beyond the name: a string and a shared pointer.
    EXPECT_LE(sizeof(FileEntry), 64u);
}

TEST(FindFiles, NamesBeyondAscii) {
    TempFolder root;
    const std::vector<std::string> names = {"Björk - Jóga.mp3", "日本語の歌.mp3", "🎵.mp3"};
    for (const auto& name : names) writeFile(root / name, "");
    FileList list;
    findFiles(list, false, root.path(), "*.MP3");
    std::vector<std::string> found;
    for (const auto& entry : list) found.push_back(entry.name.str());
    std::sort(found.begin(), found.end());
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(found, sorted);
}

TEST(FindFiles, TheProgramsOwnFoldersAreNeverListed) {
    TempFolder root;
    buildTree(root);
    const std::string app = root / "sub1";
    const std::string undo = app + sep + "deeper";
    const std::vector<std::string> own = {app, undo};
    EXPECT_EQ(discovered(root, root.path(), "*.mp3", true, own),
              (std::vector<std::string>{"a.mp3", "b.mp3", ".hiddendir/h.mp3", "rodir/r.mp3"}));
    // Another spelling of the same folder is the same folder.
    EXPECT_EQ(
        discovered(root, root.path(), "*.mp3", true, {root / ("rodir" + std::string(1, sep) + ".." + sep + "sub1")}),
        (std::vector<std::string>{"a.mp3", "b.mp3", ".hiddendir/h.mp3", "rodir/r.mp3"}));
    EXPECT_TRUE(discovered(root, app, "*.mp3", true, own).empty());
    EXPECT_TRUE(discovered(root, undo, "*.mp3", false, own).empty());
}

#ifndef _WIN32
TEST(FindFiles, RecursionStaysInsideTheFolderAndOpensOnlyFiles) {
    TempFolder root, outside;
    writeFile(root / "a.mp3", "a");
    writeFile(outside / "o.mp3", "o");
    platform::createFolder(root / "sub");
    writeFile(root / "sub/s.mp3", "s");
    ASSERT_EQ(::symlink(outside.path().c_str(), (root / "out").c_str()), 0);
    ASSERT_EQ(::symlink(root.path().c_str(), (root / "sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink((root / "a.mp3").c_str(), (root / "link.mp3").c_str()), 0);
    ASSERT_EQ(::symlink((root / "gone.mp3").c_str(), (root / "dangling.mp3").c_str()), 0);
    ASSERT_EQ(::mkfifo((root / "fifo.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((root / "fifo.mp3").c_str(), (root / "fifolink.mp3").c_str()), 0);
    EXPECT_EQ(discovered(root, root.path(), "*.mp3", true),
              (std::vector<std::string>{"a.mp3", "link.mp3", "sub/s.mp3"}));
    // A big folder's entries are looked at from two threads: each keeps its own status.
    std::vector<std::string> big{"a.mp3", "link.mp3"};
    for (int i = 0; i < 5000; ++i) {
        big.push_back("z" + std::to_string(10000 + i) + ".mp3");
        writeFile(root / big.back(), "");
    }
    big.push_back("sub/s.mp3");
    EXPECT_EQ(discovered(root, root.path(), "*.mp3", true), big);

    platform::FindHandle find;
    platform::FindData data;
    ASSERT_TRUE(find.first(root / "out", data));
    EXPECT_EQ(data.attributes & (platform::AttrDirectory | platform::AttrLink),
              platform::AttrDirectory | platform::AttrLink);
    ASSERT_TRUE(find.first(root / "link.mp3", data));
    EXPECT_EQ(data.attributes & (platform::AttrDirectory | platform::AttrLink), platform::AttrLink);
    EXPECT_FALSE(find.first(root / "fifo.mp3", data)) << "never listed, so never opened";
}
#endif

#ifndef _WIN32
// The walk at the moment it has reached the first file of "s1": the tree's later folders are
// still to come.
struct FaultCase {
    const char* fault;
    bool needsPermissions;  // chmod must bind: as root, only with PermissionsBind
    std::function<void(const TempFolder&)> before, during;
    int error;  // the system's words for it are the reason given
};

// root: a.mp3 s1/x.mp3 s2/y.mp3 s3/z.mp3; the fault strikes s2, which is named with the reason,
// once for both patterns, and everything else is found.
TEST(FindFiles, AFolderThatCannotBeListedIsNamedAndTheRestIsFound) {
    const auto chmodS2 = [](mode_t mode) {
        return [mode](const TempFolder& root) { ASSERT_EQ(::chmod((root / "s2").c_str(), mode), 0); };
    };
    const FaultCase cases[] = {
        {"no permission to read it", true, chmodS2(0), {}, EACCES},
        {"read but not searched", true, chmodS2(0444), {}, EACCES},
        {"vanished since its parent was listed",
         false,
         {},
         [](const TempFolder& root) { removeTree(root / "s2"); },
         ENOENT},
        {"a file in its place",
         false,
         {},
         [](const TempFolder& root) {
             removeTree(root / "s2");
             writeFile(root / "s2", "");
         },
         ENOTDIR},
        {"a link in its place",
         false,
         {},
         [](const TempFolder& root) {
             ASSERT_EQ(::rename((root / "s2").c_str(), (root / "moved").c_str()), 0);
             ASSERT_EQ(::symlink((root / "moved").c_str(), (root / "s2").c_str()), 0);
         },
         ENOTDIR},  // O_NOFOLLOW with O_DIRECTORY: not a folder
    };
    for (const FaultCase& c : cases) {
        TempFolder root;
        writeFile(root / "a.mp3", "");
        for (const char* sub : {"s1", "s2", "s3"}) platform::createFolder(root / sub);
        writeFile(root / "s1/x.mp3", "");
        writeFile(root / "s2/y.mp3", "");
        writeFile(root / "s3/z.mp3", "");
        testing_support::PermissionsBind bind;
        if (c.needsPermissions && !bind.effective()) {
            ADD_FAILURE() << c.fault << ": permissions cannot be made to bind here";
            continue;
        }
        if (c.before) c.before(root);
        ZelFindFiles find;
        find.init(root.path(), "*.mp3;*.txt", true);
        find.setAttributeFilter(
            0, platform::AttrReadOnly | platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory);
        std::vector<std::string> found;
        while (find.findNext()) {
            found.push_back(relativeTo(root, platform::withSeparator(find.currentFolder()) + find.currentName()));
            if (found.back() == "s1/x.mp3" && c.during) c.during(root);
        }
        EXPECT_EQ(found, (std::vector<std::string>{"a.mp3", "s1/x.mp3", "s3/z.mp3"})) << c.fault;
        ASSERT_EQ(find.problems().size(), 1u) << c.fault;
        EXPECT_EQ(find.problems()[0].folder, root / "s2") << c.fault;
        EXPECT_EQ(find.problems()[0].reason, std::strerror(c.error)) << c.fault;
        ::chmod((root / "s2").c_str(), 0755);
    }
}

// Depth alone never hides a file: a tree ten thousand folders deep, whose paths go far beyond
// PATH_MAX, is listed whole and in order, through no more descriptors than a shallow one.
TEST(FindFiles, ATreeDeeperThanAnyPathIsListedWhole) {
    constexpr int kDepth = 10000;
    TempFolder root;
    writeFile(root / "top.mp3", "");
    platform::createFolder(root / "z");
    writeFile(root / "z/last.mp3", "");
    std::vector<std::string> expected = {"top.mp3"};
    std::string branch;  // the "e" folder met on the way back up, deep below the descriptors kept
    std::string path;
    testing_support::makeDeepTree(root.path(), kDepth, "d", [&](int level, int fd) {
        path += "d/";
        if (level == 1 || level % 1000 == 0 || level == kDepth - 1) {
            testing_support::touchAt(fd, "f" + std::to_string(level) + ".mp3");
            expected.push_back(path + "f" + std::to_string(level) + ".mp3");
        }
        if (level == 5000) {
            ASSERT_EQ(::mkdirat(fd, "e", 0755), 0);
            const int e = ::openat(fd, "e", O_RDONLY | O_DIRECTORY);
            testing_support::touchAt(e, "e.mp3");
            ::close(e);
            branch = path + "e/e.mp3";
        }
    });
    expected.push_back(branch);
    expected.push_back("z/last.mp3");
    ASSERT_GT(expected[expected.size() - 3].size(), std::size_t{PATH_MAX} * 4);

    // Far fewer descriptors than folders deep: a walk that kept one open a folder would fail.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    FileList list;
    const std::vector<std::string> found = discovered(root, root.path(), "*.mp3", true, {}, nullptr, &list);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(found, expected);
    // Each folder holds its own name below its parent, and the files of every level share that one
    // chain: the tree costs memory by its folders, not by the lengths of their paths.
    ASSERT_EQ(list.size(), expected.size());
    std::vector<const void*> chain;  // from the deepest folder up to the start folder
    for (SharedFolder at = list[list.size() - 3].folderText; at; at = at.parent()) {
        chain.push_back(at.node());
        if (at.parent()) {
            EXPECT_EQ(at.part(), "d/");
        }
    }
    EXPECT_EQ(chain.size(), std::size_t{kDepth} + 1);  // the start folder and every level below
    for (std::size_t i = 1; i + 2 < list.size(); ++i) {
        const std::size_t level = (list[i].folder().size() - root.path().size() - 1) / 2;
        EXPECT_EQ(list[i].folderText.node(), chain[chain.size() - 1 - level]) << found[i];
    }
    EXPECT_EQ(list[list.size() - 2].folderText.parent().node(), chain[chain.size() - 1 - 5000]);
    EXPECT_EQ(list.back().folderText.parent().node(), list[0].folderText.node());
    removeTree(root / "d");
}
#endif

#ifdef _WIN32
TEST(FindFiles, SystemFilesAndFoldersOnWindows) {
    TempFolder root;
    writeFile(root / "a.mp3", "");
    writeFile(root / "sys.mp3", "");
    platform::setAttributes(root / "sys.mp3", platform::AttrSystem);
    platform::createFolder(root / "sysdir");
    writeFile(root / "sysdir\\in.mp3", "");
    platform::setAttributes(root / "sysdir", platform::AttrSystem);
    platform::createFolder(root / "plain");
    writeFile(root / "plain\\p.mp3", "");
    EXPECT_EQ(discovered(root, root.path(), "*.mp3", true), (std::vector<std::string>{"a.mp3", "plain/p.mp3"}));
}

TEST(FindFiles, BareDriveAndDriveRootListTheRoot) {
    std::random_device random;
    const std::string name = "cwtest-root-" + std::to_string(random()) + ".mp3";
    writeFile("C:\\" + name, "");
    for (const char* start : {"C:", "C:\\", " C: "}) {
        FileList list;
        findFiles(list, false, start, name);
        ASSERT_EQ(list.size(), 1u) << start;
        EXPECT_EQ(list[0].folder(), "C:\\") << start;
        EXPECT_EQ(list[0].name, name);
    }
    platform::removeFile("C:\\" + name);
}
#endif

// A found name keeps its text through copies and moves; a zero byte, which no file name holds,
// is refused rather than cut off.
TEST(FileName, KeepsItsTextAndRefusesAZeroByte) {
    for (const std::string& text :
         {std::string(), std::string("a"), std::string("Artist - Title.mp3"), std::string(300, 'n') + "\xE6\x97\xA5"}) {
        const core::FileName name(text);
        core::FileName copy = name;
        const core::FileName moved = std::move(copy);
        EXPECT_EQ(name.view(), text);
        EXPECT_EQ(moved.view(), text);
        EXPECT_EQ(moved.size(), text.size());
    }
    EXPECT_THROW(core::FileName(std::string_view("a\0b", 3)), std::invalid_argument);
}

// A folder made part by part has the whole path of one given whole, a root's or a bare drive's
// too; copies are the one folder, and an equal path made apart is the same path, not the same
// folder.
TEST(SharedFolder, PathFromItsPartsIsTheWholePath) {
    struct Case {
        const char* first;
        std::vector<std::string> parts;
        const char* path;
    } cases[] = {
        {"/", {}, "/"},
        {"/", {"music/", "a b/"}, "/music/a b/"},
        {"/home/m/", {"\xE6\x97\xA5/"}, "/home/m/\xE6\x97\xA5/"},
        {"C:\\", {"Music\\", "Live\\"}, "C:\\Music\\Live\\"},
        {"\\\\server\\share\\", {"x\\"}, "\\\\server\\share\\x\\"},
    };
    for (const Case& c : cases) {
        SharedFolder folder(c.first, platform::FileId{1, 2, 3});
        for (const std::string& part : c.parts) folder = SharedFolder(folder, part);
        EXPECT_EQ(folder.text(), c.path);
        EXPECT_EQ(folder.size(), std::string(c.path).size());
        const SharedFolder copy = folder, whole(c.path);
        EXPECT_EQ(copy.node(), folder.node());
        EXPECT_NE(whole.node(), folder.node());
        EXPECT_TRUE(whole.sameText(folder)) << c.path;
        EXPECT_FALSE(SharedFolder(folder, "x/").sameText(SharedFolder(folder, "y/"))) << c.path;
        EXPECT_EQ(folder.parent().text(),
                  c.parts.empty() ? "" : std::string(c.path, folder.size() - c.parts.back().size()));
    }
    EXPECT_EQ(SharedFolder().text(), "");
    EXPECT_FALSE(SharedFolder().id());
    // A path made from the last one goes down, across, up and to another tree alike.
    const SharedFolder top("/m/"), a(top, "a/"), ab(a, "b/"), abc(ab, "c/"), ad(a, "d/"), e(top, "e/"), other("/m/"),
        otherA(other, "a/");
    FolderPath path;
    for (const SharedFolder* folder : {&top, &a, &ab, &abc, &ad, &abc, &e, &top, &otherA, &abc, &ab, &ab}) {
        EXPECT_EQ(path.of(*folder), folder->text());
    }
    EXPECT_EQ(path.of(SharedFolder()), "");
    // A chain far deeper than a stack could unwind one call a folder goes at once.
    SharedFolder deep("/");
    for (int i = 0; i < 200000; ++i) deep = SharedFolder(deep, "d/");
    const SharedFolder middle = [&] {
        SharedFolder at = deep;
        for (int i = 0; i < 100000; ++i) at = at.parent();
        return at;
    }();
    EXPECT_EQ(deep.size(), 1u + 2 * 200000);
    deep = SharedFolder();
    EXPECT_EQ(middle.size(), 1u + 2 * 100000);  // the part of the chain still held is kept
}

}  // namespace

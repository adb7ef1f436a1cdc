#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "core/persist/braxen_exception.h"
#include "core/undo/undo_index.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/binary.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using BRAXEN::braxen_Exception;
using testing_support::le32;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string indexHeader() {
    std::string text = kIndexHeaderText;
    text.resize(64, '\0');
    return le32(1) + le32(1) + text;
}

std::vector<IndexEntry> readIndex(const std::string& path) {
    UndoIndex index(path);
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    return list;
}

std::vector<IndexEntry> entries(int n) {
    std::vector<IndexEntry> list;
    for (int i = 0; i < n; ++i) {
        list.push_back({std::string(10, 'A') + static_cast<char>('A' + i / 26) + static_cast<char>('A' + i % 26),
                        "run " + std::to_string(i)});
    }
    return list;
}

TEST(UndoIndex, FirstAppendWritesTheHeader) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    UndoIndex index(path);
    EXPECT_FALSE(index.open()) << "a missing index is created empty";
    EXPECT_TRUE(platform::fileExists(path));
    index.append("QHXAZBTPWKDM", "3/7/99 9:05:02 - 14 file(s) renamed.");
    index.close();
    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 212u);
    std::string description = "3/7/99 9:05:02 - 14 file(s) renamed.";
    description.resize(128, '\0');
    EXPECT_EQ(bytes, indexHeader() + "QHXAZBTPWKDM" + description);
    EXPECT_EQ(readIndex(path), (std::vector<IndexEntry>{{"QHXAZBTPWKDM", "3/7/99 9:05:02 - 14 file(s) renamed."}}));
}

TEST(UndoIndex, EmptyAndHeaderOnlyIndexesHoldNothing) {
    TempFolder folder;
    writeFile(folder / "zero.idx", "");
    writeFile(folder / "header.idx", indexHeader());
    EXPECT_TRUE(readIndex(folder / "zero.idx").empty());
    EXPECT_TRUE(readIndex(folder / "header.idx").empty());
}

TEST(UndoIndex, DescriptionsKeepTheirZeroAndNamesAreTwelveBytes) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    UndoIndex index(path);
    index.open();
    index.append("ABCDEFGHIJKLMNOP", std::string(200, 'd'));  // both too long
    index.append("SHORT", "é" + std::string(126, 'e'));       // 128 bytes: the é stays whole
    index.close();
    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 72u + 2 * 140u);
    EXPECT_EQ(bytes.substr(72, 12), "ABCDEFGHIJKL");
    EXPECT_EQ(bytes[72 + 12 + 127], '\0');
    EXPECT_EQ(bytes.substr(212, 12), std::string("SHORT") + std::string(7, '\0'));
    const auto list = readIndex(path);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].description, std::string(127, 'd'));
    EXPECT_EQ(list[1].name, "SHORT");
    EXPECT_EQ(list[1].description, "é" + std::string(125, 'e'));
}

TEST(UndoIndex, TrailingPartialEntryIsDroppedOnTheNextRewrite) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    {
        UndoIndex index(path);
        index.open();
        index.rewrite(entries(2));
    }
    writeFile(path, readFile(path) + "PARTIALENTRY" + std::string(50, 'x'));
    EXPECT_EQ(readIndex(path), entries(2));
    UndoIndex index(path);
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    index.rewrite(list);
    index.close();
    EXPECT_EQ(readFile(path).size(), 72u + 2 * 140u);
}

TEST(UndoIndex, RejectsForeignOrDamagedFiles) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    std::string filterHeader = "Calderwynstrope - Filter Definition File";
    filterHeader.resize(64, '\0');
    const std::pair<std::string, int> cases[] = {
        {le32(2) + indexHeader().substr(4), 115},
        {le32(1) + le32(2) + indexHeader().substr(8), 116},
        {le32(1) + le32(1) + filterHeader, 115},
        {indexHeader().substr(0, 30), 115},
    };
    for (const auto& [bytes, cause] : cases) {
        writeFile(path, bytes);
        UndoIndex index(path);
        index.open();
        std::vector<IndexEntry> list;
        try {
            index.readAll(list);
            ADD_FAILURE() << "accepted";
        } catch (const braxen_Exception& error) {
            EXPECT_EQ(error.cause(), cause);
        }
    }
    UndoIndex closed(path);
    std::vector<IndexEntry> list;
    EXPECT_THROW(closed.readAll(list), braxen_Exception);
    try {
        closed.append("A", "b");
        FAIL();
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 14);
    }
}

TEST(UndoIndex, IsHeldByOneAtATimeAndASecondGivesUpWithAClearError) {
    TempFolder folder;
    UndoIndex first(folder / "braxen.idx");
    first.open();
    UndoIndex second(folder / "braxen.idx", std::chrono::milliseconds(50));
    try {
        second.open();
        FAIL() << "opened a held index";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.cause(), platform::FileError::lockTimeout);
        EXPECT_NE(error.message().find("braxen.idx"), std::string::npos) << error.message();
    }
    EXPECT_FALSE(second.isOpen());
    first.close();
    EXPECT_FALSE(second.open());
}

TEST(UndoIndex, ATornEntryHidesNothingAfterIt) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    UndoIndex index(path);
    index.open();
    index.rewrite(entries(1));
    writeFile(path, readFile(path) + "TORNENTRY");  // an append cut short by a full disk
    index.append("NEWDATABASEX", "after");
    std::vector<IndexEntry> list;
    index.readAll(list);
    EXPECT_EQ(list, (std::vector<IndexEntry>{entries(1)[0], {"NEWDATABASEX", "after"}}));
    EXPECT_EQ(readFile(path).size(), 72u + 2 * 140u);
    EXPECT_FALSE(platform::fileExists(path + ".tmp"));
}

TEST(UndoIndex, LimitDropsTheOldestAndTheirFiles) {
    struct Case {
        int existing;
        std::int32_t limit;
        int kept;  // entries left for the new one to join
    };
    // A limit outside 1..1,000,000 is the default 50, never one that empties the history.
    const Case cases[] = {{5, 3, 2}, {5, 1, 0}, {2, 3, 2}, {3, 3, 2}, {0, 1, 0}, {4, 0, 4}, {4, -5, 4}, {51, -1, 49}};
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string undoFolder = folder.path() + platform::kPathSeparator;
        const auto all = entries(c.existing);
        for (const auto& entry : all) writeFile(undoFolder + entry.name, "db");
        UndoIndex index(folder / "braxen.idx");
        index.open();
        index.rewrite(all);
        index.enforceUndoLimit(c.limit, undoFolder);
        std::vector<IndexEntry> left;
        index.readAll(left);
        const std::vector<IndexEntry> expected(all.end() - c.kept, all.end());
        EXPECT_EQ(left, expected) << c.existing << " with limit " << c.limit;
        for (int i = 0; i < c.existing; ++i) {
            EXPECT_EQ(platform::fileExists(undoFolder + all[i].name), i >= c.existing - c.kept);
        }
    }
}

TEST(UndoIndex, MissingOldDatabaseDoesNotBlockTheLimit) {
    TempFolder folder;
    const std::string undoFolder = folder.path() + platform::kPathSeparator;
    const auto all = entries(3);
    writeFile(undoFolder + all[1].name, "db");  // the oldest file is already gone
    UndoIndex index(folder / "braxen.idx");
    index.open();
    index.rewrite(all);
    index.enforceUndoLimit(2, undoFolder);
    std::vector<IndexEntry> left;
    index.readAll(left);
    EXPECT_EQ(left, std::vector<IndexEntry>{all[2]});
    EXPECT_FALSE(platform::fileExists(undoFolder + all[1].name));
}

TEST(RegisterDatabase, AddsOnceTrimsAndDeletesOnlyItsOwnFiles) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    writeFile(app / "keep", "precious");  // what "../keep" in an index names
    writeFile(paths.undoFolder() + "SHAREDNAMEAA", "db listed twice");
    writeFile(paths.undoFolder() + "OLDESTDBAAAA", "db");
    {
        UndoIndex index(paths.indexFile());
        index.open();
        index.rewrite({{"../keep", "crafted"},
                       {"..", "crafted"},
                       {"SHAREDNAMEAA", "first"},
                       {"OLDESTDBAAAA", "old"},
                       {"SHAREDNAMEAA", "second"}});
    }
    EXPECT_TRUE(registerDatabase(paths, {"NEWESTDBAAAA", "new"}, true, 2));
    EXPECT_FALSE(registerDatabase(paths, {"NEWESTDBAAAA", "again"}, true, 2)) << "already listed";
    UndoIndex index(paths.indexFile());
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    EXPECT_EQ(list, (std::vector<IndexEntry>{{"SHAREDNAMEAA", "second"}, {"NEWESTDBAAAA", "new"}}));
    EXPECT_EQ(readFile(app / "keep"), "precious");
    EXPECT_TRUE(platform::fileExists(paths.undoFolder() + "SHAREDNAMEAA")) << "still listed";
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + "OLDESTDBAAAA"));
    index.close();

    EXPECT_TRUE(unregisterDatabase(paths, {"SHAREDNAMEAA", "second"}, true));
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + "SHAREDNAMEAA"));
    EXPECT_FALSE(unregisterDatabase(paths, {"SHAREDNAMEAA", "second"}, true));
}

TEST(RegisterDatabase, RunsAtOnceKeepEveryEntry) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    constexpr int kEach = 15;
    std::vector<std::thread> runs;
    for (char run : {'A', 'B', 'C'}) {
        runs.emplace_back([&paths, run] {
            for (int i = 0; i < kEach; ++i) {
                registerDatabase(
                    paths,
                    {std::string(10, run) + static_cast<char>('A' + i / 26) + static_cast<char>('A' + i % 26), "run"},
                    false, 50);
            }
        });
    }
    for (std::thread& run : runs) run.join();
    UndoIndex index(paths.indexFile());
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    EXPECT_EQ(list.size(), 3u * kEach);
}

#ifndef _WIN32
// A disk that fills up while the index is written leaves the old index whole.
TEST(RegisterDatabase, AFullDiskLeavesTheIndexAsItWas) {
    TempFolder outer;
    const std::string disk = outer / "disk";
    platform::createFolder(disk);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root; the full-disk case was not tried";
    }
    struct Unmount {
        std::string disk;
        ~Unmount() { std::system(("umount '" + disk + "'").c_str()); }
    } unmount{disk};
    const AppPaths paths = AppPaths::in(disk);
    for (int i = 0; i < 3; ++i) registerDatabase(paths, entries(3)[i], false, 50);
    const std::string before = readFile(paths.indexFile());
    {
        platform::File filler(disk + "/filler", platform::File::Mode::CreateWrite);
        const std::string block(4096, 'x');
        try {
            for (;;) filler.write(block.data(), block.size());
        } catch (const platform::FileError&) {
        }
    }
    try {
        registerDatabase(paths, {"FULLDISKAAAA", "lost"}, false, 50);
        FAIL() << "wrote an index on a full disk";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.cause(), platform::FileError::diskFull) << error.message();
    }
    EXPECT_EQ(readFile(paths.indexFile()), before);
    EXPECT_FALSE(platform::fileExists(paths.indexFile() + ".tmp"));
    platform::removeFile(disk + "/filler");
    EXPECT_TRUE(registerDatabase(paths, {"FULLDISKAAAA", "kept"}, false, 50));
}
#endif

}  // namespace

#include <gtest/gtest.h>

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
        list.push_back({std::string(11, 'A') + static_cast<char>('A' + i), "run " + std::to_string(i)});
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

TEST(UndoIndex, IsHeldExclusively) {
    TempFolder folder;
    UndoIndex first(folder / "braxen.idx");
    first.open();
    UndoIndex second(folder / "braxen.idx");
    EXPECT_THROW(second.open(), platform::FileError);
    EXPECT_FALSE(second.isOpen());
}

TEST(UndoIndex, LimitDropsTheOldestAndTheirFiles) {
    struct Case {
        int existing;
        std::int32_t limit;
        int kept;  // entries left for the new one to join
    };
    const Case cases[] = {{5, 3, 2}, {5, 1, 0}, {2, 3, 2}, {3, 3, 2}, {0, 1, 0}, {4, 0, 0}, {4, -5, 0}};
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

}  // namespace

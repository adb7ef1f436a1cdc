#include <gtest/gtest.h>

#include <string>

#include "core/session/name_list.h"

namespace {

using core::NameList;

// Names of every length, empty ones and ones holding a NUL among them, many more than the first
// block holds: each comes back exactly, through growth, copies and moves.
TEST(NameList, KeepsEveryNameExactlyAsItGrows) {
    std::vector<std::string> names = {"", "a.mp3", std::string("nul\0inside", 10), std::string(5000, 'x'), ""};
    for (int i = 0; i < 20000; ++i) names.push_back("Track " + std::to_string(i) + std::string(i % 40, '.'));
    const auto same = [&](const NameList& got) {
        ASSERT_EQ(got.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) ASSERT_EQ(got[i], names[i]) << i;
    };
    // Growing from nothing, from room reserved for part of the text, from room for more than all.
    for (const std::size_t reserved : {std::size_t{0}, std::size_t{10000}, std::size_t{1} << 20}) {
        NameList grown;
        grown.reserve(names.size(), reserved);
        for (const std::string& name : names) grown.push_back(name);
        same(grown);
    }
    NameList list;
    for (const std::string& name : names) list.push_back(name);
    same(list);
    const NameList copy = list;
    same(copy);
    NameList moved = std::move(list);
    same(moved);
    EXPECT_TRUE(list.empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
    list.push_back("again");
    EXPECT_EQ(list[0], "again");
    moved = copy;
    same(moved);
    moved.clear();
    EXPECT_TRUE(moved.empty());
}

}  // namespace

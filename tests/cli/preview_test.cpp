#include <gtest/gtest.h>

#include <set>

#include "cli/preview.h"

namespace {

using namespace cli;

std::vector<PreviewStatus> statuses(const std::vector<std::pair<std::string, std::string>>& renames,
                                    const std::set<std::string>& onDisk) {
    auto folder = std::make_shared<const std::string>("/f/");
    core::FileList files;
    std::vector<std::string> names;
    for (const auto& [from, to] : renames) {
        files.push_back(core::FileEntry{from, folder});
        names.push_back(to);
    }
    std::vector<PreviewStatus> out;
    for (const PreviewLine& line :
         predictRun(files, names, [&](const std::string& path) { return onDisk.count(path) != 0; })) {
        out.push_back(line.status);
    }
    return out;
}

TEST(Preview, PlaysTheRunThroughInOrder) {
    using S = PreviewStatus;
    struct Case {
        std::vector<std::pair<std::string, std::string>> renames;
        std::set<std::string> disk;
        std::vector<S> expected;
        const char* why;
    };
    const Case cases[] = {
        {{{"a", "b"}}, {"/f/a"}, {S::Ok}, "a free name"},
        {{{"a", "a"}}, {"/f/a"}, {S::Unchanged}, "the same name"},
        {{{"a", ""}, {"b", "x?y"}, {"c", "d/e"}},
         {"/f/a", "/f/b", "/f/c"},
         {S::Invalid, S::Invalid, S::Invalid},
         "names Windows refuses"},
        {{{"a", "b"}}, {"/f/a", "/f/b"}, {S::Exists}, "held by a file that was there"},
        {{{"a", "c"}, {"b", "c"}}, {"/f/a", "/f/b"}, {S::Ok, S::Duplicate}, "taken earlier in the run"},
        {{{"b", "c"}, {"a", "b"}}, {"/f/a", "/f/b"}, {S::Ok, S::Ok}, "b was renamed away first"},
        {{{"a", "b"}, {"b", "c"}}, {"/f/a", "/f/b"}, {S::Exists, S::Ok}, "b still there when a wants it"},
        {{{"a", "x"}, {"a", "y"}}, {"/f/a"}, {S::Ok, S::Missing}, "listed twice: gone the second time"},
        {{{"a", "a"}, {"a", "a"}}, {"/f/a"}, {S::Unchanged, S::Unchanged}, "listed twice, never moved"},
        {{{"a", "b"}, {"c", "a"}, {"b", "d"}}, {"/f/a", "/f/c"}, {S::Ok, S::Ok, S::Ok}, "a chain"},
        {{{"a", "b"}, {"x", "a"}, {"a", "q"}},
         {"/f/a", "/f/x"},
         {S::Ok, S::Ok, S::Ok},
         "a name freed and taken again is there"},
    };
    for (const Case& c : cases) EXPECT_EQ(statuses(c.renames, c.disk), c.expected) << c.why;
}

TEST(Preview, CaseOnlyChangeIsTheSameFile) {
#ifdef _WIN32
    // One name to Windows: the file itself holds it.
    EXPECT_EQ(statuses({{"a.mp3", "A.MP3"}}, {"/f/a.mp3", "/f/A.MP3"}), std::vector<PreviewStatus>{PreviewStatus::Ok});
#else
    EXPECT_EQ(statuses({{"a.mp3", "A.MP3"}}, {"/f/a.mp3"}), std::vector<PreviewStatus>{PreviewStatus::Ok});
#endif
}

}  // namespace

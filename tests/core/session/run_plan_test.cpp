#include <gtest/gtest.h>

#include <set>

#include "core/session/run_plan.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_folder.h"

namespace {

using namespace core;

std::vector<PreviewStatus> statuses(const std::vector<std::pair<std::string, std::string>>& renames,
                                    const std::set<std::string>& onDisk, bool ignoresCase = false,
                                    bool solveOrder = false) {
    auto folder = core::SharedFolder("/f/");
    core::FileList files;
    core::NameList names;
    for (const auto& [from, to] : renames) {
        files.push_back(core::FileEntry{from, folder});
        names.push_back(to);
    }
    std::vector<PreviewStatus> out;
    const auto listing = [&](const std::string& listed, const std::function<void(std::string_view)>& each) {
        for (const std::string& held : onDisk) {
            if (held.compare(0, listed.size(), listed) == 0) each(std::string_view(held).substr(listed.size()));
        }
        return core::Listed::AllNames;
    };
    for (const PreviewLine line : planRun(
             files, names, listing, [&](const std::string&) { return ignoresCase; }, solveOrder)) {
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
        bool solveOrder = false;  // a one-pass run, which orders its moves
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
        {{{"a", "b"}, {"c", "a"}}, {"/f/a", "/f/c"}, {S::Ok, S::Ok}, "a chain"},
        {{{"a", "b"}, {"c", "a"}, {"b", "d"}}, {"/f/a", "/f/c"}, {S::Ok, S::Ok, S::Missing}, "b is not there yet"},
        {{{"a", "b"}, {"x", "a"}, {"a", "q"}},
         {"/f/a", "/f/x"},
         {S::Ok, S::Ok, S::Missing},
         "listed twice: the second entry is not the file the plan saw"},
        {{{"a", "b"}, {"b", "c"}}, {"/f/a", "/f/b"}, {S::Ok, S::Ok}, "b moves first", true},
        {{{"a", "b"}, {"b", "a"}}, {"/f/a", "/f/b"}, {S::Exists, S::Exists}, "a swap, one by one"},
        {{{"a", "b"}, {"b", "c"}, {"c", "a"}}, {"/f/a", "/f/b", "/f/c"}, {S::Ok, S::Ok, S::Ok}, "a ring", true},
        {{{"a", "b"}, {"b", "c"}}, {"/f/a", "/f/b", "/f/c"}, {S::Exists, S::Exists}, "c stays where it is", true},
        {{{"a", "b"}, {"x", "b"}, {"b", "c"}},
         {"/f/a", "/f/b", "/f/x"},
         {S::Ok, S::Duplicate, S::Ok},
         "the first gets b",
         true},
        {{{"a", "b"}, {"b", "b"}}, {"/f/a", "/f/b"}, {S::Exists, S::Unchanged}, "b does not move", true},
        {{{"n0", "n3"}, {"n1", "n2"}, {"n2", "n3"}, {"n3", "n1"}},
         {"/f/n0", "/f/n1", "/f/n2", "/f/n3"},
         {S::Exists, S::Exists, S::Duplicate, S::Exists},
         "a duplicate inside a chain holds the whole chain",
         true},
        {{{"a", "b"}, {"b", "a"}, {"c", "a"}},
         {"/f/a", "/f/b", "/f/c"},
         {S::Ok, S::Ok, S::Duplicate},
         "a swap and a third",
         true},
        {{{"c", "a"}, {"a", "b"}, {"b", "a"}},
         {"/f/a", "/f/b", "/f/c"},
         {S::Exists, S::Exists, S::Duplicate},
         "c takes a first, so the swap is no swap",
         true},
    };
    for (const Case& c : cases) EXPECT_EQ(statuses(c.renames, c.disk, false, c.solveOrder), c.expected) << c.why;
}

// The steps a one-pass run takes, as "file>" for a move, "file>~" and "~>file" for the hop of a
// ring through a temporary name, "file=" for a file that keeps its name.
TEST(Preview, StepsMoveTheHoldersFirstAndRingsThroughATemporaryName) {
    const struct {
        std::vector<std::pair<std::string, std::string>> renames;
        std::string steps;
    } cases[] = {
        {{{"a", "b"}, {"b", "c"}}, "b> a>"},
        {{{"a", "b"}, {"b", "a"}}, "a>~ b> ~>a"},
        {{{"a", "b"}, {"b", "c"}, {"c", "a"}, {"d", "e"}}, "a>~ c> b> ~>a d>"},
        {{{"a", "b"}, {"b", "a"}, {"x", "a"}}, "a>~ b> ~>a x="},
    };
    for (const auto& c : cases) {
        auto folder = core::SharedFolder("/f/");
        core::FileList files;
        core::NameList names;
        for (const auto& [from, to] : c.renames) {
            files.push_back(core::FileEntry{from, folder});
            names.push_back(to);
        }
        // Only the run's own files are there: what the search that found them tells the plan.
        const auto listing = [](const std::string&, const std::function<void(std::string_view)>&) {
            return core::Listed::OtherNames;
        };
        const RunPlan plan = planRun(
            files, names, listing, [](const std::string&) { return false; }, true);
        std::string steps;
        for (const PlanStep& step : plan.steps()) {
            const std::string name = files[step.file()].name.str();
            if (!steps.empty()) steps += ' ';
            steps += step.kind() == PlanStep::Kind::Keep          ? name + "="
                     : step.kind() == PlanStep::Kind::Move        ? name + ">"
                     : step.kind() == PlanStep::Kind::ToTemporary ? name + ">~"
                                                                  : "~>" + name;
        }
        EXPECT_EQ(steps, c.steps);
    }
}

TEST(Preview, NamesMeetAsTheFileSystemComparesThem) {
    using S = PreviewStatus;
    struct Case {
        std::vector<std::pair<std::string, std::string>> renames;
        bool ignoresCase;
        std::vector<S> expected;
        const char* why;
        const char* alsoThere = nullptr;  // a file of the folder beside a.mp3, B.MP3 and c.mp3
    };
    const Case cases[] = {
        {{{"a.mp3", "A.MP3"}}, true, {S::Ok}, "the file itself holds the other spelling"},
        {{{"a.mp3", "A.MP3"}}, false, {S::Ok}, "a new name"},
        {{{"a.mp3", "b.mp3"}}, true, {S::Exists}, "B.MP3 is there"},
        {{{"a.mp3", "b.mp3"}}, false, {S::Ok}, "B.MP3 is another name"},
        {{{"a.mp3", "x.mp3"}, {"c.mp3", "X.mp3"}}, true, {S::Ok, S::Duplicate}, "one name twice"},
        {{{"a.mp3", "x.mp3"}, {"c.mp3", "X.mp3"}}, false, {S::Ok, S::Ok}, "two names"},
        {{{"B.MP3", "z.mp3"}, {"a.mp3", "b.mp3"}}, true, {S::Ok, S::Ok}, "freed under its other spelling"},
        {{{"a.mp3", "é"}, {"c.mp3", "É"}}, true, {S::Ok, S::Duplicate}, "letters beyond ASCII"},
        {{{"a.mp3", "ɐ"}, {"c.mp3", "\u2C6F"}}, true, {S::Ok, S::Duplicate}, "spellings of two lengths"},
        // Windows' upcase table leaves a letter alone when its uppercase does not lower back to it.
        {{{"a.mp3", "ı"}, {"c.mp3", "I"}}, true, {S::Ok, S::Ok}, "dotless i is not I"},
        {{{"a.mp3", "Μ.mp3"}}, true, {S::Ok}, "capital mu beside the micro sign", "/f/µ.mp3"},
        {{{"a.mp3", "μ.mp3"}}, true, {S::Ok}, "small mu beside the micro sign", "/f/µ.mp3"},
        {{{"a.mp3", "Σ.mp3"}}, true, {S::Exists}, "sigma is there", "/f/σ.mp3"},
        {{{"a.mp3", "Σ.mp3"}}, true, {S::Ok}, "final sigma is another name", "/f/ς.mp3"},
        {{{"a.mp3", "ǅ"}, {"c.mp3", "Ǆ"}}, true, {S::Ok, S::Ok}, "title case dz is not DZ"},
        {{{"a.mp3", "ß"}, {"c.mp3", "ẞ"}}, true, {S::Ok, S::Ok}, "kept apart as Windows keeps them"},
        {{{"a.mp3", "\u212A"}, {"c.mp3", "k"}}, true, {S::Ok, S::Ok}, "the Kelvin sign is not K"},
        {{{"a.mp3", "𐐨"}, {"c.mp3", "𐐀"}}, true, {S::Ok, S::Ok}, "beyond the BMP"},
        // Long names are compared whole, eight bytes and the rest alike.
        {{{"a.mp3", "Track_01.mp3"}, {"c.mp3", "track_01.MP3"}}, true, {S::Ok, S::Duplicate}, "long, one name"},
        {{{"a.mp3", "Track_01.mp3"}, {"c.mp3", "track_01.MP3"}}, false, {S::Ok, S::Ok}, "long, two names"},
        {{{"a.mp3", "Artist_-_Track_01"}, {"c.mp3", "Artist_-_Track_02"}}, true, {S::Ok, S::Ok}, "the last byte"},
        {{{"a.mp3", "Artist_-_Track_0"}, {"c.mp3", "ARTIST_-_TRACK_0"}}, true, {S::Ok, S::Duplicate}, "16 bytes"},
    };
    for (const Case& c : cases) {
        std::set<std::string> there = {"/f/a.mp3", "/f/B.MP3", "/f/c.mp3"};
        if (c.alsoThere) there.insert(c.alsoThere);
        EXPECT_EQ(statuses(c.renames, there, c.ignoresCase), c.expected) << c.why;
    }
}

TEST(Preview, EachFolderHoldsItsOwnNames) {
    // `again` is "/f/" too, found apart (as a second pattern finds it): the same folder as `f`.
    auto f = core::SharedFolder("/f/"), g = core::SharedFolder("/g/"),
         again = core::SharedFolder(core::SharedFolder("/"), "f/");
    const core::FileList files = {{"a", f}, {"c", g}, {"d", f}, {"e", again}};
    const NameList names = {"b", "b", "b", "b"};
    const std::set<std::string> disk = {"/f/a", "/f/d", "/f/e", "/g/b", "/g/c"};
    const auto listing = [&](const std::string& listed, const std::function<void(std::string_view)>& each) {
        for (const std::string& held : disk) {
            if (held.compare(0, listed.size(), listed) == 0) each(std::string_view(held).substr(listed.size()));
        }
        return core::Listed::AllNames;
    };
    std::vector<PreviewStatus> out;
    for (const PreviewLine line : planRun(files, names, listing, [](const std::string&) { return false; })) {
        out.push_back(line.status);
    }
    using S = PreviewStatus;
    EXPECT_EQ(out, (std::vector<S>{S::Ok, S::Exists, S::Duplicate, S::Duplicate}));
}

TEST(Preview, TheRealFileSystemAnswersForItsFolder) {
    testing_support::TempFolder folder;
    testing_support::writeFile(folder / "a.mp3", "a");
    testing_support::writeFile(folder / "b.mp3", "b");
    core::FileList files;
    auto shared = core::SharedFolder(folder.path() + platform::kPathSeparator);
    files.push_back(core::FileEntry{"a.mp3", shared});
    const NameList names = {"B.mp3"};
    const auto lines = planRun(files, names);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].status, platform::namesIgnoreCase(shared.text()) ? PreviewStatus::Exists : PreviewStatus::Ok);
}

}  // namespace

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/app/app_context.h"
#include "core/app/file_list.h"
#include "core/app/rename_job.h"
#include "core/rules/filter_kinds.h"
#include "core/session/folder_locks.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/recording_reporter.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TempFolder;
using testing_support::writeFile;

// How a run starts, whatever the front end: what it refuses, and a run that had to wait for
// another one in its folder finds its files again, since that one may have renamed them.
TEST(RenameJob, RefusesWhatCannotStartAndFindsAgainAfterAWait) {
    TempFolder music, home;
    AppContext context(AppPaths::in(home.path()));
    testing_support::RecordingReporter reporter;
    const RuleList rules = {*buildFilter("--append", {{"", "_x"}}).rule};
    const auto request = [&](std::string folder, bool undo = true) {
        return RenameRequest{std::move(folder), "*.mp3", false, rules, undo, false, false, {}};
    };
    using Refusal = PreparedRename::Refusal;
    EXPECT_EQ(prepareRename(context, request(music / "gone"), reporter).refusal, Refusal::NoFolder);
    EXPECT_EQ(prepareRename(context, request(music.path()), reporter).refusal, Refusal::NoFiles);

    writeFile(music / "a.mp3", "a");
    FolderLocks other;
    ASSERT_EQ(other.lockAll(AppPaths::in(home.path()), {music.path() + platform::kPathSeparator}), "");
    std::thread renamesThenEnds([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        platform::moveFile(music / "a.mp3", music / "b.mp3");
        other.unlockAll();
    });
    PreparedRename prepared = prepareRename(context, request(music.path()), reporter);
    renamesThenEnds.join();
    ASSERT_EQ(prepared.refusal, Refusal::None);
    ASSERT_EQ(prepared.run->total(), 1u);
    EXPECT_EQ(prepared.run->preview()[0].file->name, "b.mp3") << "found again once the other run let go";
}

// The live list: filters and checks are planned again over the files found, and the disk is listed
// again only for another folder, pattern or recursion. A file the user unchecks keeps its place
// and its name: the file that wants that name is told it exists, and so is the run from it.
TEST(FileList, PlansAgainWithoutListingAndUncheckedFilesHoldTheirNames) {
    TempFolder music, home;
    AppContext context(AppPaths::in(home.path()));
    testing_support::RecordingReporter reporter;
    writeFile(music / "a.mp3", "a");
    writeFile(music / "a_x.mp3", "was a_x");
    RenameRequest request{music.path(), "*.mp3", false, {}, true, false, false, {}};
    FileListSource source;
    struct Step {
        const char* what;
        std::vector<Rule> rules;
        std::vector<std::string> unchecked;
        const char* patterns;
        std::size_t listings;
        const char* summary;
    };
    const std::string a = music / "a.mp3", ax = music / "a_x.mp3";
    const Step steps[] = {
        {"no filter", {}, {}, "*.mp3", 1, "2 files: 2 unchanged"},
        {"a filter", {*buildFilter("--append", {{"", "_x"}}).rule}, {}, "*.mp3", 1, "2 files: 2 ok"},
        {"the holder of a_x unchecked",
         {*buildFilter("--append", {{"", "_x"}}).rule},
         {ax},
         "*.mp3",
         1,
         "2 files: 1 exists, 1 unchecked"},
        {"both unchecked", {*buildFilter("--append", {{"", "_x"}}).rule}, {a, ax}, "*.mp3", 1, "2 files: 2 unchecked"},
        {"another pattern", {*buildFilter("--append", {{"", "_x"}}).rule}, {}, "a.*", 2, "1 file: 1 exists"},
    };
    for (const Step& step : steps) {
        request.rules = step.rules;
        request.unchecked = {step.unchecked.begin(), step.unchecked.end()};
        request.patterns = step.patterns;
        const auto list = source.make(context, request, reporter);
        ASSERT_TRUE(list) << step.what;
        EXPECT_EQ(source.listings(), step.listings) << step.what;
        EXPECT_EQ(list->summary(), step.summary) << step.what;
        // The rows stay in the order found, unchecked or not.
        if (list->size() == 2) {
            EXPECT_EQ((*list)[0].file->name, "a.mp3") << step.what;
            EXPECT_EQ((*list)[1].file->name, "a_x.mp3") << step.what;
            EXPECT_EQ((*list)[1].unchecked, !step.unchecked.empty()) << step.what;
        }
    }

    // A listing that takes a while shows its first rows before the whole list, named and
    // numbered as the whole list names them.
    TempFolder many;
    for (int i = 0; i < 300; ++i) writeFile(many / ("t" + std::to_string(1000 + i) + ".mp3"), "");
    RenameRequest counted{many.path(), "*.mp3", false, {*buildFilter("--counter", {{"%n %b", "1", "1"}}).rule},
                          true,        false,   false, {many / "t1005.mp3"}};
    FileListSource slow;
    slow.earlyAfter = std::chrono::milliseconds(0);
    std::vector<std::vector<EarlyRow>> told;
    const auto whole =
        slow.make(context, counted, reporter, {}, {}, false, [&](std::vector<EarlyRow> rows) { told.push_back(rows); });
    ASSERT_TRUE(whole);
    ASSERT_EQ(told.size(), 1u) << "told once";
    ASSERT_FALSE(told[0].empty());
    ASSERT_LE(told[0].size(), FileListSource::kEarlyRows);
    for (std::size_t i = 0; i < told[0].size(); ++i) {
        EXPECT_EQ(told[0][i].file.name, (*whole)[i].file->name.view()) << i;
        EXPECT_EQ(told[0][i].newName, (*whole)[i].newName) << i;
    }

    // Rename from that list: the unchecked file stays, and the run says so.
    request.patterns = "*.mp3";
    request.unchecked = {ax};
    PreparedRename prepared = prepareRename(context, request, reporter);
    ASSERT_EQ(prepared.refusal, PreparedRename::Refusal::None);
    EXPECT_EQ(prepared.unchecked, 1u);
    prepared.run->runAll();
    const RunResult result = prepared.run->finish();
    EXPECT_EQ(result.unchecked, 1u);
    EXPECT_NE(result.summaryText().find("1 unchecked (left as they are)"), std::string::npos) << result.summaryText();
    EXPECT_EQ(testing_support::readFile(ax), "was a_x");
    EXPECT_EQ(testing_support::readFile(a), "a");
}

}  // namespace

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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
    // Filters that move files into folders, told to make them under a folder that is not there.
    const FilterKind& id3 = *findFilterKind("--id3");
    RenameRequest into = request(music.path());
    into.rules = {*buildFilter(id3, FilterValues{{"%1\\%2", ""}, 1u << id3.flagOfModifier("--folders")}).rule};
    into.into = music / "nowhere";
    const PreparedRename refused = prepareRename(context, into, reporter);
    EXPECT_EQ(refused.refusal, Refusal::IntoUnusable);
    EXPECT_NE(refused.why.find("does not exist"), std::string::npos) << refused.why;
#ifndef _WIN32
    // A move to another volume would be a copy: refused, where the machine has a RAM disk apart.
    const auto shm = platform::entryId("/dev/shm"), here = platform::entryId(music.path());
    if (shm && here && shm->volume != here->volume) {
        into.into = "/dev/shm";
        const PreparedRename elsewhere = prepareRename(context, into, reporter);
        EXPECT_EQ(elsewhere.refusal, Refusal::IntoUnusable);
        EXPECT_NE(elsewhere.why.find("another volume"), std::string::npos) << elsewhere.why;
    }
#endif

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

    // A listing that takes a while shows its first rows before the whole list, named as the whole
    // list names them; a name that needs the file's place in the run waits for the whole list.
    TempFolder many;
    for (int i = 0; i < 300; ++i) writeFile(many / ("t" + std::to_string(1000 + i) + ".mp3"), "");
    const Rule append = *buildFilter("--append", {{"", "_x"}}).rule,
               counter = *buildFilter("--counter", {{"%n %b", "1", "1"}}).rule;
    for (const Rule& rule : {append, counter}) {
        SCOPED_TRACE(rule.description);
        RenameRequest slowly{many.path(), "*.mp3", false, {rule}, true, false, false, {many / "t1005.mp3"}};
        FileListSource slow;
        slow.earlyAfter = std::chrono::milliseconds(0);
        std::vector<std::vector<EarlyRow>> told;
        const auto whole = slow.make(context, slowly, reporter, {}, {}, false,
                                     [&](std::vector<EarlyRow> rows) { told.push_back(rows); });
        ASSERT_TRUE(whole);
        ASSERT_EQ(told.size(), 1u) << "told once";
        ASSERT_FALSE(told[0].empty());
        ASSERT_LE(told[0].size(), FileListSource::kEarlyRows);
        for (std::size_t i = 0; i < told[0].size(); ++i) {
            const EarlyRow& row = told[0][i];
            if (i > 0) {
                EXPECT_LT(told[0][i - 1].file.name.view(), row.file.name.view()) << "in album order";
            }
            // The whole list is in album order too: t1000 first.
            const std::size_t at = std::stoul(row.file.name.str().substr(1)) - 1000;
            EXPECT_EQ(row.file.name, (*whole)[at].file->name.view());
            const bool waits = rule.type == Counter && row.file.name != "t1005.mp3";
            EXPECT_EQ(row.newName, waits ? std::string() : std::string((*whole)[at].newName)) << row.file.name.str();
        }
    }

    // Files come album by album, whatever pattern found them, and by name as a person sorts them.
    TempFolder albums;
    for (const char* name : {"Track 10.mp3", "Track 2.flac", "track 1.mp3", "B/x.mp3", "A/y.flac", "A B/z.mp3"}) {
        std::filesystem::create_directories(std::filesystem::path(albums / name).parent_path());
        writeFile(albums / name, "");
    }
    FileListSource ordered;
    const auto list =
        ordered.make(context, {albums.path(), "*.mp3;*.flac", true, {append}, true, false, false, {}}, reporter);
    ASSERT_TRUE(list);
    std::string order;
    for (std::size_t i = 0; i < list->size(); ++i) order += std::string((*list)[i].file->name.view()) + "|";
    EXPECT_EQ(order, "track 1.mp3|Track 2.flac|Track 10.mp3|y.flac|z.mp3|x.mp3|");

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

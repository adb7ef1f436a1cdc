#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/app/app_context.h"
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
        return RenameRequest{std::move(folder), "*.mp3", false, rules, undo, false, false};
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

}  // namespace

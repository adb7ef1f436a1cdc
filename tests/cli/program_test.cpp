// The real calderwynstrope-cli program, in a folder of its own so its undo files land there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "calderwynstrope/version.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

using testing_support::runProgram;
using testing_support::TempFolder;
using testing_support::writeFile;

#ifdef _WIN32
const char* kProgram = "calderwynstrope-cli.exe";
#else
const char* kProgram = "calderwynstrope-cli";
#endif

TEST(Program, RunsFromItsOwnFolder) {
    TempFolder home, music;
    const std::string program = home / kProgram;
    std::filesystem::copy_file(std::filesystem::u8path(platform::GetModuleFolder() + kProgram),
                               std::filesystem::u8path(program));
    writeFile(music / "Björk_-_Jóga.mp3", "j");
    writeFile(music / "日本_語.mp3", "n");

    const auto help = runProgram(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("undo delete NAME"), std::string::npos);
    const auto version = runProgram(program, {"--version"});
    EXPECT_EQ(version.out, std::string("calderwynstrope-cli ") + core::kVersion + "\n");
    EXPECT_EQ(runProgram(program, {"preview"}).exitCode, 2);
    EXPECT_EQ(runProgram(program, {"nonsense"}).exitCode, 2);

    const auto preview = runProgram(program, {"preview", "--tsv", "--underscores", music.path()});
    EXPECT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_NE(preview.out.find("\tBjörk_-_Jóga.mp3\tBjörk - Jóga.mp3\tok\n"), std::string::npos) << preview.out;
    EXPECT_NE(preview.out.find("\t日本_語.mp3\t日本 語.mp3\tok\n"), std::string::npos) << preview.out;

    const auto renamed = runProgram(program, {"rename", "--underscores", music.path()});
    EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
    EXPECT_TRUE(platform::fileExists(music / "Björk - Jóga.mp3"));
    EXPECT_TRUE(platform::fileExists(home / "braxen.idx")) << "the undo index sits next to the program";
    const auto list = runProgram(program, {"undo", "list"});
    ASSERT_GE(list.out.size(), 12u);
    const auto undone = runProgram(program, {"undo", "run", list.out.substr(0, 12)});
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_TRUE(platform::fileExists(music / "Björk_-_Jóga.mp3"));
    EXPECT_TRUE(platform::fileExists(music / "日本_語.mp3"));
}

// Two runs and an undo at once, in three processes: every run is registered, the undone one
// leaves the index, and nothing else does.
TEST(Program, TwoRunsAndAnUndoAtOnceLoseNoEntry) {
    TempFolder home, first, second, undone;
    const std::string program = home / kProgram;
    std::filesystem::copy_file(std::filesystem::u8path(platform::GetModuleFolder() + kProgram),
                               std::filesystem::u8path(program));
    for (const TempFolder* music : {&first, &second, &undone}) {
        for (int i = 0; i < 50; ++i) writeFile(*music / ("track_" + std::to_string(i) + ".mp3"), "x");
    }
    ASSERT_EQ(runProgram(program, {"rename", "--underscores", undone.path()}).exitCode, 0);
    const std::string name = runProgram(program, {"undo", "list"}).out.substr(0, 12);

    testing_support::ProcessResult results[3];
    std::thread runs[] = {
        std::thread([&] {
            results[0] = runProgram(program, {"rename", "--underscores", first.path()});
        }),
        std::thread([&] {
            results[1] = runProgram(program, {"rename", "--underscores", second.path()});
        }),
        std::thread([&] {
            results[2] = runProgram(program, {"undo", "run", name});
        }),
    };
    for (std::thread& run : runs) run.join();
    for (const auto& result : results) EXPECT_EQ(result.exitCode, 0) << result.out << result.err;

    const std::string list = runProgram(program, {"undo", "list"}).out;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list;
    EXPECT_EQ(list.find(name), std::string::npos) << list;
    EXPECT_TRUE(platform::fileExists(undone / "track_7.mp3"));
    EXPECT_TRUE(platform::fileExists(first / "track 7.mp3"));
    EXPECT_TRUE(platform::fileExists(second / "track 7.mp3"));
}

}  // namespace

// The real calderwynstrope-cli program, copied into a folder of its own: where it keeps its files,
// and that it refuses to rename when it could keep no undo record.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "calderwynstrope/version.h"
#include "core/base/app_paths.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/environment.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

using testing_support::readFile;
using testing_support::runProgram;
using testing_support::TempFolder;
using testing_support::writeFile;

#ifdef _WIN32
const char* kProgram = "calderwynstrope-cli.exe";
#else
const char* kProgram = "calderwynstrope-cli";
#endif
constexpr char sep = platform::kPathSeparator;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::u8path(platform::GetModuleFolder() + kProgram),
                                   std::filesystem::u8path(program));
        // The user's folders are the test's own, and no folder is named for the program.
        perUser(user.path());
        environment.set(core::AppPaths::kHomeVariable, std::nullopt);
    }
    void perUser(const std::string& base) {
#ifdef _WIN32
        environment.set("APPDATA", base + sep + "roaming");
#else
        environment.set("XDG_CONFIG_HOME", base + sep + "config");
        environment.set("XDG_DATA_HOME", base + sep + "data");
#endif
    }
    std::string userDataFolder() const {
#ifdef _WIN32
        return user / "roaming" + sep + "Calderwynstrope" + sep;
#else
        return user / "data" + sep + "calderwynstrope" + sep;
#endif
    }

    TempFolder home, music, user;
    const std::string program = home / kProgram;
    testing_support::ScopedEnvironment environment;
};

TEST_F(ProgramTest, RenamesAndUndoesAnyName) {
    writeFile(home / "portable", "");
    writeFile(music / "Björk_-_Jóga.mp3", "j");
    writeFile(music / "日本_語.mp3", "n");

    const auto help = runProgram(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("undo delete NAME"), std::string::npos);
    EXPECT_NE(help.out.find("In use now:\nSettings and undo records: " + home.path() + sep), std::string::npos)
        << help.out;
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
    const auto list = runProgram(program, {"undo", "list"});
    ASSERT_GE(list.out.size(), 12u);
    const auto undone = runProgram(program, {"undo", "run", list.out.substr(0, 12)});
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_TRUE(platform::fileExists(music / "Björk_-_Jóga.mp3"));
    EXPECT_TRUE(platform::fileExists(music / "日本_語.mp3"));
}

// Two runs and an undo at once, in three processes: every run is registered, the undone one
// leaves the index, and nothing else does.
TEST_F(ProgramTest, TwoRunsAndAnUndoAtOnceLoseNoEntry) {
    TempFolder first, second, undone;
    writeFile(home / "portable", "");
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

TEST_F(ProgramTest, KeepsItsFilesWhereTheCopyCallsFor) {
    enum Where { Program, User, Home, Option };
    struct Case {
        const char* what;
        const char* nextToProgram;  // made next to the program before the run ("" for nothing)
        bool homeVariable, dataDirOption;
        Where where;
        const char* reason;
    };
    const Case cases[] = {
        {"portable marker", "portable", false, false, Program, "portable"},
        {"settings of an older copy", "braxen.ini", false, false, Program, "portable"},
        {"neither", "", false, false, User, "per-user"},
        {"variable", "portable", true, false, Home, core::AppPaths::kHomeVariable},
        {"option beats variable", "", true, true, Option, "--data-dir"},
    };
    for (const Case& c : cases) {
        TempFolder named, option;
        for (const char* name : {"portable", "braxen.ini", "braxen.idx", "undo"}) {
            std::filesystem::remove_all(std::filesystem::u8path(home / name));
        }
        if (*c.nextToProgram) writeFile(home / c.nextToProgram, "");
        if (c.homeVariable) environment.set(core::AppPaths::kHomeVariable, named.path());
        writeFile(music / "a_b.mp3", "x");

        std::vector<std::string> rename = {"rename", "--underscores", music.path()};
        std::vector<std::string> list = {"undo", "list"};
        if (c.dataDirOption) {
            rename.insert(rename.begin() + 1, {"--data-dir", option.path()});
            list.insert(list.begin(), {"--data-dir", option.path()});
        }
        const auto renamed = runProgram(program, rename);
        EXPECT_EQ(renamed.exitCode, 0) << c.what << ": " << renamed.err;
        const std::string folder = (c.where == Program ? home.path() + sep
                                    : c.where == User  ? userDataFolder()
                                    : c.where == Home  ? named.path() + sep
                                                       : option.path() + sep);
        EXPECT_TRUE(platform::fileExists(folder + "braxen.idx")) << c.what;
        EXPECT_TRUE(platform::fileExists(folder + "undo")) << c.what;
        if (c.where != Program) {
            EXPECT_FALSE(platform::fileExists(home / "braxen.idx")) << c.what;
        }

        const auto listed = runProgram(program, list);
        EXPECT_EQ(listed.exitCode, 0) << c.what;
        EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1) << "only the run on standard output";
        EXPECT_NE(listed.err.find(folder), std::string::npos) << c.what << ": " << listed.err;
        EXPECT_NE(listed.err.find(c.reason), std::string::npos) << c.what << ": " << listed.err;
        environment.set(core::AppPaths::kHomeVariable, std::nullopt);
        std::filesystem::remove(std::filesystem::u8path(music / "a b.mp3"));
    }
}

TEST_F(ProgramTest, RefusesToRenameWithoutAPlaceForTheRecord) {
    writeFile(user / "file", "");
    writeFile(music / "a_b.mp3", "x");
    const std::string nowhere = user / "file" + sep + "data";
    const std::vector<std::vector<std::string>> settings = {
        {core::AppPaths::kHomeVariable, nowhere},  // a named folder that cannot exist
        {"", nowhere},                             // per-user folders that cannot exist
    };
    for (const auto& setting : settings) {
        if (setting[0].empty()) {
            perUser(nowhere);
            environment.set(core::AppPaths::kHomeVariable, std::nullopt);
        } else {
            environment.set(setting[0], setting[1]);
        }
        const auto refused = runProgram(program, {"rename", "--underscores", music.path()});
        EXPECT_EQ(refused.exitCode, 2) << setting[0];
        EXPECT_NE(refused.err.find("nothing was renamed"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--no-undo"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(nowhere), std::string::npos) << refused.err;
        EXPECT_TRUE(platform::fileExists(music / "a_b.mp3"));
        // A preview writes nothing, so it still works; the list says what is wrong.
        EXPECT_EQ(runProgram(program, {"preview", "--underscores", music.path()}).exitCode, 0);
        EXPECT_NE(runProgram(program, {"undo", "list"}).err.find("Note: " + nowhere), std::string::npos);
    }
    const auto anyway = runProgram(program, {"rename", "--no-undo", "--underscores", music.path()});
    EXPECT_EQ(anyway.exitCode, 0) << anyway.err;
    EXPECT_EQ(readFile(music / "a b.mp3"), "x");
}

}  // namespace

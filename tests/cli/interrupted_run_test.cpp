// The command-line program killed at random moments of big runs: after the next start every run
// can be undone, and undoing them all brings back every name. POSIX only: signals and fork.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "core/persist/binary_io.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

using testing_support::runProgram;
using testing_support::TempFolder;

constexpr int kFiles = 20000;
constexpr int kKills = 20;

// A folder in memory (tmpfs) when there is one: the runs are then bound by the program, not the disk.
class MemoryFolder {
public:
    MemoryFolder() {
        std::string pattern =
            (std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/cwkill-XXXXXX");
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~MemoryFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Starts the program with its output thrown away, or its standard output going to `out`.
pid_t start(const std::string& program, const std::vector<std::string>& arguments, int out = -1) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(out >= 0 ? out : null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// The index as it is on the disk: whole entries only, every one naming a database that is there.
std::vector<core::IndexEntry> checkedIndex(const std::string& home) {
    const std::string path = home + "/braxen.idx";
    if (!platform::fileExists(path)) return {};
    const std::string bytes = core::readWholeFile(path);
    EXPECT_EQ((bytes.size() - core::kIndexHeaderSize) % core::kIndexEntrySize, 0u) << "a torn entry";
    const std::vector<core::IndexEntry> entries = core::parseIndex(bytes);
    for (const core::IndexEntry& entry : entries) {
        EXPECT_TRUE(core::isDatabaseName(entry.name)) << entry.name;
        EXPECT_TRUE(platform::fileExists(home + "/undo/" + entry.name)) << entry.name;
    }
    return entries;
}

// The names of the journals of runs, living or dead, in the undo folder.
std::set<std::string> journalsIn(const std::string& undoFolder) {
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(undoFolder, ignored)) {
        if (entry.path().extension() == ".jnl") names.insert(entry.path().filename());
    }
    return names;
}

bool hasNew(const std::set<std::string>& now, const std::set<std::string>& before) {
    return std::any_of(now.begin(), now.end(), [&](const std::string& name) { return !before.count(name); });
}

// The program in a folder of its own, as a portable copy so its undo files land there.
std::string installedIn(const TempFolder& home) {
    const std::string program = home / "calderwynstrope-cli";
    std::filesystem::copy_file(platform::GetModuleFolder() + "calderwynstrope-cli", program);
    testing_support::writeFile(home / "portable", "");
    return program;
}

TEST(InterruptedRuns, AClosedPipeDoesNotEndTheRun) {
    TempFolder home, music;
    const std::string program = installedIn(home);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) testing_support::writeFile(music / name, name);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    ::close(pipe[0]);  // nobody will read what the run writes
    const pid_t pid = start(program, {"rename", "--append", "", "+", music.path()}, pipe[1]);
    ::close(pipe[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const char* name : {"a+.mp3", "b+.mp3", "c+.mp3"}) EXPECT_TRUE(platform::fileExists(music / name)) << name;
    const std::vector<core::IndexEntry> runs = checkedIndex(home.path());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NE(runs[0].description.find(" - 3 files renamed, 0 unchanged, 0 failed."), std::string::npos)
        << runs[0].description;
}

TEST(InterruptedRuns, KilledAtRandomMomentsEveryRenameComesBack) {
    TempFolder home;
    MemoryFolder music;
    ASSERT_FALSE(music.path().empty());
    const std::string program = installedIn(home);
    std::set<std::string> originals;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "track %05d.mp3", i);
        std::FILE* file = std::fopen((music.path() + "/" + name).c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        originals.insert(name);
    }
    const std::vector<std::string> rename = {"rename", "--append", "", "+", "-p", "*.mp3", music.path()};
    // Every "track 0..." takes the name of its "track 1..." and back: ten thousand swaps, each
    // through a temporary name, so that kills fall in the middle of them too.
    const std::vector<std::string> swap = {"rename",  "--replace", "track 0",   "Q", "--replace",
                                           "track 1", "track 0",   "--replace", "Q", "track 1",
                                           "-p",      "*.mp3",     music.path()};

    // One whole run tells how long a run takes here.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(runProgram(program, rename).exitCode, 0);
    const auto whole = std::chrono::steady_clock::now() - before;

    std::random_device device;
    const unsigned seed = device();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Half the kills come at any moment from the start, half at a moment after the run has begun
    // to rename (its journal is there), so that most fall in the middle of renaming however long
    // starting takes. A run that ends before its kill makes the moments shorter: the machine may
    // have become faster than when the first run was timed.
    long long span = std::chrono::duration_cast<std::chrono::microseconds>(whole).count() * 11 / 10;
    int kills = 0;
    for (int attempt = 0; kills < kKills && attempt < 4 * kKills; ++attempt) {
        const auto journalsBefore = journalsIn(home / "undo");
        // Each start first recovers the run killed before it.
        const pid_t pid = start(program, attempt % 4 < 2 ? rename : swap);
        ASSERT_GT(pid, 0);
        const bool whileRenaming = attempt % 2 == 1;
        if (whileRenaming) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!hasNew(journalsIn(home / "undo"), journalsBefore) && ::waitpid(pid, nullptr, WNOHANG) == 0 &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<long long>(0, whileRenaming ? span / 2 : span)(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFSIGNALED(status)) {
            span = span * 3 / 4;
        } else {
            ++kills;
        }
        checkedIndex(home.path());
    }
    EXPECT_GE(kills, kKills);

    // The next start recovers the last run; then every run is undone, the last first.
    const auto list = runProgram(program, {"undo", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const std::vector<core::IndexEntry> runs = checkedIndex(home.path());
    const auto interrupted = std::count_if(runs.begin(), runs.end(), [](const core::IndexEntry& run) {
        return run.description.find(" (interrupted)") != std::string::npos;
    });
    EXPECT_GE(interrupted, kKills / 4) << "most kills fall in the middle of renaming";
    std::printf("%d kills, %zu runs recorded, %d of them recovered\n", kills, runs.size(), int(interrupted));
    for (const std::string& name : namesIn(home / "undo")) EXPECT_TRUE(core::isDatabaseName(name)) << name;
    // Each undo is killed once at a random moment after it has begun (its journal is there); the
    // next one settles from the disk what the killed one did and finishes.
    int undoKills = 0;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const std::string journal = home / "undo" + "/" + run->name + ".ujl";
        const pid_t pid = start(program, {"undo", "run", run->name});
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!platform::fileExists(journal) && ::waitpid(pid, nullptr, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<long long>(0, span / 4)(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        undoKills += WIFSIGNALED(status);
        const auto left = checkedIndex(home.path());
        if (std::find(left.begin(), left.end(), *run) == left.end()) continue;  // it had finished
        const auto undone = runProgram(program, {"undo", "run", run->name});
        EXPECT_EQ(undone.exitCode, 0) << run->description << ": " << undone.out << undone.err;
    }
    std::printf("%d undos killed\n", undoKills);
    EXPECT_GE(undoKills, static_cast<int>(runs.size()) / 4) << "most kills fall in the middle of undoing";
    for (const std::string& name : namesIn(home / "undo")) EXPECT_TRUE(core::isDatabaseName(name)) << name;
    EXPECT_TRUE(checkedIndex(home.path()).empty());
    std::vector<std::string> strays;
    for (const std::string& name : namesIn(music.path())) {
        if (!originals.erase(name)) strays.push_back(name);
    }
    EXPECT_TRUE(strays.empty()) << strays.size() << " files not back, as " << strays.front();
    EXPECT_TRUE(originals.empty()) << originals.size() << " names missing, as " << *originals.begin();
}

}  // namespace

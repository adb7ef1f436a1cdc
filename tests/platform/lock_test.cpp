#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using platform::FileError;
using platform::FileLock;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

TEST(FileLock, OneHolderAtATimeAndAWaiterGetsItOnRelease) {
    TempFolder folder;
    const std::string path = folder / "shared.lock";
    FileLock first;
    first.lock(path, 1s);
    EXPECT_TRUE(first.isLocked());
    FileLock second;
    EXPECT_FALSE(second.tryLock(path));
    try {
        second.lock(path, 50ms);
        FAIL() << "took a held lock";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::lockTimeout);
        EXPECT_EQ(error.fileName(), path);
        EXPECT_NE(error.message().find("stayed locked"), std::string::npos) << error.message();
    }
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        FileLock third;
        third.lock(path, 10s);
        got = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(got) << "the waiter must wait";
    first.unlock();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_TRUE(second.tryLock(path));
}

TEST(FileLock, LeavesTheFilesContentAlone) {
    TempFolder folder;
    const std::string path = folder / "journal";
    writeFile(path, "content");
    FileLock lock;
    ASSERT_TRUE(lock.tryLock(path));
    {
        platform::File file(path, platform::File::Mode::CreateWrite);  // the owner writes through its own handle
        file.write("rewritten", 9);
    }
    EXPECT_EQ(readFile(path), "rewritten");
    FileLock moved(std::move(lock));
    EXPECT_FALSE(lock.isLocked());
    EXPECT_TRUE(moved.isLocked());
}

TEST(FileLock, AFolderThatIsMissingIsAnError) {
    TempFolder folder;
    FileLock lock;
    EXPECT_THROW(lock.lock(folder / "missing" + platform::kPathSeparator + "x.lock", 1s), FileError);
    EXPECT_FALSE(lock.isLocked());
}

}  // namespace

// The waiting part of the file lock, shared by both implementations.
#include <thread>
#include <utility>

#include "platform/file_error.h"
#include "platform/file_lock.h"

namespace platform {

FileLock::FileLock(FileLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)), folder_(std::exchange(other.folder_, false)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        unlock();
        handle_ = std::exchange(other.handle_, kInvalid);
        folder_ = std::exchange(other.folder_, false);
    }
    return *this;
}

bool FileLock::tryLock(const std::string& path) {
    unlock();
    return attempt(path);
}

void FileLock::lock(const std::string& path, std::chrono::milliseconds timeout) {
    wait(path, timeout, false);
}

void FileLock::lockFolder(const std::string& folder, std::chrono::milliseconds timeout) {
    wait(folder, timeout, true);
}

void FileLock::wait(const std::string& path, std::chrono::milliseconds timeout, bool folder) {
    unlock();
    // The holders keep the lock for milliseconds, so polling costs little; the pause grows so
    // that a long wait does not keep the processor busy.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds pause(2);
    while (!attempt(path, folder)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
            throw FileError(FileError::lockTimeout, 0, path,
                            "Waited " + std::to_string(seconds) +
                                " seconds for another run of the program to finish with it; try again later.");
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(50)) pause *= 2;
    }
}

}  // namespace platform

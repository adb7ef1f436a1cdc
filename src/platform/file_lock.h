// A lock that processes of this program take on a file before they change something they share
// (the undo index, an undo database being undone, a run's journal). It is advisory: it keeps out
// only those who ask for it. The lock goes with the process, so one that dies releases it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;

    // Takes the lock on the file at `path` (created empty when missing), waiting while another
    // holder has it, in this process or another. After `timeout` it gives up with FileError
    // lockTimeout naming `path`; a file that cannot be opened raises its own FileError.
    void lock(const std::string& path, std::chrono::milliseconds timeout);
    // Takes the lock only when nobody holds it; false when somebody does.
    bool tryLock(const std::string& path);
    // The same on a folder itself, not on a file: every copy of the program takes it, whatever
    // its data folder, and so does every user (on POSIX, a flock on the folder; on Windows, a
    // named object of the folder's identity in the machine's global namespace, seen by every
    // session).
    // Raises FileError when the folder cannot be opened.
    void lockFolder(const std::string& folder, std::chrono::milliseconds timeout);
    void unlock() noexcept;
    bool isLocked() const { return handle_ != kInvalid; }

private:
    static constexpr std::intptr_t kInvalid = -1;
    // Opens the file (the folder) and tries once; true when locked, false when held elsewhere.
    bool attempt(const std::string& path, bool folder = false);
    void wait(const std::string& path, std::chrono::milliseconds timeout, bool folder);

    std::intptr_t handle_ = kInvalid;  // a file descriptor or a Win32 HANDLE
    bool folder_ = false;              // Windows: the handle is a folder's named object
};

}  // namespace platform

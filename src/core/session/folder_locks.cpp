#include "core/session/folder_locks.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/file_error.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace core {

std::string FolderLocks::lockAll(const AppPaths& paths, const std::vector<std::string>& folders,
                                 std::chrono::milliseconds wait) {
    return lockAll(
        paths, folders.size(), [&](std::size_t i) { return folders[i]; }, wait);
}

std::string FolderLocks::lockAll(const AppPaths& paths, std::size_t count,
                                 const std::function<std::string(std::size_t)>& folderAt,
                                 std::chrono::milliseconds wait) {
    unlockAll();
    // By identity, in one order for every run: two runs that share several folders never wait for
    // each other crosswise.
    std::vector<std::pair<std::string, std::size_t>> wanted;
    for (std::size_t i = 0; i < count; ++i) {
        const auto id = platform::fileId(folderAt(i));
        if (!id) continue;
        char key[40];
        std::snprintf(key, sizeof key, "%016llx-%016llx.lock", static_cast<unsigned long long>(id->volume),
                      static_cast<unsigned long long>(id->index));
        wanted.emplace_back(key, i);
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(
        std::unique(wanted.begin(), wanted.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
        wanted.end());
    if (wanted.empty()) return std::string();
    const std::string place = platform::withSeparator(paths.dataFolder) + "locks";
    if (paths.dataWritable) platform::createFolder(place);  // a failure shows when the first lock file cannot be made
    for (const auto& [key, index] : wanted) {
        const std::string folder = folderAt(index);
        // The lock file keeps out the runs that share this data folder; the lock on the folder
        // itself those of another copy of the program, another data folder or another user.
        platform::FileLock lock, onFolder;
        try {
            if (paths.dataWritable) lock.lock(platform::withSeparator(place) + key, wait);
            try {
                onFolder.lockFolder(folder, wait);
            } catch (const platform::FileError& error) {
                // A folder that cannot be opened to be locked cannot be listed either: nothing
                // in it is moved, so nothing is lost without its lock.
                if (error.cause() == platform::FileError::lockTimeout) throw;
            }
        } catch (const platform::FileError& error) {
            if (error.cause() != platform::FileError::lockTimeout) {
                unlockAll();
                throw;
            }
            unlockAll();
            return folder;
        }
        if (lock.isLocked()) locks_.push_back(std::move(lock));
        if (onFolder.isLocked()) locks_.push_back(std::move(onFolder));
    }
    return std::string();
}

std::string folderBusyText(const std::string& folder) {
    return "Another run of the program is changing files in " + folder +
           "; nothing was renamed. Try again when it has finished.";
}

}  // namespace core

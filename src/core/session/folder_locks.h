// One run or undo at a time in a folder: each holds a lock on every folder it changes, so that two
// of them never move each other's files between a name's record and its move. The locks are
// files in the data folder's "locks" folder, named after the folder's identity on its volume, so
// every spelling of a folder (letter case, a link, another mount point) takes the same lock, and
// a lock on the folder itself, which a copy of the program with another data folder (a portable
// copy beside an installed one, --data-dir, another user) takes too. They go with the process, so
// a run that dies holds none.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/base/app_paths.h"
#include "platform/file_lock.h"

namespace core {

// How long a run waits for another one in the same folder before it refuses to start.
inline constexpr std::chrono::milliseconds kFolderLockWait{2000};

class FolderLocks {
public:
    // Takes the lock of every folder in `folders` (paths; duplicates allowed), waiting up to `wait`
    // for each. Returns the first folder another run holds, having released every lock taken;
    // empty when all are held. A folder that is not there needs no lock (nothing in it can be
    // moved); without a data folder that can be written, the folders' own locks are taken alone.
    // Raises the platform's file error when a lock file cannot be made.
    std::string lockAll(const AppPaths& paths, const std::vector<std::string>& folders,
                        std::chrono::milliseconds wait = kFolderLockWait);
    // The same for `count` folders whose paths `folderAt` makes when asked, one at a time: a run
    // over a deep tree keeps no path of its own for each of its folders.
    std::string lockAll(const AppPaths& paths, std::size_t count,
                        const std::function<std::string(std::size_t)>& folderAt,
                        std::chrono::milliseconds wait = kFolderLockWait);
    void unlockAll() noexcept { locks_.clear(); }
    bool holdsAny() const { return !locks_.empty(); }

private:
    std::vector<platform::FileLock> locks_;
};

// "Another run of the program is changing files in FOLDER; try again when it has finished."
std::string folderBusyText(const std::string& folder);

}  // namespace core

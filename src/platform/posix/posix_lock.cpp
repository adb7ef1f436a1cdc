// POSIX file lock: flock on a descriptor of the lock file (or of the folder). flock locks belong
// to the open file, so two locks in one process exclude each other as two processes do.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"
#include "platform/posix/posix_errors.h"

namespace platform {

bool FileLock::attempt(const std::string& path, bool folder) {
    const int fd = folder ? ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                          : ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throwErrno(errno, path);
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return false;
        throwErrno(error, path);
    }
    handle_ = fd;
    return true;
}

void FileLock::unlock() noexcept {
    if (isLocked()) ::close(static_cast<int>(handle_));  // closing drops the lock
    handle_ = kInvalid;
}

}  // namespace platform

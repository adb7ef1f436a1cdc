// POSIX file object, file status and moves.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/posix/posix_errors.h"

namespace platform {

void File::open(const std::string& path, Mode mode) {
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::CreateWrite:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::ReadWriteExclusive:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) throwErrno(errno, path);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throwErrno(EISDIR, path);
    }
    if (mode == Mode::ReadWriteExclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileError(FileError::sharingViolation, error, path, std::strerror(error));
    }
    handle_ = fd;
    path_ = path;
}

std::size_t File::read(void* buffer, std::size_t count) {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(static_cast<int>(handle_), out + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, path_);
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::write(const void* buffer, std::size_t count) {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(static_cast<int>(handle_), in + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, path_);
        }
        done += static_cast<std::size_t>(put);
    }
}

std::uint64_t File::seek(std::int64_t offset, SeekFrom from) {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    const int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t at = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
    if (at < 0) throw FileError(FileError::badSeek, errno, path_, std::strerror(errno));
    return static_cast<std::uint64_t>(at);
}

std::uint64_t File::position() const {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    const off_t at = ::lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (at < 0) throw FileError(FileError::badSeek, errno, path_, std::strerror(errno));
    return static_cast<std::uint64_t>(at);
}

std::uint64_t File::length() const {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    struct stat st;
    if (::fstat(static_cast<int>(handle_), &st) != 0) throwErrno(errno, path_);
    return static_cast<std::uint64_t>(st.st_size);
}

void File::setLength(std::uint64_t length) {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) != 0) {
        throwErrno(errno, path_);
    }
}

void File::sync() {
    if (!isOpen()) throw FileError(FileError::invalidFile, EBADF, path_);
    if (::fsync(static_cast<int>(handle_)) != 0) throwErrno(errno, path_);
}

void File::close() noexcept {
    if (isOpen()) ::close(static_cast<int>(handle_));  // also drops the flock
    handle_ = kInvalid;
}

// ---------------------------------------------------------------------------------------------

std::optional<FileStatus> fileStatus(const std::string& path) {
    if (path.empty()) return std::nullopt;
    struct statx sx;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return std::nullopt;
    }
    FileStatus status;
    status.size = sx.stx_size;
    status.creationTime = (sx.stx_mask & STATX_BTIME) ? static_cast<std::time_t>(sx.stx_btime.tv_sec)
                                                      : static_cast<std::time_t>(sx.stx_mtime.tv_sec);
    status.attributes = attributesOf(path, sx.stx_mode);
    return status;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool namesIgnoreCase(const std::string&) {
    return false;
}

std::optional<FileId> fileId(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

namespace {

std::string lastComponent(const std::string& path) {
    const auto at = path.find_last_of('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string parentOf(const std::string& path) {
    const auto at = path.find_last_of('/');
    return at == std::string::npos ? std::string(".") : at == 0 ? std::string("/") : path.substr(0, at);
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// The move itself, with no opinion about the new name.
void moveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (error == EEXIST) {
        // The target name is taken; it may be the file itself.
        struct stat source, target;
        if (::lstat(from.c_str(), &source) == 0 && ::lstat(to.c_str(), &target) == 0 &&
            target.st_dev == source.st_dev && target.st_ino == source.st_ino) {
            if (from == to) return;  // its own unchanged name: nothing to do
            // The same file under another spelling on a case-insensitive file system: a plain
            // rename changes the case. Anything else (a hard link) must not be touched.
            if (parentOf(from) == parentOf(to) && equalIgnoringCase(lastComponent(from), lastComponent(to))) {
                if (::rename(from.c_str(), to.c_str()) != 0) throwErrno(errno, from);
                return;
            }
        }
        throw FileError(FileError::accessDenied, EEXIST, to, std::strerror(EEXIST));
    }
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        // The file system does not know the flag: a hard link fails on an existing name, then
        // the old name goes. Folders cannot be linked; they are never moved by this program.
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) == 0) return;
            error = errno;
            ::unlink(to.c_str());
        } else {
            error = errno;
            if (error == EEXIST) throw FileError(FileError::accessDenied, EEXIST, to, std::strerror(EEXIST));
        }
    }
    throwErrno(error, from);
}

}  // namespace

void moveFile(const std::string& from, const std::string& to) {
    // Refusing the names Windows refuses keeps a renamed collection usable there too, and makes
    // a name built from tag text fail the same way on every platform.
    if (!isValidFileName(lastComponent(to))) {
        throw FileError(FileError::badPath, EINVAL, to, "The file name is not valid.");
    }
    moveNoReplace(from, to);
}

void moveFileAnyName(const std::string& from, const std::string& to) {
    moveNoReplace(from, to);
}

void replaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) throwErrno(errno, to);
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throwErrno(errno, path);
}

bool createFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool setAttributes(const std::string& path, std::uint32_t attributes) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & AttrReadOnly) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    return ::chmod(path.c_str(), mode) == 0;
}

}  // namespace platform

// POSIX file object, file status and moves.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/case_fold.h"
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
        case Mode::CreateReadWrite:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
        case Mode::ReadWriteExclusive:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) throwErrno(errno, path);
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
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
    openedLength_ = known && mode == Mode::Read ? static_cast<std::uint64_t>(st.st_size) : kUnknownLength;
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
    openedLength_ = kUnknownLength;
}

// ---------------------------------------------------------------------------------------------

namespace {

// Big enough that a window lasts tens of thousands of records, small enough to stay a small part
// of the process's memory; a multiple of every page size.
constexpr std::uint64_t kAppendWindow = std::uint64_t{4} << 20;
// Space is reserved a little at a time, so a nearly full disk still takes the records it has
// room for.
constexpr std::uint64_t kReserveStep = std::uint64_t{64} << 10;

}  // namespace

RecordAppender::RecordAppender(File& file) : file_(file), end_(file.length()), reserved_(end_) {}

RecordAppender::~RecordAppender() {
    try {
        finish();
    } catch (const FileError&) {
        // The records are whole in any case; only zeros may follow them, which readers stop at.
    }
}

void RecordAppender::unmap() noexcept {
    if (window_) ::munmap(window_, kAppendWindow);
    window_ = nullptr;
}

void RecordAppender::mapWindowAt(std::uint64_t position) {
    unmap();
    const std::uint64_t start = position - position % kAppendWindow;
    void* window = ::mmap(nullptr, kAppendWindow, PROT_READ | PROT_WRITE, MAP_SHARED, static_cast<int>(file_.handle_),
                          static_cast<off_t>(start));
    if (window == MAP_FAILED) {
        writes_ = true;  // plain writes are as safe
        return;
    }
    window_ = static_cast<char*>(window);
    windowStart_ = start;
}

bool RecordAppender::reserve(std::uint64_t end) {
    // Only reserved space is ever stored to: past the file's end a store would be a fault, and on
    // a full disk it would be one too.
    if (end <= reserved_) return true;
    const std::uint64_t from = reserved_ > end_ ? reserved_ : end_;
    const int fd = static_cast<int>(file_.handle_);
    std::uint64_t to = end + kReserveStep - end % kReserveStep;
    int error = ::posix_fallocate(fd, static_cast<off_t>(from), static_cast<off_t>(to - from));
    if (error == ENOSPC) {
        // The last of the disk: as much as this record needs.
        to = end;
        error = ::posix_fallocate(fd, static_cast<off_t>(from), static_cast<off_t>(to - from));
    }
    if (error == EOPNOTSUPP || error == ENOSYS || error == EINVAL) return false;  // write instead
    if (error != 0) throwErrno(error, file_.path());
    reserved_ = to;
    grown_ = true;
    return true;
}

void RecordAppender::append(const void* bytes, std::size_t count) {
    if (finished_) throw FileError(FileError::invalidFile, EBADF, file_.path());
    const auto* from = static_cast<const char*>(bytes);
    if (!writes_ && !reserve(end_ + count)) writes_ = true;
    while (count > 0) {
        if (!writes_ && (!window_ || end_ >= windowStart_ + kAppendWindow)) mapWindowAt(end_);
        if (writes_) {
            // Where mapping failed the records go where the mapped ones left off.
            file_.seek(static_cast<std::int64_t>(end_), File::SeekFrom::Begin);
            file_.write(from, count);
            end_ += count;
            return;
        }
        const std::size_t room = static_cast<std::size_t>(windowStart_ + kAppendWindow - end_);
        const std::size_t part = count < room ? count : room;
        std::memcpy(window_ + (end_ - windowStart_), from, part);
        end_ += part;
        from += part;
        count -= part;
    }
}

void RecordAppender::finish() {
    if (finished_) return;
    finished_ = true;
    unmap();
    if (grown_ && file_.isOpen()) file_.setLength(end_);
}

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

FileId identityOf(const struct statx& sx) {
    FileId id;
    id.volume = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id.index = sx.stx_ino;
    // A birth time of zero is none (some file systems fill the field without the bit).
    const std::uint64_t born = static_cast<std::uint64_t>(sx.stx_btime.tv_sec) * 1000000000u +
                               static_cast<std::uint64_t>(sx.stx_btime.tv_nsec);
    id.stamp = (sx.stx_mask & STATX_BTIME) ? born : 0;
    return id;
}

bool identityAt(int dir, const char* path, int flags, FileId& id) {
    struct statx sx;
    if (::statx(dir, path, flags | AT_STATX_SYNC_AS_STAT, STATX_INO | STATX_BTIME, &sx) != 0) return false;
    id = identityOf(sx);
    return true;
}

std::optional<FileId> fileId(const std::string& path) {
    FileId id;
    if (path.empty() || !identityAt(AT_FDCWD, path.c_str(), 0, id)) return std::nullopt;
    return id;
}

std::optional<FileId> entryId(const std::string& path) {
    FileId id;
    if (path.empty() || !identityAt(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, id)) return std::nullopt;
    return id;
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

// The move itself, with no opinion about the new name: `from` is a name within the folder
// `fromDir` is open on, `to` one within `toDir` (or paths, with AT_FDCWD); the prefixes turn them
// into the paths errors name.
void moveNoReplace(int fromDir, const std::string& fromPrefix, const std::string& from, int toDir,
                   const std::string& toPrefix, const std::string& to) {
    if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    const bool oneFolder = fromDir == toDir;
    if (error == EEXIST) {
        // The target name is taken; it may be the file itself.
        struct stat source, target;
        if (::fstatat(fromDir, from.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
            ::fstatat(toDir, to.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 && target.st_dev == source.st_dev &&
            target.st_ino == source.st_ino && oneFolder) {
            if (from == to) return;  // its own unchanged name: nothing to do
            // The same file under another spelling on a case-insensitive file system: a plain
            // rename changes the case. Anything else (a hard link) must not be touched.
            if (parentOf(from) == parentOf(to) && equalIgnoringCase(lastComponent(from), lastComponent(to))) {
                if (::renameat(fromDir, from.c_str(), toDir, to.c_str()) != 0) throwErrno(errno, fromPrefix + from);
                return;
            }
        }
        throw FileError(FileError::fileExists, EEXIST, toPrefix + to, std::strerror(EEXIST));
    }
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        // The file system does not know the flag: a hard link fails on an existing name, then
        // the old name goes. Folders cannot be linked; they are never moved by this program.
        if (::linkat(fromDir, from.c_str(), toDir, to.c_str(), 0) == 0) {
            if (::unlinkat(fromDir, from.c_str(), 0) == 0) return;
            error = errno;
            ::unlinkat(toDir, to.c_str(), 0);
        } else {
            error = errno;
            if (error == EEXIST) {
                throw FileError(FileError::fileExists, EEXIST, toPrefix + to, std::strerror(EEXIST));
            }
        }
    }
    throwErrno(error, fromPrefix + from);
}

void moveNoReplace(int dir, const std::string& prefix, const std::string& from, const std::string& to) {
    moveNoReplace(dir, prefix, from, dir, prefix, to);
}

}  // namespace

void moveFile(const std::string& from, const std::string& to) {
    // Refusing the names Windows refuses keeps a renamed collection usable there too, and makes
    // a name built from tag text fail the same way on every platform.
    if (!isValidFileName(lastComponent(to))) {
        throw FileError(FileError::badPath, EINVAL, to, "The file name is not valid.");
    }
    moveNoReplace(AT_FDCWD, std::string(), from, to);
}

void moveFileAnyName(const std::string& from, const std::string& to) {
    moveNoReplace(AT_FDCWD, std::string(), from, to);
}

MoveFolder::MoveFolder(const std::string& folder, std::optional<FileId> expected) : path_(withSeparator(folder)) {
    // Without the folder open the moves still work, by their whole paths.
    handle_ = ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (!expected) return;
    // Opened by its path, it may be another folder than the one listed: one moved in its place, or
    // a link to one. Every move then goes through this descriptor, so the check holds for all.
    FileId id;
    replaced_ = handle_ < 0 || !identityAt(static_cast<int>(handle_), "", AT_EMPTY_PATH, id) || !(id == *expected);
}

void MoveFolder::checkSame() const {
    if (replaced_) throw FileError(FileError::genericException, ENOENT, path_, kFolderReplaced);
}

MoveFolder::~MoveFolder() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void MoveFolder::moveFile(const std::string& oldName, const std::string& newName) const {
    checkSame();
    if (handle_ < 0) return platform::moveFile(path_ + oldName, path_ + newName);
    if (!isValidFileName(newName)) {
        throw FileError(FileError::badPath, EINVAL, path_ + newName, "The file name is not valid.");
    }
    moveNoReplace(static_cast<int>(handle_), path_, oldName, newName);
}

void MoveFolder::moveFileInto(const std::string& oldName, const MoveFolder& target, const std::string& newName) const {
    checkSame();
    target.checkSame();
    if (handle_ < 0 || target.handle_ < 0) return platform::moveFile(path_ + oldName, target.path_ + newName);
    if (!isValidFileName(newName)) {
        throw FileError(FileError::badPath, EINVAL, target.path_ + newName, "The file name is not valid.");
    }
    // Between the two descriptors: each folder is the one checked, whatever is at its path now.
    moveNoReplace(static_cast<int>(handle_), path_, oldName, static_cast<int>(target.handle_), target.path_, newName);
}

FileId MoveFolder::entryId(const std::string& name) const {
    checkSame();
    FileId id;
    if (!identityAt(handle_ >= 0 ? static_cast<int>(handle_) : AT_FDCWD, (handle_ >= 0 ? name : path_ + name).c_str(),
                    AT_SYMLINK_NOFOLLOW, id)) {
        throwErrno(errno, path_ + name);
    }
    return id;
}

void replaceFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) throwErrno(errno, to);
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throwErrno(errno, path);
}

void syncFolder(const std::string& path) {
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool createFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool removeEmptyFolder(const std::string& path) {
    // rmdir removes nothing but an empty folder (and never what a link leads to): no look at its
    // content first, which a file arriving in between would make wrong.
    return ::rmdir(path.c_str()) == 0;
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

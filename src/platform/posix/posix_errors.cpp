#include "platform/posix/posix_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace platform {

int causeFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return FileError::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return FileError::badPath;
        case EMFILE:
        case ENFILE:
            return FileError::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EBADF:
            return FileError::accessDenied;
        case EEXIST:
            return FileError::fileExists;
        case EBUSY:
        case ETXTBSY:
            return FileError::sharingViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileError::diskFull;
        case EIO:
            return FileError::hardIO;
        default:
            return FileError::genericException;
    }
}

void throwErrno(int error, const std::string& path) {
    throw FileError(causeFromErrno(error), error, path, std::strerror(error));
}

std::uint32_t attributesOfName(std::string_view name, mode_t mode) {
    std::uint32_t attributes = 0;
    if (S_ISDIR(mode)) attributes |= AttrDirectory;
    if ((mode & S_IWUSR) == 0) attributes |= AttrReadOnly;
    if (!name.empty() && name[0] == '.') attributes |= AttrHidden;
    return attributes;
}

std::uint32_t attributesOf(std::string_view path, mode_t mode) {
    const auto slash = path.find_last_of('/');
    return attributesOfName(slash == std::string_view::npos ? path : path.substr(slash + 1), mode);
}

}  // namespace platform

// Turning errno values into the platform's file error.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_error.h"
#include "platform/files.h"

namespace platform {

int causeFromErrno(int error);
[[noreturn]] void throwErrno(int error, const std::string& path);

// Attribute bits of a file: directory from its mode, read-only when its owner cannot write it,
// hidden when its name starts with a period. Nothing is ever "system" here.
std::uint32_t attributesOf(std::string_view path, mode_t mode);
// The same for a name in a folder, with no path to search.
std::uint32_t attributesOfName(std::string_view name, mode_t mode);

// The identity of `path` in the folder `dir` is open on (AT_FDCWD: a path), of the entry itself
// with AT_SYMLINK_NOFOLLOW in `flags`, of what `dir` is open on with AT_EMPTY_PATH and "". False,
// errno set, when it cannot be had.
bool identityAt(int dir, const char* path, int flags, FileId& id);
// The identity in what statx gave (asked for STATX_INO and STATX_BTIME).
FileId identityOf(const struct statx& sx);

}  // namespace platform

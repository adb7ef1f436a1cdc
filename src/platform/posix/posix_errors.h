// Turning errno values into the platform's file error.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_error.h"

namespace platform {

int causeFromErrno(int error);
[[noreturn]] void throwErrno(int error, const std::string& path);

// Attribute bits of a file: directory from its mode, read-only when its owner cannot write it,
// hidden when its name starts with a period. Nothing is ever "system" here.
std::uint32_t attributesOf(std::string_view path, mode_t mode);
// The same for a name in a folder, with no path to search.
std::uint32_t attributesOfName(std::string_view name, mode_t mode);

}  // namespace platform

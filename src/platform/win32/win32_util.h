// Helpers of the Win32 implementation: long paths, and Win32 error codes turned into the
// platform's file error. The UTF-8 <-> UTF-16 conversion comes with it.
#pragma once

#include <windows.h>

#include <string>

#include "platform/file_error.h"
#include "platform/win32/wide.h"

namespace platform::win32 {

// A path for the wide file functions: relative and short paths pass as they are; absolute ones
// that come near MAX_PATH get the "\\?\" prefix so that deep folders and long names work.
std::wstring filePath(const std::string& path);

std::string systemMessage(DWORD error);
int causeFromWin32(DWORD error);
[[noreturn]] void throwLastError(const std::string& path);
[[noreturn]] void throwError(DWORD error, const std::string& path);

}  // namespace platform::win32

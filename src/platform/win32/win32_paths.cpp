// Win32 current folder, absolute paths and the executable's location.
#include <windows.h>

#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace platform {

using win32::narrow;
using win32::widen;

long maxNameBytes(const std::string&) {
    return 0;
}

std::string fullPath(const std::string& path) {
    if (path.empty()) return path;
    const std::wstring wide = widen(path);
    DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (got == 0 || got >= needed) return path;
    full.resize(got);
    return narrow(full);
}

std::string currentFolder() {
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(needed, L'\0');
    const DWORD got = GetCurrentDirectoryW(needed, buffer.data());
    buffer.resize(got < needed ? got : 0);
    return narrow(buffer);
}

std::string modulePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return std::string();
        if (got < buffer.size()) {
            buffer.resize(got);
            return narrow(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetModuleFolder() {
    const std::string path = modulePath();
    const auto at = path.find_last_of('\\');
    return at == std::string::npos ? std::string(".\\") : path.substr(0, at + 1);
}

}  // namespace platform

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/user_folders.h"
#include "platform/win32/win32_util.h"

namespace platform {
namespace {

using win32::narrow;
using win32::widen;

bool isAbsolute(const std::string& path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    return drive || path.rfind("\\\\", 0) == 0;
}

std::string roamingAppData() {
    if (const auto value = environmentVariable("APPDATA"); value && isAbsolute(*value)) return *value;
    PWSTR folder = nullptr;
    std::string out;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder))) {
        out = narrow(folder);
    }
    CoTaskMemFree(folder);
    return out;
}

}  // namespace

std::optional<std::string> environmentVariable(const std::string& name) {
    const std::wstring wideName = widen(name);
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::wstring value(needed, L'\0');
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
    value.resize(got < needed ? got : 0);
    return narrow(value);
}

UserFolders userFolders(const std::string& programName) {
    std::string base = roamingAppData();
    if (base.empty()) return UserFolders{};
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    const std::string folder = base + programName + '\\';
    return UserFolders{folder, folder};
}

}  // namespace platform

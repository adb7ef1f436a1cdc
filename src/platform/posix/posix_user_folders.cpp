#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/user_folders.h"

namespace platform {
namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir && *entry->pw_dir == '/' ? entry->pw_dir : std::string();
}

// $variable when it holds an absolute path, else the home folder's `fallback`; empty when there
// is neither.
std::string baseFolder(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value && *value == '/') return value;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + (home.back() == '/' ? "" : "/") + fallback;
}

std::string programFolder(std::string base, const std::string& programName) {
    if (base.empty()) return base;
    if (base.back() != '/') base += '/';
    for (char c : programName) base += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return base + '/';
}

}  // namespace

std::optional<std::string> environmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

UserFolders userFolders(const std::string& programName) {
    return UserFolders{programFolder(baseFolder("XDG_CONFIG_HOME", ".config"), programName),
                       programFolder(baseFolder("XDG_DATA_HOME", ".local/share"), programName)};
}

}  // namespace platform

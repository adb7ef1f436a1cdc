// What the program needs from the system to decide where it keeps its own files: environment
// variables and the folders a system gives each user for programs' settings and data.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The value of an environment variable, as UTF-8; nothing when it is not set.
std::optional<std::string> environmentVariable(const std::string& name);

// The per-user folders of a program called `programName`, each ending with a separator, or empty
// when the system names none (no home folder, no application-data folder).
//   Windows: both are %APPDATA%\programName (the Roaming application-data folder when the
//            variable is not set or not absolute).
//   POSIX:   settings in $XDG_CONFIG_HOME/programname, data in $XDG_DATA_HOME/programname (the
//            name in lower case), with ~/.config and ~/.local/share where a variable is unset or
//            not absolute, as the XDG base directory rules say.
struct UserFolders {
    std::string config;
    std::string data;
};
UserFolders userFolders(const std::string& programName);

}  // namespace platform

// calderwynstrope-cli's commands over the same core as the Windows program.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/console.h"
#include "core/base/app_paths.h"

namespace cli {

enum ExitStatus { ExitDone = 0, ExitSomeFailed = 1, ExitBadInput = 2 };

// Gives the folders in use for a --data-dir option (empty when none was given).
using PathsLocator = std::function<core::AppPaths(const std::string& dataDir)>;

// Runs one command line (the arguments after the program's name). The settings, undo folder and
// index are the ones `locate` gives; plug-ins come from the settings' plug-ins folder.
int runCli(const std::vector<std::string>& arguments, Console& console, const PathsLocator& locate);

}  // namespace cli

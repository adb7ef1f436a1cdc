// calderwynstrope-cli's commands over the same core as the Windows program.
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"
#include "core/app/app_paths.h"

namespace cli {

enum ExitStatus { ExitDone = 0, ExitSomeFailed = 1, ExitBadInput = 2 };

// Runs one command line (the arguments after the program's name). The settings, undo folder and
// index are the ones in `paths`; plug-ins come from the settings' plug-ins folder.
int runCli(const std::vector<std::string>& arguments, Console& console, const core::AppPaths& paths);

}  // namespace cli

// The main window's filter-file commands: Load, Save as, and a file given at start or dropped on
// the window. Failures are told to the user here.
#pragma once

#include <windows.h>

#include <string>

#include "core/rules/rule.h"

namespace core {
class PluginManager;
}

namespace ui {

// Reads a filter definition file into `rules`. A file that is not accepted leaves them as they
// were; a missing plug-in halfway leaves the filters before it. False after a told failure.
bool loadFilterFile(const core::PluginManager& plugins, const std::string& path, core::RuleList& rules);
bool saveFilterFile(const std::string& path, const core::RuleList& rules);

// The Load and Save as dialogs, opening in `startFolder`; empty when cancelled.
std::string askFilterFileToLoad(HWND owner, const std::string& startFolder);
std::string askFilterFileToSave(HWND owner, const std::string& startFolder);

// Where those dialogs open: the folder of the last filter file, else the user's Documents (never
// the program's folder, which a user cannot write to).
std::string filterFileFolder(const std::string& lastFolder);

}  // namespace ui

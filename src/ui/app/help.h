// The help page shipped beside the program, generated from docs/help.md when the program is
// built, and opened in the user's browser by F1, the Help button and the About box.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

inline constexpr const char* kHelpPageName = "help.html";

// The page's path in the program's folder (which ends with a separator).
std::string helpPagePath(const std::string& programFolder);
// Opens the page; where no program is there to show it, shows its text in a window of its own. A
// page that is not there is told.
void showHelp(HWND owner, const std::string& programFolder);

}  // namespace ui

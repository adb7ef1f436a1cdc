#include "ui/app/help.h"

#include <shellapi.h>

#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/controls/messages.h"

namespace ui {

std::string helpPagePath(const std::string& programFolder) {
    return programFolder + kHelpPageName;
}

void showHelp(HWND owner, const std::string& programFolder) {
    const std::wstring wide = platform::win32::widen(helpPagePath(programFolder));
    const std::string page = platform::displayName(helpPagePath(programFolder));
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        showError("The help page \"" + page + "\" is missing. Installing the program again brings it back.");
        return;
    }
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof(request);
    request.hwnd = owner;
    request.lpVerb = L"open";
    request.lpFile = wide.c_str();
    request.nShow = SW_SHOWNORMAL;
    request.fMask = SEE_MASK_FLAG_NO_UI;  // our own message below, not the shell's
    if (!ShellExecuteExW(&request)) showError("No program could be found to show the help page \"" + page + "\".");
}

}  // namespace ui

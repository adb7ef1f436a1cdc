// Start-up of the Windows program: one modal dialog, and the program ends when it closes.
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "core/app/app_context.h"
#include "platform/win32/wide.h"
#include "ui/app/main_dialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder picker and the file dialogs are COM components of the shell.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    {
        // The command-line tail is a folder to work on or the path of a .ren file to load: as the
        // shell passes it for an opened file (unquoted, blanks and all) or for the folder verb (in
        // quotes), or in one pair of quotes as typed in a console.
        // No Windows file name holds a quote, so taking them off can never change which file.
        std::wstring tail = commandLine ? commandLine : L"";
        if (tail.size() >= 2 && tail.front() == L'"' && tail.back() == L'"' && tail.find(L'"', 1) == tail.size() - 1) {
            tail = tail.substr(1, tail.size() - 2);
        }
        // A relative path means the folder it names now, whatever the working folder becomes.
        if (!tail.empty()) {
            const DWORD size = GetFullPathNameW(tail.c_str(), 0, nullptr, nullptr);
            std::wstring full(size, L'\0');
            if (size > 0 && GetFullPathNameW(tail.c_str(), size, full.data(), nullptr) < size) {
                tail.assign(full.c_str());
            }
        }
        core::AppContext context(core::AppPaths::locate());
        ui::MainDialog dialog(platform::win32::narrow(tail), context);
        dialog.doModal();
    }
    CoUninitialize();
    return 0;
}

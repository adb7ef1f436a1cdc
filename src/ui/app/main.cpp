// Start-up of the Windows program: one modal dialog, and the program ends when it closes.
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>
#include <objbase.h>

#include "core/app/app_context.h"
#include "platform/win32/wide.h"
#include "ui/app/main_dialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder picker and the file dialogs are COM components of the shell.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    {
        // The command-line tail exactly as the system passes it: a .ren file opened from the shell.
        core::AppContext context(core::AppPaths::locate());
        ui::MainDialog dialog(platform::win32::narrow(commandLine ? commandLine : L""), context);
        dialog.doModal();
    }
    CoUninitialize();
    return 0;
}

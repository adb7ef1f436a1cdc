// A small Windows program the driver tests work against, so the driver is proven on windows it
// did not make itself:
//   fixture_program box TEXT     shows a message box titled "Fixture" with TEXT; the exit code
//                                is the id of the button pressed.
//   fixture_program form FILE    shows a window "Fixture form" with an edit (100), an auto check
//                                box (101) and an OK button (1); OK writes the edit's text and
//                                "|1" or "|0" for the box to FILE and ends the program.
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shellapi.h>

#include <string>

#include "platform/win32/wide.h"

namespace {

std::wstring resultFile;

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        wchar_t text[512] = {};
        GetDlgItemTextW(window, 100, text, 512);
        const bool checked = IsDlgButtonChecked(window, 101) == BST_CHECKED;
        const std::string result = platform::win32::narrow(text) + (checked ? "|1" : "|0");
        HANDLE file = CreateFileW(resultFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, result.data(), static_cast<DWORD>(result.size()), &written, nullptr);
        CloseHandle(file);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int runForm(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = formProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"FixtureForm";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"FixtureForm", L"Fixture form", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100, 320,
                                160, nullptr, nullptr, instance, nullptr);
    CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 280, 22, window,
                  reinterpret_cast<HMENU>(100), instance, nullptr);
    CreateWindowW(L"BUTTON", L"&Tick me", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 200, 20, window,
                  reinterpret_cast<HMENU>(101), instance, nullptr);
    CreateWindowW(L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 210, 80, 80, 26, window,
                  reinterpret_cast<HMENU>(IDOK), instance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc >= 3 && std::wstring(argv[1]) == L"box") {
        return MessageBoxW(nullptr, argv[2], L"Fixture", MB_YESNOCANCEL | MB_ICONQUESTION);
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"form") {
        resultFile = argv[2];
        return runForm(instance);
    }
    return 2;
}

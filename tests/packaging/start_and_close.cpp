// Starts the program, waits for its main window, closes it with the window's Close command as a
// person would, and waits for the program to end. The installer test uses it on the installed
// program, which saves its settings when it closes.
//   start_and_close PATH\calderwynstrope.exe
// Exit status 0 when all went so; 1 (with a message) when not.
#include <windows.h>

#include <cstdio>
#include <string>

#include "calderwynstrope/version.h"
#include "platform/utf8.h"
#include "ui/ui_driver.h"

namespace {

std::string utf8(const wchar_t* text) {
    const std::wstring wide(text);
    return platform::utf8::fromUtf16(std::u16string(wide.begin(), wide.end()));
}

int failed(const char* what) {
    std::fprintf(stderr, "start_and_close: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return failed("usage: start_and_close PATH\\calderwynstrope.exe");
    ui_testing::Program program(utf8(argv[1]));
    if (!program.started()) return failed("the program did not start");
    HWND window = program.waitForWindow(core::kMainTitle, 60000);
    if (!window) return failed("its window did not appear");
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!program.waitForExit(60000)) return failed("it did not end when its window was closed");
    return 0;
}

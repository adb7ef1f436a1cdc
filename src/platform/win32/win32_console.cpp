#include <windows.h>

#include <cstdlib>

#include "platform/console.h"
#include "platform/win32/win32_util.h"

namespace platform {
namespace {

HANDLE handleOf(Stream stream) {
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

bool isTerminal(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

bool enableColours(Stream stream) {
    DWORD mode = 0;
    HANDLE handle = handleOf(stream);
    if (std::getenv("NO_COLOR") != nullptr || !GetConsoleMode(handle, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void writeText(Stream stream, std::string_view text) {
    HANDLE handle = handleOf(stream);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = win32::widen(std::string(text));
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    while (!text.empty()) {
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
        text.remove_prefix(written);
    }
}

void keepRunningWhenPipesClose() {}

}  // namespace platform

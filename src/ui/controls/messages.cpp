#include "ui/controls/messages.h"

#include "core/base/strings.h"
#include "core/rules/filter_kinds.h"
#include "platform/win32/wide.h"

namespace ui {

using platform::win32::widen;

namespace {

HWND theMainWindow = nullptr;

HWND ownerForBox() {
    HWND focus = GetFocus();
    if (focus) {
        // The top-level window that holds the focus owns the box.
        HWND top = GetAncestor(focus, GA_ROOT);
        if (top) return top;
    }
    return theMainWindow;
}

int box(const std::string& text, const std::string& title, UINT flags) {
    return MessageBoxW(ownerForBox(), widen(text).c_str(), widen(title).c_str(), flags);
}

}  // namespace

std::string appTitle() {
    return core::loadString(core::IDS_APP_TITLE);
}

void showError(const std::string& text) {
    box(text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

void showCriticalError(const std::string& text) {
    box(text, "Critical Error", MB_OK | MB_ICONSTOP);
}

void showInvalidFilenameError() {
    showError(core::invalidFilenameMessage());
}

int showAppMessage(const std::string& text, UINT flags) {
    return box(text, appTitle(), flags);
}

void showUnhandledError(const std::exception& error) {
    showAppMessage(error.what(), MB_OK | MB_ICONSTOP);
}

void setMainWindow(HWND window) {
    theMainWindow = window;
}

HWND mainWindow() {
    return theMainWindow;
}

}  // namespace ui

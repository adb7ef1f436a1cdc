// Runs one of the program's dialogs inside the test process, on a thread of its own, while the
// test drives it through its window: for what another process cannot be asked (its menus, its
// objects) or cannot be handed (dropped files).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win32/wide.h"
#include "ui/controls/zel_dialog.h"
#include "ui/ui_driver.h"

namespace ui_testing {

// Runs `dialog` modally until `check` (given its window) returns, then ends it with Cancel if it
// is still open.
template <typename Check>
void runInProcess(ui::ZelDialog& dialog, const std::string& title, Check check) {
    std::thread modal([&] { dialog.doModal(); });
    HWND window = waitForProcessWindow(GetCurrentProcessId(), title);
    EXPECT_NE(window, nullptr) << title;
    if (window) {
        waitForHandled(window);  // the first update pass is over
        check(window);
        if (IsWindow(window)) PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    modal.join();
}

// The popup menu this process shows now (a menu window's menu), or nullptr when none opens.
inline HMENU waitForPopupMenu(DWORD timeoutMs = kDefaultTimeoutMs) {
    HMENU menu = nullptr;
    waitUntil(
        [&] {
            HWND window = FindWindowW(L"#32768", nullptr);
            DWORD owner = 0;
            if (window) GetWindowThreadProcessId(window, &owner);
            if (!window || owner != GetCurrentProcessId() || !IsWindowVisible(window)) return false;
            menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
            return menu != nullptr;
        },
        timeoutMs);
    return menu;
}

inline std::string menuItemText(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return platform::win32::narrow(text);
}

}  // namespace ui_testing

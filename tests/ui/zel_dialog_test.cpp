// The dialog base, run inside this process: which controls and menu items the update pass
// enables.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "resource.h"
#include "ui/controls/handles.h"
#include "ui/controls/zel_dialog.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

class ProbeDialog : public ui::UI_dialog {
public:
    explicit ProbeDialog(int resource) : UI_dialog(resource, nullptr) {}
    using UI_dialog::onCommand;
    using UI_dialog::onUpdate;

    // The update pass asks this of every push button without an update handler: counting the
    // questions tells the test that a pass has begun.
    bool hasCommandHandler(int id) const override {
        ++questions;
        return UI_dialog::hasCommandHandler(id);
    }
    mutable std::atomic<int> questions{0};
};

// Runs the dialog on a thread of its own while the test looks at it; ends it with Cancel.
template <typename Check>
void withDialog(ProbeDialog& dialog, const char* title, Check check) {
    std::thread modal([&] { dialog.doModal(); });
    HWND window = waitForProcessWindow(GetCurrentProcessId(), title);
    EXPECT_NE(window, nullptr) << title;
    if (window) {
        EXPECT_TRUE(waitUntil([&] { return dialog.questions > 0; }, 5000)) << "no update pass";
        waitForHandled(window);  // the pass is over
        check(window);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    modal.join();
}

TEST(ZelDialog, PushButtonsFollowTheirHandlers) {
    ProbeDialog dialog(IDD_CONFIRM);
    bool allowAll = false;
    dialog.onCommand(IDC_SKIP, [] {});
    dialog.onUpdate(IDC_ALL, [&] { return allowAll; });
    withDialog(dialog, "Calderwynstrope - Confirmation", [&](HWND window) {
        EXPECT_FALSE(isEnabled(window, IDC_RENAME_ONE)) << "no handler of any kind";
        EXPECT_TRUE(isEnabled(window, IDC_SKIP)) << "a command handler";
        EXPECT_FALSE(isEnabled(window, IDC_ALL)) << "its update handler says no";
        EXPECT_TRUE(isEnabled(window, IDCANCEL)) << "Cancel always has its handler";
        EXPECT_TRUE(isEnabled(window, IDC_NEW_NAME)) << "edits keep their state";
        allowAll = true;
        PostMessageW(window, WM_NULL, 0, 0);  // the next idle pass asks again
        EXPECT_TRUE(waitUntil([&] { return isEnabled(window, IDC_ALL); }, 3000));
    });
}

TEST(ZelDialog, CheckBoxesWithoutHandlersKeepTheirState) {
    ProbeDialog dialog(IDD_APPEND);
    withDialog(dialog, "Append Filter", [&](HWND window) {
        EXPECT_TRUE(isEnabled(window, IDC_USE_FRONT));
        EXPECT_TRUE(isEnabled(window, IDC_USE_END));
        EXPECT_TRUE(isEnabled(window, IDOK));
    });
}

TEST(ZelDialog, PopupItemsAreRefreshedAsTheMenuOpens) {
    ProbeDialog dialog(IDD_CONFIRM);
    dialog.onUpdate(IDC_EDIT, [] { return false; });
    dialog.onCommand(IDC_DELETE, [] {});
    withDialog(dialog, "Calderwynstrope - Confirmation", [&](HWND window) {
        const ui::OwnedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU)));
        ASSERT_TRUE(menu);
        HMENU listPopup = GetSubMenu(menu.get(), 2);
        SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(listPopup), 2);
        EXPECT_TRUE(GetMenuState(listPopup, IDC_EDIT, MF_BYCOMMAND) & MF_GRAYED) << "its update handler says no";
        EXPECT_FALSE(GetMenuState(listPopup, IDC_DELETE, MF_BYCOMMAND) & MF_GRAYED) << "a command handler";
        HMENU addPopup = GetSubMenu(menu.get(), 0);
        SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(addPopup), 0);
        EXPECT_TRUE(GetMenuState(addPopup, ID_ADD_APPEND, MF_BYCOMMAND) & MF_GRAYED) << "nothing handles it";
    });
}

TEST(ZelDialog, AJobAwayFromTheWindowKeepsItAnsweringButDisabled) {
    ProbeDialog dialog(IDD_CONFIRM);
    std::atomic<bool> running{false}, answered{false};
    std::string caught;
    dialog.onCommand(IDC_SKIP, [&] {
        try {
            ui::runAwayFromWindow(dialog.hwnd(), [&] {
                running = true;
                while (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                throw std::runtime_error("from the job");
            });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
    });
    withDialog(dialog, "Calderwynstrope - Confirmation", [&](HWND window) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SKIP, BN_CLICKED), 0);
        ASSERT_TRUE(waitUntil([&] { return running.load(); }, 5000));
        EXPECT_FALSE(IsWindowEnabled(window)) << "no second job while one runs";
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result), 0)
            << "the window answers while the job runs";
        answered = true;
        EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));
    });
    EXPECT_EQ(caught, "from the job");
}

}  // namespace

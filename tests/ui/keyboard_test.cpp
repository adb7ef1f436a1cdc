// The program without a mouse: the About box's link, Enter on the Add button, and mnemonics that
// each lead to one control.
#include <gtest/gtest.h>

#include <cwctype>
#include <map>

#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "support/temp_folder.h"
#include "ui/app/options_about.h"
#include "ui/app_fixture.h"
#include "ui/controls/custom_controls.h"
#include "ui/in_process.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

// The About box's dialog with a link whose address nothing opens, so that opening it shows the
// program's own message instead of starting a browser.
class LinkProbe : public ui::UI_dialog {
public:
    LinkProbe() : UI_dialog(IDD_ABOUT, nullptr) { autoDisable = false; }
    static constexpr const char* kUrl = "calderwynstrope-test-nothing-opens-this:x";

protected:
    void onInitDialog() override {
        link_.attach(hwnd(), IDC_HOMEPAGE);
        link_.setUrl(kUrl);
    }

private:
    ui::HyperlinkStatic link_;
};

TEST(AboutLink, TabReachesItAndEnterOrSpaceOpensIt) {
    ui::AboutDialog about(nullptr, "help.html");
    runInProcess(about, "Calderwynstrope - About", [&](HWND window) {
        ASSERT_TRUE(waitUntil([&] { return focusedWindow(window) == control(window, IDOK); }));
        pressKey(focusedWindow(window), VK_TAB);
        EXPECT_TRUE(waitUntil([&] { return focusedWindow(window) == control(window, IDC_HOMEPAGE); }));
    });

    LinkProbe probe;
    runInProcess(probe, "Calderwynstrope - About", [&](HWND window) {
        pressKey(focusedWindow(window), VK_TAB);
        HWND link = control(window, IDC_HOMEPAGE);
        ASSERT_TRUE(waitUntil([&] { return focusedWindow(window) == link; }));
        for (WORD key : {VK_RETURN, VK_SPACE}) {
            pressKey(link, key);
            HWND box = waitForProcessMessageBox(GetCurrentProcessId(), "Calderwynstrope");
            ASSERT_NE(box, nullptr) << "key " << key << " did not open the link";
            EXPECT_EQ(messageBoxText(box),
                      std::string("Unable to find an associated application for '") + LinkProbe::kUrl + "'");
            pressMessageBoxButton(box, IDOK);
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
            EXPECT_TRUE(IsWindow(window)) << "the key was the link's, not the OK button's";
        }
    });
}

class AddButtonTest : public AppFixture {};

TEST_F(AddButtonTest, EnterOnTheAddButtonOpensItsMenuAndRenamesNothing) {
    core::writeFilterFile(home / "x.ren", {*core::buildFilter("--append", {{"", "_x"}}).rule});
    ASSERT_NE(startApp(home / "x.ren"), nullptr);
    // Rename could run: if Enter reached it, it would say that no file matches.
    setControlText(main, IDC_FOLDER, home.path() + "\\");
    setControlText(main, IDC_PATTERN, "*.nothing");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(main, IDC_RENAME); }));
    HWND add = control(main, IDC_ADD);
    SetForegroundWindow(main);  // where a person types
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == main; }));
    waitForHandled(main);  // its activation is over, and with it the focus it restores
    SendMessageW(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(add), TRUE);
    ASSERT_TRUE(waitUntil([&] { return focusedWindow(main) == add; }));
    pressKey(add, VK_RETURN);
    HWND menuWindow = waitForMenuWindow();
    ASSERT_NE(menuWindow, nullptr);
    EXPECT_EQ(waitForMessageBox(*program, "Error", 600), nullptr);
    SetForegroundWindow(main);
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(menuWindow); }));
}

// The mnemonic of a control or menu item text, lower case; 0 when it has none.
wchar_t mnemonicOf(const std::wstring& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return static_cast<wchar_t>(std::towlower(text[i + 1]));
        ++i;  // "&&" is a plain ampersand
    }
    return 0;
}

INT_PTR CALLBACK inertProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Every dialog in the resources, and every popup menu: no two items share a mnemonic, so each
// Alt+letter leads to one place.
TEST(Mnemonics, UniqueInEveryDialogAndMenu) {
    std::vector<WORD> dialogs;
    EnumResourceNamesW(
        nullptr, RT_DIALOG,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
            if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(found)->push_back(LOWORD(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&dialogs));
    EXPECT_GE(dialogs.size(), 17u);
    for (WORD id : dialogs) {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, inertProc, 0);
        ASSERT_NE(dialog, nullptr) << id;
        std::map<wchar_t, std::wstring> seen;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string kind = className(child);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (kind != "Button" && (kind != "Static" || (style & SS_NOPREFIX))) continue;
            const std::wstring text = platform::win32::widen(windowText(child));
            const wchar_t key = mnemonicOf(text);
            if (!key) continue;
            EXPECT_TRUE(seen.emplace(key, text).second)
                << "dialog " << id << ": \"" << platform::win32::narrow(seen[key]) << "\" and \""
                << platform::win32::narrow(text) << "\"";
        }
        DestroyWindow(dialog);
    }
    const ui::OwnedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU)));
    ASSERT_TRUE(menu);
    for (int popup = 0; popup < GetMenuItemCount(menu.get()); ++popup) {
        HMENU items = GetSubMenu(menu.get(), popup);
        std::map<wchar_t, std::string> seen;
        for (int i = 0; i < GetMenuItemCount(items); ++i) {
            const std::string text = menuItemText(items, i);
            const wchar_t key = mnemonicOf(platform::win32::widen(text));
            if (!key) continue;
            EXPECT_TRUE(seen.emplace(key, text).second) << "menu " << popup << ": " << seen[key] << ", " << text;
        }
    }
}

}  // namespace

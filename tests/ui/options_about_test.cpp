// The Options dialog and the About box, from the main dialog's system menu and the arrow of its
// Help button; the help page from F1 and that button.
#include <gtest/gtest.h>

#include <filesystem>

#include "calderwynstrope/version.h"
#include "platform/registry.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::readFile;
using testing_support::TempFolder;

class SystemMenuFixture : public AppFixture {
protected:
    HWND open(WPARAM command, const char* title) {
        PostMessageW(main, WM_SYSCOMMAND, command, 0);
        return program->waitForWindow(title);
    }
};

class SystemMenuTest : public SystemMenuFixture {
protected:
    void SetUp() override { ASSERT_NE(startApp(), nullptr); }
    // OK refused with `message`; the box is answered and the dialog stays.
    void refused(HWND dialog, const std::string& message) {
        click(dialog, IDOK);
        HWND box = waitForMessageBox(*program, "Calderwynstrope");
        ASSERT_NE(box, nullptr) << message;
        EXPECT_EQ(messageBoxText(box), message);
        pressMessageBoxButton(box, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
        EXPECT_TRUE(IsWindow(dialog));
    }
};

TEST_F(SystemMenuTest, OptionsCheckTheLimitAndApplyTheAssociation) {
    auto registry = platform::openUserClasses();
    ASSERT_NE(registry, nullptr);
    EXPECT_TRUE(waitUntil([&] { return registry->keyExists(".REN"); })) << "registered at the first start";

    HWND options = open(IDM_OPTIONS, "Calderwynstrope - Options");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(controlText(options, IDC_PLUGINS_DIR), home.path() + "\\");
    EXPECT_TRUE(isChecked(options, IDC_ASSOCIATE));
    EXPECT_TRUE(isChecked(options, IDC_LIMIT_UNDO));
    EXPECT_EQ(controlText(options, IDC_UNDO_LIMIT), "50");
    EXPECT_FALSE(isChecked(options, IDC_SHORTEN_NAMES)) << "off until chosen";
    screenshot(options, "options");
    setChecked(options, IDC_SHORTEN_NAMES, true);
    setChecked(options, IDC_LIMIT_UNDO, false);
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(options, IDC_UNDO_LIMIT); })) << "the limit edit follows its box";
    setControlText(options, IDC_UNDO_LIMIT, "");
    refused(options, "Please enter an integer.");
    for (const char* outside : {"0", "1000001"}) {
        setControlText(options, IDC_UNDO_LIMIT, outside);
        refused(options, "Please enter an integer between 1 and 1000000.");
    }
    setControlText(options, IDC_UNDO_LIMIT, "1000000");
    setChecked(options, IDC_ASSOCIATE, false);
    click(options, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(options); }));
    EXPECT_TRUE(waitUntil([&] { return !registry->keyExists(".REN"); })) << "removed at once";
    EXPECT_FALSE(registry->keyExists("BRAXEN.File.REN"));

    pressKey(main, VK_ESCAPE);
    ASSERT_TRUE(program->waitForExit());
    const std::string ini = readFile(home / "braxen.ini");
    EXPECT_NE(ini.find("regfiletype=0\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("limitUndo=0\r\nundoLimit=1000000\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("shortenNames=1\r\n"), std::string::npos) << ini;
}

using UndoLimitTest = SystemMenuFixture;

// A limit edited by hand beyond what the dialog accepts is shown, used and saved as the default.
TEST_F(UndoLimitTest, OptionsShowTheDefaultForAStoredLimitOutOfRange) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"4294967295", "50"}, {"-5", "50"},           {"0", "50"},
                 {"1000001", "50"},    {"1000000", "1000000"}, {"1", "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        testing_support::writeFile(home / "braxen.ini", std::string("[options]\r\nundoLimit=") + c.stored + "\r\n");
        ASSERT_NE(startApp(), nullptr);
        HWND options = open(IDM_OPTIONS, "Calderwynstrope - Options");
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(controlText(options, IDC_UNDO_LIMIT), c.shown);
        click(options, IDCANCEL);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(options); }));
        pressKey(main, VK_ESCAPE);
        ASSERT_TRUE(program->waitForExit());
        EXPECT_NE(readFile(home / "braxen.ini").find(std::string("undoLimit=") + c.shown + "\r\n"), std::string::npos);
    }
}

TEST_F(SystemMenuTest, AboutFlipsItsBannerBackAndForth) {
    HWND about = open(IDM_ABOUT, "Calderwynstrope - About");
    ASSERT_NE(about, nullptr);
    // A click on the icon turns each line of the banner round; a second one turns it back.
    std::string flipped, line;
    for (const char* c = core::kAboutBanner;; ++c) {
        if (*c == '\n' || *c == '\0') {
            flipped.append(line.rbegin(), line.rend());
            line.clear();
            if (*c == '\0') break;
            flipped += '\n';
        } else {
            line += *c;
        }
    }
    EXPECT_EQ(controlText(about, IDC_BANNER), core::kAboutBanner);
    EXPECT_EQ(controlText(about, IDC_HOMEPAGE), "Calderwynstrope Help");
    screenshot(about, "about");
    chooseCommand(about, IDC_ABOUT_ICON);  // a click on the icon
    EXPECT_TRUE(waitUntil([&] { return controlText(about, IDC_BANNER) == flipped; }));
    chooseCommand(about, IDC_ABOUT_ICON);
    EXPECT_TRUE(waitUntil([&] { return controlText(about, IDC_BANNER) == core::kAboutBanner; }));
    click(about, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }));
}

TEST_F(SystemMenuTest, F1AndHelpOpenTheHelpPageAndTheHelpArrowOffersOptionsAndAbout) {
    // The test's copy has no page beside it: the message names where it belongs.
    const std::string missing =
        "The help page \"" + home.path() + "\\help.html\" is missing. Installing the program again brings it back.";
    for (bool f1 : {true, false}) {
        SCOPED_TRACE(f1 ? "F1" : "Help");
        if (f1) {
            SetForegroundWindow(main);
            ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == main; }));
            keybd_event(VK_F1, 0, 0, 0);
            keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
        } else {
            click(main, IDC_HELP_BUTTON);
        }
        HWND box = waitForMessageBox(*program, "Error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(messageBoxText(box), missing);
        pressMessageBoxButton(box, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    }

    // Where no program is set up for web pages, the page shows as text, with its path.
    testing_support::writeFile(home / "help.html", "<h1>Help</h1><ol><li>Pick a folder &amp; a pattern</li></ol>");
    HKEY html = nullptr;
    DWORD made = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\.html", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &html, &made),
              ERROR_SUCCESS);
    DWORD size = 0;
    const bool hadDefault = RegQueryValueExW(html, nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    std::wstring old(size / sizeof(wchar_t) + 1, L'\0');
    if (hadDefault) RegQueryValueExW(html, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old.data()), &size);
    const wchar_t none[] = L"CalderwynstropeTest.NoViewer";
    RegSetValueExW(html, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(none), sizeof(none));
    click(main, IDC_HELP_BUTTON);
    HWND text = program->waitForWindow("Calderwynstrope - Help");
    if (hadDefault) {
        RegSetValueExW(html, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                       static_cast<DWORD>((wcslen(old.c_str()) + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(html, nullptr);
    }
    RegCloseKey(html);
    if (made == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Classes\\.html");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(controlText(text, IDC_HELP_PATH), home.path() + "\\help.html");
    EXPECT_EQ(controlText(text, IDC_HELP_TEXT), "Help\r\n\r\n1. Pick a folder & a pattern\r\n");
    click(text, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(text); }));

    RECT button{};
    GetWindowRect(control(main, IDC_HELP_BUTTON), &button);
    const POINT arrow{button.right - 4, (button.top + button.bottom) / 2};
    SetForegroundWindow(main);
    for (DWORD step : {DWORD{0}, DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) movePointer(arrow, step);
    HWND menu = waitForMenuWindow();
    ASSERT_NE(menu, nullptr) << "the arrow opened no menu";
    keybd_event('A', 0, 0, 0);  // "&About..."
    keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
    HWND about = program->waitForWindow("Calderwynstrope - About");
    ASSERT_NE(about, nullptr);
    click(about, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }));
}

}  // namespace

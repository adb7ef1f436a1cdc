// Filters that do not come from the built-in dialogs: plug-ins through the Add menu, filter files
// dropped on the main dialog (and folders and music files, which choose the folder), and lines
// that cannot be edited. The main dialog runs inside the
// test, so that its menus can be read and files handed to it.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shlobj.h>

#include <cstring>
#include <filesystem>

#include "calderwynstrope/version.h"
#include "core/app/app_context.h"
#include "core/base/strings.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "space_replacer/space_replacer_resource.h"
#include "support/temp_folder.h"
#include "ui/app/main_dialog.h"
#include "ui/in_process.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr const char* kPluginMissing = "Error: couldn't find the plugin for the selected menu item.";

class FilterSourcesTest : public ::testing::Test {
protected:
    // Runs the main dialog over `home` with the plug-ins of `pluginFolder`, started with
    // `commandLine`, until `check` returns.
    template <typename Check>
    void run(const std::string& commandLine, Check check) {
        // No association: the dialog runs inside the test program, which must not be registered.
        writeFile(home / "braxen.ini", "[options]\r\nregfiletype=0\r\npluginsdir=" + pluginFolder.path() + "\\\r\n");
        core::AppContext context(core::AppPaths::in(home.path()));
        ui::MainDialog dialog(commandLine, context);
        runInProcess(dialog, core::kMainTitle, check);
    }
    void addPlugin(const std::string& folder, const std::string& dll) {
        std::filesystem::copy_file(std::filesystem::u8path(testProgramFolder() + folder + "\\" + dll),
                                   std::filesystem::u8path(pluginFolder / dll));
    }
    // A box of this process titled `title` says `text`, and is answered.
    static void answered(const std::string& title, const std::string& text, int button = IDOK) {
        HWND box = waitForProcessMessageBox(GetCurrentProcessId(), title);
        ASSERT_NE(box, nullptr) << text;
        EXPECT_EQ(messageBoxText(box), text);
        pressMessageBoxButton(box, button);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    }
    static void doubleClickLine(HWND window, int index) {
        HWND list = control(window, IDC_FILTERS);
        RECT line{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line));
        setListSelection(window, IDC_FILTERS, index);
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(line.left + 5, line.top + 2));
    }
    static std::vector<std::string> lines(HWND window) {
        std::vector<std::string> all;
        for (int i = 0; i < listCount(window, IDC_FILTERS); ++i) all.push_back(listText(window, IDC_FILTERS, i));
        return all;
    }

    TempFolder home, pluginFolder;
};

// The items after the Add menu's separator, "*" marking a greyed one.
std::vector<std::string> pluginItems(HMENU menu) {
    std::vector<std::string> items;
    bool afterSeparator = false;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            afterSeparator = true;
        } else if (afterSeparator) {
            items.push_back(menuItemText(menu, i) + (state & MF_GRAYED ? "*" : ""));
        }
    }
    return items;
}

// Keys for the open menu, as a person presses them: they go to the thread that tracks it.
void menuKeys(HWND menuWindow, std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PostMessageW(menuWindow, WM_KEYDOWN, key, 1);
        PostMessageW(menuWindow, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    }
}

TEST_F(FilterSourcesTest, TheAddMenuListsThePluginsAndACommandWithoutOneIsRefused) {
    const struct {
        std::vector<std::string> dlls;
        std::vector<std::string> items;
    } cases[] = {
        {{}, {"(no plugins)*"}},
        {{"test_plugin_upper.dll", "space_replacer.dll"}, {"Replace spaces with...", "Test upper"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items.front());
        for (const std::string& dll : c.dlls) addPlugin(dll == "space_replacer.dll" ? "plugins" : "test_plugins", dll);
        run("", [&](HWND window) {
            click(window, IDC_ADD);
            HMENU menu = waitForPopupMenu();
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(pluginItems(menu), c.items);
            menuKeys(FindWindowW(L"#32768", nullptr), {VK_ESCAPE});
            EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(FindWindowW(L"#32768", nullptr)); }));
            // The next plug-in's command, as a menu that another copy built would send it.
            chooseCommand(window, ID_PLUGIN_FIRST + static_cast<int>(c.dlls.size()));
            answered(core::loadString(core::IDS_APP_TITLE), kPluginMissing);
            EXPECT_EQ(listCount(window, IDC_FILTERS), 0);
        });
        std::filesystem::remove_all(std::filesystem::u8path(pluginFolder.path()));
        platform::createFolder(pluginFolder.path());
    }
}

TEST_F(FilterSourcesTest, APluginAddsAndEditsItsFilterThroughItsOwnDialog) {
    addPlugin("plugins", "space_replacer.dll");
    addPlugin("test_plugins", "test_plugin_upper.dll");
    run("", [&](HWND window) {
        click(window, IDC_ADD);
        ASSERT_NE(waitForPopupMenu(), nullptr);
        menuKeys(FindWindowW(L"#32768", nullptr), {VK_UP, VK_UP, VK_RETURN});  // "Replace spaces with..."
        HWND plugin = waitForProcessWindow(GetCurrentProcessId(), "Replace Spaces");
        ASSERT_NE(plugin, nullptr);
        setControlText(plugin, IDC_REPLACEMENT, "+");
        click(plugin, IDOK);
        ASSERT_TRUE(waitUntil([&] { return listCount(window, IDC_FILTERS) == 1; }));
        EXPECT_EQ(listText(window, IDC_FILTERS, 0), "Replace spaces with \"+\"");

        // The test plug-in accepts a new filter and declines every edit.
        chooseCommand(window, ID_PLUGIN_FIRST + 1);
        ASSERT_TRUE(waitUntil([&] { return listCount(window, IDC_FILTERS) == 2; }));
        EXPECT_EQ(listText(window, IDC_FILTERS, 1), "Test plug-in 3");

        doubleClickLine(window, 0);
        plugin = waitForProcessWindow(GetCurrentProcessId(), "Replace Spaces");
        ASSERT_NE(plugin, nullptr);
        EXPECT_EQ(controlText(plugin, IDC_REPLACEMENT), "+") << "the filter's own value";
        setControlText(plugin, IDC_REPLACEMENT, "-");
        click(plugin, IDOK);
        EXPECT_TRUE(waitUntil([&] { return listText(window, IDC_FILTERS, 0) == "Replace spaces with \"-\""; }));
        EXPECT_EQ(listSelection(window, IDC_FILTERS), 0);

        doubleClickLine(window, 1);
        waitForHandled(window);
        EXPECT_EQ(lines(window), (std::vector<std::string>{"Replace spaces with \"-\"", "Test plug-in 3"}));
    });
}

TEST_F(FilterSourcesTest, ALineThatCannotBeEditedSaysWhyAndStaysAsItWas) {
    core::Rule unknown, lostPlugin;
    unknown.type = 12;
    unknown.description = "From a newer program";
    lostPlugin.type = core::Plugin;  // an older file's: its plug-in is not named
    lostPlugin.description = "From a plug-in";
    core::writeFilterFile(home / "odd.ren", {unknown, lostPlugin});
    run(home / "odd.ren", [&](HWND window) {
        ASSERT_EQ(listCount(window, IDC_FILTERS), 2);
        const struct {
            int line;
            std::string title, text;
        } cases[] = {
            {0, "Critical Error", core::formatString(core::IDS_INVALID_FILTER, {std::int64_t{12}})},
            {1, core::loadString(core::IDS_APP_TITLE), kPluginMissing},
        };
        for (const auto& c : cases) {
            doubleClickLine(window, c.line);
            answered(c.title, c.text);
        }
        EXPECT_EQ(lines(window), (std::vector<std::string>{"From a newer program", "From a plug-in"}));
    });
}

// What the shell hands a window that files were dropped on.
HGLOBAL droppedFiles(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& path : paths) list += platform::win32::widen(path) + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
}

TEST_F(FilterSourcesTest, DroppedFilterFilesLoadAndDroppedFoldersOrFilesChooseTheFolder) {
    const auto append = [](const char* end) { return *core::buildFilter("--append", {{"", end}}).rule; };
    core::writeFilterFile(home / "one.ren", {append("_1")});
    core::writeFilterFile(home / "two.ren", {append("_a"), append("_b")});
    // A folder deep enough that the file's path is longer than 520 characters.
    std::string deep = home.path();
    while (deep.size() < 540) deep += "\\" + std::string(40, 'd');
    std::filesystem::create_directories(std::filesystem::u8path(deep));
    core::writeFilterFile(deep + "\\deep.ren", {append("_deep")});
    writeFile(home / "bad.ren", "not a filter file");
    writeFile(home / "song.mp3", "");
    writeFile(home / "a;b.mp3", "");
    std::filesystem::create_directories(std::filesystem::u8path(home / "album"));
    const std::vector<std::string> ab = {"Append: \"_a\" at end", "Append: \"_b\" at end"};
    const std::vector<std::string> deepLine = {"Append: \"_deep\" at end"};
    const struct {
        std::vector<std::string> dropped;
        std::vector<std::string> lines;
        bool refused;
        std::string folder, pattern;  // what the boxes show after the drop
    } cases[] = {
        {{home / "two.ren", home / "one.ren"}, ab, false, "", "*.mp3"},
        {{home / "bad.ren"}, ab, true, "", "*.mp3"},
        {{deep + "\\deep.ren"}, deepLine, false, "", "*.mp3"},
        {{home / "album"}, deepLine, false, home / "album", "*.mp3"},
        {{home / "song.mp3"}, deepLine, false, home.path() + "\\", "song.mp3"},
        // Files of another folder are left out; a semicolon in a name is matched by "?".
        {{home / "a;b.mp3", deep + "\\deep.ren", home / "song.mp3"},
         deepLine,
         false,
         home.path() + "\\",
         "a?b.mp3;song.mp3"},
        {{home / "song.mp3", home / "album"}, deepLine, false, home / "album", "a?b.mp3;song.mp3"},
    };
    run(home / "one.ren", [&](HWND window) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.dropped.front());
            PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(droppedFiles(c.dropped)), 0);
            if (c.refused) {
                HWND box = waitForProcessMessageBox(GetCurrentProcessId(), "Critical Error");
                ASSERT_NE(box, nullptr);
                const std::string failed = core::loadString(core::IDS_LOAD_FILTERS_FAILED);
                EXPECT_EQ(messageBoxText(box).substr(0, 40), failed.substr(0, 40));
                pressMessageBoxButton(box, IDOK);
                ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
            }
            // All at once: the dialog's thread may be setting one box while the test reads another.
            EXPECT_TRUE(waitUntil([&] {
                return lines(window) == c.lines && controlText(window, IDC_FOLDER) == c.folder &&
                       controlText(window, IDC_PATTERN) == c.pattern;
            })) << controlText(window, IDC_FOLDER)
                << " | " << controlText(window, IDC_PATTERN);
            waitForHandled(window);
        }
    });
}

}  // namespace

// The program at 150%: laid out at the display's scale from its start, and laid out again when a
// window moves to a display of another scale.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include <functional>
#include <memory>
#include <set>

#include "calderwynstrope/version.h"
#include "core/app/app_context.h"
#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "core/rules/filter_kinds.h"
#include "resource.h"
#include "support/temp_folder.h"
#include "ui/app/main_dialog.h"
#include "ui/app/options_about.h"
#include "ui/app_fixture.h"
#include "ui/in_process.h"
#include "ui/ui_driver.h"
#include "ui/undo/undo_dialogs.h"

namespace {

using namespace ui_testing;

// The display scale of the programs started while the object lives, as the system's setting.
class DisplayScale {
public:
    explicit DisplayScale(DWORD dpi) {
        DWORD size = sizeof(previous_);
        had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &previous_, &size) ==
               ERROR_SUCCESS;
        set(dpi);
    }
    ~DisplayScale() {
        if (had_) {
            set(previous_);
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
        }
    }

private:
    static void set(DWORD dpi) { RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof(dpi)); }
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    static constexpr const wchar_t* kValue = L"LogPixels";
    DWORD previous_ = 0;
    bool had_ = false;
};

class HighDpiTest : public AppFixture {};

TEST_F(HighDpiTest, AtOneAndAHalfTimesTheScaleTheWindowsAreOneAndAHalfTimesAsLarge) {
    core::writeFilterFile(home / "x.ren", {*core::buildFilter("--append", {{"", "_x"}}).rule,
                                           *core::buildFilter("--case", {{"upper"}}).rule});
    const struct {
        DWORD dpi;
        const char* screenshot;
    } scales[] = {{96, "main_dialog_100"}, {144, "main_dialog_150"}, {192, "main_dialog_200"}};
    SIZE client[3] = {};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(scales[i].dpi);
        DisplayScale scale(scales[i].dpi);
        ASSERT_NE(startApp(home / "x.ren"), nullptr);
        setControlText(main, IDC_FOLDER, "C:\\Music\\");
        setControlText(main, IDC_PATTERN, "*.mp3");
        ASSERT_TRUE(waitUntil([&] { return isEnabled(main, IDC_RENAME); }));
        RECT rect{};
        GetClientRect(main, &rect);
        client[i] = SIZE{rect.right, rect.bottom};
        screenshot(main, scales[i].screenshot);
        click(main, IDC_UNDO);
        HWND undo = program->waitForWindow("Calderwynstrope - Undo");
        ASSERT_NE(undo, nullptr);
        // At least its width for the scale; wider where the list has room.
        EXPECT_GE(SendMessageW(control(undo, IDC_UNDO_LIST), LVM_GETCOLUMNWIDTH, 0, 0),
                  MulDiv(225, static_cast<int>(scales[i].dpi), 96));
        click(undo, IDCANCEL);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
        // The longest texts, to be looked at: a filter dialog's sentences, an empty preview's message.
        const std::string percent = std::to_string(scales[i].dpi * 100 / 96);
        const struct {
            int command;
            const char* title;
            const char* screenshot;
        } dialogs[] = {{ID_ADD_NUMBER, "Number Replace", "number_replace_"},
                       {ID_ADD_CHANGECASE, "Change Case Filter", "change_case_"},
                       {ID_ADD_ID3, "Tags Filter", "tags_"}};
        for (const auto& d : dialogs) {
            chooseCommand(main, d.command);
            HWND dialog = program->waitForWindow(d.title);
            ASSERT_NE(dialog, nullptr);
            screenshot(dialog, d.screenshot + percent);
            click(dialog, IDCANCEL);
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
        }
        setControlText(main, IDC_FOLDER, home.path() + "\\");
        click(main, IDC_PREVIEW);
        HWND preview = program->waitForWindow("Calderwynstrope - Preview");
        ASSERT_NE(preview, nullptr);
        waitUntil([&] { return IsWindowVisible(control(preview, IDC_PREVIEW_EMPTY)); });
        screenshot(preview, "preview_empty_" + percent);
        click(preview, IDCANCEL);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(preview); }));
        pressKey(main, VK_ESCAPE);
        ASSERT_TRUE(program->waitForExit());
    }
    for (int i = 1; i < 3; ++i) {
        const double scale = scales[i].dpi / 96.0;
        // Dialog units follow the font, whose sizes are whole pixels: within 4% of the scale.
        EXPECT_NEAR(client[i].cx / static_cast<double>(client[0].cx), scale, 0.04 * scale) << scales[i].dpi;
        EXPECT_NEAR(client[i].cy / static_cast<double>(client[0].cy), scale, 0.04 * scale) << scales[i].dpi;
    }
}

int fontHeight(HWND control) {
    LOGFONTW log{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(log), &log);
    return log.lfHeight;
}

int width(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

// Moved to a display at 150% and back, as the system tells a window: its size is the one the
// system proposes, its controls and every font (made in code too) grow and shrink with it.
TEST(DpiChange, DialogsAreLaidOutAgainForTheNewScale) {
    testing_support::TempFolder home;
    core::PluginManager plugins;
    // No association: the main dialog runs inside the test program, which must not be registered.
    testing_support::writeFile(home / "braxen.ini", "[options]\r\nregfiletype=0\r\n");
    core::AppContext context(core::AppPaths::in(home.path()));
    const struct {
        const char* title;
        std::function<std::unique_ptr<ui::ZelDialog>()> make;
        std::vector<int> controls;  // the first a push button
    } dialogs[] = {
        {"Calderwynstrope - Undo",
         [&] { return std::make_unique<ui::UndoDialog>(nullptr, plugins, core::AppPaths::in(home.path())); },
         {IDCANCEL}},
        {"Calderwynstrope - About",
         [] { return std::make_unique<ui::AboutDialog>(nullptr, "help.html"); },
         {IDOK, IDC_BANNER, IDC_HOMEPAGE}},
        {core::kMainTitle,
         [&] { return std::make_unique<ui::MainDialog>("", context); },
         {IDC_ADD, IDC_FOLDER, IDC_FILTERS}},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.title);
        auto dialog = d.make();
        runInProcess(*dialog, d.title, [&](HWND window) {
            RECT start{};
            GetWindowRect(window, &start);
            std::vector<int> heights;
            for (int id : d.controls) heights.push_back(fontHeight(control(window, id)));
            const int buttonWidth = width(control(window, d.controls[0]));
            HWND list = GetDlgItem(window, IDC_UNDO_LIST);
            const int column = list ? ListView_GetColumnWidth(list, 0) : 0;
            for (const UINT dpi : {144u, 96u}) {
                SCOPED_TRACE(dpi);
                const auto scaled = [&](int value) { return MulDiv(value, static_cast<int>(dpi), 96); };
                RECT suggested{start.left, start.top, start.left + scaled(start.right - start.left),
                               start.top + scaled(start.bottom - start.top)};
                SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
                RECT now{};
                GetWindowRect(window, &now);
                EXPECT_TRUE(EqualRect(&now, &suggested));
                EXPECT_NEAR(width(control(window, d.controls[0])), scaled(buttonWidth), 2);
                for (std::size_t i = 0; i < d.controls.size(); ++i) {
                    EXPECT_NEAR(fontHeight(control(window, d.controls[i])), scaled(heights[i]), 1) << d.controls[i];
                }
                if (list) {
                    // At least the scaled width: the last column also fills the list.
                    EXPECT_GE(ListView_GetColumnWidth(list, 0), scaled(column) - 2);
                    int cx = 0, cy = 0;
                    ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &cx, &cy);
                    EXPECT_EQ(cx, dpi == 144 ? 23 : 15) << "the images drawn for the scale";
                }
            }
        });
    }
}

// Both icons hold an image drawn at each size the system asks for from 100% to 200%, and for its
// large views, so none is stretched.
TEST(Icons, EverySizeIsDrawn) {
    for (const int id : {IDI_APP, IDI_FILTER_FILE}) {
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr) << id;
        const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
        ASSERT_NE(directory, nullptr);
        std::set<int> sizes;
        const WORD count = *reinterpret_cast<const WORD*>(directory + 4);
        for (WORD i = 0; i < count; ++i) {
            const BYTE* entry = directory + 6 + 14 * i;  // width, height, ..., as packed in the resource
            sizes.insert(entry[0] == 0 ? 256 : entry[0]);
        }
        EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256})) << id;
    }
}

}  // namespace

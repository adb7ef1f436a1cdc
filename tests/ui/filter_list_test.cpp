// The main dialog's filter list: Delete key, context menu, drag and drop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/controls/handles.h"
#include "ui/filterui/filter_list.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::TempFolder;

class FilterListTest : public AppFixture {
protected:
    void SetUp() override {
        core::RuleList rules;
        for (const char* end : {"A", "B", "C"}) rules.push_back(*core::buildFilter("--append", {{"", end}}).rule);
        core::writeFilterFile(home / "abc.ren", rules);
        ASSERT_NE(startApp(home / "abc.ren"), nullptr);
        ASSERT_EQ(listCount(main, IDC_FILTERS), 3);
    }

    // The lines' end texts, top to bottom: "ABC" for the list as loaded.
    std::string order() {
        std::string letters;
        for (int i = 0; i < listCount(main, IDC_FILTERS); ++i) {
            const std::string line = listText(main, IDC_FILTERS, i);  // Append: "X" at end
            letters += line.size() > 9 ? line.substr(9, 1) : "?";
        }
        return letters;
    }

    // The screen point in the middle of a line, a little above its top edge when `top`.
    POINT linePoint(int index) {
        RECT rect{};
        SendMessageW(control(main, IDC_FILTERS), LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&rect));
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(control(main, IDC_FILTERS), &point);
        return point;
    }

    // A real drag with the mouse, from one line to another. Every event carries its own
    // position, so none can arrive where the pointer was before; as the drag reads where the
    // pointer is now, the next event waits until the program has dealt with this one.
    void mouse(DWORD flags, POINT at) {
        EXPECT_TRUE(movePointer(at, flags)) << "the pointer did not move";
        // Twice: the program may take the first just before the mouse event.
        waitForHandled(main);
        waitForHandled(main);
    }
    // Returns once the line has been dropped and the dialog has dealt with it.
    void drag(int from, int to) {
        HWND list = control(main, IDC_FILTERS);
        const POINT start = linePoint(from), end = linePoint(to);
        SetForegroundWindow(main);
        mouse(0, start);
        mouse(MOUSEEVENTF_LEFTDOWN, start);
        EXPECT_TRUE(waitUntil([&] { return captureWindow(main) == list; }, 3000)) << "the drag did not begin";
        for (int step = 1; step <= 10; ++step) {
            mouse(0, POINT{start.x + (end.x - start.x) * step / 10, start.y + (end.y - start.y) * step / 10});
        }
        mouse(MOUSEEVENTF_LEFTUP, end);
        EXPECT_TRUE(waitUntil([&] { return captureWindow(main) != list; }, 3000)) << "the line was not dropped";
        waitForHandled(main);
    }
};

TEST_F(FilterListTest, DeleteKeyRemovesTheSelectedLine) {
    HWND list = control(main, IDC_FILTERS);
    setListSelection(main, IDC_FILTERS, 2);
    pressKey(list, VK_DELETE);
    EXPECT_TRUE(waitUntil([&] { return order() == "AB"; }));
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 1) << "the line before the deleted one";
    setListSelection(main, IDC_FILTERS, 0);
    pressKey(list, VK_DELETE);
    EXPECT_TRUE(waitUntil([&] { return order() == "B"; }));
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 0);
}

// Which items the menu greys is the dialog base's popup refresh, tested in this process by the
// dialog base's own tests: another process's menu cannot be read under Wine.
TEST_F(FilterListTest, RightClickOpensTheMenuWithoutChangingTheSelection) {
    HWND list = control(main, IDC_FILTERS);
    for (const bool selected : {false, true}) {
        if (selected) setListSelection(main, IDC_FILTERS, 1);
        PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(10, 5));
        HWND menuWindow = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            menuWindow = FindWindowW(L"#32768", nullptr);
            return menuWindow && IsWindowVisible(menuWindow);
        }));
        EXPECT_EQ(listSelection(main, IDC_FILTERS), selected ? 1 : -1);
        if (selected) {
            // Pick Delete, as a click on it would.
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_DELETE, 0), 0);
        }
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(menuWindow); }));
    }
    EXPECT_TRUE(waitUntil([&] { return order() == "AC"; }));
}

TEST_F(FilterListTest, AltUpAndAltDownAndTheMenuCommandsMoveTheSelectedLine) {
    HWND list = control(main, IDC_FILTERS);
    const auto altKey = [&](WORD key) {
        PostMessageW(list, WM_SYSKEYDOWN, key, (1 << 29) | 1);  // bit 29: Alt is down
        PostMessageW(list, WM_SYSKEYUP, key, static_cast<LPARAM>(0xE0000001u));
    };
    setListSelection(main, IDC_FILTERS, 0);
    const struct {
        std::function<void()> act;
        const char* order;
        int selected;
    } steps[] = {
        {[&] { altKey(VK_DOWN); }, "BAC", 1},
        {[&] { altKey(VK_DOWN); }, "BCA", 2},
        {[&] { altKey(VK_DOWN); }, "BCA", 2},  // the last line stays last
        {[&] { altKey(VK_UP); }, "BAC", 1},
        {[&] { chooseCommand(main, ID_MOVE_UP); }, "ABC", 0},
        {[&] { chooseCommand(main, ID_MOVE_UP); }, "ABC", 0},
        {[&] { chooseCommand(main, ID_MOVE_DOWN); }, "BAC", 1},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_TRUE(waitUntil([&] { return order() == step.order; }, 3000)) << order() << " not " << step.order;
        waitForHandled(main);
        EXPECT_EQ(listSelection(main, IDC_FILTERS), step.selected) << step.order;
    }
}

TEST_F(FilterListTest, ShiftF10AndTheMenuKeyOpenTheContextMenu) {
    HWND list = control(main, IDC_FILTERS);
    setListSelection(main, IDC_FILTERS, 1);
    SetForegroundWindow(main);
    SendMessageW(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    ASSERT_TRUE(waitUntil([&] { return focusedWindow(main) == list; }));
    const auto keys = [](std::initializer_list<std::pair<BYTE, bool>> presses) {
        for (const auto& [key, down] : presses) keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
    };
    const std::function<void()> openers[] = {
        [&] {
            keys({{VK_SHIFT, true}, {VK_F10, true}, {VK_F10, false}, {VK_SHIFT, false}});
        },
        [&] {
            keys({{VK_APPS, true}, {VK_APPS, false}});
        },
    };
    for (const auto& open : openers) {
        open();
        HWND menuWindow = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            menuWindow = FindWindowW(L"#32768", nullptr);
            return menuWindow && IsWindowVisible(menuWindow);
        }));
        RECT menuRect{}, listRect{};
        GetWindowRect(menuWindow, &menuRect);
        GetWindowRect(list, &listRect);
        EXPECT_TRUE(menuRect.left >= listRect.left && menuRect.left < listRect.right) << "beside the list";
        keys({{VK_ESCAPE, true}, {VK_ESCAPE, false}});
        ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(menuWindow); }));
    }
    EXPECT_EQ(order(), "ABC");
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 1);
}

TEST_F(FilterListTest, DragAndDropMovesALineBeforeTheTarget) {
    drag(0, 2);  // A onto C: B, A, C
    EXPECT_TRUE(waitUntil([&] { return order() == "BAC"; }, 3000)) << order();
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 1);
    drag(2, 0);  // C onto B: C, B, A
    EXPECT_TRUE(waitUntil([&] { return order() == "CBA"; }, 3000)) << order();
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 0);
    drag(1, 2);  // B onto the line just below it: nothing changes
    EXPECT_EQ(order(), "CBA");
    // A plain click moves nothing and leaves no insert mark left of the list.
    settle(GetDoubleClickTime() + 100);  // not a double click on the line the last drag began on
    drag(1, 1);
    EXPECT_EQ(order(), "CBA");
    RECT list{};
    GetWindowRect(control(main, IDC_FILTERS), &list);
    const ui::WindowDC screen(nullptr);
    int marked = 0;
    for (LONG y = list.top; y < list.bottom; ++y) {
        for (LONG x = list.left - 6; x < list.left - 1; ++x)
            marked += GetPixel(screen.get(), x, y) != GetSysColor(COLOR_BTNFACE);
    }
    EXPECT_EQ(marked, 0) << "pixels of the mark are left";
}

// The model under the list: a move lands before its target, the other filters keep their order,
// and an index outside the list changes nothing.
TEST(FilterListModel, MovesAndRemovalsKeepTheOrder) {
    const struct {
        int from, before, landed;
        const char* order;
    } moves[] = {
        {0, 2, 1, "BAC"}, {0, 3, 2, "BCA"},   {2, 0, 0, "CAB"},
        {2, 1, 1, "ACB"}, {1, 1, 1, "ABC"},   {1, 2, 1, "ABC"},  // onto itself, or just below itself
        {3, 0, 3, "ABC"}, {-1, 0, -1, "ABC"}, {0, 4, 0, "ABC"},
    };
    const auto abc = [] {
        ui::FilterList list;
        for (const char* name : {"A", "B", "C"}) {
            core::Rule rule;
            rule.description = name;
            list.add(rule);
        }
        return list;
    };
    const auto order = [](const ui::FilterList& list) {
        std::string names;
        for (const core::Rule& rule : list.rules()) names += rule.description;
        return names;
    };
    for (const auto& c : moves) {
        ui::FilterList list = abc();
        EXPECT_EQ(list.move(c.from, c.before), c.landed) << c.from << " before " << c.before;
        EXPECT_EQ(order(list), c.order) << c.from << " before " << c.before;
    }
    for (const auto& [index, left] : {std::pair{1, "AC"}, {2, "AB"}, {3, "ABC"}, {-1, "ABC"}}) {
        ui::FilterList list = abc();
        list.remove(index);
        EXPECT_EQ(order(list), left) << index;
    }
}

}  // namespace

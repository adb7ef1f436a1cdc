// The title tip of the filter list: the whole text of a line too long for the list, shown over
// the line while the pointer rests on it; and the list's horizontal scroll range.
#include <gtest/gtest.h>

#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "platform/files.h"
#include "resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

class TitleTipTest : public AppFixture {
protected:
    void SetUp() override {
        const std::string longEnd = " - from the album that has a title far too long to fit in the list";
        core::RuleList rules;
        for (const std::string& end : {std::string("_a"), longEnd, std::string("_c")}) {
            rules.push_back(*core::buildFilter("--append", {{"", end}}).rule);
        }
        core::writeFilterFile(home / "tips.ren", rules);
        ASSERT_NE(startApp(home / "tips.ren"), nullptr);
        ASSERT_EQ(listCount(main, IDC_FILTERS), 3);
        list = control(main, IDC_FILTERS);
        SetForegroundWindow(main);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == main; }));
    }

    // The program's tip window, once it has made one.
    HWND tip() const {
        for (HWND window = FindWindowW(L"CalderwynstropeTitleTip", nullptr); window;
             window = FindWindowExW(nullptr, window, L"CalderwynstropeTitleTip", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == program->processId()) return window;
        }
        return nullptr;
    }
    bool tipShown() const { return tip() && IsWindowVisible(tip()); }
    // Where the pointer is and which window the program has active, for a tip that did not come.
    std::string pointerState() const {
        POINT at{};
        GetCursorPos(&at);
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
        const HWND under = WindowFromPoint(at);
        return "pointer at " + std::to_string(at.x) + "," + std::to_string(at.y) + " over " +
               (under == list ? std::string("the list") : className(under)) + "; line 1 at top " +
               std::to_string(lineRect(1).top) + "; the program's active window " +
               (info.hwndActive == main ? std::string("the main dialog") : className(info.hwndActive)) +
               (info.hwndCapture == list ? "; the list has the mouse" : "");
    }

    RECT lineRect(int index) const {
        RECT rect{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // The pointer on a line, a little in from its left end; the program has seen it move there.
    void hover(int index, int dx = 0) {
        const RECT line = lineRect(index);
        ASSERT_TRUE(movePointer(POINT{line.left + 20 + dx, (line.top + line.bottom) / 2}));
        waitForHandled(main);
        waitForHandled(main);
    }

    HWND list = nullptr;
};

TEST_F(TitleTipTest, ALineTooLongShowsItsWholeTextOverItselfAndAShortOneNone) {
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), client.right) << "the scroll bar reaches the end";

    hover(0);
    EXPECT_FALSE(waitUntil([&] { return tipShown(); }, 500)) << "a short line fits";
    hover(1);
    ASSERT_TRUE(waitUntil([&] { return tipShown(); })) << pointerState();
    const RECT line = lineRect(1);
    RECT shown{};
    GetWindowRect(tip(), &shown);
    EXPECT_EQ(shown.left, line.left - 2);
    EXPECT_EQ(shown.top, line.top - 2);
    EXPECT_EQ(shown.bottom - shown.top, line.bottom - line.top + 2);
    EXPECT_GT(shown.right, line.right + 100) << "as wide as the whole text";
    EXPECT_EQ(captureWindow(main), list) << "the list follows the pointer off the line";

    RECT area{};
    GetWindowRect(main, &area);
    UnionRect(&area, &area, &shown);
    platform::createFolder(testProgramFolder() + "screenshots");
    EXPECT_TRUE(saveScreenshot(area, testProgramFolder() + "screenshots\\title_tip.png"));

    hover(1, 30);  // along the line: still there
    EXPECT_TRUE(tipShown());
    hover(2);
    EXPECT_TRUE(waitUntil([&] { return !tipShown(); })) << "the short line has none";
    hover(1);
    ASSERT_TRUE(waitUntil([&] { return tipShown(); })) << pointerState();
    RECT rename{};
    GetWindowRect(control(main, IDC_RENAME), &rename);
    ASSERT_TRUE(movePointer(POINT{(rename.left + rename.right) / 2, (rename.top + rename.bottom) / 2}));
    EXPECT_TRUE(waitUntil([&] { return !tipShown(); })) << "gone when the pointer leaves the list";
    EXPECT_TRUE(waitUntil([&] { return captureWindow(main) != list; })) << "and the mouse let go";
}

TEST_F(TitleTipTest, TheTipGoesTenSecondsAfterThePointerCameToRest) {
    hover(1);
    ASSERT_TRUE(waitUntil([&] { return tipShown(); }));
    const DWORD shown = GetTickCount();
    ASSERT_TRUE(waitUntil([&] { return !tipShown(); }, 30000));
    const DWORD lasted = GetTickCount() - shown;
    EXPECT_GE(lasted, 9000u);
    EXPECT_LE(lasted, 25000u);  // one interval to notice the rest, at most one more on a busy machine
    EXPECT_NE(captureWindow(main), list);
}

TEST_F(TitleTipTest, NearTheRightEdgeOfTheScreenTheTipMovesLeft) {
    // The filter list's right edge at the screen's: the rest of the window goes past it.
    RECT window{}, filters{};
    GetWindowRect(main, &window);
    GetWindowRect(list, &filters);
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    SetWindowPos(main, nullptr, window.left + screen - filters.right, window.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(waitUntil([&] {
        RECT now{};
        GetWindowRect(list, &now);
        return now.right == screen;
    }));
    hover(1);
    ASSERT_TRUE(waitUntil([&] { return tipShown(); }));
    RECT shown{};
    GetWindowRect(tip(), &shown);
    EXPECT_LE(shown.right, screen);
    EXPECT_LT(shown.left, lineRect(1).left - 2);
}

TEST_F(TitleTipTest, NoTipAfterTheLinesChangeOrWhileAnotherProgramIsActive) {
    hover(1);
    ASSERT_TRUE(waitUntil([&] { return tipShown(); }));
    setListSelection(main, IDC_FILTERS, 0);
    pressKey(list, VK_DELETE);  // the long line moves up: the tip over it is out of date
    EXPECT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 2 && !tipShown(); }));
    setListSelection(main, IDC_FILTERS, 0);
    pressKey(list, VK_DELETE);  // the long line goes: the scroll range shrinks with it
    ASSERT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 1; }));
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_LT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), client.right);

    core::writeFilterFile(home / "long.ren", {*core::buildFilter("--append", {{"", std::string(90, 'x')}}).rule});
    Program other(testProgramFolder() + "fixture_program.exe", "form \"" + (home / "out.txt") + "\"");
    HWND form = other.waitForWindow("Fixture form");
    ASSERT_NE(form, nullptr);
    SetForegroundWindow(form);
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == form; }));
    // The main dialog stays beside the other program's window; its long line is under the pointer.
    setListSelection(main, IDC_FILTERS, 0);
    click(main, IDC_LOAD);
    ASSERT_TRUE(answerFileDialog(*program, "Load Filter Definition File...", home / "long.ren"));
    ASSERT_TRUE(waitUntil([&] { return listText(main, IDC_FILTERS, 0).size() > 90; }));
    SetForegroundWindow(form);
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == form; }));
    hover(0);
    hover(0, 40);
    EXPECT_FALSE(waitUntil([&] { return tipShown(); }, 1000)) << "another program is active";
}

}  // namespace

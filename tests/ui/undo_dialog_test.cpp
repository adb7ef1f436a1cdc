// The Undo dialog: a run recorded by the program, its properties, and undoing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/strings.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_factory.h"
#include "platform/files.h"
#include "support/temp_folder.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

#include <commctrl.h>

namespace {

using namespace ui_testing;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

enum : int { kUndoButton = 1074, kList = 1078, kUndoRun = 1079, kProperties = 15781 };

class UndoDialogTest : public AppFixture {
protected:
    void SetUp() override {
        core::writeFilterFile(home / "x.ren", {*core::makeAppend("", "_x").rule});
        ASSERT_NE(startApp(home / "x.ren"), nullptr);
    }
    HWND openUndo() {
        EXPECT_TRUE(waitUntil([&] { return isEnabled(main, kUndoButton); }));
        click(main, kUndoButton);
        return program->waitForWindow("Calderwynstrope - Undo");
    }
    int lines(HWND undo) { return static_cast<int>(SendMessageW(control(undo, kList), LVM_GETITEMCOUNT, 0, 0)); }

    TempFolder music;
};

TEST_F(UndoDialogTest, EmptyIndexOffersNothing) {
    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(lines(undo), 1) << "the empty-index line";
    pressKey(control(undo, kList), VK_HOME);
    settle(300);
    EXPECT_FALSE(isEnabled(undo, kUndoRun)) << "the empty-index line is no database";
    EXPECT_EQ(focusedWindow(undo), control(undo, IDCANCEL));
    click(undo, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

TEST_F(UndoDialogTest, PropertiesThenUndoRestoresTheNames) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) writeFile(music / name, name);
    setChecked(main, 1037, false);
    setControlText(main, 1044, music.path() + "\\");
    setControlText(main, 1045, "*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(main, 1048); }));
    click(main, 1048);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return controlText(progress, IDCANCEL) == "OK"; }));
    click(progress, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress) && platform::fileExists(home / "braxen.idx"); }));
    ASSERT_TRUE(platform::fileExists(music / "1_x.mp3"));

    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(lines(undo), 1);
    EXPECT_FALSE(isEnabled(undo, kUndoRun)) << "nothing selected yet";
    pressKey(control(undo, kList), VK_HOME);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(undo, kUndoRun); }));

    chooseCommand(undo, kProperties);
    HWND properties = program->waitForWindow("Calderwynstrope - Undo Database Properties");
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(controlText(properties, 1088).size(), 12u);
    EXPECT_EQ(controlText(properties, 1090), "3 entries");
    EXPECT_EQ(controlText(properties, 1092), "3 KB");  // 148 + 3 x 780 + 784 bytes
    EXPECT_EQ(listCount(properties, 1082), 1);
    EXPECT_EQ(listText(properties, 1082, 0), "Append: \"_x\" at end");
    screenshot(properties, "undo_properties");
    click(properties, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(properties); }));

    screenshot(undo, "undo");
    click(undo, kUndoRun);
    HWND question = waitForMessageBox(*program, "Calderwynstrope");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(messageBoxText(question), core::loadString(core::IDS_CONFIRM_UNDO));
    pressMessageBoxButton(question, IDYES);
    HWND undoing = program->waitForWindow("Calderwynstrope - Undo Progress");
    ASSERT_NE(undoing, nullptr);
    EXPECT_TRUE(waitUntil(
        [&] { return controlText(undoing, 1099) == "Undoing complete:\r\n\r\n3 files were successfully undone."; }));
    EXPECT_TRUE(waitUntil([&] { return controlText(undoing, IDCANCEL) == "OK"; }));
    click(undoing, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(undoing); }));
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) EXPECT_EQ(readFile(music / name), name);
    EXPECT_TRUE(waitUntil([&] { return lines(undo) == 1 && !isEnabled(undo, kUndoRun); })) << "now empty";
    click(undo, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

}  // namespace

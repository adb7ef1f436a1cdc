// The Undo dialog: a run recorded by the program, its properties, and undoing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/base/strings.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "core/undo/journal.h"
#include "core/undo/undo_index.h"
#include "platform/files.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

#include <commctrl.h>

namespace {

using namespace ui_testing;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

class UndoDialogTest : public AppFixture {
protected:
    void SetUp() override {
        core::writeFilterFile(home / "x.ren", {*core::buildFilter("--append", {{"", "_x"}}).rule});
        ASSERT_NE(startApp(home / "x.ren"), nullptr);
    }
    HWND openUndo() {
        EXPECT_TRUE(waitUntil([&] { return isEnabled(main, IDC_UNDO); }));
        click(main, IDC_UNDO);
        return program->waitForWindow("Calderwynstrope - Undo");
    }
    int lines(HWND undo) {
        return static_cast<int>(SendMessageW(control(undo, IDC_UNDO_LIST), LVM_GETITEMCOUNT, 0, 0));
    }
    int selectedLine(HWND undo) {
        return static_cast<int>(
            SendMessageW(control(undo, IDC_UNDO_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }

    TempFolder music;
};

TEST_F(UndoDialogTest, EmptyIndexOffersNothing) {
    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(lines(undo), 1) << "the empty-index line";
    pressKey(control(undo, IDC_UNDO_LIST), VK_HOME);
    ASSERT_TRUE(waitUntil([&] { return selectedLine(undo) == 0; })) << "Home selects the line";
    EXPECT_FALSE(waitUntil([&] { return isEnabled(undo, IDC_UNDO_RUN); }, 600))
        << "the empty-index line is no database";
    EXPECT_EQ(focusedWindow(undo), control(undo, IDCANCEL));
    click(undo, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

TEST_F(UndoDialogTest, PropertiesThenUndoRestoresTheNames) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) writeFile(music / name, name);
    setChecked(main, IDC_CONFIRM_ON, false);
    setControlText(main, IDC_FOLDER, music.path() + "\\");
    setControlText(main, IDC_PATTERN, "*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(main, IDC_RENAME); }));
    click(main, IDC_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return controlText(progress, IDCANCEL) == "OK"; }));
    click(progress, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress) && platform::fileExists(home / "braxen.idx"); }));
    ASSERT_TRUE(platform::fileExists(music / "1_x.mp3"));

    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(lines(undo), 1);
    EXPECT_EQ(listViewText(undo, IDC_UNDO_LIST, 0, 1), music.path() + "\\") << "the run's folder";
    EXPECT_FALSE(isEnabled(undo, IDC_UNDO_RUN)) << "nothing selected yet";
    pressKey(control(undo, IDC_UNDO_LIST), VK_HOME);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(undo, IDC_UNDO_RUN); }));

    chooseCommand(undo, ID_UNDO_PROPERTIES);
    HWND properties = program->waitForWindow("Calderwynstrope - Undo Database Properties");
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(controlText(properties, IDC_PROP_NAME).size(), 12u);
    EXPECT_EQ(controlText(properties, IDC_PROP_COUNT), "3 entries, 3 verified by file identity");
    // 84 + 3 x (23 + the folder + 12) + 3 x 8 + 72 + 784 bytes
    EXPECT_EQ(controlText(properties, IDC_PROP_SIZE), "1 KB");
    EXPECT_EQ(controlText(properties, IDC_PROP_FOLDER), music.path() + "\\");
    EXPECT_EQ(listCount(properties, IDC_PROP_FILTERS), 1);
    EXPECT_EQ(listText(properties, IDC_PROP_FILTERS, 0), "Append: \"_x\" at end");
    screenshot(properties, "undo_properties");
    click(properties, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(properties); }));

    screenshot(undo, "undo");
    click(undo, IDC_UNDO_RUN);
    HWND question = waitForMessageBox(*program, "Calderwynstrope");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(messageBoxText(question), core::loadString(core::IDS_CONFIRM_UNDO));
    pressMessageBoxButton(question, IDYES);
    HWND undoing = program->waitForWindow("Calderwynstrope - Undo Progress");
    ASSERT_NE(undoing, nullptr);
    EXPECT_TRUE(waitUntil([&] {
        return controlText(undoing, IDC_UNDO_STATUS) ==
               "Undoing complete:\r\n\r\n3 files undone, 0 already back, 0 failed.";
    }));
    EXPECT_TRUE(waitUntil([&] { return controlText(undoing, IDCANCEL) == "OK"; }));
    click(undoing, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(undoing); }));
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) EXPECT_EQ(readFile(music / name), name);
    EXPECT_TRUE(waitUntil([&] { return lines(undo) == 1 && !isEnabled(undo, IDC_UNDO_RUN); })) << "now empty";
    // The keyboard still works: Tab moves on, Escape closes.
    HWND focused = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (focused = focusedWindow(undo)) && IsWindowEnabled(focused); }));
    pressKey(focused, VK_TAB);
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(undo) != focused && focusedWindow(undo); }));
    pressKey(focusedWindow(undo), VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

// Databases that are gone or damaged, and one deleted, always the top line. A line goes when
// its database is gone or deleted; a damaged one is set aside when undone, never deleted.
TEST_F(UndoDialogTest, DeleteAndDatabasesThatAreGoneOrDamaged) {
    const core::AppPaths paths = core::AppPaths::in(home.path());
    const std::string vanished = "The database you've selected doesn't exist;\n\nPress OK to remove it from the index.";
    const std::string loadFailed = core::loadString(core::IDS_LOAD_UNDO_FAILED);
    enum Action { DoubleClick, Properties, Delete };
    struct Box {
        std::string title, text;  // the start of the text
        int answer;
    };
    const struct {
        const char* name;
        bool file;
        Action action;
        std::vector<Box> boxes;
        bool lineStays;
    } cases[] = {
        {"GONEGONEGONE", false, DoubleClick, {{"Calderwynstrope", vanished, IDOK}}, false},
        {"LOSTLOSTLOST", false, Properties, {{"Calderwynstrope", vanished, IDOK}}, false},
        {"SPARESPARESP",
         true,
         Delete,
         {{"Calderwynstrope", "Are you sure you want to delete the selected item?", IDYES}},
         false},
        {"BROKENBROKEN",
         true,
         DoubleClick,
         {{"Calderwynstrope", core::loadString(core::IDS_CONFIRM_UNDO), IDYES},
          {"Critical Error", loadFailed.substr(0, loadFailed.find('\n')), IDOK}},
         false},
    };
    platform::createFolder(paths.undoFolder());
    for (const auto& c : cases) {
        if (c.file) writeFile(paths.undoFolder() + c.name, "not an undo database");
        ASSERT_TRUE(core::registerDatabase(paths, {c.name, c.name}, false, 50));
    }
    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    HWND list = control(undo, IDC_UNDO_LIST);
    int remaining = 4;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(listViewText(undo, IDC_UNDO_LIST, 0, 0), c.name);
        pressKey(list, VK_HOME);
        ASSERT_TRUE(waitUntil([&] { return isEnabled(undo, IDC_UNDO_RUN); }));
        if (c.action == DoubleClick) doubleClickListViewRow(undo, IDC_UNDO_LIST, 0);
        if (c.action == Properties) chooseCommand(undo, ID_UNDO_PROPERTIES);
        if (c.action == Delete) chooseCommand(undo, ID_UNDO_DELETE);
        for (const Box& expected : c.boxes) {
            HWND box = waitForMessageBox(*program, expected.title);
            ASSERT_NE(box, nullptr) << expected.text;
            EXPECT_EQ(messageBoxText(box).substr(0, expected.text.size()), expected.text);
            pressMessageBoxButton(box, expected.answer);
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
        }
        if (!c.lineStays) --remaining;
        EXPECT_TRUE(waitUntil([&] { return lines(undo) == std::max(remaining, 1); })) << "or the empty-index line";
        EXPECT_EQ(core::parseIndex(readFile(home / "braxen.idx")).size(), static_cast<std::size_t>(remaining));
        EXPECT_EQ(platform::fileExists(paths.undoFolder() + c.name), c.file && c.lineStays);
        EXPECT_EQ(platform::fileExists(paths.undoFolder() + c.name + ".bad"), c.file && c.action == DoubleClick);
    }
    click(undo, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

// The record of an interrupted run whose folder is away is listed after the databases, and stays
// until the user deletes it.
TEST_F(UndoDialogTest, AKeptJournalIsListedUntilDeleted) {
    const core::AppPaths paths = core::AppPaths::in(home.path());
    const std::string folder = music / "usb";
    platform::createFolder(folder);
    writeFile(folder + "\\a.mp3", "a");
    std::string name;
    {
        core::RunJournal journal;
        journal.create(paths, {*core::buildFilter("--append", {{"", "_x"}}).rule});
        name = journal.name();
        const std::string prefix = folder + "\\";
        journal.waitDurable(journal.recordMove(prefix, "a.mp3", "b.mp3", *platform::entryId(prefix + "a.mp3")));
        platform::moveFile(prefix + "a.mp3", prefix + "b.mp3");
    }
    platform::moveFile(folder, music / "away");
    HWND undo = openUndo();
    ASSERT_NE(undo, nullptr);
    ASSERT_EQ(lines(undo), 1);
    EXPECT_NE(listViewText(undo, IDC_UNDO_LIST, 0, 0).find("(interrupted; folder not reachable: "), std::string::npos);
    pressKey(control(undo, IDC_UNDO_LIST), VK_HOME);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(undo, IDC_UNDO_RUN); }));
    chooseCommand(undo, ID_UNDO_DELETE);
    HWND box = waitForMessageBox(*program, "Calderwynstrope");
    ASSERT_NE(box, nullptr);
    pressMessageBoxButton(box, IDYES);
    EXPECT_TRUE(waitUntil([&] { return !platform::fileExists(paths.undoFolder() + name + ".jnl"); }));
    EXPECT_TRUE(
        waitUntil([&] { return listViewText(undo, IDC_UNDO_LIST, 0, 0) == "The database index file is empty"; }));
    click(undo, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(undo); }));
}

}  // namespace

// The built-in filters' edit dialogs, reached through the main dialog's Add menu and Edit button.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/strings.h"
#include "core/rules/filter_factory.h"
#include "support/temp_folder.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::TempFolder;

enum : int { kFilters = 1033, kEdit = 1039 };

class FilterDialogTest : public AppFixture {
protected:
    void SetUp() override { ASSERT_NE(startApp(), nullptr); }

    HWND add(int command, const char* title) {
        chooseCommand(main, command);
        return program->waitForWindow(title);
    }
    bool closed(HWND dialog) {
        return waitUntil([&] { return !IsWindow(dialog); }, 5000);
    }
    bool okEnabled(HWND dialog, bool enabled) {
        return waitUntil([&] { return isEnabled(dialog, IDOK) == enabled; }, 3000);
    }
};

TEST_F(FilterDialogTest, FindAndReplaceOpensOnUnderscoresAndRefusesFindEqualToReplace) {
    HWND dialog = add(15774, "Find and Replace Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(isChecked(dialog, 1041));
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(dialog) == control(dialog, 1041); }));
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, 1056) && !isEnabled(dialog, 1057); }));
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, kFilters) == 1; }));
    EXPECT_EQ(listText(main, kFilters, 0), "Replace: underscores with spaces");

    dialog = add(15774, "Find and Replace Filter");
    ASSERT_NE(dialog, nullptr);
    click(dialog, 1060);
    EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, 1056); }));
    setControlText(dialog, 1056, "a");
    setControlText(dialog, 1057, "A");
    ASSERT_TRUE(okEnabled(dialog, true));
    screenshot(dialog, "find_replace");
    click(dialog, IDOK);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), core::loadString(core::IDS_FIND_EQUALS_REPLACE));
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open";
    setChecked(dialog, 1096, true);
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, kFilters) == 2; }));
    EXPECT_EQ(listText(main, kFilters, 1), "Replace: \"a\" with \"A\" (match case)");
}

TEST_F(FilterDialogTest, AppendReportsTheFirstBadFieldOnce) {
    HWND dialog = add(15772, "Append Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(okEnabled(dialog, false));
    setChecked(dialog, 1039, true);
    setChecked(dialog, 1042, true);
    setControlText(dialog, 1031, "a:b");
    setControlText(dialog, 1040, "c?");
    ASSERT_TRUE(okEnabled(dialog, true));
    click(dialog, IDOK);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), core::invalidFilenameMessage());
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(dialog) == control(dialog, 1031); })) << "the front field";
    Sleep(300);
    EXPECT_EQ(waitForMessageBox(*program, "Error", 300), nullptr) << "one message only";
    setControlText(dialog, 1031, "front ");
    setChecked(dialog, 1042, false);  // the end text no longer counts
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, kFilters) == 1; }));
    EXPECT_EQ(listText(main, kFilters, 0), "Append: \"front \" at front");
}

TEST_F(FilterDialogTest, NumberReplaceEnablesOkOnlyForAUsableRange) {
    HWND dialog = add(15779, "Number Replace");
    ASSERT_NE(dialog, nullptr);
    setControlText(dialog, 1151, "5");
    setControlText(dialog, 1152, "5");
    setControlText(dialog, 1168, "%s - ");
    setControlText(dialog, 1165, "%s. ");
    EXPECT_TRUE(okEnabled(dialog, false)) << "equal limits";
    setControlText(dialog, 1151, "4");
    EXPECT_TRUE(okEnabled(dialog, true));
    setControlText(dialog, 1168, "%s%s");
    EXPECT_TRUE(okEnabled(dialog, false)) << "two numbers in the find form";
    setControlText(dialog, 1168, "Track %s");
    setControlText(dialog, 1165, "track %s");
    EXPECT_TRUE(okEnabled(dialog, false)) << "the same form, ignoring case";
    setControlText(dialog, 1165, "%s. ");
    EXPECT_TRUE(okEnabled(dialog, true));
    screenshot(dialog, "number_replace");
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, kFilters) == 1; }));
    EXPECT_EQ(listText(main, kFilters, 0), "NumReplace: (4 to 5) find=\"Track %s\" replace=\"%s. \"");
}

TEST_F(FilterDialogTest, PaddingDefaultsAndCancelAddsNothing) {
    HWND dialog = add(15775, "Padding Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(controlText(dialog, 1061), "([{");
    EXPECT_EQ(controlText(dialog, 1062), "-");
    EXPECT_EQ(controlText(dialog, 1063), ")]}");
    screenshot(dialog, "padding");
    for (int id : {1061, 1062, 1063}) setControlText(dialog, id, "");
    EXPECT_TRUE(okEnabled(dialog, false));
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    EXPECT_EQ(listCount(main, kFilters), 0);
}

TEST_F(FilterDialogTest, EditingKeepsThePlaceAndTheRuleFollowsTheDialog) {
    for (int command : {15773, 15776, 15778}) {  // Change Case, ID3v1, Flip
        const char* title = command == 15773   ? "Change Case Filter"
                            : command == 15776 ? "ID3v1 Filter"
                                               : "Filename Flip";
        HWND dialog = add(command, title);
        ASSERT_NE(dialog, nullptr) << title;
        if (command == 15776) {
            setControlText(dialog, 1086, "(%3) %1 - %2");
            EXPECT_TRUE(isChecked(dialog, 1087));
        }
        if (command == 15778) setControlText(dialog, 1167, " - ");
        EXPECT_TRUE(okEnabled(dialog, true));
        click(dialog, IDOK);
        ASSERT_TRUE(closed(dialog));
    }
    ASSERT_TRUE(waitUntil([&] { return listCount(main, kFilters) == 3; }));
    EXPECT_EQ(listText(main, kFilters, 0), "Change Case: all characters to Sentence case");
    EXPECT_EQ(listText(main, kFilters, 1), "ID3: \"(%3) %1 - %2\" (all fields must exist)");
    EXPECT_EQ(listText(main, kFilters, 2), "Flip at: \" - \"");

    setListSelection(main, kFilters, 1);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(main, kEdit); }));
    click(main, kEdit);
    HWND id3 = program->waitForWindow("ID3v1 Filter");
    ASSERT_NE(id3, nullptr);
    EXPECT_EQ(controlText(id3, 1086), "(%3) %1 - %2");
    EXPECT_TRUE(isChecked(id3, 1087)) << "a stored mask opens ticked";
    setChecked(id3, 1087, false);
    click(id3, IDOK);
    ASSERT_TRUE(closed(id3));
    EXPECT_TRUE(waitUntil([&] { return listText(main, kFilters, 1) == "ID3: \"(%3) %1 - %2\""; }));
    EXPECT_EQ(listSelection(main, kFilters), 1);
    EXPECT_EQ(listCount(main, kFilters), 3);

    setListSelection(main, kFilters, 0);
    click(main, kEdit);
    HWND changeCase = program->waitForWindow("Change Case Filter");
    ASSERT_NE(changeCase, nullptr);
    EXPECT_TRUE(isChecked(changeCase, 1154));
    setChecked(changeCase, 1158, true);
    click(changeCase, IDOK);
    ASSERT_TRUE(closed(changeCase));
    EXPECT_TRUE(waitUntil([&] { return listText(main, kFilters, 0) == "Change Case: all characters to tOGGLE cASE"; }));
}

}  // namespace

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

TEST(MainDialog, StartsWithItsTitleAndClosesWithClose) {
    Program program(testProgramFolder() + "calderwynstrope.exe");
    ASSERT_TRUE(program.started());
    HWND dialog = program.waitForWindow("Calderwynstrope - version 1.2");
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    EXPECT_EQ(className(dialog), "#32770");
    EXPECT_EQ(controlText(dialog, IDCANCEL), "&Close");

    platform::createFolder(testProgramFolder() + "screenshots");
    EXPECT_TRUE(saveScreenshot(dialog, testProgramFolder() + "screenshots\\main_dialog.png"));

    click(dialog, IDCANCEL);
    ASSERT_TRUE(program.waitForExit()) << "Close did not end the program";
    EXPECT_EQ(program.exitCode(), 0u);
}

}  // namespace

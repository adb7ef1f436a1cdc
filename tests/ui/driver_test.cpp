// The driver itself, against a fixture program: if these fail, every UI test is suspect.
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

const std::string fixture() {
    return testProgramFolder() + "fixture_program.exe";
}

TEST(UiDriver, ReadsAMessageBoxAndPressesItsButtons) {
    const struct { int button; } cases[] = {{IDYES}, {IDNO}, {IDCANCEL}};
    for (const auto& c : cases) {
        Program program(fixture(), "box \"Delete 3 files?\nThey are gone for good.\"");
        ASSERT_TRUE(program.started());
        HWND box = waitForMessageBox(program, "Fixture");
        ASSERT_NE(box, nullptr) << "no message box appeared";
        EXPECT_EQ(messageBoxText(box), "Delete 3 files?\nThey are gone for good.");
        pressMessageBoxButton(box, c.button);
        ASSERT_TRUE(program.waitForExit());
        EXPECT_EQ(program.exitCode(), static_cast<DWORD>(c.button));
    }
}

TEST(UiDriver, TypesTicksAndClicks) {
    testing_support::TempFolder folder;
    const std::string result = folder / "result.txt";
    Program program(fixture(), "form \"" + result + "\"");
    ASSERT_TRUE(program.started());
    HWND form = program.waitForWindow("Fixture form");
    ASSERT_NE(form, nullptr);

    setControlText(form, 100, "日本語 – ça");
    EXPECT_EQ(controlText(form, 100), "日本語 – ça");
    EXPECT_FALSE(isChecked(form, 101));
    setChecked(form, 101, true);
    EXPECT_TRUE(isChecked(form, 101));
    EXPECT_TRUE(isEnabled(form, IDOK));
    EXPECT_EQ(controlText(form, 101), "&Tick me");

    click(form, IDOK);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(testing_support::readFile(result), "日本語 – ça|1");
}

TEST(UiDriver, ScreenshotIsAPngOfTheWindowsSize) {
    testing_support::TempFolder folder;
    Program program(fixture(), "form \"" + (folder / "unused") + "\"");
    HWND form = program.waitForWindow("Fixture form");
    ASSERT_NE(form, nullptr);
    const std::string png = folder / "form.png";
    ASSERT_TRUE(saveScreenshot(form, png));
    const std::string bytes = testing_support::readFile(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    RECT rect;
    GetWindowRect(form, &rect);
    const auto bigEndian = [&](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(bigEndian(16), static_cast<unsigned>(rect.right - rect.left));
    EXPECT_EQ(bigEndian(20), static_cast<unsigned>(rect.bottom - rect.top));
}

}  // namespace

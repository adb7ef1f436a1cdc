// The real calderwynstrope.exe copied into a folder of its own for one test, as a portable copy so
// that its braxen.ini, braxen.idx and undo folder land there, and started.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "calderwynstrope/version.h"
#include "platform/files.h"
#include "support/temp_folder.h"
#include "ui/ui_driver.h"

namespace ui_testing {

class AppFixture : public ::testing::Test {
protected:
    // Starts the program with a command-line tail and waits for its main dialog (also in `main`).
    HWND startApp(const std::string& arguments = std::string()) {
        const std::string copy = home / "calderwynstrope.exe";
        if (!platform::fileExists(copy)) {
            std::filesystem::copy_file(std::filesystem::u8path(testProgramFolder() + "calderwynstrope.exe"),
                                       std::filesystem::u8path(copy));
            // A portable copy: its files stay in its own folder, not in the user's.
            testing_support::writeFile(home / "portable", "");
        }
        program = std::make_unique<Program>(copy, arguments, home.path());
        if (!program->started()) {
            ADD_FAILURE() << "the program did not start: error " << program->startError();
            return main = nullptr;
        }
        main = program->waitForWindow(core::kMainTitle);
        if (!main) ADD_FAILURE() << "the main dialog did not appear";
        return main;
    }

    // Saves a screenshot under the test program's screenshots folder.
    static bool screenshot(HWND window, const std::string& name) {
        platform::createFolder(testProgramFolder() + "screenshots");
        return saveScreenshot(window, testProgramFolder() + "screenshots\\" + name + ".png");
    }

    testing_support::TempFolder home;
    std::unique_ptr<Program> program;  // ended, if still running, when the test ends
    HWND main = nullptr;
};

}  // namespace ui_testing

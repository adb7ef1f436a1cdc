// The sample plug-in's own dialog, driven as a person would.
#include <gtest/gtest.h>

#include <thread>

#include "core/plugins/plugin_manager.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "space_replacer/space_replacer_resource.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

TEST(SamplePluginDialog, AsksForTheReplacementAndFillsTheFilter) {
    core::PluginManager plugins;
    ASSERT_TRUE(plugins.scanFolder(platform::GetModuleFolder() + "plugins", nullptr));
    const auto id = plugins.findByFileName("space_replacer.dll");
    ASSERT_TRUE(id.has_value());
    const core::PluginEntry plugin = *plugins.findById(*id);

    for (const bool accept : {true, false}) {
        char text1[128] = "", text2[128] = "", text3[128] = "", description[128] = "";
        int option = 5;
        int result = -1;
        // The dialog is modal: it runs on a thread of its own while the test drives it.
        std::thread dialog([&] { result = plugin.dialogProc(0, 128, text1, text2, text3, &option, description); });
        HWND window = waitForProcessWindow(GetCurrentProcessId(), "Replace Spaces");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(controlText(window, IDC_REPLACEMENT), "_") << "a new filter starts from the usual choice";
        if (accept) {
            setControlText(window, IDC_REPLACEMENT, " – ");
            platform::createFolder(testProgramFolder() + "screenshots");
            saveScreenshot(window, testProgramFolder() + "screenshots\\space_replacer.png");
        }
        click(window, accept ? IDOK : IDCANCEL);
        dialog.join();
        if (accept) {
            EXPECT_NE(result, 0);
            EXPECT_STREQ(text1, " – ");
            EXPECT_STREQ(description, "Replace spaces with \" – \"");
            EXPECT_EQ(option, 0);
        } else {
            EXPECT_EQ(result, 0);
        }
    }
}

}  // namespace

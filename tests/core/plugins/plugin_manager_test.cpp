#include <gtest/gtest.h>

#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "core/rules/rule.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

#ifdef _WIN32
const std::string kExtension = ".dll";
#else
const std::string kExtension = ".so";
#endif

std::string builtPlugin(const std::string& name) {
    return platform::GetModuleFolder() + "test_plugins" + platform::kPathSeparator + name + kExtension;
}

// A plug-ins folder holding copies of the built test plug-ins under the given names.
struct PluginFolder {
    TempFolder folder;
    PluginFolder(std::initializer_list<std::pair<const char*, const char*>> copies) {
        for (const auto& [source, name] : copies) writeFile(folder / name, readFile(builtPlugin(source)));
    }
};

void* const kHost = reinterpret_cast<void*>(0x5A5A10);

Rule pluginRule(std::int32_t commandId) {
    Rule rule;
    rule.type = Plugin;
    rule.extra = commandId;
    rule.text1 = "one";
    rule.text2 = "two";
    rule.text3 = "three";
    rule.option = 7;
    return rule;
}

TEST(PluginManager, LoadsInDirectoryOrderFrom2000AndSkipsTheRest) {
    PluginFolder plugins({{"test_plugin_upper", ("b_upper" + kExtension).c_str()},
                          {"test_plugin_host", ("a_host" + kExtension).c_str()},
                          {"test_plugin_no_export", ("c_none" + kExtension).c_str()}});
    writeFile(plugins.folder / ("d_broken" + kExtension), "not a library at all");
    platform::createFolder(plugins.folder / ("e_folder" + kExtension));

    PluginManager manager;
    EXPECT_TRUE(manager.scanFolder(plugins.folder.path(), kHost));
    ASSERT_EQ(manager.entries().size(), 2u);
    EXPECT_EQ(manager.entries()[0].dllName, "a_host" + kExtension);
    EXPECT_EQ(manager.entries()[0].commandId, 2000);
    EXPECT_EQ(manager.entries()[0].menuText, "Test host");
    EXPECT_EQ(manager.entries()[0].hostWindow, kHost);
    EXPECT_NE(manager.entries()[0].module, nullptr);
    EXPECT_EQ(manager.entries()[1].dllName, "b_upper" + kExtension);
    EXPECT_EQ(manager.entries()[1].commandId, 2001);

    EXPECT_EQ(manager.findById(2001)->dllName, "b_upper" + kExtension);
    EXPECT_FALSE(manager.findById(2002).has_value());
    EXPECT_EQ(manager.findByFileName("B_UPPER" + kExtension).value_or(0), 2001);
    EXPECT_EQ(manager.findByFileName("A_Host" + kExtension).value_or(0), 2000);
    EXPECT_FALSE(manager.findByFileName("c_none" + kExtension).has_value());
}

TEST(PluginManager, FolderWithASeparatorOrNothingToLoad) {
    PluginFolder plugins({{"test_plugin_upper", ("x" + kExtension).c_str()}});
    PluginManager withSeparator;
    EXPECT_TRUE(withSeparator.scanFolder(plugins.folder.path() + platform::kPathSeparator, kHost));
    EXPECT_EQ(withSeparator.entries().size(), 1u);

    TempFolder empty;
    PluginManager none;
    EXPECT_FALSE(none.scanFolder(empty.path(), kHost));
    EXPECT_FALSE(none.scanFolder(empty / "missing", kHost));
    EXPECT_FALSE(none.scanFolder("", kHost));
    EXPECT_TRUE(none.entries().empty());
}

TEST(PluginManager, AppliesThroughTheContract) {
    PluginFolder plugins({{"test_plugin_host", ("1host" + kExtension).c_str()},
                          {"test_plugin_declines", ("2declines" + kExtension).c_str()},
                          {"test_plugin_upper", ("3upper" + kExtension).c_str()}});
    PluginManager manager;
    ASSERT_TRUE(manager.scanFolder(plugins.folder.path(), kHost));
    ASSERT_EQ(manager.entries().size(), 3u);
    const std::string folder = plugins.folder.path() + platform::kPathSeparator;

    // The host window written into the descriptor is there on every later call.
    char expectedHost[64];
    std::snprintf(expectedHost, sizeof expectedHost, "host=%p", kHost);
    for (int call = 0; call < 3; ++call) {
        std::string name = "song";
        applyPluginRule(manager, pluginRule(2000), folder, name);
        EXPECT_EQ(name, expectedHost);
    }

    std::string name = "song";
    applyPluginRule(manager, pluginRule(2001), folder, name);
    EXPECT_EQ(name, "song") << "a zero return keeps the name, whatever the buffer holds";

    name = "My song";
    applyPluginRule(manager, pluginRule(2002), folder, name);
    EXPECT_EQ(name, "MY SONG|260|one|two|three|7|" + folder);

    name = "kept";
    applyPluginRule(manager, pluginRule(2999), folder, name);
    EXPECT_EQ(name, "kept") << "a plug-in that is not loaded changes nothing";

    // A name longer than the buffer reaches the plug-in cut at a character boundary.
    name = std::string(258, 'a') + "é";
    applyPluginRule(manager, pluginRule(2002), folder, name);
    EXPECT_EQ(name.substr(0, 259), std::string(258, 'A') + "|");
}

TEST(PluginManager, DialogFillsTheFiveValues) {
    PluginFolder plugins({{"test_plugin_upper", ("u" + kExtension).c_str()}});
    PluginManager manager;
    ASSERT_TRUE(manager.scanFolder(plugins.folder.path(), kHost));
    const PluginEntry entry = *manager.findById(2000);
    char t1[128] = "", t2[128] = "", t3[128] = "", description[128] = "";
    int option = 0;
    EXPECT_NE(entry.dialogProc(0, 128, t1, t2, t3, &option, description), 0);
    EXPECT_STREQ(t1, "t1-0");
    EXPECT_STREQ(description, "Test plug-in 3");
    EXPECT_EQ(option, 42);
    EXPECT_EQ(entry.dialogProc(1, 128, t1, t2, t3, &option, description), 0);
}

TEST(PluginManager, RulesFromFilesFindTheirPluginByFileName) {
    PluginFolder plugins(
        {{"test_plugin_host", ("Aaa" + kExtension).c_str()}, {"test_plugin_upper", ("Upper" + kExtension).c_str()}});
    PluginManager manager;
    ASSERT_TRUE(manager.scanFolder(plugins.folder.path(), kHost));
    ASSERT_EQ(manager.findByFileName("Upper" + kExtension).value_or(0), 2001);

    // Saved in an earlier run where the plug-in had 2003, under another letter case.
    Rule saved = pluginRule(2003);
    saved.pluginPath = "UPPER" + kExtension;
    saved.description = "Test plug-in 3";
    TempFolder folder;
    writeFilterFile(folder / "p.ren", {saved});
    RuleList read;
    readFilterFile(&manager, folder / "p.ren", read);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].extra, 2001);
    EXPECT_EQ(read[0].pluginPath, "UPPER" + kExtension);
    std::string name = "x";
    applyPluginRule(manager, read[0], "f/", name);
    EXPECT_EQ(name, "X|260|one|two|three|7|f/");
}

TEST(SamplePlugin, ReplacesSpaces) {
    PluginManager manager;
    ASSERT_TRUE(manager.scanFolder(platform::GetModuleFolder() + "plugins", nullptr));
    const auto id = manager.findByFileName("space_replacer" + kExtension);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(manager.findById(*id)->menuText, "Replace spaces with...");
    Rule rule = pluginRule(*id);
    rule.text1 = "_";
    struct Case {
        const char* in;
        const char* with;
        const char* out;
    };
    const Case cases[] = {{"a b  c", "_", "a_b__c"}, {"no-spaces", "_", "no-spaces"}, {"日本 語", " – ", "日本 – 語"}};
    for (const Case& c : cases) {
        rule.text1 = c.with;
        std::string name = c.in;
        applyPluginRule(manager, rule, "", name);
        EXPECT_EQ(name, c.out);
    }
}

}  // namespace

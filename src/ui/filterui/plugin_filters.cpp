#include "ui/filterui/plugin_filters.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/utf8.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/messages.h"

namespace ui {

namespace {

// Runs a plug-in's own dialog over a Rule's values (mode 0 adding, 1 editing); on acceptance
// the five values come back into the Rule. Texts longer than the 128-byte buffers (possible in
// loaded files) reach the plug-in cut at a character boundary.
bool runPluginDialog(const core::PluginEntry& plugin, int mode, core::Rule& rule) {
    char buffers[4][core::PluginManager::kTextBufferSize] = {};
    std::string* texts[4] = {&rule.text1, &rule.text2, &rule.text3, &rule.description};
    for (int i = 0; i < 4; ++i) {
        const std::string fitting = platform::utf8::truncate(*texts[i], core::PluginManager::kTextBufferSize - 1);
        std::copy(fitting.begin(), fitting.end(), buffers[i]);
    }
    int option = rule.option;
    if (plugin.dialogProc(mode, core::PluginManager::kTextBufferSize, buffers[0], buffers[1], buffers[2], &option,
                          buffers[3]) == 0) {
        return false;
    }
    for (int i = 0; i < 4; ++i) *texts[i] = std::string(buffers[i], strnlen(buffers[i], sizeof buffers[i]));
    rule.option = option;
    return true;
}

void pluginMissing() {
    showAppMessage("Error: couldn't find the plugin for the selected menu item.", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void appendPluginItems(HMENU menu, const core::PluginManager& plugins) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (plugins.entries().empty()) {
        // No handler serves it, so the menu refresh shows it greyed.
        AppendMenuW(menu, MF_STRING, ID_NO_PLUGINS, L"(no plugins)");
        return;
    }
    for (const core::PluginEntry& plugin : plugins.entries()) {
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(plugin.commandId),
                    platform::win32::widen(plugin.menuText).c_str());
    }
}

bool addPluginFilter(const core::PluginManager& plugins, int commandId, core::Rule& rule) {
    const auto plugin = plugins.findById(commandId);
    if (!plugin || !plugin->dialogProc) {
        pluginMissing();
        return false;
    }
    rule = core::Rule();
    rule.type = core::Plugin;
    rule.extra = commandId;
    rule.pluginPath = plugin->dllName;
    return runPluginDialog(*plugin, 0, rule);
}

bool editPluginFilter(const core::PluginManager& plugins, core::Rule& rule) {
    const auto plugin = plugins.findById(rule.extra);
    if (!plugin || !plugin->dialogProc) {
        pluginMissing();
        return false;
    }
    return runPluginDialog(*plugin, 1, rule);
}

}  // namespace ui

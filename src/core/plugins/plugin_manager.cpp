#include "core/plugins/plugin_manager.h"

#include <cstring>

#include "core/rules/rule.h"
#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/libraries.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "platform/utf8.h"

namespace core {

PluginManager::~PluginManager() {
    for (const PluginEntry& entry : entries_) platform::unloadLibrary(entry.module);
}

bool PluginManager::scanFolder(const std::string& folder, void* hostWindow) {
    if (folder.empty()) return !entries_.empty();
    const std::string prefix = platform::withSeparator(folder);
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.first(prefix + platform::kLibraryPattern, data); more; more = find.next(data)) {
        if (data.attributes & platform::AttrDirectory) continue;
        platform::LibraryHandle library = platform::loadLibrary(prefix + data.name);
        if (!library) continue;
        auto getPlugin =
            reinterpret_cast<braxen_GetPluginProc>(platform::findExport(library, BRAXEN_GET_PLUGIN_EXPORT));
        PluginDescriptor* descriptor = getPlugin ? getPlugin() : nullptr;
        if (!descriptor) {
            platform::unloadLibrary(library);
            continue;
        }
        descriptor->hostWindow = hostWindow;
        descriptor->module = library;
        PluginEntry entry;
        entry.dllName = data.name;
        entry.hostWindow = hostWindow;
        entry.module = library;
        entry.menuText = descriptor->menuText ? descriptor->menuText : "";
        entry.applyProc = descriptor->applyProc;
        entry.dialogProc = descriptor->dialogProc;
        entry.commandId = nextCommandId_++;
        entries_.push_back(std::move(entry));
    }
    return !entries_.empty();
}

std::optional<PluginEntry> PluginManager::findById(std::int32_t commandId) const {
    for (const PluginEntry& entry : entries_) {
        if (entry.commandId == commandId) return entry;
    }
    return std::nullopt;
}

std::optional<std::int32_t> PluginManager::findByFileName(const std::string& fileName) const {
    const std::string wanted = toLowerText(fileName);
    for (const PluginEntry& entry : entries_) {
        if (toLowerText(entry.dllName) == wanted) return entry.commandId;
    }
    return std::nullopt;
}

void applyPluginRule(const PluginManager& plugins, const Rule& rule, const std::string& folder, std::string& name) {
    const std::optional<PluginEntry> plugin = plugins.findById(rule.extra);
    if (!plugin || !plugin->applyProc) return;
    // One byte more than the plug-in is told, always zero, so a plug-in that fills the buffer
    // without a terminator cannot make us read past it.
    char buffer[PluginManager::kNameBufferSize + 1] = {};
    const std::string fitting = platform::utf8::truncate(name, PluginManager::kNameBufferSize - 1);
    std::memcpy(buffer, fitting.data(), fitting.size());
    if (plugin->applyProc(PluginManager::kNameBufferSize, buffer, folder.c_str(), rule.text1.c_str(),
                          rule.text2.c_str(), rule.text3.c_str(), rule.option) != 0) {
        name.assign(buffer, strnlen(buffer, PluginManager::kNameBufferSize));
    }
}

}  // namespace core

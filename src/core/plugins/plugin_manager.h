// The loaded filter plug-ins, each under a command identifier valid for this run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "calderwynstrope/plugin_api.h"

namespace core {

struct Rule;

struct PluginEntry {
    std::string dllName;  // the library's file name, without its folder
    void* hostWindow = nullptr;
    void* module = nullptr;
    std::string menuText;
    braxen_ApplyProc applyProc = nullptr;
    braxen_DialogProc dialogProc = nullptr;
    std::int32_t commandId = 0;
};

class PluginManager {
public:
    static constexpr std::int32_t kFirstCommandId = 2000;
    // Buffer sizes of the contract.
    static constexpr int kTextBufferSize = 128;
    static constexpr int kNameBufferSize = 260;

    PluginManager() = default;
    ~PluginManager();  // unloads every library, in list order
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    // Loads every library of the folder that exports braxen_GetPlugin, in the order the folder
    // lists them; the others are skipped without a word. True when the list holds a plug-in.
    bool scanFolder(const std::string& folder, void* hostWindow);

    std::optional<PluginEntry> findById(std::int32_t commandId) const;
    // The command identifier of the first plug-in whose file name equals `fileName`, letters
    // compared without regard to case.
    std::optional<std::int32_t> findByFileName(const std::string& fileName) const;

    const std::vector<PluginEntry>& entries() const { return entries_; }

private:
    std::vector<PluginEntry> entries_;
    std::int32_t nextCommandId_ = kFirstCommandId;
};

// Applies a Plugin rule to a name (without its extension): the plug-in registered under the
// rule's `extra` rewrites it, or nothing happens when that plug-in is not loaded or declines.
void applyPluginRule(const PluginManager& plugins, const Rule& rule, const std::string& folder, std::string& name);

}  // namespace core

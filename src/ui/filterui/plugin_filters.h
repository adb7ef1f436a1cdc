// The bridge between the filter list and plug-in filters: their items in the Add menu and their
// own dialogs, which create and edit a Plugin Rule.
#pragma once

#include <windows.h>

#include "core/plugins/plugin_manager.h"
#include "core/rules/rule.h"

namespace ui {

// After a separator, one item per loaded plug-in with its command id, or a greyed "(no plugins)".
void appendPluginItems(HMENU menu, const core::PluginManager& plugins);

// The plug-in's dialog for a new filter of the plug-in behind `commandId`; false when cancelled,
// or when that plug-in is gone (told).
bool addPluginFilter(const core::PluginManager& plugins, int commandId, core::Rule& rule);
// The plug-in's dialog over an existing Plugin Rule; false when cancelled or when the plug-in is
// not loaded (told).
bool editPluginFilter(const core::PluginManager& plugins, core::Rule& rule);

}  // namespace ui

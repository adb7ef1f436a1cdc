// Running the edit dialog of a built-in filter over a Rule.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/settings.h"
#include "core/rules/rule.h"

namespace ui {

// The Rule type a command of the Add menu creates (15772..15779), or 0.
int ruleTypeOfAddCommand(int command);

// Runs the dialog of rule.type (1..8) over the Rule: for a new filter (`adding`) the dialog opens
// with its own defaults, otherwise with the Rule's values. On OK the Rule becomes the one the
// dialog built through the filter table (description included); on Cancel it is untouched.
// False on Cancel. A dialog may read and change the settings' defaults for new filters.
// `sampleFile`: the whole path of the first file the main window lists, which the Tags dialog
// shows its sample from; empty when there is none.
bool editBuiltInFilter(HWND parent, core::Rule& rule, bool adding, core::Settings& settings,
                       const std::string& sampleFile = {});

}  // namespace ui

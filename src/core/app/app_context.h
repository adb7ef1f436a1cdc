// What both front ends share for one session of the program: where its data lives, the settings
// read at start, the plug-ins folder in effect and the plug-ins found there.
#pragma once

#include <memory>
#include <string>

#include "core/base/app_paths.h"
#include "core/base/settings.h"
#include "core/plugins/plugin_manager.h"
#include "core/undo/journal_recovery.h"

namespace core {

struct RunOptions;

class AppContext {
public:
    // Reads the settings from `paths`; what is missing takes its default.
    explicit AppContext(AppPaths paths);
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    const AppPaths& paths() const { return paths_; }

    // The settings as read at start; a front end keeps its options here and saves them.
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    void saveSettings() const { settings_.Save(paths_); }

    // The folder the plug-ins come from: the one the settings name, or the program's own
    // folder. Fixed at start: a folder chosen later takes effect at the next start.
    const std::string& pluginsFolder() const { return pluginsFolder_; }

    // Loads the plug-ins of that folder once; `hostWindow` is the window they are given (the
    // Windows program's main window). Later calls change nothing.
    void scanPlugins(void* hostWindow);
    // The loaded plug-ins, scanned without a window on first use when scanPlugins was not called.
    PluginManager& plugins();

    // The undo settings of a run, with undo on or off as the user asked for this run; names that
    // would not change are left alone.
    RunOptions runOptions(bool undo) const;

    // Turns the journals of runs that died into undo databases (recoverJournals, with the undo
    // limit of the settings). Both front ends call it at start, and before they list the runs.
    JournalRecovery recoverInterruptedRuns() const;

private:
    AppPaths paths_;
    Settings settings_;
    std::string pluginsFolder_;
    std::unique_ptr<PluginManager> plugins_;
};

}  // namespace core

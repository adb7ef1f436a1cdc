#include "core/app/app_context.h"

#include "core/session/rename_run.h"

namespace core {

AppContext::AppContext(AppPaths paths) : paths_(std::move(paths)) {
    settings_.Load(paths_);
    pluginsFolder_ = settings_.pluginsdir.empty() ? paths_.programFolder : settings_.pluginsdir;
}

void AppContext::scanPlugins(void* hostWindow) {
    if (plugins_) return;
    plugins_ = std::make_unique<PluginManager>();
    plugins_->scanFolder(pluginsFolder_, hostWindow);
}

PluginManager& AppContext::plugins() {
    scanPlugins(nullptr);
    return *plugins_;
}

JournalRecovery AppContext::recoverInterruptedRuns() const {
    return recoverJournals(paths_, settings_.limitUndo != 0, settings_.undoLimit);
}

RunOptions AppContext::runOptions(bool undo) const {
    RunOptions options;
    options.undo = undo;
    options.limitUndo = settings_.limitUndo != 0;
    options.undoLimit = settings_.undoLimit;
    options.companionExtensions = settings_.companionExtensions;
    options.folderFiles = settings_.folderFiles;
    // A name that would not change is no rename, whichever front end runs it.
    options.leaveUnchanged = true;
    return options;
}

}  // namespace core

// The program's one main window: folder, pattern, run options and the filter list it owns, and the
// commands that rename and preview.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shellapi.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/app/app_context.h"
#include "core/app/file_list.h"
#include "core/base/reporter.h"
#include "core/rules/rule.h"
#include "core/session/run_service.h"
#include "core/undo/journal_recovery.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/handles.h"
#include "ui/controls/splitter.h"
#include "ui/controls/zel_dialog.h"
#include "ui/filterui/filter_list.h"
#include "ui/filterui/filter_list_box.h"
#include "ui/session/plan_list_view.h"

namespace ui {

// Failures the core reports itself, shown as the program's critical errors.
class MessageBoxReporter : public core::Reporter {
public:
    void criticalError(const std::string& text) override;
};

// What the filters report while the file list is worked out: kept, not shown in a box, since the
// list is made again at every keystroke.
class KeptReporter : public core::Reporter {
public:
    void criticalError(const std::string& text) override;
    // The first report since the last call, with how many more there were; empty for none.
    std::string take();

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

class MainDialog : public UI_dialog {
public:
    // The context outlives the dialog: its settings are the dialog's options, saved at close.
    // `commandLine` names a folder to work on or a filter file to load, or is empty.
    MainDialog(std::string commandLine, core::AppContext& context);

protected:
    void onInitDialog() override;
    void onDpiChanged(UINT dpi) override;
    void onCancel() override;
    void onIdle() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool hasCommandHandler(int id) const override;
    bool onCommandRange(int id) override;

private:
    void initSystemMenu();
    // A folder given at start or dropped: the folder box shows it, and the pattern when given.
    void openPath(const std::string& path);
    void setFolder(const std::string& folder);
    // Told when the folder box names no folder; false then, and the folder stays out of the history.
    bool folderExists(const std::string& folder);
    void rememberFolder(const std::string& folder);
    void showFilters(int selected);
    void addRuleToList(core::Rule rule);
    void loadFilters(const std::string& path);
    void showHelpMenu();
    // The window's icons, at the sizes the display asks for.
    // The controls that follow the window's size, and the tooltips.
    void initLayout();
    // Moves the line between the filters and the file list `split` pixels right of where the
    // window's template has it, within what leaves both usable.
    void moveSplit(int split);
    void applySettings();
    void buildPluginMenu();
    void browse();
    void deleteFilter();
    void editSelectedFilter();
    void addPluginFilter(int commandId);
    void addFilter(int command);
    void options();
    void about();
    void rename();
    void preview();
    // Turns the journals of runs that died into undo databases; one that cannot be is told.
    // Recovers what interrupted runs left; gives the journals kept for folders away now.
    std::vector<core::WaitingJournal> recoverInterruptedRuns();
    void load();
    void saveAs();
    void dropFiles(HDROP drop);

    // --- The file list ---
    // The request the list shows now: the boxes, the options, the filters and the checks.
    core::RenameRequest listRequest();
    // The order of the run's files that Options chose.
    core::AlbumOrder runOrder() const;
    // The first file of the list as it stands (its whole path), which the Tags dialog samples;
    // empty while there is none.
    std::string firstFilePath() const;
    // Works the list out again on the list's worker when what it shows has changed (or when
    // `relist`, from the disk too); a result that a later change made stale is never shown.
    void updateFileList(bool relist = false);
    void showFileList();
    void showListingProgress();
    void toggleChecks(const std::vector<std::size_t>& rows);

    core::PluginManager& plugins() { return context_.plugins(); }

    std::string commandLine_;
    core::AppContext& context_;
    core::Settings& settings_;  // the context's
    ZelPopupMenuButton addButton_;
    FilterList filters_;  // what the list box shows
    FilterListBox filterList_;
    MessageBoxReporter reporter_;
    bool renameWithoutUndo_ = false;  // the user agreed to runs without undo: nowhere to keep it

    PlanListView files_;
    Splitter splitter_;
    int splitAtDragStart_ = 0;
    // The files the user unchecked (folder and name): they stay unchecked while the list changes.
    std::unordered_set<std::string> unchecked_;
    core::RenameRequest shown_;  // what the list was last asked to show
    bool listAsked_ = false;
    bool listing_ = false;  // the worker is at work
    KeptReporter listReporter_;
    std::atomic<std::size_t> found_{0};
    std::shared_ptr<core::FileListPlan> made_;  // the worker's result, until it is shown
    std::string listError_;
    core::FileListSource source_;  // only the worker uses it
    // Last, so that it stops the worker before anything the worker uses goes.
    core::RunService listService_;
};

}  // namespace ui

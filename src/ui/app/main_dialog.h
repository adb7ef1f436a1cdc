// The program's one main window: folder, pattern, run options and the filter list it owns, and the
// commands that rename and preview.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "core/app/app_context.h"
#include "core/base/reporter.h"
#include "core/rules/rule.h"
#include "core/undo/journal_recovery.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/handles.h"
#include "ui/controls/zel_dialog.h"
#include "ui/filterui/filter_list.h"
#include "ui/filterui/filter_list_box.h"

namespace ui {

// Failures the core reports itself, shown as the program's critical errors.
class MessageBoxReporter : public core::Reporter {
public:
    void criticalError(const std::string& text) override;
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

    core::PluginManager& plugins() { return context_.plugins(); }

    std::string commandLine_;
    core::AppContext& context_;
    core::Settings& settings_;  // the context's
    ZelPopupMenuButton addButton_;
    FilterList filters_;  // what the list box shows
    FilterListBox filterList_;
    MessageBoxReporter reporter_;
    bool renameWithoutUndo_ = false;  // the user agreed to runs without undo: nowhere to keep it
};

}  // namespace ui

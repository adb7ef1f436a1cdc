// The dialogs that drive a rename run file by file: the Confirmation dialog (the user sees, may
// edit and confirms each new name, or lets the rest go in one pass), the Progress dialog (one
// unattended pass) and the Report dialog that sums up a confirmed run. The run itself, its counts
// and its texts are the core's; these dialogs only show them.
#pragma once

#include <string>

#include "core/session/rename_run.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/run_dialog.h"

namespace ui {

class ConfirmDialog : public RunDialog {
public:
    ConfirmDialog(HWND parent, core::RenameRun& run);

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    void showNext();
    bool renameCurrent();
    void renameOne();
    void skip();
    void all();
    void showFile(const core::RunStep& step);

    core::RenameRun& run_;
    PathStatic path_;
    PercentProgressCtrl progress_;
    std::string folder_, oldName_, newName_;
    bool allDone_ = false;
};

class ProgressDialog : public RunDialog {
public:
    ProgressDialog(HWND parent, core::RenameRun& run);

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    core::RenameRun& run_;
    PercentProgressCtrl progress_;
};

// Takes `run` through in front of the user, step by step in the Confirmation dialog when `confirm`
// is set, otherwise in one pass in the Progress dialog, and ends it, which writes its undo
// database. When the run's undo record could not be written or registered, the error box says
// why, naming the file.
void showRun(HWND owner, core::RenameRun& run, bool confirm);

class ReportDialog : public UI_dialog {
public:
    ReportDialog(HWND parent, const core::RunResult& result);

protected:
    void onInitDialog() override;

private:
    const core::RunResult& result_;
};

}  // namespace ui

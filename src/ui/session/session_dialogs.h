// The dialogs that drive a rename run file by file: the Confirmation dialog (the user sees, may
// edit and confirms each new name, or lets the rest go in one pass), the Progress dialog (one
// unattended pass, checked first) and the Report dialog that sums up a confirmed run. The run
// itself, its counts and its texts are the core's, and it runs on the dialog's run service; these
// dialogs only show it and take the user's decisions.
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
    enum Choice { RenameOne = 1, SkipOne, RenameAll };

    // On the worker: asks about each file in turn, and renames as the user decides.
    void confirmFiles();
    void renameAll();
    // On the dialog's thread.
    void showAsked(const core::RunStep& step, bool retry, std::size_t handled);
    void showOver();
    void decide(int choice);
    // Whether the typed name may be given; if not, says what is wrong with it.
    bool acceptable(const std::string& name);
    void report();
    void showFile(const core::RunStep& step);
    void showProgress(std::size_t handled);

    core::RenameRun& run_;
    PathStatic path_;
    PercentProgressCtrl progress_;
    std::string folder_, oldName_;
    bool allDone_ = false;
};

class ProgressDialog : public RunDialog {
public:
    // With `checkFirst`, the run's prediction is made before anything moves, and files that
    // cannot be renamed are told (RunCheckDialog): the user may see the preview instead, or
    // cancel.
    ProgressDialog(HWND parent, core::RenameRun& run, bool checkFirst);
    // Ended with this code, the user asked for the preview instead of the run.
    static constexpr INT_PTR kShowPreview = 100;

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    // On the worker: whether the run is to go ahead.
    bool check();

    core::RenameRun& run_;
    bool checkFirst_;
    INT_PTR ended_ = 0;  // set when the check ended the dialog
    PercentProgressCtrl progress_;
};

// Asks what to do about files a one-pass run cannot rename: Preview, Rename the Others or Cancel
// (the button's id is the result).
class RunCheckDialog : public UI_dialog {
public:
    RunCheckDialog(HWND parent, std::string text);

protected:
    void onInitDialog() override;

private:
    std::string text_;
};

// How showRun ended.
enum class RunEnd { Done, ShowPreview };

// Takes `run` through in front of the user, step by step in the Confirmation dialog when `confirm`
// is set, otherwise in one pass in the Progress dialog (checked first with `checkFirst`), and ends
// it, which writes its undo database. When the run's undo record could not be written or
// registered, the error box says why, naming the file.
RunEnd showRun(HWND owner, core::RenameRun& run, bool confirm, bool checkFirst = false);

class ReportDialog : public UI_dialog {
public:
    ReportDialog(HWND parent, const core::RunResult& result);

protected:
    void onInitDialog() override;

private:
    const core::RunResult& result_;
};

}  // namespace ui

// The dialogs that drive a rename run file by file: the Confirmation dialog (the user sees, may
// edit and confirms each new name, or lets the rest go in one pass), the Progress dialog (one
// unattended pass) and the Report dialog that sums up a confirmed run.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "core/session/find_files.h"
#include "core/session/rename_session.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

// Posted by a run dialog to itself when it is first shown, so the window is painted before the
// first file is touched.
constexpr UINT kStartRunMessage = WM_USER + 100;

// Both run dialogs start their work from kStartRunMessage, once they are visible, and set their
// buttons' states themselves as the run goes.
class RunDialog : public UI_dialog {
public:
    RunDialog(int resourceId, HWND parent) : UI_dialog(resourceId, parent) { autoDisable = false; }

protected:
    virtual void startRun() = 0;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool started_ = false;
};

class ConfirmDialog : public RunDialog {
public:
    ConfirmDialog(HWND parent, core::RenameSession& session, core::FileList& files);

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    void showNext();
    bool renameCurrent();
    void renameOne();
    void skip();
    void all();
    void showProgressText();

    core::RenameSession& session_;
    core::FileList& files_;
    PathStatic path_;
    PercentProgressCtrl progress_;
    std::string oldName_, newName_, folder_;
    bool allDone_ = false;
    std::vector<std::string> failures_;
    int shownCount_ = 0;
    int totalCount_;
    std::time_t startTime_ = 0, endTime_ = 0;
    int scannedCount_ = 0;
    int skippedCount_ = 0;
};

class ProgressDialog : public RunDialog {
public:
    ProgressDialog(HWND parent, core::RenameSession& session, const core::FileList& files);

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    core::RenameSession& session_;
    const core::FileList& files_;
    PercentProgressCtrl progress_;
};

class ReportDialog : public UI_dialog {
public:
    ReportDialog(HWND parent, const std::vector<std::string>& failures, int scanned, int renamed, int fails,
                 long long elapsedSeconds, int skipped);

protected:
    void onInitDialog() override;

private:
    const std::vector<std::string>& failures_;
    int scanned_, renamed_, fails_, skipped_;
    long long elapsed_;
};

}  // namespace ui

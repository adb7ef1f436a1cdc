// The base of the dialogs that run a long job in front of the user (a rename run, an undo): the
// job starts once the dialog is on screen and runs on the worker thread of the dialog's run
// service, so the window paints and takes a Cancel meanwhile. What the job shows or asks on the
// way reaches the dialog as a posted message, handled on the dialog's own thread.
#pragma once

#include "core/session/run_service.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

// Posted by a run dialog to itself when it is first shown, so the window is painted before the
// first file is touched.
constexpr UINT kStartRunMessage = WM_USER + 100;
// Posted by the run service when the job has handed the dialog something to do.
constexpr UINT kRunServiceMessage = WM_USER + 101;

// Paces the progress a long job shows: at most once every 50 ms, and always at the end. Drawing
// each of a hundred thousand files would make the screen, not the disk, set the speed of the run,
// and at twenty redraws a second the progress looks the same.
class ProgressPacer {
public:
    // Whether to redraw now: the first time, 50 ms after the last redraw, or at the end.
    bool due(bool last);

private:
    ULONGLONG at_ = 0;
    bool first_ = true;
};

class RunDialog : public UI_dialog {
public:
    RunDialog(int resourceId, HWND parent);

    core::RunService& service() { return service_; }

protected:
    // The job, started once from kStartRunMessage.
    virtual void startRun() = 0;
    // Cancel, Esc or closing the window: the job stops within one file, then the dialog closes.
    void onCancel() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool started_ = false;
    core::RunService service_;
};

}  // namespace ui

// The base of the dialogs that run a long job in front of the user (a rename run, an undo): the
// job starts once the dialog is on screen, and the dialog sets its buttons' states itself as the
// job goes.
#pragma once

#include "ui/controls/zel_dialog.h"

namespace ui {

// Posted by a run dialog to itself when it is first shown, so the window is painted before the
// first file is touched.
constexpr UINT kStartRunMessage = WM_USER + 100;

// Paces the redrawing of a long job's progress: at most once every 50 ms, and always at the end.
// Drawing each of a hundred thousand files would make the screen, not the disk, set the speed of
// the run; at twenty redraws a second the progress looks the same. The job still handles waiting
// window messages after every file.
class ProgressPacer {
public:
    // Whether to redraw now: the first time, 50 ms after the last redraw, or at the end.
    bool due(bool last);

private:
    ULONGLONG drawn_ = 0;
    bool first_ = true;
};

class RunDialog : public UI_dialog {
public:
    RunDialog(int resourceId, HWND parent) : UI_dialog(resourceId, parent) { autoDisable = false; }

protected:
    // The job, started once from kStartRunMessage.
    virtual void startRun() = 0;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool started_ = false;
};

}  // namespace ui

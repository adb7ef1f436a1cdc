// The base of the dialogs that run a long job in front of the user (a rename run, an undo): the
// job starts once the dialog is on screen, and the dialog sets its buttons' states itself as the
// job goes.
#pragma once

#include "ui/controls/zel_dialog.h"

namespace ui {

// Posted by a run dialog to itself when it is first shown, so the window is painted before the
// first file is touched.
constexpr UINT kStartRunMessage = WM_USER + 100;

// Paces a long job's dealings with its window. Progress is redrawn at most once every 50 ms, and
// always at the end: drawing each of a hundred thousand files would make the screen, not the
// disk, set the speed of the run, and at twenty redraws a second the progress looks the same.
// Waiting window messages are handled after a file whenever 10 ms have passed since they last
// were, so after every file of a slow run and about a hundred times a second in a fast one: a
// click is answered just as promptly, but a run of small files is not bound by asking the
// system for messages, which under Wine costs a trip to its server each time.
class ProgressPacer {
public:
    // Whether to redraw now: the first time, 50 ms after the last redraw, or at the end.
    bool due(bool last) { return redraw_.due(last); }
    // Whether to handle waiting messages now: the first time, 10 ms after the last time, or at
    // the end.
    bool messagesDue(bool last) { return messages_.due(last); }

private:
    // True the first time, once `intervalMs` have passed since it last was, and at the end.
    class Interval {
    public:
        explicit Interval(ULONGLONG intervalMs) : intervalMs_(intervalMs) {}
        bool due(bool last);

    private:
        ULONGLONG intervalMs_;
        ULONGLONG at_ = 0;
        bool first_ = true;
    };
    Interval redraw_{50};
    Interval messages_{10};
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

#include "ui/controls/run_dialog.h"

#include "ui/controls/messages.h"

namespace ui {

bool ProgressPacer::due(bool last) {
    const ULONGLONG now = GetTickCount64();
    if (!first_ && !last && now - at_ < 50) return false;
    first_ = false;
    at_ = now;
    return true;
}

RunDialog::RunDialog(int resourceId, HWND parent)
    : UI_dialog(resourceId, parent), service_([this] { PostMessageW(hwnd(), kRunServiceMessage, 0, 0); }) {
    autoDisable = false;
}

void RunDialog::onCancel() {
    service_.cancel();
    service_.wait();
    endDialog(IDCANCEL);
}

bool RunDialog::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_SHOWWINDOW && wParam && !started_) {
        started_ = true;
        PostMessageW(hwnd(), kStartRunMessage, 0, 0);
        return false;
    }
    if (message == kStartRunMessage) {
        startRun();
        return true;
    }
    if (message == kRunServiceMessage) {
        try {
            service_.runPending();
        } catch (const std::exception& error) {
            // The job, or a task it handed over, failed in a way it could not handle: told, and
            // the dialog closes, never with the job still working on what the dialog's owner holds.
            showUnhandledError(error);
            service_.cancel();
            service_.wait();
            endDialog(IDCANCEL);
        }
        return true;
    }
    return false;
}

}  // namespace ui

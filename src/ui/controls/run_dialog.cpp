#include "ui/controls/run_dialog.h"

namespace ui {

bool ProgressPacer::Interval::due(bool last) {
    const ULONGLONG now = GetTickCount64();
    if (!first_ && !last && now - at_ < intervalMs_) return false;
    first_ = false;
    at_ = now;
    return true;
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
    return false;
}

}  // namespace ui

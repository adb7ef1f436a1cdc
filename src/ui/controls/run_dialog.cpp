#include "ui/controls/run_dialog.h"

namespace ui {

bool ProgressPacer::due(bool last) {
    constexpr ULONGLONG kIntervalMs = 50;
    const ULONGLONG now = GetTickCount64();
    if (!first_ && !last && now - drawn_ < kIntervalMs) return false;
    first_ = false;
    drawn_ = now;
    return true;
}

bool ProgressPacer::messagesDue(bool last) {
    constexpr ULONGLONG kIntervalMs = 10;
    const ULONGLONG now = GetTickCount64();
    if (!firstPump_ && !last && now - pumped_ < kIntervalMs) return false;
    firstPump_ = false;
    pumped_ = now;
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

#include "ui/controls/run_dialog.h"

namespace ui {

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

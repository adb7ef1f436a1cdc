#include "ui/controls/splitter.h"

namespace ui {

void Splitter::attach(HWND dialog, int id) {
    install(GetDlgItem(dialog, id));
}

LRESULT Splitter::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // a static is transparent to the mouse otherwise
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        case WM_LBUTTONDOWN: {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd_, &at);
            start_ = at.x;
            dragging_ = true;
            SetCapture(hwnd_);
            if (onDragStart) onDragStart();
            return 0;
        }
        case WM_MOUSEMOVE:
            if (dragging_ && GetCapture() == hwnd_) {
                POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                ClientToScreen(hwnd_, &at);
                if (onDrag) onDrag(at.x - start_);
            }
            return 0;
        case WM_LBUTTONUP:
            if (dragging_) ReleaseCapture();
            dragging_ = false;
            return 0;
        case WM_CAPTURECHANGED:
            dragging_ = false;
            break;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

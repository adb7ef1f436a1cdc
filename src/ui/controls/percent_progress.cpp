#include "ui/controls/percent_progress.h"

#include <commctrl.h>

#include <cmath>

#include "ui/controls/drawing.h"

namespace ui {

void PercentProgressCtrl::attach(HWND dialog, int id) {
    bold_ = boldFontOf(dialog);
    install(GetDlgItem(dialog, id));
}

void PercentProgressCtrl::setRange(int upper) {
    SendMessageW(hwnd_, PBM_SETRANGE32, 0, upper);
    SendMessageW(hwnd_, PBM_SETSTEP, 1, 0);
}

void PercentProgressCtrl::setPosition(int position) {
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void PercentProgressCtrl::step() {
    SendMessageW(hwnd_, PBM_STEPIT, 0, 0);
}

int PercentProgressCtrl::position() const {
    return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
}

void PercentProgressCtrl::paint(HDC target) {
    MemoryDC dc(target);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int upper = static_cast<int>(SendMessageW(hwnd_, PBM_GETRANGE, FALSE, 0));
    const int position = this->position();
    const double fraction = upper > 0 ? static_cast<double>(position) / upper : 0.0;
    RECT filled = client, rest = client;
    filled.right = client.left + static_cast<int>(fraction * (client.right - client.left));
    rest.left = filled.right;
    FillRect(dc, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
    FillRect(dc, &rest, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[16];
    wsprintfW(text, L"%d%%", upper > 0 ? static_cast<int>(std::floor(position * 100.0 / upper)) : 0);
    HGDIOBJ old = SelectObject(dc, bold_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    DrawTextW(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
}

LRESULT PercentProgressCtrl::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintDC paint(hwnd_);
        this->paint(paint.get());
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message == PBM_SETPOS || message == PBM_STEPIT || message == PBM_DELTAPOS || message == PBM_SETRANGE32) {
        const LRESULT result = forward(message, wParam, lParam);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return result;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

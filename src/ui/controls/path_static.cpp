#include "ui/controls/path_static.h"

#include "ui/controls/drawing.h"

namespace ui {

void PathStatic::attach(HWND dialog, int id) {
    install(GetDlgItem(dialog, id));
}

LRESULT PathStatic::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintDC paint(hwnd_);
        HDC dc = paint.get();
        if (!bold_) bold_ = boldFontOf(GetParent(hwnd_));
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ old = SelectObject(dc, bold_.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        std::wstring text = windowText(hwnd_);
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &client,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        return 0;
    }
    if (message == WM_SETTEXT) {
        const LRESULT result = forward(message, wParam, lParam);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return result;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

#include "ui/controls/hyperlink_static.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/drawing.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::widen;

void HyperlinkStatic::attach(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    SetWindowLongW(control, GWL_STYLE, GetWindowLongW(control, GWL_STYLE) | SS_NOTIFY);
    cursor_ = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    if (!cursor_) cursor_ = LoadCursorW(nullptr, IDC_HAND);
    install(control);
    LOGFONTW log{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    GetObjectW(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof(log), &log);
    log.lfUnderline = TRUE;
    OwnedFont font(CreateFontIndirectW(&log));
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // The control has let go of the old font now.
    font_ = std::move(font);
}

void HyperlinkStatic::setUrl(const std::string& url) {
    url_ = url;
    if (hwnd_) redraw();
}

void HyperlinkStatic::redraw() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

bool HyperlinkStatic::reflect(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, pressed_ ? RGB(0, 100, 0) : visited_ ? RGB(200, 0, 0) : RGB(0, 0, 255));
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    return true;
}

void HyperlinkStatic::open() {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    visited_ = true;
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof(request);
    request.hwnd = hwnd_;
    request.lpVerb = L"open";
    const std::wstring url = widen(url_);
    request.lpFile = url.c_str();
    request.nShow = SW_SHOWNORMAL;
    request.fMask = SEE_MASK_FLAG_NO_UI;  // our own message below, not the shell's
    const bool opened = ShellExecuteExW(&request);
    SetCursor(previous);
    redraw();
    if (!opened) showAppMessage("Unable to find an associated application for '" + url_ + "'", MB_OK | MB_ICONSTOP);
}

void HyperlinkStatic::drawFocus() {
    if (GetFocus() != hwnd_ || (SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) return;
    const WindowDC dc(hwnd_);
    HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    std::wstring text = windowText(hwnd_);
    RECT box{};
    GetClientRect(hwnd_, &box);
    DrawTextW(dc.get(), text.data(), static_cast<int>(text.size()), &box, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc.get(), old);
    RECT client{};
    GetClientRect(hwnd_, &client);
    box.right = std::min(box.right, client.right);
    box.bottom = std::min(box.bottom, client.bottom);
    DrawFocusRect(dc.get(), &box);
}

LRESULT HyperlinkStatic::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto isActivationKey = [](WPARAM key) { return key == VK_RETURN || key == VK_SPACE; };
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(cursor_);
            return TRUE;
        case WM_GETDLGCODE: {
            // Enter and Space are the link's own while it has the focus, not the dialog's.
            const LRESULT code = forward(message, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && ((pending->message == WM_KEYDOWN && isActivationKey(pending->wParam)) ||
                            (pending->message == WM_CHAR && (pending->wParam == L' ' || pending->wParam == L'\r')))) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (isActivationKey(wParam)) {
                if (!(lParam & (1 << 30))) open();  // not again while the key repeats
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ' || wParam == L'\r') return 0;
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE: {
            const LRESULT result = forward(message, wParam, lParam);
            redraw();
            return result;
        }
        case WM_PAINT: {
            const LRESULT result = forward(message, wParam, lParam);
            drawFocus();
            return result;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // the second press of a double click is a press too
            pressed_ = true;
            SetCapture(hwnd_);
            redraw();
            return 0;
        case WM_LBUTTONUP: {
            // Only a press that began on the link opens it, once.
            const bool wasPressed = pressed_;
            pressed_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
            RECT client;
            GetClientRect(hwnd_, &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (wasPressed && PtInRect(&client, at)) {
                open();
            } else {
                redraw();
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (pressed_) {
                pressed_ = false;
                redraw();
            }
            break;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

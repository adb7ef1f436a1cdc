#include "ui/controls/title_tip_list_box.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls/handles.h"

namespace ui {
namespace {

constexpr const wchar_t* kTipClass = L"CalderwynstropeTitleTip";
constexpr UINT_PTR kTimer = 1;

bool registerTipClass() {
    static const bool registered = [] {
        WNDCLASSW tipClass{};
        tipClass.style = CS_SAVEBITS | CS_HREDRAW | CS_VREDRAW;
        tipClass.lpfnWndProc = DefWindowProcW;  // each tip subclasses its window
        tipClass.hInstance = GetModuleHandleW(nullptr);
        tipClass.lpszClassName = kTipClass;
        return RegisterClassW(&tipClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

bool drawsOwnLines(HWND list) {
    return (GetWindowLongW(list, GWL_STYLE) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
}

// The width of a line's text as the list draws it: in its font, its tabs expanded.
int textWidth(HWND list, HDC dc, const std::wstring& text) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    const bool tabs = GetWindowLongW(list, GWL_STYLE) & LBS_USETABSTOPS;
    int width = 0;
    if (tabs) {
        width = LOWORD(GetTabbedTextExtentW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr));
    } else {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        width = size.cx;
    }
    SelectObject(dc, old);
    return width;
}

}  // namespace

// --- TitleTip ---------------------------------------------------------------------------------

TitleTip::~TitleTip() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool TitleTip::create(TitleTipListBox& owner) {
    if (hwnd_) return true;
    if (!registerTipClass()) return false;
    owner_ = &owner;
    const DWORD style = WS_POPUP | (drawsOwnLines(owner.hwnd()) ? 0 : WS_BORDER);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTipClass, L"", style, 0, 0, 0, 0, owner.hwnd(),
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return false;
    timerId_ = 0;
    install(window);
    return true;
}

void TitleTip::show(const RECT& rect, int item) {
    if (!hwnd_) return;
    if (item != shownItem_) {
        shownItem_ = item;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    // Two pixels up and left, two wider and taller: the border around the text as the list has it.
    const RECT wanted{rect.left - 2, rect.top - 2, rect.right, rect.bottom};
    RECT now{};
    GetWindowRect(hwnd_, &now);
    const bool placed = EqualRect(&now, &wanted);
    SetWindowPos(hwnd_, HWND_TOP, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW | (placed ? SWP_NOMOVE | SWP_NOSIZE : 0));
    // Every show starts the rest period afresh.
    if (timerId_) KillTimer(hwnd_, timerId_);
    GetCursorPos(&lastCursor_);
    timerId_ = SetTimer(hwnd_, kTimer, interval, nullptr);
}

void TitleTip::hide() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_HIDE);
    if (timerId_) KillTimer(hwnd_, timerId_);
    timerId_ = 0;
}

void TitleTip::tick() {
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x == lastCursor_.x && cursor.y == lastCursor_.y) {
        // Hidden through the list, which lets go of the mouse with it.
        owner_->showTip(TitleTipListBox::noItem);
    } else {
        lastCursor_ = cursor;
    }
}

void TitleTip::paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    HWND list = owner_->hwnd();
    if (drawsOwnLines(list)) {
        // The list draws the line itself, as it draws it in place.
        const int caret = static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));
        const bool multiple = GetWindowLongW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(list));
        item.itemID = static_cast<UINT>(shownItem_);
        item.itemAction = ODA_DRAWENTIRE;
        if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(shownItem_), 0) > 0) item.itemState |= ODS_SELECTED;
        if (!multiple || caret == shownItem_) item.itemState |= ODS_FOCUS;
        item.hwndItem = list;
        item.hDC = dc;
        item.rcItem = client;
        item.itemData = static_cast<ULONG_PTR>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(shownItem_), 0));
        SendMessageW(GetParent(list), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        return;
    }
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    const std::wstring text = owner_->lineText(shownItem_);
    if (GetWindowLongW(list, GWL_STYLE) & LBS_USETABSTOPS) {
        TabbedTextOutW(dc, 1, 0, text.c_str(), static_cast<int>(text.size()), 0, nullptr, 1);
    } else {
        TextOutW(dc, 1, 0, text.c_str(), static_cast<int>(text.size()));
    }
    SelectObject(dc, old);
}

LRESULT TitleTip::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PaintDC paint(hwnd_);
            if (shownItem_ >= 0) this->paint(paint.get());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // painting covers the whole tip
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_TIMER:
            if (wParam == kTimer) tick();
            return 0;
    }
    return forward(message, wParam, lParam);
}

// --- TitleTipListBox --------------------------------------------------------------------------

void TitleTipListBox::attach(HWND dialog, int id) {
    install(GetDlgItem(dialog, id));
    updateHorizontalExtent();
}

std::wstring TitleTipListBox::lineText(int index) const {
    const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got =
        SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

bool TitleTipListBox::getTextRect(int index, RECT& rect) const {
    if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) == LB_ERR) {
        return false;
    }
    if (drawsOwnLines(hwnd_)) return true;
    const std::wstring text = lineText(index);
    if (text.empty()) return true;
    const WindowDC dc(hwnd_);
    rect.right = std::max(rect.right, static_cast<LONG>(rect.left + textWidth(hwnd_, dc.get(), text) + 4));
    return true;
}

bool TitleTipListBox::ownsActiveWindow() const {
    HWND top = GetAncestor(hwnd_, GA_ROOT);
    for (HWND window = GetActiveWindow(); window; window = GetParent(window)) {
        if (window == top) return true;
    }
    return false;
}

void TitleTipListBox::captureMouse() {
    if (captured_ && GetCapture() == hwnd_) ReleaseCapture();
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(hwnd_, &at);
    lastMouse_ = at;
    // The tip covers the line: only with the capture does the list see the pointer leave it.
    SetCapture(hwnd_);
    captured_ = true;
}

void TitleTipListBox::releaseMouse() {
    captured_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
}

void TitleTipListBox::showTip(int index) {
    if (!tip_.create(*this)) return;
    RECT text{}, line{};
    if (index == noItem || !getTextRect(index, text) ||
        SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line)) == LB_ERR ||
        EqualRect(&text, &line)) {
        tip_.hide();
    } else {
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&text), 2);
        // Kept on the screen the list is on, sideways only.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
        const LONG past = text.right - monitor.rcWork.right;
        if (past > 0) OffsetRect(&text, -past, 0);
        if (text.left < monitor.rcWork.left) OffsetRect(&text, monitor.rcWork.left - text.left, 0);
        tip_.show(text, index);
    }
    // The capture follows the pointer only while it is over the list: a tip shown from the
    // keyboard must not take a click meant for another control.
    POINT pointer{};
    RECT client{};
    GetCursorPos(&pointer);
    ScreenToClient(hwnd_, &pointer);
    GetClientRect(hwnd_, &client);
    if (tip_.visible() && !captured_ && GetCapture() != hwnd_ && PtInRect(&client, pointer)) {
        captureMouse();
    } else if (!tip_.visible() && captured_) {
        releaseMouse();
    }
}

void TitleTipListBox::beginDrag() {
    dragging_ = true;
    showTip(noItem);
}

void TitleTipListBox::endDrag() {
    dragging_ = false;
}

void TitleTipListBox::updateHorizontalExtent() {
    // Set whatever the style says now: the list clears WS_HSCROLL while it has nothing to scroll.
    const int count = static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0));
    const WindowDC dc(hwnd_);
    int widest = 0;
    for (int i = 0; i < count; ++i) widest = std::max(widest, textWidth(hwnd_, dc.get(), lineText(i)));
    // The list draws its text a few pixels in from the edge.
    SendMessageW(hwnd_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest > 0 ? widest + 6 : 0), 0);
}

bool TitleTipListBox::reflect(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE) {
        const bool multiple = GetWindowLongW(hwnd_, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
        showTip(static_cast<int>(SendMessageW(hwnd_, multiple ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0)));
        if (tip_.visible()) UpdateWindow(tip_.hwnd());
    }
    return false;  // the dialog hears about it too
}

LRESULT TitleTipListBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // What the list's message filter would see first: the tip steps aside for these.
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            showTip(noItem);
            break;
    }
    LRESULT result = 0;
    if (onListMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_MOUSEMOVE: {
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if ((at.x != lastMouse_.x || at.y != lastMouse_.y) && ownsActiveWindow() && !dragging_) {
                lastMouse_ = at;
                RECT client{};
                GetClientRect(hwnd_, &client);
                int target = noItem;
                if (PtInRect(&client, at)) {
                    const int count = static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0));
                    const int top = static_cast<int>(SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0));
                    for (int i = std::max(0, top); i < count && target == noItem; ++i) {
                        RECT line{};
                        if (SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(&line)) != LB_ERR &&
                            PtInRect(&line, at)) {
                            target = i;
                        }
                    }
                }
                showTip(target);
            }
            break;
        }
        case WM_LBUTTONDOWN: {
            if (captured_) releaseMouse();
            const LRESULT down = forward(message, wParam, lParam);
            if (tip_.visible()) {
                InvalidateRect(tip_.hwnd(), nullptr, FALSE);
                if (GetCapture() != hwnd_) captureMouse();
            }
            return down;
        }
        case WM_LBUTTONUP: {
            const LRESULT up = forward(message, wParam, lParam);
            if (tip_.visible() && GetCapture() != hwnd_) captureMouse();
            return up;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd_) captured_ = false;
            break;
        case WM_KILLFOCUS:
            if (reinterpret_cast<HWND>(wParam) != tip_.hwnd()) showTip(noItem);
            break;
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
        case LB_DELETESTRING:
        case LB_ADDFILE:
        case LB_DIR:
        case LB_RESETCONTENT: {
            showTip(noItem);
            const LRESULT changed = forward(message, wParam, lParam);
            updateHorizontalExtent();
            return changed;
        }
        case LB_SETCARETINDEX:
            showTip(noItem);
            break;
        case WM_SETFONT: {
            const LRESULT set = forward(message, wParam, lParam);
            updateHorizontalExtent();
            return set;
        }
        case WM_DESTROY:
            tip_.hide();
            if (tip_.hwnd()) DestroyWindow(tip_.hwnd());
            break;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

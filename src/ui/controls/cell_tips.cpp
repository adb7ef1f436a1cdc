#include "ui/controls/cell_tips.h"

#include <commctrl.h>

#include <string>

namespace ui {
namespace {

// The list draws a cell's text this far in from each of its edges.
constexpr int kCellPadding = 6;
constexpr UINT_PTR kToolId = 1;

std::wstring cellText(HWND list, int row, int column) {
    std::wstring text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const LRESULT length =
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

}  // namespace

ListViewCellTips::~ListViewCellTips() {
    if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

void ListViewCellTips::attach(HWND list) {
    install(list);
    tip_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, list, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip_) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = list;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 4096);  // one line, however long
}

void ListViewCellTips::follow(POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    const int row = static_cast<int>(SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0 || !(hit.flags & LVHT_ONITEM)) return hide();
    if (row == row_ && hit.iSubItem == column_) return;
    show(row, hit.iSubItem);
}

void ListViewCellTips::show(int row, int column) {
    hide();
    if (!tip_) return;
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    if (!SendMessageW(hwnd_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
    std::wstring text = cellText(hwnd_, row, column);
    const int needed =
        static_cast<int>(SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (text.empty() || needed + 2 * kCellPadding <= cell.right - cell.left) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd_;
    tool.uId = kToolId;
    tool.lpszText = text.data();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    POINT corner{cell.left + kCellPadding - 3, cell.top};
    ClientToScreen(hwnd_, &corner);
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(corner.x, corner.y));
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    row_ = row;
    column_ = column;
}

void ListViewCellTips::hide() {
    if (row_ < 0) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd_;
    tool.uId = kToolId;
    SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    row_ = column_ = -1;
}

LRESULT ListViewCellTips::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            if (!leaveAsked_) {
                TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, hwnd_, 0};
                leaveAsked_ = TrackMouseEvent(&leave) != FALSE;
            }
            follow(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            break;
        case WM_MOUSELEAVE:
            leaveAsked_ = false;
            hide();
            break;
        // Whatever moves the rows or the columns under the pointer takes the tip away.
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KILLFOCUS:
        case WM_SIZE:
        case LVM_SETITEMCOUNT:
        case LVM_SETCOLUMNWIDTH:
            hide();
            break;
        case WM_DESTROY:
            if (tip_) DestroyWindow(tip_);
            tip_ = nullptr;
            break;
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

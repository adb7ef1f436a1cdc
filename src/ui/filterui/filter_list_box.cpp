#include "ui/filterui/filter_list_box.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/handles.h"

namespace ui {
namespace {

// The insert mark is drawn on the dialog, left of the list. Its own erasing leaves it behind
// (after a click that moved nothing, too), so the strip beside the list is painted afresh, with
// the frame around the list.
void eraseInsertMark(HWND parent, HWND list) {
    DrawInsert(parent, list, -1);
    RECT strip{};
    GetWindowRect(list, &strip);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&strip), 2);
    const int icon = GetSystemMetrics(SM_CYICON);
    strip = RECT{0, strip.top - icon, strip.left, strip.bottom + icon};
    RedrawWindow(parent, &strip, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace

using platform::win32::widen;

void FilterListBox::attach(HWND dialog, int id, FilterList& filters) {
    filters_ = &filters;
    MakeDragList(GetDlgItem(dialog, id));
    TitleTipListBox::attach(dialog, id);
}

UINT FilterListBox::dragListMessage() {
    static const UINT message = RegisterWindowMessageW(DRAGLISTMSGSTRING);
    return message;
}

int FilterListBox::count() const {
    return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0));
}

int FilterListBox::selection() const {
    return static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
}

void FilterListBox::refresh(int selected) {
    const LRESULT top = SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0);
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const core::Rule& rule : filters_->rules()) {
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(rule.description).c_str()));
    }
    if (top != LB_ERR) SendMessageW(hwnd_, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FilterListBox::deleteLine(int index) {
    if (!filters_->contains(index)) return;
    filters_->remove(index);
    refresh(index > 0 ? index - 1 : 0);
}

void FilterListBox::moveLine(int from, int before) {
    if (!filters_->contains(from)) return;
    const int landed = filters_->move(from, before);
    if (landed != from) refresh(landed);
}

bool FilterListBox::canMoveSelection(int delta) const {
    const int from = selection();
    return from >= 0 && from + delta >= 0 && from + delta < count();
}

void FilterListBox::moveSelection(int delta) {
    if (!canMoveSelection(delta)) return;
    const int from = selection();
    // The drop rule places a line before its target: one up is before the line above, one down
    // is before the line after the next.
    moveLine(from, delta < 0 ? from - 1 : from + 2);
}

LRESULT FilterListBox::onDragListMessage(const DRAGLISTINFO& info) {
    HWND parent = GetParent(hwnd_);
    switch (info.uNotification) {
        case DL_BEGINDRAG:
            dragged_ = LBItemFromPt(hwnd_, info.ptCursor, FALSE);
            if (dragged_ >= 0) beginDrag();
            return dragged_ >= 0;
        case DL_DRAGGING: {
            const int target = LBItemFromPt(hwnd_, info.ptCursor, TRUE);
            DrawInsert(parent, hwnd_, target);
            return target >= 0 ? DL_MOVECURSOR : DL_STOPCURSOR;
        }
        case DL_DROPPED: {
            endDrag();
            eraseInsertMark(parent, hwnd_);
            const int target = LBItemFromPt(hwnd_, info.ptCursor, FALSE);
            moveLine(dragged_, target);
            dragged_ = -1;
            return 0;
        }
        case DL_CANCELDRAG:
            endDrag();
            eraseInsertMark(parent, hwnd_);
            dragged_ = -1;
            return 0;
    }
    return 0;
}

void FilterListBox::showContextMenu(POINT at) {
    const OwnedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.get(), 2);  // "Listbox": Edit and Delete
    SetMenuDefaultItem(popup, IDC_EDIT, FALSE);
    ClientToScreen(hwnd_, &at);
    // The commands go to the dialog, which greys them when no line is selected.
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, GetAncestor(hwnd_, GA_ROOT), nullptr);
}

void FilterListBox::showContextMenuFromKeyboard() {
    RECT line{};
    const int index = selection();
    if (index < 0 ||
        SendMessageW(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line)) == LB_ERR) {
        GetClientRect(hwnd_, &line);
        line.bottom = line.top;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    // Under the selected line, or at the top when it is scrolled out of sight.
    const LONG y = line.bottom >= client.top && line.bottom <= client.bottom ? line.bottom : client.top;
    showContextMenu(POINT{client.left + 8, y});
}

bool FilterListBox::onListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_DELETE && selection() >= 0) deleteLine(selection());
            if (wParam == VK_APPS) {
                showContextMenuFromKeyboard();
                return true;
            }
            return false;
        case WM_KEYUP:
            return wParam == VK_APPS;  // the menu is open already; no second one
        case WM_SYSKEYDOWN:
            // Alt held: bit 29 of the key data.
            if ((wParam == VK_UP || wParam == VK_DOWN) && (lParam & (1 << 29))) {
                moveSelection(wParam == VK_UP ? -1 : 1);
                return true;
            }
            if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
                showContextMenuFromKeyboard();
                return true;
            }
            return false;
        case WM_CONTEXTMENU:
            // A right click has opened the menu on its own; the keyboard's request opens it here.
            if (lParam == -1) showContextMenuFromKeyboard();
            return true;
        case WM_RBUTTONUP:
            // The right click does not change the selection; the menu acts on the selected line.
            result = DefSubclassProc(hwnd_, message, wParam, lParam);
            showContextMenu(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return true;
        case WM_RBUTTONDOWN:
            return true;
    }
    return false;
}

}  // namespace ui

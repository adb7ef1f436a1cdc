#include "ui/controls/anchor_layout.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls/dpi.h"

namespace ui {
namespace {

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

}  // namespace

void AnchorLayout::capture(HWND dialog, std::initializer_list<Anchor> anchors, int minimumPercent) {
    dialog_ = dialog;
    client_ = clientSize(dialog);
    RECT frame{};
    GetWindowRect(dialog, &frame);
    minimum_ =
        SIZE{(frame.right - frame.left) * minimumPercent / 100, (frame.bottom - frame.top) * minimumPercent / 100};
    placed_.clear();
    for (const Anchor& anchor : anchors) {
        Placed placed{GetDlgItem(dialog, anchor.id), anchor.follow, {}, {}};
        if (!placed.control) continue;
        GetWindowRect(placed.control, &placed.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed.rect), 2);
        RECT dropped{};
        if (isWindowClass(placed.control, L"ComboBox") &&
            SendMessageW(placed.control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped))) {
            // A combo box's height is that of its open list; the window is only the closed part.
            placed.rect.bottom = std::max(placed.rect.bottom, placed.rect.top + (dropped.bottom - dropped.top));
        }
        placed_.push_back(placed);
    }
    // A list's columns fill the list from the start.
    apply();
}

void AnchorLayout::shareColumns(Placed& placed) const {
    HWND header = ListView_GetHeader(placed.control);
    const int columns = header ? Header_GetItemCount(header) : 0;
    if (columns <= 0) return;
    std::vector<int> widths(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i) widths[i] = ListView_GetColumnWidth(placed.control, i);
    if (placed.columnWidths.size() != widths.size()) placed.columnWidths = widths;
    int least = 0, now = 0;
    for (int i = 0; i < columns; ++i) least += placed.columnWidths[i], now += widths[i];
    // Room for a vertical scroll bar is kept whether it shows or not, so that its coming never
    // brings a horizontal one.
    RECT client{};
    GetClientRect(placed.control, &client);
    const bool scrollBar = GetWindowLongW(placed.control, GWL_STYLE) & WS_VSCROLL;
    const int room = client.right - (scrollBar ? 0 : systemMetricForDpi(SM_CXVSCROLL, windowDpi(placed.control)));
    // The columns fill the list, but never shrink below half their first widths: a narrow list
    // scrolls sideways rather than cut every name to a few letters.
    const int target = std::max(least / 2, room);
    if (target == now || now <= 0) return;
    // Each column keeps its share of the width, as the user may have set it; the last one takes
    // what rounding leaves.
    int given = 0;
    for (int i = 0; i < columns; ++i) {
        int width =
            i + 1 < columns ? static_cast<int>(static_cast<long long>(widths[i]) * target / now) : target - given;
        width = std::max(width, 0);
        given += width;
        if (width != widths[i]) ListView_SetColumnWidth(placed.control, i, width);
    }
}

void AnchorLayout::apply() {
    if (placed_.empty() || !IsWindow(dialog_)) return;
    const SIZE now = clientSize(dialog_);
    const int dx = now.cx - client_.cx, dy = now.cy - client_.cy;
    HDWP positions = BeginDeferWindowPos(static_cast<int>(placed_.size()));
    for (const Placed& placed : placed_) {
        if (!positions) break;
        const RECT& at = placed.rect;
        const int splitLeft = placed.follow & (SplitMove | SplitFollowLeft) ? split_ : 0;
        const int splitRight = placed.follow & (SplitMove | SplitGrow) ? split_ : 0;
        const int x = at.left + (placed.follow & MoveRight ? dx : 0) + splitLeft;
        const int y = at.top + (placed.follow & MoveDown ? dy : 0);
        const int width = at.right - at.left + (placed.follow & GrowRight ? dx : 0) + splitRight - splitLeft;
        const int height = at.bottom - at.top + (placed.follow & GrowDown ? dy : 0);
        positions = DeferWindowPos(positions, placed.control, nullptr, x, y, std::max(width, 0), std::max(height, 0),
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (positions) EndDeferWindowPos(positions);
    for (Placed& placed : placed_) {
        if ((placed.follow & GrowRight) && isWindowClass(placed.control, WC_LISTVIEWW)) shareColumns(placed);
    }
    // Group boxes and statics draw on the dialog's background: all of it is painted afresh, so a
    // moved frame or line leaves nothing behind.
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void AnchorLayout::limit(MINMAXINFO& info) const {
    if (placed_.empty()) return;
    info.ptMinTrackSize = POINT{minimum_.cx + std::max(split_, 0), minimum_.cy};
}

void AnchorLayout::rescale(UINT oldDpi, UINT newDpi) {
    if (oldDpi == 0 || newDpi == 0) return;
    client_ = SIZE{rescaled(client_.cx, oldDpi, newDpi), rescaled(client_.cy, oldDpi, newDpi)};
    minimum_ = SIZE{rescaled(minimum_.cx, oldDpi, newDpi), rescaled(minimum_.cy, oldDpi, newDpi)};
    split_ = rescaled(split_, oldDpi, newDpi);
    for (Placed& placed : placed_) {
        RECT& r = placed.rect;
        r = RECT{rescaled(r.left, oldDpi, newDpi), rescaled(r.top, oldDpi, newDpi), rescaled(r.right, oldDpi, newDpi),
                 rescaled(r.bottom, oldDpi, newDpi)};
        for (int& width : placed.columnWidths) width = rescaled(width, oldDpi, newDpi);
    }
}

}  // namespace ui

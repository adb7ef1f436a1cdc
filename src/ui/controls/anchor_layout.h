// Keeps a dialog's controls where its template put them while the dialog is resized: each control
// keeps its distances to the edges it is anchored to, so buttons anchored to the bottom-right
// corner travel with it, and a control anchored to opposite edges grows. A list view that grows
// sideways shares its width among its columns, each keeping its share. The dialog cannot be made smaller
// than a share of the size it opened at.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

namespace ui {

class AnchorLayout {
public:
    // How a control follows the dialog's right and bottom edges.
    enum Follow : unsigned {
        Fixed = 0,
        MoveRight = 1,  // keeps its distance to the right edge
        MoveDown = 2,   // keeps its distance to the bottom edge
        GrowRight = 4,  // its right edge keeps its distance to the dialog's
        GrowDown = 8,   // its bottom edge keeps its distance to the dialog's
        MoveCorner = MoveRight | MoveDown,
        Grow = GrowRight | GrowDown,
        // Beside a splitter, which moves the line between two panes by setSplit():
        SplitMove = 16,        // moves with the line (a control of the left pane on its right edge)
        SplitGrow = 32,        // its right edge moves with the line (a left pane that widens)
        SplitFollowLeft = 64,  // its left edge moves with the line (a right pane that narrows)
    };
    struct Anchor {
        int id;
        unsigned follow;
    };

    // Takes the dialog's present layout as the one to keep; its window's present size, in
    // percent, becomes the smallest it can be dragged to.
    void capture(HWND dialog, std::initializer_list<Anchor> anchors, int minimumPercent = 100);
    bool empty() const { return placed_.empty(); }

    // Places the controls for the dialog's present client size (at WM_SIZE).
    void apply();
    // The smallest tracking size (at WM_GETMINMAXINFO).
    void limit(MINMAXINFO& info) const;
    // Before the dialog is laid out for another display scale: the kept layout follows it.
    void rescale(UINT oldDpi, UINT newDpi);
    // How far the line between the panes is from where the template put it, in pixels (0 at
    // first); apply() places the controls for it. The smallest size grows with it, so that the
    // right pane keeps its room.
    void setSplit(int split) { split_ = split; }
    int split() const { return split_; }

private:
    struct Placed {
        HWND control;
        unsigned follow;
        RECT rect;
        std::vector<int> columnWidths;  // a list view's columns as first seen
    };
    void shareColumns(Placed& placed) const;

    HWND dialog_ = nullptr;
    SIZE client_{};
    SIZE minimum_{};
    int split_ = 0;
    std::vector<Placed> placed_;
};

}  // namespace ui

// A bar between two panes that the user drags sideways to give one pane room from the other. The
// owner decides what a drag to a place does: onDrag gets the pointer's distance from where the
// drag began, in pixels.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/controls/subclassed_control.h"

namespace ui {

class Splitter : public SubclassedControl {
public:
    // Takes over the dialog's static control `id`.
    void attach(HWND dialog, int id);
    // Called at the drag's start, and then with the distance moved so far at each move.
    std::function<void()> onDragStart;
    std::function<void(int moved)> onDrag;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int start_ = 0;  // where the drag began, in screen coordinates
    bool dragging_ = false;
};

}  // namespace ui

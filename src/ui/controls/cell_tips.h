// Shows the whole text of a list view cell that its column cuts, in a tip over the cell, while
// the pointer rests on it: names too long for their column stay readable without widening it.
#pragma once

#include <windows.h>

#include "ui/controls/subclassed_control.h"

namespace ui {

class ListViewCellTips : public SubclassedControl {
public:
    ~ListViewCellTips() override;
    // Takes over the report-view list `list`.
    void attach(HWND list);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void follow(POINT at);
    void show(int row, int column);
    void hide();

    HWND tip_ = nullptr;
    int row_ = -1, column_ = -1;  // the cell the tip is for, or -1
    bool leaveAsked_ = false;
};

}  // namespace ui

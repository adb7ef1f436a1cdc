// A progress bar that prints "37%" in bold over itself.
#pragma once

#include "ui/controls/handles.h"
#include "ui/controls/subclassed_control.h"

namespace ui {

class PercentProgressCtrl : public SubclassedControl {
public:
    void attach(HWND dialog, int id);
    void setRange(int upper);
    void setPosition(int position);
    void step();
    int position() const;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);
    OwnedFont bold_;
};

}  // namespace ui

// A static showing a folder path in bold on one line; a path too wide loses its middle.
#pragma once

#include "ui/controls/handles.h"
#include "ui/controls/subclassed_control.h"

namespace ui {

class PathStatic : public SubclassedControl {
public:
    void attach(HWND dialog, int id);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    OwnedFont bold_;
};

}  // namespace ui

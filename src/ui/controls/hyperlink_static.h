// A static that opens its address with the shell when clicked, or when it has the focus (it is a
// tab stop) and Enter or Space is pressed. Blue and underlined; red once visited, green while
// pressed.
#pragma once

#include <string>

#include "ui/controls/handles.h"
#include "ui/controls/subclassed_control.h"

namespace ui {

class HyperlinkStatic : public SubclassedControl {
public:
    void attach(HWND dialog, int id);
    void setUrl(const std::string& url);
    bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Opens the address; a failure is reported in a message box.
    void open();

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void drawFocus();
    void redraw();
    std::string url_;
    bool visited_ = false;
    bool pressed_ = false;
    OwnedFont font_;
    HCURSOR cursor_ = nullptr;  // shared: loaded cursors are never freed
};

}  // namespace ui

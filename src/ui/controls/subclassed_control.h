// The one way a control object takes over the window it stands for. install() subclasses the
// window and marks it with the object; every message then passes through onMessage(), which
// forward()s what it leaves alone; the hook comes off when the window is destroyed (at
// WM_NCDESTROY) or when the object goes first, whichever comes earlier. The dialog hands the
// object the notifications meant for its control (drawing, colours, clicks) through reflect().
#pragma once

#include <windows.h>

namespace ui {

class SubclassedControl {
public:
    SubclassedControl() = default;
    virtual ~SubclassedControl();
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;

    HWND hwnd() const { return hwnd_; }

    // A notification the dialog received for this control; true when handled (result in `result`).
    virtual bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        (void)message, (void)wParam, (void)lParam, (void)result;
        return false;
    }
    // The object installed on `control`, or nullptr.
    static SubclassedControl* of(HWND control);

protected:
    void install(HWND window);
    // For an object made with new that lives exactly as long as its window: deleted with it.
    void installOwnedByWindow(HWND window);
    // Every message of the window but WM_NCDESTROY; the default forwards it.
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) { return forward(message, wParam, lParam); }
    // The window's own handling of a message.
    LRESULT forward(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void remove();
    bool ownedByWindow_ = false;
};

}  // namespace ui

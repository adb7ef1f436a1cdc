#include "ui/controls/subclassed_control.h"

#include <commctrl.h>

namespace ui {
namespace {

constexpr const wchar_t* kControlProperty = L"CalderwynstropeControl";

}  // namespace

SubclassedControl::~SubclassedControl() {
    if (hwnd_ && IsWindow(hwnd_)) remove();
}

SubclassedControl* SubclassedControl::of(HWND control) {
    return control ? static_cast<SubclassedControl*>(GetPropW(control, kControlProperty)) : nullptr;
}

void SubclassedControl::install(HWND window) {
    if (hwnd_ && IsWindow(hwnd_)) remove();
    if (!window) return;
    hwnd_ = window;
    SetPropW(window, kControlProperty, this);
    // The object is the hook's id: one object, one hook, whatever else subclasses the window.
    SetWindowSubclass(window, proc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
}

void SubclassedControl::installOwnedByWindow(HWND window) {
    install(window);
    ownedByWindow_ = hwnd_ != nullptr;
}

void SubclassedControl::remove() {
    RemoveWindowSubclass(hwnd_, proc, reinterpret_cast<UINT_PTR>(this));
    if (of(hwnd_) == this) RemovePropW(hwnd_, kControlProperty);
    hwnd_ = nullptr;
}

LRESULT SubclassedControl::forward(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<SubclassedControl*>(data);
    if (message != WM_NCDESTROY) return self->onMessage(message, wParam, lParam);
    // The last message the window gets: the hook comes off, and the window finishes without it.
    self->remove();
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (self->ownedByWindow_) delete self;
    return result;
}

}  // namespace ui

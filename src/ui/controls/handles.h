// Owning wrappers for the GDI and USER handles the dialogs create: each frees its handle exactly
// once, when it goes out of scope or is given another, so no dialog or control frees one by hand
// and an early return cannot leak one.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>
#include <uxtheme.h>

#include <utility>

namespace ui {

// A handle and the one call that frees it. Move-only: ownership passes, never doubles.
template <typename Handle, typename Free>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) noexcept : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle up without freeing it: the caller owns it now.
    Handle release() { return std::exchange(handle_, nullptr); }
    // Frees the handle held (if any) and takes `handle`.
    void reset(Handle handle = nullptr) {
        const Handle old = std::exchange(handle_, handle);
        if (old && old != handle) Free{}(old);
    }

private:
    Handle handle_ = nullptr;
};

struct FreeGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct FreeIcon {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct FreeImageList {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
struct FreeMenu {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct FreeTheme {
    void operator()(HTHEME theme) const { CloseThemeData(theme); }
};
struct FreeMemoryDC {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

using OwnedFont = Owned<HFONT, FreeGdiObject>;
using OwnedBitmap = Owned<HBITMAP, FreeGdiObject>;
using OwnedIcon = Owned<HICON, FreeIcon>;
using OwnedImageList = Owned<HIMAGELIST, FreeImageList>;
using OwnedMenu = Owned<HMENU, FreeMenu>;
// The visual style data of a control class, from OpenThemeData.
using OwnedTheme = Owned<HTHEME, FreeTheme>;
// A device context made with CreateCompatibleDC.
using OwnedMemoryDC = Owned<HDC, FreeMemoryDC>;

// The device context of a window (or of the screen, for nullptr), from GetDC; it goes back to
// the window with the object.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(WindowDC&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The painting of one WM_PAINT: BeginPaint now, EndPaint with the object.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace ui

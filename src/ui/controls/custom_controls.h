// The small pieces the dialogs share: a bold path line, a hyperlink, a progress bar that prints its
// percentage, off-screen painting, and the owner-drawn button family with its image lists.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include <string>

#include "ui/controls/handles.h"

namespace ui {

// A control object that its dialog hands the notifications meant for it (drawing, colours,
// clicks), found through a window property on the control.
class ReflectedControl {
public:
    virtual ~ReflectedControl();
    // True when the message was handled (result in `result`).
    virtual bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    static ReflectedControl* of(HWND control);

protected:
    void attachTo(HWND control);
    HWND hwnd_ = nullptr;
};

// Paints everything into an off-screen bitmap and copies it to the target at once, so nothing
// flickers.
class MemoryDC {
public:
    explicit MemoryDC(HDC target);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return memory_.get(); }

private:
    HDC target_;
    RECT area_;
    OwnedMemoryDC memory_;
    OwnedBitmap bitmap_;
    HGDIOBJ previous_;
};

// A static showing a folder path in bold on one line; a path too wide loses its middle.
class PathStatic {
public:
    void attach(HWND dialog, int id);
    ~PathStatic();

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND hwnd_ = nullptr;
    OwnedFont bold_;
};

// A progress bar that prints "37%" in bold over itself.
class PercentProgressCtrl {
public:
    void attach(HWND dialog, int id);
    ~PercentProgressCtrl();
    void setRange(int upper);
    void setPosition(int position);
    void step();
    int position() const;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void paint(HDC dc);
    HWND hwnd_ = nullptr;
    OwnedFont bold_;
};

// A static that opens its address with the shell when clicked, or when it has the focus (it is a
// tab stop) and Enter or Space is pressed.
class HyperlinkStatic : public ReflectedControl {
public:
    void attach(HWND dialog, int id);
    ~HyperlinkStatic() override;
    void setUrl(const std::string& url);
    void setUnderline(bool underline);
    bool visited() const { return visited_; }
    bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Opens the address; a failure is reported in a message box.
    void open();

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void drawFocus();
    std::string url_;
    bool visited_ = false;
    bool pressed_ = false;
    bool underline_ = true;
    OwnedFont font_;
    HCURSOR cursor_ = nullptr;  // shared: loaded cursors are never freed
};

class ZelImageList {
public:
    // Images `width` pixels wide from a bitmap resource; `mask` is the transparent colour.
    bool create(int bitmapId, int width, int grow, COLORREF mask);
    // Adds a bitmap resource's images; returns the index of its first image, -1 on failure.
    int add(int bitmapId, COLORREF mask);
    SIZE imageSize() const;
    void draw(HDC dc, int index, int x, int y, bool disabled) const;
    HIMAGELIST handle() const { return list_.get(); }

private:
    OwnedImageList list_;
};

// Alignment flags of the button family.
enum Align : int { AlignLeft = 0, AlignHCenter = 1, AlignRight = 2, AlignTop = 0, AlignVCenter = 4, AlignBottom = 8 };

// An owner-drawn push button: frame, caption with its mnemonic, focus rectangle, pushed look.
// The frame is drawn in the current visual style (hot, pressed, default, disabled) like the
// dialog's other buttons, or as a classic frame without one; the mnemonic is underlined and the
// focus rectangle drawn only when the system says the keyboard is in use. Enter, like Space,
// clicks the button while it has the focus.
class ZelCustomButton : public ReflectedControl {
public:
    ~ZelCustomButton() override;
    void attach(HWND dialog, int id);
    bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    HWND hwnd() const { return hwnd_; }

    int inset = 4;

protected:
    virtual void drawContent(HDC dc, const RECT& content, bool disabled, bool pushed);
    virtual void onClicked() {}
    void drawCaption(HDC dc, const RECT& area, bool disabled) const;
    std::wstring caption() const;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void drawFrame(HDC dc, const RECT& rect, bool disabled, bool pushed, bool focused, RECT& content);
    bool hot_ = false;
    bool enterDown_ = false;
    UINT prefixFormat_ = 0;  // DT_HIDEPREFIX while mnemonics are hidden
    OwnedTheme theme_;
    bool themeOpened_ = false;
};

// A button with a run of images beside (or above) its caption.
class ZelImageButton : public ZelCustomButton {
public:
    ZelImageList images;
    int imageCount = 0;
    int imageGap = 1;
    int textGap = 1;
    int imageAlign = AlignVCenter;
    int textAlign = AlignVCenter;

protected:
    void drawContent(HDC dc, const RECT& content, bool disabled, bool pushed) override;
    // Places the caption in `area` by textAlign.
    void drawAlignedCaption(HDC dc, const RECT& area, bool disabled) const;
};

// A button with an arrow glyph that drops a popup menu from one of its corners.
class ZelPopupMenuButton : public ZelImageButton {
public:
    void attach(HWND dialog, int id);
    // The arrows drawn for a display scale; attach loads those of the button's own.
    void loadArrows(UINT dpi);

    int setArrowGlyph(int glyph);  // 0 up, 1 down, 2 left, 3 right
    int setArrowAlign(int align);
    int setTextAlign(int align);
    void setMenu(int menuId, int subMenu);
    int setAnchor(int anchor);
    HMENU menu() const { return menu_.get(); }
    // The popup the button drops.
    HMENU popup() const;

    int arrowMargin = 2;  // pixels at 100%, scaled with the arrows
    int arrowGap = 3;

protected:
    void drawContent(HDC dc, const RECT& content, bool disabled, bool pushed) override;
    void onClicked() override;

private:
    int arrowGlyph_ = 3;
    int arrowAlign_ = AlignRight;
    int anchor_ = 0;
    int subMenu_ = -1;
    OwnedMenu menu_;
    ZelImageList verticalArrows_;    // up, down
    ZelImageList horizontalArrows_;  // left, right
    UINT arrowDpi_ = 96;
};

}  // namespace ui

// A list box that shows the whole text of a line too long for it in a title tip over the line,
// and gives itself the horizontal extent of its longest line so that its scroll bar reaches it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/subclassed_control.h"

namespace ui {

class TitleTipListBox;

// The tip window: a borderless-looking popup in the tooltip colours, owned by its list, that
// hides itself once the pointer has rested for `interval` milliseconds.
class TitleTip : public SubclassedControl {
public:
    ~TitleTip() override;

    bool create(TitleTipListBox& owner);
    // Shows the tip for `item` over `rect` (screen coordinates, the text's whole extent).
    void show(const RECT& rect, int item);
    void hide();

    bool visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    int shownItem() const { return shownItem_; }

    static constexpr UINT interval = 10000;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);
    void tick();

    TitleTipListBox* owner_ = nullptr;
    int shownItem_ = -1;
    UINT_PTR timerId_ = 0;
    POINT lastCursor_{};
};

class TitleTipListBox : public SubclassedControl {
public:
    void attach(HWND dialog, int id);

    static constexpr int noItem = -1;

    // The rectangle the whole text of line `index` needs, in client coordinates: the line's own,
    // widened to the text when the text is longer. False when the line has no rectangle.
    virtual bool getTextRect(int index, RECT& rect) const;
    // Shows the tip over line `index` when its text does not fit, hides it otherwise (noItem).
    void showTip(int index);
    const TitleTip& tip() const { return tip_; }

    bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The drag list's notifications: no tip while a line is dragged.
    void beginDrag();
    void endDrag();

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The derived list's own handling of a message, before the tip's; true when handled.
    virtual bool onListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        (void)message, (void)wParam, (void)lParam, (void)result;
        return false;
    }

private:
    friend class TitleTip;
    bool ownsActiveWindow() const;
    void captureMouse();
    void releaseMouse();
    void updateHorizontalExtent();
    std::wstring lineText(int index) const;

    bool dragging_ = false;
    POINT lastMouse_{-1, -1};
    bool captured_ = false;
    TitleTip tip_;
};

}  // namespace ui

// The main dialog's Add button: an owner-drawn push button with its caption centred and a down
// arrow at its right, which drops a popup menu from its bottom-left corner when clicked.
//
// The frame is drawn in the current visual style (hot, pressed, default, disabled) like the
// dialog's other buttons, or as a classic frame without one; the mnemonic is underlined and the
// focus rectangle drawn only when the system says the keyboard is in use. Enter, like Space,
// clicks the button while it has the focus.
#pragma once

#include <string>

#include "ui/controls/handles.h"
#include "ui/controls/image_list.h"
#include "ui/controls/subclassed_control.h"

namespace ui {

class ZelPopupMenuButton : public SubclassedControl {
public:
    void attach(HWND dialog, int id);
    // The arrow drawn for a display scale; attach loads the one of the button's own.
    void loadArrows(UINT dpi);
    // The popup is sub-menu `subMenu` of menu resource `menuId`.
    void setMenu(int menuId, int subMenu);
    HMENU popup() const;

    bool reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void draw(const DRAWITEMSTRUCT& item);
    void drawFrame(HDC dc, const RECT& rect, bool disabled, bool pushed, bool focused, RECT& content);
    void drawCaption(HDC dc, const RECT& area, bool disabled) const;
    void drawContent(HDC dc, const RECT& content, bool disabled) const;
    void dropMenu();

    bool hot_ = false;
    bool enterDown_ = false;
    UINT prefixFormat_ = 0;  // DT_HIDEPREFIX while mnemonics are hidden
    OwnedTheme theme_;
    bool themeOpened_ = false;
    int subMenu_ = -1;
    OwnedMenu menu_;
    ZelImageList arrows_;  // up, down: the button draws the down arrow
    UINT arrowDpi_ = 96;
};

}  // namespace ui

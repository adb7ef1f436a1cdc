#include "ui/controls/popup_menu_button.h"

#include <vsstyle.h>

#include <algorithm>
#include <stdexcept>

#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/drawing.h"
#include "ui/controls/messages.h"

namespace ui {
namespace {

constexpr int kInset = 4;        // between the frame and the focus rectangle, in pixels
constexpr int kArrowMargin = 2;  // right of the arrow, in pixels at 100%
constexpr int kArrowGap = 3;     // between the caption and the arrow, in pixels at 100%

}  // namespace

void ZelPopupMenuButton::attach(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    // Owner-drawn from now on; the button keeps its default-button role through the dialog.
    SetWindowLongW(control, GWL_STYLE, (GetWindowLongW(control, GWL_STYLE) & ~BS_TYPEMASK) | BS_OWNERDRAW);
    install(control);
    InvalidateRect(control, nullptr, TRUE);
    loadArrows(windowDpi(control));
}

void ZelPopupMenuButton::loadArrows(UINT dpi) {
    constexpr COLORREF magenta = RGB(255, 0, 255);
    // The arrows are 8 pixels wide at 100%, 12 at 150%, 16 at 200%.
    const int width = 8 * drawnScale(dpi) / 100;
    // The down arrow lands as image 1, after its partner.
    if (!arrows_.create(scaledBitmapId(IDB_ARROW_UP, dpi), width, 1, magenta) ||
        arrows_.add(scaledBitmapId(IDB_ARROW_DOWN, dpi), magenta) != 1) {
        throw std::runtime_error("The arrow bitmaps of the popup-menu button are missing.");
    }
    arrowDpi_ = dpi;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ZelPopupMenuButton::setMenu(int menuId, int subMenu) {
    menu_.reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
    subMenu_ = subMenu;
}

HMENU ZelPopupMenuButton::popup() const {
    return subMenu_ < 0 ? menu_.get() : GetSubMenu(menu_.get(), subMenu_);
}

void ZelPopupMenuButton::drawCaption(HDC dc, const RECT& area, bool disabled) const {
    std::wstring text = windowText(hwnd_);
    // Centred in the area, one pixel above the middle.
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &measure, DT_CALCRECT | DT_SINGLELINE);
    RECT box;
    box.left = area.left + (area.right - area.left - measure.right) / 2;
    box.top = area.top + (area.bottom - area.top - measure.bottom) / 2 - 1;
    box.right = box.left + measure.right;
    box.bottom = box.top + measure.bottom;
    const RECT placed = box;
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefixFormat_;
    SetBkMode(dc, TRANSPARENT);
    if (disabled && !theme_) {
        // The embossed look of a disabled caption.
        OffsetRect(&box, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format);
        box = placed;
    }
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format);
}

void ZelPopupMenuButton::drawContent(HDC dc, const RECT& content, bool disabled) const {
    const SIZE size = arrows_.imageSize();
    const int x = content.right - scaledForDpi(kArrowMargin, arrowDpi_) - size.cx - 1;
    const int y = std::max(static_cast<int>(content.top),
                           static_cast<int>(content.top + (content.bottom - content.top - size.cy) / 2));
    arrows_.draw(dc, 1, x, y, disabled);
    RECT captionArea = content;
    captionArea.right = x - scaledForDpi(kArrowGap, arrowDpi_);
    drawCaption(dc, captionArea, disabled);
}

void ZelPopupMenuButton::drawFrame(HDC dc, const RECT& rect, bool disabled, bool pushed, bool focused, RECT& content) {
    if (!themeOpened_) {
        theme_.reset(IsAppThemed() ? OpenThemeData(hwnd_, L"Button") : nullptr);
        themeOpened_ = true;
    }
    RECT frame = rect;
    FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
    if (theme_) {
        const int state = disabled  ? PBS_DISABLED
                          : pushed  ? PBS_PRESSED
                          : hot_    ? PBS_HOT
                          : focused ? PBS_DEFAULTED
                                    : PBS_NORMAL;
        DrawThemeBackground(theme_.get(), dc, BP_PUSHBUTTON, state, &frame, nullptr);
        GetThemeBackgroundContentRect(theme_.get(), dc, BP_PUSHBUTTON, state, &frame, &content);
        // The style's content area hugs the frame; keep the caption clear of it as before.
        InflateRect(&content, -(kInset - 3), -(kInset - 3));
    } else {
        DrawFrameControl(dc, &frame, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
        content = rect;
        InflateRect(&content, -kInset, -kInset);
    }
}

void ZelPopupMenuButton::draw(const DRAWITEMSTRUCT& item) {
    const bool pushed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool focused = item.itemState & ODS_FOCUS;
    const LRESULT uiState = SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0);
    const bool hideFocus = (item.itemState & ODS_NOFOCUSRECT) || (uiState & UISF_HIDEFOCUS);
    prefixFormat_ = ((item.itemState & ODS_NOACCEL) || (uiState & UISF_HIDEACCEL)) ? DT_HIDEPREFIX : 0;
    MemoryDC dc(item.hDC);
    RECT content{};
    drawFrame(dc, item.rcItem, disabled, pushed, focused, content);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    if (focused && !hideFocus) DrawFocusRect(dc, &content);
    if (pushed && !theme_) OffsetRect(&content, 1, 1);
    drawContent(dc, content, disabled);
    SelectObject(dc, old);
}

bool ZelPopupMenuButton::reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        dropMenu();
        return false;  // the click goes on to the dialog
    }
    if (message != WM_DRAWITEM) return false;
    draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

void ZelPopupMenuButton::dropMenu() {
    HMENU menu = popup();
    if (!menu) return;
    RECT window;
    GetWindowRect(hwnd_, &window);
    HWND owner = GetParent(hwnd_);
    if (!owner) owner = mainWindow();
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, window.left, window.bottom - 1, 0, owner, nullptr);
}

LRESULT ZelPopupMenuButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            // An owner-drawn button is no push button to the dialog, which would give Enter to
            // the default button; a focused push button takes Enter itself.
            const LRESULT code = forward(message, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && ((pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) ||
                            (pending->message == WM_CHAR && pending->wParam == L'\r'))) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            // Clicked when Enter is released, as Space clicks, and through the queue, once the
            // key's own handling is over: a popup menu opened from inside it closes at once.
            if (wParam == VK_RETURN) {
                enterDown_ = true;
                return 0;
            }
            break;
        case WM_KEYUP:
            if (wParam == VK_RETURN && enterDown_) {
                enterDown_ = false;
                if (IsWindowEnabled(hwnd_)) {
                    PostMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(hwnd_));
                }
                return 0;
            }
            break;
        case WM_KILLFOCUS:
            enterDown_ = false;
            break;
        case WM_CHAR:
            if (wParam == L'\r') return 0;
            break;
        case WM_MOUSEMOVE:
            if (!hot_) {
                hot_ = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&track);
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            hot_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_THEMECHANGED:
            theme_.reset();
            themeOpened_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_UPDATEUISTATE: {
            const LRESULT result = forward(message, wParam, lParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return result;
        }
    }
    return forward(message, wParam, lParam);
}

}  // namespace ui

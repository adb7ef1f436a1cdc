#include "ui/controls/custom_controls.h"

#include <shellapi.h>
#include <vsstyle.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::widen;

namespace {

constexpr const wchar_t* kControlProperty = L"CalderwynstropeControl";

OwnedFont boldFontOf(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW log{};
    GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof(log), &log);
    log.lfWeight = FW_BOLD;
    return OwnedFont(CreateFontIndirectW(&log));
}

RECT clipBoxOf(HDC dc) {
    RECT box{};
    GetClipBox(dc, &box);
    return box;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace

// --- ReflectedControl -------------------------------------------------------------------------

ReflectedControl::~ReflectedControl() {
    if (hwnd_ && IsWindow(hwnd_)) RemovePropW(hwnd_, kControlProperty);
}

void ReflectedControl::attachTo(HWND control) {
    hwnd_ = control;
    SetPropW(control, kControlProperty, this);
}

ReflectedControl* ReflectedControl::of(HWND control) {
    return control ? static_cast<ReflectedControl*>(GetPropW(control, kControlProperty)) : nullptr;
}

// --- MemoryDC ------------------------------------------------------------------------------

MemoryDC::MemoryDC(HDC target)
    : target_(target),
      area_(clipBoxOf(target)),
      memory_(CreateCompatibleDC(target)),
      bitmap_(CreateCompatibleBitmap(target, area_.right - area_.left, area_.bottom - area_.top)),
      previous_(SelectObject(memory_.get(), bitmap_.get())) {
    // Drawing code keeps the target's coordinates.
    SetWindowOrgEx(memory_.get(), area_.left, area_.top, nullptr);
}

MemoryDC::~MemoryDC() {
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_.get(),
           area_.left, area_.top, SRCCOPY);
    // A bitmap still selected into a context cannot be freed.
    SelectObject(memory_.get(), previous_);
}

// --- PathStatic -----------------------------------------------------------------------------

void PathStatic::attach(HWND dialog, int id) {
    hwnd_ = GetDlgItem(dialog, id);
    SetWindowSubclass(hwnd_, proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

PathStatic::~PathStatic() {
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, proc, 1);
}

LRESULT CALLBACK PathStatic::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<PathStatic*>(data);
    if (message == WM_PAINT) {
        PaintDC paint(window);
        HDC dc = paint.get();
        if (!self->bold_) self->bold_ = boldFontOf(GetParent(window));
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ old = SelectObject(dc, self->bold_.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        std::wstring text = windowText(window);
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &client,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        return 0;
    }
    if (message == WM_SETTEXT) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// --- PercentProgressCtrl ----------------------------------------------------------------------

void PercentProgressCtrl::attach(HWND dialog, int id) {
    hwnd_ = GetDlgItem(dialog, id);
    bold_ = boldFontOf(dialog);
    SetWindowSubclass(hwnd_, proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

PercentProgressCtrl::~PercentProgressCtrl() {
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, proc, 1);
}

void PercentProgressCtrl::setRange(int upper) {
    SendMessageW(hwnd_, PBM_SETRANGE32, 0, upper);
    SendMessageW(hwnd_, PBM_SETSTEP, 1, 0);
}

void PercentProgressCtrl::setPosition(int position) {
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void PercentProgressCtrl::step() {
    SendMessageW(hwnd_, PBM_STEPIT, 0, 0);
}

int PercentProgressCtrl::position() const {
    return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
}

void PercentProgressCtrl::paint(HDC target) {
    MemoryDC dc(target);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int upper = static_cast<int>(SendMessageW(hwnd_, PBM_GETRANGE, FALSE, 0));
    const int position = this->position();
    const double fraction = upper > 0 ? static_cast<double>(position) / upper : 0.0;
    RECT filled = client, rest = client;
    filled.right = client.left + static_cast<int>(fraction * (client.right - client.left));
    rest.left = filled.right;
    FillRect(dc, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
    FillRect(dc, &rest, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[16];
    wsprintfW(text, L"%d%%", upper > 0 ? static_cast<int>(std::floor(position * 100.0 / upper)) : 0);
    HGDIOBJ old = SelectObject(dc, bold_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    DrawTextW(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
}

LRESULT CALLBACK PercentProgressCtrl::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
    auto* self = reinterpret_cast<PercentProgressCtrl*>(data);
    if (message == WM_PAINT) {
        PaintDC paint(window);
        self->paint(paint.get());
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message == PBM_SETPOS || message == PBM_STEPIT || message == PBM_DELTAPOS || message == PBM_SETRANGE32) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, FALSE);
        return result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// --- HyperlinkStatic --------------------------------------------------------------------------

void HyperlinkStatic::attach(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    attachTo(control);
    SetWindowLongW(control, GWL_STYLE, GetWindowLongW(control, GWL_STYLE) | SS_NOTIFY);
    cursor_ = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    if (!cursor_) cursor_ = LoadCursorW(nullptr, IDC_HAND);
    SetWindowSubclass(control, proc, 1, reinterpret_cast<DWORD_PTR>(this));
    setUnderline(underline_);
}

HyperlinkStatic::~HyperlinkStatic() {
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, proc, 1);
}

void HyperlinkStatic::setUrl(const std::string& url) {
    url_ = url;
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

void HyperlinkStatic::setUnderline(bool underline) {
    underline_ = underline;
    if (!hwnd_) return;
    LOGFONTW log{};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(GetParent(hwnd_), WM_GETFONT, 0, 0));
    GetObjectW(current ? current : GetStockObject(DEFAULT_GUI_FONT), sizeof(log), &log);
    log.lfUnderline = underline ? TRUE : FALSE;
    OwnedFont font(CreateFontIndirectW(&log));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    // The control has let go of the old font now.
    font_ = std::move(font);
}

bool HyperlinkStatic::reflect(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, pressed_ ? RGB(0, 100, 0) : visited_ ? RGB(200, 0, 0) : RGB(0, 0, 255));
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    return true;
}

void HyperlinkStatic::open() {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    visited_ = true;
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof(request);
    request.hwnd = hwnd_;
    request.lpVerb = L"open";
    const std::wstring url = widen(url_);
    request.lpFile = url.c_str();
    request.nShow = SW_SHOWNORMAL;
    request.fMask = SEE_MASK_FLAG_NO_UI;  // our own message below, not the shell's
    const bool opened = ShellExecuteExW(&request);
    SetCursor(previous);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    if (!opened) showAppMessage("Unable to find an associated application for '" + url_ + "'", MB_OK | MB_ICONSTOP);
}

void HyperlinkStatic::drawFocus() {
    if (GetFocus() != hwnd_ || (SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) return;
    const WindowDC dc(hwnd_);
    HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    std::wstring text = windowText(hwnd_);
    RECT box{};
    GetClientRect(hwnd_, &box);
    DrawTextW(dc.get(), text.data(), static_cast<int>(text.size()), &box, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc.get(), old);
    RECT client{};
    GetClientRect(hwnd_, &client);
    box.right = std::min(box.right, client.right);
    box.bottom = std::min(box.bottom, client.bottom);
    DrawFocusRect(dc.get(), &box);
}

LRESULT CALLBACK HyperlinkStatic::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<HyperlinkStatic*>(data);
    const auto isActivationKey = [](WPARAM key) { return key == VK_RETURN || key == VK_SPACE; };
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(self->cursor_);
            return TRUE;
        case WM_GETDLGCODE: {
            // Enter and Space are the link's own while it has the focus, not the dialog's.
            const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && ((pending->message == WM_KEYDOWN && isActivationKey(pending->wParam)) ||
                            (pending->message == WM_CHAR && (pending->wParam == L' ' || pending->wParam == L'\r')))) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (isActivationKey(wParam)) {
                if (!(lParam & (1 << 30))) self->open();  // not again while the key repeats
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ' || wParam == L'\r') return 0;
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
            return result;
        }
        case WM_PAINT: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            self->drawFocus();
            return result;
        }
        case WM_LBUTTONDOWN:
            self->pressed_ = true;
            SetCapture(window);
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
            return 0;
        case WM_LBUTTONUP: {
            self->pressed_ = false;
            ReleaseCapture();
            RECT client;
            GetClientRect(window, &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (PtInRect(&client, at)) {
                self->open();
            } else {
                RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
            }
            return 0;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// --- ZelImageList -----------------------------------------------------------------------------

bool ZelImageList::create(int bitmapId, int width, int grow, COLORREF mask) {
    list_.reset(ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), width, grow, mask,
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
    return static_cast<bool>(list_);
}

int ZelImageList::add(int bitmapId, COLORREF mask) {
    if (!list_) return -1;
    // The list keeps copies of the images; the loaded bitmap goes whatever happens.
    const OwnedBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return bitmap ? ImageList_AddMasked(list_.get(), bitmap.get(), mask) : -1;
}

SIZE ZelImageList::imageSize() const {
    int width = 0, height = 0;
    if (list_) ImageList_GetIconSize(list_.get(), &width, &height);
    return SIZE{width, height};
}

void ZelImageList::draw(HDC dc, int index, int x, int y, bool disabled) const {
    if (!list_) return;
    IMAGELISTDRAWPARAMS params{};
    params.cbSize = sizeof(params);
    params.himl = list_.get();
    params.i = index;
    params.hdcDst = dc;
    params.x = x;
    params.y = y;
    params.rgbBk = CLR_NONE;
    params.rgbFg = CLR_DEFAULT;
    params.fStyle = ILD_TRANSPARENT;
    params.fState = disabled ? ILS_SATURATE : ILS_NORMAL;
    ImageList_DrawIndirect(&params);
}

// --- ZelCustomButton --------------------------------------------------------------------------

ZelCustomButton::~ZelCustomButton() {
    if (hwnd_ && IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, proc, 1);
}

void ZelCustomButton::attach(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    attachTo(control);
    // Owner-drawn from now on; the button keeps its default-button role through the dialog.
    SetWindowLongW(control, GWL_STYLE, (GetWindowLongW(control, GWL_STYLE) & ~BS_TYPEMASK) | BS_OWNERDRAW);
    SetWindowSubclass(control, proc, 1, reinterpret_cast<DWORD_PTR>(this));
    InvalidateRect(control, nullptr, TRUE);
}

std::wstring ZelCustomButton::caption() const {
    return windowText(hwnd_);
}

void ZelCustomButton::drawCaption(HDC dc, const RECT& area, bool disabled) const {
    std::wstring text = caption();
    RECT box = area;
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefixFormat_;
    SetBkMode(dc, TRANSPARENT);
    if (disabled && !theme_) {
        // The embossed look of a disabled caption.
        OffsetRect(&box, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format);
        box = area;
    }
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format);
}

void ZelCustomButton::drawContent(HDC dc, const RECT& content, bool disabled, bool) {
    drawCaption(dc, content, disabled);
}

void ZelCustomButton::drawFrame(HDC dc, const RECT& rect, bool disabled, bool pushed, bool focused, RECT& content) {
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
        InflateRect(&content, -std::max(0, inset - 3), -std::max(0, inset - 3));
    } else {
        DrawFrameControl(dc, &frame, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
        content = rect;
        InflateRect(&content, -inset, -inset);
    }
}

bool ZelCustomButton::reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        onClicked();
        return false;  // the click goes on to the dialog
    }
    if (message != WM_DRAWITEM) return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const bool pushed = item->itemState & ODS_SELECTED;
    const bool disabled = item->itemState & ODS_DISABLED;
    const bool focused = item->itemState & ODS_FOCUS;
    const LRESULT uiState = SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0);
    const bool hideFocus = (item->itemState & ODS_NOFOCUSRECT) || (uiState & UISF_HIDEFOCUS);
    prefixFormat_ = ((item->itemState & ODS_NOACCEL) || (uiState & UISF_HIDEACCEL)) ? DT_HIDEPREFIX : 0;
    MemoryDC dc(item->hDC);
    RECT content{};
    drawFrame(dc, item->rcItem, disabled, pushed, focused, content);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font);
    if (focused && !hideFocus) DrawFocusRect(dc, &content);
    if (pushed && !theme_) OffsetRect(&content, 1, 1);
    drawContent(dc, content, disabled, pushed);
    SelectObject(dc, old);
    result = TRUE;
    return true;
}

LRESULT CALLBACK ZelCustomButton::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<ZelCustomButton*>(data);
    switch (message) {
        case WM_GETDLGCODE: {
            // An owner-drawn button is no push button to the dialog, which would give Enter to
            // the default button; a focused push button takes Enter itself.
            const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
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
                self->enterDown_ = true;
                return 0;
            }
            break;
        case WM_KEYUP:
            if (wParam == VK_RETURN && self->enterDown_) {
                self->enterDown_ = false;
                if (IsWindowEnabled(window)) {
                    PostMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(window));
                }
                return 0;
            }
            break;
        case WM_KILLFOCUS:
            self->enterDown_ = false;
            break;
        case WM_CHAR:
            if (wParam == L'\r') return 0;
            break;
        case WM_MOUSEMOVE:
            if (!self->hot_) {
                self->hot_ = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                InvalidateRect(window, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            self->hot_ = false;
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_THEMECHANGED:
            self->theme_.reset();
            self->themeOpened_ = false;
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_UPDATEUISTATE: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return result;
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// --- ZelImageButton ----------------------------------------------------------------------------

void ZelImageButton::drawAlignedCaption(HDC dc, const RECT& area, bool disabled) const {
    std::wstring text = caption();
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &measure, DT_CALCRECT | DT_SINGLELINE);
    const int width = measure.right, height = measure.bottom;
    RECT box = area;
    if (textAlign & AlignHCenter) {
        box.left = area.left + (area.right - area.left - width) / 2;
    } else if (textAlign & AlignRight) {
        box.left = area.right - width;
    }
    if (textAlign & AlignVCenter) {
        box.top = area.top + (area.bottom - area.top - height) / 2 - 1;
    } else if (textAlign & AlignBottom) {
        box.top = area.bottom - height;
    }
    box.right = box.left + width;
    box.bottom = box.top + height;
    drawCaption(dc, box, disabled);
}

void ZelImageButton::drawContent(HDC dc, const RECT& content, bool disabled, bool) {
    RECT captionArea = content;
    if (imageCount > 0) {
        const SIZE size = images.imageSize();
        const int runWidth = imageCount * size.cx + (imageCount - 1) * imageGap;
        int x = content.left;
        if (imageAlign & AlignRight) {
            x = content.right - runWidth;
            captionArea.right = x - textGap;
        } else if (imageAlign & AlignHCenter) {
            x = content.left + (content.right - content.left - runWidth) / 2;
        } else {
            captionArea.left = x + runWidth + textGap;
        }
        const int y = (imageAlign & AlignVCenter)  ? content.top + (content.bottom - content.top - size.cy) / 2
                      : (imageAlign & AlignBottom) ? content.bottom - size.cy
                                                   : content.top;
        for (int i = 0; i < imageCount; ++i) images.draw(dc, i, x + i * (size.cx + imageGap), y, disabled);
    }
    drawAlignedCaption(dc, captionArea, disabled);
}

// --- ZelPopupMenuButton ------------------------------------------------------------------------

void ZelPopupMenuButton::attach(HWND dialog, int id) {
    ZelImageButton::attach(dialog, id);
    loadArrows(windowDpi(hwnd_));
}

void ZelPopupMenuButton::loadArrows(UINT dpi) {
    constexpr COLORREF magenta = RGB(255, 0, 255);
    // The arrows are 8 pixels wide (up, down) and 7 (left, right) at 100%; 12 and 9 at 150%,
    // 16 and 11 at 200%.
    const int scale = drawnScale(dpi);
    const int vertical = 8 * scale / 100, horizontal = scale == 100 ? 7 : scale == 150 ? 9 : 11;
    // Each added bitmap must land as image 1, after its partner.
    if (!verticalArrows_.create(scaledBitmapId(IDB_ARROW_UP, dpi), vertical, 1, magenta) ||
        verticalArrows_.add(scaledBitmapId(IDB_ARROW_DOWN, dpi), magenta) != 1 ||
        !horizontalArrows_.create(scaledBitmapId(IDB_ARROW_LEFT, dpi), horizontal, 1, magenta) ||
        horizontalArrows_.add(scaledBitmapId(IDB_ARROW_RIGHT, dpi), magenta) != 1) {
        throw std::runtime_error("The arrow bitmaps of the popup-menu button are missing.");
    }
    arrowDpi_ = dpi;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

int ZelPopupMenuButton::setArrowGlyph(int glyph) {
    const int previous = arrowGlyph_;
    arrowGlyph_ = glyph;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    return previous;
}

int ZelPopupMenuButton::setArrowAlign(int align) {
    const int previous = arrowAlign_;
    arrowAlign_ = align;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    return previous;
}

int ZelPopupMenuButton::setTextAlign(int align) {
    const int previous = textAlign;
    textAlign = align;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    return previous;
}

int ZelPopupMenuButton::setAnchor(int anchor) {
    const int previous = anchor_;
    anchor_ = anchor;
    return previous;
}

void ZelPopupMenuButton::setMenu(int menuId, int subMenu) {
    menu_.reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
    subMenu_ = subMenu;
}

HMENU ZelPopupMenuButton::popup() const {
    return subMenu_ < 0 ? menu_.get() : GetSubMenu(menu_.get(), subMenu_);
}

void ZelPopupMenuButton::drawContent(HDC dc, const RECT& content, bool disabled, bool) {
    const ZelImageList& arrows = arrowGlyph_ <= 1 ? verticalArrows_ : horizontalArrows_;
    const SIZE size = arrows.imageSize();
    RECT captionArea = content;
    int x;
    const int margin = scaledForDpi(arrowMargin, arrowDpi_), gap = scaledForDpi(arrowGap, arrowDpi_);
    if (arrowAlign_ & AlignRight) {
        x = content.right - margin - size.cx - 1;
        captionArea.right = x - gap;
    } else if (arrowAlign_ & AlignHCenter) {
        x = content.left + (content.right - content.left - size.cx) / 2;
    } else {
        x = content.left + margin;
        captionArea.left = x + size.cx + gap;
    }
    const int y = std::max(static_cast<int>(content.top),
                           static_cast<int>(content.top + (content.bottom - content.top - size.cy) / 2));
    arrows.draw(dc, arrowGlyph_ % 2, x, y, disabled);
    drawAlignedCaption(dc, captionArea, disabled);
}

void ZelPopupMenuButton::onClicked() {
    HMENU menu = popup();
    if (!menu) return;
    RECT window;
    GetWindowRect(hwnd_, &window);
    const int x = (anchor_ & AlignRight)     ? window.right - 1
                  : (anchor_ & AlignHCenter) ? (window.left + window.right) / 2
                                             : window.left;
    const int y = (anchor_ & AlignBottom)    ? window.bottom - 1
                  : (anchor_ & AlignVCenter) ? (window.top + window.bottom) / 2
                                             : window.top;
    HWND owner = GetParent(hwnd_);
    if (!owner) owner = mainWindow();
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
}

}  // namespace ui

#include "ui/controls/dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

namespace ui {

UINT windowDpi(HWND window) {
    const UINT dpi = window ? GetDpiForWindow(window) : 0;
    if (dpi != 0) return dpi;
    HDC screen = GetDC(nullptr);
    const int system = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return system > 0 ? static_cast<UINT>(system) : kBaseDpi;
}

int scaledForDpi(int pixelsAt100, UINT dpi) {
    return MulDiv(pixelsAt100, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

int drawnScale(UINT dpi) {
    // Half way between the drawings: 125% takes the 150% one, 175% the 200% one.
    if (dpi * 8 < kBaseDpi * 10) return 100;
    if (dpi * 4 < kBaseDpi * 7) return 150;
    return 200;
}

int scaledBitmapId(int bitmapIdAt100, UINT dpi) {
    switch (drawnScale(dpi)) {
        case 150:
            return bitmapIdAt100 + 0x100;
        case 200:
            return bitmapIdAt100 + 0x200;
        default:
            return bitmapIdAt100;
    }
}

int systemMetricForDpi(int index, UINT dpi) {
    return GetSystemMetricsForDpi(index, dpi);
}

int rescaled(int value, UINT oldDpi, UINT newDpi) {
    return MulDiv(value, static_cast<int>(newDpi), static_cast<int>(oldDpi));
}

bool isWindowClass(HWND window, const wchar_t* name) {
    wchar_t found[32] = {};
    GetClassNameW(window, found, 32);
    return lstrcmpiW(found, name) == 0;
}

void rescaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, const RECT& suggested, std::vector<OwnedFont>& fonts) {
    if (oldDpi == 0 || newDpi == 0) return;
    // Each font once: controls that shared one share its new size.
    std::map<HFONT, HFONT> made;
    const auto rescaledFont = [&](HFONT font) -> HFONT {
        if (!font) return nullptr;
        auto known = made.find(font);
        if (known != made.end()) return known->second;
        LOGFONTW log{};
        if (!GetObjectW(font, sizeof(log), &log)) return made[font] = nullptr;
        log.lfHeight = rescaled(log.lfHeight, oldDpi, newDpi);
        log.lfWidth = rescaled(log.lfWidth, oldDpi, newDpi);
        fonts.emplace_back(CreateFontIndirectW(&log));
        return made[font] = fonts.back().get();
    };
    SendMessageW(dialog, WM_SETREDRAW, FALSE, 0);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        int height = rect.bottom - rect.top;
        if (isWindowClass(child, L"ComboBox")) {
            // A combo box's height includes its drop-down list; its closed height follows its font.
            RECT dropped{};
            if (SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped))) {
                height = std::max(height, static_cast<int>(dropped.bottom - dropped.top));
            }
        }
        if (HFONT font = rescaledFont(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)))) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        const int left = rescaled(rect.left, oldDpi, newDpi), top = rescaled(rect.top, oldDpi, newDpi);
        SetWindowPos(child, nullptr, left, top, rescaled(rect.right, oldDpi, newDpi) - left,
                     rescaled(rect.top + height, oldDpi, newDpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (isWindowClass(child, WC_LISTVIEWW)) {
            const int columns = Header_GetItemCount(ListView_GetHeader(child));
            for (int i = 0; i < columns; ++i) {
                ListView_SetColumnWidth(child, i, rescaled(ListView_GetColumnWidth(child, i), oldDpi, newDpi));
            }
        }
    }
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(dialog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void takeOverDialogScaling(HWND dialog) {
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    // Windows 10 1703 and later; older systems and Wine rescale nothing themselves.
    auto set =
        user
            ? reinterpret_cast<SetBehavior>(reinterpret_cast<void*>(GetProcAddress(user, "SetDialogDpiChangeBehavior")))
            : nullptr;
    constexpr int kDisableAll = 0x0001;  // DDC_DISABLE_ALL
    if (set) set(dialog, kDisableAll, kDisableAll);
}

}  // namespace ui

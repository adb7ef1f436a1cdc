#include "ui/controls/text_limit.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls/drawing.h"
#include "ui/controls/subclassed_control.h"

namespace ui {
namespace {

bool isHigh(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

std::size_t unitLength(wchar_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
}

// The bytes the text keeps when the selection is replaced.
std::size_t bytesOutsideSelection(HWND edit) {
    const std::wstring text = windowText(edit);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
    end = std::min<DWORD>(std::max(start, end), static_cast<DWORD>(text.size()));
    return utf8Length(std::wstring_view(text).substr(0, start)) + utf8Length(std::wstring_view(text).substr(end));
}

std::wstring clipboardText(HWND owner) {
    std::wstring text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Lives as long as its edit field.
class Utf8Limit : public SubclassedControl {
public:
    static void limit(HWND edit, std::size_t maxBytes) {
        auto* installed = dynamic_cast<Utf8Limit*>(of(edit));
        if (!installed) {
            installed = new Utf8Limit;
            installed->installOwnedByWindow(edit);
        }
        installed->maxBytes_ = maxBytes;
    }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::size_t maxBytes_ = 0;
    bool dropLowSurrogate_ = false;  // between a high surrogate refused and the low one after it
};

LRESULT Utf8Limit::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND edit = hwnd_;
    const std::size_t maxBytes = maxBytes_;
    switch (message) {
        case WM_CHAR:
        case WM_IME_CHAR: {
            const auto c = static_cast<wchar_t>(wParam);
            if (c == 0x16) return SendMessageW(edit, WM_PASTE, 0, 0);  // Ctrl+V
            if (isLow(c) && dropLowSurrogate_) {
                dropLowSurrogate_ = false;
                return 0;
            }
            if (c < 0x20 || isLow(c)) break;  // editing keys; the second half of an admitted pair
            // A high surrogate stands for its whole pair: four bytes.
            const std::size_t needed = isHigh(c) ? 4 : unitLength(c);
            if (bytesOutsideSelection(edit) + needed <= maxBytes) break;
            if (isHigh(c)) dropLowSurrogate_ = true;
            MessageBeep(MB_OK);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
                return SendMessageW(edit, WM_PASTE, 0, 0);
            }
            break;
        case WM_IME_COMPOSITION:
        case WM_UNDO:
        case EM_UNDO: {
            // The field inserts these texts itself: whatever no longer fits is refused whole.
            const std::wstring before = windowText(edit);
            DWORD start = 0, end = 0;
            SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            const LRESULT result = forward(message, wParam, lParam);
            if (utf8Length(windowText(edit)) > maxBytes) {
                forward(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(before.c_str()));
                SendMessageW(edit, EM_SETSEL, start, end);
                MessageBeep(MB_OK);
            }
            return result;
        }
        case WM_PASTE: {
            // Through the replacement below, which cuts what does not fit.
            std::wstring text = clipboardText(edit);
            if (!(GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE)) text = text.substr(0, text.find_first_of(L"\r\n"));
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
            return 0;
        }
        case EM_REPLACESEL: {
            if (!lParam) break;
            const std::wstring_view inserted(reinterpret_cast<const wchar_t*>(lParam));
            const std::size_t kept = bytesOutsideSelection(edit);
            const std::wstring fitting(fitUtf8(inserted, kept < maxBytes ? maxBytes - kept : 0));
            if (fitting.size() == inserted.size()) break;
            MessageBeep(MB_OK);
            return forward(message, wParam, reinterpret_cast<LPARAM>(fitting.c_str()));
        }
    }
    return forward(message, wParam, lParam);
}

}  // namespace

std::size_t utf8Length(std::wstring_view text) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHigh(text[i]) && i + 1 < text.size() && isLow(text[i + 1])) {
            bytes += 4;
            ++i;
        } else {
            bytes += unitLength(text[i]);
        }
    }
    return bytes;
}

std::wstring_view fitUtf8(std::wstring_view text, std::size_t maxBytes) {
    std::size_t bytes = 0, i = 0;
    while (i < text.size()) {
        const bool pair = isHigh(text[i]) && i + 1 < text.size() && isLow(text[i + 1]);
        const std::size_t size = pair ? 4 : unitLength(text[i]);
        if (bytes + size > maxBytes) break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return text.substr(0, i);
}

void limitUtf8Bytes(HWND control, int maxBytes) {
    HWND edit = control;
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof(combo);
    if (GetComboBoxInfo(control, &combo) && combo.hwndItem) edit = combo.hwndItem;
    if (!edit || maxBytes < 0) return;
    // Every character takes at least one byte, so the system's unit limit can stay as a backstop.
    SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(maxBytes), 0);
    Utf8Limit::limit(edit, static_cast<std::size_t>(maxBytes));
}

}  // namespace ui

#include "ui/controls/drawing.h"

namespace ui {
namespace {

RECT clipBoxOf(HDC dc) {
    RECT box{};
    GetClipBox(dc, &box);
    return box;
}

}  // namespace

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

OwnedFont boldFontOf(HWND dialog) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW log{};
    GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof(log), &log);
    log.lfWeight = FW_BOLD;
    return OwnedFont(CreateFontIndirectW(&log));
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace ui

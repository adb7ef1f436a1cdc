// Drawing helpers the owner-drawn controls share.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/handles.h"

namespace ui {

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

// The dialog's font in bold.
OwnedFont boldFontOf(HWND dialog);

std::wstring windowText(HWND window);

}  // namespace ui

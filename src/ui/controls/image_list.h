// An image list loaded from a bitmap resource, drawn greyed for a disabled control.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include "ui/controls/handles.h"

namespace ui {

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

}  // namespace ui

#include "ui/controls/image_list.h"

namespace ui {

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

}  // namespace ui

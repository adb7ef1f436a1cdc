// Sizes for the display a window is on. The program is aware of each monitor's scale: its
// windows are laid out at the scale of the monitor they are on and laid out again when they move
// to another (WM_DPICHANGED), so nothing is stretched by the system and blurred.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/controls/handles.h"

namespace ui {

constexpr UINT kBaseDpi = 96;  // 100%

// The dots per inch of the monitor the window is on; 96 when the system cannot say.
UINT windowDpi(HWND window);
// A size in pixels at 100%, at `dpi`.
int scaledForDpi(int pixelsAt100, UINT dpi);
// The scale (100, 150 or 200) of the drawings that suit `dpi` best; the bitmaps exist at these.
int drawnScale(UINT dpi);
// The resource id of a bitmap drawn at drawnScale(dpi), from the id of its 100% drawing.
int scaledBitmapId(int bitmapIdAt100, UINT dpi);
// A system size (SM_CXICON...) at `dpi`.
int systemMetricForDpi(int index, UINT dpi);
// A length at `oldDpi` as it is at `newDpi`.
int rescaled(int value, UINT oldDpi, UINT newDpi);
// Whether the window is of this class (ignoring case): layouts treat combo boxes and list views
// apart.
bool isWindowClass(HWND window, const wchar_t* name);

// Lays a dialog's controls out again for a new dpi: every control moved and sized in proportion,
// every font (the dialog's own and those made in code) made again at the new size, and list-view
// columns widened in proportion. The new fonts are added to `fonts`, which must outlive the
// controls; the dialog itself is then placed at `suggested`, as the system proposes.
void rescaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, const RECT& suggested, std::vector<OwnedFont>& fonts);

// Turns off the dialog manager's own rescaling where the system has one, so that it does not
// happen twice.
void takeOverDialogScaling(HWND dialog);

}  // namespace ui

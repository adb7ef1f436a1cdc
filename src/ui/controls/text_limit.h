// Edit fields whose text goes into a fixed byte slot hold at most that many bytes of UTF-8. The
// system's own limit counts UTF-16 units, so 60 Japanese characters (180 bytes) would pass a limit
// of 127; this one counts the bytes the text will take once stored.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

// The number of bytes `text` takes in UTF-8 (a lone surrogate counts as the replacement character).
std::size_t utf8Length(std::wstring_view text);

// The longest start of `text` that takes at most maxBytes bytes of UTF-8; never splits a
// surrogate pair.
std::wstring_view fitUtf8(std::wstring_view text, std::size_t maxBytes);

// Limits an edit control, or the edit field of a combo box, to maxBytes bytes of UTF-8: typing
// stops at the limit, and pasted or inserted text is cut at a character boundary so that it fits.
// A text set from code (a longer one can only come from an old file) is shown whole, never cut
// behind the user's back: the dialog's OK refuses it with its reason.
void limitUtf8Bytes(HWND control, int maxBytes);

}  // namespace ui

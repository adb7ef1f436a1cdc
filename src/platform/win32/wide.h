// The one conversion between the program's UTF-8 and the UTF-16 of every Win32 call, for the
// platform layer, the dialogs, the command line and the test drivers alike. Ill-formed input
// becomes U+FFFD rather than failing, so a name is always shown and never cut short.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);
// A null pointer is an empty text.
std::string narrow(const wchar_t* text);

// Bytes in a Windows code page as UTF-8; nothing when the system does not know that code page.
std::optional<std::string> fromCodePage(unsigned codePage, std::string_view bytes);

}  // namespace platform::win32

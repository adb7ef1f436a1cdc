// UTF-8 (everything in the program) to UTF-16 (every Win32 call) and back, for the dialogs.
#pragma once

#include <string>

#include "platform/utf8.h"

namespace ui {

inline std::wstring widen(const std::string& text) {
    const std::u16string wide = platform::utf8::toUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string narrow(const std::wstring& text) {
    return platform::utf8::fromUtf16(std::u16string(text.begin(), text.end()));
}

}  // namespace ui

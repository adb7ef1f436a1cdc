#include "platform/win32/wide.h"

#include <windows.h>

#include "calderwynstrope/plugin_text.h"
#include "platform/utf8.h"

namespace platform::win32 {

// The UTF-8 side goes through the portable decoder, so Windows and the native tests agree on
// every ill-formed sequence.
std::wstring widen(std::string_view text) {
    const std::u16string wide = utf8::toUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string narrow(std::wstring_view text) {
    return utf8::fromUtf16(std::u16string(text.begin(), text.end()));
}

std::string narrow(const wchar_t* text) {
    return text ? narrow(std::wstring_view(text)) : std::string();
}

std::optional<std::string> fromCodePage(unsigned codePage, std::string_view bytes) {
    bool known = true;
    const std::wstring wide = calderwynstrope::widenFromCodePage(codePage, bytes.data(), bytes.size(), &known);
    if (!known) return std::nullopt;
    return narrow(wide);
}

}  // namespace platform::win32

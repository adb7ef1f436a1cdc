// Win32 case mapping by the system's invariant tables, and text in the system's ANSI code page.
#include <windows.h>

#include "platform/text.h"
#include "platform/utf8.h"
#include "platform/win32/win32_util.h"

namespace platform {

using win32::narrow;
using win32::widen;

namespace {

char32_t mapCase(char32_t c, DWORD flag) {
    std::string text;
    utf8::append(text, c);
    const std::wstring wide = widen(text);
    wchar_t out[4];
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, flag, wide.c_str(), static_cast<int>(wide.size()), out, 4,
                                nullptr, nullptr, 0);
    if (n != static_cast<int>(wide.size())) return c;
    const std::string mapped = narrow(std::wstring(out, static_cast<std::size_t>(n)));
    std::size_t pos = 0;
    const char32_t result = utf8::decode(mapped, pos);
    return pos == mapped.size() ? result : c;
}

}  // namespace

char32_t toLowerCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return mapCase(c, LCMAP_LOWERCASE);
}

char32_t toUpperCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return mapCase(c, LCMAP_UPPERCASE);
}

std::string nameFromRecord(const std::string& bytes) {
    return legacyTextToUtf8(bytes);
}

std::string legacyTextToUtf8(const std::string& bytes) {
    if (utf8::isValid(bytes)) return bytes;
    // The manifest makes this program's own code page UTF-8, so ask for the system's.
    UINT codePage = 0;
    if (GetLocaleInfoEx(LOCALE_NAME_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t)) == 0 ||
        codePage == 0 || codePage == CP_UTF8) {
        return utf8::fromWindows1252(bytes);
    }
    std::optional<std::string> decoded = win32::fromCodePage(codePage, bytes);
    return decoded ? *std::move(decoded) : utf8::fromWindows1252(bytes);
}

}  // namespace platform

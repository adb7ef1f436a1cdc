/* Text helpers for C++ plug-ins on Windows. The program hands every text to a plug-in as UTF-8,
 * while Win32 dialogs speak UTF-16; these convert between the two (and from any Windows code
 * page) so that a plug-in needs nothing beyond this folder. The program decodes code pages with
 * `widenFromCodePage` too, but converts UTF-8 with a portable decoder of its own: well-formed text
 * comes out the same either way; ill-formed bytes become U+FFFD in both, though not always as
 * many of them. */
#pragma once

#if defined(_WIN32) && defined(__cplusplus)

#include <windows.h>

#include <string>

namespace calderwynstrope {

/* Bytes in a Windows code page as UTF-16. Ill-formed bytes become U+FFFD for CP_UTF8; a code page
 * the system does not know gives `ok` false and an empty text. */
inline std::wstring widenFromCodePage(unsigned codePage, const char* bytes, std::size_t size, bool* ok = nullptr) {
    if (ok) *ok = true;
    if (size == 0) return std::wstring();
    const int length = static_cast<int>(size);
    const int n = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
    if (n <= 0) {
        if (ok) *ok = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), n);
    return wide;
}

inline std::wstring widen(const std::string& utf8) {
    return widenFromCodePage(CP_UTF8, utf8.data(), utf8.size());
}

inline std::string narrow(const wchar_t* text) {
    if (!text || !*text) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace calderwynstrope

#endif

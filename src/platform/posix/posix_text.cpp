// Case mapping by the C library's Unicode tables; old texts are read as Windows-1252, which is
// what the ANSI systems that wrote them used most.
#include <locale.h>

#include <cwctype>

#include "platform/text.h"
#include "platform/utf8.h"

namespace platform {

namespace {

locale_t unicodeLocale() {
    // C.UTF-8 is built into current C libraries; its tables cover all of Unicode.
    static locale_t locale = [] {
        locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!l) l = ::newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
        return l;
    }();
    return locale;
}

}  // namespace

char32_t toLowerCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    locale_t l = unicodeLocale();
    return l ? static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), l)) : c;
}

char32_t toUpperCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    locale_t l = unicodeLocale();
    return l ? static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), l)) : c;
}

std::string legacyTextToUtf8(const std::string& bytes) {
    return utf8::fromLegacy(bytes);
}

std::string nameFromRecord(const std::string& bytes) {
    return bytes;
}

}  // namespace platform

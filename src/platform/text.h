// Text services that need the platform's own tables: case mapping of one Unicode code point, and
// decoding text written by older programs. The portable UTF-8 helpers are in utf8.h.
#pragma once

#include <string>

namespace platform {

// A code point without a mapping comes back unchanged.
char32_t toLowerCodePoint(char32_t c);
char32_t toUpperCodePoint(char32_t c);

// Text from a file or tag written by an older program: kept when it is valid UTF-8, else decoded
// from the system's ANSI code page (Windows), or from Windows-1252 where there is none.
std::string legacyTextToUtf8(const std::string& bytes);

}  // namespace platform

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

// A folder or file name read back from a record this program wrote. On POSIX names are bytes and
// come back exactly as they were recorded, whatever their encoding (legacyTextToUtf8 is for
// showing them). On Windows names were recorded as UTF-8, so other bytes were written by an older
// program on an ANSI system and are decoded as legacy text.
std::string nameFromRecord(const std::string& bytes);

}  // namespace platform

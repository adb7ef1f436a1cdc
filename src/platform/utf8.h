// UTF-8 helpers shared by every layer: decoding and encoding code points, validity, and cutting
// a text at a character boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point that starts at text[pos] and advances pos past it. A byte that does not
// start a well-formed sequence (including overlong forms and surrogates) decodes as kReplacement
// and advances by one byte, so decoding always makes progress.
char32_t decode(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of c (kReplacement for values that are not Unicode scalar values).
void append(std::string& out, char32_t c);

// The number of bytes of the well-formed sequence starting at text[pos], or 0 when there is none.
std::size_t sequenceLength(std::string_view text, std::size_t pos);

bool isValid(std::string_view text);

// The largest n' <= n such that text[0, n') ends on a character boundary: cutting there never
// splits a multi-byte sequence.
std::size_t boundaryAtOrBefore(std::string_view text, std::size_t n);

// The text cut to at most maxBytes bytes, at a character boundary.
std::string truncate(std::string_view text, std::size_t maxBytes);

// Windows-1252 (a superset of Latin-1 for the printable range) to UTF-8, for texts written by
// older programs on ANSI systems.
std::string fromWindows1252(std::string_view bytes);

// The text itself when it is valid UTF-8, else its bytes read as Windows-1252.
std::string fromLegacy(std::string_view bytes);

// UTF-16 conversions, used at the Windows boundary and by tests. Ill-formed input becomes U+FFFD.
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view text);

}  // namespace platform::utf8

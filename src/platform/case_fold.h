// Letter case as Windows file systems ignore it: each character of the Basic Multilingual Plane
// stands for its simple uppercase form (the one-to-one mapping of the Unicode data, never a
// special or full one) and nothing else is folded. A character whose uppercase does not lower
// back to it stays as it is, as in Windows' upcase table: "µ" (micro sign) and "Μ" (capital mu),
// "ı" and "I", "ſ" and "S", "ς" and "Σ", "ǅ" and "Ǆ" are different names. So "é" meets "É", while
// "ß" and "ẞ", "İ" and "i", the Kelvin sign and "K", the Ohm sign and "Ω" stay apart, and
// characters beyond the BMP (written as surrogate pairs in UTF-16) are compared exactly. Both builds fold
// with the same table, so what a preview calls equal is what the move calls equal.
#pragma once

#include <string>
#include <string_view>

namespace platform {

char32_t foldCodePoint(char32_t c);

// Every character of `text` folded, appended to `out`. A folded character may take another
// number of UTF-8 bytes ("ɐ" two, "Ɐ" three); a byte that is not UTF-8 is kept as it is.
void appendFolded(std::string& out, std::string_view text);
std::string foldedText(std::string_view text);

bool equalIgnoringCase(std::string_view a, std::string_view b);
bool equalIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace platform

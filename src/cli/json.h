// The pieces of calderwynstrope-cli's --json output (JSON Lines): strings escaped so that every
// line is one object, and names given so that every one comes back byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Whether `text` is well-formed UTF-8: no stray or missing continuation byte, no overlong form,
// no surrogate, nothing beyond U+10FFFF.
bool isUtf8(std::string_view text);

// `text` as a JSON string, quotes included: a quote and a backslash escaped, every control
// character (and DEL) as \u00XX, anything that is not UTF-8 as U+FFFD. For texts of the program's
// own, which must not break a line but need not come back exactly.
std::string jsonText(std::string_view text);

// A name as the members `"key":` and, when it is not UTF-8 (a POSIX name is any bytes),
// `"key":null,"key_hex":` with its bytes in lowercase hexadecimal, so every name round-trips.
std::string jsonName(std::string_view key, std::string_view name);

}  // namespace cli

// Plain ASCII text helpers that every layer of the core needs, from the ini reader up to the
// filters; kept below them all so reading a settings file never depends on the filters.
#pragma once

#include <string>

namespace core {

// The C locale's white space: what the filters and the settings reader trim.
bool isWhiteSpace(char c);

// `text` without the white space at either end.
std::string trimWhiteSpace(const std::string& text);

}  // namespace core

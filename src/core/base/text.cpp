#include "core/base/text.h"

namespace core {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimWhiteSpace(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isWhiteSpace(text[first])) ++first;
    while (last > first && isWhiteSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace core

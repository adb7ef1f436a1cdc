#include "platform/wildcard.h"

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace platform {
namespace {

std::u32string foldedCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::decode(text, pos);
        out += c < 0x80 ? ((c >= 'A' && c <= 'Z') ? c + 32 : c) : toLowerCodePoint(c);
    }
    return out;
}

// Classic greedy matcher with backtracking to the last star: linear in practice, never
// exponential.
bool matchFolded(const std::u32string& pattern, const std::u32string& name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    const std::u32string folded = foldedCodePoints(name);
    std::u32string pat = foldedCodePoints(pattern);
    if (matchFolded(pat, folded))
        return true;
    const bool nameHasPeriod = folded.find(U'.') != std::u32string::npos;
    if (pat.size() >= 2 && pat.compare(pat.size() - 2, 2, U".*") == 0 && !nameHasPeriod) {
        return matchFolded(pat.substr(0, pat.size() - 2), folded);
    }
    if (!pat.empty() && pat.back() == U'.' && !nameHasPeriod) {
        return matchFolded(pat.substr(0, pat.size() - 1), folded);
    }
    return false;
}

}  // namespace platform

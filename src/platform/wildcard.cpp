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
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The same matcher over ASCII bytes, with no copies: the common case of every big folder.
bool matchAscii(std::string_view pattern, std::string_view name) {
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    const auto matchWith = [](const auto& pat, const auto& text, auto match, auto period) {
        if (match(pat, text)) return true;
        const bool textHasPeriod = text.find(period) != text.npos;
        if (textHasPeriod || pat.empty()) return false;
        // "track.*" matches "track", and "*." matches names without a period.
        if (pat.size() >= 2 && pat[pat.size() - 2] == period && pat.back() == '*') {
            return match(pat.substr(0, pat.size() - 2), text);
        }
        if (pat.back() == period) return match(pat.substr(0, pat.size() - 1), text);
        return false;
    };
    if (isAscii(pattern) && isAscii(name)) return matchWith(pattern, name, matchAscii, '.');
    const std::u32string folded = foldedCodePoints(name), pat = foldedCodePoints(pattern);
    return matchWith(pat, folded, matchFolded, U'.');
}

}  // namespace platform

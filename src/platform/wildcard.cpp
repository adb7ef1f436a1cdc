#include "platform/wildcard.h"

#include <string>
#include <vector>

#include "platform/text.h"
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
// exponential. `same` compares a pattern character with a name character.
template <typename Text, typename Same>
bool matchGreedy(const Text& pattern, const Text& name, Same same) {
    std::size_t p = 0, n = 0;
    std::size_t starP = Text::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != Text::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Both sides folded to lower case already.
bool matchFolded(const std::u32string& pattern, const std::u32string& name) {
    return matchGreedy(pattern, name, [](char32_t a, char32_t b) { return a == b; });
}

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// ASCII bytes, folded as they are compared, with no copies: the common case of every big folder.
bool matchAscii(std::string_view pattern, std::string_view name) {
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return matchGreedy(pattern, name, [&](char a, char b) { return fold(a) == fold(b); });
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

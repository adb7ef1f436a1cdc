#include "platform/wildcard.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/case_fold.h"
#include "platform/utf8.h"

namespace platform {
namespace {

// The wildcards of the expression. Any other value is a character to meet, folded.
constexpr char32_t kStar = U'*';
constexpr char32_t kStarToLastDot = U'<';
constexpr char32_t kOneOrNone = U'>';
constexpr char32_t kDotOrEnd = U'"';

// The next character, folded; a byte that is not UTF-8 becomes a value no character has (a lone
// low surrogate), so it meets only the same byte.
char32_t nextFolded(std::string_view text, std::size_t& pos) {
    if (utf8::sequenceLength(text, pos) == 0) return 0xDC00 | static_cast<unsigned char>(text[pos++]);
    return foldCodePoint(utf8::decode(text, pos));
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern) {
    // Windows drops a name's trailing spaces and periods before the search sees the pattern, and
    // the search puts one final period back when there was one.
    const bool endsInDot = !pattern.empty() && pattern.back() == '.';
    const std::size_t kept = pattern.find_last_not_of(". ");
    pattern = kept == std::string_view::npos ? std::string_view() : pattern.substr(0, kept + 1);
    if (pattern == "*.*" || (pattern == "*" && !endsInDot)) {
        everything_ = true;
        return;
    }
    std::u32string text;
    for (std::size_t pos = 0; pos < pattern.size();) text += nextFolded(pattern, pos);
    if (endsInDot) text += U'.';
    // The pattern's "?", "*" and "." become the wildcards Windows turns them into, each decided by
    // the character after it as it was typed.
    expression_.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
        char32_t c = text[i];
        if (c == U'?') {
            c = kOneOrNone;
        } else if (c == U'*' && next == U'.') {
            c = kStarToLastDot;
        } else if (c == U'.' && (next == U'?' || next == U'*' || i + 1 == text.size())) {
            c = kDotOrEnd;
        }
        // Windows lets a star that follows another match across the last period too: "<<"
        // matches "a.a" where "<" does not.
        if (c == kStarToLastDot && !expression_.empty() &&
            (expression_.back() == kStar || expression_.back() == kStarToLastDot)) {
            c = kStar;
        }
        expression_ += c;
    }
}

// Every position of the expression the name so far can have reached is followed at once, one
// character at a time: time grows with name length times pattern length, never exponentially.
bool WildcardPattern::matches(std::string_view name) const {
    if (everything_) return true;
    if (name.empty() || expression_.empty()) return false;
    const std::size_t size = expression_.size() + 1;
    unsigned char onStack[2 * 64];
    std::unique_ptr<unsigned char[]> onHeap;
    unsigned char* reached = onStack;
    if (size > 64) {
        onHeap.reset(new unsigned char[2 * size]);
        reached = onHeap.get();
    }
    unsigned char* after = reached + size;
    const std::size_t lastDot = name.rfind('.');
    // Moves that take no character, given what comes next in the name.
    const auto advanceFree = [&](unsigned char* states, std::size_t pos) {
        const bool atEnd = pos == name.size(), atDot = !atEnd && name[pos] == '.';
        for (std::size_t p = 0; p + 1 < size; ++p) {
            if (!states[p]) continue;
            const char32_t w = expression_[p];
            if (w == kStar || w == kStarToLastDot || (w == kOneOrNone && (atEnd || atDot)) ||
                (w == kDotOrEnd && atEnd)) {
                states[p + 1] = 1;
            }
        }
    };
    std::fill(reached, reached + size, 0);
    reached[0] = 1;
    advanceFree(reached, 0);
    for (std::size_t pos = 0; pos < name.size();) {
        const bool finalDot = pos == lastDot;
        const char32_t c = nextFolded(name, pos);
        std::fill(after, after + size, 0);
        bool any = false;
        for (std::size_t p = 0; p + 1 < size; ++p) {
            if (!reached[p]) continue;
            const char32_t w = expression_[p];
            if (w == kStar || (w == kStarToLastDot && !finalDot)) {
                after[p] = 1;
                any = true;
            } else if (w == kOneOrNone ? c != U'.' : w == kDotOrEnd ? c == U'.' : w == c && w != kStarToLastDot) {
                after[p + 1] = 1;
                any = true;
            }
        }
        if (!any) return false;
        advanceFree(after, pos);
        std::swap(reached, after);
    }
    return reached[size - 1] != 0;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    return WildcardPattern(pattern).matches(name);
}

}  // namespace platform

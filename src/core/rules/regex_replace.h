// Find and Replace by regular expression: PCRE2 patterns in UTF mode, every match of the text
// replaced by a replacement that may insert what the pattern captured.
//
// The replacement takes "$0" to "$99" (a "$" takes one or two digits: "$12" is group 12, and
// "${1}2" puts a "2" after group 1), "${name}" for a named group and "$$" for a "$". Every other
// "$" is refused, and so is a group the pattern does not have, so a typing slip never turns into
// a silent empty text. A group that took no part in the match inserts nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace core {

// The steps all the matches of one name may take together before the pattern gives up on it. A
// name is short, so an honest pattern stays far below it, however many matches it has; a pattern
// that backtracks without end (such as "(a+)+$", or "(?=.*?(a+)+c)?", whose every match is
// cheap enough alone but which matches again at every character) stops here within tens of
// milliseconds and fails that one file, instead of holding the run for hours.
inline constexpr std::uint32_t kRegexNameBudget = 1000000;

// Why a pattern or its replacement is refused: the message a front end shows, which names the
// position, and the field at fault (0 the pattern, 1 the replacement).
struct RegexProblem {
    std::string message;
    int field = 0;
};

// The problem with this pattern and replacement, or an empty message when both are good.
RegexProblem checkRegexReplace(const std::string& pattern, const std::string& replacement, bool matchCase);

// A match that could not finish on one name (the match limit, or a pattern stored in a filter
// file that does not compile); the rename pipeline reports the reason and keeps that name.
class RegexFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces every match in text, left to right; a replacement is never searched again. An empty
// match next to a character is taken once. The compiled pattern is kept for the next call, so a
// run compiles each rule's pattern once. Throws RegexFailure, or NameTooLongError for a result
// past kMaxNameBytes.
void regexReplace(std::string& text, const std::string& pattern, const std::string& replacement, bool matchCase);

// Gives back the calling thread's compiled patterns and match limits (releaseRuleCaches).
void releaseRegexCache() noexcept;

// A cache of compiled patterns and match limits that a job owns (RuleCaches): made, deleted, and
// put in use on the calling thread, giving back the one in use before.
struct RegexCache;
RegexCache* newRegexCache();
void deleteRegexCache(RegexCache* cache) noexcept;
RegexCache* useRegexCache(RegexCache* cache) noexcept;

}  // namespace core

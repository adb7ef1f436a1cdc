// Number Replace: for every number of a range, the text around that number in one form is
// replaced by another form holding the same number, numbers zero-padded to the upper limit.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/rule.h"

namespace core {

// The decimal form of number, with zeros in front up to the digit count of upper (a minus sign
// is not counted): 7 with 32 gives "07", 12 with 5 gives "12".
std::string zeroPad(std::int64_t number, std::int64_t upper);

// Gives back the calling thread's cache of split forms (releaseRuleCaches).
void releaseNumberFormsCache() noexcept;

// A cache of split forms that a job owns (RuleCaches), as the pattern cache (useRegexCache).
struct NumberFormsCache;
NumberFormsCache* newNumberFormsCache();
void deleteNumberFormsCache(NumberFormsCache* cache) noexcept;
NumberFormsCache* useNumberFormsCache(NumberFormsCache* cache) noexcept;

// Applies the rule for every number from rule.option to rule.extra, in increasing order, each
// over the text left by the smaller ones.
void numberReplace(std::string& text, const Rule& rule);

// The two ways of computing numberReplace, exposed so that tests can hold one against the other:
// the plain loop over every number of the range, and the search that jumps straight to the next
// number whose find form occurs in the text, whose time depends on the text and not on the width
// of the range. numberReplace picks one by the size of the range; both give the same result.
void numberReplaceByLoop(std::string& text, const Rule& rule);
void numberReplaceBySearch(std::string& text, const Rule& rule);

}  // namespace core

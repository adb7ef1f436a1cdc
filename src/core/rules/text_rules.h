// The filters that work on the text of a name alone: Change Case, Append, Find and Replace,
// Stripper, Padding and Flip, with the two replace-all helpers they share. Texts are UTF-8 and
// positions are byte indexes; no filter ever splits a multi-byte character.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "core/base/text.h"
#include "core/rules/rule.h"

namespace core {

// No name the file system takes comes near this many bytes. A filter whose output would grow
// past it (a find text that its own replacement contains, applied again and again) stops with
// NameTooLongError instead of eating memory; the rename pipeline reports it and keeps the name.
inline constexpr std::size_t kMaxNameBytes = 8192;

class NameTooLongError : public std::length_error {
public:
    NameTooLongError();
};

// Throws NameTooLongError when text is longer than kMaxNameBytes.
void checkNameLength(const std::string& text);

// Whole-text case conversion by the Unicode case mapping, one code point at a time; a code point
// whose mapping has another UTF-8 length stays as it is, so lengths and positions never change.
// Bytes that are not UTF-8 are kept.
std::string toLowerText(const std::string& text);
std::string toUpperText(const std::string& text);
// toLowerText without a copy.
void lowerInPlace(std::string& text);

// Change Case. Its single-character steps (the first letters of Sentence and Mixed case, every
// letter of Toggle case) map by the same rule as the whole-text conversions.
void changeCase(std::string& text, std::int32_t mode);

// Title Case: a capital at each word's start, every other letter as it was, so capitals written
// in a name stay (MGMT, AC/DC, O'Connor). A word starts at the text's start and after a space, a
// dash, a bracket or quotation mark of any script, "/" or "～"; not after an apostrophe
// ("Don't"). A text of several words written all in capitals is lowered first ("THE WALL" gives
// "The Wall"); one word in capitals is taken for an acronym and kept ("AC-DC"). A word (what lies
// between two word starts, less a trailing ".,;:!?") found in smallWords, a space-separated list
// compared without regard to case, is lowered unless it is the first or last word or carries a
// capital after its first letter; an empty list keeps no word small.
void titleCase(std::string& text, const std::string& smallWords);
// A small-word list as rules keep it: lower case, one space between words, no space at the ends.
std::string normalizeSmallWords(const std::string& words);
void append(std::string& text, const std::string& front, const std::string& end);
void findReplace(std::string& text, const std::string& find, const std::string& replace, std::int32_t flags);
void strip(std::string& text, const Rule& rule);
void pad(std::string& text, const std::string& left, const std::string& both, const std::string& right);
void flip(std::string& text, const Rule& rule);

// Replaces every occurrence of find, left to right; an inserted replacement is never searched
// again, so matches never overlap. An empty find changes nothing. Returns the count.
int replaceAll(std::string& text, const std::string& find, const std::string& replace);
// The same, comparing letters without regard to case ("É" matches "é").
int replaceAllNoCase(std::string& text, const std::string& find, const std::string& replace);

}  // namespace core

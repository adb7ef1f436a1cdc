#include "core/rules/text_rules.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/text.h"
#include "platform/utf8.h"

namespace core {

NameTooLongError::NameTooLongError()
    : std::length_error("the new name grew past " + std::to_string(kMaxNameBytes) + " bytes") {}

void checkNameLength(const std::string& text) {
    if (text.size() > kMaxNameBytes) throw NameTooLongError();
}

namespace {

// Case mapping keeps lengths, so it works in place: ASCII letters directly, other characters
// through the platform's mapping when the result has the same UTF-8 length.
template <typename Map>
void mapInPlace(std::string& text, char asciiFrom, Map map, std::size_t begin = 0,
                std::size_t end = std::string::npos) {
    const unsigned char from = static_cast<unsigned char>(asciiFrom);
    char* data = text.data();
    const std::size_t size = std::min(end, text.size());
    for (std::size_t pos = begin; pos < size;) {
        const unsigned char byte = static_cast<unsigned char>(data[pos]);
        if (byte < 0x80) {  // ASCII maps to ASCII: no decoding
            if (static_cast<unsigned char>(byte - from) < 26) data[pos] = static_cast<char>(byte ^ 0x20);
            ++pos;
            continue;
        }
        const std::size_t length = platform::utf8::sequenceLength(text, pos);
        if (length == 0) {  // not UTF-8: keep the byte
            ++pos;
            continue;
        }
        std::size_t next = pos;
        const char32_t c = platform::utf8::decode(text, next);
        std::string mapped;  // at most four bytes: never on the heap
        platform::utf8::append(mapped, map(c));
        if (mapped.size() == length) {
            text.replace(pos, length, mapped);
            data = text.data();
        }
        pos = next;
    }
}

}  // namespace

std::string toLowerText(const std::string& text) {
    std::string out = text;
    lowerInPlace(out);
    return out;
}

std::string toUpperText(const std::string& text) {
    std::string out = text;
    mapInPlace(out, 'a', platform::toUpperCodePoint);
    return out;
}

void lowerInPlace(std::string& text) {
    mapInPlace(text, 'A', platform::toLowerCodePoint);
}

namespace {

// The one character at pos, mapped by the same rule as the whole-text conversions (a mapping with
// another UTF-8 length is not made); gives the position after it.
template <typename Map>
std::size_t mapCharacter(std::string& text, std::size_t pos, char asciiFrom, Map map) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        if (static_cast<unsigned char>(byte - static_cast<unsigned char>(asciiFrom)) < 26) {
            text[pos] = static_cast<char>(byte ^ 0x20);
        }
        return pos + 1;
    }
    const std::size_t length = std::max<std::size_t>(platform::utf8::sequenceLength(text, pos), 1);
    mapInPlace(text, asciiFrom, map, pos, pos + length);
    return pos + length;
}

bool startsWordAfter(char c) {
    return c == ' ' || c == '(' || c == '-' || c == '[';
}

}  // namespace

void changeCase(std::string& text, std::int32_t mode) {
    switch (mode) {
        case SentenceCase:
            lowerInPlace(text);
            if (!text.empty()) mapCharacter(text, 0, 'a', platform::toUpperCodePoint);
            break;
        case LowerCase:
            lowerInPlace(text);
            break;
        case UpperCase:
            mapInPlace(text, 'a', platform::toUpperCodePoint);
            break;
        case MixedCase: {
            // Lower case with a capital at each word's start, in one pass. Only these four start
            // a word: after "_", ".", "'" or a digit the letter stays low.
            bool startsWord = true;
            for (std::size_t pos = 0; pos < text.size();) {
                const char c = text[pos];
                pos = startsWord ? mapCharacter(text, pos, 'a', platform::toUpperCodePoint)
                                 : mapCharacter(text, pos, 'A', platform::toLowerCodePoint);
                startsWord = startsWordAfter(c);
            }
            break;
        }
        case ToggleCase:
            for (std::size_t pos = 0; pos < text.size();) {
                // A character that lowers is upper case; every other one is raised.
                std::size_t end = pos;
                const char32_t c = platform::utf8::decode(text, end);
                const bool upper = platform::toLowerCodePoint(c) != c;
                pos = upper ? mapCharacter(text, pos, 'A', platform::toLowerCodePoint)
                            : mapCharacter(text, pos, 'a', platform::toUpperCodePoint);
            }
            break;
        case TitleCase:
            titleCase(text, std::string());
            break;
        default:
            break;
    }
}

namespace {

constexpr std::uint16_t kWordStarts[] = {
#include "core/rules/word_start_table.inc"
};

bool startsTitleWordAfter(char32_t c) {
    return c <= 0xFFFF &&
           std::binary_search(std::begin(kWordStarts), std::end(kWordStarts), static_cast<std::uint16_t>(c));
}

bool isLowerLetter(char32_t c) {
    return platform::toUpperCodePoint(c) != c;
}

bool isUpperLetter(char32_t c) {
    return platform::toLowerCodePoint(c) != c;
}

struct WordSpan {
    std::size_t begin, end;
};

// The words of a text: the runs between the characters that start a word. Bytes that are not
// UTF-8 belong to the word they stand in.
std::vector<WordSpan> titleWords(const std::string& text, bool& severalInCapitals) {
    std::vector<WordSpan> words;
    bool anyLower = false, anyUpper = false, anySpace = false;
    std::size_t begin = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t at = pos;
        const char32_t c = platform::utf8::sequenceLength(text, pos) ? platform::utf8::decode(text, pos)
                                                                     : static_cast<unsigned char>(text[pos++]);
        anyLower = anyLower || isLowerLetter(c);
        anyUpper = anyUpper || isUpperLetter(c);
        if (startsTitleWordAfter(c)) {
            anySpace = anySpace || c == ' ' || c == 0x3000;
            if (at > begin) words.push_back({begin, at});
            begin = pos;
        }
    }
    if (text.size() > begin) words.push_back({begin, text.size()});
    severalInCapitals = anyUpper && !anyLower && anySpace;
    return words;
}

// The word as the small-word list holds it: lowered, without the punctuation a title puts after
// it ("feat." is "feat", "vs," is "vs").
std::string comparable(const std::string& text, WordSpan word) {
    std::string out = text.substr(word.begin, word.end - word.begin);
    while (!out.empty() && out.back() != '\0' && std::strchr(".,;:!?", out.back())) out.pop_back();
    lowerInPlace(out);
    return out;
}

bool inList(const std::string& list, const std::string& word) {
    if (word.empty()) return false;
    for (std::size_t at = list.find(word); at != std::string::npos; at = list.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at == 0 || list[at - 1] == ' ') && (end == list.size() || list[end] == ' ')) return true;
    }
    return false;
}

// A capital after the first letter marks a spelling of the user's own ("AT" beside "at").
bool capitalInside(const std::string& text, WordSpan word) {
    std::size_t pos = word.begin;
    platform::utf8::decode(text, pos);
    while (pos < word.end) {
        if (!platform::utf8::sequenceLength(text, pos)) {
            ++pos;
            continue;
        }
        if (isUpperLetter(platform::utf8::decode(text, pos))) return true;
    }
    return false;
}

}  // namespace

void titleCase(std::string& text, const std::string& smallWords) {
    bool severalInCapitals = false;
    const std::vector<WordSpan> words = titleWords(text, severalInCapitals);
    if (severalInCapitals) lowerInPlace(text);  // lengths stay: the spans still hold
    const std::string list = normalizeSmallWords(smallWords);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const WordSpan word = words[i];
        const bool inside = i != 0 && i + 1 != words.size();
        if (inside && inList(list, comparable(text, word))) {
            if (!capitalInside(text, word)) mapInPlace(text, 'A', platform::toLowerCodePoint, word.begin, word.end);
        } else {
            mapCharacter(text, word.begin, 'a', platform::toUpperCodePoint);
        }
    }
}

std::string normalizeSmallWords(const std::string& words) {
    std::string out;
    for (std::size_t pos = 0; pos < words.size();) {
        const std::size_t begin = words.find_first_not_of(" \t", pos);
        if (begin == std::string::npos) break;
        const std::size_t end = std::min(words.find_first_of(" \t", begin), words.size());
        if (!out.empty()) out += ' ';
        out.append(words, begin, end - begin);
        pos = end;
    }
    lowerInPlace(out);
    return out;
}

void append(std::string& text, const std::string& front, const std::string& end) {
    if (!front.empty()) text.insert(0, front);
    if (!end.empty()) text += end;
}

namespace {

// The shared loop of both replace-all helpers: `haystack` is searched for `needle`; a match at
// position p of the haystack is replaced at the same position of the output, which is what the
// no-case form needs since case conversion keeps lengths.
int replaceMatches(std::string& text, const std::string& haystack, const std::string& needle,
                   const std::string& replace) {
    if (needle.empty()) return 0;
    std::size_t at = haystack.find(needle);
    if (at == std::string::npos) return 0;
    if (replace.size() <= needle.size() && text.size() <= kMaxNameBytes) {
        // The text only shrinks, so it cannot outgrow the limit: done in place, writing behind
        // the part still to be searched (the haystack may be the text itself).
        char* const data = text.data();
        std::size_t written = 0, copied = 0;
        int count = 0;
        for (; at != std::string::npos; at = haystack.find(needle, at + needle.size())) {
            std::memmove(data + written, data + copied, at - copied);
            written += at - copied;
            std::memcpy(data + written, replace.data(), replace.size());
            written += replace.size();
            copied = at + needle.size();
            ++count;
        }
        std::memmove(data + written, data + copied, text.size() - copied);
        text.resize(written + text.size() - copied);
        return count;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    int count = 0;
    for (; at != std::string::npos; at = haystack.find(needle, at + needle.size())) {
        out.append(text, copied, at - copied);
        out += replace;
        copied = at + needle.size();
        ++count;
        if (out.size() > kMaxNameBytes) throw NameTooLongError();
    }
    out.append(text, copied, std::string::npos);
    checkNameLength(out);
    text.swap(out);
    return count;
}

}  // namespace

int replaceAll(std::string& text, const std::string& find, const std::string& replace) {
    return replaceMatches(text, text, find, replace);
}

int replaceAllNoCase(std::string& text, const std::string& find, const std::string& replace) {
    if (find.empty()) return 0;
    return replaceMatches(text, toLowerText(text), toLowerText(find), replace);
}

void findReplace(std::string& text, const std::string& find, const std::string& replace, std::int32_t flags) {
    if (flags & ReplacePreset) {
        char from = 0;
        if (flags & ReplaceMatchCaseOrUnderscores) {
            from = '_';
        } else if (flags & ReplaceWholeWordsOrPeriods) {
            from = '.';
        }
        if (from != 0) {
            for (char& c : text) {
                if (c == from) c = ' ';
            }
        }
        return;
    }
    const bool matchCase = flags & ReplaceMatchCaseOrUnderscores;
    if (flags & ReplaceWholeWordsOrPeriods) {
        // A whole word stands between two spaces. The spaces are part of what is searched, and
        // they are written back around the replacement, so "x a y" becomes "x b y", not "xby".
        const std::string word = " " + find + " ", by = " " + replace + " ";
        matchCase ? replaceAll(text, word, by) : replaceAllNoCase(text, word, by);
    } else {
        matchCase ? replaceAll(text, find, replace) : replaceAllNoCase(text, find, replace);
    }
}

void strip(std::string& text, const Rule& rule) {
    if (rule.option != 0) {
        replaceAll(text, rule.stripText(), std::string());
    } else {
        replaceAllNoCase(text, rule.stripText(), std::string());
    }
}

void pad(std::string& text, const std::string& left, const std::string& both, const std::string& right) {
    // Whole characters throughout: a set holds a character when its UTF-8 bytes occur in it.
    const auto inSet = [](const std::string& set, const std::string& character) {
        return set.find(character) != std::string::npos;
    };
    std::string out;
    out.reserve(text.size() * 2);
    const auto spaceUnlessThere = [&out] {
        if (out.empty() || out.back() != ' ') out += ' ';
    };
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = platform::utf8::sequenceLength(text, pos);
        if (length == 0) length = 1;
        const std::string c = text.substr(pos, length);
        if (c == " ") {
            spaceUnlessThere();
        } else if (inSet(both, c)) {
            spaceUnlessThere();
            out += c;
            out += ' ';
        } else if (inSet(left, c) && pos != 0) {
            spaceUnlessThere();
            out += c;
        } else if (inSet(right, c)) {
            out += c;
            out += ' ';
        } else {
            out += c;
        }
        pos += length;
    }
    text = trimWhiteSpace(out);
}

void flip(std::string& text, const Rule& rule) {
    const std::string& at = rule.flipText();
    const std::size_t found = text.find(at);
    if (found == std::string::npos) return;
    text = text.substr(found + at.size()) + at + text.substr(0, found);
}

}  // namespace core

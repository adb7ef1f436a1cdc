#include "core/rules/number_replace.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/rules/text_rules.h"

namespace core {
namespace {

// The plain loop is the definition itself, but it costs a search per number even where no number
// occurs; past a handful of numbers the search that jumps between the numbers present is cheaper
// (tests hold the two to the same results).
constexpr std::int64_t kLoopLimit = 8;

// A search that keeps finding new numbers is a filter feeding itself; past this many rounds it
// is stopped like any other runaway filter.
constexpr int kMaxSearchRounds = 4096;

int digitCount(std::int64_t n) {
    int digits = 0;
    do {
        ++digits;
        n /= 10;
    } while (n != 0);
    return digits;
}

// A form split at its number: "%%" stands for "%", the first "%s" is where the number goes.
// Any further "%s", and every other "%" sequence, is kept as it is written: only the one number
// text is ever inserted, and no user text ever reaches a printf-style formatter.
struct Form {
    std::string before;
    std::string after;
    bool hasNumber = false;

    std::string with(const std::string& number) const { return hasNumber ? before + number + after : before; }
};

Form splitForm(const std::string& form) {
    Form out;
    std::string* part = &out.before;
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '%' && i + 1 < form.size()) {
            if (form[i + 1] == '%') {
                *part += '%';
                ++i;
                continue;
            }
            if (form[i + 1] == 's' && !out.hasNumber) {
                out.hasNumber = true;
                part = &out.after;
                ++i;
                continue;
            }
        }
        *part += form[i];
    }
    return out;
}

// The splits of a rule's two forms, kept for the next file: a run asks for the same few forms a
// hundred thousand times. Both come from one entry, so neither can be dropped while in use.
struct Forms {
    std::string findText, replaceText;
    Form find, replace;
};

}  // namespace

struct NumberFormsCache {
    std::vector<Forms> known;
};

namespace {

// Per thread, behind a plain pointer, for the reason the pattern cache is (releaseRegexCache); a
// job's own, borrowed, comes first.
thread_local NumberFormsCache* threadForms = nullptr;
thread_local NumberFormsCache* jobForms = nullptr;

const Forms& splitFormsCached(const std::string& findText, const std::string& replaceText) {
    if (!jobForms && !threadForms) threadForms = new NumberFormsCache;
    std::vector<Forms>& known = (jobForms ? jobForms : threadForms)->known;
    for (const Forms& forms : known) {
        if (forms.findText == findText && forms.replaceText == replaceText) return forms;
    }
    if (known.size() >= 16) known.clear();  // forms from many rule lists: start again
    known.push_back(Forms{findText, replaceText, splitForm(findText), splitForm(replaceText)});
    return known.back();
}

// The padded text of `number` (as zeroPad gives it) written to `out`, which holds 24 characters;
// gives its length.
std::size_t formatPadded(std::int64_t number, std::int64_t upper, char* out) {
    char digits[24];
    std::size_t count = 0;
    // The magnitude, as unsigned: the most negative number has no positive counterpart.
    std::uint64_t rest = number < 0 ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    std::size_t length = 0;
    for (int missing = digitCount(upper) - digitCount(number); missing > 0; --missing) out[length++] = '0';
    if (number < 0) out[length++] = '-';
    while (count > 0) out[length++] = digits[--count];
    return length;
}

// The number whose padded form is exactly `candidate`, if any.
bool numberFromPadded(std::string_view candidate, std::int64_t upper, std::int64_t& number) {
    std::size_t i = 0;
    while (i < candidate.size() && candidate[i] == '0' && i + 1 < candidate.size()) ++i;
    const bool negative = i < candidate.size() && candidate[i] == '-';
    if (negative) ++i;
    if (i >= candidate.size() || candidate.size() - i > 11) return false;
    std::int64_t value = 0;
    for (; i < candidate.size(); ++i) {
        if (candidate[i] < '0' || candidate[i] > '9') return false;
        value = value * 10 + (candidate[i] - '0');
    }
    number = negative ? -value : value;
    char padded[24];
    return std::string_view(padded, formatPadded(number, upper, padded)) == candidate;
}

bool isNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-';
}

// The smallest number in [from, upper] whose find form occurs in text; false when none does.
bool nextNumberInText(const std::string& text, const Form& find, std::int64_t from, std::int64_t upper,
                      std::int64_t& found) {
    bool any = false;
    for (std::size_t at = text.find(find.before); at != std::string::npos; at = text.find(find.before, at + 1)) {
        const std::size_t start = at + find.before.size();
        // Padded numbers are runs of digits and minus signs; try every length of the run that
        // is followed by the rest of the form.
        for (std::size_t end = start; end < text.size() && isNumberCharacter(text[end]) && end - start < 24;) {
            ++end;
            if (text.compare(end, find.after.size(), find.after) != 0) continue;
            std::int64_t number = 0;
            if (numberFromPadded(std::string_view(text).substr(start, end - start), upper, number) && number >= from &&
                number <= upper && (!any || number < found)) {
                found = number;
                any = true;
            }
        }
        if (at >= text.size()) break;
    }
    return any;
}

}  // namespace

void releaseNumberFormsCache() noexcept {
    delete threadForms;
    threadForms = nullptr;
}

NumberFormsCache* newNumberFormsCache() {
    return new NumberFormsCache;
}
void deleteNumberFormsCache(NumberFormsCache* cache) noexcept {
    delete cache;
}
NumberFormsCache* useNumberFormsCache(NumberFormsCache* cache) noexcept {
    return std::exchange(jobForms, cache);
}

std::string zeroPad(std::int64_t number, std::int64_t upper) {
    char padded[24];
    return std::string(padded, formatPadded(number, upper, padded));
}

void numberReplaceByLoop(std::string& text, const Rule& rule) {
    const Form find = splitForm(rule.findText()), replace = splitForm(rule.replaceText());
    std::string copy = text;
    for (std::int64_t n = rule.option; n <= rule.extra; ++n) {
        const std::string number = zeroPad(n, rule.extra);
        replaceAll(copy, find.with(number), replace.with(number));
    }
    text = copy;
}

void numberReplaceBySearch(std::string& text, const Rule& rule) {
    const Forms& forms = splitFormsCached(rule.findText(), rule.replaceText());
    const Form &find = forms.find, &replace = forms.replace;
    const std::int64_t upper = rule.extra;
    // Worked on in place: a filter that gives up throws, and the name it was given is used.
    std::int64_t n = rule.option;

    if (find.hasNumber) {
        // Every number whose find form is absent leaves the text alone, so only the numbers
        // that occur need a round; each round may make new ones occur further up.
        for (int round = 0; n <= upper; ++round) {
            if (round > kMaxSearchRounds) throw NameTooLongError();
            std::int64_t next = 0;
            if (!nextNumberInText(text, find, n, upper, next)) break;
            const std::string number = zeroPad(next, upper);
            replaceAll(text, find.with(number), replace.with(number));
            n = next + 1;
        }
    } else if (!find.before.empty()) {
        // The same find text for every number: a round that finds nothing ends the work, since
        // the next round would search the same text for the same thing.
        if (!replace.hasNumber) {
            // Then each round is the same function of the text: run it until the text repeats,
            // and skip whole cycles of the rounds that are left.
            std::unordered_map<std::string, std::int64_t> seen;
            while (n <= upper) {
                auto [it, fresh] = seen.emplace(text, n);
                if (!fresh) {
                    const std::int64_t cycle = n - it->second;
                    n += ((upper - n + 1) / cycle) * cycle;
                    if (n > upper) break;
                    seen.clear();
                }
                if (replaceAll(text, find.before, replace.before) == 0) break;
                ++n;
                if (seen.size() > static_cast<std::size_t>(kMaxSearchRounds)) throw NameTooLongError();
            }
        } else {
            for (int round = 0; n <= upper; ++round, ++n) {
                if (round > kMaxSearchRounds) throw NameTooLongError();
                if (replaceAll(text, find.before, replace.with(zeroPad(n, upper))) == 0) break;
            }
        }
    }
}

void numberReplace(std::string& text, const Rule& rule) {
    const std::int64_t count = static_cast<std::int64_t>(rule.extra) - rule.option + 1;
    if (count <= kLoopLimit) {
        numberReplaceByLoop(text, rule);
    } else {
        numberReplaceBySearch(text, rule);
    }
}

}  // namespace core

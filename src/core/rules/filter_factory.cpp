#include "core/rules/filter_factory.h"

#include "core/app/strings.h"
#include "core/rules/text_rules.h"

namespace core {
namespace {

FilterResult accepted(Rule rule) {
    ruleDescription(rule);
    return FilterResult{std::move(rule), std::string()};
}

FilterResult rejected(std::string problem) {
    return FilterResult{std::nullopt, std::move(problem)};
}

Rule ofType(std::int32_t type) {
    Rule rule;
    rule.type = type;
    return rule;
}

std::string tooLong(const char* what, std::size_t limit) {
    return std::string(what) + " takes at most " + std::to_string(limit) + " bytes.";
}

// The dialogs' number exchange: a whole number within 0..99, else the platform's own words.
std::optional<std::int32_t> limitValue(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 99) return std::nullopt;
    return value;
}

}  // namespace

bool containsInvalidFilenameCharacter(const std::string& text) {
    return text.find_first_of(kInvalidFilenameCharacters) != std::string::npos;
}

std::string invalidFilenameMessage() {
    return formatString(IDS_INVALID_FILENAME, {std::string(kInvalidFilenameCharacters)});
}

bool holdsOneNumberPlaceholder(const std::string& form) {
    const std::size_t first = form.find("%s");
    return first != std::string::npos && form.find("%s", first + 1) == std::string::npos;
}

FilterResult makeChangeCase(std::int32_t mode) {
    if (mode < SentenceCase || mode > ToggleCase) return rejected("Unknown case mode " + std::to_string(mode) + ".");
    Rule rule = ofType(ChangeCase);
    rule.option = mode;
    return accepted(rule);
}

FilterResult makeAppend(const std::string& front, const std::string& end) {
    if (front.empty() && end.empty()) return rejected("Append needs a text for the front or for the end.");
    if (front.size() > kMaxFilterText || end.size() > kMaxFilterText)
        return rejected(tooLong("An Append text", kMaxFilterText));
    if (containsInvalidFilenameCharacter(front) || containsInvalidFilenameCharacter(end)) {
        return rejected(invalidFilenameMessage());
    }
    Rule rule = ofType(Append);
    rule.appendFront() = front;
    rule.appendEnd() = end;
    return accepted(rule);
}

FilterResult makePresetReplace(bool underscores) {
    Rule rule = ofType(Replace);
    rule.option = ReplacePreset | (underscores ? ReplaceMatchCaseOrUnderscores : ReplaceWholeWordsOrPeriods);
    return accepted(rule);
}

FilterResult makeCustomReplace(const std::string& find, const std::string& replaceWith, bool matchCase,
                               bool wholeWord) {
    if (find.empty() || replaceWith.empty()) return rejected("Find and Replace needs both a find and a replace text.");
    if (find.size() > kMaxFilterText || replaceWith.size() > kMaxFilterText) {
        return rejected(tooLong("A Find and Replace text", kMaxFilterText));
    }
    if (containsInvalidFilenameCharacter(replaceWith)) return rejected(invalidFilenameMessage());
    if (matchCase ? find == replaceWith : toLowerText(find) == toLowerText(replaceWith)) {
        return rejected(loadString(IDS_FIND_EQUALS_REPLACE));
    }
    Rule rule = ofType(Replace);
    rule.option =
        ReplaceCustom | (wholeWord ? ReplaceWholeWordsOrPeriods : 0) | (matchCase ? ReplaceMatchCaseOrUnderscores : 0);
    rule.findText() = find;
    rule.replaceText() = replaceWith;
    return accepted(rule);
}

FilterResult makeStrip(const std::string& text, bool matchCase) {
    if (text.empty()) return rejected("Stripper needs a text to remove.");
    if (text.size() > kMaxFilterText) return rejected(tooLong("The Stripper text", kMaxFilterText));
    Rule rule = ofType(Strip);
    rule.option = matchCase ? 1 : 0;
    rule.stripText() = text;
    return accepted(rule);
}

FilterResult makePad(const std::string& left, const std::string& both, const std::string& right) {
    if (left.empty() && both.empty() && right.empty()) return rejected("Padding needs at least one set of characters.");
    if (left.size() > kMaxPadText || both.size() > kMaxPadText || right.size() > kMaxPadText) {
        return rejected(tooLong("A Padding set", kMaxPadText));
    }
    Rule rule = ofType(Pad);
    rule.padLeft() = left;
    rule.padBoth() = both;
    rule.padRight() = right;
    return accepted(rule);
}

FilterResult makeFlip(const std::string& separator) {
    if (separator.empty()) return rejected("Flip needs the text to flip at.");
    if (separator.size() > kMaxFilterText) return rejected(tooLong("The Flip text", kMaxFilterText));
    Rule rule = ofType(Flip);
    rule.flipText() = separator;
    return accepted(rule);
}

FilterResult makeNumberReplace(const std::string& lower, const std::string& upper, const std::string& findForm,
                               const std::string& replaceForm) {
    const auto low = limitValue(lower), high = limitValue(upper);
    if (!low || !high) return rejected("Please enter an integer between 0 and 99.");
    if (*low >= *high) return rejected("Number Replace needs a lower limit smaller than the upper limit.");
    if (findForm.empty() || replaceForm.empty()) return rejected("Number Replace needs both forms.");
    if (findForm.size() > kMaxFilterText || replaceForm.size() > kMaxFilterText) {
        return rejected(tooLong("A Number Replace form", kMaxFilterText));
    }
    if (toLowerText(findForm) == toLowerText(replaceForm)) {
        return rejected("Number Replace needs two different forms.");
    }
    if (!holdsOneNumberPlaceholder(findForm) || !holdsOneNumberPlaceholder(replaceForm)) {
        return rejected("You must have exactly one \"%s\" -- that is, current number -- per field.");
    }
    Rule rule = ofType(NumReplace);
    rule.option = *low;
    rule.extra = *high;
    rule.findText() = findForm;
    rule.replaceText() = replaceForm;
    return accepted(rule);
}

FilterResult makeId3(const std::string& format, bool fieldsMustExist) {
    if (format.empty()) return rejected("ID3v1 needs a format.");
    if (format.size() > kMaxFilterText) return rejected(tooLong("The ID3v1 format", kMaxFilterText));
    if (containsInvalidFilenameCharacter(format)) return rejected(invalidFilenameMessage());
    Rule rule = ofType(ID3);
    rule.id3Format() = format;
    rule.option = fieldsMustExist ? fieldMaskFromFormat(format) : 0;
    return accepted(rule);
}

}  // namespace core

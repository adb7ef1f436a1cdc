#include "core/rules/filter_kinds.h"

#include <algorithm>
#include <limits>

#include "core/base/strings.h"
#include "core/rules/clean_up.h"
#include "core/rules/id3_tag.h"
#include "core/rules/number_replace.h"
#include "core/rules/regex_replace.h"
#include "core/rules/text_rules.h"
#include "platform/paths.h"
#include "platform/utf8.h"

namespace core {
namespace {

FilterResult accepted(Rule rule) {
    ruleDescription(rule);
    return FilterResult{std::move(rule), std::string(), -1};
}

FilterResult rejected(std::string problem, int field = -1) {
    return FilterResult{std::nullopt, std::move(problem), field};
}

Rule ofType(std::int32_t type) {
    Rule rule;
    rule.type = type;
    return rule;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Every text first against its length, then against the nine characters, so that of two faults
// the one a user fixes first is named first, whichever field holds it.
std::optional<FilterResult> textProblem(const FilterKind& kind, const FilterValues& values) {
    for (std::size_t i = 0; i < kind.texts.size(); ++i) {
        const FilterText& text = kind.texts[i];
        if (text.form == FilterTextForm::Text && values.texts[i].size() > text.maxBytes) {
            return rejected(checkFilterText(kind, i, values.texts[i]), static_cast<int>(i));
        }
    }
    for (std::size_t i = 0; i < kind.texts.size(); ++i) {
        if (kind.texts[i].fileNameCharactersOnly && containsInvalidFilenameCharacter(values.texts[i])) {
            return rejected(invalidFilenameMessage(), static_cast<int>(i));
        }
    }
    return std::nullopt;
}

std::vector<std::string> textsOf(std::initializer_list<std::string> texts) {
    return texts;
}

// --- Change Case ------------------------------------------------------------------------------

const char* caseModeName(std::int32_t mode) {
    switch (mode) {
        case UpperCase:
            return "UPPER CASE";
        case LowerCase:
            return "lower case";
        case SentenceCase:
            return "Sentence case";
        case ToggleCase:
            return "tOGGLE cASE";
        case TitleCase:
            return "Title Case";
        default:
            return "Mixed Case";
    }
}

enum : std::size_t { kEveryWordFlag = 0 };

// Title Case keeps its small words in the rule itself (text1, with the extra bit
// TitleSmallWordsLower), so a filter file names the same way on every machine whatever list the
// settings hold; --every-word, the dialog's box unticked, stores neither.
FilterResult buildChangeCase(const FilterKind& kind, const FilterValues& values) {
    std::int32_t mode = 0;
    std::string problem = checkFilterText(kind, 0, values.texts[0], &mode);
    if (!problem.empty()) return rejected(problem, 0);
    Rule rule = ofType(ChangeCase);
    rule.option = mode;
    const bool everyWord = values.flag(kEveryWordFlag);
    if (mode != TitleCase) {
        if (everyWord) return rejected("--every-word goes with --case title only.");
        return accepted(rule);
    }
    if (!everyWord) {
        const std::string words = normalizeSmallWords(values.texts[kCaseSmallWordsText]);
        problem = checkFilterText(kind, kCaseSmallWordsText, words);
        if (!problem.empty()) return rejected(problem, static_cast<int>(kCaseSmallWordsText));
        rule.extra = TitleSmallWordsLower;
        rule.smallWords() = words;
    }
    return accepted(rule);
}

FilterValues changeCaseValues(const Rule& rule) {
    const auto& names = findFilterKind("--case")->texts[0].choices;
    // A stored mode outside the known ones (only a file can hold one) is no choice at all.
    const bool known = rule.option >= 0 && static_cast<std::size_t>(rule.option) < names.size();
    FilterValues values{textsOf({known ? names[static_cast<std::size_t>(rule.option)] : "", ""}), 0};
    if (rule.option == TitleCase) {
        const bool small = rule.extra & TitleSmallWordsLower;
        if (small) values.texts[kCaseSmallWordsText] = rule.smallWords();
        values.setFlag(kEveryWordFlag, !small);
    }
    return values;
}

void describeChangeCase(Rule& rule) {
    rule.description = std::string("Change Case: all characters to ") + caseModeName(rule.option);
    if (rule.option == TitleCase && (rule.extra & TitleSmallWordsLower))
        rule.description += ", small words in lower case";
}

void applyChangeCase(const Rule& rule, NameInProgress& name) {
    if (rule.option == TitleCase) {
        const std::string& words = (rule.extra & TitleSmallWordsLower) ? rule.smallWords() : std::string();
        titleCase(name.base, words);
        titleCase(name.extension, words);
        return;
    }
    changeCase(name.base, rule.option);
    changeCase(name.extension, rule.option);
}

// --- Replace: the two built-in forms and the custom one ------------------------------------------

enum : std::size_t { kMatchCaseFlag = 0, kWholeWordFlag = 1, kRegexFlag = 2 };

FilterResult buildPreset(std::int32_t which) {
    Rule rule = ofType(Replace);
    rule.option = ReplacePreset | which;
    return accepted(rule);
}

FilterResult buildUnderscores(const FilterKind&, const FilterValues&) {
    return buildPreset(ReplaceMatchCaseOrUnderscores);
}

FilterResult buildPeriods(const FilterKind&, const FilterValues&) {
    return buildPreset(ReplaceWholeWordsOrPeriods);
}

bool isUnderscoresPreset(const Rule& rule) {
    return (rule.option & ReplacePreset) && (rule.option & ReplaceMatchCaseOrUnderscores);
}

bool isPeriodsPreset(const Rule& rule) {
    return (rule.option & ReplacePreset) && (rule.option & ReplaceWholeWordsOrPeriods);
}

FilterValues noValues(const Rule&) {
    return FilterValues{};
}

FilterResult buildReplace(const FilterKind& kind, const FilterValues& values) {
    const std::string& find = values.texts[0];
    const std::string& replaceWith = values.texts[1];
    const bool matchCase = values.flag(kMatchCaseFlag);
    const bool regex = values.flag(kRegexFlag);
    // An empty Replace With removes what is found, as Strip does.
    if (find.empty()) return rejected("Find and Replace needs a text to find.");
    if (auto problem = textProblem(kind, values)) return *problem;
    if (matchCase ? find == replaceWith : toLowerText(find) == toLowerText(replaceWith)) {
        return rejected(loadString(IDS_FIND_EQUALS_REPLACE));
    }
    if (regex) {
        if (values.flag(kWholeWordFlag)) {
            return rejected("Whole words only does not apply to a regular expression; write \\b around it instead.");
        }
        RegexProblem problem = checkRegexReplace(find, replaceWith, matchCase);
        if (!problem.message.empty()) return rejected(std::move(problem.message), problem.field);
    }
    Rule rule = ofType(Replace);
    rule.option = ReplaceCustom | (values.flag(kWholeWordFlag) ? ReplaceWholeWordsOrPeriods : 0) |
                  (matchCase ? ReplaceMatchCaseOrUnderscores : 0) | (regex ? ReplaceRegex : 0);
    rule.findText() = find;
    rule.replaceText() = replaceWith;
    return accepted(rule);
}

FilterValues replaceValues(const Rule& rule) {
    FilterValues values{textsOf({rule.findText(), rule.replaceText()}), 0};
    values.setFlag(kMatchCaseFlag, rule.option & ReplaceMatchCaseOrUnderscores);
    values.setFlag(kWholeWordFlag, rule.option & ReplaceWholeWordsOrPeriods);
    values.setFlag(kRegexFlag, rule.option & ReplaceRegex);
    return values;
}

void describeReplace(Rule& rule) {
    if (rule.option & ReplacePreset) {
        if (rule.option & ReplaceMatchCaseOrUnderscores) {
            rule.description = "Replace: underscores with spaces";
        } else if (rule.option & ReplaceWholeWordsOrPeriods) {
            rule.description = "Replace: periods with spaces";
        }
        return;
    }
    std::string suffix;
    const bool matchCase = rule.option & ReplaceMatchCaseOrUnderscores;
    const bool wholeWords = rule.option & ReplaceWholeWordsOrPeriods;
    if (rule.option & ReplaceRegex) {
        suffix = matchCase ? " (regular expression, match case)" : " (regular expression)";
    } else if (matchCase && wholeWords) {
        suffix = " (match case, whole words only)";
    } else if (matchCase) {
        suffix = " (match case)";
    } else if (wholeWords) {
        suffix = " (whole words only)";
    }
    rule.description = "Replace: " + quoted(rule.findText()) + " with " + quoted(rule.replaceText()) + suffix;
}

void applyReplace(const Rule& rule, NameInProgress& name) {
    if ((rule.option & (ReplacePreset | ReplaceRegex)) == ReplaceRegex) {
        regexReplace(name.base, rule.findText(), rule.replaceText(), rule.option & ReplaceMatchCaseOrUnderscores);
        return;
    }
    findReplace(name.base, rule.findText(), rule.replaceText(), rule.option);
}

// --- Append -------------------------------------------------------------------------------------

FilterResult buildAppend(const FilterKind& kind, const FilterValues& values) {
    if (values.texts[0].empty() && values.texts[1].empty()) {
        return rejected("Append needs a text for the front or for the end.");
    }
    if (auto problem = textProblem(kind, values)) return *problem;
    Rule rule = ofType(Append);
    rule.appendFront() = values.texts[0];
    rule.appendEnd() = values.texts[1];
    return accepted(rule);
}

FilterValues appendValues(const Rule& rule) {
    return FilterValues{textsOf({rule.appendFront(), rule.appendEnd()}), 0};
}

void describeAppend(Rule& rule) {
    if (!rule.appendFront().empty()) {
        rule.description = "Append: " + quoted(rule.appendFront()) + " at front";
        if (!rule.appendEnd().empty()) rule.description += " and " + quoted(rule.appendEnd()) + " at end";
    } else if (!rule.appendEnd().empty()) {
        rule.description = "Append: " + quoted(rule.appendEnd()) + " at end";
    }
}

void applyAppend(const Rule& rule, NameInProgress& name) {
    append(name.base, rule.appendFront(), rule.appendEnd());
}

// --- Stripper -----------------------------------------------------------------------------------

FilterResult buildStrip(const FilterKind& kind, const FilterValues& values) {
    if (values.texts[0].empty()) return rejected("Stripper needs a text to remove.");
    if (auto problem = textProblem(kind, values)) return *problem;
    Rule rule = ofType(Strip);
    rule.option = values.flag(kMatchCaseFlag) ? 1 : 0;
    rule.stripText() = values.texts[0];
    return accepted(rule);
}

FilterValues stripValues(const Rule& rule) {
    FilterValues values{textsOf({rule.stripText()}), 0};
    values.setFlag(kMatchCaseFlag, rule.option != 0);
    return values;
}

void describeStrip(Rule& rule) {
    rule.description = "Strip: \"" + rule.stripText() + (rule.option != 0 ? "\" (match case)" : "\"");
}

void applyStrip(const Rule& rule, NameInProgress& name) {
    strip(name.base, rule);
}

// --- Padding ------------------------------------------------------------------------------------

FilterResult buildPad(const FilterKind& kind, const FilterValues& values) {
    const auto& t = values.texts;
    if (t[0].empty() && t[1].empty() && t[2].empty()) return rejected("Padding needs at least one set of characters.");
    if (auto problem = textProblem(kind, values)) return *problem;
    Rule rule = ofType(Pad);
    rule.padLeft() = t[0];
    rule.padBoth() = t[1];
    rule.padRight() = t[2];
    return accepted(rule);
}

FilterValues padValues(const Rule& rule) {
    return FilterValues{textsOf({rule.padLeft(), rule.padBoth(), rule.padRight()}), 0};
}

void describePad(Rule& rule) {
    std::string out = "Pad:";
    if (!rule.padLeft().empty()) out += " left " + quoted(rule.padLeft());
    if (!rule.padBoth().empty()) {
        out += rule.padLeft().empty() ? " " : "; ";
        out += "both " + quoted(rule.padBoth());
    }
    if (!rule.padRight().empty()) {
        out += (rule.padBoth().empty() && rule.padLeft().empty()) ? " " : "; ";
        out += "right " + quoted(rule.padRight());
    }
    rule.description = out;
}

void applyPad(const Rule& rule, NameInProgress& name) {
    pad(name.base, rule.padLeft(), rule.padBoth(), rule.padRight());
}

// --- Flip ---------------------------------------------------------------------------------------

FilterResult buildFlip(const FilterKind& kind, const FilterValues& values) {
    if (values.texts[0].empty()) return rejected("Flip needs the text to flip at.");
    if (auto problem = textProblem(kind, values)) return *problem;
    Rule rule = ofType(Flip);
    rule.flipText() = values.texts[0];
    return accepted(rule);
}

FilterValues flipValues(const Rule& rule) {
    return FilterValues{textsOf({rule.flipText()}), 0};
}

void describeFlip(Rule& rule) {
    rule.description = "Flip at: " + quoted(rule.flipText());
}

void applyFlip(const Rule& rule, NameInProgress& name) {
    flip(name.base, rule);
}

// --- Number Replace -------------------------------------------------------------------------------

FilterResult buildNumberReplace(const FilterKind& kind, const FilterValues& values) {
    const auto& t = values.texts;
    std::int32_t low = 0, high = 0;
    for (std::size_t i : {0u, 1u}) {
        std::string problem = checkFilterText(kind, i, t[i], i == 0 ? &low : &high);
        if (!problem.empty()) return rejected(problem, static_cast<int>(i));
    }
    if (low >= high) return rejected("Number Replace needs a lower limit smaller than the upper limit.");
    if (t[2].empty() || t[3].empty()) return rejected("Number Replace needs both forms.");
    if (auto problem = textProblem(kind, values)) return *problem;
    if (toLowerText(t[2]) == toLowerText(t[3])) return rejected("Number Replace needs two different forms.");
    if (!holdsOneNumberPlaceholder(t[2]) || !holdsOneNumberPlaceholder(t[3])) {
        return rejected("You must have exactly one \"%s\" -- that is, current number -- per field.");
    }
    Rule rule = ofType(NumReplace);
    rule.option = low;
    rule.extra = high;
    rule.findText() = t[2];
    rule.replaceText() = t[3];
    return accepted(rule);
}

FilterValues numberReplaceValues(const Rule& rule) {
    return FilterValues{
        textsOf({std::to_string(rule.option), std::to_string(rule.extra), rule.findText(), rule.replaceText()}), 0};
}

void describeNumberReplace(Rule& rule) {
    rule.description = "NumReplace: (" + std::to_string(rule.option) + " to " + std::to_string(rule.extra) +
                       ") find=" + quoted(rule.findText()) + " replace=" + quoted(rule.replaceText());
}

void applyNumberReplace(const Rule& rule, NameInProgress& name) {
    numberReplace(name.base, rule);
}

// --- Tags ---------------------------------------------------------------------------------------

// The switches turn the new behaviour off, so that a new filter (no switch given) reads the best
// tag and makes its texts safe, and the values of a rule from an older file hold both switches.
enum : std::size_t {
    kRequireFieldsFlag = 0,
    kId3v1OnlyFlag = 1,
    kKeepForbiddenFlag = 2,
    kCleanTagsFlag = 3,
    kAsciiTagsFlag = 4,
    kMoveIntoFoldersFlag = 5
};

// The Clean Up steps the tag texts take, kept in the rule's extra field (0 in every rule saved
// before it): the composed form and single spaces, and the ASCII letters on top.
constexpr std::int32_t kCleanTagSteps = CleanComposed | CleanSpaces;
constexpr std::int32_t kAsciiTagSteps = kCleanTagSteps | CleanAscii;

FilterResult buildId3(const FilterKind& kind, const FilterValues& values) {
    const std::string& format = values.texts[0];
    if (format.empty()) return rejected("The tag filter needs a format.");
    // Moving into folders, "\" and "/" separate the folders; every other character still has to
    // be one a name may hold.
    FilterValues checked = values;
    if (values.flag(kMoveIntoFoldersFlag)) {
        std::string& text = checked.texts[0];
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\\' || c == '/'; }), text.end());
    }
    if (auto problem = textProblem(kind, checked)) return *problem;
    const bool bestTag = !values.flag(kId3v1OnlyFlag);
    Rule rule = ofType(ID3);
    rule.id3Format() = format;
    if (values.flag(kMoveIntoFoldersFlag) && values.texts.size() > 1) rule.id3Into() = values.texts[1];
    rule.option = (values.flag(kRequireFieldsFlag) ? fieldMaskFromFormat(format, bestTag) : 0) |
                  (bestTag ? Id3BestTag : 0) | (values.flag(kKeepForbiddenFlag) ? 0 : Id3SafeNames) |
                  (values.flag(kMoveIntoFoldersFlag) ? Id3Folders : 0) |
                  (bestTag && usesDiscField(format) ? Id3DiscField : 0);
    rule.extra = values.flag(kAsciiTagsFlag) ? kAsciiTagSteps : values.flag(kCleanTagsFlag) ? kCleanTagSteps : 0;
    return accepted(rule);
}

FilterValues id3Values(const Rule& rule) {
    FilterValues values{textsOf({rule.id3Format(), rule.option & Id3Folders ? rule.id3Into() : std::string()}), 0};
    values.setFlag(kRequireFieldsFlag, rule.option & Id3RequiredFields);
    values.setFlag(kId3v1OnlyFlag, !(rule.option & Id3BestTag));
    values.setFlag(kKeepForbiddenFlag, !(rule.option & Id3SafeNames));
    values.setFlag(kCleanTagsFlag, (rule.extra & kCleanTagSteps) && !(rule.extra & CleanAscii));
    values.setFlag(kAsciiTagsFlag, rule.extra & CleanAscii);
    values.setFlag(kMoveIntoFoldersFlag, rule.option & Id3Folders);
    return values;
}

// Rules without the behaviour bits (all rules saved before they existed) describe themselves as
// they always have.
void describeId3(Rule& rule) {
    const bool bestTag = rule.option & Id3BestTag;
    const bool safeNames = rule.option & Id3SafeNames;
    std::string out = bestTag ? "Tags: " : safeNames ? "ID3v1: " : "ID3: ";
    out += quoted(rule.id3Format());
    const bool required = rule.option & Id3RequiredFields;
    const bool keepsForbidden = bestTag && !safeNames;
    if (required && keepsForbidden) {
        out += " (all fields must exist, forbidden characters kept)";
    } else if (required) {
        out += " (all fields must exist)";
    } else if (keepsForbidden) {
        out += " (forbidden characters kept)";
    }
    if (rule.extra & CleanAscii) {
        out += " (tag texts in ASCII letters)";
    } else if (rule.extra & kCleanTagSteps) {
        out += " (tag texts cleaned up)";
    }
    if (rule.option & Id3Folders)
        out += rule.id3Into().empty() ? " (into folders)" : " (into folders under " + quoted(rule.id3Into()) + ")";
    rule.description = out;
}

void applyId3Rule(const Rule& rule, NameInProgress& name) {
    applyId3(platform::withSeparator(name.folder) + name.fileName, name.base, rule.id3Format(), rule.option,
             rule.extra & (kAsciiTagSteps), name.position.albumDiscs);
}

// --- Counter ----------------------------------------------------------------------------------

enum : std::size_t { kPerFolderFlag = 0, kPerDiscFlag = 1 };

FilterResult buildCounter(const FilterKind& kind, const FilterValues& values) {
    const auto& t = values.texts;
    if (auto problem = textProblem(kind, values)) return *problem;
    std::int32_t numbers[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        std::string problem = checkFilterText(kind, i, t[i], &numbers[i]);
        if (!problem.empty()) return rejected(problem, static_cast<int>(i));
    }
    const std::int32_t start = numbers[1], step = numbers[2];
    Rule rule = ofType(Counter);
    rule.counterFormat() = t[0];
    rule.option = start;
    rule.extra = step;
    // A disc is within its folder: restarting on each disc restarts in each folder too.
    rule.counterScope() = values.flag(kPerDiscFlag)     ? kCounterPerDisc
                          : values.flag(kPerFolderFlag) ? kCounterPerFolder
                                                        : "";
    return accepted(rule);
}

std::string counterFormatCheck(const std::string& format, std::int32_t) {
    return counterFormatProblem(format);
}

// Every file would get the same number, and no two names could differ by it.
std::string counterStepCheck(const std::string&, std::int32_t step) {
    return step == 0 ? "The counter's step cannot be 0: every file would get the same number." : "";
}

FilterValues counterValues(const Rule& rule) {
    FilterValues values{textsOf({rule.counterFormat(), std::to_string(rule.option), std::to_string(rule.extra)}), 0};
    values.setFlag(kPerFolderFlag, rule.counterScope() == kCounterPerFolder);
    values.setFlag(kPerDiscFlag, rule.counterScope() == kCounterPerDisc);
    return values;
}

void describeCounter(Rule& rule) {
    rule.description = "Counter: " + quoted(rule.counterFormat()) + " from " + std::to_string(rule.option) + " by " +
                       std::to_string(rule.extra);
    if (rule.counterScope() == kCounterPerFolder) rule.description += " (restarted in each folder)";
    if (rule.counterScope() == kCounterPerDisc) rule.description += " (restarted on each disc)";
}

void applyCounter(const Rule& rule, NameInProgress& name) {
    const std::string& scope = rule.counterScope();
    const std::uint64_t steps = scope == kCounterPerDisc     ? name.position.inDisc
                                : scope == kCounterPerFolder ? name.position.inFolder
                                                             : name.position.inRun;
    name.base = expandCounterFormat(rule.counterFormat(), name.base, counterNumber(rule.option, rule.extra, steps));
}

// --- Clean up ------------------------------------------------------------------------------------

std::string cleanStepsCheck(const std::string& names, std::int32_t) {
    return cleanStepsNamed(names) < 0 ? "--clean takes nfc, ascii, spaces or forbidden (several with commas between)"
                                      : "";
}

std::string cleanCharacterCheck(const std::string& text, std::int32_t) {
    return platform::utf8::sequenceLength(text, 0) < text.size() ? "Forbidden characters become one character, or none."
                                                                 : "";
}

// On the command line only "forbidden" takes the character: --clean forbidden _.
std::size_t cleanCommandLineTexts(const std::vector<std::string>& following) {
    const std::int32_t steps = following.empty() ? 0 : cleanStepsNamed(following[0]);
    return steps > 0 && (steps & CleanForbidden) ? 2 : 1;
}

FilterResult buildCleanup(const FilterKind& kind, const FilterValues& values) {
    if (auto problem = textProblem(kind, values)) return *problem;
    for (std::size_t i = 0; i < 2; ++i) {
        std::string problem = checkFilterText(kind, i, values.texts[i]);
        if (!problem.empty()) return rejected(problem, static_cast<int>(i));
    }
    std::int32_t flags = cleanStepsNamed(values.texts[0]);
    if (flags & CleanAscii) flags |= CleanComposed;
    Rule rule = ofType(Cleanup);
    rule.option = flags;
    if (flags & CleanForbidden) rule.cleanReplacement() = values.texts[1];
    return accepted(rule);
}

FilterValues cleanupValues(const Rule& rule) {
    return FilterValues{textsOf({cleanStepNames(rule.option), rule.cleanReplacement()}), 0};
}

void describeCleanup(Rule& rule) {
    std::string steps;
    const auto add = [&](const std::string& step) { steps += (steps.empty() ? "" : ", ") + step; };
    if (rule.option & CleanAscii) {
        add("ASCII letters");
    } else if (rule.option & CleanComposed) {
        add("composed characters (NFC)");
    }
    if (rule.option & CleanSpaces) add("single spaces");
    if (rule.option & CleanForbidden) {
        add(rule.cleanReplacement().empty() ? "forbidden characters removed"
                                            : "forbidden characters to " + quoted(rule.cleanReplacement()));
    }
    rule.description = "Clean up: " + (steps.empty() ? std::string("nothing") : steps);
}

void applyCleanup(const Rule& rule, NameInProgress& name) {
    cleanUp(name.base, rule.option, rule.cleanReplacement());
}

// What follows a percent sign in a Counter format: one of its three fields, or nothing known.
struct CounterField {
    char kind = 0;        // 'b', 'n', '%', or 0 for text that is no field
    std::size_t end = 0;  // just past the field
    std::size_t width = 0;
};

constexpr std::size_t kMaxCounterWidth = 10;  // the digits of the largest 32-bit number

CounterField counterField(const std::string& format, std::size_t percent) {
    std::size_t at = percent + 1;
    if (at < format.size() && (format[at] == 'b' || format[at] == '%')) return CounterField{format[at], at + 1, 0};
    std::size_t width = 0;
    for (; at < format.size() && format[at] >= '0' && format[at] <= '9'; ++at) {
        if (width <= kMaxCounterWidth) width = width * 10 + static_cast<std::size_t>(format[at] - '0');
    }
    const bool digits = at > percent + 1;
    if (at < format.size() && format[at] == 'n' && (!digits || (width >= 1 && width <= kMaxCounterWidth))) {
        return CounterField{'n', at + 1, width};
    }
    return CounterField{};
}

// --- The table ----------------------------------------------------------------------------------

FilterText param(const char* name, const char* what, FilterTextForm form) {
    FilterText t;
    t.name = name;
    t.what = what;
    t.form = form;
    return t;
}

FilterText text(const char* name, const char* what, std::size_t maxBytes, bool fileNameCharactersOnly) {
    FilterText t = param(name, what, FilterTextForm::Text);
    t.maxBytes = maxBytes;
    t.fileNameCharactersOnly = fileNameCharactersOnly;
    return t;
}

FilterText whole32(const char* name, const char* what) {
    FilterText t = param(name, what, FilterTextForm::Number);
    t.minimum = std::numeric_limits<std::int32_t>::min();
    t.maximum = std::numeric_limits<std::int32_t>::max();
    return t;
}

FilterText limit(const char* name, const char* what) {
    FilterText t = param(name, what, FilterTextForm::Number);
    t.minimum = 0;
    t.maximum = 99;
    return t;
}

std::vector<FilterKind> makeTable() {
    const FilterFlag matchCase{"match case", "--match-case"};
    const FilterFlag everyWord{"every word capitalised", "--every-word"};
    const FilterFlag wholeWord{"whole words only", "--whole-word"};
    const FilterFlag regex{"regular expression", "--regex"};
    const FilterFlag requireFields{"all fields must exist", "--require-fields"};
    const FilterFlag id3v1Only{"ID3v1 tag only", "--v1-only"};
    const FilterFlag keepForbidden{"forbidden characters kept", "--keep-forbidden"};
    const FilterFlag cleanTags{"tag texts cleaned up", "--clean-tags"};
    const FilterFlag asciiTags{"tag texts in ASCII letters", "--ascii-tags"};
    const FilterFlag intoFolders{"into folders", "--folders"};
    const FilterFlag perFolder{"restarted in each folder", "--per-folder"};
    const FilterFlag perDisc{"restarted on each disc", "--per-disc"};
    FilterText counterFormat = text("FORMAT", "The counter format", kMaxFilterText, true);
    counterFormat.check = counterFormatCheck;
    FilterText counterStep = whole32("STEP", "The counter's step");
    counterStep.check = counterStepCheck;
    FilterText mode = param("MODE", "The case mode", FilterTextForm::Choice);
    // In the order of the Change Case dialog's radio buttons, which is the option's value.
    mode.choices = {"sentence", "lower", "upper", "mixed", "toggle", "title"};
    FilterText smallWords = text("WORDS", "The list of small words", kMaxFilterText, false);
    smallWords.fromSettings = true;
    // The window's Tags dialog names the folder to move into; the command line has --into.
    FilterText id3Into = text("INTO", "The folder to move into", kMaxFilterText, false);
    id3Into.fromSettings = true;
    FilterText cleanSteps = text("STEP", "The Clean up steps", 40, false);
    cleanSteps.check = cleanStepsCheck;
    FilterText cleanCharacter = text("[CHAR]", "The character for forbidden ones", 4, true);
    cleanCharacter.check = cleanCharacterCheck;
    const char* findText = "A Find and Replace text";
    const char* appendText = "An Append text";
    const char* padText = "A Padding set";
    const char* form = "A Number Replace form";
    return {
        {ChangeCase,
         "--case",
         "change case: sentence, lower, upper, mixed, toggle or\n"
         "title (Title Case: the small words of the settings stay\n"
         "in lower case inside a name unless --every-word follows)",
         {mode, smallWords},
         {everyWord},
         buildChangeCase,
         changeCaseValues,
         describeChangeCase,
         applyChangeCase},
        {Replace,
         "--underscores",
         "replace underscores with spaces",
         {},
         {},
         buildUnderscores,
         noValues,
         describeReplace,
         applyReplace,
         isUnderscoresPreset},
        {Replace,
         "--periods",
         "replace periods with spaces (not the extension's)",
         {},
         {},
         buildPeriods,
         noValues,
         describeReplace,
         applyReplace,
         isPeriodsPreset},
        {Replace,
         "--replace",
         "replace a text; may be followed by --match-case,\n"
         "--whole-word, --regex (FIND is a regular expression;\n"
         "REPLACE takes $1..$99, ${name}, $0 the match, $$ a $)",
         {text("FIND", findText, kMaxFilterText, false), text("REPLACE", findText, kMaxFilterText, true)},
         {matchCase, wholeWord, regex},
         buildReplace,
         replaceValues,
         describeReplace,
         applyReplace},
        {Append,
         "--append",
         "add text at the front and at the end (either may be \"\")",
         {text("FRONT", appendText, kMaxFilterText, true), text("END", appendText, kMaxFilterText, true)},
         {},
         buildAppend,
         appendValues,
         describeAppend,
         applyAppend},
        {Strip,
         "--strip",
         "remove a text; may be followed by --match-case",
         {text("TEXT", "The Stripper text", kMaxFilterText, false)},
         {matchCase},
         buildStrip,
         stripValues,
         describeStrip,
         applyStrip},
        {Pad,
         "--pad",
         "put spaces before, around and after these characters",
         {text("LEFT", padText, kMaxPadText, false), text("BOTH", padText, kMaxPadText, false),
          text("RIGHT", padText, kMaxPadText, false)},
         {},
         buildPad,
         padValues,
         describePad,
         applyPad},
        {Flip,
         "--flip",
         "swap the parts before and after the first TEXT",
         {text("TEXT", "The Flip text", kMaxFilterText, false)},
         {},
         buildFlip,
         flipValues,
         describeFlip,
         applyFlip},
        {NumReplace,
         "--number",
         "renumber: FIND and REPLACE hold %s for the number (0..99)",
         {limit("LOW", "The lower limit"), limit("HIGH", "The upper limit"), text("FIND", form, kMaxFilterText, false),
          text("REPLACE", form, kMaxFilterText, false)},
         {},
         buildNumberReplace,
         numberReplaceValues,
         describeNumberReplace,
         applyNumberReplace},
        {ID3,
         "--id3",
         "name from the tags: %1 artist, %2 title, %3 album,\n"
         "%4 year, %5 comment, %6 genre, %7 track, %8 disc,\n"
         "%9 album artist, %0 disc of an album of several\n"
         "discs (by its tag's \"2/3\" or the run's other files\n"
         "of the same %9 and %3), else empty, dropping the text\n"
         "written before it back to the last field or \\\n"
         "(\"CD\" of \"%9\\%3\\CD%0\\%7 - %2\"), or with none\n"
         "the text after it; may be followed by --require-fields\n"
         "(skip files whose tag lacks a field used), --v1-only\n"
         "(the ID3v1 tag alone, %1..%6), --keep-forbidden\n"
         "(tag texts unfiltered: such a file then fails),\n"
         "--clean-tags (tag texts in the composed form, single\n"
         "spaces, as --clean nfc and spaces) and --ascii-tags\n"
         "(the same in ASCII letters, as --clean ascii) and\n"
         "--folders (\\ or / in the format makes folders)",
         {text("FORMAT", "The tag format", kMaxFilterText, true), id3Into},
         {requireFields, id3v1Only, keepForbidden, cleanTags, asciiTags, intoFolders},
         buildId3,
         id3Values,
         describeId3,
         applyId3Rule,
         nullptr,
         [](const std::vector<std::string>&) -> std::size_t { return 1; }},
        {Counter,
         "--counter",
         "number the files in the run's order, one number\n"
         "for each file found, renamed or not: FORMAT makes\n"
         "the name from %b (the name so far), %n (the\n"
         "number; %3n pads it with zeros to 3 digits, -007\n"
         "for -7) and %% (a percent sign), counting from\n"
         "START by STEP (not 0; past the 32-bit range the\n"
         "number wraps around); may be followed by\n"
         "--per-folder (start again in each folder) or\n"
         "--per-disc (start again in each folder and whenever\n"
         "the disc number of the files' tags changes)",
         {counterFormat, whole32("START", "The counter's start"), counterStep},
         {perFolder, perDisc},
         buildCounter,
         counterValues,
         describeCounter,
         applyCounter},
        {Cleanup,
         "--clean",
         "clean up: nfc (Unicode's composed form), ascii (the\n"
         "same, accents removed and Latin letters spelled in\n"
         "ASCII: e for é, ss for ß; other scripts kept), spaces\n"
         "(runs of spaces made one, none at the ends) or\n"
         "forbidden CHAR (the characters Windows forbids made\n"
         "CHAR, \"\" to remove them); repeat it for several",
         {cleanSteps, cleanCharacter},
         {},
         buildCleanup,
         cleanupValues,
         describeCleanup,
         applyCleanup,
         nullptr,
         cleanCommandLineTexts},
    };
}

// The decimal value of a text of digits alone, stopping growing once past any limit a field has.
std::optional<std::int64_t> wholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        if (value < 1000000000) value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

void FilterValues::setFlag(std::size_t index, bool on) {
    const std::uint32_t bit = 1u << index;
    flags = on ? (flags | bit) : (flags & ~bit);
}

int FilterKind::flagOfModifier(const std::string& modifier) const {
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (modifier == flags[i].modifier) return static_cast<int>(i);
    }
    return -1;
}

const std::vector<FilterKind>& filterKinds() {
    static const std::vector<FilterKind> kinds = makeTable();
    return kinds;
}

const FilterKind* findFilterKind(const std::string& option) {
    for (const FilterKind& kind : filterKinds()) {
        if (option == kind.option) return &kind;
    }
    return nullptr;
}

void releaseRuleCaches() noexcept {
    releaseRegexCache();
    releaseNumberFormsCache();
}

RuleCaches::RuleCaches() : regex_(newRegexCache()), forms_(newNumberFormsCache()) {}
RuleCaches::~RuleCaches() {
    deleteRegexCache(regex_);
    deleteNumberFormsCache(forms_);
}

UsingRuleCaches::UsingRuleCaches(RuleCaches& caches)
    : regex_(useRegexCache(caches.regex_)), forms_(useNumberFormsCache(caches.forms_)) {}
UsingRuleCaches::~UsingRuleCaches() {
    useRegexCache(regex_);
    useNumberFormsCache(forms_);
}

const FilterKind* filterKindOf(const Rule& rule) {
    for (const FilterKind& kind : filterKinds()) {
        if (kind.type == rule.type && (!kind.owns || kind.owns(rule))) return &kind;
    }
    return nullptr;
}

FilterResult buildFilter(const FilterKind& kind, FilterValues values) {
    values.texts.resize(kind.texts.size());
    values.flags &= (kind.flags.size() >= 32 ? ~0u : (1u << kind.flags.size()) - 1u);
    return kind.build(kind, values);
}

FilterResult buildFilter(const std::string& option, FilterValues values) {
    return buildFilter(*findFilterKind(option), std::move(values));
}

std::string checkFilterText(const FilterKind& kind, std::size_t index, const std::string& text, std::int32_t* value) {
    const FilterText& param = kind.texts.at(index);
    switch (param.form) {
        case FilterTextForm::Number: {
            // The words of the platform's own data exchange, which the dialogs have always shown.
            // A field that takes no negative number refuses a minus sign as it always has.
            const bool negative = param.minimum < 0 && !text.empty() && text[0] == '-';
            auto number = wholeNumber(negative ? text.substr(1) : text);
            if (number && negative) number = -*number;
            if (!number) return "Please enter an integer.";
            if (*number < param.minimum || *number > param.maximum) {
                return "Please enter an integer between " + std::to_string(param.minimum) + " and " +
                       std::to_string(param.maximum) + ".";
            }
            if (value) *value = static_cast<std::int32_t>(*number);
            return param.check ? param.check(text, static_cast<std::int32_t>(*number)) : std::string();
        }
        case FilterTextForm::Choice: {
            std::string names;
            for (std::size_t i = 0; i < param.choices.size(); ++i) {
                if (text == param.choices[i]) {
                    if (value) *value = static_cast<std::int32_t>(i);
                    return std::string();
                }
                names += (i == 0 ? "" : i + 1 == param.choices.size() ? " or " : ", ");
                names += param.choices[i];
            }
            return std::string(kind.option) + " takes " + names;
        }
        case FilterTextForm::Text:
            break;
    }
    if (text.size() > param.maxBytes) {
        return std::string(param.what) + " takes at most " + std::to_string(param.maxBytes) + " bytes.";
    }
    if (param.fileNameCharactersOnly && containsInvalidFilenameCharacter(text)) return invalidFilenameMessage();
    return param.check ? param.check(text, 0) : std::string();
}

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

std::string counterFormatProblem(const std::string& format) {
    if (format.empty()) return "The counter needs a format.";
    bool numbered = false;
    for (std::size_t at = format.find('%'); at != std::string::npos; at = format.find('%', at)) {
        const CounterField field = counterField(format, at);
        if (!field.kind) {
            // Shown up to the first letter after the percent sign: "%x", "%11n", "%5".
            const std::size_t letter = format.find_first_not_of("0123456789", at + 1);
            const std::string shown =
                format.substr(at, letter == std::string::npos ? std::string::npos : letter - at + 1);
            return "The counter format takes %b, %n, %3n (a width of 1 to 10) and %%; \"" + shown +
                   "\" is none of them.";
        }
        numbered = numbered || field.kind == 'n';
        at = field.end;
    }
    return numbered ? std::string() : "The counter format needs %n, the number.";
}

std::string expandCounterFormat(const std::string& format, const std::string& base, std::int32_t number) {
    // The magnitude as unsigned, so that the smallest number has one too.
    const std::uint32_t magnitude =
        number < 0 ? 0u - static_cast<std::uint32_t>(number) : static_cast<std::uint32_t>(number);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = format.find('%'); at != std::string::npos; at = format.find('%', at)) {
        const CounterField field = counterField(format, at);
        if (!field.kind) {
            ++at;  // kept as written
            continue;
        }
        out.append(format, copied, at - copied);
        if (field.kind == 'b') {
            out += base;
        } else if (field.kind == '%') {
            out += '%';
        } else {
            if (number < 0) out += '-';
            if (field.width > digits.size()) out.append(field.width - digits.size(), '0');
            out += digits;
        }
        at = copied = field.end;
    }
    out.append(format, copied, std::string::npos);
    return out;
}

std::int32_t counterNumber(std::int32_t start, std::int32_t step, std::uint64_t steps) {
    // Unsigned arithmetic wraps by definition; only the low 32 bits of `steps` matter to it.
    const std::uint32_t value =
        static_cast<std::uint32_t>(start) + static_cast<std::uint32_t>(step) * static_cast<std::uint32_t>(steps);
    return static_cast<std::int32_t>(value);
}

void ruleDescription(Rule& rule) {
    if (const FilterKind* kind = filterKindOf(rule)) {
        kind->describe(rule);
    } else {
        // The misspelling is the program's own text, kept so descriptions stay as users have
        // always seen them.
        rule.description = "Unknown rule type; rule not propertly initialized";
    }
}

}  // namespace core

#include "core/rules/rule.h"

namespace core {

bool Rule::operator==(const Rule& other) const {
    return text1 == other.text1 && text2 == other.text2 && text3 == other.text3 && description == other.description &&
           option == other.option && type == other.type && extra == other.extra && pluginPath == other.pluginPath;
}

namespace {

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
        default:
            return "Mixed Case";
    }
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string padDescription(const Rule& rule) {
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
    return out;
}

}  // namespace

void ruleDescription(Rule& rule) {
    switch (rule.type) {
        case ChangeCase:
            rule.description = std::string("Change Case: all characters to ") + caseModeName(rule.option);
            return;
        case Pad:
            rule.description = padDescription(rule);
            return;
        case Replace:
            if (rule.option & ReplacePreset) {
                if (rule.option & ReplaceMatchCaseOrUnderscores) {
                    rule.description = "Replace: underscores with spaces";
                } else if (rule.option & ReplaceWholeWordsOrPeriods) {
                    rule.description = "Replace: periods with spaces";
                }
            } else {
                std::string suffix;
                const bool matchCase = rule.option & ReplaceMatchCaseOrUnderscores;
                const bool wholeWords = rule.option & ReplaceWholeWordsOrPeriods;
                if (matchCase && wholeWords) {
                    suffix = " (match case, whole words only)";
                } else if (matchCase) {
                    suffix = " (match case)";
                } else if (wholeWords) {
                    suffix = " (whole words only)";
                }
                rule.description =
                    "Replace: " + quoted(rule.findText()) + " with " + quoted(rule.replaceText()) + suffix;
            }
            return;
        case Append:
            if (!rule.appendFront().empty()) {
                rule.description = "Append: " + quoted(rule.appendFront()) + " at front";
                if (!rule.appendEnd().empty()) {
                    rule.description += " and " + quoted(rule.appendEnd()) + " at end";
                }
            } else if (!rule.appendEnd().empty()) {
                rule.description = "Append: " + quoted(rule.appendEnd()) + " at end";
            }
            return;
        case ID3:
            rule.description = "ID3: \"" + rule.id3Format() + (rule.option != 0 ? "\" (all fields must exist)" : "\"");
            return;
        case Strip:
            rule.description = "Strip: \"" + rule.stripText() + (rule.option != 0 ? "\" (match case)" : "\"");
            return;
        case Flip:
            rule.description = "Flip at: " + quoted(rule.flipText());
            return;
        case NumReplace:
            rule.description = "NumReplace: (" + std::to_string(rule.option) + " to " + std::to_string(rule.extra) +
                               ") find=" + quoted(rule.findText()) + " replace=" + quoted(rule.replaceText());
            return;
        default:
            // The misspelling is the program's own text, kept so descriptions stay as users
            // have always seen them.
            rule.description = "Unknown rule type; rule not propertly initialized";
            return;
    }
}

std::int32_t fieldMaskFromFormat(const std::string& format) {
    // Placeholder digit -> tag field bit; "%1" is the artist, "%2" the title.
    static const std::int32_t bits[6] = {Id3Artist, Id3Title, Id3Album, Id3Year, Id3Comment, Id3Genre};
    std::int32_t mask = 0;
    bool armed = false;
    for (char c : format) {
        if (!armed) {
            armed = c == '%';
        } else if (c != '%') {
            armed = false;
            if (c >= '1' && c <= '6') mask |= bits[c - '1'];
        }
    }
    return mask;
}

}  // namespace core

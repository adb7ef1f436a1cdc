#include "ui/filterui/filter_editing.h"

#include "ui/app/resource.h"
#include "ui/filterui/filter_dialogs.h"

namespace ui {

int ruleTypeOfAddCommand(int command) {
    switch (command) {
        case ID_ADD_APPEND:
            return core::Append;
        case ID_ADD_CHANGECASE:
            return core::ChangeCase;
        case ID_ADD_REPLACE:
            return core::Replace;
        case ID_ADD_FLIP:
            return core::Flip;
        case ID_ADD_ID3:
            return core::ID3;
        case ID_ADD_NUMBER:
            return core::NumReplace;
        case ID_ADD_PADDING:
            return core::Pad;
        case ID_ADD_STRIPPER:
            return core::Strip;
        default:
            return 0;
    }
}

namespace {

bool append(HWND parent, core::Rule& rule, bool adding) {
    AppendDialog dialog(parent);
    if (!adding) {
        dialog.frontText = rule.appendFront();
        dialog.endText = rule.appendEnd();
        dialog.useFront = !rule.appendFront().empty();
        dialog.useEnd = !rule.appendEnd().empty();
    }
    if (dialog.doModal() != IDOK) return false;
    rule.appendFront() = dialog.useFront ? dialog.frontText : std::string();
    rule.appendEnd() = dialog.useEnd ? dialog.endText : std::string();
    return true;
}

bool changeCase(HWND parent, core::Rule& rule, bool adding) {
    ChangeCaseDialog dialog(parent);
    if (!adding) dialog.mode = rule.option;
    if (dialog.doModal() != IDOK) return false;
    rule.option = dialog.mode;
    return true;
}

bool replace(HWND parent, core::Rule& rule, bool adding) {
    FindReplaceDialog dialog(parent);
    if (adding) {
        dialog.preset = true;  // a new filter opens on "Replace underscores with spaces"
    } else if (rule.option & core::ReplacePreset) {
        dialog.preset = true;
        if (rule.option & core::ReplaceMatchCaseOrUnderscores) {
            dialog.underscores = true;
        } else if (rule.option & core::ReplaceWholeWordsOrPeriods) {
            dialog.periods = true;
        }
    } else {
        dialog.find = rule.findText();
        dialog.replaceWith = rule.replaceText();
        dialog.matchCase = rule.option & core::ReplaceMatchCaseOrUnderscores;
        dialog.wholeWord = rule.option & core::ReplaceWholeWordsOrPeriods;
    }
    if (dialog.doModal() != IDOK) return false;
    if (dialog.preset) {
        rule.option = core::ReplacePreset |
                      (dialog.underscores ? core::ReplaceMatchCaseOrUnderscores : core::ReplaceWholeWordsOrPeriods);
    } else {
        rule.option = core::ReplaceCustom | (dialog.wholeWord ? core::ReplaceWholeWordsOrPeriods : 0) |
                      (dialog.matchCase ? core::ReplaceMatchCaseOrUnderscores : 0);
        rule.findText() = dialog.find;
        rule.replaceText() = dialog.replaceWith;
    }
    return true;
}

bool pad(HWND parent, core::Rule& rule, bool adding) {
    PaddingDialog dialog(parent);
    if (!adding) {
        dialog.leftChars = rule.padLeft();
        dialog.bothChars = rule.padBoth();
        dialog.rightChars = rule.padRight();
    }
    if (dialog.doModal() != IDOK) return false;
    rule.padLeft() = dialog.leftChars;
    rule.padBoth() = dialog.bothChars;
    rule.padRight() = dialog.rightChars;
    return true;
}

bool id3(HWND parent, core::Rule& rule, bool adding) {
    ID3Dialog dialog(parent);
    if (!adding) {
        dialog.format = rule.id3Format();
        dialog.mustExist = rule.option != 0;
    }
    if (dialog.doModal() != IDOK) return false;
    rule.id3Format() = dialog.format;
    rule.option = dialog.mustExist ? core::fieldMaskFromFormat(dialog.format) : 0;
    return true;
}

bool strip(HWND parent, core::Rule& rule, bool adding) {
    StripperDialog dialog(parent);
    if (!adding) {
        dialog.chars = rule.stripText();
        dialog.matchCase = rule.option != 0;
    }
    if (dialog.doModal() != IDOK) return false;
    rule.option = dialog.matchCase ? 1 : 0;
    rule.stripText() = dialog.chars;
    return true;
}

bool flip(HWND parent, core::Rule& rule, bool adding) {
    FlipDialog dialog(parent);
    if (!adding) dialog.separator = rule.flipText();
    if (dialog.doModal() != IDOK) return false;
    rule.flipText() = dialog.separator;
    return true;
}

bool numberReplace(HWND parent, core::Rule& rule, bool adding) {
    NumberReplaceDialog dialog(parent);
    if (!adding) {
        dialog.lower = rule.option;
        dialog.upper = rule.extra;
        dialog.findForm = rule.findText();
        dialog.replaceForm = rule.replaceText();
    }
    if (dialog.doModal() != IDOK) return false;
    rule.findText() = dialog.findForm;
    rule.replaceText() = dialog.replaceForm;
    rule.option = dialog.lower;
    rule.extra = dialog.upper;
    return true;
}

}  // namespace

bool editBuiltInFilter(HWND parent, core::Rule& rule, bool adding) {
    bool accepted = false;
    switch (rule.type) {
        case core::Append:
            accepted = append(parent, rule, adding);
            break;
        case core::ChangeCase:
            accepted = changeCase(parent, rule, adding);
            break;
        case core::Replace:
            accepted = replace(parent, rule, adding);
            break;
        case core::Pad:
            accepted = pad(parent, rule, adding);
            break;
        case core::ID3:
            accepted = id3(parent, rule, adding);
            break;
        case core::Strip:
            accepted = strip(parent, rule, adding);
            break;
        case core::Flip:
            accepted = flip(parent, rule, adding);
            break;
        case core::NumReplace:
            accepted = numberReplace(parent, rule, adding);
            break;
        default:
            return false;
    }
    if (accepted) core::ruleDescription(rule);
    return accepted;
}

}  // namespace ui

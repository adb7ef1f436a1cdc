#include "ui/filterui/filter_dialogs.h"

#include <commctrl.h>

#include "core/app/strings.h"
#include "core/rules/filter_factory.h"
#include "core/rules/text_rules.h"
#include "ui/app/resource.h"
#include "ui/controls/messages.h"
#include "ui/controls/wide.h"

namespace ui {
namespace {

// Selects an edit's whole text, scrolls its caret into view and gives it the focus: the field a
// refused OK points the user to.
void pointTo(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    SetFocus(edit);
}

}  // namespace

int leadingInteger(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000000) break;
        value = value * 10 + (c - '0');
    }
    return static_cast<int>(value);
}

// --- Append -----------------------------------------------------------------------------------

AppendDialog::AppendDialog(HWND parent) : UI_dialog(IDD_APPEND, parent) {
    onUpdate(IDC_FRONT_TEXT, [this] { return isChecked(IDC_USE_FRONT); });
    onUpdate(IDC_END_TEXT, [this] { return isChecked(IDC_USE_END); });
    onUpdate(IDOK, [this] {
        return (isChecked(IDC_USE_FRONT) && !text(IDC_FRONT_TEXT).empty()) ||
               (isChecked(IDC_USE_END) && !text(IDC_END_TEXT).empty());
    });
}

void AppendDialog::onInitDialog() {
    setLimitText(IDC_FRONT_TEXT, 127);
    setLimitText(IDC_END_TEXT, 127);
    setText(IDC_FRONT_TEXT, frontText);
    setText(IDC_END_TEXT, endText);
    setChecked(IDC_USE_END, useEnd);
    setChecked(IDC_USE_FRONT, useFront);
}

void AppendDialog::onOk() {
    frontText = text(IDC_FRONT_TEXT);
    endText = text(IDC_END_TEXT);
    useEnd = isChecked(IDC_USE_END);
    useFront = isChecked(IDC_USE_FRONT);
    int fault = 0;
    if (useFront && core::containsInvalidFilenameCharacter(frontText)) {
        fault = IDC_FRONT_TEXT;
    } else if (useEnd && core::containsInvalidFilenameCharacter(endText)) {
        fault = IDC_END_TEXT;
    }
    if (fault) {
        showInvalidFilenameError();
        pointTo(hwnd(), fault);
        return;
    }
    endDialog(IDOK);
}

// --- Change Case ------------------------------------------------------------------------------

ChangeCaseDialog::ChangeCaseDialog(HWND parent) : UI_dialog(IDD_CHANGE_CASE, parent) {}

void ChangeCaseDialog::onInitDialog() {
    // A stored mode outside the five (only a file can hold one) shows no choice.
    if (mode >= 0 && mode <= 4) setChecked(IDC_CASE_SENTENCE + mode, true);
}

void ChangeCaseDialog::onOk() {
    mode = 4;
    for (int i = 0; i < 4; ++i) {
        if (isChecked(IDC_CASE_SENTENCE + i)) {
            mode = i;
            break;
        }
    }
    endDialog(IDOK);
}

// --- Find and Replace ----------------------------------------------------------------------------

FindReplaceDialog::FindReplaceDialog(HWND parent) : UI_dialog(IDD_FIND_REPLACE, parent) {
    for (int id : {IDC_FIND, IDC_REPLACE_WITH, IDC_WHOLE_WORD, IDC_MATCH_CASE}) {
        onUpdate(id, [this] { return isChecked(IDC_CUSTOM); });
    }
    onUpdate(IDOK, [this] {
        return (isChecked(IDC_CUSTOM) && !text(IDC_FIND).empty() && !text(IDC_REPLACE_WITH).empty()) ||
               isChecked(IDC_UNDERSCORES) || isChecked(IDC_PERIODS);
    });
}

void FindReplaceDialog::onInitDialog() {
    setLimitText(IDC_FIND, 127);
    setLimitText(IDC_REPLACE_WITH, 127);
    setText(IDC_FIND, find);
    setText(IDC_REPLACE_WITH, replaceWith);
    setChecked(IDC_UNDERSCORES, underscores);
    setChecked(IDC_PERIODS, periods);
    setChecked(IDC_MATCH_CASE, matchCase);
    setChecked(IDC_WHOLE_WORD, wholeWord);
    int focus;
    if (!preset) {
        setChecked(IDC_CUSTOM, true);
        focus = IDC_CUSTOM;
    } else if (underscores) {
        focus = IDC_UNDERSCORES;
    } else if (periods) {
        focus = IDC_PERIODS;
    } else {
        setChecked(IDC_UNDERSCORES, true);
        focus = IDC_UNDERSCORES;
    }
    initialFocus = item(focus);
}

void FindReplaceDialog::onOk() {
    find = text(IDC_FIND);
    replaceWith = text(IDC_REPLACE_WITH);
    underscores = isChecked(IDC_UNDERSCORES);
    periods = isChecked(IDC_PERIODS);
    matchCase = isChecked(IDC_MATCH_CASE);
    wholeWord = isChecked(IDC_WHOLE_WORD);
    // Checked in every mode, even while the field is disabled and holds an old custom entry.
    if (core::containsInvalidFilenameCharacter(replaceWith)) {
        showInvalidFilenameError();
        pointTo(hwnd(), IDC_REPLACE_WITH);
        return;
    }
    preset = underscores || periods;
    if (!preset && (matchCase ? find == replaceWith : core::toLowerText(find) == core::toLowerText(replaceWith))) {
        showError(core::loadString(core::IDS_FIND_EQUALS_REPLACE));
        return;
    }
    endDialog(IDOK);
}

// --- Padding --------------------------------------------------------------------------------------

PaddingDialog::PaddingDialog(HWND parent) : UI_dialog(IDD_PADDING, parent) {
    onUpdate(IDOK, [this] {
        return !text(IDC_PAD_LEFT).empty() || !text(IDC_PAD_BOTH).empty() || !text(IDC_PAD_RIGHT).empty();
    });
}

void PaddingDialog::onInitDialog() {
    setText(IDC_PAD_BOTH, bothChars);
    setText(IDC_PAD_LEFT, leftChars);
    setText(IDC_PAD_RIGHT, rightChars);
    for (int id : {IDC_PAD_LEFT, IDC_PAD_BOTH, IDC_PAD_RIGHT}) setLimitText(id, 20);
    LOGFONTW log{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(log), &log);
    log.lfWeight = FW_BOLD;
    bold_.reset(CreateFontIndirectW(&log));
    for (int id : {IDC_PAD_EXAMPLE, IDC_PAD_RESULT}) {
        SendDlgItemMessageW(hwnd(), id, WM_SETFONT, reinterpret_cast<WPARAM>(bold_.get()), TRUE);
    }
}

void PaddingDialog::onOk() {
    bothChars = text(IDC_PAD_BOTH);
    leftChars = text(IDC_PAD_LEFT);
    rightChars = text(IDC_PAD_RIGHT);
    endDialog(IDOK);
}

// --- ID3v1 ------------------------------------------------------------------------------------------

ID3Dialog::ID3Dialog(HWND parent) : UI_dialog(IDD_ID3, parent) {
    onUpdate(IDOK, [this] { return !text(IDC_ID3_FORMAT).empty(); });
}

void ID3Dialog::onInitDialog() {
    for (const wchar_t* entry : {L"%1 - %2", L"(%3) %1 - %2", L"%3 - %2", L"%2 [%3 (%4)]", L"(%1) %3 - %2"}) {
        SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_LIMITTEXT, 127, 0);
    setText(IDC_ID3_FORMAT, format);
    setChecked(IDC_ID3_MUST_EXIST, mustExist);
}

void ID3Dialog::onOk() {
    format = text(IDC_ID3_FORMAT);
    mustExist = isChecked(IDC_ID3_MUST_EXIST);
    if (core::containsInvalidFilenameCharacter(format)) {
        showInvalidFilenameError();
        SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        SetFocus(item(IDC_ID3_FORMAT));
        return;
    }
    endDialog(IDOK);
}

// --- Stripper -------------------------------------------------------------------------------------

StripperDialog::StripperDialog(HWND parent) : UI_dialog(IDD_STRIPPER, parent) {
    onUpdate(IDOK, [this] { return !text(IDC_STRIP_TEXT).empty(); });
}

void StripperDialog::onInitDialog() {
    setChecked(IDC_STRIP_MATCH_CASE, matchCase);
    setText(IDC_STRIP_TEXT, chars);
}

void StripperDialog::onOk() {
    matchCase = isChecked(IDC_STRIP_MATCH_CASE);
    chars = text(IDC_STRIP_TEXT);
    endDialog(IDOK);
}

// --- Number Replace -------------------------------------------------------------------------------

NumberReplaceDialog::NumberReplaceDialog(HWND parent) : UI_dialog(IDD_NUMBER_REPLACE, parent) {
    onUpdate(IDOK, [this] {
        const std::string find = text(IDC_FIND_FORM), replace = text(IDC_REPLACE_FORM);
        return leadingInteger(text(IDC_LOWER_LIMIT)) < leadingInteger(text(IDC_UPPER_LIMIT)) && !find.empty() &&
               !replace.empty() && core::toLowerText(find) != core::toLowerText(replace) &&
               core::holdsOneNumberPlaceholder(find) && core::holdsOneNumberPlaceholder(replace);
    });
}

void NumberReplaceDialog::onInitDialog() {
    setText(IDC_LOWER_LIMIT, std::to_string(lower));
    setText(IDC_FIND_FORM, findForm);
    setText(IDC_REPLACE_FORM, replaceForm);
    setText(IDC_UPPER_LIMIT, std::to_string(upper));
    for (int buddy : {IDC_LOWER_LIMIT, IDC_UPPER_LIMIT}) {
        HWND spin = CreateWindowExW(
            0, UPDOWN_CLASSW, nullptr,
            WS_CHILD | WS_VISIBLE | UDS_WRAP | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
            0, 0, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(buddy)), 0);
        SendMessageW(spin, UDM_SETRANGE32, 0, 99);
        SendMessageW(spin, UDM_SETPOS32, 0, leadingInteger(text(buddy)));
    }
}

void NumberReplaceDialog::onOk() {
    // The exchange of an integer field within 0..99, with the platform's own messages.
    const auto exchange = [this](int id, int& value) {
        const std::string typed = text(id);
        bool digits = !typed.empty() && typed.size() <= 9;
        for (char c : typed) digits = digits && c >= '0' && c <= '9';
        const char* problem = nullptr;
        if (!digits) {
            problem = "Please enter an integer.";
        } else if (leadingInteger(typed) > 99) {
            problem = "Please enter an integer between 0 and 99.";
        }
        if (problem) {
            showAppMessage(problem, MB_OK | MB_ICONEXCLAMATION);
            pointTo(hwnd(), id);
            return false;
        }
        value = leadingInteger(typed);
        return true;
    };
    int low = lower, high = upper;
    if (!exchange(IDC_LOWER_LIMIT, low)) return;
    findForm = text(IDC_FIND_FORM);
    replaceForm = text(IDC_REPLACE_FORM);
    if (!exchange(IDC_UPPER_LIMIT, high)) return;
    lower = low;
    upper = high;
    endDialog(IDOK);
}

// --- Flip -------------------------------------------------------------------------------------------

FlipDialog::FlipDialog(HWND parent) : UI_dialog(IDD_FLIP, parent) {
    onUpdate(IDOK, [this] { return !text(IDC_FLIP_TEXT).empty(); });
}

void FlipDialog::onInitDialog() {
    setText(IDC_FLIP_TEXT, separator);
}

void FlipDialog::onOk() {
    separator = text(IDC_FLIP_TEXT);
    endDialog(IDOK);
}

}  // namespace ui

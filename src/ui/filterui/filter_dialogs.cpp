#include "ui/filterui/filter_dialogs.h"

#include <algorithm>
#include <iterator>

#include <commctrl.h>

#include "core/base/strings.h"
#include "core/rules/clean_up.h"
#include "core/rules/text_rules.h"
#include "core/session/rename_session.h"
#include "platform/paths.h"
#include "ui/app/resource.h"
#include "ui/controls/folder_picker.h"
#include "ui/controls/messages.h"

namespace ui {
namespace {

// Selects a field's whole text, scrolls its caret into view and gives it the focus: the field a
// refused OK points the user to. A combo box's field is its edit part.
void pointTo(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    wchar_t className[16] = {};
    GetClassNameW(field, className, 16);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
        SendMessageW(field, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    } else {
        SendMessageW(field, EM_SETSEL, 0, -1);
        SendMessageW(field, EM_SCROLLCARET, 0, 0);
    }
    SetFocus(field);
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

FilterDialog::FilterDialog(int resource, HWND parent, const char* option, const core::Rule* editing,
                           core::FilterValues defaults)
    : UI_dialog(resource, parent),
      kind_(*core::findFilterKind(option)),
      values_(editing ? kind_.values(*editing) : std::move(defaults)) {
    values_.texts.resize(kind_.texts.size());
}

void FilterDialog::finish(const core::FilterKind& kind, const core::FilterValues& values,
                          const std::vector<int>& fields) {
    core::FilterResult made = core::buildFilter(kind, values);
    if (made.rule) {
        rule = std::move(made.rule);
        endDialog(IDOK);
        return;
    }
    const auto field = static_cast<std::size_t>(made.field);
    // A refused number is the platform's data-exchange message, captioned with the program's title.
    if (made.field >= 0 && kind.texts[field].form == core::FilterTextForm::Number) {
        showAppMessage(made.problem, MB_OK | MB_ICONEXCLAMATION);
    } else {
        showError(made.problem);
    }
    if (made.field >= 0 && field < fields.size()) pointTo(hwnd(), fields[field]);
}

// --- Append -----------------------------------------------------------------------------------

AppendDialog::AppendDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_APPEND, parent, "--append", editing, {}) {
    onUpdate(IDC_FRONT_TEXT, [this] { return isChecked(IDC_USE_FRONT); });
    onUpdate(IDC_END_TEXT, [this] { return isChecked(IDC_USE_END); });
    onUpdate(IDOK, [this] {
        return (isChecked(IDC_USE_FRONT) && !text(IDC_FRONT_TEXT).empty()) ||
               (isChecked(IDC_USE_END) && !text(IDC_END_TEXT).empty());
    });
}

void AppendDialog::onInitDialog() {
    const int fields[] = {IDC_FRONT_TEXT, IDC_END_TEXT}, uses[] = {IDC_USE_FRONT, IDC_USE_END};
    for (std::size_t i = 0; i < 2; ++i) {
        setLimitText(fields[i], static_cast<int>(kind_.texts[i].maxBytes));
        setText(fields[i], values_.texts[i]);
    }
    for (int i : {1, 0}) setChecked(uses[i], !values_.texts[static_cast<std::size_t>(i)].empty());
}

void AppendDialog::onOk() {
    // A text counts only while its box is ticked.
    values_.texts = {isChecked(IDC_USE_FRONT) ? text(IDC_FRONT_TEXT) : std::string(),
                     isChecked(IDC_USE_END) ? text(IDC_END_TEXT) : std::string()};
    finish({IDC_FRONT_TEXT, IDC_END_TEXT});
}

// --- Change Case ------------------------------------------------------------------------------

namespace {

constexpr std::size_t kEveryWord = 0;  // the Change Case kind's one flag

}  // namespace

ChangeCaseDialog::ChangeCaseDialog(HWND parent, const core::Rule* editing, core::Settings& settings)
    : FilterDialog(IDD_CHANGE_CASE, parent, "--case", editing, {{"sentence", settings.smallWords}}),
      settings_(settings) {
    onUpdate(IDC_CASE_SMALL_WORDS, [this] { return isChecked(IDC_CASE_TITLE); });
    onUpdate(IDC_CASE_SMALL_LIST, [this] { return isChecked(IDC_CASE_TITLE) && isChecked(IDC_CASE_SMALL_WORDS); });
}

void ChangeCaseDialog::onInitDialog() {
    // The radio buttons are in the order of the modes; a stored mode outside them (only a file
    // can hold one) shows no choice.
    const auto& modes = kind_.texts[0].choices;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (values_.texts[0] == modes[i]) setChecked(IDC_CASE_SENTENCE + static_cast<int>(i), true);
    }
    const bool title = values_.texts[0] == "title";
    setChecked(IDC_CASE_SMALL_WORDS, !(title && values_.flag(kEveryWord)));
    setLimitText(IDC_CASE_SMALL_LIST, static_cast<int>(kind_.texts[core::kCaseSmallWordsText].maxBytes));
    const bool ownList = title && !values_.flag(kEveryWord);
    setText(IDC_CASE_SMALL_LIST, ownList ? values_.texts[core::kCaseSmallWordsText] : settings_.smallWords);
}

void ChangeCaseDialog::onOk() {
    const auto& modes = kind_.texts[0].choices;
    std::size_t mode = core::ToggleCase;  // as before Title Case: tOGGLE when no button is chosen
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (isChecked(IDC_CASE_SENTENCE + static_cast<int>(i))) {
            mode = i;
            break;
        }
    }
    const bool title = mode == core::TitleCase;
    const bool small = title && isChecked(IDC_CASE_SMALL_WORDS);
    values_.texts = {modes[mode], small ? text(IDC_CASE_SMALL_LIST) : std::string()};
    values_.setFlag(kEveryWord, title && !small);
    finish({IDC_CASE_SENTENCE, IDC_CASE_SMALL_LIST});
    if (rule && small) settings_.smallWords = rule->smallWords();
}

// --- Find and Replace ----------------------------------------------------------------------------

namespace {

// The custom form's Rule to open on; a built-in form opens with empty custom fields.
const core::Rule* customReplace(const core::Rule* editing) {
    return editing && !(editing->option & core::ReplacePreset) ? editing : nullptr;
}

}  // namespace

FindReplaceDialog::FindReplaceDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_FIND_REPLACE, parent, "--replace", customReplace(editing), {}) {
    for (int id : {IDC_FIND, IDC_REPLACE_WITH, IDC_MATCH_CASE, IDC_REGEX}) {
        onUpdate(id, [this] { return isChecked(IDC_CUSTOM); });
    }
    // A pattern says where words end itself (\b).
    onUpdate(IDC_WHOLE_WORD, [this] { return isChecked(IDC_CUSTOM) && !isChecked(IDC_REGEX); });
    // An empty Replace With replaces what is found with nothing.
    onUpdate(IDOK, [this] {
        return (isChecked(IDC_CUSTOM) && !text(IDC_FIND).empty()) || isChecked(IDC_UNDERSCORES) ||
               isChecked(IDC_PERIODS);
    });
    // A new filter opens on "Replace underscores with spaces".
    preset_ = !editing || (editing->option & core::ReplacePreset);
    if (editing && preset_) {
        underscores_ = editing->option & core::ReplaceMatchCaseOrUnderscores;
        periods_ = !underscores_ && (editing->option & core::ReplaceWholeWordsOrPeriods);
    }
}

void FindReplaceDialog::onInitDialog() {
    setLimitText(IDC_FIND, static_cast<int>(kind_.texts[0].maxBytes));
    setLimitText(IDC_REPLACE_WITH, static_cast<int>(kind_.texts[1].maxBytes));
    setText(IDC_FIND, values_.texts[0]);
    setText(IDC_REPLACE_WITH, values_.texts[1]);
    setChecked(IDC_UNDERSCORES, underscores_);
    setChecked(IDC_PERIODS, periods_);
    setChecked(IDC_MATCH_CASE, values_.flag(kind_.flagOfModifier("--match-case")));
    setChecked(IDC_WHOLE_WORD, values_.flag(kind_.flagOfModifier("--whole-word")));
    setChecked(IDC_REGEX, values_.flag(kind_.flagOfModifier("--regex")));
    int focus;
    if (!preset_) {
        setChecked(IDC_CUSTOM, true);
        focus = IDC_CUSTOM;
    } else if (underscores_) {
        focus = IDC_UNDERSCORES;
    } else if (periods_) {
        focus = IDC_PERIODS;
    } else {
        setChecked(IDC_UNDERSCORES, true);
        focus = IDC_UNDERSCORES;
    }
    initialFocus = item(focus);
}

void FindReplaceDialog::onOk() {
    values_.texts = {text(IDC_FIND), text(IDC_REPLACE_WITH)};
    values_.setFlag(kind_.flagOfModifier("--match-case"), isChecked(IDC_MATCH_CASE));
    const bool regex = isChecked(IDC_REGEX);
    values_.setFlag(kind_.flagOfModifier("--whole-word"), isChecked(IDC_WHOLE_WORD) && !regex);
    values_.setFlag(kind_.flagOfModifier("--regex"), regex);
    // The replace field is checked in every form, even while it is disabled and holds an old
    // custom entry.
    const std::string problem = core::checkFilterText(kind_, 1, values_.texts[1]);
    if (!problem.empty()) {
        showError(problem);
        pointTo(hwnd(), IDC_REPLACE_WITH);
        return;
    }
    if (isChecked(IDC_UNDERSCORES) || isChecked(IDC_PERIODS)) {
        finish(*core::findFilterKind(isChecked(IDC_UNDERSCORES) ? "--underscores" : "--periods"), {}, {});
    } else {
        finish({IDC_FIND, IDC_REPLACE_WITH});
    }
}

// --- Padding --------------------------------------------------------------------------------------

PaddingDialog::PaddingDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_PADDING, parent, "--pad", editing, {{"([{", "-", ")]}"}}) {
    onUpdate(IDOK, [this] {
        return !text(IDC_PAD_LEFT).empty() || !text(IDC_PAD_BOTH).empty() || !text(IDC_PAD_RIGHT).empty();
    });
}

void PaddingDialog::onInitDialog() {
    const int fields[] = {IDC_PAD_LEFT, IDC_PAD_BOTH, IDC_PAD_RIGHT};
    for (std::size_t i = 0; i < 3; ++i) {
        setText(fields[i], values_.texts[i]);
        setLimitText(fields[i], static_cast<int>(kind_.texts[i].maxBytes));
    }
    LOGFONTW log{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof(log), &log);
    log.lfWeight = FW_BOLD;
    bold_.reset(CreateFontIndirectW(&log));
    for (int id : {IDC_PAD_EXAMPLE, IDC_PAD_RESULT}) {
        SendDlgItemMessageW(hwnd(), id, WM_SETFONT, reinterpret_cast<WPARAM>(bold_.get()), TRUE);
    }
}

void PaddingDialog::onOk() {
    values_.texts = {text(IDC_PAD_LEFT), text(IDC_PAD_BOTH), text(IDC_PAD_RIGHT)};
    finish({IDC_PAD_LEFT, IDC_PAD_BOTH, IDC_PAD_RIGHT});
}

// --- Tags -------------------------------------------------------------------------------------------

ID3Dialog::ID3Dialog(HWND parent, const core::Rule* editing, std::string sampleFile)
    : FilterDialog(IDD_ID3, parent, "--id3", editing, {{""}, 1}),  // a new filter requires its fields
      sampleFile_(std::move(sampleFile)) {
    onUpdate(IDOK, [this] { return !text(IDC_ID3_FORMAT).empty(); });
    onUpdate(IDC_ID3_ASCII, [this] { return isChecked(IDC_ID3_CLEAN); });
    // The folder to move into means something only while the files move into folders.
    for (int id : {IDC_ID3_INTO_LABEL, IDC_ID3_INTO, IDC_ID3_BROWSE_INTO, IDC_ID3_INTO_HINT}) {
        onUpdate(id, [this] { return isChecked(IDC_ID3_FOLDERS); });
    }
    onCommand(IDC_ID3_BROWSE_INTO, [this] { browseInto(); });
    // Every switch changes what the sample would be.
    for (int box :
         {IDC_ID3_MUST_EXIST, IDC_ID3_BEST_TAG, IDC_ID3_SAFE_NAMES, IDC_ID3_CLEAN, IDC_ID3_ASCII, IDC_ID3_FOLDERS}) {
        onCommand(box, [this] { showSample(); });
    }
}

void ID3Dialog::onInitDialog() {
    // With the track number (%7) too, as most collections are named.
    for (const wchar_t* entry : {L"%1 - %2", L"(%3) %1 - %2", L"%3 - %2", L"%2 [%3 (%4)]", L"(%1) %3 - %2", L"%7 - %2",
                                 L"%1 - %3 - %7 - %2"}) {
        SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    setLimitText(IDC_ID3_FORMAT, static_cast<int>(kind_.texts[0].maxBytes));
    setText(IDC_ID3_FORMAT, values_.texts[0]);
    setChecked(IDC_ID3_MUST_EXIST, values_.flag(kind_.flagOfModifier("--require-fields")));
    // The boxes say what the filter does; the command line's switches say what it leaves out.
    setChecked(IDC_ID3_BEST_TAG, !values_.flag(kind_.flagOfModifier("--v1-only")));
    setChecked(IDC_ID3_SAFE_NAMES, !values_.flag(kind_.flagOfModifier("--keep-forbidden")));
    const bool ascii = values_.flag(kind_.flagOfModifier("--ascii-tags"));
    setChecked(IDC_ID3_CLEAN, ascii || values_.flag(kind_.flagOfModifier("--clean-tags")));
    setChecked(IDC_ID3_ASCII, ascii);
    setChecked(IDC_ID3_FOLDERS, values_.flag(kind_.flagOfModifier("--folders")));
    setLimitText(IDC_ID3_INTO, static_cast<int>(kind_.texts[1].maxBytes));
    setText(IDC_ID3_INTO, values_.texts[1]);
    showSample();
}

core::FilterValues ID3Dialog::typed() const {
    core::FilterValues values = values_;
    // The folder is kept by the filter only with its box ticked.
    values.texts = {text(IDC_ID3_FORMAT), text(IDC_ID3_INTO)};
    values.setFlag(kind_.flagOfModifier("--require-fields"), isChecked(IDC_ID3_MUST_EXIST));
    values.setFlag(kind_.flagOfModifier("--v1-only"), !isChecked(IDC_ID3_BEST_TAG));
    values.setFlag(kind_.flagOfModifier("--keep-forbidden"), !isChecked(IDC_ID3_SAFE_NAMES));
    const bool clean = isChecked(IDC_ID3_CLEAN);
    values.setFlag(kind_.flagOfModifier("--clean-tags"), clean && !isChecked(IDC_ID3_ASCII));
    values.setFlag(kind_.flagOfModifier("--ascii-tags"), clean && isChecked(IDC_ID3_ASCII));
    values.setFlag(kind_.flagOfModifier("--folders"), isChecked(IDC_ID3_FOLDERS));
    return values;
}

void ID3Dialog::showSample() {
    if (sampleFile_.empty()) {
        setText(IDC_ID3_SAMPLE, "(the list shows no file yet)");
        return;
    }
    std::size_t cut = sampleFile_.size();
    while (cut > 0 && !platform::isPathSeparator(sampleFile_[cut - 1])) --cut;
    const std::string folder = sampleFile_.substr(0, cut);
    const std::string name = sampleFile_.substr(folder.size());
    core::FilterResult made = core::buildFilter(kind_, typed());
    std::string shown;
    if (!made.rule) {
        shown = made.problem;  // what OK would say
    } else {
        try {
            // The name pipeline itself, as a run names the file with this filter alone.
            shown = core::applyRules(nullptr, {*made.rule}, folder, name);
            if (shown == name) shown += "  (unchanged: the file's tags do not serve this filter)";
            // Its folders as the list will show them.
            if (made.rule->option & core::Id3Folders) std::replace(shown.begin(), shown.end(), '/', '\\');
        } catch (const std::exception& error) {
            shown = error.what();
        }
    }
    setText(IDC_ID3_SAMPLE, name + "  \xE2\x86\x92  " + shown);
}

bool ID3Dialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Typing in the format, or picking one of the list.
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_ID3_FORMAT &&
        (HIWORD(wParam) == CBN_EDITCHANGE || HIWORD(wParam) == CBN_SELCHANGE)) {
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            // The field takes the chosen text only after this notification.
            const LRESULT chosen = SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_GETCURSEL, 0, 0);
            if (chosen != CB_ERR) {
                std::wstring entry(
                    static_cast<std::size_t>(SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_GETLBTEXTLEN, chosen, 0)),
                    L'\0');
                SendDlgItemMessageW(hwnd(), IDC_ID3_FORMAT, CB_GETLBTEXT, chosen,
                                    reinterpret_cast<LPARAM>(entry.data()));
                SetDlgItemTextW(hwnd(), IDC_ID3_FORMAT, entry.c_str());
            }
        }
        showSample();
        result = 0;
        return true;
    }
    return FilterDialog::onMessage(message, wParam, lParam, result);
}

void ID3Dialog::browseInto() {
    // The dialog does not know the main window's folder; a folder named from it starts the picker
    // where the list's files are, as does an empty field.
    const std::string typedInto = text(IDC_ID3_INTO);
    std::string start = typedInto;
    if (typedInto.empty() || !platform::isAbsolutePath(typedInto)) {
        std::size_t cut = sampleFile_.size();
        while (cut > 0 && !platform::isPathSeparator(sampleFile_[cut - 1])) --cut;
        start = sampleFile_.substr(0, cut);
    }
    const std::string chosen = pickFolder(hwnd(), start, "Choose the folder to make the folders under:");
    if (chosen.empty()) return;
    // A folder too long for the filter is said so, never cut to another folder's name.
    const std::string problem = core::checkFilterText(kind_, 1, chosen);
    if (!problem.empty()) {
        showError(problem);
    } else {
        setText(IDC_ID3_INTO, chosen);
    }
    pointTo(hwnd(), IDC_ID3_INTO);
}

void ID3Dialog::onOk() {
    values_ = typed();
    finish({IDC_ID3_FORMAT, IDC_ID3_INTO});
}

// --- Stripper -------------------------------------------------------------------------------------

StripperDialog::StripperDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_STRIPPER, parent, "--strip", editing, {}) {
    onUpdate(IDOK, [this] { return !text(IDC_STRIP_TEXT).empty(); });
}

void StripperDialog::onInitDialog() {
    setChecked(IDC_STRIP_MATCH_CASE, values_.flag(kind_.flagOfModifier("--match-case")));
    setLimitText(IDC_STRIP_TEXT, static_cast<int>(kind_.texts[0].maxBytes));
    setText(IDC_STRIP_TEXT, values_.texts[0]);
}

void StripperDialog::onOk() {
    values_.setFlag(kind_.flagOfModifier("--match-case"), isChecked(IDC_STRIP_MATCH_CASE));
    values_.texts = {text(IDC_STRIP_TEXT)};
    finish({IDC_STRIP_TEXT});
}

// --- Number Replace -------------------------------------------------------------------------------

NumberReplaceDialog::NumberReplaceDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_NUMBER_REPLACE, parent, "--number", editing, {{"0", "0", "", ""}}) {
    onUpdate(IDOK, [this] {
        const std::string find = text(IDC_FIND_FORM), replace = text(IDC_REPLACE_FORM);
        return leadingInteger(text(IDC_LOWER_LIMIT)) < leadingInteger(text(IDC_UPPER_LIMIT)) && !find.empty() &&
               !replace.empty() && core::toLowerText(find) != core::toLowerText(replace) &&
               core::holdsOneNumberPlaceholder(find) && core::holdsOneNumberPlaceholder(replace);
    });
}

void NumberReplaceDialog::onInitDialog() {
    setText(IDC_LOWER_LIMIT, values_.texts[0]);
    setLimitText(IDC_FIND_FORM, static_cast<int>(kind_.texts[2].maxBytes));
    setLimitText(IDC_REPLACE_FORM, static_cast<int>(kind_.texts[3].maxBytes));
    setText(IDC_FIND_FORM, values_.texts[2]);
    setText(IDC_REPLACE_FORM, values_.texts[3]);
    setText(IDC_UPPER_LIMIT, values_.texts[1]);
    for (std::size_t i : {0u, 1u}) {
        const int buddy = i == 0 ? IDC_LOWER_LIMIT : IDC_UPPER_LIMIT;
        HWND spin = CreateWindowExW(
            0, UPDOWN_CLASSW, nullptr,
            WS_CHILD | WS_VISIBLE | UDS_WRAP | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
            0, 0, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(buddy)), 0);
        SendMessageW(spin, UDM_SETRANGE32, kind_.texts[i].minimum, kind_.texts[i].maximum);
        SendMessageW(spin, UDM_SETPOS32, 0, leadingInteger(text(buddy)));
    }
}

void NumberReplaceDialog::onOk() {
    values_.texts = {text(IDC_LOWER_LIMIT), text(IDC_UPPER_LIMIT), text(IDC_FIND_FORM), text(IDC_REPLACE_FORM)};
    finish({IDC_LOWER_LIMIT, IDC_UPPER_LIMIT, IDC_FIND_FORM, IDC_REPLACE_FORM});
}

// --- Flip -------------------------------------------------------------------------------------------

FlipDialog::FlipDialog(HWND parent, const core::Rule* editing) : FilterDialog(IDD_FLIP, parent, "--flip", editing, {}) {
    onUpdate(IDOK, [this] { return !text(IDC_FLIP_TEXT).empty(); });
}

void FlipDialog::onInitDialog() {
    setLimitText(IDC_FLIP_TEXT, static_cast<int>(kind_.texts[0].maxBytes));
    setText(IDC_FLIP_TEXT, values_.texts[0]);
}

void FlipDialog::onOk() {
    values_.texts = {text(IDC_FLIP_TEXT)};
    finish({IDC_FLIP_TEXT});
}

// --- Clean up --------------------------------------------------------------------------------------

namespace {

constexpr struct {
    int id;
    std::int32_t step;
} kCleanSteps[] = {{IDC_CLEAN_NFC, core::CleanComposed},
                   {IDC_CLEAN_ASCII, core::CleanAscii},
                   {IDC_CLEAN_SPACES, core::CleanSpaces},
                   {IDC_CLEAN_FORBIDDEN, core::CleanForbidden}};

}  // namespace

// A new filter opens on the composed form alone, what every name from a Mac needs.
CleanupDialog::CleanupDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_CLEANUP, parent, "--clean", editing, {{"nfc", "_"}}) {
    // The ASCII form includes the composed one.
    onUpdate(IDC_CLEAN_NFC, [this] { return !isChecked(IDC_CLEAN_ASCII); });
    onUpdate(IDC_CLEAN_CHAR, [this] { return isChecked(IDC_CLEAN_FORBIDDEN); });
    onUpdate(IDOK, [this] {
        return std::any_of(std::begin(kCleanSteps), std::end(kCleanSteps),
                           [this](const auto& step) { return isChecked(step.id); });
    });
}

void CleanupDialog::onInitDialog() {
    // The ASCII form includes the composed one: both boxes ticked.
    std::int32_t steps = std::max(core::cleanStepsNamed(values_.texts[0]), 0);
    if (steps & core::CleanAscii) steps |= core::CleanComposed;
    for (const auto& step : kCleanSteps) setChecked(step.id, steps & step.step);
    setLimitText(IDC_CLEAN_CHAR, static_cast<int>(kind_.texts[1].maxBytes));
    // An old filter without the step offers the usual character.
    setText(IDC_CLEAN_CHAR, isChecked(IDC_CLEAN_FORBIDDEN) ? values_.texts[1] : "_");
}

void CleanupDialog::onOk() {
    std::int32_t steps = 0;
    for (const auto& step : kCleanSteps) steps |= isChecked(step.id) ? step.step : 0;
    values_.texts = {core::cleanStepNames(steps),
                     isChecked(IDC_CLEAN_FORBIDDEN) ? text(IDC_CLEAN_CHAR) : std::string()};
    finish({IDC_CLEAN_NFC, IDC_CLEAN_CHAR});
}

// --- Counter ---------------------------------------------------------------------------------------

// A new counter numbers from 1 in two digits before the name, the form most collections use.
CounterDialog::CounterDialog(HWND parent, const core::Rule* editing)
    : FilterDialog(IDD_COUNTER, parent, "--counter", editing, {{"%2n - %b", "1", "1"}}) {
    onUpdate(IDOK, [this] { return !text(IDC_COUNTER_FORMAT).empty(); });
    onUpdate(IDC_COUNTER_PER_DISC, [this] { return isChecked(IDC_COUNTER_PER_FOLDER); });
}

void CounterDialog::onInitDialog() {
    setLimitText(IDC_COUNTER_FORMAT, static_cast<int>(kind_.texts[0].maxBytes));
    setText(IDC_COUNTER_FORMAT, values_.texts[0]);
    // The longest 32-bit number with its sign; the fields take a minus sign, so no ES_NUMBER.
    setLimitText(IDC_COUNTER_START, 11);
    setLimitText(IDC_COUNTER_STEP, 11);
    setText(IDC_COUNTER_START, values_.texts[1]);
    setText(IDC_COUNTER_STEP, values_.texts[2]);
    // Each disc lies within its folder: a count restarted on each disc restarts in each folder.
    const bool perDisc = values_.flag(kind_.flagOfModifier("--per-disc"));
    setChecked(IDC_COUNTER_PER_FOLDER, perDisc || values_.flag(kind_.flagOfModifier("--per-folder")));
    setChecked(IDC_COUNTER_PER_DISC, perDisc);
}

void CounterDialog::onOk() {
    values_.texts = {text(IDC_COUNTER_FORMAT), text(IDC_COUNTER_START), text(IDC_COUNTER_STEP)};
    const bool perFolder = isChecked(IDC_COUNTER_PER_FOLDER);
    values_.setFlag(kind_.flagOfModifier("--per-folder"), perFolder);
    values_.setFlag(kind_.flagOfModifier("--per-disc"), perFolder && isChecked(IDC_COUNTER_PER_DISC));
    finish({IDC_COUNTER_FORMAT, IDC_COUNTER_START, IDC_COUNTER_STEP});
}

}  // namespace ui

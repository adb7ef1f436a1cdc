#include "ui/filterui/filter_editing.h"

#include "ui/app/resource.h"
#include "ui/filterui/filter_dialogs.h"

namespace ui {
namespace {

// Runs one kind's dialog; on OK the Rule it built replaces the one edited.
template <class Dialog>
bool runDialog(Dialog& dialog, core::Rule& rule) {
    if (dialog.doModal() != IDOK || !dialog.rule) return false;
    rule = *dialog.rule;
    return true;
}

template <class Dialog>
bool runFilterDialog(HWND parent, core::Rule& rule, bool adding, core::Settings&, const std::string&) {
    Dialog dialog(parent, adding ? nullptr : &rule);
    return runDialog(dialog, rule);
}

// Change Case also reads and keeps Title Case's small words in the settings.
bool runChangeCaseDialog(HWND parent, core::Rule& rule, bool adding, core::Settings& settings, const std::string&) {
    ChangeCaseDialog dialog(parent, adding ? nullptr : &rule, settings);
    return runDialog(dialog, rule);
}

// Tags shows what the first file's tags would make.
bool runId3Dialog(HWND parent, core::Rule& rule, bool adding, core::Settings&, const std::string& sampleFile) {
    ID3Dialog dialog(parent, adding ? nullptr : &rule, sampleFile);
    return runDialog(dialog, rule);
}

// The Windows program's side of the filter table: each built-in Rule type's Add-menu command and
// edit dialog.
struct FilterDialogEntry {
    int addCommand;
    std::int32_t type;
    bool (*edit)(HWND parent, core::Rule& rule, bool adding, core::Settings& settings, const std::string& sampleFile);
};

const FilterDialogEntry kFilterDialogs[] = {
    {ID_ADD_APPEND, core::Append, runFilterDialog<AppendDialog>},
    {ID_ADD_CHANGECASE, core::ChangeCase, runChangeCaseDialog},
    {ID_ADD_CLEANUP, core::Cleanup, runFilterDialog<CleanupDialog>},
    {ID_ADD_COUNTER, core::Counter, runFilterDialog<CounterDialog>},
    {ID_ADD_REPLACE, core::Replace, runFilterDialog<FindReplaceDialog>},
    {ID_ADD_FLIP, core::Flip, runFilterDialog<FlipDialog>},
    {ID_ADD_ID3, core::ID3, runId3Dialog},
    {ID_ADD_NUMBER, core::NumReplace, runFilterDialog<NumberReplaceDialog>},
    {ID_ADD_PADDING, core::Pad, runFilterDialog<PaddingDialog>},
    {ID_ADD_STRIPPER, core::Strip, runFilterDialog<StripperDialog>},
};

}  // namespace

int ruleTypeOfAddCommand(int command) {
    for (const FilterDialogEntry& entry : kFilterDialogs) {
        if (entry.addCommand == command) return entry.type;
    }
    return 0;
}

bool editBuiltInFilter(HWND parent, core::Rule& rule, bool adding, core::Settings& settings,
                       const std::string& sampleFile) {
    for (const FilterDialogEntry& entry : kFilterDialogs) {
        if (entry.type == rule.type) return entry.edit(parent, rule, adding, settings, sampleFile);
    }
    return false;
}

}  // namespace ui

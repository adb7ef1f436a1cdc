// The nine dialogs that create and edit the built-in filters. Each opens on the values of the
// Rule it edits (read through the filter table) or on its own defaults for a new filter, and on
// OK builds the new Rule through the same table the command line uses: what the command line
// refuses, the dialog refuses with the same message, pointing to the field at fault. Cancel
// builds nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/rules/filter_kinds.h"
#include "ui/controls/handles.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

class FilterDialog : public UI_dialog {
public:
    // The Rule built by OK.
    std::optional<core::Rule> rule;

protected:
    // The dialog of the kind with this command-line option, opening on the values of `editing`,
    // or on `defaults` for a new filter (editing is nullptr).
    FilterDialog(int resource, HWND parent, const char* option, const core::Rule* editing, core::FilterValues defaults);
    // Builds the Rule and closes the dialog, or shows why not and points to fields[i] when the
    // kind's texts[i] is at fault; the dialog then stays open.
    void finish(const core::FilterKind& kind, const core::FilterValues& values, const std::vector<int>& fields);
    void finish(const std::vector<int>& fields) { finish(kind_, values_, fields); }

    const core::FilterKind& kind_;
    core::FilterValues values_;
};

class AppendDialog : public FilterDialog {
public:
    AppendDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

// Title Case's small words: the dialog offers the settings' list (for a new filter, or a rule
// that keeps none), and a filter made with a list leaves it there for the next one.
class ChangeCaseDialog : public FilterDialog {
public:
    ChangeCaseDialog(HWND parent, const core::Rule* editing, core::Settings& settings);

protected:
    void onInitDialog() override;
    void onOk() override;

private:
    core::Settings& settings_;
};

// One dialog for the three forms of Replace: underscores, periods, or a text of the user's own.
class FindReplaceDialog : public FilterDialog {
public:
    FindReplaceDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;

private:
    bool preset_ = true, underscores_ = false, periods_ = false;
};

class PaddingDialog : public FilterDialog {
public:
    PaddingDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;

private:
    OwnedFont bold_;
};

// Below the switches, a sample: the name (with its folders, when the filter moves files into
// folders) that this filter alone gives the first file of the main window's list, made by the
// core exactly as a run makes it, and made again as the format or a switch changes.
class ID3Dialog : public FilterDialog {
public:
    // `sampleFile`: the whole path of that first file; empty when the list has none.
    ID3Dialog(HWND parent, const core::Rule* editing, std::string sampleFile = {});

protected:
    void onInitDialog() override;
    void onOk() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The values the boxes hold now.
    core::FilterValues typed() const;
    void showSample();
    // The "..." beside the folder to move into: the shell's folder picker.
    void browseInto();
    std::string sampleFile_;
};

class StripperDialog : public FilterDialog {
public:
    StripperDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

class NumberReplaceDialog : public FilterDialog {
public:
    NumberReplaceDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

class FlipDialog : public FilterDialog {
public:
    FlipDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

class CleanupDialog : public FilterDialog {
public:
    CleanupDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

class CounterDialog : public FilterDialog {
public:
    CounterDialog(HWND parent, const core::Rule* editing);

protected:
    void onInitDialog() override;
    void onOk() override;
};

// The leading decimal integer of a text (empty, or no digits: 0), as the enabling rule reads
// the Number Replace limits.
int leadingInteger(const std::string& text);

}  // namespace ui

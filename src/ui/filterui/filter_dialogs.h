// The eight dialogs that create and edit the built-in filters. Each exchanges its members with
// its controls: from the members when it opens, back into them on OK, and only then. The caller
// fills the members before the run and reads them after an OK; Cancel leaves its data alone.
#pragma once

#include <string>

#include "ui/controls/handles.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

class AppendDialog : public UI_dialog {
public:
    explicit AppendDialog(HWND parent);
    std::string frontText, endText;
    bool useFront = false, useEnd = false;

protected:
    void onInitDialog() override;
    void onOk() override;
};

class ChangeCaseDialog : public UI_dialog {
public:
    explicit ChangeCaseDialog(HWND parent);
    int mode = 0;

protected:
    void onInitDialog() override;
    void onOk() override;
};

class FindReplaceDialog : public UI_dialog {
public:
    explicit FindReplaceDialog(HWND parent);
    std::string find, replaceWith;
    bool underscores = false, periods = false, matchCase = false, wholeWord = false;
    bool preset = false;  // not a control: set by the caller, and by OK

protected:
    void onInitDialog() override;
    void onOk() override;
};

class PaddingDialog : public UI_dialog {
public:
    explicit PaddingDialog(HWND parent);
    std::string bothChars = "-", leftChars = "([{", rightChars = ")]}";

protected:
    void onInitDialog() override;
    void onOk() override;

private:
    OwnedFont bold_;
};

class ID3Dialog : public UI_dialog {
public:
    explicit ID3Dialog(HWND parent);
    std::string format;
    bool mustExist = true;

protected:
    void onInitDialog() override;
    void onOk() override;
};

class StripperDialog : public UI_dialog {
public:
    explicit StripperDialog(HWND parent);
    bool matchCase = false;
    std::string chars;

protected:
    void onInitDialog() override;
    void onOk() override;
};

class NumberReplaceDialog : public UI_dialog {
public:
    explicit NumberReplaceDialog(HWND parent);
    int lower = 0, upper = 0;
    std::string findForm, replaceForm;

protected:
    void onInitDialog() override;
    void onOk() override;
};

class FlipDialog : public UI_dialog {
public:
    explicit FlipDialog(HWND parent);
    std::string separator;

protected:
    void onInitDialog() override;
    void onOk() override;
};

// The leading decimal integer of a text (empty, or no digits: 0), as the enabling rule reads
// the Number Replace limits.
int leadingInteger(const std::string& text);

}  // namespace ui

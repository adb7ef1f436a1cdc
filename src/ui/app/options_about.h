// The Options dialog (plug-ins folder, .REN association, undo folder limit) and the About box,
// both reached from the main dialog's system menu.
#pragma once

#include <string>

#include "ui/controls/custom_controls.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

class OptionsDialog : public UI_dialog {
public:
    explicit OptionsDialog(HWND parent);
    std::string pluginsdir;
    bool regfiletype = false;
    int undoLimit = 0;
    bool limitUndo = false;
    bool shortenNames = false;
    bool tagOrder = false;  // each folder's files by their disc and track tags

protected:
    void onInitDialog() override;
    void onOk() override;

private:
    void browse();
};

class AboutDialog : public UI_dialog {
public:
    // `helpPage`: the path of the help page shipped with the program, which the link opens.
    AboutDialog(HWND parent, std::string helpPage);

protected:
    void onInitDialog() override;

private:
    void flipBanner();
    HyperlinkStatic link_;
    OwnedFont bannerFont_;
    bool reversed_ = false;
    std::string banner_;
    std::string helpPage_;
};

}  // namespace ui

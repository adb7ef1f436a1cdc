#include "ui/app/options_about.h"

#include <shlobj.h>

#include <algorithm>

#include "core/base/strings.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/folder_picker.h"
#include "ui/controls/handles.h"
#include "ui/controls/messages.h"

namespace ui {

OptionsDialog::OptionsDialog(HWND parent) : UI_dialog(IDD_OPTIONS, parent) {
    onUpdate(IDC_UNDO_LIMIT, [this] { return isChecked(IDC_LIMIT_UNDO); });
    onCommand(IDC_BROWSE_PLUGINS, [this] { browse(); });
}

void OptionsDialog::onInitDialog() {
    setText(IDC_PLUGINS_DIR, pluginsdir);
    setChecked(IDC_ASSOCIATE, regfiletype);
    setText(IDC_UNDO_LIMIT, std::to_string(undoLimit));
    setChecked(IDC_LIMIT_UNDO, limitUndo);
    setChecked(IDC_SHORTEN_NAMES, shortenNames);
    setChecked(IDC_TAG_ORDER, tagOrder);
}

void OptionsDialog::onOk() {
    // In the order of the exchange: what comes before a refused value is already taken.
    pluginsdir = text(IDC_PLUGINS_DIR);
    regfiletype = isChecked(IDC_ASSOCIATE);
    const std::string typed = text(IDC_UNDO_LIMIT);
    bool digits = !typed.empty() && typed.size() <= 9;
    for (char c : typed) digits = digits && c >= '0' && c <= '9';
    const char* problem = nullptr;
    long value = digits ? std::stol(typed) : 0;
    if (!digits) {
        problem = "Please enter an integer.";
    } else if (value < 1 || value > 1000000) {
        problem = "Please enter an integer between 1 and 1000000.";
    }
    if (problem) {
        // Checked even while the edit is disabled: the value is kept all the same.
        showAppMessage(problem, MB_OK | MB_ICONEXCLAMATION);
        SetFocus(item(IDC_UNDO_LIMIT));
        SendDlgItemMessageW(hwnd(), IDC_UNDO_LIMIT, EM_SETSEL, 0, -1);
        return;
    }
    undoLimit = static_cast<int>(value);
    limitUndo = isChecked(IDC_LIMIT_UNDO);
    shortenNames = isChecked(IDC_SHORTEN_NAMES);
    tagOrder = isChecked(IDC_TAG_ORDER);
    endDialog(IDOK);
}

void OptionsDialog::browse() {
    const std::string chosen = pickFolder(hwnd(), text(IDC_PLUGINS_DIR), core::loadString(core::IDS_BROWSE_PLUGINS));
    if (chosen.empty()) return;
    setText(IDC_PLUGINS_DIR, chosen);
    SetFocus(item(IDC_PLUGINS_DIR));
    SendDlgItemMessageW(hwnd(), IDC_PLUGINS_DIR, EM_SETSEL, 0, -1);
}

AboutDialog::AboutDialog(HWND parent, std::string helpPage)
    : UI_dialog(IDD_ABOUT, parent), helpPage_(std::move(helpPage)) {
    autoDisable = false;  // a plain dialog
    onCommand(IDC_ABOUT_ICON, [this] { flipBanner(); });
}

void AboutDialog::onInitDialog() {
    link_.attach(hwnd(), IDC_HOMEPAGE);
    link_.setUrl(helpPage_);
    banner_ = text(IDC_BANNER);
    LOGFONTW log{};
    log.lfHeight = -MulDiv(95, static_cast<int>(dpi()), 720);  // 9.5 points on this display
    log.lfWeight = FW_BOLD;
    log.lfItalic = FALSE;
    lstrcpyW(log.lfFaceName, L"Arial");
    bannerFont_.reset(CreateFontIndirectW(&log));
    SendDlgItemMessageW(hwnd(), IDC_BANNER, WM_SETFONT, reinterpret_cast<WPARAM>(bannerFont_.get()), TRUE);
    initialFocus = item(IDOK);
}

void AboutDialog::flipBanner() {
    reversed_ = !reversed_;
    std::string shown = banner_;
    if (reversed_) {
        // Each line backwards, the lines in their order.
        std::size_t start = 0;
        while (start <= shown.size()) {
            std::size_t end = shown.find('\n', start);
            if (end == std::string::npos) end = shown.size();
            std::reverse(shown.begin() + static_cast<std::ptrdiff_t>(start),
                         shown.begin() + static_cast<std::ptrdiff_t>(end));
            start = end + 1;
        }
    }
    setText(IDC_BANNER, shown);
}

}  // namespace ui

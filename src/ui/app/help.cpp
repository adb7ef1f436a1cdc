#include "ui/app/help.h"

#include <shellapi.h>

#include "core/base/html_text.h"
#include "platform/file_error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/anchor_layout.h"
#include "ui/controls/messages.h"
#include "ui/controls/zel_dialog.h"

namespace ui {
namespace {

// The page as text in a window of the program's own, with its path to open it elsewhere.
class HelpTextDialog : public UI_dialog {
public:
    HelpTextDialog(HWND owner, std::string path, std::string text)
        : UI_dialog(IDD_HELP_TEXT, owner), path_(std::move(path)), text_(std::move(text)) {}

protected:
    void onInitDialog() override {
        setText(IDC_HELP_PATH, path_);
        std::string lines;
        lines.reserve(text_.size() + text_.size() / 16);
        for (char c : text_) {
            if (c == '\n') lines += '\r';
            lines += c;
        }
        // The page is longer than an edit field takes by default.
        SendDlgItemMessageW(hwnd(), IDC_HELP_TEXT, EM_LIMITTEXT, 0, 0);
        setText(IDC_HELP_TEXT, lines);
        initialFocus = item(IDC_HELP_TEXT);
        using L = AnchorLayout;
        layout.capture(hwnd(), {{IDC_HELP_PATH, L::GrowRight}, {IDC_HELP_TEXT, L::Grow}, {IDOK, L::MoveCorner}}, 50);
    }

private:
    std::string path_, text_;
};

std::string readPage(const std::string& path) {
    platform::File file(path, platform::File::Mode::Read);
    std::string bytes(static_cast<std::size_t>(file.length()), '\0');
    bytes.resize(file.read(bytes.data(), bytes.size()));
    return bytes;
}

}  // namespace

std::string helpPagePath(const std::string& programFolder) {
    return programFolder + kHelpPageName;
}

void showHelp(HWND owner, const std::string& programFolder) {
    const std::wstring wide = platform::win32::widen(helpPagePath(programFolder));
    const std::string page = platform::displayName(helpPagePath(programFolder));
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        showError("The help page \"" + page + "\" is missing. Installing the program again brings it back.");
        return;
    }
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof(request);
    request.hwnd = owner;
    request.lpVerb = L"open";
    request.lpFile = wide.c_str();
    request.nShow = SW_SHOWNORMAL;
    request.fMask = SEE_MASK_FLAG_NO_UI;  // our own message below, not the shell's
    if (ShellExecuteExW(&request)) return;
    // No browser: the program shows the page's text itself.
    std::string html;
    try {
        html = readPage(helpPagePath(programFolder));
    } catch (const platform::FileError&) {
        showError("No program could be found to show the help page \"" + page + "\".");
        return;
    }
    HelpTextDialog(owner, page, core::htmlText(html)).doModal();
}

}  // namespace ui

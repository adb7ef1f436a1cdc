#include "ui/controls/folder_picker.h"

#include <shlobj.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

ZelBrowseForFolderDialog::ZelBrowseForFolderDialog(HWND owner, const std::string& prompt,
                                                   const std::string& initialFolder, const std::string& caption,
                                                   unsigned flags)
    : owner_(owner ? owner : mainWindow()), prompt_(prompt), caption_(caption), flags_(flags) {
    setPath(initialFolder);
}

void ZelBrowseForFolderDialog::setPath(const std::string& path) {
    path_ = path.empty() ? std::string() : platform::fullPath(path);
    if (path_.size() >= 2 && (path_.back() == '\\' || path_.back() == '/')) path_.pop_back();
}

int CALLBACK ZelBrowseForFolderDialog::callback(HWND window, UINT message, LPARAM, LPARAM data) {
    auto* self = reinterpret_cast<ZelBrowseForFolderDialog*>(data);
    if (message == BFFM_INITIALIZED) {
        if (!self->path_.empty()) {
            const std::wstring path = widen(self->path_);
            SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        }
        if (!self->caption_.empty()) SetWindowTextW(window, widen(self->caption_).c_str());
    }
    return 0;
}

int ZelBrowseForFolderDialog::doModal() {
    wchar_t display[MAX_PATH] = {};
    const std::wstring prompt = widen(prompt_);
    BROWSEINFOW info{};
    info.hwndOwner = owner_;
    info.pszDisplayName = display;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = flags_;
    info.lpfn = callback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return IDCANCEL;
    // Long paths: ask for as much room as the shell needs.
    std::wstring chosen(32768, L'\0');
    const bool ok = SHGetPathFromIDListEx(item, chosen.data(), static_cast<DWORD>(chosen.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(item);
    if (!ok) return IDCANCEL;
    chosen.resize(wcslen(chosen.c_str()));
    setPath(narrow(chosen));
    return IDOK;
}

std::string pickFolder(HWND owner, const std::string& fieldText, const std::string& prompt) {
    std::string folder = fieldText;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    const bool exists = !folder.empty() && platform::fileExists(folder);
    ZelBrowseForFolderDialog picker(owner, prompt, exists ? folder : std::string(), appTitle(),
                                    BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS);
    if (picker.doModal() != IDOK) return std::string();
    return platform::withSeparator(picker.getPath());
}

}  // namespace ui

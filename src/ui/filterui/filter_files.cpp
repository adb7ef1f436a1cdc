#include "ui/filterui/filter_files.h"

#include <commdlg.h>
#include <shlobj.h>

#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "platform/win32/wide.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

constexpr const wchar_t* kFilterFileTypes = L"Filter Definition File (*.ren)\0*.ren\0All Files (*.*)\0*.*\0\0";

OPENFILENAMEW fileRequest(HWND owner, std::wstring& file, const std::wstring& start) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = kFilterFileTypes;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    // The working folder stays where it was: a folder given relative to it (on the command line)
    // must keep meaning the same folder.
    request.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    return request;
}

std::string chosenFile(std::wstring& file) {
    file.resize(wcslen(file.c_str()));
    return narrow(file);
}

}  // namespace

bool loadFilterFile(const core::PluginManager& plugins, const std::string& path, core::RuleList& rules) {
    try {
        core::readFilterFile(&plugins, path, rules);
        return true;
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(core::fileErrorReport(core::IDS_LOAD_FILTERS_FAILED, error));
        return false;
    }
}

bool saveFilterFile(const std::string& path, const core::RuleList& rules) {
    try {
        core::writeFilterFile(path, rules);
        return true;
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(core::fileErrorReport(core::IDS_SAVE_FILTERS_FAILED, error));
        return false;
    }
}

std::string askFilterFileToLoad(HWND owner, const std::string& startFolder) {
    std::wstring file(32768, L'\0');
    const std::wstring start = widen(startFolder);
    OPENFILENAMEW request = fileRequest(owner, file, start);
    request.lpstrTitle = L"Load Filter Definition File...";
    request.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    return GetOpenFileNameW(&request) ? chosenFile(file) : std::string();
}

std::string askFilterFileToSave(HWND owner, const std::string& startFolder) {
    std::wstring file(32768, L'\0');
    const std::wstring start = widen(startFolder);
    OPENFILENAMEW request = fileRequest(owner, file, start);
    request.lpstrTitle = L"Save As Filter Definition File...";
    request.lpstrDefExt = L"ren";
    request.Flags |= OFN_OVERWRITEPROMPT;
    return GetSaveFileNameW(&request) ? chosenFile(file) : std::string();
}

std::string filterFileFolder(const std::string& lastFolder) {
    if (!lastFolder.empty()) {
        const DWORD attributes = GetFileAttributesW(widen(lastFolder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return lastFolder;
    }
    PWSTR documents = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) folder = narrow(documents);
    CoTaskMemFree(documents);
    return folder;
}

}  // namespace ui

// The shell's folder picker: a prompt, a starting folder, and back the chosen folder as a full
// path without a final backslash (a drive root comes back as "C:").
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class ZelBrowseForFolderDialog {
public:
    ZelBrowseForFolderDialog(HWND owner, const std::string& prompt, const std::string& initialFolder,
                             const std::string& caption, unsigned flags);
    // 1 chosen, 2 cancelled.
    int doModal();
    const std::string& getPath() const { return path_; }

private:
    static int CALLBACK callback(HWND window, UINT message, LPARAM parameter, LPARAM data);
    void setPath(const std::string& path);

    HWND owner_;
    std::string prompt_;
    std::string caption_;
    unsigned flags_;
    std::string path_;
};

// How both folder fields browse: starting at the field's folder (without its final backslash) when
// it exists, captioned with the program's name; the chosen folder comes back with a final
// backslash, or empty when the user cancelled.
std::string pickFolder(HWND owner, const std::string& fieldText, const std::string& prompt);

}  // namespace ui

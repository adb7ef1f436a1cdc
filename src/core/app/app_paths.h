// Where the program keeps its files: all of them next to the executable. Tests and other front
// ends may put the same layout anywhere by naming another base folder.
#pragma once

#include <string>
#include <vector>

namespace core {

struct AppPaths {
    std::string base;  // ends with the path separator

    // The layout next to the running executable.
    static AppPaths nextToProgram();
    // The layout in another folder (a separator is added when missing).
    static AppPaths in(const std::string& folder);

    std::string undoFolder() const;    // "undo" + separator
    std::string indexFile() const;     // "braxen.idx"
    std::string settingsFile() const;  // "braxen.ini"
    // The folders of the program's own files, which no run may list or rename.
    std::vector<std::string> ownFolders() const;
};

}  // namespace core

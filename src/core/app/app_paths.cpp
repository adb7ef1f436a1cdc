#include "core/app/app_paths.h"

#include "platform/paths.h"

namespace core {

AppPaths AppPaths::nextToProgram() {
    return AppPaths{platform::GetModuleFolder()};
}

AppPaths AppPaths::in(const std::string& folder) {
    return AppPaths{platform::withSeparator(folder)};
}

std::string AppPaths::undoFolder() const {
    return base + "undo" + platform::kPathSeparator;
}

std::string AppPaths::indexFile() const {
    return base + "braxen.idx";
}

std::string AppPaths::settingsFile() const {
    return base + "braxen.ini";
}

std::vector<std::string> AppPaths::ownFolders() const {
    return {base, undoFolder()};
}

}  // namespace core

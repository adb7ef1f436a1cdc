#include "core/base/app_paths.h"

#include <random>

#include "calderwynstrope/version.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/user_folders.h"

namespace core {
namespace {

// Creates a folder and every missing folder above it.
void createFolders(const std::string& folder) {
    std::string path = folder;
    while (!path.empty() && platform::isPathSeparator(path.back())) path.pop_back();
    if (path.empty() || platform::isFolder(path)) return;
    const auto parentEnd = path.find_last_of(platform::kPathSeparator == '\\' ? "\\/" : "/");
    if (parentEnd != std::string::npos && parentEnd > 0) createFolders(path.substr(0, parentEnd + 1));
    platform::createFolder(path);
}

// The only proof that a folder can be written is writing to it: permissions, access lists,
// read-only media and full disks all show up here, and nowhere else the same way.
bool prepareFolder(const std::string& folder, std::string& why) {
    createFolders(folder);
    if (!platform::isFolder(folder)) {
        // A file, or a link to nothing, in its place is why, more often than not.
        std::string path = folder;
        while (path.size() > 1 && platform::isPathSeparator(path.back())) path.pop_back();
        why = platform::fileExists(path) ? "it is not a folder" : "the folder cannot be created";
        return false;
    }
    static std::mt19937 random(std::random_device{}());
    const std::string probe = folder + ".write-test-" + std::to_string(random());
    try {
        platform::File(probe, platform::File::Mode::CreateWrite).close();
        platform::removeFile(probe);
    } catch (const platform::FileError& error) {
        why = error.osText().empty() ? error.message() : error.osText();
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ' || why.back() == '.')) {
            why.pop_back();
        }
        return false;
    }
    return true;
}

std::string fullFolder(const std::string& folder) {
    return platform::withSeparator(platform::fullPath(folder));
}

}  // namespace

AppPaths AppPaths::in(const std::string& folder) {
    const std::string base = platform::withSeparator(folder);
    return AppPaths{base, base, base, DataPlace::Given, true, true, std::string()};
}

bool AppPaths::isPortableFolder(const std::string& folder) {
    const std::string base = platform::withSeparator(folder);
    for (const char* name : {kPortableMarker, "braxen.ini", "braxen.idx", "undo"}) {
        if (platform::fileExists(base + name)) return true;
    }
    return false;
}

AppPaths AppPaths::choose(const Surroundings& surroundings, const FolderPreparer& prepare) {
    const FolderPreparer& ready = prepare ? prepare : FolderPreparer(prepareFolder);
    AppPaths paths;
    paths.programFolder = surroundings.programFolder;

    std::string why;
    const auto useOneFolder = [&](const std::string& folder, DataPlace place) {
        paths.configFolder = paths.dataFolder = folder;
        paths.place = place;
        paths.configWritable = paths.dataWritable = ready(folder, why);
        if (!paths.dataWritable) paths.problem = folder + " cannot be written: " + why;
    };
    if (!surroundings.namedFolder.empty()) {
        // Named on purpose: never silently replaced by another folder.
        useOneFolder(platform::withSeparator(surroundings.namedFolder), surroundings.namedBy);
        return paths;
    }

    std::string portableProblem;
    if (isPortableFolder(surroundings.programFolder)) {
        useOneFolder(surroundings.programFolder, DataPlace::Portable);
        if (paths.dataWritable) return paths;
        portableProblem = "the program's folder " + paths.problem + "; using the per-user folders instead";
        paths.problem.clear();
    }

    paths.place = DataPlace::PerUser;
    paths.configFolder = surroundings.userConfigFolder;
    paths.dataFolder = surroundings.userDataFolder;
    const auto check = [&](const std::string& folder, bool& writable) {
        if (folder.empty()) {
            writable = false;
            paths.problem = "the system names no per-user folder for the program's files";
        } else if (!(writable = ready(folder, why))) {
            paths.problem = folder + " cannot be written: " + why;
        }
    };
    check(paths.configFolder, paths.configWritable);
    if (paths.dataFolder == paths.configFolder) {
        paths.dataWritable = paths.configWritable;
    } else {
        check(paths.dataFolder, paths.dataWritable);
    }
    if (!portableProblem.empty()) {
        paths.problem = paths.problem.empty() ? portableProblem : portableProblem + "; " + paths.problem;
    }
    return paths;
}

AppPaths AppPaths::locate(const std::string& dataDirOption) {
    Surroundings surroundings;
    surroundings.programFolder = platform::GetModuleFolder();
    const auto home = platform::environmentVariable(kHomeVariable);
    if (!dataDirOption.empty()) {
        surroundings.namedFolder = fullFolder(dataDirOption);
        surroundings.namedBy = DataPlace::Option;
    } else if (home && !home->empty()) {
        surroundings.namedFolder = fullFolder(*home);
        surroundings.namedBy = DataPlace::Environment;
    }
    const platform::UserFolders user = platform::userFolders(kProgramName);
    surroundings.userConfigFolder = user.config;
    surroundings.userDataFolder = user.data;
    return choose(surroundings);
}

std::string AppPaths::undoFolder() const {
    return dataFolder + "undo" + platform::kPathSeparator;
}

bool AppPaths::prepareUndoFolder(std::string& why) const {
    return prepareFolder(undoFolder(), why);
}

std::string AppPaths::indexFile() const {
    return dataFolder + "braxen.idx";
}

std::string AppPaths::settingsFile() const {
    return configFolder + "braxen.ini";
}

std::string AppPaths::describe() const {
    std::string why;
    switch (place) {
        case DataPlace::Given:
            break;
        case DataPlace::Portable:
            why = " (portable copy: kept next to the program)";
            break;
        case DataPlace::PerUser:
            why = " (per-user folder)";
            break;
        case DataPlace::Environment:
            why = std::string(" (from ") + kHomeVariable + ")";
            break;
        case DataPlace::Option:
            why = " (from --data-dir)";
            break;
    }
    std::string out = configFolder == dataFolder
                          ? "Settings and undo records: " + dataFolder + why + "\n"
                          : "Settings: " + configFolder + why + "\nUndo records: " + dataFolder + why + "\n";
    if (!problem.empty()) out += "Note: " + problem + "\n";
    return out;
}

std::vector<std::string> AppPaths::ownFolders() const {
    std::vector<std::string> folders{configFolder};
    if (dataFolder != configFolder) folders.push_back(dataFolder);
    folders.push_back(undoFolder());
    return folders;
}

}  // namespace core

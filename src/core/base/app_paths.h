// Where the program keeps its files: the settings (braxen.ini), the undo index (braxen.idx) and
// the undo folder. This is the one place that decides it.
//
// A portable copy keeps everything next to the executable: one with an empty file named
// "portable" there, or whose folder already holds braxen.ini, braxen.idx or undo (so a copy used
// before keeps its history). Every other copy uses its user's folders: %APPDATA%\Calderwynstrope
// on Windows; on Linux the XDG config folder for the settings and the XDG data folder for the undo
// records. A folder named by CALDERWYNSTROPE_HOME, or by the command line's --data-dir, holds all
// three and beats both.
//
// A folder that cannot be written is never used without saying so: a portable copy in a folder
// that cannot be written falls back to the per-user folders with a note, and when the undo records
// cannot be written anywhere `dataWritable` is false, so that a run can refuse to start rather
// than rename without a record.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace core {

enum class DataPlace {
    Given,        // a folder chosen by the caller (tests, tools)
    Portable,     // next to the executable
    PerUser,      // the system's per-user folders
    Environment,  // the folder in CALDERWYNSTROPE_HOME
    Option,       // the folder given on the command line
};

// Makes sure a folder exists and that a file can be created in it; on failure false, with the
// reason in `why`.
using FolderPreparer = std::function<bool(const std::string& folder, std::string& why)>;

// What the choice depends on, as the system reports it (AppPaths::locate) or as a test sets it up.
struct Surroundings {
    std::string programFolder;  // the executable's folder, ending with a separator
    std::string namedFolder;    // --data-dir or CALDERWYNSTROPE_HOME; empty when neither
    DataPlace namedBy = DataPlace::Environment;
    std::string userConfigFolder;  // the per-user folders (ending with a separator), empty when
    std::string userDataFolder;    // the system names none
};

struct AppPaths {
    std::string programFolder;  // the executable's folder: the default plug-ins and Load folder
    std::string configFolder;   // braxen.ini
    std::string dataFolder;     // braxen.idx and undo
    DataPlace place = DataPlace::Given;
    bool configWritable = true;
    bool dataWritable = true;
    std::string problem;  // why a folder cannot be written, or why the expected one is not used

    static constexpr const char* kHomeVariable = "CALDERWYNSTROPE_HOME";
    static constexpr const char* kPortableMarker = "portable";

    // Everything in one folder that the caller vouches for (a separator is added when missing);
    // it also stands for the program's folder.
    static AppPaths in(const std::string& folder);

    // The folders of the running program; `dataDirOption` is the command line's --data-dir (empty
    // when not given). Creates the chosen folders when they are missing.
    static AppPaths locate(const std::string& dataDirOption = std::string());

    // The choice itself. `prepare` defaults to creating the folder and a file in it.
    static AppPaths choose(const Surroundings& surroundings, const FolderPreparer& prepare = FolderPreparer());

    // True when a folder holds the portable marker or the program's data.
    static bool isPortableFolder(const std::string& folder);

    std::string undoFolder() const;  // dataFolder + "undo" + separator
    // Makes sure the undo folder can take a run's records: it is made when missing, and must then
    // be a folder in which a file can be created (a probe file is made and removed). False, with
    // the reason in `why`, when it cannot: a file or a dangling link in its place, no permission to
    // write, a read-only disk.
    bool prepareUndoFolder(std::string& why) const;
    std::string indexFile() const;     // dataFolder + "braxen.idx"
    std::string settingsFile() const;  // configFolder + "braxen.ini"
    // The folders of the program's own files, which no run may list or rename.
    std::vector<std::string> ownFolders() const;

    // Which folders are in use and why, one line each, for people: "Settings: ..." and
    // "Undo records: ..." (one line when both are the same folder), and the problem if any.
    std::string describe() const;
};

}  // namespace core

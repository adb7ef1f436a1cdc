// A run that moves files into folders: where each file goes, the album's other files that go
// with it, and the folders the run makes and empties. The plan (run_plan.h) takes these as more
// of its steps, so the preview shows them and the run makes exactly them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/rule.h"
#include "core/session/find_files.h"
#include "core/session/name_list.h"

namespace core {

// True when a filter of the list gives names that hold folders (the Tags filter's "Move into
// folders"): only then does a separator in a new name make folders; in any other run it is a
// character no name may hold.
bool movesIntoFolders(const RuleList& rules);

// A folder a file moves into, under the run's root: it is there already or the run makes it.
struct TargetFolder {
    SharedFolder folder;
    std::uint32_t parent;  // kNoTarget for the root
    bool exists;           // on the disk, as a folder, when the names were settled
};

inline constexpr std::uint32_t kNoTarget = 0xFFFFFFFFu;

// Where the files of a run go, by file: the folder each moves into (an index into `folders`), or
// kNoTarget for one that stays in its folder. Folder 0 is the root.
struct FolderTargets {
    std::vector<TargetFolder> folders;
    std::vector<std::uint32_t> into;  // by file
    // Files whose folders cannot be made, and why, by file ascending.
    std::vector<std::pair<std::uint32_t, std::string>> refused;
    // By file: for the album's other files added to the run, the file they go with (kNoTarget for
    // a folder's own file, which goes with the whole album, and for the run's own files).
    std::vector<std::uint32_t> follows;
    // A folder's own files that stay, since its album's files go to several folders (or some of
    // them stay): the preview says so.
    std::vector<std::uint32_t> staying;
    // Of the files, those before this are the run's own; the rest were added to go along.
    std::size_t ownFiles = 0;
    // Folders emptied by the run are removed up to here, not this one itself: the folder the user
    // chose, ending with the separator.
    std::string boundary;

    bool empty() const { return folders.empty(); }
    std::uint32_t targetOf(std::size_t file) const { return file < into.size() ? into[file] : kNoTarget; }
};

// The name after the last separator of a settled name: what the file is called in its new folder.
std::string_view leafName(std::string_view name);

// A folder's whole path (ending with its separator) taken apart: the folder it is in, with its
// separator, and its own name; the parent is empty for a root.
struct FolderParts {
    std::string parent, name;
    std::string path() const { return parent + name; }  // without the final separator
};
FolderParts splitFolderPath(const std::string& folder);

// Takes the new names of a run that moves into folders apart. A name holding a separator ("\" or
// "/") is a path under `root`: the file goes into that folder, made where it is not there, and its
// name in `names` becomes the path relative to the root with the system's separator. A name
// without one stays in the file's own folder. Every folder name is checked as a file name is (no
// device name, no trailing dot or space, not too long); a folder spelled in another letter case
// than one met before, or than one on the disk, takes that spelling, so an album never lands in
// two folders. `root` and `boundary` end with the separator.
FolderTargets settleFolderNames(const FileList& files, NameList& names, const std::string& root,
                                const std::string& boundary);

// What the album's other files are and which go along: the extensions of a file's own companions
// ("lrc;cue;txt"), which follow it when their name before the extension is its own, and the
// patterns of a folder's own files ("cover.*;*.log;scans"), which go with the album when all its
// files go to one folder.
struct CompanionRules {
    std::string extensions;
    std::string folderFiles;
};

// Adds to the run the companions of the files that move into another folder, found among
// `otherNames(folder)` (the names of the folder that the run does not hold), with the new names
// they get, and the folder's own files where every file the run moves out of the folder goes to
// the same one (or, where they go to several, a line that says why they stay).
void addCompanions(FileList& files, NameList& names, FolderTargets& targets, const CompanionRules& rules,
                   const std::function<void(const SharedFolder& folder,
                                            const std::function<void(std::string_view name)>& each)>& otherNames);

}  // namespace core

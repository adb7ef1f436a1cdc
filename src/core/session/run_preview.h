// What a rename run will do to each file, worked out in order without touching the disk: the
// command line's preview, and the list a front end shows before a run.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/session/find_files.h"

namespace core {

enum class PreviewStatus { Ok, Unchanged, Invalid, Exists, Duplicate, Missing };

// "ok", "unchanged", "invalid", "exists", "duplicate" or "missing".
const char* statusName(PreviewStatus status);

// The statuses in the order summaries list them.
inline constexpr PreviewStatus kPreviewStatuses[] = {PreviewStatus::Ok,        PreviewStatus::Unchanged,
                                                     PreviewStatus::Invalid,   PreviewStatus::Exists,
                                                     PreviewStatus::Duplicate, PreviewStatus::Missing};

struct PreviewLine {
    const FileEntry* file;
    const std::string* newNameText;  // in the list of new names the prediction was given
    PreviewStatus status;

    const std::string& newName() const { return *newNameText; }
};

// "3 files: 1 ok, 1 exists, 1 duplicate": how many files, and how many have each status that
// occurs, in the order above.
std::string previewSummary(const std::vector<PreviewLine>& lines);

// Calls `each` with the name of every entry (file or folder, hidden or not) of a folder.
using ListingQuery =
    std::function<void(const std::string& folder, const std::function<void(std::string_view name)>& each)>;
// Answers whether the file system holding a folder compares names ignoring letter case.
using CaseQuery = std::function<bool(const std::string& folder)>;

// Plays the run through in order: a file renamed away frees its old name for later files; a name
// taken by an earlier file of the run is a duplicate; a name held by a file that was there before
// is an exists. Names are compared as the file system holding them compares them, so where case
// is ignored a case-only change is the same file and "B.mp3" meets "b.mp3". What is on disk comes
// from one listing of each folder, not a question per file (which costs a search of the whole
// folder where the system ignores case and the name is not there). The lines refer to `files` and
// `newNames`, which must outlive them.
std::vector<PreviewLine> predictRun(const FileList& files, const std::vector<std::string>& newNames,
                                    const ListingQuery& listing, const CaseQuery& ignoresCase);

// The same against the real file system in use.
std::vector<PreviewLine> predictRun(const FileList& files, const std::vector<std::string>& newNames);

}  // namespace core

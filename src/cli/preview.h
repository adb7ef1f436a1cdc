// What a rename run will do to each file, worked out in order without touching the disk.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/session/find_files.h"

namespace cli {

enum class PreviewStatus { Ok, Unchanged, Invalid, Exists, Duplicate, Missing };

const char* statusName(PreviewStatus status);

struct PreviewLine {
    const core::FileEntry* file;
    std::string newName;
    PreviewStatus status;
};

// Plays the run through in order: a file renamed away frees its old name for later files; a name
// taken by an earlier file of the run is a duplicate; a name held by a file that was there before
// is an exists. `exists` answers whether a path exists on disk (the real file system in use).
std::vector<PreviewLine> predictRun(const core::FileList& files, const std::vector<std::string>& newNames,
                                    const std::function<bool(const std::string&)>& exists);

}  // namespace cli

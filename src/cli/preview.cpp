#include "cli/preview.h"

#include <unordered_set>

#include "core/rules/text_rules.h"
#include "platform/paths.h"

namespace cli {
namespace {

// Paths as the file system compares them: Windows ignores letter case.
std::string key(const std::string& path) {
#ifdef _WIN32
    return core::toLowerText(path);
#else
    return path;
#endif
}

}  // namespace

const char* statusName(PreviewStatus status) {
    switch (status) {
        case PreviewStatus::Ok:
            return "ok";
        case PreviewStatus::Unchanged:
            return "unchanged";
        case PreviewStatus::Invalid:
            return "invalid";
        case PreviewStatus::Exists:
            return "exists";
        case PreviewStatus::Duplicate:
            return "duplicate";
        case PreviewStatus::Missing:
            return "missing";
    }
    return "?";
}

std::vector<PreviewLine> predictRun(const core::FileList& files, const std::vector<std::string>& newNames,
                                    const std::function<bool(const std::string&)>& exists) {
    std::unordered_set<std::string> freed;       // renamed away by this run
    std::unordered_set<std::string> takenByRun;  // renamed into by this run
    std::vector<PreviewLine> lines;
    lines.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const core::FileEntry& file = files[i];
        const std::string& newName = newNames[i];
        const std::string oldPath = file.folder() + file.name, newPath = file.folder() + newName;
        const std::string oldKey = key(oldPath), newKey = key(newPath);
        PreviewStatus status;
        if (freed.count(oldKey) && !takenByRun.count(oldKey)) {
            status = PreviewStatus::Missing;
        } else if (newName == file.name) {
            status = PreviewStatus::Unchanged;
        } else if (!platform::isValidFileName(newName)) {
            status = PreviewStatus::Invalid;
        } else if (newKey == oldKey) {
            status = PreviewStatus::Ok;  // only the letter case changes: the same file
        } else if (takenByRun.count(newKey)) {
            status = PreviewStatus::Duplicate;
        } else if (!freed.count(newKey) && exists(newPath)) {
            status = PreviewStatus::Exists;
        } else {
            status = PreviewStatus::Ok;
        }
        if (status == PreviewStatus::Ok) {
            takenByRun.erase(oldKey);
            freed.insert(oldKey);
            freed.erase(newKey);
            takenByRun.insert(newKey);
        }
        lines.push_back(PreviewLine{&file, newName, status});
    }
    return lines;
}

}  // namespace cli

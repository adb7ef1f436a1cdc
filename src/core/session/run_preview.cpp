#include "core/session/run_preview.h"

#include <iterator>
#include <unordered_set>

#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace core {

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

std::string previewSummary(const std::vector<PreviewLine>& lines) {
    std::size_t counts[std::size(kPreviewStatuses)] = {};
    for (const PreviewLine& line : lines) ++counts[static_cast<std::size_t>(line.status)];
    std::string text = std::to_string(lines.size()) + (lines.size() == 1 ? " file" : " files");
    const char* separator = ": ";
    for (PreviewStatus status : kPreviewStatuses) {
        const std::size_t count = counts[static_cast<std::size_t>(status)];
        if (count == 0) continue;
        text += separator + std::to_string(count) + " " + statusName(status);
        separator = ", ";
    }
    return text;
}

std::vector<PreviewLine> predictRun(const FileList& files, const std::vector<std::string>& newNames,
                                    const ExistsQuery& exists, const CaseQuery& ignoresCase) {
    std::unordered_set<std::string> freed;       // renamed away by this run
    std::unordered_set<std::string> takenByRun;  // renamed into by this run
    // Files of one folder share its text, and a list comes folder by folder: ask once per folder.
    const std::string* askedFolder = nullptr;
    bool foldCase = false;
    std::vector<PreviewLine> lines;
    lines.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FileEntry& file = files[i];
        const std::string& newName = newNames[i];
        if (askedFolder != &file.folder()) {
            askedFolder = &file.folder();
            foldCase = ignoresCase(*askedFolder);
        }
        // Paths as the file system compares them.
        const auto key = [foldCase](const std::string& path) { return foldCase ? toLowerText(path) : path; };
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

std::vector<PreviewLine> predictRun(const FileList& files, const std::vector<std::string>& newNames) {
    return predictRun(
        files, newNames, [](const std::string& path) { return platform::fileExists(path); },
        [](const std::string& folder) { return platform::namesIgnoreCase(folder); });
}

}  // namespace core

#include "core/session/find_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {
namespace {

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : platform::withSeparator(folder) + name;
}

constexpr std::uint32_t kNotAFile =
    platform::AttrReadOnly | platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory;

}  // namespace

void ZelSimpleFindFiles::init(const std::string& folder, const std::string& pattern, std::uint32_t required) {
    close();
    pattern_ = trimWhiteSpace(pattern);
    if (pattern_.empty()) pattern_ = "*.*";
    required_ = required;
    excluded_ = 0;
    folder_ = trimWhiteSpace(folder);
    if (!folder_.empty() && folder_.back() == ':') return;  // a bare drive: its root is meant
    folder_ = platform::fullPath(folder_);
    // No final separator, except where it is the whole path (the POSIX root).
    if (folder_.size() > 1 && platform::isPathSeparator(folder_.back())) folder_.pop_back();
}

void ZelSimpleFindFiles::setAttributeFilter(std::uint32_t required, std::uint32_t excluded) {
    required_ = required;
    excluded_ = excluded;
}

bool ZelSimpleFindFiles::accepts(const platform::FindData& entry) const {
    if ((entry.attributes & required_) != required_ || (entry.attributes & excluded_) != 0) return false;
    return !((entry.attributes & platform::AttrDirectory) && (entry.name == "." || entry.name == ".."));
}

bool ZelSimpleFindFiles::findNext() {
    if (exhausted_) return false;
    bool found;
    if (!started_) {
        started_ = true;
        found = search_.first(joined(folder_, pattern_), current_, (required_ & platform::AttrDirectory) != 0);
    } else {
        found = search_.next(current_);
    }
    while (found && !accepts(current_)) found = search_.next(current_);
    if (!found) {
        // Nothing more will come: give the handle back now, not when the walk pops this search.
        search_.close();
        exhausted_ = true;
    }
    return found;
}

void ZelSimpleFindFiles::close() {
    search_.close();
    started_ = false;
    exhausted_ = false;
}

std::string ZelSimpleFindFiles::currentPath() const {
    return joined(folder_, current_.name);
}

std::vector<std::string> splitPatterns(const std::string& patterns) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at = patterns.find(';'); at != std::string::npos; at = patterns.find(';', start)) {
        pieces.push_back(patterns.substr(start, at - start));
        start = at + 1;
    }
    if (start < patterns.size()) pieces.push_back(patterns.substr(start));
    return pieces;
}

void ZelFindFiles::init(const std::string& folder, const std::string& patterns, std::uint32_t required,
                        std::uint32_t flags) {
    stack_.clear();
    std::vector<std::string> pieces = splitPatterns(patterns);
    // An empty pattern box means every file, as an empty piece between semicolons does; a walk
    // with no search at all would have nothing to stand on.
    if (pieces.empty()) pieces.emplace_back();
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        auto search = std::make_unique<ZelSimpleFindFiles>();
        search->init(folder, *it, required);
        search->flags = flags;
        stack_.push_back(std::move(search));
    }
}

void ZelFindFiles::setAttributeFilter(std::uint32_t required, std::uint32_t excluded) {
    for (auto& search : stack_) search->setAttributeFilter(required, excluded);
}

bool ZelFindFiles::findNext() {
    while (!stack_.empty()) {
        ZelSimpleFindFiles& top = *stack_.back();
        if (top.flags & kFindFolderScan) {
            if (top.findNext()) {
                // The file search that started this scan sits just below it.
                const ZelSimpleFindFiles& files = *stack_[stack_.size() - 2];
                if ((top.currentAttributes() & platform::AttrSystem) && !(files.required() & platform::AttrSystem)) {
                    continue;  // system folders are never entered
                }
                if (!entersFolder(top)) continue;
                auto sub = std::make_unique<ZelSimpleFindFiles>();
                sub->init(top.currentPath(), files.pattern(), 0);
                sub->flags = kFindRecurse;
                sub->setAttributeFilter(files.required(), files.excluded());
                stack_.push_back(std::move(sub));
            } else {
                stack_.pop_back();
            }
            continue;
        }
        if (top.findNext()) return true;
        if (top.flags & kFindRecurse) {
            // Files done: the sub-folders come next. This search stays below, exhausted, so the
            // folder scan can take its pattern and filter.
            top.flags &= ~kFindRecurse;
            auto scan = std::make_unique<ZelSimpleFindFiles>();
            scan->init(top.folder(), "*.*", platform::AttrDirectory);
            scan->flags = kFindRecurse | kFindFolderScan;
            stack_.push_back(std::move(scan));
            continue;
        }
        if (stack_.size() == 1) return false;
        stack_.pop_back();
    }
    return false;
}

bool ZelFindFiles::entersFolder(const ZelSimpleFindFiles& scan) const {
    // A link could lead anywhere, even back up the tree: the walk stays inside the folder given.
    if (scan.currentAttributes() & platform::AttrLink) return false;
    if (excluded_.empty()) return true;
    const auto id = platform::fileId(scan.currentPath());
    return !id || std::find(excluded_.begin(), excluded_.end(), *id) == excluded_.end();
}

FileName::FileName(std::string_view text) {
    if (text.empty()) return;
    if (text.find('\0') != std::string_view::npos) throw std::invalid_argument("a file name holds no zero byte");
    text_ = new char[text.size() + 1];
    std::memcpy(text_, text.data(), text.size());
    text_[text.size()] = '\0';
}

const std::string& SharedFolder::empty() {
    static const std::string none;
    return none;
}

void findFiles(FileList& list, bool recurse, const std::string& folder, const std::string& patterns,
               const std::vector<std::string>& ownFolders) {
    std::vector<platform::FileId> excluded;
    for (const std::string& own : ownFolders) {
        if (const auto id = platform::fileId(own)) excluded.push_back(*id);
    }
    const auto root = platform::fileId(platform::fullPath(trimWhiteSpace(folder)));
    if (root && std::find(excluded.begin(), excluded.end(), *root) != excluded.end()) return;
    ZelFindFiles find;
    find.init(folder, patterns, 0, recurse ? kFindRecurse : 0);
    find.setAttributeFilter(0, kNotAFile);
    find.excludeFolders(std::move(excluded));
    SharedFolder folderText;
    std::string lastFolder;
    while (find.findNext()) {
        const std::string& current = find.currentFolder();
        // Consecutive files mostly share their folder: keep one copy of its text for all of them.
        if (!folderText || current != lastFolder) {
            lastFolder = current;
            folderText = SharedFolder(platform::withSeparator(current));
        }
        list.push_back(FileEntry{find.currentName(), folderText});
    }
}

}  // namespace core

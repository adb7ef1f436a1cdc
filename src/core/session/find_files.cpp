#include "core/session/find_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/base/strings.h"
#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {
namespace {

constexpr std::uint32_t kNotAFile =
    platform::AttrReadOnly | platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory;

}  // namespace

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

void ZelFindFiles::init(const std::string& folder, const std::string& patterns, bool recurse) {
    levels_.clear();
    problems_.clear();
    path_.clear();
    recurse_ = recurse;
    nextPattern_ = 0;
    patterns_ = splitPatterns(patterns);
    // An empty pattern box means every file, as an empty piece between semicolons does.
    if (patterns_.empty()) patterns_.emplace_back();
    // Each piece is matched as typed, spaces at its ends included, as Windows matches a pattern:
    // " *.." lists nothing there and "*. " every name (wildcard.h drops the final spaces and
    // periods the way Windows does). Only a piece with nothing in it means every file.
    for (std::string& pattern : patterns_) {
        if (pattern.empty()) pattern = "*.*";
    }
    root_ = trimWhiteSpace(folder);
    if (!root_.empty() && root_.back() == ':') return;  // a bare drive: its root is meant
    root_ = platform::fullPath(root_);
    // No final separator, except where it is the whole path (the POSIX root).
    if (root_.size() > 1 && platform::isPathSeparator(root_.back())) root_.pop_back();
}

void ZelFindFiles::setAttributeFilter(std::uint32_t required, std::uint32_t excluded) {
    required_ = required;
    excludedAttributes_ = excluded;
}

bool ZelFindFiles::acceptsFile(const platform::FindData& entry) const {
    if ((entry.attributes & required_) != required_ || (entry.attributes & excludedAttributes_) != 0) return false;
    return !((entry.attributes & platform::AttrDirectory) && (entry.name == "." || entry.name == ".."));
}

bool ZelFindFiles::entersFolder(const platform::FindData& entry) const {
    if (!(entry.attributes & platform::AttrDirectory) || entry.name == "." || entry.name == "..") return false;
    // System folders are never entered, unless system files are asked for.
    if ((entry.attributes & platform::AttrSystem) && !(required_ & platform::AttrSystem)) return false;
    // A link could lead anywhere, even back up the tree: the walk stays inside the folder given.
    return !(entry.attributes & platform::AttrLink);
}

bool ZelFindFiles::isExcluded(const std::optional<platform::FileId>& id) const {
    return id && std::find(excluded_.begin(), excluded_.end(), *id) != excluded_.end();
}

void ZelFindFiles::report(const std::string& folder, const std::string& reason) {
    // Each pattern walks the tree again: a folder is told once.
    for (const FolderProblem& known : problems_) {
        if (known.folder == folder) return;
    }
    problems_.push_back(FolderProblem{folder, reason});
}

bool ZelFindFiles::startPattern() {
    if (nextPattern_ == patterns_.size()) return false;
    ++nextPattern_;
    Level level;
    std::string why;
    path_ = root_;
    if (!level.folder.open(root_, why)) {
        report(root_, why);
        return true;
    }
    level.id = level.folder.id();
    if (isExcluded(level.id)) return true;  // the program's own folder: nothing in it is listed
    level.pathLength = root_.size();
    level.folderText = SharedFolder(platform::withSeparator(root_), level.id);
    levels_.push_back(std::move(level));
    return true;
}

void ZelFindFiles::enter(const std::string& name) {
    Level& parent = levels_.back();
    Level level;
    std::string why;
    const std::size_t parentLength = path_.size();
    if (!platform::isPathSeparator(path_.back())) path_ += platform::kPathSeparator;
    path_ += name;
    if (!level.folder.openChild(parent.folder, name, why)) {
        report(path_, why);
        path_.resize(parentLength);
        return;
    }
    level.id = level.folder.id();
    if (isExcluded(level.id)) {
        path_.resize(parentLength);
        return;
    }
    level.pathLength = path_.size();
    // The path above is the parent's: the folder adds its name alone.
    level.folderText = SharedFolder(parent.folderText, name + platform::kPathSeparator, level.id);
    levels_.push_back(std::move(level));
    // A walk thousands of folders deep holds only the last few open; the others are opened again,
    // from below, on the way back up.
    if (levels_.size() > kOpenFolders) levels_[levels_.size() - 1 - kOpenFolders].folder.close();
}

void ZelFindFiles::leave() {
    Level done = std::move(levels_.back());
    levels_.pop_back();
    if (levels_.empty()) return;
    Level& back = levels_.back();
    path_.resize(back.pathLength);
    if (back.folder.isOpen()) return;
    std::string why;
    if (!back.id || !back.folder.openParent(done.folder, *back.id, why)) {
        // Every folder above is closed too, and the way back to them is gone: the walk of this
        // pattern ends here.
        report(path_, (back.id ? why : std::string("the folder could not be opened again")) +
                          "; the folders above it were not searched any further");
        levels_.clear();
    }
}

bool ZelFindFiles::findNext() {
    for (;;) {
        if (levels_.empty()) {
            if (!startPattern()) return false;
            continue;
        }
        Level& level = levels_.back();
        const std::string& pattern = patterns_[nextPattern_ - 1];
        std::string problem;
        bool found;
        if (!level.started) {
            level.started = true;
            found = level.scanningFolders
                        ? level.search.first(level.folder, "*.*", current_, true, problem)
                        : level.search.first(level.folder, pattern, current_, false, problem, recurse_);
        } else {
            found = level.search.next(current_);
        }
        if (!level.scanningFolders) {
            const bool keeping = keepListings_ && nextPattern_ == 1;
            while (found && !acceptsFile(current_)) {
                if (keeping) passOverCurrent();
                found = level.search.next(current_);
            }
            if (found) {
                listingFiles_ = keeping;
                return true;
            }
            if (listingFiles_ && problem.empty() && level.search.otherNames(others_)) {
                listings_.push_back(FolderNames{level.folderText, std::move(others_)});
            }
            listingFiles_ = false;
            others_.clear();
            // Files done: the sub-folders come next, from the same reading of the folder where it
            // kept them. The listing goes back now, not when the walk leaves the folder.
            platform::FindHandle folders;
            const bool kept = recurse_ && problem.empty() && level.search.takeFolders(folders);
            level.search = std::move(folders);
            if (!problem.empty()) {
                report(path_, problem);
                leave();
            } else if (recurse_) {
                level.scanningFolders = true;
                level.started = kept;  // kept: the next look takes the first of them
            } else {
                leave();
            }
            continue;
        }
        while (found && !entersFolder(current_)) found = level.search.next(current_);
        if (!found) {
            if (!problem.empty()) report(path_, problem);
            leave();
            continue;
        }
        enter(current_.name);
    }
}

void ZelFindFiles::passOverCurrent() {
    if (current_.name != "." && current_.name != "..") others_.append(current_.name).push_back('\0');
}

FileName::FileName(std::string_view text) {
    if (text.empty()) return;
    if (text.find('\0') != std::string_view::npos) throw std::invalid_argument("a file name holds no zero byte");
    text_ = new char[text.size() + 1];
    std::memcpy(text_, text.data(), text.size());
    text_[text.size()] = '\0';
}

SharedFolder::SharedFolder(std::string text, std::optional<platform::FileId> id)
    : node_(new Node{{1}, nullptr, 0, text.size(), id, std::move(text)}) {}

SharedFolder::SharedFolder(const SharedFolder& parent, std::string part, std::optional<platform::FileId> id)
    : node_(new Node{{1},
                     parent.node_,
                     parent.node_ ? parent.node_->depth + 1 : 0,
                     parent.size() + part.size(),
                     id,
                     std::move(part)}) {
    if (node_->parent) node_->parent->owners.fetch_add(1, std::memory_order_relaxed);
}

void SharedFolder::release(Node* node) noexcept {
    while (node && node->owners.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        Node* const parent = node->parent;
        delete node;
        node = parent;
    }
}

std::string SharedFolder::text() const {
    std::string text;
    assignTo(text);
    return text;
}

void SharedFolder::assignTo(std::string& out) const {
    // From the folder up to the first, each part put where it belongs in the path.
    out.resize(size());
    for (const Node* at = node_; at; at = at->parent) {
        at->part.copy(out.data() + (at->length - at->part.size()), at->part.size());
    }
}

bool SharedFolder::sameText(const SharedFolder& other) const {
    if (node_ == other.node_) return true;
    if (size() != other.size()) return false;
    // Rare (the same folder found again by another pattern), and one folder at a time.
    return text() == other.text();
}

SharedFolder SharedFolder::parent() const {
    SharedFolder parent;
    if (node_ && node_->parent) {
        parent.node_ = node_->parent;
        parent.node_->owners.fetch_add(1, std::memory_order_relaxed);
    }
    return parent;
}

void FolderPath::build(const SharedFolder& folder) {
    // Up from the new folder to the first folder of the chain held: the path so far is right up
    // to there (every folder of chain_ is held through folder_, so none is another's address).
    below_.clear();
    const SharedFolder::Node* shared = folder.node_;
    while (shared && (!built_ || shared->depth >= chain_.size() || chain_[shared->depth] != shared)) {
        below_.push_back(shared);
        shared = shared->parent;
    }
    chain_.resize(shared ? shared->depth + 1 : 0);
    text_.resize(shared ? shared->length : 0);
    for (auto at = below_.rbegin(); at != below_.rend(); ++at) {
        text_ += (*at)->part;
        chain_.push_back(*at);
    }
    folder_ = folder;
    built_ = true;
}

std::string folderProblemLines(const std::vector<FolderProblem>& folders) {
    std::string lines;
    for (const FolderProblem& folder : folders) {
        lines += formatText("- \"%s\" (the folder could not be listed: %s)\r\n",
                            {platform::displayName(folder.folder), folder.reason});
    }
    return lines;
}

std::string leftOutReason(std::uint32_t attributes) {
    std::string reason;
    for (const auto& [bit, word] : {std::pair<std::uint32_t, const char*>{platform::AttrReadOnly, "read-only"},
                                    {platform::AttrHidden, "hidden"},
                                    {platform::AttrSystem, "system"}}) {
        if (attributes & bit) reason += (reason.empty() ? "" : ", ") + std::string(word);
    }
    return reason;
}

std::vector<FolderProblem> findFiles(FileList& list, bool recurse, const std::string& folder,
                                     const std::string& patterns, const std::vector<std::string>& ownFolders,
                                     LeftOutFiles* leftOut, FolderListings* listings,
                                     const std::function<bool()>& keepGoing) {
    std::vector<platform::FileId> excluded;
    for (const std::string& own : ownFolders) {
        if (const auto id = platform::fileId(own)) excluded.push_back(*id);
    }
    ZelFindFiles find;
    find.init(folder, patterns, recurse);
    // The files a run leaves alone are still found, to be told apart.
    constexpr std::uint32_t kLeftOut = platform::AttrReadOnly | platform::AttrHidden | platform::AttrSystem;
    find.setAttributeFilter(0, leftOut ? platform::AttrDirectory : kNotAFile);
    find.excludeFolders(std::move(excluded));
    if (listings) find.keepListings();
    for (std::size_t found = 1; find.findNext(); ++found) {
        if (keepGoing && found % 256 == 0 && !keepGoing()) break;
        const SharedFolder& folderText = find.currentFolderText();
        if (leftOut && (find.currentAttributes() & kLeftOut)) {
            leftOut->files.push_back(FileEntry{find.currentName(), folderText});
            leftOut->attributes.push_back(find.currentAttributes() & kLeftOut);
            find.passOverCurrent();
        } else {
            list.push_back(FileEntry{find.currentName(), folderText, find.currentId()});
        }
    }
    if (listings) *listings = find.takeListings();
    return find.problems();
}

}  // namespace core

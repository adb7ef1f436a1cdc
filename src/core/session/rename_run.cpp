#include "core/session/rename_run.h"

#include <algorithm>
#include <stdexcept>

#include "core/app/strings.h"
#include "core/persist/braxen_exception.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {

RenameRun::RenameRun(const PluginManager* plugins, RuleList rules, FileList files, RunOptions options, AppPaths paths,
                     Reporter& reporter)
    : rules_(std::move(rules)),
      files_(std::move(files)),
      options_(options),
      paths_(paths),
      session_(plugins, rules_, options.undo, options.limitUndo, options.undoLimit, std::move(paths), reporter) {
    result_.total = files_.size();
}

std::string RenameRun::plannedName(std::size_t index) {
    if (!plannedNames_.empty()) return std::string(plannedNames_[index]);
    const FileEntry& file = files_[index];
    nameText_.assign(file.name.view());
    return session_.proposeName(file.folder(), nameText_);
}

namespace {

// Thrown out of a preview's disk checks when its progress callback asks to stop.
struct PreviewStopped {};

constexpr const char* kPathTooLong = "the path is longer than the system allows";

// A folder's path as messages name it: without its final separator (except a root's).
std::string bare(std::string folder) {
    if (folder.size() > 1 && platform::isPathSeparator(folder.back()) && folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder;
}

// The folders whose names on disk a preview could not check. A path too long is too long in every
// folder below too, and a tree thousands of folders deep would name each of them: a folder below
// the one told just before, for the same reason, only adds to its count.
class UncheckedFolders {
public:
    void add(std::string folder, std::string reason) {
        if (!folders_.empty()) {
            const FolderProblem& last = folders_.back();
            if (last.folder == folder) return;
            if (last.reason == reason && folder.size() > last.folder.size() &&
                folder.compare(0, last.folder.size(), last.folder) == 0 &&
                platform::isPathSeparator(folder[last.folder.size()])) {
                ++below_.back();
                return;
            }
        }
        folders_.push_back(FolderProblem{std::move(folder), std::move(reason)});
        below_.push_back(0);
    }
    std::vector<FolderProblem> take() {
        for (std::size_t i = 0; i < folders_.size(); ++i) {
            if (below_[i] == 0) continue;
            folders_[i].reason +=
                " (as in " + std::to_string(below_[i]) + (below_[i] == 1 ? " folder below it)" : " folders below it)");
        }
        below_.clear();
        return std::move(folders_);
    }

private:
    std::vector<FolderProblem> folders_;
    std::vector<std::size_t> below_;
};

}  // namespace

RunPreview RenameRun::preview(const PreviewProgress& progress) {
    const std::size_t count = files_.size(), steps = 2 * count;
    // Asking after every file would cost a call per file for nothing: a few hundred times a run is
    // enough to follow it and to stop it promptly.
    const std::size_t every = count / 256 + 1;
    // The names shown are the names the run gives: nothing is proposed twice, and a tag that
    // changes in between cannot make the run differ from what was seen.
    const bool planning = plannedNames_.empty();
    if (planning) {
        // New names are mostly about as long as the old: room for their text up front (an
        // eighth more) spares most runs the copy that growing a large block costs on Windows.
        std::size_t oldText = 0;
        for (const FileEntry& file : files_) oldText += file.name.size();
        NameList names;
        names.reserve(count, oldText + oldText / 8);
        for (std::size_t i = 0; i < count; ++i) {
            if (progress && i % every == 0 && !progress(i, steps)) return {};
            names.push_back(plannedName(i));
        }
        plannedNames_ = std::move(names);
    }
    // The disk follows the names: one listing of each folder, which counts as the second half.
    std::size_t listed = 0;
    const auto counted = [&](const std::function<void(std::string_view)>& each) {
        return [&](std::string_view name) {
            if (progress && ++listed % every == 0 && !progress(count + std::min(listed, count - 1), steps)) {
                throw PreviewStopped{};
            }
            each(name);
        };
    };
    UncheckedFolders unchecked;
    const auto listing = [&](const std::string& folder, const std::function<void(std::string_view)>& each) {
        // Not even asked: the system would refuse the path.
        if (platform::pathTooLong(folder)) return unchecked.add(bare(folder), kPathTooLong);
        std::string problem;
        if (!platform::listNames(folder, counted(each), &problem)) unchecked.add(bare(folder), problem);
    };
    RunPreview lines;
    try {
        lines = predictRun(files_, plannedNames_, listing,
                           [](const std::string& folder) { return platform::namesIgnoreCase(folder); });
    } catch (const PreviewStopped&) {
        if (planning) plannedNames_.clear();
        return {};
    }
    // A folder that could be listed may still hold files whose whole paths the system refuses.
    const std::string* lastFolder = nullptr;
    for (const FileEntry& file : files_) {
        if (lastFolder == &file.folder() || !platform::pathTooLong(file.folder(), file.name.view())) continue;
        lastFolder = &file.folder();
        if (!platform::pathTooLong(file.folder())) unchecked.add(bare(file.folder()), kPathTooLong);
    }
    lines.setUncheckedFolders(unchecked.take());
    if (progress) progress(steps, steps);
    return lines;
}

void RenameRun::planNames(NameList names) {
    if (names.size() != files_.size()) throw std::invalid_argument("a planned run needs one name per file");
    plannedNames_ = std::move(names);
}

void RenameRun::take() {
    if (current_ || position_ == files_.size()) return;
    if (!started_) started_ = platform::now();
    const std::size_t index = position_++;
    current_ = RunStep{&files_[index], plannedName(index)};
}

void RenameRun::release() {
    current_.reset();
    if (done() && started_ && !ended_) ended_ = platform::now();
}

const RunStep* RenameRun::next() {
    take();
    if (!current_) release();  // nothing left: the run is over
    return current_ ? &*current_ : nullptr;
}

bool RenameRun::apply(const std::string& newName, std::string* reason) {
    take();
    if (!current_) return false;
    // The one place a run moves a file: the session checks the name, records the move for undo
    // and makes it.
    try {
        nameText_.assign(current_->file->name.view());
        if (!session_.renameFile(nameText_, current_->file->folder(), newName, reason)) return false;
    } catch (const platform::FileError& error) {
        stop(error);
        if (reason) *reason = result_.undoProblem;
        return false;
    }
    ++result_.renamed;
    release();
    return true;
}

void RenameRun::skip() {
    take();
    if (!current_) return;
    ++result_.skipped;
    release();
}

void RenameRun::fail(std::string reason) {
    const FileEntry& file = *current_->file;
    result_.failures.push_back(RunFailure{file.folder(), file.name.str(), current_->newName, std::move(reason)});
    release();
}

void RenameRun::stop(const platform::FileError& error) {
    result_.undoProblem = "Renaming stopped, since the undo record could not be written: " + error.message();
    current_.reset();
    position_ = files_.size();  // the files not reached stay as they are
    release();
}

void RenameRun::runAll(const RunCallbacks& callbacks) {
    const std::size_t every = callbacks.progressEvery ? callbacks.progressEvery : 1;
    std::size_t count = 0;
    while (const RunStep* step = next()) {
        // The step is over once handled: a copy only for the few that progress is told about.
        std::optional<RunStep> told;
        if (callbacks.progress && (count % every == 0 || position_ == files_.size())) told = *step;
        std::string reason;
        if (platform::pathTooLong(step->file->folder(), step->file->name.view())) {
            // Not to be opened, read or moved by its path: never counted as left unchanged.
            fail(std::string("The file's path is longer than the system allows; it was not renamed."));
            if (callbacks.failed) callbacks.failed(result_.failures.back());
        } else if (options_.leaveUnchanged && step->newName == step->file->name) {
            ++result_.unchanged;
            release();
        } else if (!apply(step->newName, &reason)) {
            if (stopped()) break;
            fail(std::move(reason));
            if (callbacks.failed) callbacks.failed(result_.failures.back());
        }
        ++count;
        if (told) callbacks.progress(RunProgress{handled(), total(), *told});
    }
}

RunResult RenameRun::result() const {
    RunResult result = result_;
    if (started_) result.elapsedSeconds = (ended_ ? *ended_ : platform::now()) - *started_;
    if (!result.anyFailure()) {
        result.summaryText = formatString(IDS_RENAME_DONE, {static_cast<std::int64_t>(result.renamed)});
    } else {
        std::string list;
        for (const RunFailure& failure : result.failures) {
            list += formatText("- \"%s\"\r\n", {platform::displayName(failure.path())});
        }
        list += folderProblemLines(result.unlistedFolders);
        result.summaryText =
            formatString(IDS_RENAME_DONE_WITH_FAILURES, {list, static_cast<std::int64_t>(result.renamed)});
    }
    if (result.unchanged) {
        result.summaryText += formatText("\r\n%d files already had their new name and were left unchanged.",
                                         {static_cast<std::int64_t>(result.unchanged)});
    }
    return result;
}

RunResult RenameRun::finish() {
    if (!finished_) {
        finished_ = true;
        // The journal stays whenever the database could not be written or registered.
        std::string problem;
        try {
            result_.undoDatabase = session_.finish();
        } catch (const BRAXEN::braxen_Exception& error) {
            problem = "the undo index " + paths_.indexFile() + " is not acceptable (" + error.message() + ").";
        } catch (const platform::FileError& error) {
            problem = error.message();
        }
        if (!problem.empty()) {
            if (!result_.undoProblem.empty()) result_.undoProblem += " ";
            result_.undoProblem += "Failed to write undo information: " + problem +
                                   " The run's journal is kept and recovered at the next start.";
        }
    }
    return result();
}

}  // namespace core

#include "core/session/rename_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "core/base/reporter.h"
#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/rules/filter_kinds.h"
#include "core/undo/undo_database.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {
namespace {
bool readsAlbums(const RuleList& rules, const RunOptions& options);
}  // namespace

RenameRun::RenameRun(const PluginManager* plugins, RuleList rules, FileList files, RunOptions options, AppPaths paths,
                     Reporter& reporter)
    : rules_(std::move(rules)),
      files_(std::move(files)),
      options_(options),
      paths_(paths),
      session_(plugins, rules_, options, std::move(paths), reporter) {
    result_.total = files_.size();
    ownFiles_ = files_.size();
    intoFolders_ = !options_.intoFolder.empty() && movesIntoFolders(rules_);
    result_.intoFolders = intoFolders_;
}

void RenameRun::settleTargets() {
    if (files_.size() > ownFiles_) {
        // Planned again: the album's other files are looked for again.
        files_.resize(ownFiles_);
        NameList own;
        for (std::size_t i = 0; i < ownFiles_; ++i) own.push_back(plannedNames_[i]);
        plannedNames_ = std::move(own);
    }
    targets_ = settleFolderNames(files_, plannedNames_, options_.intoFolder, options_.runFolder);
    if (options_.companions) {
        // The search saw the rest of each folder; a folder it did not is listed.
        std::unordered_map<const void*, const FolderNames*> seen;
        for (const FolderNames& folder : listings_) seen.emplace(folder.folder.node(), &folder);
        addCompanions(files_, plannedNames_, targets_,
                      CompanionRules{options_.companionExtensions, options_.folderFiles},
                      [&](const SharedFolder& folder, const std::function<void(std::string_view)>& each) {
                          const auto known = seen.find(folder.node());
                          if (known == seen.end()) {
                              platform::listNames(folder.text(), each);
                              return;
                          }
                          known->second->forEachName(each);
                      });
    }
    result_.total = files_.size();
}

void RenameRun::makeTargetFolders() {
    if (!intoFolders_ || foldersMade_) return;
    foldersMade_ = true;
    std::vector<std::string> missing;
    for (const std::string& folder : plan_.folderChanges().made) {
        if (!platform::fileStatus(folder)) missing.push_back(folder);
    }
    result_.foldersMade += missing.size() - session_.makeFolders(missing).size();
}

void RenameRun::removeEmptiedFolders() {
    if (!intoFolders_ || !foldersMade_ || stopped()) return;
    std::vector<std::string> folders = plan_.folderChanges().removed;
    const std::vector<std::string>& made = plan_.folderChanges().made;
    result_.foldersRemoved += session_.removeFolders(folders);
    // Those it made and left empty (a cancelled run, moves that failed) go too: they were not
    // there before.
    const std::size_t unused = session_.removeFolders(std::vector<std::string>(made.rbegin(), made.rend()));
    result_.foldersMade -= std::min(unused, result_.foldersMade);
}

void RenameRun::readAlbums() {
    if (albums_.empty() && readsAlbums(rules_, options_)) albums_ = AlbumFacts::read(files_);
}

std::string RenameRun::plannedName(std::size_t index, bool* shortened) {
    if (!plannedNames_.empty()) return std::string(plannedNames_[index]);
    readAlbums();
    const UsingRuleCaches caches(caches_);
    const FileEntry& file = files_[index];
    proposedText_.assign(file.name.view());
    return session_.proposeName(namingFolder_.of(file.folderText), proposedText_, positionOf(index),
                                session_.reporter(), shortened);
}

bool RenameRun::sameFolder(std::size_t a, std::size_t b) const {
    return files_[a].folderText.sameText(files_[b].folderText);
}

std::size_t RenameRun::folderStartOf(std::size_t index) const {
    while (index > 0 && sameFolder(index - 1, index)) --index;
    return index;
}

bool RenameRun::sameDisc(std::size_t a, std::size_t b) const {
    return sameFolder(a, b) && (albums_.empty() || albums_.disc(a) == albums_.disc(b));
}

RunPosition RenameRun::placeOf(std::size_t index, std::size_t folderStart, std::size_t discStart) const {
    return RunPosition{index, index - folderStart, index - discStart, albums_.empty() ? 0u : albums_.albumDiscs(index)};
}

RunPosition RenameRun::positionOf(std::size_t index) {
    // Names are proposed in the run's order, so the folder's first file is known from the file
    // before; only a preview stopped and begun again looks back.
    if (index == 0) {
        folderStart_ = discStart_ = 0;
    } else if (index == lastPositioned_ + 1) {
        if (!sameFolder(index, index - 1)) folderStart_ = index;
        if (!sameDisc(index, index - 1)) discStart_ = index;
    } else {
        folderStart_ = folderStartOf(index);
        discStart_ = index;
        while (discStart_ > 0 && sameDisc(discStart_ - 1, discStart_)) --discStart_;
    }
    lastPositioned_ = index;
    return placeOf(index, folderStart_, discStart_);
}

namespace {

// Whether the filters ask for names in ASCII letters: a Clean Up filter's ASCII step, or tag
// texts in ASCII letters.
bool asksForAscii(const RuleList& rules) {
    return std::any_of(rules.begin(), rules.end(), [](const Rule& rule) {
        return (rule.type == Cleanup && (rule.option & CleanAscii)) || (rule.type == ID3 && (rule.extra & CleanAscii));
    });
}

// Whether a run reads its files' tags before naming them: a Counter that restarts on each disc,
// "%0", a Tags filter that moves files into folders (whose preview notes the same disc and track
// twice in an album) or the tag order. A plain rename from the tags does not: it would read every
// tag twice.
bool readsAlbums(const RuleList& rules, const RunOptions& options) {
    return options.tagOrder || std::any_of(rules.begin(), rules.end(), [](const Rule& rule) {
               return (rule.type == Counter && rule.counterScope() == kCounterPerDisc) ||
                      (rule.type == ID3 && (rule.option & (Id3Folders | Id3DiscField)));
           });
}

// "same disc and track as NAME" for each file an album has twice, naming the other file.
StatusReasons sameDiscAndTrackNotes(const AlbumFacts& albums, const FileList& files) {
    StatusReasons notes;
    for (const auto& [file, other] : albums.sameDiscAndTrack()) {
        notes.emplace_back(file, "same disc and track as " + platform::displayName(files[other].name.str()));
    }
    return notes;
}

// From this many files on, a run names its files on two threads.
constexpr std::size_t kTwoThreadNaming = 8192;

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

const RunPlan& RenameRun::preview(const PreviewProgress& progress) {
    if (planMade_) return plan_;
    const std::size_t count = files_.size(), steps = 2 * count;
    // Asking after every file would cost a call per file for nothing: a few hundred times a run is
    // enough to follow it and to stop it promptly.
    const std::size_t every = count / 256 + 1;
    // The names shown are the names the run gives: nothing is proposed twice, and a tag that
    // changes in between cannot make the run differ from what was seen.
    const bool planning = plannedNames_.empty();
    if (planning) readAlbums();
    if (planning) {
        // New names are mostly about as long as the old: room for their text up front (an
        // eighth more) spares most runs the copy that growing a large block costs on Windows.
        std::size_t oldText = 0;
        for (const FileEntry& file : files_) oldText += file.name.size();
        NameList names;
        names.reserve(count, oldText + oldText / 8);
        // A big run without plug-ins is named on two threads, the second half on one of its own:
        // naming from tags is mostly waiting for the files. A plug-in may not take two callers.
        const bool plugins =
            std::any_of(rules_.begin(), rules_.end(), [](const Rule& rule) { return rule.type == Plugin; });
        const std::size_t half = count >= kTwoThreadNaming && !plugins ? count / 2 : count;
        NameList second;
        KeptReports secondReports;
        std::vector<std::uint32_t> secondShortened;
        shortened_.clear();
        std::atomic<bool> stopNaming{false};
        std::exception_ptr failed;
        std::thread helper;
        if (half < count) {
            second.reserve(count - half, oldText / 2 + oldText / 16);
            helper = std::thread([&] {
                try {
                    RuleCaches caches;
                    const UsingRuleCaches borrowed(caches);
                    std::string text;
                    FolderPath folder;
                    std::size_t folderStart = folderStartOf(half), discStart = half;
                    while (discStart > 0 && sameDisc(discStart - 1, discStart)) --discStart;
                    for (std::size_t i = half; i < count && !stopNaming.load(std::memory_order_relaxed); ++i) {
                        if (i > half && !sameFolder(i, i - 1)) folderStart = i;
                        if (i > half && !sameDisc(i, i - 1)) discStart = i;
                        text.assign(files_[i].name.view());
                        bool cut = false;
                        second.push_back(session_.proposeName(folder.of(files_[i].folderText), text,
                                                              placeOf(i, folderStart, discStart), secondReports, &cut));
                        if (cut) secondShortened.push_back(static_cast<std::uint32_t>(i));
                    }
                } catch (...) {
                    failed = std::current_exception();
                }
            });
        }
        struct Joined {
            std::thread& thread;
            std::atomic<bool>& stop;
            ~Joined() {
                stop = true;
                if (thread.joinable()) thread.join();
            }
        } joined{helper, stopNaming};
        for (std::size_t i = 0; i < half; ++i) {
            // Two names a step while the other thread names too.
            const std::size_t done = half < count ? std::min(2 * i, count) : i;
            if (progress && i % every == 0 && !progress(done, steps)) return plan_;
            bool cut = false;
            names.push_back(plannedName(i, &cut));
            if (cut) shortened_.push_back(static_cast<std::uint32_t>(i));
        }
        if (helper.joinable()) helper.join();
        if (failed) std::rethrow_exception(failed);
        for (const std::string& text : secondReports.texts) session_.reporter().criticalError(text);
        for (std::size_t i = 0; i < second.size(); ++i) names.push_back(second[i]);
        shortened_.insert(shortened_.end(), secondShortened.begin(), secondShortened.end());
        plannedNames_ = std::move(names);
    }
    if (intoFolders_) settleTargets();
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
    // The search that found the files has just seen the rest of their folders: no need to ask the
    // system again. Used once: a plan made again (names changed later) looks at the disk anew.
    // Known by a hash of their paths, made one at a time and not kept.
    std::unordered_multimap<std::size_t, const FolderNames*> seen;
    const FolderListings listings = std::move(listings_);
    FolderPath seenFolder;
    for (const FolderNames& folder : listings) {
        seen.emplace(std::hash<std::string_view>()(seenFolder.of(folder.folder)), &folder);
    }
    const auto listing = [&](const std::string& folder, const std::function<void(std::string_view)>& each) {
        // Not even asked: the system would refuse the path, and the run its files.
        if (platform::pathTooLong(folder)) {
            unchecked.add(bare(folder), kPathTooLong);
            return Listed::AllNames;
        }
        const auto [from, to] = seen.equal_range(std::hash<std::string_view>()(folder));
        const auto known = std::find_if(from, to, [&](const auto& held) {
            return held.second->folder.size() == folder.size() && seenFolder.of(held.second->folder) == folder;
        });
        if (known != to) {
            known->second->forEachName(each);
            return Listed::OtherNames;
        }
        std::string problem;
        if (!platform::listNames(folder, counted(each), &problem)) unchecked.add(bare(folder), problem);
        return Listed::AllNames;
    };
    RunPlan lines;
    try {
        const auto ignoresCase = [](const std::string& folder) { return platform::namesIgnoreCase(folder); };
        lines = planRun(files_, plannedNames_, listing, ignoresCase, options_.solveOrder,
                        intoFolders_ ? &targets_ : nullptr);
        // A file's companions stay with it when it stays: they are planned again, kept.
        std::vector<std::uint32_t> leaderStays;
        for (std::size_t i = ownFiles_; intoFolders_ && i < files_.size(); ++i) {
            const std::uint32_t leader = targets_.follows[i];
            if (leader != kNoTarget && lines.status(leader) != PreviewStatus::Ok)
                leaderStays.push_back(static_cast<std::uint32_t>(i));
        }
        if (!leaderStays.empty()) {
            NameList names;
            for (std::size_t i = 0, k = 0; i < files_.size(); ++i) {
                const bool kept = k < leaderStays.size() && leaderStays[k] == i;
                names.push_back(kept ? files_[i].name.view() : plannedNames_[i]);
                if (!kept) continue;
                targets_.into[i] = kNoTarget;
                ++k;
            }
            plannedNames_ = std::move(names);
            lines = planRun(files_, plannedNames_, listing, ignoresCase, options_.solveOrder, &targets_);
            lines.noteWhy(leaderStays, "stays: the file it goes with is not moved", true);
        }
        if (intoFolders_) {
            lines.noteWhy(targets_.staying, "stays: the album's files go to several folders", true);
            // Each of the album's other files says which file it goes with.
            StatusReasons along;
            for (std::size_t i = ownFiles_; i < files_.size(); ++i) {
                if (targets_.into[i] == kNoTarget) continue;
                const std::uint32_t leader = targets_.follows[i];
                along.emplace_back(static_cast<std::uint32_t>(i),
                                   leader == kNoTarget
                                       ? std::string("goes with the album")
                                       : "goes with \"" + platform::displayName(files_[leader].name.view()) + "\"");
            }
            lines.noteWhy(along, false);
        }
    } catch (const PreviewStopped&) {
        if (planning) plannedNames_.clear();
        return plan_;
    }
    // A folder that could be listed may still hold files whose whole paths the system refuses.
    const void* lastFolder = nullptr;
    FolderPath folder;
    for (const FileEntry& file : files_) {
        if (lastFolder == file.folderText.node()) continue;
        const std::string& text = folder.of(file.folderText);
        if (!platform::pathTooLong(text, file.name.view())) continue;
        lastFolder = file.folderText.node();
        if (!platform::pathTooLong(text)) unchecked.add(bare(text), kPathTooLong);
    }
    lines.setUncheckedFolders(unchecked.take());
    lines.noteShortened(shortened_);
    if (!albums_.empty()) lines.noteWhy(sameDiscAndTrackNotes(albums_, files_), true);
    if (asksForAscii(rules_)) {
        std::vector<std::uint32_t> others;
        for (std::size_t i = 0; i < files_.size(); ++i) {
            const std::string_view name = plannedNames_[i];
            if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
                others.push_back(static_cast<std::uint32_t>(i));
            }
        }
        lines.noteOtherScripts(others);
    }
    lines.setLeftOut(&leftOut_);
    plan_ = std::move(lines);
    planMade_ = true;
    if (progress) progress(steps, steps);
    return plan_;
}

void RenameRun::planNames(NameList names) {
    if (names.size() != files_.size()) throw std::invalid_argument("a planned run needs one name per file");
    plannedNames_ = std::move(names);
    shortened_.clear();
    plan_ = RunPlan();
    planMade_ = false;
}

std::string RenameRun::claimFolders(std::chrono::milliseconds wait) {
    // The folders, not their paths: each path is made when its lock is taken.
    std::vector<SharedFolder> folders;
    for (const FileEntry& file : files_) {
        if (!folders.empty() && folders.back().node() == file.folderText.node()) continue;
        folders.push_back(file.folderText);
    }
    // Files go into folders under another one: no other run may move files there meanwhile.
    if (intoFolders_ && options_.intoFolder != options_.runFolder) folders.emplace_back(options_.intoFolder);
    FolderPath path;
    const std::string busy = folderLocks_.lockAll(
        paths_, folders.size(), [&](std::size_t i) { return path.of(folders[i]); }, wait);
    claimed_ = busy.empty();
    return busy.empty() ? std::string() : folderBusyText(busy);
}

bool RenameRun::claimOnce() {
    if (claimed_) return true;
    std::string busy;
    try {
        busy = claimFolders();
    } catch (const platform::FileError& error) {
        busy = error.message();
    }
    if (busy.empty()) return true;
    result_.undoProblem = busy;
    current_.reset();
    position_ = files_.size();
    release();
    return false;
}

void RenameRun::take() {
    if (current_ || position_ == files_.size()) return;
    if (!claimOnce()) return;
    // Where a file goes depends on all the others (one spelling of each folder, the album's other
    // files): a run into folders is planned whole before its first file.
    if (intoFolders_ && !planMade_) preview();
    if (!started_) started_ = platform::now();
    currentIndex_ = position_++;
    current_ = RunStep{&files_[currentIndex_], plannedName(currentIndex_)};
}

void RenameRun::release() {
    current_.reset();
    if (done() && started_ && !ended_) ended_ = platform::now();
}

const RunStep* RenameRun::next() {
    for (;;) {
        take();
        // A name that would not change is no question to ask.
        if (!current_ || !options_.leaveUnchanged || current_->newName != current_->file->name ||
            platform::pathTooLong(movingFolder_.of(current_->file->folderText), current_->file->name.view())) {
            break;
        }
        ++result_.unchanged;
        release();
    }
    if (!current_) release();  // nothing left: the run is over
    return current_ ? &*current_ : nullptr;
}

bool RenameRun::apply(const std::string& newName, std::string* reason) {
    take();
    if (!current_) return false;
    if (options_.leaveUnchanged && newName == current_->file->name) {
        ++result_.unchanged;
        release();
        return true;
    }
    // The one place a run moves a file: the session checks the name, records the move for undo
    // and makes it.
    try {
        nameText_.assign(current_->file->name.view());
        // A run into folders moves the file where its planned name says; a name typed instead
        // renames it in its own folder.
        const std::uint32_t target = intoFolders_ ? targets_.targetOf(currentIndex_) : kNoTarget;
        const bool asPlanned = target != kNoTarget && newName == plannedNames_[currentIndex_];
        std::string into;
        if (asPlanned) {
            makeTargetFolders();
            into = targets_.folders[target].folder.text();
        }
        const std::string leaf(asPlanned ? leafName(newName) : std::string_view(newName));
        if (!session_.renameFile(nameText_, movingFolder_.of(current_->file->folderText), leaf, reason,
                                 current_->file->folderText.id(), asPlanned ? &into : nullptr))
            return false;
    } catch (const platform::FileError& error) {
        stop(error);
        if (reason) *reason = result_.undoProblem;
        return false;
    }
    ++(currentIndex_ >= ownFiles_ ? result_.companions : result_.renamed);
    release();
    return true;
}

void RenameRun::skip() {
    take();
    if (!current_) return;
    ++result_.skipped;
    release();
}

void RenameRun::cancel() {
    current_.reset();
    position_ = files_.size();
    result_.notReached = files_.size() - handled();
    release();
}

void RenameRun::fail(std::string reason) {
    const FileEntry& file = *current_->file;
    result_.failures.push_back(RunFailure{file.folderText, file.name.str(), current_->newName, std::move(reason)});
    release();
}

void RenameRun::stop(const platform::FileError& error) {
    result_.undoProblem = "Renaming stopped, since the undo record could not be written: " + error.message();
    current_.reset();
    position_ = files_.size();  // the files not reached stay as they are
    release();
}

RunResult RenameRun::finish() {
    if (!finished_) {
        finished_ = true;
        // The journal stays whenever the database could not be written or registered.
        std::string problem;
        try {
            removeEmptiedFolders();
        } catch (const platform::FileError& error) {
            // Their removal could not be recorded: they stay, which loses nothing.
            stop(error);
        }
        try {
            result_.undoDatabase = session_.finish(
                RunCounts{result_.renamed, result_.unchanged, result_.failed() + result_.unlistedFolders.size()});
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
    folderLocks_.unlockAll();  // the run is over: its folders are free for the next one
    return result();
}

}  // namespace core

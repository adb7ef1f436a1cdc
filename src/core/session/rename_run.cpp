#include "core/session/rename_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <unordered_set>

#include "core/base/reporter.h"
#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/rules/filter_kinds.h"
#include "platform/case_fold.h"
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
      session_(plugins, rules_, options, std::move(paths), reporter) {
    result_.total = files_.size();
}

std::string RenameRun::plannedName(std::size_t index) {
    if (!plannedNames_.empty()) return std::string(plannedNames_[index]);
    const FileEntry& file = files_[index];
    proposedText_.assign(file.name.view());
    return session_.proposeName(file.folder(), proposedText_, positionOf(index));
}

RunPosition RenameRun::positionOf(std::size_t index) {
    const auto sameFolder = [&](std::size_t a, std::size_t b) {
        return &files_[a].folder() == &files_[b].folder() || files_[a].folder() == files_[b].folder();
    };
    // Names are proposed in the run's order, so the folder's first file is known from the file
    // before; only a preview stopped and begun again looks back.
    if (index == 0) {
        folderStart_ = 0;
    } else if (index == lastPositioned_ + 1) {
        if (!sameFolder(index, index - 1)) folderStart_ = index;
    } else {
        folderStart_ = index;
        while (folderStart_ > 0 && sameFolder(folderStart_ - 1, index)) --folderStart_;
    }
    lastPositioned_ = index;
    return RunPosition{index, index - folderStart_};
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
        lines = predictRun(
            files_, plannedNames_, listing, [](const std::string& folder) { return platform::namesIgnoreCase(folder); },
            options_.solveOrder);
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

std::string RenameRun::claimFolders(std::chrono::milliseconds wait) {
    std::vector<std::string> folders;
    const std::string* last = nullptr;
    for (const FileEntry& file : files_) {
        if (last && *last == file.folder()) continue;
        last = &file.folder();
        folders.push_back(*last);
    }
    const std::string busy = folderLocks_.lockAll(paths_, folders, wait);
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
            platform::pathTooLong(current_->file->folder(), current_->file->name.view())) {
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

void RenameRun::cancel() {
    current_.reset();
    position_ = files_.size();
    result_.notReached = files_.size() - handled();
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

namespace {

// A one-pass run prepares its files (new name, checks, and with undo on the file's identity and
// the move's record) on a thread of its own, in batches, while the run's thread waits for each
// record to reach the disk and makes the move: the moves are the system's work and the
// preparing mostly the program's, so on two cores the one hides the other. The records of a
// batch reach the disk in one sync while the moves before them are made, so the moves seldom
// wait for the disk (a sync of a real disk takes some milliseconds, a move some microseconds).
constexpr std::size_t kBatchFiles = 256;
constexpr std::size_t kBatchesAhead = 16;  // 4,096 files recorded ahead of the move being made

struct PreparedStep {
    std::size_t index;
    std::string newName;
    PreparedMove move;
    bool unchanged;
};

struct PreparedBatch {
    std::vector<PreparedStep> steps;
    // What the rules reported while these were named, told on the run's thread, where a front
    // end expects its reports.
    std::vector<std::string> reports;
    std::size_t taken = 0;  // files taken, these included
    // After its steps: the journal took no more records, or the preparing failed otherwise.
    std::optional<platform::FileError> journalFailed;
    std::exception_ptr error;
    bool last = false;
};

// Hands batches from the preparing thread to the run's, at most kBatchesAhead waiting.
class BatchHandoff {
public:
    // False when the run no longer takes any (it stopped).
    bool put(PreparedBatch batch) {
        std::unique_lock<std::mutex> lock(mutex_);
        space_.wait(lock, [&] { return closed_.load() || queue_.size() < kBatchesAhead; });
        if (closed_.load()) return false;
        queue_.push_back(std::move(batch));
        ready_.notify_one();
        return true;
    }
    PreparedBatch take() {
        std::unique_lock<std::mutex> lock(mutex_);
        waiting_.store(true);
        ready_.wait(lock, [&] { return !queue_.empty(); });
        waiting_.store(false);
        PreparedBatch batch = std::move(queue_.front());
        queue_.pop_front();
        space_.notify_one();
        return batch;
    }
    void close() {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_.store(true);
        space_.notify_all();
    }
    bool closed() const { return closed_.load(std::memory_order_relaxed); }
    // The run waits for a batch: it has made every move prepared so far.
    bool waiting() const { return waiting_.load(std::memory_order_relaxed); }

private:
    std::mutex mutex_;
    std::condition_variable ready_, space_;
    std::deque<PreparedBatch> queue_;
    std::atomic<bool> closed_{false}, waiting_{false};
};

// A batch is handed over before it is full when the run has waited for it this long: where each
// file is slow to prepare (tags read from a network share), the run still tells its progress and
// sees a Cancel promptly.
constexpr std::chrono::milliseconds kLongestWait{20};

// Keeps what the rules report, to be told later on another thread.
class KeptReports : public Reporter {
public:
    void criticalError(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

}  // namespace

void RenameRun::runAll(const RunCallbacks& callbacks) {
    if (!claimOnce()) return;
    const std::size_t every = callbacks.progressEvery ? callbacks.progressEvery : 1;
    Reporter& reporter = session_.reporter();
    KeptReports kept;
    session_.setReporter(kept);
    struct ReporterBack {
        RenameSession& session;
        Reporter& reporter;
        ~ReporterBack() { session.setReporter(reporter); }
    } reporterBack{session_, reporter};
    // Only the thread preparing touches the session's naming and recording, and this text.
    std::string preparedName;
    const auto prepare = [&](PreparedBatch& batch, std::size_t index, std::string newName) {
        const FileEntry& file = files_[index];
        // A path the system refuses is not to be opened, read or moved by it: never counted as
        // left unchanged.
        const bool tooLong = platform::pathTooLong(file.folder(), file.name.view());
        const bool unchanged = !tooLong && options_.leaveUnchanged && newName == file.name;
        PreparedStep step{index, std::move(newName), PreparedMove{}, unchanged};
        if (tooLong) {
            step.move.error = "The file's path is longer than the system allows; it was not renamed.";
        } else if (!step.unchanged) {
            preparedName.assign(file.name.view());
            step.move = session_.prepareMove(preparedName, file.folder(), step.newName);
        }
        batch.steps.push_back(std::move(step));
    };
    const auto close = [&](PreparedBatch& batch, std::size_t taken) {
        batch.taken = taken;
        batch.last = batch.journalFailed || batch.error || taken == files_.size();
        batch.reports = std::move(kept.texts);
        kept.texts.clear();
    };
    BatchHandoff handoff;
    const auto prepareAll = [&](std::size_t index) {
        struct CachesBack {
            ~CachesBack() { releaseRuleCaches(); }
        } cachesBack;
        for (bool last = false; !last;) {
            PreparedBatch batch;
            const auto begun = std::chrono::steady_clock::now();
            try {
                batch.steps.reserve(kBatchFiles);
                while (batch.steps.size() < kBatchFiles && index < files_.size() && !handoff.closed()) {
                    const std::size_t at = index++;
                    try {
                        prepare(batch, at, plannedName(at));
                    } catch (const platform::FileError& error) {
                        batch.journalFailed = error;
                        break;
                    }
                    if (handoff.waiting() && std::chrono::steady_clock::now() - begun >= kLongestWait) break;
                }
            } catch (...) {
                batch.error = std::current_exception();
            }
            close(batch, index);
            last = batch.last || handoff.closed();
            if (!handoff.put(std::move(batch))) return;
        }
    };
    // The preparing thread ends before whatever leaves this, a failure too: the run's state is
    // the run thread's again.
    std::thread preparing;
    struct Joined {
        BatchHandoff& handoff;
        std::thread& thread;
        void join() {
            handoff.close();
            if (thread.joinable()) thread.join();
        }
        ~Joined() { join(); }
    } joined{handoff, preparing};
    std::size_t count = 0;
    // Files whose name another file of the run held when their turn came, with why they failed.
    std::vector<std::size_t> waiting;
    std::vector<std::string> waitingNames, waitingReasons;
    if (options_.solveOrder) handled_.assign(files_.size(), false);
    const auto holdsAnother = [&](std::size_t index, const std::string& newName) {
        const std::size_t holder = holderOf(files_[index].folder(), newName);
        return holder != files_.size() && holder != index && !handled_[holder];
    };
    // When the journal takes no more records, the moves already recorded are still made: their
    // records reach the disk before they do. Then the run stops.
    std::optional<platform::FileError> journalFailed;
    bool stopped = false;
    try {
        // A file already taken (a front end stepped, then chose to rename the rest) goes first,
        // prepared here before the thread starts.
        PreparedBatch batch;
        if (current_) {
            try {
                prepare(batch, currentIndex_, std::move(current_->newName));
            } catch (const platform::FileError& error) {
                batch.journalFailed = error;
            }
            current_.reset();
        }
        close(batch, position_);
        for (const std::string& text : batch.reports) reporter.criticalError(text);
        if (!started_ && position_ < files_.size()) started_ = platform::now();
        if (!batch.last) preparing = std::thread(prepareAll, position_);
        aheadCount_ = batch.steps.size();
        std::size_t at = 0;  // the batch's next step
        for (;;) {
            if (at == batch.steps.size()) {
                if (batch.last) {
                    if (batch.error) std::rethrow_exception(batch.error);
                    journalFailed = batch.journalFailed;
                    break;
                }
                batch = handoff.take();
                at = 0;
                position_ = batch.taken;
                aheadCount_ += batch.steps.size();
                for (const std::string& text : batch.reports) reporter.criticalError(text);
                continue;
            }
            if (callbacks.stop && callbacks.stop()) {
                // Recorded ahead but not made: the undo database holds only the moves made.
                stopped = true;
                break;
            }
            PreparedStep& step = batch.steps[at++];
            --aheadCount_;
            currentIndex_ = step.index;
            current_ = RunStep{&files_[step.index], std::move(step.newName)};
            // The step is over once handled: a copy only for the few that progress is told about.
            std::optional<RunStep> told;
            if (callbacks.progress && (count % every == 0 || done(1))) told = *current_;
            std::string reason;
            RunOutcome outcome = RunOutcome::Unchanged;
            // Told after the step is released, so a copy only when someone listens.
            std::optional<RunStep> reported;
            if (callbacks.handled) reported = *current_;
            if (step.unchanged) {
                ++result_.unchanged;
                if (options_.solveOrder) handled_[step.index] = true;
                release();
            } else {
                nameText_.assign(current_->file->name.view());
                if (session_.commitMove(step.move, nameText_, current_->file->folder(), current_->newName, &reason)) {
                    outcome = RunOutcome::Renamed;
                    ++result_.renamed;
                    if (options_.solveOrder) handled_[step.index] = true;
                    release();
                } else if (options_.solveOrder && holdsAnother(step.index, current_->newName)) {
                    // Its name is held by a file the run moves later: it waits for that one.
                    waiting.push_back(step.index);
                    waitingNames.push_back(std::move(current_->newName));
                    waitingReasons.push_back(std::move(reason));
                    ++waiting_;
                    current_.reset();
                    continue;
                } else {
                    if (options_.solveOrder) handled_[step.index] = true;
                    outcome = RunOutcome::Failed;
                    fail(std::move(reason));
                    if (callbacks.failed) callbacks.failed(result_.failures.back());
                }
            }
            if (reported) {
                callbacks.handled(*reported, outcome,
                                  outcome == RunOutcome::Failed ? std::string_view(result_.failures.back().reason)
                                                                : std::string_view());
            }
            ++count;
            if (told) callbacks.progress(RunProgress{handled(), total(), *told});
        }
        // Batches prepared and not taken count with the files not reached.
        joined.join();
        if (stopped) {
            result_.notReached = (batch.steps.size() - at) + waiting.size() + (files_.size() - position_);
            position_ = files_.size();
            aheadCount_ = 0;
            waiting_ = 0;
            release();
        } else if (journalFailed) {
            // What waited is not reached: the run stops here.
            waiting_ = 0;
            stop(*journalFailed);
        } else if (!waiting.empty()) {
            session_.setReporter(reporter);
            finishWaiting(std::move(waiting), waitingNames, waitingReasons, callbacks, count);
        }
    } catch (const platform::FileError& error) {
        // A record could not be put on the disk: the moves recorded ahead are not made, and
        // recovery finds them so.
        joined.join();
        aheadCount_ = 0;
        waiting_ = 0;
        stop(error);
    }
    aheadCount_ = 0;
    waiting_ = 0;
}

namespace {

// A name in its folder as the folder's file system compares names.
std::string nameKey(const std::string& folder, std::string_view name) {
    return folder + '\0' + (platform::namesIgnoreCase(folder) ? platform::foldedText(name) : std::string(name));
}

}  // namespace

std::size_t RenameRun::holderOf(const std::string& folder, const std::string& name) {
    if (byName_.empty()) {
        byName_.reserve(files_.size());
        for (std::size_t i = 0; i < files_.size(); ++i)
            byName_.emplace(nameKey(files_[i].folder(), files_[i].name.view()), i);
    }
    const auto found = byName_.find(nameKey(folder, name));
    return found != byName_.end() ? found->second : files_.size();
}

void RenameRun::finishWaiting(std::vector<std::size_t> waiting, const std::vector<std::string>& names,
                              const std::vector<std::string>& reasons, const RunCallbacks& callbacks,
                              std::size_t& count) {
    const std::size_t every = callbacks.progressEvery ? callbacks.progressEvery : 1;
    std::unordered_map<std::size_t, std::string> reasonOf, nameOf, temporary;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        reasonOf[waiting[i]] = reasons[i];
        nameOf[waiting[i]] = names[i];
    }
    const auto settle = [&](std::size_t index, bool renamed, std::string reason) {
        handled_[index] = true;
        --waiting_;
        currentIndex_ = index;
        current_ = RunStep{&files_[index], nameOf[index]};
        const RunStep told = *current_;
        if (renamed) {
            ++result_.renamed;
            release();
        } else {
            fail(std::move(reason));
            if (callbacks.failed) callbacks.failed(result_.failures.back());
        }
        if (callbacks.handled) {
            callbacks.handled(told, renamed ? RunOutcome::Renamed : RunOutcome::Failed,
                              renamed ? std::string_view() : std::string_view(result_.failures.back().reason));
        }
        if (callbacks.progress && (count % every == 0 || done()))
            callbacks.progress(RunProgress{handled(), total(), told});
        ++count;
    };
    const auto from = [&](std::size_t index) {
        const auto at = temporary.find(index);
        return at != temporary.end() ? at->second : files_[index].name.str();
    };
    // Who waits for whom: a file is tried again once the file holding its name has moved (or
    // failed, which it then fails too), so each is tried a few times at most.
    std::unordered_map<std::size_t, std::vector<std::size_t>> waitersOf;
    std::vector<std::size_t> ready;
    for (const std::size_t index : waiting) {
        const std::size_t holder = holderOf(files_[index].folder(), nameOf[index]);
        if (holder != files_.size() && holder != index && !handled_[holder]) {
            waitersOf[holder].push_back(index);
        } else {
            ready.push_back(index);
        }
    }
    const auto freed = [&](std::size_t holder) {
        const auto at = waitersOf.find(holder);
        if (at == waitersOf.end()) return;
        ready.insert(ready.end(), at->second.begin(), at->second.end());
        waitersOf.erase(at);
    };
    // Moves made in batches: their records reach the disk in one sync, not one each.
    struct Move {
        std::size_t index;
        std::string from, to;
        PreparedMove prepared;
        std::string reason;
        bool made = false;
    };
    const auto makeAll = [&](std::vector<Move>& moves) {
        for (Move& move : moves) move.prepared = session_.prepareMove(move.from, files_[move.index].folder(), move.to);
        for (Move& move : moves) {
            move.made =
                session_.commitMove(move.prepared, move.from, files_[move.index].folder(), move.to, &move.reason);
        }
    };
    static std::mt19937_64 random(std::random_device{}());
    std::size_t next = 0;  // where to look for a ring when nothing is ready
    for (;;) {
        while (!ready.empty()) {
            std::vector<Move> moves;
            for (const std::size_t index : ready) {
                if (!handled_[index]) moves.push_back(Move{index, from(index), nameOf[index], {}, {}});
            }
            ready.clear();
            makeAll(moves);
            std::vector<Move> back;
            for (Move& move : moves) {
                if (!move.made && temporary.count(move.index)) {
                    // Back from the temporary name to its own, so that no file keeps a name of ours.
                    back.push_back(Move{move.index, temporary[move.index], files_[move.index].name.str(), {}, {}});
                }
            }
            makeAll(back);
            for (const Move& move : back) {
                if (!move.made)
                    reasonOf[move.index] += " It keeps the temporary name " + move.from + ": " + move.reason;
            }
            for (Move& move : moves) {
                if (handled_[move.index]) continue;  // listed twice
                settle(move.index, move.made, move.reason.empty() ? reasonOf[move.index] : move.reason);
                freed(move.index);
            }
        }
        // Every one left waits for another: rings (swaps, or longer ones). One file of each steps
        // aside to a temporary name in its folder, which frees the name its ring waits for.
        std::vector<Move> aside;
        std::unordered_set<std::size_t> seen, names;
        for (std::size_t at = next; at < waiting.size(); ++at) {
            std::size_t index = waiting[at];
            if (handled_[index] || seen.count(index)) continue;
            std::unordered_set<std::size_t> path;
            while (path.insert(index).second && !seen.count(index)) {
                index = holderOf(files_[index].folder(), nameOf[index]);
            }
            const bool ring = !seen.count(index);
            seen.insert(path.begin(), path.end());
            if (!ring) continue;
            const std::string& folder = files_[index].folder();
            std::string name;
            do {
                char text[32];
                std::snprintf(text, sizeof text, ".cw-swap-%012llx",
                              static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
                name = text;
            } while (platform::entryId(folder + name) || holderOf(folder, name) != files_.size() ||
                     !names.insert(std::hash<std::string>{}(folder + name)).second);
            aside.push_back(Move{index, from(index), name, {}, {}});
        }
        while (next < waiting.size() && handled_[waiting[next]]) ++next;
        if (aside.empty()) {
            // Nothing is left waiting; were anything, it fails as it did at its turn.
            for (const std::size_t index : waiting) {
                if (!handled_[index]) settle(index, false, reasonOf[index]);
            }
            break;
        }
        makeAll(aside);
        for (const Move& move : aside) {
            if (move.made) {
                temporary[move.index] = move.to;
                byName_.erase(nameKey(files_[move.index].folder(), move.from));
                byName_.emplace(nameKey(files_[move.index].folder(), move.to), move.index);
            } else {
                settle(move.index, false, move.reason);
            }
            freed(move.index);
        }
    }
}

std::string runCountsText(const RunResult& result) {
    std::string text =
        countsText(RunCounts{result.renamed, result.unchanged, result.failed() + result.unlistedFolders.size()});
    if (result.skipped) text += ", " + std::to_string(result.skipped) + " skipped";
    if (result.notReached) text += ", " + std::to_string(result.notReached) + " not reached (the run was cancelled)";
    return text;
}

RunResult RenameRun::result() const {
    RunResult result = result_;
    if (started_) result.elapsedSeconds = (ended_ ? *ended_ : platform::now()) - *started_;
    if (!result.anyFailure()) {
        result.summaryText = formatString(IDS_RENAME_DONE, {runCountsText(result)});
    } else {
        std::string list;
        for (const RunFailure& failure : result.failures) {
            list += formatText("- \"%s\"\r\n", {platform::displayName(failure.path())});
        }
        list += folderProblemLines(result.unlistedFolders);
        result.summaryText = formatString(IDS_RENAME_DONE_WITH_FAILURES, {list, runCountsText(result)});
    }
    return result;
}

RunResult RenameRun::finish() {
    if (!finished_) {
        finished_ = true;
        // The journal stays whenever the database could not be written or registered.
        std::string problem;
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

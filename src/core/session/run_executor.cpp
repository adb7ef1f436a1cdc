// Carrying out a one-pass run: the plan's steps made in order, the records written ahead on a
// thread the executor owns and ends before it returns, rings finished or moved back.
#include "core/session/rename_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "core/base/reporter.h"
#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/rules/filter_kinds.h"
#include "core/undo/undo_database.h"
#include "platform/case_fold.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {

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
    PlanStep::Kind kind;
    std::string newName;     // where the step moves the file, as the run shows it
    std::string temporary;   // a ring's hop: the temporary name
    std::string into;        // a move into another folder: that folder
    std::size_t leafAt = 0;  // where, in newName, the name in that folder starts
    std::string_view leaf() const { return std::string_view(newName).substr(leafAt); }
    // The leaf as a string: newName itself for a move within its folder, else copied to `scratch`.
    const std::string& leafText(std::string& scratch) const {
        if (leafAt == 0) return newName;
        scratch.assign(leaf());
        return scratch;
    }
    PreparedMove move;
    bool unchanged = false;
};

struct PreparedBatch {
    std::vector<PreparedStep> steps;
    // What the rules reported while these were named, told on the run's thread, where a front
    // end expects its reports.
    std::vector<std::string> reports;
    std::size_t taken = 0;  // steps taken, these included
    // After its steps: the journal took no more records, or the preparing failed otherwise.
    std::optional<platform::FileError> journalFailed;
    std::exception_ptr error;
    bool last = false;
    // With the check made ahead (AheadCheck): for each step, which thread checks it.
    std::unique_ptr<std::atomic<std::uint8_t>[]> checks;
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

// With undo on, each file is checked just before it moves to be the one its record names: another
// program may have put another file at its name since the search found it, and no undo could give
// that one back. The check is a status call, which costs the system about a third of what the
// move does, so with two cores a thread of its own makes it ahead of the run's thread, at most
// kCheckLead steps ahead (a fraction of a millisecond): a file replaced later than that is in the
// same race that any check made before a move leaves, however close. Whichever thread comes to a
// step first checks it, so the run's thread never waits for more than a check being made.
constexpr std::size_t kCheckLead = 128;
constexpr std::size_t kFewestChecked = 2 * kBatchFiles;  // a smaller run is not worth the thread

class AheadCheck {
public:
    using Check = std::function<void(PreparedStep&)>;
    explicit AheadCheck(Check check) : check_(std::move(check)), thread_([this] { run(); }) {}
    ~AheadCheck() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
            wake_.notify_one();
        }
        thread_.join();
    }
    AheadCheck(const AheadCheck&) = delete;
    AheadCheck& operator=(const AheadCheck&) = delete;

    static void prepare(PreparedBatch& batch) {
        batch.checks.reset(new std::atomic<std::uint8_t>[batch.steps.size()]());
    }
    // The run's thread: the batch whose steps it makes next.
    void begin(const std::shared_ptr<PreparedBatch>& batch) {
        const std::lock_guard<std::mutex> lock(mutex_);
        batch_ = batch;
        at_.store(0);
        generation_.fetch_add(1);
        wake_.notify_one();
    }
    // The run's thread, before it makes step `at` of that batch: once this returns, the step's
    // move is checked (PreparedMove::checked, or not to be made), or it is the caller's to check.
    void reach(PreparedBatch& batch, std::size_t at) {
        at_.store(at);
        if (at >= wakeAt_.load()) {
            const std::lock_guard<std::mutex> lock(mutex_);
            wakeAt_.store(kNever);
            wake_.notify_one();
        }
        std::uint8_t free = kFree;
        if (batch.checks[at].compare_exchange_strong(free, kByRun)) return;
        while (batch.checks[at].load(std::memory_order_acquire) != kDone) std::this_thread::yield();
    }

private:
    static constexpr std::uint8_t kFree = 0, kAhead = 1, kByRun = 2, kDone = 3;
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

    void run() {
        std::shared_ptr<PreparedBatch> batch;
        std::uint64_t generation = 0;
        std::size_t next = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                for (;;) {
                    if (stopped_) return;
                    if (generation != generation_.load()) {
                        batch = batch_;
                        generation = generation_.load();
                        next = 0;
                    }
                    if (batch && next < batch->steps.size() && next < at_.load() + kCheckLead) break;
                    // Woken when the run's thread has come within half the lead, or at the next batch.
                    wakeAt_.store(batch && next < batch->steps.size() ? next - kCheckLead / 2 : kNever);
                    wake_.wait(lock);
                }
            }
            const std::size_t end = std::min(batch->steps.size(), at_.load() + kCheckLead);
            for (; next < end && generation == generation_.load(); ++next) {
                std::uint8_t free = kFree;
                if (!batch->checks[next].compare_exchange_strong(free, kAhead)) continue;
                try {
                    check_(batch->steps[next]);
                } catch (...) {
                    // Left unchecked: the move checks it itself.
                }
                batch->checks[next].store(kDone, std::memory_order_release);
            }
        }
    }

    Check check_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<PreparedBatch> batch_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::size_t> at_{0};           // the step the run's thread is at
    std::atomic<std::size_t> wakeAt_{kNever};  // the step at which the checking thread is to be woken
    bool stopped_ = false;
    std::thread thread_;  // last: it starts once the rest is made
};

// A batch is handed over before it is full when the run has waited for it this long: where each
// file is slow to prepare (tags read from a network share), the run still tells its progress and
// sees a Cancel promptly.
constexpr std::chrono::milliseconds kLongestWait{20};

}  // namespace

namespace {

// A temporary name in `folder` that nothing there has: what a ring's first file steps aside to.
std::string temporaryName(const std::string& folder) {
    static std::mt19937_64 random(std::random_device{}());
    static std::mutex randomLock;
    for (;;) {
        std::uint64_t value;
        {
            const std::lock_guard<std::mutex> lock(randomLock);
            value = random() & 0xFFFFFFFFFFFFull;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%s%012llx", kTemporaryPrefix, static_cast<unsigned long long>(value));
        if (!platform::entryId(folder + text)) return text;
    }
}

}  // namespace

void RenameRun::runAll(const RunCallbacks& callbacks) {
    if (!claimOnce()) return;
    // A one-pass run from its start carries out its plan, step by step; one that goes on after
    // stepping takes the files left in their order, each tried as the Confirmation dialog would.
    const bool planned = options_.solveOrder && position_ == 0 && !current_;
    if (planned && !planMade_) preview();
    const std::size_t stepCount = planned ? plan_.steps().size() : files_.size();
    const std::size_t every = callbacks.progressEvery ? callbacks.progressEvery : 1;
    const bool checksAhead = options_.undo && stepCount >= kFewestChecked && std::thread::hardware_concurrency() >= 2;
    Reporter& reporter = session_.reporter();
    KeptReports kept;
    session_.setReporter(kept);
    struct ReporterBack {
        RenameSession& session;
        Reporter& reporter;
        ~ReporterBack() { session.setReporter(reporter); }
    } reporterBack{session_, reporter};
    // Only the thread preparing touches the session's naming and recording, and these.
    std::string preparedName, preparedLeaf, ringTemporary;
    FolderPath preparedFolder, preparedInto;
    platform::FileId ringId{};
    bool preparingRing = false;
    std::size_t ringBegin = 0;  // in the batch being prepared
    const auto prepare = [&](PreparedBatch& batch, std::size_t index, PlanStep::Kind kind, std::string newName) {
        const FileEntry& file = files_[index];
        PreparedStep step{index, kind, std::move(newName), {}, {}, 0, PreparedMove{}, false};
        const std::string& folder = preparedFolder.of(file.folderText);
        if (const std::uint32_t target = targets_.targetOf(index); target != kNoTarget) {
            step.into = preparedInto.of(targets_.folders[target].folder);
            step.leafAt = step.newName.size() - leafName(step.newName).size();
        }
        const std::string* into = step.into.empty() ? nullptr : &step.into;
        // A path the system refuses is not to be opened, read or moved by it: never counted as
        // left unchanged.
        const bool tooLong = platform::pathTooLong(folder, file.name.view());
        // The identity the search found is the one recorded; the move checks the file still has it.
        const platform::FileId* listed = file.id.index != 0 ? &file.id : nullptr;
        const auto prepareMove = [&](const std::string& from, const std::string& to,
                                     const platform::FileId* knownId = nullptr, const std::string* target = nullptr) {
            if (tooLong) {
                step.move.error = "The file's path is longer than the system allows; it was not renamed.";
            } else {
                step.move = session_.prepareMove(from, folder, to, knownId, file.folderText.id(), target);
            }
        };
        switch (kind) {
            case PlanStep::Kind::Keep:
                if (tooLong) {
                    prepareMove({}, {});
                } else if (plan_.status(index) == PreviewStatus::Unchanged) {
                    step.unchanged = true;
                } else if (plan_.status(index) == PreviewStatus::Invalid) {
                    step.move.error = invalidNameMessage(step.newName, std::string(plan_.reason(index)));
                } else {
                    step.move.error = "Not renamed: " + statusText(plan_[index]) + ".";
                }
                break;
            case PlanStep::Kind::Move:
                step.unchanged = !tooLong && options_.leaveUnchanged && step.newName == file.name;
                if (step.unchanged) break;
                preparedName.assign(file.name.view());
                prepareMove(preparedName, step.leafText(preparedLeaf), listed, into);
                break;
            case PlanStep::Kind::ToTemporary:
                preparingRing = true;
                ringBegin = batch.steps.size();
                ringTemporary = temporaryName(folder);
                step.temporary = ringTemporary;
                preparedName.assign(file.name.view());
                prepareMove(preparedName, ringTemporary, listed);
                ringId = step.move.id;
                break;
            case PlanStep::Kind::FromTemporary:
                preparingRing = false;
                step.temporary = ringTemporary;
                prepareMove(ringTemporary, step.leafText(preparedLeaf), &ringId, into);
                break;
        }
        batch.steps.push_back(std::move(step));
    };
    const auto stepAt = [&](std::size_t at) {
        return planned ? plan_.steps()[at] : PlanStep{static_cast<std::uint32_t>(at), PlanStep::Kind::Move};
    };
    const auto close = [&](PreparedBatch& batch, std::size_t taken) {
        // A ring half recorded when the journal failed is not begun: its records are never made.
        if (batch.journalFailed && preparingRing) batch.steps.resize(ringBegin);
        batch.taken = taken;
        batch.last = batch.journalFailed || batch.error || taken == stepCount;
        if (checksAhead) AheadCheck::prepare(batch);
        batch.reports = std::move(kept.texts);
        kept.texts.clear();
    };
    BatchHandoff handoff;
    const auto prepareAll = [&](std::size_t at) {
        for (bool last = false; !last;) {
            PreparedBatch batch;
            const auto begun = std::chrono::steady_clock::now();
            try {
                batch.steps.reserve(kBatchFiles);
                // A ring is never split between batches: the run makes all of it, or none.
                while ((batch.steps.size() < kBatchFiles || preparingRing) && at < stepCount && !handoff.closed()) {
                    const PlanStep step = stepAt(at++);
                    try {
                        prepare(batch, step.file(), step.kind(),
                                planned ? std::string(plannedNames_[step.file()]) : plannedName(step.file()));
                    } catch (const platform::FileError& error) {
                        batch.journalFailed = error;
                        break;
                    }
                    if (!preparingRing && handoff.waiting() && std::chrono::steady_clock::now() - begun >= kLongestWait)
                        break;
                }
            } catch (...) {
                batch.error = std::current_exception();
            }
            close(batch, at);
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
    // Tells what became of a file: once for each file, when its part of the run is over.
    std::vector<bool> keptName(planned ? files_.size() : 0, false);
    const auto report = [&](std::size_t index, std::string newName, RunOutcome outcome, std::string reason) {
        if (aheadCount_ > 0) --aheadCount_;
        currentIndex_ = index;
        current_ = RunStep{&files_[index], std::move(newName)};
        // The step is over once handled: a copy only for the few that progress is told about.
        std::optional<RunStep> told;
        if (callbacks.progress && (count % every == 0 || done(1))) told = *current_;
        std::optional<RunStep> reported;
        if (callbacks.handled) reported = *current_;
        if (outcome == RunOutcome::Failed) {
            if (planned) keptName[index] = true;
            fail(std::move(reason));
            if (callbacks.failed) callbacks.failed(result_.failures.back());
        } else {
            ++(outcome != RunOutcome::Renamed ? result_.unchanged
               : index >= ownFiles_           ? result_.companions
                                              : result_.renamed);
            release();
        }
        if (reported) {
            callbacks.handled(
                *reported, outcome,
                outcome == RunOutcome::Failed ? std::string_view(result_.failures.back().reason) : std::string_view());
        }
        ++count;
        if (told) callbacks.progress(RunProgress{handled(), total(), *told});
    };
    // A ring in progress: its files in the order of their steps, and the moves made so far, to be
    // made backwards when one of them fails, so that no file keeps a temporary name.
    struct RingFile {
        std::size_t index;
        std::string newName, reason;
    };
    struct MadeMove {
        std::size_t index;
        std::string from, to;
        std::string into;  // the folder it went into, when another than its own
    };
    std::vector<RingFile> ring;
    std::vector<MadeMove> made;
    bool inRing = false, ringBroken = false;
    std::string hopReason;
    std::optional<platform::FileError> journalFailed;
    FolderPath movedFolder;
    std::string movedLeaf;
    const auto commit = [&](const PreparedStep& step, const std::string& from, const std::string& to,
                            std::string& reason, bool into) {
        const FileEntry& file = files_[step.index];
        nameText_.assign(from);
        try {
            return session_.commitMove(step.move, nameText_, movedFolder.of(file.folderText), to, &reason,
                                       file.folderText.id(), into && !step.into.empty() ? &step.into : nullptr);
        } catch (const platform::FileError& error) {
            // A record that cannot reach the disk: inside a ring, the ring goes back first.
            if (!inRing) throw;
            journalFailed = error;
            reason = error.message();
            return false;
        }
    };
    const auto closeRing = [&] {
        inRing = false;
        if (!ringBroken) {
            for (RingFile& file : ring) report(file.index, std::move(file.newName), RunOutcome::Renamed, {});
            return;
        }
        std::unordered_map<std::size_t, std::string> stuck;
        for (std::size_t k = made.size(); k-- > 0;) {
            const MadeMove& move = made[k];
            std::string why;
            const std::string folder = files_[move.index].folder();
            const bool back =
                move.into.empty()
                    ? session_.moveBack(move.to, folder, move.from, &why, files_[move.index].folderText.id())
                    : session_.moveBack(move.to, move.into, move.from, &why, std::nullopt, &folder);
            if (!back) {
                stuck[move.index] += " It keeps the name " + platform::displayName(move.to) + ": " + why;
            }
        }
        std::string culprit;
        for (const RingFile& file : ring) {
            if (!file.reason.empty()) {
                culprit = files_[file.index].name.str();
                break;
            }
        }
        for (RingFile& file : ring) {
            std::string reason = file.reason.empty() ? "Not renamed: it takes part in a ring of names with \"" +
                                                           platform::displayName(culprit) +
                                                           "\", which could not be renamed, and every file of "
                                                           "the ring keeps its name."
                                                     : std::move(file.reason);
            const auto at = stuck.find(file.index);
            if (at != stuck.end()) reason += at->second;
            report(file.index, std::move(file.newName), RunOutcome::Failed, std::move(reason));
        }
    };
    // Checks the files ahead of their moves, on a thread of its own (it touches only these and
    // what it is given of each step), ended before anything else here.
    FolderPath checkedFolder;
    std::unique_ptr<platform::MoveFolder> checkedOpen;
    std::string checkedName;
    std::optional<AheadCheck> ahead;
    if (checksAhead) {
        ahead.emplace([&](PreparedStep& step) {
            const bool fromListedName = step.kind == PlanStep::Kind::Move || step.kind == PlanStep::Kind::ToTemporary;
            if (!fromListedName || step.unchanged || !step.move.ok) return;
            const FileEntry& file = files_[step.index];
            checkedName.assign(file.name.view());
            session_.checkRecorded(step.move, checkedName, checkedFolder.of(file.folderText), file.folderText.id(),
                                   checkedOpen);
        });
    }
    bool stopped = false;
    try {
        makeTargetFolders();
        // A file already taken (a front end stepped, then chose to rename the rest) goes first,
        // prepared here before the thread starts.
        auto held = std::make_shared<PreparedBatch>();
        PreparedBatch* batch = held.get();
        if (current_) {
            try {
                prepare(*batch, currentIndex_, PlanStep::Kind::Move, std::move(current_->newName));
            } catch (const platform::FileError& error) {
                batch->journalFailed = error;
            }
            current_.reset();
        }
        const std::size_t first = planned ? 0 : position_;
        close(*batch, first);
        if (ahead) ahead->begin(held);
        for (const std::string& text : batch->reports) reporter.criticalError(text);
        if (!started_ && first < stepCount) started_ = platform::now();
        if (!batch->last) preparing = std::thread(prepareAll, first);
        // The files to tell about: all of them in a planned run, else those of each batch.
        aheadCount_ = planned ? files_.size() : batch->steps.size();
        if (planned) position_ = files_.size();
        std::size_t at = 0;  // the batch's next step
        for (;;) {
            if (at == batch->steps.size()) {
                if (batch->last) {
                    if (batch->error) std::rethrow_exception(batch->error);
                    if (!journalFailed) journalFailed = batch->journalFailed;
                    break;
                }
                held = std::make_shared<PreparedBatch>(handoff.take());
                batch = held.get();
                if (ahead) ahead->begin(held);
                at = 0;
                if (!planned) {
                    position_ = batch->taken;
                    aheadCount_ += batch->steps.size();
                }
                for (const std::string& text : batch->reports) reporter.criticalError(text);
                continue;
            }
            // A ring is finished or undone whatever happens meanwhile: a Cancel waits for it.
            if (!inRing && (journalFailed || (callbacks.stop && callbacks.stop()))) {
                // Recorded ahead but not made: the undo database holds only the moves made.
                stopped = !journalFailed;
                break;
            }
            if (ahead) ahead->reach(*batch, at);
            PreparedStep& step = batch->steps[at++];
            const FileEntry& file = files_[step.index];
            std::string reason;
            switch (step.kind) {
                case PlanStep::Kind::Keep:
                    report(step.index, std::move(step.newName),
                           step.unchanged ? RunOutcome::Unchanged : RunOutcome::Failed, std::move(step.move.error));
                    break;
                case PlanStep::Kind::Move: {
                    if (step.unchanged) {
                        report(step.index, std::move(step.newName), RunOutcome::Unchanged, {});
                        break;
                    }
                    bool moved = false;
                    const std::uint32_t holder = planned ? plan_.waitsFor(step.index) : RunPlan::kNoFile;
                    if (inRing && ringBroken) {
                        // The ring goes back: nothing more of it is moved.
                    } else if (holder != RunPlan::kNoFile && keptName[holder]) {
                        reason = "Not renamed: its new name is still held by \"" +
                                 platform::displayName(files_[holder].name.view()) + "\", which could not be renamed.";
                    } else {
                        moved = commit(step, file.name.str(), step.leafText(movedLeaf), reason, true);
                    }
                    if (!inRing) {
                        report(step.index, std::move(step.newName), moved ? RunOutcome::Renamed : RunOutcome::Failed,
                               std::move(reason));
                        break;
                    }
                    if (moved)
                        made.push_back(MadeMove{step.index, file.name.str(), std::string(step.leaf()), step.into});
                    if (!moved && !ringBroken) ringBroken = true;
                    ring.push_back(RingFile{step.index, std::move(step.newName), std::move(reason)});
                    break;
                }
                case PlanStep::Kind::ToTemporary:
                    inRing = true;
                    ring.clear();
                    made.clear();
                    hopReason.clear();
                    ringBroken = !commit(step, file.name.str(), step.temporary, hopReason, false);
                    if (!ringBroken) made.push_back(MadeMove{step.index, file.name.str(), step.temporary, {}});
                    break;
                case PlanStep::Kind::FromTemporary: {
                    std::string ownReason = std::move(hopReason);
                    if (!ringBroken) {
                        if (commit(step, step.temporary, step.leafText(movedLeaf), ownReason, true)) {
                            made.push_back(MadeMove{step.index, step.temporary, std::string(step.leaf()), step.into});
                        } else {
                            ringBroken = true;
                        }
                    }
                    ring.push_back(RingFile{step.index, std::move(step.newName), std::move(ownReason)});
                    closeRing();
                    break;
                }
            }
        }
        joined.join();
        if (journalFailed) {
            stop(*journalFailed);
        } else if (stopped) {
            result_.notReached = files_.size() - handled();
            position_ = files_.size();
            aheadCount_ = 0;
            release();
        }
    } catch (const platform::FileError& error) {
        // A record could not be put on the disk: the moves recorded ahead are not made, and
        // recovery finds them so.
        joined.join();
        aheadCount_ = 0;
        stop(error);
    }
    aheadCount_ = 0;
}

}  // namespace core

// The one way a long job runs (a rename run, an undo, a preview): on a worker thread the service
// owns, away from the window, which stays free to paint and to take a Cancel. What the job must
// show or ask on the way (progress, a failure, the next file to confirm) goes to the front end's
// own thread through the service, never by the job touching the window. Without a thread to hand
// over to (the command line), the same job runs at once on the caller's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/reporter.h"

namespace core {

class RunService {
public:
    // Asks the front end to call runPending() on its own thread soon (a posted window message);
    // it may be called from any thread. Without it the service is synchronous.
    using Wake = std::function<void()>;

    // A decision the front end made: which choice, with the text that goes with it (a typed name).
    struct Answer {
        int choice = 0;
        std::string text;
    };

    explicit RunService(Wake wake = {}) : wake_(std::move(wake)) {}
    // Cancels a job still running and waits for it: a job never outlives what it works on.
    ~RunService();
    RunService(const RunService&) = delete;
    RunService& operator=(const RunService&) = delete;

    // Runs `job` on the worker thread, then `done` on the front end's thread, unless the job was
    // cancelled (the front end that cancels knows it). Synchronous: both at once, here. One job at
    // a time.
    void start(std::function<void()> job, std::function<void()> done = {});
    // Asks the job to stop at its next look (it looks before each file); a job waiting for the
    // front end stops waiting at once.
    void cancel();
    bool cancelled() const { return cancelled_; }
    // Waits until the job has ended (after cancel(), within one file).
    void wait();

    // --- For the job ---
    // Runs `task` on the front end's thread without waiting for it (progress): the job goes on at
    // once, so the task must own what it uses. One still waiting at a cancel is dropped.
    void post(std::function<void()> task);
    // Runs `task` on the front end's thread and waits for it: true once it ran or started, false
    // when the job was cancelled before it started (it then never runs). A cancel can come while
    // the task runs (a message box's own loop still delivers Cancel), and the job then goes on
    // without waiting for it, so the task must own copies of what it uses.
    bool call(std::function<void()> task);
    // Runs `show` on the front end's thread, then waits for the front end's answer(): nothing when
    // the job was cancelled first.
    std::optional<Answer> ask(std::function<void()> show);
    // True on the thread that runs the job (the caller's, for a synchronous service).
    bool onWorker() const { return std::this_thread::get_id() == workerId_; }

    // --- For the front end, on its own thread ---
    // Runs the tasks waiting, in the order they were handed over, then `done` once the job ended;
    // a job that failed with an exception raises it here instead, on the front end's thread.
    void runPending();
    // Gives the job the decision it waits for; ignored when it waits for none.
    void answer(Answer answer);
    // Whether the job waits for answer(), its question shown.
    bool asking() const;

private:
    // Whether the task ran (when waited for) or was handed over.
    bool handOver(std::function<void()> task, bool wait);

    Wake wake_;
    std::thread worker_;
    std::atomic<std::thread::id> workerId_{};
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::uint64_t, std::function<void()>>> pending_;
    std::uint64_t handed_ = 0;  // tasks handed over
    std::uint64_t ran_ = 0;     // the number of the last task run (tasks run in order)
    std::uint64_t taken_ = 0;   // the number of the last task started
    bool jobEnded_ = false;
    std::exception_ptr failure_;
    std::function<void()> done_;
    bool asking_ = false;
    std::optional<Answer> answer_;
};

// A Reporter for code a job runs: a failure is shown by `inner` on the front end's thread, where a
// message box belongs, while the job waits. One reported after a cancel is kept for the front end
// to show once the job is over (takeKept), so that nothing told is lost.
class ServiceReporter : public Reporter {
public:
    ServiceReporter(RunService& service, Reporter& inner) : service_(service), inner_(inner) {}
    void criticalError(const std::string& text) override;
    // The failures reported after a cancel, taken.
    std::vector<std::string> takeKept();

private:
    RunService& service_;
    Reporter& inner_;
    std::mutex mutex_;
    std::vector<std::string> kept_;
};

}  // namespace core

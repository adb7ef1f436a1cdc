#include "core/session/run_service.h"

#include <exception>

namespace core {

RunService::~RunService() {
    cancel();
    wait();
}

void RunService::start(std::function<void()> job, std::function<void()> done) {
    wait();  // one job at a time
    cancelled_ = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobEnded_ = false;
        done_ = std::move(done);
        pending_.clear();
    }
    if (!wake_) {
        workerId_ = std::this_thread::get_id();
        job();
        workerId_ = std::thread::id();
        std::function<void()> finished;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished.swap(done_);
        }
        if (finished && !cancelled_) finished();
        return;
    }
    worker_ = std::thread([this, job = std::move(job)] {
        workerId_ = std::this_thread::get_id();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobEnded_ = true;
            failure_ = failure;
        }
        workerId_ = std::thread::id();
        wake_();
    });
}

void RunService::cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        // What waits for the front end is not run now: the job goes on without it.
        pending_.clear();
    }
    changed_.notify_all();
}

void RunService::wait() {
    if (worker_.joinable()) worker_.join();
}

bool RunService::handOver(std::function<void()> task, bool wait) {
    if (!wake_) {
        if (cancelled_) return false;
        task();
        return true;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (cancelled_) return false;
    const std::uint64_t number = ++handed_;
    const bool first = pending_.empty();
    pending_.emplace_back(number, std::move(task));
    // One wake for a queue: the front end runs all it holds.
    if (first) {
        lock.unlock();
        wake_();
        lock.lock();
    }
    if (!wait) return true;
    // Tasks run in order, and a cancel drops every one still waiting.
    changed_.wait(lock, [&] { return ran_ >= number || cancelled_; });
    return ran_ >= number || taken_ >= number;
}

void RunService::post(std::function<void()> task) {
    handOver(std::move(task), false);
}

bool RunService::call(std::function<void()> task) {
    return handOver(std::move(task), true);
}

std::optional<RunService::Answer> RunService::ask(std::function<void()> show) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) return std::nullopt;
        answer_.reset();
    }
    // Answers are taken only once the question is on screen: a click meant for the file shown
    // before cannot answer for the next one.
    handOver(
        [this, show = std::move(show)] {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                asking_ = true;
            }
            show();
        },
        false);
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_) changed_.wait(lock, [&] { return answer_.has_value() || cancelled_; });
    asking_ = false;
    std::optional<Answer> given = std::move(answer_);
    answer_.reset();
    if (cancelled_) return std::nullopt;
    return given;
}

void RunService::answer(Answer answer) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!asking_ || answer_) return;
        answer_ = std::move(answer);
    }
    changed_.notify_all();
}

bool RunService::asking() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return asking_ && !answer_;
}

void RunService::runPending() {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (pending_.empty()) {
            if (!jobEnded_) return;
            jobEnded_ = false;
            std::function<void()> finished;
            finished.swap(done_);
            std::exception_ptr failure;
            std::swap(failure, failure_);
            lock.unlock();
            wait();
            if (failure) std::rethrow_exception(failure);
            if (finished && !cancelled_) finished();
            return;
        }
        auto [number, task] = std::move(pending_.front());
        pending_.pop_front();
        taken_ = number;
        lock.unlock();
        task();
        lock.lock();
        ran_ = number;
        lock.unlock();
        changed_.notify_all();
    }
}

void ServiceReporter::criticalError(const std::string& text) {
    if (service_.onWorker() && service_.call([this, text] { inner_.criticalError(text); })) return;
    if (!service_.onWorker()) return inner_.criticalError(text);
    std::lock_guard<std::mutex> lock(mutex_);
    kept_.push_back(text);
}

std::vector<std::string> ServiceReporter::takeKept() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(kept_);
}

}  // namespace core

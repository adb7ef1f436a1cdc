#include "core/undo/background_sync.h"

namespace core {

BackgroundSync::BackgroundSync(platform::File& file) : file_(file), thread_([this] { loop(); }) {}

BackgroundSync::~BackgroundSync() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundSync::written() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (failure_) throw *failure_;
    ++written_;
    if (idle_) wake_.notify_one();
}

void BackgroundSync::waitSynced(std::uint64_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (syncedCount_ >= count) return;
    wanted_ = std::max(wanted_, count);
    wake_.notify_one();
    synced_.wait(lock, [&] { return syncedCount_ >= count || failure_; });
    if (syncedCount_ < count) throw *failure_;
}

void BackgroundSync::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (written_ == syncedCount_) {
            idle_ = true;
            wake_.wait(lock);
            continue;
        }
        // Records keep coming while the moves before them are made: a few more in each sync.
        idle_ = false;
        wake_.wait_for(lock, kJournalSyncInterval, [this] {
            return stopping_ || wanted_ > syncedCount_ || written_ - syncedCount_ >= kJournalSyncRecords;
        });
        if (stopping_) break;
        const std::uint64_t target = written_;
        lock.unlock();
        try {
            file_.sync();
        } catch (const platform::FileError& error) {
            lock.lock();
            failure_ = error;
            synced_.notify_all();
            return;
        }
        lock.lock();
        syncedCount_ = target;
        synced_.notify_all();
    }
}

}  // namespace core

#include "core/undo/background_sync.h"

#include <algorithm>

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
    if (failed_.load()) {
        const std::lock_guard<std::mutex> lock(mutex_);
        throw *failure_;
    }
    // The record is counted before the thread is looked at, and the thread says it sleeps before
    // it looks at the count once more (both in one order for every thread): either it sees this
    // record or this sees it sleeping and wakes it.
    written_.fetch_add(1);
    if (idle_.load() && idle_.exchange(false)) {
        const std::lock_guard<std::mutex> lock(mutex_);
        wake_.notify_one();
    }
}

void BackgroundSync::waitSynced(std::uint64_t count) {
    if (syncedCount_.load() >= count) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (syncedCount_.load() >= count) return;
    wanted_ = std::max(wanted_, count);
    wake_.notify_one();
    synced_.wait(lock, [&] { return syncedCount_.load() >= count || failure_; });
    if (syncedCount_.load() < count) throw *failure_;
}

void BackgroundSync::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (written_.load() == syncedCount_.load()) {
            idle_.store(true);
            if (written_.load() == syncedCount_.load()) {
                wake_.wait(lock, [this] { return stopping_ || !idle_.load() || wanted_ > syncedCount_.load(); });
            }
            idle_.store(false);
            continue;
        }
        // Records keep coming while the moves before them are made: a few more in each sync.
        wake_.wait_for(lock, kJournalSyncInterval, [this] {
            return stopping_ || wanted_ > syncedCount_.load() ||
                   written_.load() - syncedCount_.load() >= kJournalSyncRecords;
        });
        if (stopping_) break;
        const std::uint64_t target = written_.load();
        lock.unlock();
        try {
            file_.sync();
        } catch (const platform::FileError& error) {
            lock.lock();
            failure_ = error;
            failed_.store(true);
            synced_.notify_all();
            return;
        }
        lock.lock();
        syncedCount_.store(target);
        synced_.notify_all();
    }
}

}  // namespace core

// Syncing a journal to the disk from a thread of its own while records are written to it, so that
// the moves behind the records seldom wait for the disk.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/files.h"

namespace core {

// A sync starts once this many records wait for one, or this long after the first of them, or at
// once when a move waits for its record: the disk sees few syncs, and a run whose records are
// written well ahead of its moves seldom waits.
inline constexpr std::uint64_t kJournalSyncRecords = 256;
inline constexpr std::chrono::milliseconds kJournalSyncInterval{2};

// Syncs a file to the disk from a thread of its own while records are written to it: a sync
// starts once kJournalSyncRecords records wait, kJournalSyncInterval after the first of them, or
// at once when someone waits for a record. Telling of a record, and asking for one already on the
// disk, take no lock: a run of a hundred thousand files tells of a hundred thousand records, and
// the lock is taken only to wake the thread when it sleeps or to wait for a sync.
class BackgroundSync {
public:
    explicit BackgroundSync(platform::File& file);
    // Stops the thread; records not synced yet stay in the system's cache.
    ~BackgroundSync();
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    // One more record was written. Raises the platform's file error of a sync that failed.
    void written();
    // Waits until the first `count` records written are on the disk. Raises the platform's file
    // error of a sync that failed.
    void waitSynced(std::uint64_t count);

private:
    void loop();

    platform::File& file_;
    std::mutex mutex_;
    std::condition_variable wake_;    // the thread's
    std::condition_variable synced_;  // the waiters'
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> syncedCount_{0};  // changed under the lock
    std::uint64_t wanted_ = 0;                   // the most records someone waits for
    // The thread sleeps until a record comes; whoever turns this off wakes it.
    std::atomic<bool> idle_{false};
    bool stopping_ = false;
    std::atomic<bool> failed_{false};  // failure_ is set
    std::optional<platform::FileError> failure_;
    std::thread thread_;
};

}  // namespace core

#include "core/undo/journal.h"

#include <random>

#include "core/persist/filter_archive.h"
#include "core/undo/database_writing.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace core {

RunJournal::~RunJournal() {
    abandon();
}

std::string RunJournal::path() const {
    return paths_.undoFolder() + name_ + kJournalExtension;
}

void RunJournal::create(const AppPaths& paths, const RuleList& rules) {
    abandon();
    paths_ = paths;
    currentFolder_.clear();
    recorded_ = 0;
    made_.clear();
    madeCount_ = 0;
    extended_ = false;
    const std::string folder = paths.undoFolder();
    platform::createFolder(folder);  // a failure shows when the journal cannot be created
    static std::mt19937 random(
        static_cast<std::mt19937::result_type>(std::random_device{}() ^ static_cast<unsigned>(platform::now())));
    for (int attempt = 0;; ++attempt) {
        // Names are plenty; only a folder where no lock can ever be had keeps this going.
        if (attempt == 1000) throw platform::FileError(platform::FileError::sharingViolation, 0, path());
        name_ = makeDatabaseName(random);
        const std::string base = folder + name_;
        if (platform::fileExists(base) || platform::fileExists(base + ".tmp") || platform::fileExists(path())) continue;
        // Another run that drew the same name at the same moment holds the lock: draw again.
        if (!lock_.tryLock(path())) continue;
        const auto status = platform::fileStatus(path());
        if (status && status->size == 0) break;
        lock_.unlock();  // a journal left by a run that died: recovery's, not ours
    }
    try {
        file_.open(path(), platform::File::Mode::CreateReadWrite);
        const std::string header = formatJournalHeader(platform::now());
        file_.write(header.data(), header.size());
        FilterWriter archive(file_, static_cast<std::uint32_t>(rules.size()), file_.position());
        for (const Rule& rule : rules) archive.writeRule(rule);
        recordsAt_ = file_.position();
        // On the disk before the first move, with the folder entry that names it.
        file_.sync();
        platform::syncFolder(paths_.undoFolder());
        appender_ = std::make_unique<platform::RecordAppender>(file_);
        syncing_ = std::make_unique<BackgroundSync>(file_);
    } catch (...) {
        appender_.reset();
        file_.close();
        try {
            platform::removeFile(path());
        } catch (const platform::FileError&) {
            // Empty of moves, it is dropped by the next recovery in any case.
        }
        lock_.unlock();
        throw;
    }
}

std::uint64_t RunJournal::recordMove(const std::string& folder, const std::string& oldName, const std::string& newName,
                                     const platform::FileId& id) {
    const std::lock_guard<std::mutex> hold(appending_);
    record_.clear();
    appendJournalMove(record_, currentFolder_, folder, oldName, newName, id);
    return appendStep();
}

std::uint64_t RunJournal::recordMoveInto(const std::string& folder, const std::string& oldName,
                                         const std::string& newFolder, const std::string& newName,
                                         const platform::FileId& id) {
    const std::lock_guard<std::mutex> hold(appending_);
    record_.clear();
    appendJournalMoveInto(record_, currentFolder_, folder, oldName, newFolder, newName, id);
    extended_ = true;
    return appendStep();
}

std::uint64_t RunJournal::recordFolderMade(const std::string& folder, const std::string& name) {
    const std::lock_guard<std::mutex> hold(appending_);
    record_.clear();
    appendJournalFolderMade(record_, currentFolder_, folder, name);
    extended_ = true;
    return appendStep();
}

void RunJournal::folderMadeAs(std::uint64_t record, const platform::FileId& id) {
    const std::lock_guard<std::mutex> hold(appending_);
    // Not a step, and not waited for: synced with the steps after it. Lost to a power cut, it
    // leaves the folder where it is, which is never wrong.
    std::string bytes;
    appendJournalFolderIdentity(bytes, record, id);
    appender_->append(bytes.data(), bytes.size());
}

std::uint64_t RunJournal::recordFolderRemoved(const std::string& folder, const std::string& name,
                                              const platform::FileId& id) {
    const std::lock_guard<std::mutex> hold(appending_);
    record_.clear();
    appendJournalFolderRemoved(record_, currentFolder_, folder, name, id);
    extended_ = true;
    return appendStep();
}

std::uint64_t RunJournal::appendStep() {
    appender_->append(record_.data(), record_.size());
    syncing_->written();
    return recorded_++;
}

void RunJournal::waitDurable(std::uint64_t record) {
    syncing_->waitSynced(record + 1);
}

void RunJournal::moveMade(std::uint64_t record, bool made, std::uint64_t entryBytes) {
    if (record >= recorded_.load() || !made) return;
    if (record >= made_.size()) made_.resize(static_cast<std::size_t>(record) + 1, false);
    if (made_[record]) return;
    made_[record] = true;
    ++madeCount_;
    madeBytes_ += entryBytes;
    bytesKnown_ = bytesKnown_ && entryBytes != 0;
}

std::string RunJournal::finish(bool limitUndo, std::int32_t undoLimit, std::optional<RunCounts> counts) {
    if (!isOpen()) return std::string();
    syncing_.reset();
    appender_->finish();
    appender_.reset();
    file_.close();  // every record already reached the system: there is nothing to flush
    std::string registered;
    if (madeCount_ > 0) {
        const std::size_t count = writeDatabaseFromJournal(
            paths_, name_, path(), recordsAt_, made_,
            // A run that made folders or moved files into them is laid out from what the journal
            // holds, identities of the folders made and all: its first pass learns them.
            bytesKnown_ && !extended_ ? std::optional<MadeEntries>(MadeEntries{madeCount_, madeBytes_}) : std::nullopt);
        registerDatabase(paths_,
                         IndexEntry{name_, undoDescription(platform::now(), counts.value_or(RunCounts{count, 0, 0}))},
                         limitUndo, undoLimit);
        registered = name_;
    }
    try {
        platform::removeFile(path());
    } catch (const platform::FileError&) {
        // The database is registered; recovery finds that and only removes the journal.
    }
    lock_.unlock();
    recorded_ = 0;
    made_.clear();
    madeCount_ = 0;
    madeBytes_ = 0;
    bytesKnown_ = true;
    extended_ = false;
    return registered;
}

void RunJournal::abandon() noexcept {
    syncing_.reset();
    appender_.reset();
    file_.close();
    lock_.unlock();
}

}  // namespace core

#include "core/undo/journal.h"

#include <array>
#include <random>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace core {
namespace {

constexpr char kMagic[8] = {'C', 'W', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr std::uint32_t kJournalVersion = 2;
constexpr std::size_t kHeaderSize = 24;                        // magic, version, start time, CRC
constexpr std::size_t kRuleSectionHead = 4 + kHeaderSlot + 4;  // version, header text, count
// No folder or pair of names comes near this; a larger length is damage, not a record.
constexpr std::uint32_t kMaxRecord = 1u << 20;
constexpr char kFolderRecord = 'F';
constexpr char kMoveRecord = 'M';          // without the file's identity (version 1)
constexpr char kVerifiedMoveRecord = 'V';  // with it

// CRC-32 (the zlib polynomial), eight bytes a step: every record is summed when written and again
// when read back, so this is most of a journal's own cost.
std::uint32_t crc32(std::string_view bytes) {
    using Tables = std::array<std::array<std::uint32_t, 256>, 8>;
    static const Tables tables = [] {
        Tables t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            for (std::size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
        return t;
    }();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (; n >= 8; n -= 8, p += 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                         std::uint32_t{p[3]} << 24);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^ tables[0][p[7]];
    }
    for (; n > 0; --n, ++p) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// A record whose payload is `prefix`, then (withLength) the length of `first`, `first` and
// `second`: a move's record is laid out with no string of its own.
void appendRecord(std::string& bytes, char type, std::string_view prefix, std::string_view first,
                  std::string_view second = {}, bool withLength = false) {
    const std::size_t at = bytes.size();
    const std::size_t payload = prefix.size() + (withLength ? 4 : 0) + first.size() + second.size();
    appendLittle(bytes, static_cast<std::uint32_t>(payload), 4);
    bytes += type;
    bytes += prefix;
    if (withLength) appendLittle(bytes, static_cast<std::uint32_t>(first.size()), 4);
    bytes += first;
    bytes += second;
    appendLittle(bytes, crc32(std::string_view(bytes).substr(at)), 4);
}

// The length of the Rule section at the start of `bytes`, when it is whole and looks like one.
std::optional<std::size_t> ruleSectionLength(std::string_view bytes) {
    if (bytes.size() < kRuleSectionHead) return std::nullopt;
    const std::uint32_t version = u32At(bytes, 0);
    if (version != 1 && version != 2) return std::nullopt;
    const std::string_view header = bytes.substr(4, kHeaderSlot);
    if (header.substr(0, std::min(header.find('\0'), header.size())) != kFilterHeaderText) return std::nullopt;
    const std::uint64_t count = u32At(bytes, 4 + kHeaderSlot);
    const std::uint64_t length = kRuleSectionHead + count * (version == 1 ? kRuleSizeVersion1 : kRuleSizeVersion2);
    if (length > bytes.size()) return std::nullopt;
    return static_cast<std::size_t>(length);
}

}  // namespace

void appendJournalRecord(std::string& bytes, char type, std::string_view payload) {
    appendRecord(bytes, type, {}, payload);
}

std::string formatJournalHeader(std::time_t started) {
    std::string bytes(kMagic, sizeof kMagic);
    appendLittle(bytes, kJournalVersion, 4);
    const auto time = static_cast<std::uint64_t>(static_cast<std::int64_t>(started));
    appendLittle(bytes, static_cast<std::uint32_t>(time), 4);
    appendLittle(bytes, static_cast<std::uint32_t>(time >> 32), 4);
    appendLittle(bytes, crc32(bytes), 4);
    return bytes;
}

void appendJournalMove(std::string& bytes, std::string& currentFolder, const std::string& folder,
                       const std::string& oldName, const std::string& newName,
                       const std::optional<platform::FileId>& id) {
    if (folder != currentFolder) {
        appendRecord(bytes, kFolderRecord, {}, folder);
        currentFolder = folder;
    }
    if (!id) return appendRecord(bytes, kMoveRecord, {}, oldName, newName, true);
    char identity[16];
    for (int i = 0; i < 8; ++i) {
        identity[i] = static_cast<char>((id->volume >> (8 * i)) & 0xFF);
        identity[8 + i] = static_cast<char>((id->index >> (8 * i)) & 0xFF);
    }
    appendRecord(bytes, kVerifiedMoveRecord, std::string_view(identity, sizeof identity), oldName, newName, true);
}

namespace {

// A journal's header and Rule section, and where its records start.
struct JournalHead {
    std::time_t started;
    std::string_view ruleSection;
    std::size_t recordsAt;
};

std::optional<JournalHead> readHead(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic) ||
        (u32At(bytes, 8) != 1 && u32At(bytes, 8) != kJournalVersion) ||
        u32At(bytes, 20) != crc32(bytes.substr(0, 20))) {
        return std::nullopt;
    }
    const auto rules = ruleSectionLength(bytes.substr(kHeaderSize));
    if (!rules) return std::nullopt;
    return JournalHead{static_cast<std::time_t>(static_cast<std::int64_t>(littleAt(bytes, 12, 8))),
                       bytes.substr(kHeaderSize, *rules), kHeaderSize + *rules};
}

}  // namespace

std::size_t forEachJournalRecord(std::string_view bytes, std::size_t at, bool& damaged,
                                 const std::function<bool(char type, std::string_view payload)>& each) {
    damaged = false;
    while (bytes.size() - at >= 9) {
        const std::uint32_t length = u32At(bytes, at);
        if (length > kMaxRecord) break;                 // no record is this long
        if (bytes.size() - at - 9 < length) return at;  // cut short
        const std::string_view whole = bytes.substr(at, 5 + std::size_t{length});
        if (u32At(bytes, at + 5 + length) != crc32(whole)) break;  // torn or damaged
        if (!each(whole[4], whole.substr(5))) break;
        at += 9 + std::size_t{length};
    }
    damaged = bytes.size() - at >= 9;
    return at;
}

namespace {

// Calls move(folder, oldName, newName, id) for every whole move record from `at` on, in order, up
// to the first record that is cut short, damaged or unknown. `folder` carries the folder of the
// moves from one piece of a journal to the next. Returns where it stopped; `damaged` tells that
// it stopped at a record no further bytes could complete.
template <typename Move>
std::size_t forEachMove(std::string_view bytes, std::size_t at, std::string& folder, bool& damaged, Move move) {
    return forEachJournalRecord(bytes, at, damaged, [&](char type, std::string_view payload) {
        if (type == kFolderRecord) {
            folder = payload;
            return true;
        }
        std::optional<platform::FileId> id;
        if (type == kVerifiedMoveRecord && payload.size() >= 16) {
            id = platform::FileId{littleAt(payload, 0, 8), littleAt(payload, 8, 8)};
            payload.remove_prefix(16);
        } else if (type != kMoveRecord) {
            return false;  // not something this program writes
        }
        if (payload.size() < 4 || u32At(payload, 0) > payload.size() - 4) return false;
        const std::uint32_t oldLength = u32At(payload, 0);
        move(std::string_view(folder), payload.substr(4, oldLength), payload.substr(4 + oldLength), id);
        return true;
    });
}

}  // namespace

std::optional<JournalContent> parseJournal(std::string_view bytes) {
    const auto head = readHead(bytes);
    if (!head) return std::nullopt;
    JournalContent content;
    content.started = head->started;
    content.ruleSection = std::string(head->ruleSection);
    std::string folder;
    bool damaged = false;
    forEachMove(
        bytes, head->recordsAt, folder, damaged,
        [&](std::string_view folder, std::string_view oldName, std::string_view newName,
            const std::optional<platform::FileId>& id) {
            content.moves.push_back(UndoEntry{std::string(folder), std::string(newName), std::string(oldName), id});
        });
    return content;
}

// ---------------------------------------------------------------------------------------------

namespace {

// A database appears under its name only when whole, and never over another run's.
void writeDatabaseFile(const AppPaths& paths, const std::string& name,
                       const std::function<void(platform::File&)>& write) {
    const std::string path = paths.undoFolder() + name;
    writeFileInOneStep(path, path + ".tmp", Existing::Keep, write);
}

}  // namespace

void writeDatabaseAs(const AppPaths& paths, const std::string& name, const std::vector<UndoEntry>& entries,
                     std::string_view ruleSection) {
    writeDatabaseFile(paths, name, [&](platform::File& file) { writeUndoDatabase(file, entries, ruleSection); });
}

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

RunJournal::~RunJournal() {
    abandon();
}

std::string RunJournal::path() const {
    return paths_.undoFolder() + name_ + kJournalExtension;
}

void RunJournal::create(const AppPaths& paths, const PluginManager* plugins, const RuleList& rules) {
    abandon();
    paths_ = paths;
    currentFolder_.clear();
    made_.clear();
    madeCount_ = 0;
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
        std::uint32_t count = static_cast<std::uint32_t>(rules.size());
        FilterArchive archive(plugins, file_, true, count, file_.position());
        for (const Rule& rule : rules) archive.writeRule(rule);
        recordsAt_ = file_.position();
        // On the disk before the first move, with the folder entry that names it.
        file_.sync();
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
    record_.clear();
    appendJournalMove(record_, currentFolder_, folder, oldName, newName, id);
    appender_->append(record_.data(), record_.size());
    made_.push_back(false);
    syncing_->written();
    return made_.size() - 1;
}

void RunJournal::waitDurable(std::uint64_t record) {
    syncing_->waitSynced(record + 1);
}

void RunJournal::moveMade(std::uint64_t record, bool made) {
    if (record >= made_.size() || !made || made_[record]) return;
    made_[record] = true;
    ++madeCount_;
}

std::string RunJournal::finish(bool limitUndo, std::int32_t undoLimit, std::optional<RunCounts> counts) {
    if (!isOpen()) return std::string();
    syncing_.reset();
    appender_->finish();
    appender_.reset();
    file_.close();  // every record already reached the system: there is nothing to flush
    std::string registered;
    if (madeCount_ > 0) {
        // The moves that were made, as they are in the journal: a run of a million files is laid
        // out straight from the journal, a piece at a time, with no list of entries in between
        // and never the whole journal in memory. A first pass over the records tells whether any
        // needs the wide slots, the second writes.
        platform::File journal(path(), platform::File::Mode::Read);
        std::string headBytes(static_cast<std::size_t>(recordsAt_), '\0');
        headBytes.resize(journal.read(headBytes.data(), headBytes.size()));
        const auto head = readHead(headBytes);
        if (!head || head->recordsAt != recordsAt_)
            throw platform::FileError(platform::FileError::invalidFile, 0, path());
        const auto forEachMade = [&](auto made) {
            constexpr std::size_t kPiece = std::size_t{1} << 20;
            journal.seek(static_cast<std::int64_t>(recordsAt_), platform::File::SeekFrom::Begin);
            std::string piece, folder;
            std::size_t index = 0, used = 0;
            for (;;) {
                piece.erase(0, used);
                const std::size_t kept = piece.size();
                piece.resize(kept + kPiece);
                piece.resize(kept + journal.read(piece.data() + kept, kPiece));
                bool damaged = false;
                used = forEachMove(piece, 0, folder, damaged,
                                   [&](std::string_view folder, std::string_view oldName, std::string_view newName,
                                       const std::optional<platform::FileId>& id) {
                                       if (index < made_.size() && made_[index]) made(folder, newName, oldName, id);
                                       ++index;
                                   });
                if (damaged || piece.size() == kept) break;  // the end of the records
            }
        };
        bool wide = false;
        std::size_t count = 0;
        forEachMade([&](std::string_view folder, std::string_view newName, std::string_view oldName,
                        const std::optional<platform::FileId>&) {
            wide = wide || needsWideSlots(folder) || needsWideSlots(newName) || needsWideSlots(oldName);
            ++count;
        });
        writeDatabaseFile(paths_, name_, [&](platform::File& file) {
            UndoDatabaseLayout layout(count, wide);
            forEachMade([&](std::string_view folder, std::string_view newName, std::string_view oldName,
                            const std::optional<platform::FileId>& id) {
                layout.addEntry(folder, newName, oldName, id);
                layout.writeWhenFull(file);
            });
            layout.bytes() += head->ruleSection;
            layout.write(file);
        });
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
    made_.clear();
    madeCount_ = 0;
    return registered;
}

void RunJournal::abandon() noexcept {
    syncing_.reset();
    appender_.reset();
    file_.close();
    lock_.unlock();
}

}  // namespace core

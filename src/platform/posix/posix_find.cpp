// Directory listing for POSIX: the whole folder is read and sorted once, so the order is the
// same on every run and close to what NTFS shows; attributes are looked up only for the entries
// that match the pattern (a big folder's while it is still being read).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/posix/posix_errors.h"
#include "platform/search.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "platform/wildcard.h"

namespace platform {

namespace {

// The matching names of one listing, zero-terminated one after the other in one block, and where
// each starts with its attributes, in listing order: a folder of a hundred thousand files costs
// its names and eight bytes a name, not a string object each.
struct Listing {
    struct Entry {
        std::uint32_t start;
        std::uint32_t attributes;
        FileId id{};
    };
    std::string names;
    std::vector<Entry> order;
    std::size_t next = 0;
    std::string others;  // the entries not given, each name ending in a zero byte
    bool complete = false;
};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

std::optional<FileId> idOf(int fd) {
    FileId id;
    if (!identityAt(fd, "", AT_EMPTY_PATH, id)) return std::nullopt;
    return id;
}

}  // namespace

struct FindHandle::State {
    Listing listing;
    std::unique_ptr<Listing> folders;  // kept for takeFolders
};

void FindHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

struct FolderHandle::State {
    int fd = -1;
    std::optional<FileId> id;
    ~State() {
        if (fd >= 0) ::close(fd);
    }
};

void FolderHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

bool FolderHandle::open(const std::string& path, std::string& why) {
    close();
    const int fd = ::open(path.empty() ? "." : path.c_str(), kFolderFlags);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    state_.reset(new State{fd, idOf(fd)});
    return true;
}

bool FolderHandle::openChild(const FolderHandle& parent, const std::string& name, std::string& why) {
    close();
    // By its name in the open parent: the system never walks the whole path, however deep.
    const int fd = parent.state_ ? ::openat(parent.state_->fd, name.c_str(), kFolderFlags | O_NOFOLLOW) : -1;
    if (fd < 0) {
        why = std::strerror(parent.state_ ? errno : EBADF);
        return false;
    }
    state_.reset(new State{fd, idOf(fd)});
    return true;
}

bool FolderHandle::openParent(const FolderHandle& child, const FileId& expected, std::string& why) {
    close();
    const int fd = child.state_ ? ::openat(child.state_->fd, "..", kFolderFlags) : -1;
    if (fd < 0) {
        why = std::strerror(child.state_ ? errno : EBADF);
        return false;
    }
    std::unique_ptr<State, StateDeleter> state(new State{fd, idOf(fd)});
    if (!state->id || !(*state->id == expected)) {
        why = "the folder was moved while it was searched";
        return false;
    }
    state_ = std::move(state);
    return true;
}

std::optional<FileId> FolderHandle::id() const {
    return state_ ? state_->id : std::nullopt;
}

namespace {

// Appends the case-folded sort key of `name` to `keys`, in place, with no string of its own;
// names equal after folding keep their byte order as a tie-break. The key is the name with its
// letters folded to lower case, byte for byte as long as the name: a letter whose folded form has
// another length, and any byte that is not UTF-8, stays as it is.
void appendSortKey(std::string& keys, std::string_view name) {
    const std::size_t start = keys.size();
    keys.append(name);
    for (std::size_t pos = start; pos < keys.size();) {
        const unsigned char byte = static_cast<unsigned char>(keys[pos]);
        if (byte < 0x80) {
            if (byte >= 'A' && byte <= 'Z') keys[pos] = static_cast<char>(byte + 32);
            ++pos;
            continue;
        }
        const std::size_t length = utf8::sequenceLength(keys, pos);
        if (length == 0) {
            ++pos;
            continue;
        }
        std::size_t next = pos;
        std::string folded;
        utf8::append(folded, toLowerCodePoint(utf8::decode(keys, next)));
        if (folded.size() == length) keys.replace(pos, length, folded);
        pos = next;
    }
}

}  // namespace

namespace {

// An entry's attributes as looked at, or what kept them from being had: an entry that is gone
// since it was listed, or is not a file or folder, is skipped; a failed call keeps its errno.
constexpr std::uint32_t kSkipped = 0x80000000u;
constexpr std::uint32_t kFailed = 0x40000000u;  // | errno

// Gives the entry `name` (in `dir`) its attributes and identity.
void lookAt(int dirFd, const char* name, Listing::Entry& entry) {
    std::uint32_t& attributes = entry.attributes;
    // The entry's identity comes with the one call: what a run records of the file it moves.
    struct statx sx;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT,
                STATX_TYPE | STATX_MODE | STATX_INO | STATX_BTIME, &sx) != 0) {
        // A folder that may be read but not searched names its entries and no more.
        attributes = errno == ENOENT ? kSkipped : kFailed | static_cast<std::uint32_t>(errno);
        return;
    }
    entry.id = identityOf(sx);
    struct stat st;
    st.st_mode = sx.stx_mode;
    std::uint32_t link = 0;
    if (S_ISLNK(st.st_mode)) {
        // A link shows its target, as on Windows; a dangling one is skipped.
        if (::fstatat(dirFd, name, &st, 0) != 0) {
            attributes = kSkipped;
            return;
        }
        link = AttrLink;
    }
    // FIFOs, sockets and devices are not files to rename; opening one (to read a tag) could
    // wait for ever.
    attributes = S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ? attributesOfName(name, st.st_mode) | link : kSkipped;
}

// A big folder's entries are looked at from two threads (LookWhileReading): name lookups run side
// by side in the system.
constexpr std::size_t kEntriesForTwoThreads = 4096;

bool twoThreads() {
    static const bool many = std::thread::hardware_concurrency() > 1;
    return many;
}

// The entries of a listing as they are read, before they are looked at and sorted.
struct ReadEntries {
    std::string keys;  // sort keys, laid out as the names are
    std::vector<Listing::Entry> entries;
    void add(Listing& listing, std::string_view name) {
        entries.push_back(Listing::Entry{static_cast<std::uint32_t>(listing.names.size()), 0, {}});
        listing.names.append(name).push_back('\0');
        appendSortKey(keys, name);
        keys.push_back('\0');
    }
};

// Looks at a big folder's entries while the folder is still being read: reading is mostly the
// program's work, the status calls the system's, so on two cores the one hides the other. Once
// enough entries are read to be worth a thread, a second one looks at them a few at a time,
// following the reading; what is left when the reading ends is shared by both. The entries and
// their names stay where the reading puts them, with nothing copied: the second thread reaches
// them only through where they lie, told under the lock, and the reading moves them (when they
// outgrow their room) only under the lock.
class LookWhileReading {
public:
    explicit LookWhileReading(int dirFd) : dirFd_(dirFd) {}
    ~LookWhileReading() { stop(); }
    LookWhileReading(const LookWhileReading&) = delete;
    LookWhileReading& operator=(const LookWhileReading&) = delete;

    // Adds the entry read to `read` (and its name to `listing`), then tells the second thread,
    // started once enough entries are read, of what it may look at.
    void add(ReadEntries& read, Listing& listing, std::string_view name) {
        if (!thread_.joinable()) {
            read.add(listing, name);
            if (read.entries.size() >= kEntriesForTwoThreads && !failed_ && twoThreads()) start(read, listing);
            return;
        }
        const bool moves = read.entries.size() == read.entries.capacity() ||
                           listing.names.size() + name.size() + 1 > listing.names.capacity();
        if (moves) {
            const std::lock_guard<std::mutex> lock(mutex_);
            read.add(listing, name);
            place(read, listing);
        } else {
            read.add(listing, name);
        }
        if (read.entries.size() % kStep == 0) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                ready_ = read.entries.size();
            }
            more_.notify_one();
        }
    }
    // After the last entry read: looks at what is left beside the second thread, and once both are
    // done, every entry read has its attributes. False when the entries were not looked at here.
    bool finish(const ReadEntries& read) {
        if (!thread_.joinable()) return false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_ = read.entries.size();
            allRead_ = true;
        }
        more_.notify_one();
        std::string names;
        work(names);
        stop();
        return true;
    }

private:
    static constexpr std::size_t kStep = 32;  // entries taken at a time

    void start(ReadEntries& read, Listing& listing) {
        place(read, listing);
        ready_ = read.entries.size();
        try {
            thread_ = std::thread([this] {
                // Room for the longest names up front: the thread then never allocates, so never
                // fails once it has begun.
                std::string names;
                try {
                    names.reserve(kStep * (NAME_MAX + 1));
                } catch (const std::bad_alloc&) {
                    return;  // the reading thread looks at them all
                }
                work(names);
            });
        } catch (const std::system_error&) {
            failed_ = true;  // no thread to be had: the entries are looked at once read
        }
    }
    // Where the entries and their names lie now; under the lock once the thread runs.
    void place(ReadEntries& read, Listing& listing) {
        entries_ = read.entries.data();
        names_ = listing.names.data();
    }
    // Takes entries to look at, a few at a time, until none is left and none is to come.
    // `names` holds theirs, copied while the lock is held.
    void work(std::string& names) {
        std::array<Listing::Entry, kStep> looked;
        for (;;) {
            std::size_t from, to;
            names.clear();
            {
                std::unique_lock<std::mutex> lock(mutex_);
                more_.wait(lock, [&] { return taken_ < ready_ || allRead_ || stopped_; });
                if (stopped_ || taken_ == ready_) return;
                from = taken_;
                to = std::min(ready_, from + kStep);
                taken_ = to;
                for (std::size_t i = from; i < to; ++i) {
                    looked[i - from].start = static_cast<std::uint32_t>(names.size());
                    names.append(names_ + entries_[i].start).push_back('\0');
                }
            }
            for (std::size_t i = 0; i < to - from; ++i) lookAt(dirFd_, names.c_str() + looked[i].start, looked[i]);
            const std::lock_guard<std::mutex> lock(mutex_);
            for (std::size_t i = from; i < to; ++i) {
                entries_[i].attributes = looked[i - from].attributes;
                entries_[i].id = looked[i - from].id;
            }
        }
    }
    void stop() {
        if (!thread_.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!allRead_) stopped_ = true;  // the reading failed: what is left is not wanted
            allRead_ = true;
        }
        more_.notify_one();
        thread_.join();
    }

    const int dirFd_;
    std::thread thread_;
    bool failed_ = false;
    std::mutex mutex_;
    std::condition_variable more_;
    Listing::Entry* entries_ = nullptr;
    const char* names_ = nullptr;
    std::size_t ready_ = 0;  // entries read
    std::size_t taken_ = 0;  // entries taken to be looked at
    bool allRead_ = false, stopped_ = false;
};

bool finishListing(int dirFd, ReadEntries& read, bool directoriesOnly, Listing& listing, std::string& problem,
                   LookWhileReading& looking);

// The entry's type, where the file system gives it, spares a status call per file when only
// folders are wanted (links and unknown types are looked at as usual).
bool mayBeFolder(const dirent& entry) {
    return entry.d_type == DT_DIR || entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN;
}

// Reads the entries of `dir` that match `pattern` into `listing`, sorted. False, with the system's
// words in `problem`, when the folder could not be read to its end, or its entries could not be
// looked at. With `folders`, also what a listing of the folders alone would hold, from the same
// reading; it is reset when those could not all be looked at.
bool readListing(DIR* dir, const std::string& pattern, bool directoriesOnly, Listing& listing, std::string& problem,
                 std::unique_ptr<Listing>* folders = nullptr) {
    ReadEntries read, folderRead;
    if (folders) folders->reset(new Listing);
    const WildcardPattern matcher(pattern);
    const int dirFd = ::dirfd(dir);
    LookWhileReading looking(dirFd), lookingAtFolders(dirFd);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno == 0) break;
            problem = std::strerror(errno);
            return false;
        }
        const bool folderLike = mayBeFolder(*entry);
        if (directoriesOnly && !folderLike) continue;
        const std::string_view name = entry->d_name;
        if (folders && folderLike) lookingAtFolders.add(folderRead, **folders, name);
        if (!matcher.matches(name)) {
            if (name != "." && name != "..") listing.others.append(name).push_back('\0');
            continue;
        }
        looking.add(read, listing, name);
    }
    if (!finishListing(dirFd, read, directoriesOnly, listing, problem, looking)) return false;
    if (folders) {
        std::string folderProblem;
        if (!finishListing(dirFd, folderRead, true, **folders, folderProblem, lookingAtFolders)) folders->reset();
    }
    return true;
}

// Looks at the entries read (or has them looked at, with `looking`, as they were read), drops what
// is neither file nor folder (keeping its name) and what went away since, and sorts the rest into
// `listing`.
bool finishListing(int dirFd, ReadEntries& read, bool directoriesOnly, Listing& listing, std::string& problem,
                   LookWhileReading& looking) {
    std::vector<Listing::Entry>& entries = read.entries;
    const std::string& keys = read.keys;
    // Entries the second thread did not follow are looked at here, in the folder's own order, while
    // the system has them at hand: the same calls later, in name order, cost more for a big folder.
    if (!looking.finish(read)) {
        for (Listing::Entry& entry : entries) lookAt(dirFd, listing.names.c_str() + entry.start, entry);
    }
    for (const Listing::Entry& entry : entries) {
        if (entry.attributes & kFailed) {
            problem = std::strerror(static_cast<int>(entry.attributes & ~kFailed));
            return false;
        }
    }
    // What is neither file nor folder still holds its name; what went away since does not.
    for (const Listing::Entry& entry : entries) {
        if (entry.attributes != kSkipped) continue;
        const char* name = listing.names.c_str() + entry.start;
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) listing.others.append(name).push_back('\0');
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const Listing::Entry& entry) { return entry.attributes == kSkipped; }),
                  entries.end());
    // Case folding keeps UTF-8 lengths, so a name and its key start at the same offset. Both are
    // zero-terminated and hold no zero byte, so strcmp orders them by their bytes (as unsigned
    // char) without measuring them first.
    const char* const keyBlock = keys.c_str();
    const char* const nameBlock = listing.names.c_str();
    std::sort(entries.begin(), entries.end(), [&](const Listing::Entry& a, const Listing::Entry& b) {
        const int byKey = std::strcmp(keyBlock + a.start, keyBlock + b.start);
        return byKey != 0 ? byKey < 0 : std::strcmp(nameBlock + a.start, nameBlock + b.start) < 0;
    });
    listing.order = std::move(entries);
    listing.complete = !directoriesOnly;
    return true;
}

using DirCloser = std::unique_ptr<DIR, int (*)(DIR*)>;

}  // namespace

bool FindHandle::first(const std::string& pathWithPattern, FindData& out, bool directoriesOnly) {
    close();
    const auto slash = pathWithPattern.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : pathWithPattern.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? pathWithPattern : pathWithPattern.substr(slash + 1);
    if (pattern.empty()) return false;

    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    const DirCloser closer(dir, ::closedir);
    std::unique_ptr<State, StateDeleter> state(new State);
    std::string problem;
    if (!readListing(dir, pattern, directoriesOnly, state->listing, problem)) return false;
    state_ = std::move(state);
    return next(out);
}

bool FindHandle::first(const FolderHandle& folder, const std::string& pattern, FindData& out, bool directoriesOnly,
                       std::string& problem, bool keepFolders) {
    close();
    problem.clear();
    if (!folder.state_) {
        problem = std::strerror(EBADF);
        return false;
    }
    if (pattern.empty()) return false;
    // A descriptor of its own: the folder's stays where it is, for the sub-folders.
    const int fd = ::openat(folder.state_->fd, ".", kFolderFlags);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        problem = std::strerror(errno);
        ::close(fd);
        return false;
    }
    const DirCloser closer(dir, ::closedir);
    std::unique_ptr<State, StateDeleter> state(new State);
    if (!readListing(dir, pattern, directoriesOnly, state->listing, problem, keepFolders ? &state->folders : nullptr))
        return false;
    state_ = std::move(state);
    return next(out);
}

bool FindHandle::next(FindData& out) {
    if (!state_) return false;
    Listing& listing = state_->listing;
    if (listing.next == listing.order.size()) return false;
    const Listing::Entry& entry = listing.order[listing.next++];
    out.name = listing.names.c_str() + entry.start;
    out.attributes = entry.attributes;
    out.id = entry.id;
    return true;
}

bool FindHandle::takeFolders(FindHandle& folders) {
    if (!state_ || !state_->folders || state_->listing.next != state_->listing.order.size()) return false;
    std::unique_ptr<State, StateDeleter> kept(new State);
    kept->listing = std::move(*state_->folders);
    state_->folders.reset();
    folders.state_ = std::move(kept);
    return true;
}

bool FindHandle::otherNames(std::string& names) const {
    if (!state_ || !state_->listing.complete || state_->listing.next != state_->listing.order.size()) return false;
    names += state_->listing.others;
    return true;
}

bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each,
               std::string* problem) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (problem) *problem = std::strerror(errno);
        return false;
    }
    // Closed also when `each` throws (a preview stopped by its window, memory running out).
    const DirCloser closer(dir, ::closedir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") each(name);
    }
    if (errno != 0) {
        if (problem) *problem = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace platform

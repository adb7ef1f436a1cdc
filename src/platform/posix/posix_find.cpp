// Directory listing for POSIX: the whole folder is read and sorted once, so the order is the
// same on every run and close to what NTFS shows; attributes are looked up only for the entries
// that match the pattern, as they are read.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix/posix_errors.h"
#include "platform/search.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "platform/wildcard.h"

namespace platform {

struct FindHandle::State {
    DIR* dir = nullptr;
    // The matching names, zero-terminated one after the other in one block, and where each
    // starts with its attributes, in listing order: a folder of a hundred thousand files costs
    // its names and eight bytes a name, not a string object each.
    struct Entry {
        std::uint32_t start;
        std::uint32_t attributes;
    };
    std::string names;
    std::vector<Entry> order;
    std::size_t next = 0;
    ~State() {
        if (dir) ::closedir(dir);
    }
};

void FindHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
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

bool FindHandle::first(const std::string& pathWithPattern, FindData& out, bool directoriesOnly) {
    close();
    const auto slash = pathWithPattern.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : pathWithPattern.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? pathWithPattern : pathWithPattern.substr(slash + 1);
    if (pattern.empty()) return false;

    std::unique_ptr<State, StateDeleter> state(new State);
    state->dir = ::opendir(folder.c_str());
    if (!state->dir) return false;

    std::string keys;  // sort keys, laid out as the names are
    std::vector<State::Entry> entries;
    const WildcardPattern matcher(pattern);
    const int dirFd = ::dirfd(state->dir);
    while (const dirent* entry = ::readdir(state->dir)) {
        // The entry's type, where the file system gives it, spares a status call per file when
        // only folders are wanted (links and unknown types are looked at as usual).
        if (directoriesOnly && entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            continue;
        }
        const std::string_view name = entry->d_name;
        if (!matcher.matches(name)) continue;
        // The status now, in the folder's own order, while the system has the entry at hand: the
        // same call later, in name order, costs more for a big folder.
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished
        std::uint32_t link = 0;
        if (S_ISLNK(st.st_mode)) {
            // A link shows its target, as on Windows; a dangling one is skipped.
            if (::fstatat(dirFd, entry->d_name, &st, 0) != 0) continue;
            link = AttrLink;
        }
        // FIFOs, sockets and devices are not files to rename; opening one (to read a tag) could
        // wait for ever.
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
        const std::uint32_t start = static_cast<std::uint32_t>(state->names.size());
        state->names.append(name).push_back('\0');
        entries.push_back(State::Entry{start, attributesOfName(name, st.st_mode) | link});
        appendSortKey(keys, name);
        keys.push_back('\0');
    }
    // Case folding keeps UTF-8 lengths, so a name and its key start at the same offset. Both are
    // zero-terminated and hold no zero byte, so strcmp orders them by their bytes (as unsigned
    // char) without measuring them first.
    const char* const keyBlock = keys.c_str();
    const char* const nameBlock = state->names.c_str();
    std::sort(entries.begin(), entries.end(), [&](const State::Entry& a, const State::Entry& b) {
        const int byKey = std::strcmp(keyBlock + a.start, keyBlock + b.start);
        return byKey != 0 ? byKey < 0 : std::strcmp(nameBlock + a.start, nameBlock + b.start) < 0;
    });
    state->order = std::move(entries);
    state_ = std::move(state);
    return next(out);
}

bool FindHandle::next(FindData& out) {
    if (!state_ || state_->next == state_->order.size()) return false;
    const State::Entry& entry = state_->order[state_->next++];
    out.name = state_->names.c_str() + entry.start;
    out.attributes = entry.attributes;
    return true;
}

bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    // Closed also when `each` throws (a preview stopped by its window, memory running out).
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") each(name);
    }
    return true;
}

}  // namespace platform

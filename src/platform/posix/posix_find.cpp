// Directory listing for POSIX: the whole folder is read and sorted once, so the order is the
// same on every run and close to what NTFS shows; attributes are looked up only for the entries
// that match the pattern.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <locale.h>
#include <algorithm>
#include <cerrno>
#include <cwctype>

#include "platform/platform.h"
#include "platform/posix/posix_errors.h"
#include "platform/utf8.h"
#include "platform/wildcard.h"

namespace platform {

struct FindHandle::State {
    DIR* dir = nullptr;
    std::vector<std::string> names;  // sorted matches
    std::size_t next = 0;
    ~State() {
        if (dir)
            ::closedir(dir);
    }
};

FindHandle::FindHandle() = default;
FindHandle::~FindHandle() = default;

FindHandle::FindHandle(FindHandle&& other) noexcept : state_(std::move(other.state_)) {}

FindHandle& FindHandle::operator=(FindHandle&& other) noexcept {
    state_ = std::move(other.state_);
    return *this;
}

bool FindHandle::isOpen() const {
    return state_ != nullptr;
}

void FindHandle::close() noexcept {
    state_.reset();
}

namespace {

// Case-folded sort key; names equal after folding keep their byte order as a tie-break.
std::string sortKey(const std::string& name) {
    std::string key;
    key.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = utf8::decode(name, pos);
        utf8::append(key, c < 0x80 ? ((c >= 'A' && c <= 'Z') ? c + 32 : c) : toLowerCodePoint(c));
    }
    return key;
}

}  // namespace

bool FindHandle::first(const std::string& pathWithPattern, FindData& out) {
    close();
    const auto slash = pathWithPattern.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : pathWithPattern.substr(0, slash);
    const std::string pattern =
        slash == std::string::npos ? pathWithPattern : pathWithPattern.substr(slash + 1);
    if (pattern.empty())
        return false;

    auto state = std::make_unique<State>();
    state->dir = ::opendir(folder.c_str());
    if (!state->dir)
        return false;

    std::vector<std::pair<std::string, std::string>> keyed;  // (sort key, name)
    while (const dirent* entry = ::readdir(state->dir)) {
        std::string name = entry->d_name;
        if (wildcardMatch(pattern, name))
            keyed.emplace_back(sortKey(name), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());
    state->names.reserve(keyed.size());
    for (auto& [key, name] : keyed)
        state->names.push_back(std::move(name));
    state_ = std::move(state);
    return next(out);
}

bool FindHandle::next(FindData& out) {
    if (!state_)
        return false;
    const int dirFd = ::dirfd(state_->dir);
    while (state_->next < state_->names.size()) {
        std::string& name = state_->names[state_->next++];
        struct stat st;
        // Follow links, as Windows reports the target of a link; an entry that vanished since
        // the folder was read, or a dangling link, is skipped.
        if (::fstatat(dirFd, name.c_str(), &st, 0) != 0)
            continue;
        out.attributes = attributesOf(name, st.st_mode);
        out.name = std::move(name);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

namespace {

locale_t unicodeLocale() {
    // C.UTF-8 is built into current C libraries; its tables cover all of Unicode.
    static locale_t locale = [] {
        locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!l)
            l = ::newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
        return l;
    }();
    return locale;
}

}  // namespace

char32_t toLowerCodePoint(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    locale_t l = unicodeLocale();
    return l ? static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), l)) : c;
}

char32_t toUpperCodePoint(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    locale_t l = unicodeLocale();
    return l ? static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), l)) : c;
}

std::string legacyTextToUtf8(const std::string& bytes) {
    return utf8::fromLegacy(bytes);
}

}  // namespace platform

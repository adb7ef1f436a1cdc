// Win32 directory listing: the system's own order, and the pattern matched by our own matcher
// against each long name. Handing the pattern to the system would also match 8.3 short names
// ("*.mp3" picks "song.mp3x" through "SONG~1.MP3") and give other answers under Wine.
#include <windows.h>

#include <memory>

#include "platform/paths.h"
#include "platform/search.h"
#include "platform/wildcard.h"
#include "platform/win32/win32_util.h"

namespace platform {

struct FindHandle::State {
    explicit State(std::string_view pattern) : pattern(pattern) {}
    HANDLE handle = INVALID_HANDLE_VALUE;
    WildcardPattern pattern;
    ~State() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};

void FindHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

namespace {

void fill(const WIN32_FIND_DATAW& data, FindData& out) {
    out.name = win32::narrow(data.cFileName);
    out.attributes = data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                              FILE_ATTRIBUTE_DIRECTORY);
    // Links and junctions; other reparse points (cloud files, deduplicated files) are ordinary.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
        out.attributes |= AttrLink;
    }
}

}  // namespace

bool FindHandle::first(const std::string& pathWithPattern, FindData& out, bool directoriesOnly) {
    close();
    const std::size_t separator = pathWithPattern.find_last_of("\\/");
    const std::string_view pattern = separator == std::string::npos
                                         ? std::string_view(pathWithPattern)
                                         : std::string_view(pathWithPattern).substr(separator + 1);
    if (pattern.empty()) return false;
    const std::string folder =
        separator == std::string::npos ? std::string() : pathWithPattern.substr(0, separator + 1);
    WIN32_FIND_DATAW data;
    // Basic info skips the 8.3 short names; large fetches make big folders list faster.
    HANDLE h = FindFirstFileExW(win32::filePath(folder + "*").c_str(), FindExInfoBasic, &data,
                                directoriesOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<State, StateDeleter> state(new State(pattern));
    state->handle = h;
    do {
        fill(data, out);
        if (state->pattern.matches(out.name)) {
            state_ = std::move(state);
            return true;
        }
    } while (FindNextFileW(h, &data));
    return false;
}

bool FindHandle::next(FindData& out) {
    if (!state_) return false;
    WIN32_FIND_DATAW data;
    while (FindNextFileW(state_->handle, &data)) {
        fill(data, out);
        if (state_->pattern.matches(out.name)) return true;
    }
    return false;
}

bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(win32::filePath(withSeparator(folder) + "*").c_str(), FindExInfoBasic, &data,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    // Closed also when `each` throws (a preview stopped by its window, memory running out).
    const std::unique_ptr<void, decltype(&FindClose)> closer(h, FindClose);
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") each(win32::narrow(data.cFileName));
    } while (FindNextFileW(h, &data));
    return true;
}

}  // namespace platform

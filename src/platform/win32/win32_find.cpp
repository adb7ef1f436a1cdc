// Win32 directory listing: the system's own order, and the pattern matched by our own matcher
// against each long name. Handing the pattern to the system would also match 8.3 short names
// ("*.mp3" picks "song.mp3x" through "SONG~1.MP3") and give other answers under Wine.
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/paths.h"
#include "platform/search.h"
#include "platform/wildcard.h"
#include "platform/win32/win32_util.h"

namespace platform {

struct FindHandle::State {
    explicit State(std::string_view pattern) : pattern(pattern) {}
    HANDLE handle = INVALID_HANDLE_VALUE;
    WildcardPattern pattern;
    bool limited = false;   // to folders: other entries may not have been listed
    bool finished = false;  // listed to its end
    bool matched = false;   // gave at least one entry
    std::string others;     // the entries not given, each name ending in a zero byte
    bool keepFolders = false;
    bool fromFolders = false;  // gives `folders`, kept by another search, not the system's entries
    std::vector<FindData> folders;
    std::size_t nextFolder = 0;
    void passOver(const std::string& name) {
        if (name != "." && name != "..") others.append(name).push_back('\0');
    }
    void keep(const FindData& entry) {
        if (keepFolders && (entry.attributes & AttrDirectory)) folders.push_back(entry);
    }
    ~State() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};

void FindHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

// A folder here is its path: the wide functions reach any depth with the "\\?\" prefix.
struct FolderHandle::State {
    std::string path;
    std::optional<FileId> id;
};

void FolderHandle::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

bool FolderHandle::open(const std::string& path, std::string&) {
    // Whether it can be listed shows when it is.
    state_.reset(new State{path, fileId(path)});
    return true;
}

bool FolderHandle::openChild(const FolderHandle& parent, const std::string& name, std::string& why) {
    close();
    if (!parent.state_) {
        why = win32::systemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    const std::string path = withSeparator(parent.state_->path) + name;
    state_.reset(new State{path, fileId(path)});
    return true;
}

bool FolderHandle::openParent(const FolderHandle& child, const FileId& expected, std::string& why) {
    close();
    if (!child.state_) {
        why = win32::systemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    const std::string& path = child.state_->path;
    const auto cut = path.find_last_of("\\/");
    // A drive's root keeps its separator: "C:" alone is the drive's current folder.
    std::string parent = cut == std::string::npos     ? path
                         : cut == 2 && path[1] == ':' ? path.substr(0, cut + 1)
                                                      : path.substr(0, cut);
    std::optional<FileId> id = fileId(parent);
    if (!id || !(*id == expected)) {
        why = "the folder was moved while it was searched";
        return false;
    }
    state_.reset(new State{std::move(parent), id});
    return true;
}

std::optional<FileId> FolderHandle::id() const {
    return state_ ? state_->id : std::nullopt;
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
    return start(pathWithPattern, out, directoriesOnly, false);
}

bool FindHandle::start(const std::string& pathWithPattern, FindData& out, bool directoriesOnly, bool keepFolders) {
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
    state->limited = directoriesOnly;
    state->keepFolders = keepFolders;
    do {
        fill(data, out);
        state->keep(out);
        if (state->pattern.matches(out.name)) {
            state->matched = true;
            state_ = std::move(state);
            return true;
        }
        state->passOver(out.name);
    } while (FindNextFileW(h, &data));
    // No match, but the folders are kept all the same. The caller asks for the last error.
    const DWORD error = GetLastError();
    if (keepFolders) {
        state->finished = error == ERROR_NO_MORE_FILES;
        state_ = std::move(state);
    }
    SetLastError(error);
    return false;
}

bool FindHandle::first(const FolderHandle& folder, const std::string& pattern, FindData& out, bool directoriesOnly,
                       std::string& problem, bool keepFolders) {
    close();
    problem.clear();
    if (!folder.state_) {
        problem = win32::systemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    if (start(withSeparator(folder.state_->path) + pattern, out, directoriesOnly, keepFolders)) return true;
    const DWORD error = GetLastError();
    // A folder with no match answers "file not found"; anything else means it was not listed.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) problem = win32::systemMessage(error);
    return false;
}

bool FindHandle::next(FindData& out) {
    if (!state_) return false;
    if (state_->fromFolders) {
        if (state_->nextFolder == state_->folders.size()) return false;
        out = state_->folders[state_->nextFolder++];
        return true;
    }
    if (state_->finished) return false;
    WIN32_FIND_DATAW data;
    while (FindNextFileW(state_->handle, &data)) {
        fill(data, out);
        state_->keep(out);
        if (state_->pattern.matches(out.name)) return true;
        state_->passOver(out.name);
    }
    state_->finished = GetLastError() == ERROR_NO_MORE_FILES;
    return false;
}

bool FindHandle::otherNames(std::string& names) const {
    // A folder with no match at all keeps no search: no file of it is asked about.
    if (!state_ || !state_->finished || state_->limited || !state_->matched) return false;
    names += state_->others;
    return true;
}

bool FindHandle::takeFolders(FindHandle& folders) {
    if (!state_ || !state_->keepFolders || !state_->finished) return false;
    std::unique_ptr<State, StateDeleter> kept(new State("*"));
    kept->fromFolders = true;
    kept->folders = std::move(state_->folders);
    folders.state_ = std::move(kept);
    return true;
}

bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each,
               std::string* problem) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(win32::filePath(withSeparator(folder) + "*").c_str(), FindExInfoBasic, &data,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root holds not even "." and "..": listed, with nothing in it.
        if (error == ERROR_FILE_NOT_FOUND) return true;
        if (problem) *problem = win32::systemMessage(error);
        return false;
    }
    // Closed also when `each` throws (a preview stopped by its window, memory running out).
    const std::unique_ptr<void, decltype(&FindClose)> closer(h, FindClose);
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") each(win32::narrow(data.cFileName));
    } while (FindNextFileW(h, &data));
    return true;
}

}  // namespace platform

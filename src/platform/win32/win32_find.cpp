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

namespace {

std::uint32_t attributesOf(DWORD attributes, DWORD reparseTag) {
    std::uint32_t kept = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_DIRECTORY);
    // Links and junctions; other reparse points (cloud files, deduplicated files) are ordinary.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (reparseTag == IO_REPARSE_TAG_SYMLINK || reparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
        kept |= AttrLink;
    }
    return kept;
}

void fill(const WIN32_FIND_DATAW& data, FindData& out) {
    out.name = win32::narrow(data.cFileName);
    out.attributes = attributesOf(data.dwFileAttributes, data.dwReserved0);
}

// Reads a folder's entries through a handle to it, many entries a call, as FindFirstFileExW with
// FindExInfoBasic reads them (its reparse tag is the entry's EaSize then): under Wine each
// FindNextFileW is a trip of its own into the system, which costs more than an entry's share of a
// buffered read.
class FolderReader {
public:
    FolderReader() = default;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    ~FolderReader() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    // Opens `folder` (ending with its separator; empty for the current folder) and reads its first
    // entries. False when either cannot be done: the caller reads it as FindFirstFileExW does,
    // with its answers and its failures.
    bool open(const std::string& folder) {
        handle_ = CreateFileW(win32::filePath(folder.empty() ? std::string(".") : folder).c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        return handle_ != INVALID_HANDLE_VALUE && fetch(FileFullDirectoryRestartInfo);
    }
    // The next entry; false at the end (ERROR_NO_MORE_FILES) or on a failure, as GetLastError tells.
    bool next(FindData& out) {
        if (!at_ && !fetch(FileFullDirectoryInfo)) return false;
        const std::wstring_view name(at_->FileName, at_->FileNameLength / sizeof(wchar_t));
        out.name = win32::narrow(name);
        out.attributes = attributesOf(at_->FileAttributes, at_->EaSize);
        at_ =
            at_->NextEntryOffset
                ? reinterpret_cast<const FILE_FULL_DIR_INFO*>(reinterpret_cast<const char*>(at_) + at_->NextEntryOffset)
                : nullptr;
        return true;
    }

private:
    static constexpr DWORD kBufferBytes = 64 * 1024;
    bool fetch(FILE_INFO_BY_HANDLE_CLASS kind) {
        at_ = nullptr;
        if (!GetFileInformationByHandleEx(handle_, kind, buffer_.get(), kBufferBytes)) return false;
        at_ = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer_.get());
        return true;
    }
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<LONGLONG[]> buffer_{
        new LONGLONG[kBufferBytes / sizeof(LONGLONG)]};  // aligned as the entries must be
    const FILE_FULL_DIR_INFO* at_ = nullptr;
};

// A folder read one way or the other, entry by entry in the system's order.
class FolderEntries {
public:
    FolderEntries() = default;
    FolderEntries(const FolderEntries&) = delete;
    FolderEntries& operator=(const FolderEntries&) = delete;
    ~FolderEntries() {
        if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    }
    // False when the folder cannot be read, as GetLastError tells.
    bool open(const std::string& folder, bool directoriesOnly) {
        auto reader = std::make_unique<FolderReader>();
        if (reader->open(folder)) {
            reader_ = std::move(reader);
            return true;
        }
        WIN32_FIND_DATAW data;
        // Basic info skips the 8.3 short names; large fetches make big folders list faster.
        find_ = FindFirstFileExW(win32::filePath(folder + "*").c_str(), FindExInfoBasic, &data,
                                 directoriesOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
        if (find_ == INVALID_HANDLE_VALUE) return false;
        fill(data, pending_);
        hasPending_ = true;
        return true;
    }
    // False at the end (ERROR_NO_MORE_FILES) or on a failure, as GetLastError tells.
    bool next(FindData& out) {
        if (hasPending_) {
            hasPending_ = false;
            out = std::move(pending_);
            return true;
        }
        if (reader_) return reader_->next(out);
        WIN32_FIND_DATAW data;
        if (!FindNextFileW(find_, &data)) return false;
        fill(data, out);
        return true;
    }

private:
    std::unique_ptr<FolderReader> reader_;
    HANDLE find_ = INVALID_HANDLE_VALUE;
    FindData pending_{};
    bool hasPending_ = false;
};

}  // namespace

struct FindHandle::State {
    explicit State(std::string_view pattern) : pattern(pattern) {}
    FolderEntries entries;
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
    std::unique_ptr<State, StateDeleter> state(new State(pattern));
    if (!state->entries.open(folder, directoriesOnly)) return false;
    state->limited = directoriesOnly;
    state->keepFolders = keepFolders;
    while (state->entries.next(out)) {
        state->keep(out);
        if (state->pattern.matches(out.name)) {
            state->matched = true;
            state_ = std::move(state);
            return true;
        }
        state->passOver(out.name);
    }
    // No match, but the folders are kept all the same. The caller asks for the last error.
    const DWORD error = GetLastError();
    if (keepFolders) {
        state->finished = error == ERROR_NO_MORE_FILES;
        state_ = std::move(state);
    }
    state.reset();  // closing the folder may touch the last error
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
    while (state_->entries.next(out)) {
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
    FolderEntries entries;
    if (!entries.open(withSeparator(folder), false)) {
        const DWORD error = GetLastError();
        // An empty drive root holds not even "." and "..": listed, with nothing in it.
        if (error == ERROR_FILE_NOT_FOUND) return true;
        if (problem) *problem = win32::systemMessage(error);
        return false;
    }
    // Closed also when `each` throws (a preview stopped by its window, memory running out).
    FindData entry;
    while (entries.next(entry)) {
        if (entry.name != "." && entry.name != "..") each(entry.name);
    }
    return true;
}

}  // namespace platform

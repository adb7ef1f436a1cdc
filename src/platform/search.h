// Directory listing with a wildcard pattern.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

// A folder held open for a walk of a folder tree: it is listed, and its sub-folders are opened,
// through it. On POSIX it is a descriptor and a sub-folder is opened by its name in its parent
// (openat with O_DIRECTORY | O_NOFOLLOW), so a folder at any depth is reached however long its
// whole path is, and never through a link. On Windows it is the folder's path (the wide
// functions take long paths there).
class FolderHandle {
public:
    FolderHandle();
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;

    // Opens the folder at `path` (a link to a folder is followed: it is the folder asked for).
    // False, with the system's words in `why`, when it cannot be opened.
    bool open(const std::string& path, std::string& why);
    // Opens the sub-folder `name` of the open folder `parent`; false with `why` when it cannot be
    // opened, or is no longer a folder (a link put in its place is refused).
    bool openChild(const FolderHandle& parent, const std::string& name, std::string& why);
    // Opens again the folder that holds the open folder `child`, which must be the folder known
    // as `expected`: false with `why` when it is not (the tree was moved meanwhile).
    bool openParent(const FolderHandle& child, const FileId& expected, std::string& why);
    // The folder's identity, taken when it was opened; nothing when it could not be had.
    std::optional<FileId> id() const;
    bool isOpen() const;
    // Gives back what the system holds for the folder.
    void close() noexcept;

private:
    friend class FindHandle;
    struct State;
    struct StateDeleter {
        void operator()(State* state) const noexcept;
    };
    std::unique_ptr<State, StateDeleter> state_;
};

struct FindData {
    std::string name;          // the entry's name within its folder
    std::uint32_t attributes;  // Attribute bits
    // The entry's own identity (a link's, not its target's) as the listing found it; all zero
    // where the listing does not tell it (Windows).
    FileId id{};
};

// One search: first() with "folder<sep>pattern", then next() until it answers false. Patterns are
// matched by WildcardPattern (wildcard.h) against long names alone, in every build. Entries come in the
// platform's own order; on POSIX that is by name ignoring case, then by exact bytes, as NTFS and
// Wine list them, so repeated runs see the same order. "." and ".." are listed as on Windows.
// Only files and folders are listed: on POSIX a FIFO, socket or device (or a link to one, or a
// dangling link) is left out, as Windows folders never hold them, so nothing ever opens one.
class FindHandle {
public:
    FindHandle();
    ~FindHandle();
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    FindHandle(FindHandle&& other) noexcept;
    FindHandle& operator=(FindHandle&& other) noexcept;

    // directoriesOnly: the caller wants folders alone, so the platform may skip other entries
    // cheaply (it still may list them; callers filter by the attributes in any case).
    bool first(const std::string& pathWithPattern, FindData& out, bool directoriesOnly = false);
    // The same in an open folder, matching `pattern` against the names in it. When the folder
    // cannot be listed (it went away, it cannot be read), `problem` gets the system's words; it
    // is left empty when the folder merely holds no match.
    // keepFolders: the search also keeps the folders the folder holds, matched or not, for
    // takeFolders; a walk into sub-folders then reads each folder once, where a search limited to
    // folders would read it again (Windows reads a whole folder for either).
    bool first(const FolderHandle& folder, const std::string& pattern, FindData& out, bool directoriesOnly,
               std::string& problem, bool keepFolders = false);
    bool next(FindData& out);
    // Once next() has answered false after a first() that kept folders: makes `folders` a search
    // that gives what a search of the same folder limited to folders would (its own order, with
    // links, system folders, "." and ".." as it would have them: callers filter by the
    // attributes). False when it cannot (the listing did not reach its end, or a folder in it
    // could not be looked at); the caller then searches again.
    bool takeFolders(FindHandle& folders);
    // Once next() has answered false: appends to `names`, each followed by a zero byte, the name of
    // every entry the folder held that this search did not give (those the pattern does not
    // match, and on POSIX what is neither file nor folder), not "." and "..". False, and nothing
    // appended, when the search cannot tell them all (it did not list the folder to its end).
    bool otherNames(std::string& names) const;
    void close() noexcept;
    bool isOpen() const;

private:
    bool start(const std::string& pathWithPattern, FindData& out, bool directoriesOnly, bool keepFolders);
    // The backend's search state; only the backend knows its layout, so it also frees it.
    struct State;
    struct StateDeleter {
        void operator()(State* state) const noexcept;
    };
    std::unique_ptr<State, StateDeleter> state_;
};

// Calls `each` with the name of every entry of `folder` (files, folders, hidden ones alike; not
// "." and ".."), in no particular order and with no status call per entry: the cheapest way to
// learn which names a folder holds. False when the folder cannot be listed, with the system's
// words in `problem` when given.
bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each,
               std::string* problem = nullptr);

}  // namespace platform

// Directory listing with a wildcard pattern.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

struct FindData {
    std::string name;          // the entry's name within its folder
    std::uint32_t attributes;  // Attribute bits
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
    bool next(FindData& out);
    void close() noexcept;
    bool isOpen() const;

private:
    // The backend's search state; only the backend knows its layout, so it also frees it.
    struct State;
    struct StateDeleter {
        void operator()(State* state) const noexcept;
    };
    std::unique_ptr<State, StateDeleter> state_;
};

// Calls `each` with the name of every entry of `folder` (files, folders, hidden ones alike; not
// "." and ".."), in no particular order and with no status call per entry: the cheapest way to
// learn which names a folder holds. False when the folder cannot be listed.
bool listNames(const std::string& folder, const std::function<void(std::string_view name)>& each);

}  // namespace platform

// Win32 file lock: an exclusive LockFileEx on one byte far past the end of the file, so that the
// lock never stands in the way of reading or writing the file's content through other handles.
#include <windows.h>

#include <cwchar>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/win32/win32_util.h"

namespace platform {
namespace {

OVERLAPPED lockedByte() {
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

}  // namespace

bool FileLock::attempt(const std::string& path, bool folder) {
    if (folder) {
        // A folder takes no byte lock, and a handle that shared less would stop the renames in it.
        // The name of an object exists while some process holds it, and goes with the process.
        // The global namespace is seen by every session on the machine, whoever runs the copy:
        // a mutex there needs no privilege to create, and another user's shows as access denied.
        const auto id = fileId(path);
        if (!id) win32::throwError(GetLastError(), path);
        wchar_t name[96];
        swprintf(name, 96, L"Global\\calderwynstrope-folder-%016llx-%016llx-%016llx",
                 static_cast<unsigned long long>(id->volume), static_cast<unsigned long long>(id->index),
                 static_cast<unsigned long long>(id->stamp));
        HANDLE h = CreateMutexW(nullptr, FALSE, name);
        if (!h) {
            const DWORD error = GetLastError();
            if (error == ERROR_ACCESS_DENIED) return false;
            win32::throwError(error, path);
        }
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(h);
            return false;
        }
        handle_ = reinterpret_cast<std::intptr_t>(h);
        folder_ = true;
        return true;
    }
    // Every sharing mode, so the lock file can be the very file its owner is writing.
    HANDLE h =
        CreateFileW(win32::filePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return false;  // opened by someone who shares nothing
        win32::throwError(error, path);
    }
    OVERLAPPED at = lockedByte();
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return false;
        win32::throwError(error, path);
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

void FileLock::unlock() noexcept {
    if (isLocked()) {
        HANDLE h = reinterpret_cast<HANDLE>(handle_);
        OVERLAPPED at = lockedByte();
        if (!folder_) UnlockFileEx(h, 0, 1, 0, &at);  // at once, rather than whenever the system closes it
        CloseHandle(h);
    }
    handle_ = kInvalid;
    folder_ = false;
}

}  // namespace platform

#include "platform/win32/win32_util.h"

namespace platform::win32 {

std::wstring filePath(const std::string& path) {
    std::wstring wide = widen(path);
    // Below this length every Win32 call takes the path as it is.
    if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    // "\\?\" turns off the normalisation of the path, so normalise it first.
    DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    DWORD got = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (got == 0 || got >= needed) return wide;
    full.resize(got);
    for (auto& c : full) {
        if (c == L'/') c = L'\\';
    }
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 2 && full[1] == L':') return L"\\\\?\\" + full;
    return wide;
}

std::string systemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n != 0 && buffer) {
        text = narrow(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
    }
    if (buffer) LocalFree(buffer);
    return text;
}

int causeFromWin32(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return FileError::fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return FileError::badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return FileError::tooManyOpenFiles;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileError::fileExists;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_CANNOT_MAKE:
            return FileError::accessDenied;
        case ERROR_INVALID_HANDLE:
            return FileError::invalidFile;
        case ERROR_CURRENT_DIRECTORY:
            return FileError::removeCurrentDir;
        case ERROR_NO_MORE_FILES:
            return FileError::directoryFull;
        case ERROR_NEGATIVE_SEEK:
        case ERROR_SEEK_ON_DEVICE:
            return FileError::badSeek;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
            return FileError::hardIO;
        case ERROR_SHARING_VIOLATION:
        case ERROR_SHARING_BUFFER_EXCEEDED:
            return FileError::sharingViolation;
        case ERROR_LOCK_VIOLATION:
        case ERROR_DRIVE_LOCKED:
            return FileError::lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileError::diskFull;
        case ERROR_HANDLE_EOF:
            return FileError::endOfFile;
        default:
            return FileError::genericException;
    }
}

void throwError(DWORD error, const std::string& path) {
    throw FileError(causeFromWin32(error), static_cast<long>(error), path, systemMessage(error));
}

void throwLastError(const std::string& path) {
    throwError(GetLastError(), path);
}

}  // namespace platform::win32

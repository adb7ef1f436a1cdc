// Win32 file object, file status and moves. Only wide functions.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/case_fold.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace platform {

using win32::filePath;
using win32::narrow;
using win32::throwError;
using win32::throwLastError;
using win32::widen;

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

void File::open(const std::string& path, Mode mode) {
    close();
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
    switch (mode) {
        case Mode::Read:
            break;
        case Mode::CreateWrite:
            access = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case Mode::CreateReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case Mode::ReadWriteExclusive:
            access = GENERIC_READ | GENERIC_WRITE;
            share = 0;
            disposition = OPEN_ALWAYS;
            break;
    }
    HANDLE h = CreateFileW(filePath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throwLastError(path);
    handle_ = reinterpret_cast<std::intptr_t>(h);
    path_ = path;
}

std::size_t File::read(void* buffer, std::size_t count) {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handleOf(handle_), out + done, chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            throwError(error, path_);
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

void File::write(const void* buffer, std::size_t count) {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(handleOf(handle_), in + done, chunk, &put, nullptr)) {
            throwLastError(path_);
        }
        if (put == 0) throwError(ERROR_DISK_FULL, path_);
        done += put;
    }
}

std::uint64_t File::seek(std::int64_t offset, SeekFrom from) {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    const DWORD method = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(handle_), distance, &result, method)) {
        const DWORD error = GetLastError();
        throw FileError(FileError::badSeek, static_cast<long>(error), path_, win32::systemMessage(error));
    }
    return static_cast<std::uint64_t>(result.QuadPart);
}

std::uint64_t File::position() const {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    LARGE_INTEGER zero, result;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handleOf(handle_), zero, &result, FILE_CURRENT)) throwLastError(path_);
    return static_cast<std::uint64_t>(result.QuadPart);
}

std::uint64_t File::length() const {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handleOf(handle_), &size)) throwLastError(path_);
    return static_cast<std::uint64_t>(size.QuadPart);
}

void File::setLength(std::uint64_t length) {
    const std::uint64_t was = position();
    seek(static_cast<std::int64_t>(length), SeekFrom::Begin);
    if (!SetEndOfFile(handleOf(handle_))) throwLastError(path_);
    seek(static_cast<std::int64_t>(std::min(was, length)), SeekFrom::Begin);
}

void File::sync() {
    if (!isOpen()) throwError(ERROR_INVALID_HANDLE, path_);
    if (!FlushFileBuffers(handleOf(handle_))) throwLastError(path_);
}

void File::close() noexcept {
    if (isOpen()) CloseHandle(handleOf(handle_));
    handle_ = kInvalid;
    openedLength_ = kUnknownLength;
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr DWORD kAttributeMask =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

std::time_t toTimeT(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    // 100-nanosecond ticks since 1601 to seconds since 1970.
    return static_cast<std::time_t>((value.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

std::size_t lastSeparator(const std::string& path) {
    return path.find_last_of("\\/");
}

std::string lastComponent(const std::string& path) {
    const auto at = lastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string parentOf(const std::string& path) {
    const auto at = lastSeparator(path);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

// The fold the preview compares names by, so that what it calls a change of case alone is one.
bool sameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return platform::equalIgnoringCase(std::u16string_view(reinterpret_cast<const char16_t*>(a.data()), a.size()),
                                       std::u16string_view(reinterpret_cast<const char16_t*>(b.data()), b.size()));
}

// The name the file system holds for a path, with its real letter case.
std::wstring storedName(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return std::wstring();
    FindClose(h);
    return data.cFileName;
}

// Some file systems (and Wine) report success for a case-only rename without changing anything.
// Going through a free temporary name in the same folder always works.
void changeCaseThroughTemporary(const std::string& to, const std::wstring& wideTo, const std::wstring& wideFrom) {
    const std::string folder = parentOf(to);
    std::wstring temporary;
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t suffix[40];
        wsprintfW(suffix, L"~cw%08lx%04x.tmp", GetTickCount() ^ GetCurrentProcessId(), attempt);
        temporary = filePath(folder + narrow(suffix));
        if (MoveFileExW(wideTo.c_str(), temporary.c_str(), 0)) break;
        const DWORD error = GetLastError();
        if ((error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) || attempt > 1000) {
            throwError(error, to);
        }
    }
    if (!MoveFileExW(temporary.c_str(), wideTo.c_str(), 0)) {
        const DWORD error = GetLastError();
        // Never leave the file under the temporary name if its old name can be had back.
        MoveFileExW(temporary.c_str(), wideFrom.c_str(), 0);
        throwError(error, to);
    }
}

}  // namespace

std::optional<FileStatus> fileStatus(const std::string& path) {
    if (path.empty()) return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(filePath(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    FileStatus status;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.creationTime = toTimeT(data.ftCreationTime);
    status.attributes = data.dwFileAttributes & kAttributeMask;
    return status;
}

bool fileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(filePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool namesIgnoreCase(const std::string&) {
    return true;
}

namespace {

// The identity of an open file or folder. Sets the last error and gives nothing on failure.
std::optional<FileId> identityOfHandle(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
    // NTFS's index holds a sequence number, which changes when the index is given to another file,
    // and its volume serial stays when a disk comes back: no birth stamp is needed there. ReFS
    // numbers its files with 128 bits and the index above is only the lower half; the upper half
    // then goes where a birth stamp would, so that two of its files are never taken for one.
    FileId id{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    FILE_ID_INFO full;
    if (GetFileInformationByHandleEx(h, FileIdInfo, &full, sizeof full)) {
        std::uint64_t low, high;
        std::memcpy(&low, full.FileId.Identifier, sizeof low);
        std::memcpy(&high, full.FileId.Identifier + sizeof low, sizeof high);
        if (high != 0) id = FileId{info.dwVolumeSerialNumber, low, high};
    }
    return id;
}

// The identity of what `path` names; `flags` add FILE_FLAG_OPEN_REPARSE_POINT to ask about a link
// itself. Sets the last error and gives nothing on failure.
std::optional<FileId> identityOf(const std::string& path, DWORD flags) {
    if (path.empty()) return std::nullopt;
    // Backup semantics open folders too; no access right is needed to ask for the identity, and
    // every sharing mode is granted so that nobody else's open or move is disturbed.
    HANDLE h = CreateFileW(filePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto id = identityOfHandle(h);
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (!id) SetLastError(error);
    return id;
}

// Opens the entry `name` in the open folder `folder` (the entry itself, never what a link leads
// to), with every sharing mode so that nobody else's open is disturbed. Gives the Win32 error.
DWORD openInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, HANDLE& file) {
    // A name that could reach out of the folder is never one the search found.
    if (name.empty() || name.size() > 32767 || name.find_first_of(L"\\/") != std::wstring::npos) {
        return ERROR_INVALID_NAME;
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io;
    const NTSTATUS status =
        NtCreateFile(&file, access | SYNCHRONIZE, &attributes, &io, nullptr, 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                     FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return status == 0 ? ERROR_SUCCESS : RtlNtStatusToDosError(status);
}

// Gives the open file `file` the name `name` in the open folder `folder`, never replacing
// another file. Gives the Win32 error.
DWORD renameInFolder(HANDLE file, HANDLE folder, const std::wstring& name) {
    const std::size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes + sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<ULONG>(nameBytes);
    std::memcpy(rename->FileName, name.data(), nameBytes);
    IO_STATUS_BLOCK io;
    const NTSTATUS status =
        NtSetInformationFile(file, &io, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    return status == 0 ? ERROR_SUCCESS : RtlNtStatusToDosError(status);
}

}  // namespace

std::optional<FileId> fileId(const std::string& path) {
    return identityOf(path, 0);
}

std::optional<FileId> entryId(const std::string& path) {
    return identityOf(path, FILE_FLAG_OPEN_REPARSE_POINT);
}

void moveFile(const std::string& from, const std::string& to) {
    const std::string toName = lastComponent(to);
    if (!isValidFileName(toName)) throwError(ERROR_INVALID_NAME, to);
    const std::wstring wideFrom = filePath(from), wideTo = filePath(to);
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0)) {
        // A taken name is the new name's fault: the message names it, as POSIX does.
        const DWORD error = GetLastError();
        throwError(error, error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? to : from);
    }

    const std::wstring wideName = widen(toName), wideOldName = widen(lastComponent(from));
    if (wideName != wideOldName && sameIgnoringCase(wideName, wideOldName) &&
        sameIgnoringCase(widen(parentOf(from)), widen(parentOf(to))) && storedName(wideTo) != wideName) {
        changeCaseThroughTemporary(to, wideTo, wideFrom);
    }
}

void moveFileAnyName(const std::string& from, const std::string& to) {
    moveFile(from, to);
}

// Each record is one write: the file system caches it as soon as the call returns.
RecordAppender::RecordAppender(File& file) : file_(file) {}

RecordAppender::~RecordAppender() = default;

void RecordAppender::append(const void* bytes, std::size_t count) {
    if (finished_) throwError(ERROR_INVALID_HANDLE, file_.path());
    file_.write(bytes, count);
}

void RecordAppender::finish() {
    finished_ = true;
}

MoveFolder::MoveFolder(const std::string& folder, std::optional<FileId> expected) : path_(withSeparator(folder)) {
    // Without the folder open the moves still work, by their whole paths.
    HANDLE h = CreateFileW(filePath(path_).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<std::intptr_t>(h);
    if (!expected) return;
    // Opened by its path, it may be another folder than the one listed: one moved in its place, or
    // a junction to one. Every move then goes through this handle, so the check holds for all.
    const auto id = h != INVALID_HANDLE_VALUE ? identityOfHandle(h) : std::nullopt;
    replaced_ = !id || !(*id == *expected);
}

void MoveFolder::checkSame() const {
    if (replaced_) throw FileError(FileError::genericException, ERROR_PATH_NOT_FOUND, path_, kFolderReplaced);
}

MoveFolder::~MoveFolder() {
    if (handle_ != -1) CloseHandle(handleOf(handle_));
}

void MoveFolder::moveFile(const std::string& oldName, const std::string& newName) const {
    checkSame();
    if (handle_ == -1) return platform::moveFile(path_ + oldName, path_ + newName);
    if (!isValidFileName(newName)) throwError(ERROR_INVALID_NAME, path_ + newName);
    const HANDLE folder = handleOf(handle_);
    const std::wstring wideOld = widen(oldName), wideNew = widen(newName);
    HANDLE file;
    if (const DWORD error = openInFolder(folder, wideOld, DELETE | FILE_READ_ATTRIBUTES, file)) {
        throwError(error, path_ + oldName);
    }
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{file};
    if (const DWORD error = renameInFolder(file, folder, wideNew)) {
        // A taken name is the new name's fault: the message names it, as POSIX does.
        throwError(error,
                   error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? path_ + newName : path_ + oldName);
    }
    if (wideNew == wideOld || !sameIgnoringCase(wideNew, wideOld) || storedName(filePath(path_ + newName)) == wideNew) {
        return;
    }
    // Some file systems (and Wine) report success for a case-only rename without changing anything.
    // A free temporary name in between always works.
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t suffix[40];
        wsprintfW(suffix, L"~cw%08lx%04x.tmp", GetTickCount() ^ GetCurrentProcessId(), attempt);
        const DWORD error = renameInFolder(file, folder, suffix);
        if (error == ERROR_SUCCESS) break;
        if ((error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) || attempt > 1000) {
            throwError(error, path_ + newName);
        }
    }
    if (const DWORD error = renameInFolder(file, folder, wideNew)) {
        // Never leave the file under the temporary name if its old name can be had back.
        renameInFolder(file, folder, wideOld);
        throwError(error, path_ + newName);
    }
}

void MoveFolder::moveFileInto(const std::string& oldName, const MoveFolder& target, const std::string& newName) const {
    // Both folders are checked against the handles opened when they were found (or made); the
    // move then goes by whole paths, without replacing anything, as a move between two folders
    // has no case to change.
    checkSame();
    target.checkSame();
    if (!isValidFileName(newName)) throwError(ERROR_INVALID_NAME, target.path_ + newName);
    const std::string from = path_ + oldName, to = target.path_ + newName;
    if (!MoveFileExW(filePath(from).c_str(), filePath(to).c_str(), 0)) {
        const DWORD error = GetLastError();
        throwError(error, error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? to : from);
    }
}

FileId MoveFolder::entryId(const std::string& name) const {
    checkSame();
    if (handle_ == -1) {
        const auto id = identityOf(path_ + name, FILE_FLAG_OPEN_REPARSE_POINT);
        if (!id) throwLastError(path_ + name);
        return *id;
    }
    HANDLE file;
    if (const DWORD error = openInFolder(handleOf(handle_), widen(name), FILE_READ_ATTRIBUTES, file)) {
        throwError(error, path_ + name);
    }
    const auto id = identityOfHandle(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!id) throwError(error, path_ + name);
    return *id;
}

void replaceFile(const std::string& from, const std::string& to) {
    if (!MoveFileExW(filePath(from).c_str(), filePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throwLastError(to);
    }
}

void removeFile(const std::string& path) {
    if (!DeleteFileW(filePath(path).c_str())) throwLastError(path);
}

void syncFolder(const std::string&) {
    // NTFS journals its folder entries with the file's metadata, which FlushFileBuffers on the
    // file already puts on the disk.
}

bool createFolder(const std::string& path) {
    return CreateDirectoryW(filePath(path).c_str(), nullptr) != 0;
}

bool removeEmptyFolder(const std::string& path) {
    // RemoveDirectoryW removes only an empty folder.
    return RemoveDirectoryW(filePath(path).c_str()) != 0;
}

bool setAttributes(const std::string& path, std::uint32_t attributes) {
    const std::wstring wide = filePath(path);
    DWORD current = GetFileAttributesW(wide.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD wanted = (current & ~settable) | (attributes & settable);
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(wide.c_str(), wanted) != 0;
}

}  // namespace platform

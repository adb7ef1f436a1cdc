// The error every file operation of the platform layer raises: what went wrong (a cause number,
// the same on every platform), the operating system's own error number, and the file's name.
#pragma once

#include <exception>
#include <string>

namespace platform {

class FileError : public std::exception {
public:
    // Stable numbers: they are shown to users inside "code (%d, %d)" texts and must not change.
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
        lockTimeout = 15,  // another holder kept a file locked for longer than we wait
        fileExists = 16,   // a new name is taken: nothing was overwritten
    };

    FileError(int cause, long osError, std::string fileName, std::string osText = {});

    int cause() const { return cause_; }
    long osError() const { return osError_; }
    const std::string& fileName() const { return fileName_; }
    // The operating system's description of osError, when it gave one.
    const std::string& osText() const { return osText_; }

    // The user-facing description of the failure, in UTF-8.
    virtual std::string message() const;
    const char* what() const noexcept override;

    // The description of a cause for a file ("an unnamed file" when the name is empty), the name
    // shown by displayName (platform/paths.h).
    static std::string causeText(int cause, const std::string& fileName);

private:
    int cause_;
    long osError_;
    std::string fileName_;
    std::string osText_;
    mutable std::string what_;
};

}  // namespace platform

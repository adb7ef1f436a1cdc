#include "platform/file_error.h"

#include "platform/paths.h"

namespace platform {
namespace {

// Each text has %1 where the file's name goes.
const char* causeTemplate(int cause) {
    switch (cause) {
        case FileError::none:
            return "No error occurred.";
        case FileError::genericException:
            return "An unexpected error occurred while accessing %1.";
        case FileError::fileNotFound:
            return "%1 was not found.";
        case FileError::badPath:
            return "All or part of the path %1 is invalid.";
        case FileError::tooManyOpenFiles:
            return "There are too many open files.";
        case FileError::accessDenied:
            return "Access to %1 was denied.";
        case FileError::invalidFile:
            return "An invalid file handle was associated with %1.";
        case FileError::removeCurrentDir:
            return "%1 could not be removed because it is the current folder.";
        case FileError::directoryFull:
            return "There are no more directory entries.";
        case FileError::badSeek:
            return "Error performing seek on %1.";
        case FileError::hardIO:
            return "A hardware I/O error was reported while accessing %1.";
        case FileError::sharingViolation:
            return "A sharing violation occurred while accessing %1.";
        case FileError::lockViolation:
            return "A locking violation occurred while accessing %1.";
        case FileError::diskFull:
            return "Disk full while accessing %1.";
        case FileError::endOfFile:
            return "An attempt was made to access %1 past its end.";
        case FileError::lockTimeout:
            return "%1 stayed locked by another run of the program.";
        case FileError::fileExists:
            return "The file \"%1\" already exists.";
        default:
            return "An unknown error occurred while accessing %1.";
    }
}

}  // namespace

FileError::FileError(int cause, long osError, std::string fileName, std::string osText)
    : cause_(cause), osError_(osError), fileName_(std::move(fileName)), osText_(std::move(osText)) {}

std::string FileError::causeText(int cause, const std::string& fileName) {
    // A name with a line break in it must not forge a line of the message.
    const std::string name = fileName.empty() ? std::string("an unnamed file") : displayName(fileName);
    std::string text = causeTemplate(cause);
    const std::string::size_type at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, name);
    return text;
}

std::string FileError::message() const {
    std::string text = causeText(cause_, fileName_);
    // A cause alone is vague for the catch-all causes; the system's own words say more.
    if (!osText_.empty() && (cause_ == genericException || (cause_ > endOfFile && cause_ != fileExists))) {
        text += "\n" + osText_;
    }
    return text;
}

const char* FileError::what() const noexcept {
    try {
        what_ = message();
        return what_.c_str();
    } catch (...) {
        return "file error";
    }
}

}  // namespace platform

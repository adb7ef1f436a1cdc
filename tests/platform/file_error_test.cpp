#include <gtest/gtest.h>

#include "platform/file_error.h"

namespace {

using platform::FileError;

TEST(FileError, CarriesCauseOsErrorAndName) {
    const FileError error(FileError::accessDenied, 5, "C:\\music\\a.mp3");
    EXPECT_EQ(error.cause(), 5);
    EXPECT_EQ(error.osError(), 5);
    EXPECT_EQ(error.fileName(), "C:\\music\\a.mp3");
    EXPECT_EQ(error.message(), "Access to C:\\music\\a.mp3 was denied.");
    EXPECT_STREQ(error.what(), "Access to C:\\music\\a.mp3 was denied.");
}

TEST(FileError, TextsNameTheFileOrAnUnnamedFile) {
    struct Case {
        int cause;
        const char* file;
        const char* text;
    };
    const Case cases[] = {
        {FileError::endOfFile, "", "An attempt was made to access an unnamed file past its end."},
        {FileError::endOfFile, "x.idx", "An attempt was made to access x.idx past its end."},
        {FileError::fileNotFound, "a.ren", "a.ren was not found."},
        {FileError::sharingViolation, "", "A sharing violation occurred while accessing an unnamed file."},
        {FileError::diskFull, "u", "Disk full while accessing u."},
        {FileError::fileExists, "b.mp3", "The file \"b.mp3\" already exists."},
        {999, "f", "An unknown error occurred while accessing f."},
        // A name cannot forge a line of the message.
        {FileError::fileNotFound, "a\r\nb.mp3", "a\\r\\nb.mp3 was not found."},
        {FileError::accessDenied, "\x1b[2Jx", "Access to \\x1b[2Jx was denied."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileError(c.cause, -1, c.file).message(), c.text) << c.cause;
    }
}

TEST(FileError, VagueCausesAddTheSystemsOwnWords) {
    const FileError generic(FileError::genericException, 183, "b.mp3", "The file exists.");
    EXPECT_EQ(generic.message(), "An unexpected error occurred while accessing b.mp3.\nThe file exists.");
    const FileError specific(FileError::fileNotFound, 2, "b.mp3", "No such file");
    EXPECT_EQ(specific.message(), "b.mp3 was not found.");
}

TEST(FileError, CanBeCaughtAsStdException) {
    try {
        throw FileError(FileError::badPath, 3, "q");
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "All or part of the path q is invalid.");
        return;
    }
}

}  // namespace

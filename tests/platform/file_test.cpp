#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "support/temp_folder.h"

namespace {

using platform::File;
using platform::FileError;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

TEST(File, WritesAndReadsBackEveryByte) {
    TempFolder folder;
    const std::string path = folder / "data.bin";
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7);
    {
        File file(path, File::Mode::CreateWrite);
        file.write(bytes.data(), bytes.size());
        EXPECT_EQ(file.position(), bytes.size());
        EXPECT_EQ(file.length(), bytes.size());
    }
    EXPECT_EQ(readFile(path), bytes);
}

TEST(File, AppendedRecordsAreInTheFileAtOnceAndEndItWhenFinished) {
    TempFolder folder;
    const std::string path = folder / "journal";
    File file(path, File::Mode::CreateReadWrite);
    file.write("head", 4);
    std::string expected = "head";
    {
        platform::RecordAppender appender(file);
        // Records of odd sizes, past several megabytes, so some straddle whatever pieces the file
        // is handled in.
        for (int i = 0; expected.size() < (std::size_t{9} << 20); ++i) {
            const std::string record(static_cast<std::size_t>(1 + i % 4099), static_cast<char>('a' + i % 26));
            appender.append(record.data(), record.size());
            expected += record;
#ifndef _WIN32
            // Readable by anyone at once, as a write would be, however the process ends next
            // (Windows lets no one read a file this program is writing).
            if (i % 1000 == 0) {
                ASSERT_TRUE(readFile(path).compare(0, expected.size(), expected) == 0);
            }
#endif
        }
        appender.finish();
        EXPECT_THROW(appender.append("x", 1), FileError);
    }
    EXPECT_EQ(file.length(), expected.size());
    file.close();
    EXPECT_TRUE(readFile(path) == expected);
}

TEST(File, ReadsPastTheEndReturnFewerBytesWithoutError) {
    TempFolder folder;
    writeFile(folder / "short", "abcdef");
    File file(folder / "short", File::Mode::Read);
    char buffer[16] = {};
    EXPECT_EQ(file.read(buffer, 4), 4u);
    EXPECT_EQ(file.read(buffer, 16), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(file.read(buffer, 16), 0u);
    file.seek(100, File::SeekFrom::Begin);  // past the end is allowed, and reads nothing
    EXPECT_EQ(file.read(buffer, 16), 0u);
}

TEST(File, SeeksFromEachOrigin) {
    TempFolder folder;
    writeFile(folder / "f", "0123456789");
    File file(folder / "f", File::Mode::Read);
    char c = 0;
    EXPECT_EQ(file.seek(3, File::SeekFrom::Begin), 3u);
    file.read(&c, 1);
    EXPECT_EQ(c, '3');
    EXPECT_EQ(file.seek(2, File::SeekFrom::Current), 6u);
    file.read(&c, 1);
    EXPECT_EQ(c, '6');
    EXPECT_EQ(file.seek(-1, File::SeekFrom::End), 9u);
    file.read(&c, 1);
    EXPECT_EQ(c, '9');
    EXPECT_THROW(file.seek(-20, File::SeekFrom::Current), FileError);
}

TEST(File, CreateTruncatesAndSetLengthCutsOrExtends) {
    TempFolder folder;
    const std::string path = folder / "f";
    writeFile(path, "a long first content");
    writeFile(path, "xy");
    EXPECT_EQ(readFile(path), "xy");

    File file(path, File::Mode::ReadWriteExclusive);
    EXPECT_EQ(file.length(), 2u) << "opening for read and write never truncates";
    file.setLength(0);
    EXPECT_EQ(file.length(), 0u);
    file.write("hello", 5);
    file.setLength(8);
    EXPECT_EQ(file.length(), 8u);
    file.close();
    EXPECT_EQ(readFile(path), std::string("hello\0\0\0", 8));
}

TEST(File, ReadWriteExclusiveCreatesAMissingFileAndKeepsOthersOut) {
    TempFolder folder;
    const std::string path = folder / "braxen.idx";
    File first(path, File::Mode::ReadWriteExclusive);
    EXPECT_TRUE(platform::fileExists(path));
    try {
        File second(path, File::Mode::ReadWriteExclusive);
        FAIL() << "a second exclusive open succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::sharingViolation);
        EXPECT_EQ(error.fileName(), path);
    }
    first.close();
    EXPECT_NO_THROW(File(path, File::Mode::ReadWriteExclusive));
}

TEST(File, WritingToAFileOpenedForReadingRaises) {
    TempFolder folder;
    writeFile(folder / "r", "keep");
    File file(folder / "r", File::Mode::Read);
    try {
        file.write("x", 1);
        FAIL() << "write succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::accessDenied);
        EXPECT_EQ(error.fileName(), folder / "r");
    }
    file.close();
    EXPECT_EQ(readFile(folder / "r"), "keep");
}

TEST(File, OpeningFailuresSayWhyAndWhich) {
    TempFolder folder;
    struct Case {
        std::string path;
        File::Mode mode;
        int cause;
    };
    const Case cases[] = {
        {folder / "missing.ren", File::Mode::Read, FileError::fileNotFound},
        {folder / "no folder" + platform::kPathSeparator + "x.ren", File::Mode::CreateWrite, FileError::badPath},
    };
    for (const Case& c : cases) {
        try {
            File file(c.path, c.mode);
            ADD_FAILURE() << "opened " << c.path;
        } catch (const FileError& error) {
            EXPECT_EQ(error.fileName(), c.path);
            // Windows says "path not found" where POSIX says "no such file"; both are fine.
            EXPECT_TRUE(error.cause() == c.cause || error.cause() == FileError::fileNotFound)
                << c.path << " cause " << error.cause();
        }
    }
}

TEST(File, OperationsOnAClosedFileRaise) {
    File file;
    char c;
    EXPECT_FALSE(file.isOpen());
    EXPECT_THROW(file.read(&c, 1), FileError);
    EXPECT_THROW(file.write(&c, 1), FileError);
    EXPECT_THROW(file.length(), FileError);
}

TEST(File, MovesKeepOneOwnerOfTheHandle) {
    TempFolder folder;
    writeFile(folder / "m", "abc");
    File a(folder / "m", File::Mode::Read);
    File b(std::move(a));
    EXPECT_FALSE(a.isOpen());
    ASSERT_TRUE(b.isOpen());
    EXPECT_EQ(b.path(), folder / "m");
    char buffer[3];
    EXPECT_EQ(b.read(buffer, 3), 3u);
    EXPECT_EQ(b.lengthWhenOpened(), 3u) << "moves with the handle";
}

TEST(File, TheLengthWhenOpenedIsTheFilesAndAWriterIsAskedEachTime) {
    TempFolder folder;
    writeFile(folder / "g", "abc");
    EXPECT_EQ(File(folder / "g", File::Mode::Read).lengthWhenOpened(), 3u);
    File writer(folder / "new", File::Mode::CreateWrite);
    writer.write("xy", 2);
    EXPECT_EQ(writer.lengthWhenOpened(), 2u);
}

}  // namespace

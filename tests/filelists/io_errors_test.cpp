// The I/O error codes of the drive layer and the texts shown for them.

#include "fake_file_system.h"

#include "platform/drives/io_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(IoErrorCode, TranslatesErrnoValues)
{
    struct Row {
        const char* name;
        int errorNumber;
        int code;
    };
    const Row rows[] = {
        {"success", 0, 0},
        {"ENOENT", ENOENT, 2},
        {"ENOTDIR", ENOTDIR, 3},
        {"ENAMETOOLONG", ENAMETOOLONG, 3},
        {"ELOOP", ELOOP, 3},
        {"EMFILE", EMFILE, 4},
        {"ENFILE", ENFILE, 4},
        {"EACCES", EACCES, 5},
        {"EPERM", EPERM, 5},
        {"ENOMEDIUM", ENOMEDIUM, 21},
        {"ENODEV", ENODEV, 21},
        {"ENXIO", ENXIO, 21},
        {"EIO", EIO, 10005},
        {"ENOSPC", ENOSPC, 10028},
        {"EROFS", EROFS, 10030},
    };
    for (const Row& row : rows)
        EXPECT_EQ(platform::ioErrorCode(row.errorNumber), row.code) << row.name;
}

TEST(IoErrorCode, MissingParentMakesAMissingPath)
{
    testing_support::FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    files.makeDirectory("a");
    EXPECT_EQ(platform::ioErrorCodeForPath(ENOENT, files.nativePath("a/x")), 2);
    EXPECT_EQ(platform::ioErrorCodeForPath(ENOENT, files.nativePath("a/x/")), 2);
    EXPECT_EQ(platform::ioErrorCodeForPath(ENOENT, files.nativePath("b/x")), 3);
    EXPECT_EQ(platform::ioErrorCodeForPath(ENOENT, "/nada"), 2);
    // A parent that is a file is missing as a directory.
    files.makeFile("f");
    EXPECT_EQ(platform::ioErrorCodeForPath(ENOENT, files.nativePath("f/x")), 3);
    EXPECT_EQ(platform::ioErrorCodeForPath(EACCES, files.nativePath("b/x")), 5);
}

TEST(IoErrorMessage, ChosenByCode)
{
    EXPECT_EQ(platform::ioErrorMessage(2), "File not found");
    EXPECT_EQ(platform::ioErrorMessage(3), "Invalid filename");
    EXPECT_EQ(platform::ioErrorMessage(4), "Too many open files");
    EXPECT_EQ(platform::ioErrorMessage(5), "File access denied");
    EXPECT_EQ(platform::ioErrorMessage(100), "Read beyond end of file");
    EXPECT_EQ(platform::ioErrorMessage(101), "Disk full");
    EXPECT_EQ(platform::ioErrorMessage(106), "Invalid numeric input");
    EXPECT_EQ(platform::ioErrorMessage(21), "I/O error 21");
    EXPECT_EQ(platform::ioErrorMessage(10005), "I/O error 10005");
    EXPECT_EQ(platform::ioErrorMessage(-1), "I/O error -1");
}

} // namespace

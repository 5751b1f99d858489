// The process's current directory in drive-letter form, and each drive's remembered directory.

#include "fake_file_system.h"

#include "platform/drives/drives.h"
#include "platform/paths.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace {

using testing_support::FakeFileSystem;

class CurrentDirectoryTest : public ::testing::Test {
protected:
    CurrentDirectoryTest()
    {
        files.addMount("cd", FakeFileSystem::Medium::CDRom);       // d:
        files.addMount("usb", FakeFileSystem::Medium::Removable);  // e:
        files.makeDirectory("usb/Fotos/Mar");
        files.makeFile("usb/Fotos/file.bmp");
        files.makeDirectory("pics/a");
    }

    std::string current() { return platform::currentDirectory().value; }

    FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};
};

TEST_F(CurrentDirectoryTest, StartsWhereTheProcessIs)
{
    platform::IoResult<std::string> directory = platform::currentDirectory();
    EXPECT_EQ(directory.error, 0);
    EXPECT_EQ(directory.value, files.systemDrivePath(""));
}

TEST_F(CurrentDirectoryTest, BareDriveGoesToItsRememberedDirectory)
{
    EXPECT_EQ(platform::driveDirectory('e'), "E:\\");
    ASSERT_EQ(platform::setCurrentDirectory("E:"), 0);
    EXPECT_EQ(current(), "E:\\");
    ASSERT_EQ(platform::setCurrentDirectory("Fotos"), 0);
    EXPECT_EQ(current(), "E:\\Fotos");
    ASSERT_EQ(platform::setCurrentDirectory(files.systemDrivePath("pics")), 0);
    EXPECT_EQ(current(), files.systemDrivePath("pics"));

    EXPECT_EQ(platform::driveDirectory('e'), "E:\\Fotos");
    EXPECT_EQ(platform::driveDirectory('E'), "E:\\Fotos");
    ASSERT_EQ(platform::setCurrentDirectory("e:"), 0);
    EXPECT_EQ(current(), "E:\\Fotos");
    ASSERT_EQ(platform::setCurrentDirectory("C:"), 0);
    EXPECT_EQ(current(), files.systemDrivePath("pics"));
}

TEST_F(CurrentDirectoryTest, DriveRelativeAndRootRelativeNames)
{
    ASSERT_EQ(platform::setCurrentDirectory("E:Fotos\\Mar"), 0);
    EXPECT_EQ(current(), "E:\\Fotos\\Mar");
    ASSERT_EQ(platform::setCurrentDirectory("\\Fotos"), 0);
    EXPECT_EQ(current(), "E:\\Fotos");
    ASSERT_EQ(platform::setCurrentDirectory(".."), 0);
    EXPECT_EQ(current(), "E:\\");
    ASSERT_EQ(platform::setCurrentDirectory(".."), 0);
    EXPECT_EQ(current(), "E:\\");
    ASSERT_EQ(platform::setCurrentDirectory("Fotos/Mar"), 0);
    EXPECT_EQ(current(), "E:\\Fotos\\Mar");
    // Drive-relative on the current drive starts at the current directory.
    ASSERT_EQ(platform::setCurrentDirectory("e:..\\."), 0);
    EXPECT_EQ(current(), "E:\\Fotos");
}

TEST_F(CurrentDirectoryTest, FullPathNameResolvesByName)
{
    EXPECT_EQ(platform::fullPathName("d:x\\..\\y"), "D:\\y");
    EXPECT_EQ(platform::fullPathName("C:\\a\\\\b\\.\\"), "C:\\a\\b");
    EXPECT_EQ(platform::fullPathName("e:\\"), "E:\\");
    EXPECT_EQ(platform::fullPathName("e:/Fotos/"), "E:\\Fotos");
    EXPECT_EQ(platform::fullPathName("sub\\x.bmp"), files.systemDrivePath("sub/x.bmp"));
    EXPECT_EQ(platform::fullPathName("\\x"), "C:\\x");
    EXPECT_FALSE(platform::fullPathName(""));
}

TEST_F(CurrentDirectoryTest, FailedChangeGivesItsCodeAndStaysPut)
{
    files.setNotReady("cd");
    files.failChangeDirectory("usb/Fotos/Mar", EACCES);
    files.failUnder("usb/broken", EIO);
    files.makeDirectory("usb/broken");
    ASSERT_EQ(platform::setCurrentDirectory("E:\\Fotos"), 0);

    struct Row {
        const char* name;
        const char* path;
        int code;
    };
    const Row rows[] = {
        {"missing directory", "E:\\Nada", 2},
        {"missing parent", "E:\\Nada\\Mais", 3},
        {"a file", "E:\\Fotos\\file.bmp", 3},
        {"unknown drive", "Q:\\", 3},
        {"drive without a medium", "D:", 21},
        {"directory that cannot be entered", "Mar", 5},
        {"device error", "E:\\broken", 10000 + EIO},
        {"empty path", "", 3},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(platform::setCurrentDirectory(row.path), row.code) << row.name;
        EXPECT_EQ(current(), "E:\\Fotos") << row.name;
    }
    // The drive that failed keeps its root as remembered directory.
    EXPECT_EQ(platform::driveDirectory('d'), "D:\\");
}

TEST(RememberedDirectory, FollowsTheMountWhenLettersMove)
{
    FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    files.addMount("m/b", FakeFileSystem::Medium::Removable);
    files.makeDirectory("m/b/Fotos");
    ASSERT_EQ(platform::setCurrentDirectory("D:\\Fotos"), 0);
    ASSERT_EQ(platform::setCurrentDirectory("C:\\"), 0);

    // A stick mounted at a name that sorts first takes d:; the first one moves to e:.
    files.addMount("m/a", FakeFileSystem::Medium::Removable);
    EXPECT_EQ(platform::logicalDrives(), 0x1Cu);  // c:, d:, e:
    EXPECT_EQ(platform::driveDirectory('e'), "E:\\Fotos");
    EXPECT_EQ(platform::driveDirectory('d'), "D:\\");
    ASSERT_EQ(platform::setCurrentDirectory("E:"), 0);
    EXPECT_EQ(platform::currentDirectory().value, "E:\\Fotos");
}

TEST(RememberedDirectory, IsForgottenWithTheBackend)
{
    FakeFileSystem files;
    files.addMount("usb", FakeFileSystem::Medium::Removable);
    files.makeDirectory("usb/Fotos");
    {
        Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
        ASSERT_EQ(platform::setCurrentDirectory("D:\\Fotos"), 0);
        EXPECT_EQ(platform::driveDirectory('d'), "D:\\Fotos");
    }
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    EXPECT_EQ(platform::driveDirectory('d'), "D:\\");
}

TEST(RealCurrentDirectory, FollowsTheProcess)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    std::string native = std::filesystem::canonical(directory.path().toStdString()).string();
    std::filesystem::create_directory(native + "/Sub Dir");
    std::string saved = std::filesystem::current_path().string();

    std::optional<std::string> target = platform::toDriveLetterPath(native + "/Sub Dir");
    ASSERT_TRUE(target);
    EXPECT_EQ(platform::setCurrentDirectory(*target), 0);
    EXPECT_EQ(std::filesystem::current_path().string(), native + "/Sub Dir");
    platform::IoResult<std::string> current = platform::currentDirectory();
    EXPECT_EQ(current.error, 0);
    EXPECT_EQ(current.value, *target);
    EXPECT_EQ(platform::setCurrentDirectory(".."), 0);
    EXPECT_EQ(std::filesystem::current_path().string(), native);
    EXPECT_EQ(platform::setCurrentDirectory("Missing"), 2);
    EXPECT_EQ(std::filesystem::current_path().string(), native);

    ASSERT_EQ(chdir(saved.c_str()), 0);
}

} // namespace

TEST_F(CurrentDirectoryTest, RememberedDirectoryThatWentAwayFallsBackToItsParent)
{
    ASSERT_EQ(platform::setCurrentDirectory("E:\\Fotos\\Mar"), 0);
    ASSERT_EQ(platform::setCurrentDirectory(files.systemDrivePath("pics")), 0);
    std::filesystem::remove_all(files.nativePath("usb/Fotos/Mar"));

    EXPECT_EQ(platform::driveDirectory('e'), "E:\\Fotos");
    std::filesystem::remove_all(files.nativePath("usb/Fotos"));
    EXPECT_EQ(platform::driveDirectory('e'), "E:\\");
    ASSERT_EQ(platform::setCurrentDirectory("E:"), 0);
    EXPECT_EQ(current(), "E:\\");
}

TEST_F(CurrentDirectoryTest, AnUnusableStartingDirectoryGivesWayToItsNearestUsableParent)
{
    struct Case {
        const char* name;
        const char* inside;       // where the process is, relative to the tree
        bool removeIt;            // the directory (and its parent) go before the start
        const char* expected;     // relative to the tree; null: the home directory
    };
    const Case cases[] = {
        {"usable: stays", "pics/a", false, "pics/a"},
        {"removed: the nearest parent left", "pics/a/b/c", true, "pics/a"},
        {"a backslash in the name: the parent", "pics/a/x\\y", false, "pics/a"},
    };
    files.makeDirectory("home/ana");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.makeDirectory(c.inside);
        ASSERT_EQ(files.changeDirectory(files.nativePath(c.inside)), 0);
        if (c.removeIt)
            std::filesystem::remove_all(files.nativePath("pics/a/b"));
        const std::string settled =
            platform::ensureUsableCurrentDirectory(files.nativePath(c.inside), files.nativePath("home/ana"));
        EXPECT_EQ(settled, files.systemDrivePath(c.expected));
        EXPECT_EQ(current(), settled);
    }
    // Nothing of the last known path is left: home.
    files.makeDirectory("gone/deep");
    ASSERT_EQ(files.changeDirectory(files.nativePath("gone/deep")), 0);
    std::filesystem::remove_all(files.nativePath("gone"));
    EXPECT_EQ(platform::ensureUsableCurrentDirectory("/nowhere/at/all", files.nativePath("home/ana")),
              files.systemDrivePath("home\\ana"));
}

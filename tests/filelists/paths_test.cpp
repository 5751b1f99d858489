// Converting between native paths and drive-letter paths over a made-up set of drives.

#include "fake_file_system.h"

#include "platform/drives/drives.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace {

using testing_support::FakeFileSystem;

class PathsTest : public ::testing::Test {
protected:
    PathsTest()
    {
        stick = files.addMount("media/usb", FakeFileSystem::Medium::Removable);
        card = files.addMount("media/usb/card", FakeFileSystem::Medium::RamDisk);
        share = files.addMount("net", FakeFileSystem::Medium::Network, {}, "//servidor/fotos");
    }

    FakeFileSystem files;
    std::string stick;  // d:
    std::string card;   // e: (inside d:'s tree)
    std::string share;  // f:
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};
};

TEST_F(PathsTest, NativePathBelongsToItsLongestMountPoint)
{
    EXPECT_EQ(platform::toDriveLetterPath(stick + "/Fotos/mar.jpg"), "D:\\Fotos\\mar.jpg");
    EXPECT_EQ(platform::toDriveLetterPath(stick), "D:\\");
    EXPECT_EQ(platform::toDriveLetterPath(card + "/a.bmp"), "E:\\a.bmp");
    EXPECT_EQ(platform::toDriveLetterPath(share + "/"), "F:\\");
    // A directory whose name merely starts like a mount point is not inside it.
    EXPECT_EQ(platform::toDriveLetterPath(stick + "x/a.bmp"), files.systemDrivePath("media/usbx/a.bmp"));
    EXPECT_EQ(platform::toDriveLetterPath("/"), "C:\\");
    EXPECT_EQ(platform::toDriveLetterPath("/etc/passwd"), "C:\\etc\\passwd");
}

TEST_F(PathsTest, DotsAndRepeatedSlashesAreResolved)
{
    EXPECT_EQ(platform::toDriveLetterPath(stick + "/a/../b/./c.bmp"), "D:\\b\\c.bmp");
    EXPECT_EQ(platform::toDriveLetterPath(card + "/.."), "D:\\");
    EXPECT_EQ(platform::toDriveLetterPath("//usr///lib/"), "C:\\usr\\lib");
    EXPECT_EQ(platform::toDriveLetterPath("/../.."), "C:\\");
}

TEST_F(PathsTest, RelativeNativePathsStartAtTheCurrentDirectory)
{
    // The fake's current directory is its root, which c: shows.
    EXPECT_EQ(platform::toDriveLetterPath("media/usb/x.gif"), "D:\\x.gif");
    EXPECT_EQ(platform::toDriveLetterPath("notes.txt"), files.systemDrivePath("notes.txt"));
}

TEST_F(PathsTest, NameWithBackslashCannotBeExpressed)
{
    EXPECT_FALSE(platform::toDriveLetterPath(stick + "/a\\b.bmp"));
}

TEST_F(PathsTest, DriveLetterPathsGoBackThroughTheTable)
{
    EXPECT_EQ(platform::toNativePath("d:\\Fotos\\mar.jpg"), stick + "/Fotos/mar.jpg");
    EXPECT_EQ(platform::toNativePath("D:\\"), stick + "/");
    EXPECT_EQ(platform::toNativePath("E:"), card + "/");
    EXPECT_EQ(platform::toNativePath("C:\\etc\\hosts"), "/etc/hosts");
    EXPECT_EQ(platform::toNativePath("C:\\"), "/");
    EXPECT_EQ(platform::toNativePath("Fotos\\mar.jpg"), "Fotos/mar.jpg");
    EXPECT_FALSE(platform::toNativePath("Q:\\x.bmp"));
    EXPECT_EQ(platform::nativePath("Q:\\x.bmp"), "Q:\\x.bmp");
}

TEST_F(PathsTest, NetworkNamesGoToTheDriveOfTheirShare)
{
    EXPECT_EQ(platform::toNativePath("\\\\servidor\\fotos\\2023\\a.bmp"), share + "/2023/a.bmp");
    EXPECT_EQ(platform::toNativePath("\\\\SERVIDOR\\Fotos"), share);
    EXPECT_FALSE(platform::toNativePath("\\\\servidor\\fotosx\\a.bmp"));
    EXPECT_FALSE(platform::toNativePath("\\\\outro\\fotos"));
    EXPECT_EQ(platform::fullPathName("\\\\servidor\\fotos\\a\\..\\b"), "F:\\b");
}

TEST_F(PathsTest, TableListsTheLettersInOrder)
{
    const auto& table = platform::driveTable();
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].letter, 'c');
    EXPECT_EQ(table[0].mountPoint, "/");
    EXPECT_EQ(table[1].letter, 'd');
    EXPECT_EQ(table[1].mountPoint, stick);
    EXPECT_EQ(table[2].letter, 'e');
    EXPECT_EQ(table[3].letter, 'f');
}

TEST_F(PathsTest, FixedTableHoldsUntilTheBackendChanges)
{
    platform::setDriveTable({{'C', "/"}, {'q', "/srv/dados"}});
    EXPECT_EQ(platform::toNativePath("q:\\a.bmp"), "/srv/dados/a.bmp");
    EXPECT_EQ(platform::toDriveLetterPath("/srv/dados/b/c.bmp"), "Q:\\b\\c.bmp");
    EXPECT_FALSE(platform::toNativePath("D:\\"));
    EXPECT_EQ(platform::driveTable()[0].letter, 'c');
    platform::refreshDriveList();  // a fixed table is not re-read
    EXPECT_EQ(platform::toNativePath("q:\\a.bmp"), "/srv/dados/a.bmp");

    {
        FakeFileSystem other;
        Seam<platform::FileSystemBackend>::Scoped otherScope(platform::fileSystemBackendSeam(), other);
        EXPECT_FALSE(platform::toNativePath("q:\\a.bmp"));
    }
    EXPECT_EQ(platform::toNativePath("D:\\"), stick + "/");
}

} // namespace

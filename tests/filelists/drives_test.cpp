// Drives and volumes as the drive box asks for them.

#include "fake_file_system.h"

#include "platform/drives/drives.h"
#include "platform/drives/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::DriveType;
using testing_support::FakeFileSystem;

class DrivesTest : public ::testing::Test {
protected:
    DrivesTest()
    {
        files.setLabel("/dev/sda1", "SYSTEM");
        files.addMount("cd", FakeFileSystem::Medium::CDRom, "FERIAS");         // d:
        files.addMount("net", FakeFileSystem::Medium::Network, "REDE");        // e:
        files.addMount("ram", FakeFileSystem::Medium::RamDisk);                // f:
        files.addMount("usb stick", FakeFileSystem::Medium::Removable, "FOTOS");  // g:
        files.makeFile("usb stick/Fotos/mar.jpg");
    }

    bool labelWasRead() const
    {
        const auto& calls = files.calls();
        return std::any_of(calls.begin(), calls.end(),
                           [](const std::string& call) { return call.rfind("label ", 0) == 0; });
    }

    FakeFileSystem files;
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};
};

TEST_F(DrivesTest, LogicalDrivesHaveABitEach)
{
    // c: d: e: f: g: are bits 2 to 6.
    EXPECT_EQ(platform::logicalDrives(), 0x7Cu);
}

TEST_F(DrivesTest, TypesWithoutReadingAnyMedium)
{
    EXPECT_EQ(platform::driveType("C:\\"), DriveType::Fixed);
    EXPECT_EQ(platform::driveType("d:\\"), DriveType::CDRom);
    EXPECT_EQ(platform::driveType("E:"), DriveType::Remote);
    EXPECT_EQ(platform::driveType("F:/"), DriveType::RamDisk);
    EXPECT_EQ(platform::driveType("G:\\"), DriveType::Removable);
    EXPECT_EQ(platform::driveType("H:\\"), DriveType::NoRootDir);
    EXPECT_EQ(platform::driveType("C:\\Fotos"), DriveType::NoRootDir);
    EXPECT_EQ(platform::driveType(""), DriveType::NoRootDir);
    EXPECT_EQ(platform::logicalDrives(), 0x7Cu);
    EXPECT_FALSE(labelWasRead());
}

TEST_F(DrivesTest, VolumeFactsOfEachDrive)
{
    auto system = platform::volumeInformation("C:\\");
    ASSERT_EQ(system.error, 0);
    EXPECT_EQ(system.value.label, "SYSTEM");
    EXPECT_EQ(system.value.fileSystem, "ext4");
    EXPECT_TRUE(system.value.caseSensitive);
    EXPECT_TRUE(system.value.casePreserved);

    auto stick = platform::volumeInformation("g:");
    ASSERT_EQ(stick.error, 0);
    EXPECT_EQ(stick.value.label, "FOTOS");
    EXPECT_EQ(stick.value.fileSystem, "vfat");
    EXPECT_FALSE(stick.value.caseSensitive);
    EXPECT_TRUE(stick.value.casePreserved);

    auto ram = platform::volumeInformation("F:\\");
    ASSERT_EQ(ram.error, 0);
    EXPECT_EQ(ram.value.label, "");

    EXPECT_EQ(platform::volumeInformation("Q:\\").error, 3);
    EXPECT_EQ(platform::volumeInformation("C:\\Fotos").error, 3);
}

TEST_F(DrivesTest, DriveWithoutMediumIsListedButNotReady)
{
    files.setNotReady("cd");
    EXPECT_EQ(platform::logicalDrives(), 0x7Cu);
    EXPECT_EQ(platform::driveType("D:\\"), DriveType::CDRom);
    auto volume = platform::volumeInformation("D:\\");
    EXPECT_EQ(volume.error, 21);
    EXPECT_EQ(volume.value.label, "");
    EXPECT_EQ(platform::setCurrentDirectory("D:"), 21);
    EXPECT_EQ(platform::setCurrentDirectory("D:\\"), 21);
    EXPECT_EQ(platform::readDirectory("D:\\").error, 21);
    EXPECT_FALSE(platform::directoryExists("D:\\"));
    EXPECT_EQ(platform::currentDirectory().value, files.systemDrivePath(""));
}

TEST_F(DrivesTest, NetworkDrivesNameTheirConnection)
{
    EXPECT_EQ(platform::networkConnection("E:"), "\\\\servidor\\fotos");
    EXPECT_EQ(platform::networkConnection("e"), "\\\\servidor\\fotos");
    EXPECT_EQ(platform::networkConnection("e:\\"), "\\\\servidor\\fotos");
    EXPECT_FALSE(platform::networkConnection("G:"));
    EXPECT_FALSE(platform::networkConnection("Q:"));
    EXPECT_FALSE(platform::networkConnection(""));
    EXPECT_FALSE(platform::networkConnection("E:\\x"));
}

TEST_F(DrivesTest, PathsCompareByTheVolumesCaseRule)
{
    EXPECT_TRUE(platform::samePath("G:\\Fotos\\Mar.JPG", "g:\\fotos\\mar.jpg"));
    EXPECT_FALSE(platform::samePath("C:\\Fotos", "c:\\fotos"));
    EXPECT_TRUE(platform::samePath("C:\\Fotos", "c:\\Fotos"));
    EXPECT_FALSE(platform::samePath("C:\\Fotos", "D:\\Fotos"));
    EXPECT_FALSE(platform::samePath("Fotos", "fotos"));
}

TEST_F(DrivesTest, FilesAndDirectoriesExist)
{
    EXPECT_TRUE(platform::fileExists("G:\\Fotos\\mar.jpg"));
    EXPECT_FALSE(platform::fileExists("G:\\Fotos"));
    EXPECT_FALSE(platform::fileExists("G:\\Fotos\\praia.jpg"));
    EXPECT_TRUE(platform::directoryExists("G:\\Fotos"));
    EXPECT_FALSE(platform::directoryExists("G:\\Fotos\\mar.jpg"));
    ASSERT_EQ(platform::setCurrentDirectory("G:\\Fotos"), 0);
    EXPECT_TRUE(platform::fileExists("mar.jpg"));
    EXPECT_FALSE(platform::fileExists(""));
}

TEST(RealDrives, SystemDriveIsListed)
{
    EXPECT_FALSE(platform::parseMountInfo(platform::fileSystemBackend().mountTable()).empty());
    EXPECT_NE(platform::logicalDrives() & 0x4u, 0u);
    ASSERT_FALSE(platform::driveList().empty());
    EXPECT_EQ(platform::driveList()[0].mount.mountPoint, "/");
    DriveType type = platform::driveType("C:\\");
    EXPECT_NE(type, DriveType::NoRootDir);
    EXPECT_NE(type, DriveType::Unknown);
    EXPECT_EQ(platform::volumeInformation("C:\\").error, 0);
}

} // namespace

TEST(VolumeCase, EightDotThreeVolumesDoNotPreserveCase)
{
    testing_support::FakeFileSystem files;
    files.makeDirectory("old");
    files.setMountTable("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                        "2 1 8:17 / " + files.nativePath("old") + " rw - msdos /dev/sdb1 rw\n");
    files.setBlockDevice("/dev/sda1", {"sda", false});
    files.setBlockDevice("/dev/sdb1", {"sdb", true});
    Seam<platform::FileSystemBackend>::Scoped scope{platform::fileSystemBackendSeam(), files};

    auto old = platform::volumeInformation("D:\\");
    ASSERT_EQ(old.error, 0);
    EXPECT_EQ(old.value.fileSystem, "msdos");
    EXPECT_FALSE(old.value.casePreserved);
    EXPECT_FALSE(old.value.caseSensitive);
}

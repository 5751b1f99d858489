// The mount table: parsing the kernel's text, and which mounts become which drives.

#include "fake_file_system.h"

#include "platform/drives/drive_table.h"
#include "platform/drives/mount_table.h"

#include <gtest/gtest.h>

#include <cstdio>

using platform::DriveType;

namespace {

// A desktop machine: system mounts, a snap, a USB stick whose mount point has a space, a CD, an SMB
// share, an NFS export, a RAM disk, an external disk, and bind mounts. Field by field:
// id parent major:minor root mount-point options [optional...] - type source super-options.
constexpr auto desktopMountInfo =
    "22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw\n"
    "23 28 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "24 28 0:5 / /dev rw,nosuid,relatime shared:3 - devtmpfs udev rw,size=4010000k,mode=755\n"
    "25 24 0:23 / /dev/pts rw,nosuid,noexec,relatime shared:4 - devpts devpts rw,mode=620\n"
    "26 28 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,mode=755\n"
    "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "29 23 0:26 / /sys/fs/cgroup rw,nosuid,relatime shared:9 - cgroup2 cgroup2 rw\n"
    "30 26 0:27 / /run/user/1000 rw,nosuid,nodev,relatime shared:300 - tmpfs tmpfs rw,mode=700\n"
    "31 28 7:1 / /snap/core22/864 ro,nodev,relatime shared:20 - squashfs /dev/loop1 ro\n"
    "32 28 8:3 / /home rw,relatime shared:21 - ext4 /dev/sda3 rw\n"
    "33 28 8:1 / /boot/efi rw,relatime shared:22 - vfat /dev/sda1 rw,fmask=0077\n"
    "34 30 0:45 / /run/user/1000/gvfs rw,nosuid,relatime shared:310 - fuse.gvfsd-fuse "
    "gvfsd-fuse rw,user_id=1000\n"
    "35 28 8:17 / /media/ana/FOTOS\\0402023 rw,nosuid,relatime shared:400 - vfat /dev/sdb1 rw\n"
    "36 28 11:0 / /media/ana/CD_FERIAS ro,nosuid,relatime shared:410 master:7 - iso9660 "
    "/dev/sr0 ro\n"
    "37 28 0:50 / /mnt/rede rw,relatime shared:420 - cifs //servidor/fotos rw,vers=3.0\n"
    "38 32 8:2 /srv/dados /home/ana/dados rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "39 28 8:17 / /mnt/pendrive rw,relatime shared:400 - vfat /dev/sdb1 rw\n"
    "40 28 0:60 / /mnt/ram rw,relatime shared:430 - tmpfs tmpfs rw,size=65536k\n"
    "41 28 0:61 / /var/lib/docker/overlay2/abc/merged rw,relatime - overlay overlay rw\n"
    "42 28 0:70 / /mnt/nas rw,relatime shared:440 - nfs4 nas.local:/export/fotos rw\n"
    "43 28 8:33 / /media/ana/Backup rw,relatime shared:450 - ext4 /dev/sdc1 rw\n"
    "44 24 0:71 / /dev/shm rw - tmpfs tmpfs rw\n";

class MountTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        files.setMountTable(desktopMountInfo);
        files.setBlockDevice("/dev/sda1", {"sda", false});
        files.setBlockDevice("/dev/sda2", {"sda", false});
        files.setBlockDevice("/dev/sda3", {"sda", false});
        files.setBlockDevice("/dev/sdb1", {"sdb", true});
        files.setBlockDevice("/dev/sdc1", {"sdc", false});
        files.setBlockDevice("/dev/sr0", {"sr0", true});
        files.setBlockDevice("/dev/loop1", {"loop1", false});
    }

    testing_support::FakeFileSystem files;
};

TEST(MountInfoParse, ReadsEveryFieldAndDecodesEscapes)
{
    std::vector<platform::MountEntry> entries = platform::parseMountInfo(desktopMountInfo);
    ASSERT_EQ(entries.size(), 22u);

    const platform::MountEntry& stick = entries[12];
    EXPECT_EQ(stick.id, 35);
    EXPECT_EQ(stick.parentId, 28);
    EXPECT_EQ(stick.major, 8u);
    EXPECT_EQ(stick.minor, 17u);
    EXPECT_EQ(stick.root, "/");
    EXPECT_EQ(stick.mountPoint, "/media/ana/FOTOS 2023");
    EXPECT_EQ(stick.options, "rw,nosuid,relatime");
    EXPECT_EQ(stick.fileSystem, "vfat");
    EXPECT_EQ(stick.source, "/dev/sdb1");
    EXPECT_EQ(stick.superOptions, "rw");

    // Two optional fields before the separator.
    EXPECT_EQ(entries[13].fileSystem, "iso9660");
    EXPECT_EQ(entries[13].source, "/dev/sr0");
    // No optional field at all.
    EXPECT_EQ(entries[18].fileSystem, "overlay");
    EXPECT_EQ(entries[15].root, "/srv/dados");
}

TEST(MountInfoParse, SkipsLinesWithoutTheKernelsForm)
{
    auto entries = platform::parseMountInfo("garbage\n"
                                            "1 2 3\n"
                                            "x 1 8:1 / /a rw - ext4 /dev/sda1 rw\n"
                                            "5 1 8-1 / /b rw - ext4 /dev/sda1 rw\n"
                                            "6 1 8:1 / /c rw shared:1 ext4 /dev/sda1 rw\n"
                                            "7 1 8:1 / relative rw - ext4 /dev/sda1 rw\n"
                                            "\n"
                                            "8 1 8:1 / /d rw - ext4 /dev/sda1");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].mountPoint, "/d");
    EXPECT_EQ(entries[0].superOptions, "");
}

TEST(MountInfoParse, DecodesOctalEscapesOnly)
{
    EXPECT_EQ(platform::decodeMountField("a\\040b\\134c\\011d\\012"), "a b\\c\td\n");
    EXPECT_EQ(platform::decodeMountField("end\\04"), "end\\04");
    EXPECT_EQ(platform::decodeMountField("not\\8aa"), "not\\8aa");
}

TEST(MountInfoParse, DecodesDeviceLabelEscapes)
{
    EXPECT_EQ(platform::decodeDeviceLabel("FOTOS\\x202023"), "FOTOS 2023");
    EXPECT_EQ(platform::decodeDeviceLabel("a\\x2fb"), "a/b");
    EXPECT_EQ(platform::decodeDeviceLabel("cut\\x2"), "cut\\x2");
    EXPECT_EQ(platform::decodeDeviceLabel("no\\xzz"), "no\\xzz");
}

TEST(ConnectionName, ComesFromTheMountSource)
{
    struct Row {
        const char* name;
        const char* source;
        const char* expected;  // nullptr: none
    };
    const Row rows[] = {
        {"smb share", "//servidor/fotos", "\\\\servidor\\fotos"},
        {"smb subdirectory", "//servidor/fotos/2023/", "\\\\servidor\\fotos\\2023"},
        {"nfs export", "nas.local:/export/fotos", "\\\\nas.local\\export\\fotos"},
        {"ssh with user", "ana@casa:/home/ana", "\\\\casa\\home\\ana"},
        {"ssh home", "casa:", "\\\\casa"},
        {"ipv6 host", "[fe80::1]:/x", "\\\\[fe80::1]\\x"},
        {"device node", "/dev/sdb1", nullptr},
        {"no host", "tmpfs", nullptr},
        {"empty host", "//", nullptr},
    };
    for (const Row& row : rows) {
        std::optional<std::string> name = platform::connectionName(row.source);
        if (row.expected) {
            ASSERT_TRUE(name) << row.name;
            EXPECT_EQ(*name, row.expected) << row.name;
        } else {
            EXPECT_FALSE(name) << row.name << ": " << name.value_or("");
        }
    }
}

TEST_F(MountTableTest, LettersFollowMountPointOrderAndSkipSystemMounts)
{
    auto drives = platform::assignDriveLetters(platform::parseMountInfo(desktopMountInfo), files);

    struct Expected {
        char letter;
        const char* mountPoint;
        DriveType type;
    };
    const Expected expected[] = {
        {'c', "/", DriveType::Fixed},
        {'d', "/media/ana/Backup", DriveType::Fixed},       // external disk under /media
        {'e', "/media/ana/CD_FERIAS", DriveType::CDRom},
        {'f', "/media/ana/FOTOS 2023", DriveType::Removable},
        {'g', "/mnt/nas", DriveType::Remote},
        {'h', "/mnt/ram", DriveType::RamDisk},
        {'i', "/mnt/rede", DriveType::Remote},
    };
    ASSERT_EQ(drives.size(), std::size(expected));
    for (std::size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].letter, expected[i].letter) << i;
        EXPECT_EQ(drives[i].mount.mountPoint, expected[i].mountPoint) << i;
        EXPECT_EQ(drives[i].type, expected[i].type) << expected[i].mountPoint;
    }
}

TEST_F(MountTableTest, DriveListIsReadThroughTheBackend)
{
    Seam<platform::FileSystemBackend>::Scoped scope(platform::fileSystemBackendSeam(), files);
    const platform::Drive* stick = platform::findDrive('F');
    ASSERT_NE(stick, nullptr);
    EXPECT_EQ(stick->mount.mountPoint, "/media/ana/FOTOS 2023");
    EXPECT_EQ(platform::driveOfNativePath("/media/ana/FOTOS 2023/x/y.bmp"), stick);
    EXPECT_EQ(platform::driveOfNativePath("/media/ana/FOTOS 20234")->letter, 'c');
    EXPECT_EQ(platform::driveOfNativePath("/home/ana/dados/a.bmp")->letter, 'c');
    EXPECT_EQ(platform::findDrive('j'), nullptr);
}

TEST(DriveLetters, LaterMountOnTheSameDirectoryHidesTheEarlierOne)
{
    testing_support::FakeFileSystem files;
    files.setMountTable("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                        "2 1 0:40 / /mnt/x rw - tmpfs tmpfs rw\n"
                        "3 2 0:41 / /mnt/x rw - cifs //srv/a rw\n");
    auto drives = platform::assignDriveLetters(platform::parseMountInfo(files.mountTable()), files);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[1].type, DriveType::Remote);
    EXPECT_EQ(drives[1].mount.source, "//srv/a");
}

TEST(DriveLetters, RootIsDriveCEvenWhenTheTableLacksIt)
{
    testing_support::FakeFileSystem files;
    files.setMountTable("2 1 0:40 / /mnt/ram rw - tmpfs tmpfs rw\n");
    auto drives = platform::assignDriveLetters(platform::parseMountInfo(files.mountTable()), files);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].letter, 'c');
    EXPECT_EQ(drives[0].mount.mountPoint, "/");
    EXPECT_EQ(drives[0].type, DriveType::Fixed);
    EXPECT_EQ(drives[1].letter, 'd');
}

TEST(DriveLetters, StopAtZ)
{
    testing_support::FakeFileSystem files;
    std::string table = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    for (int i = 0; i < 30; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "r%02d", i);
        table += std::to_string(10 + i) + " 1 0:" + std::to_string(100 + i) + " / /mnt/" + name +
                 " rw - tmpfs tmpfs rw\n";
    }
    files.setMountTable(table);
    auto drives = platform::assignDriveLetters(platform::parseMountInfo(files.mountTable()), files);
    // c: plus d: to z: (23 letters).
    ASSERT_EQ(drives.size(), 24u);
    EXPECT_EQ(drives.back().letter, 'z');
    EXPECT_EQ(drives.back().mount.mountPoint, "/mnt/r22");
}

TEST(DriveTypes, ComeFromFileSystemAndDisk)
{
    auto mount = [](const char* fileSystem) {
        platform::MountEntry entry;
        entry.fileSystem = fileSystem;
        return entry;
    };
    platform::BlockDevice stick{"sdb", true};
    platform::BlockDevice disk{"sda", false};
    platform::BlockDevice optical{"sr0", true};
    EXPECT_EQ(platform::classifyMount(mount("vfat"), stick), DriveType::Removable);
    EXPECT_EQ(platform::classifyMount(mount("ext4"), disk), DriveType::Fixed);
    EXPECT_EQ(platform::classifyMount(mount("udf"), disk), DriveType::CDRom);
    EXPECT_EQ(platform::classifyMount(mount("ext2"), optical), DriveType::CDRom);
    EXPECT_EQ(platform::classifyMount(mount("nfs"), std::nullopt), DriveType::Remote);
    EXPECT_EQ(platform::classifyMount(mount("smb3"), std::nullopt), DriveType::Remote);
    EXPECT_EQ(platform::classifyMount(mount("fuse.sshfs"), std::nullopt), DriveType::Remote);
    EXPECT_EQ(platform::classifyMount(mount("ramfs"), std::nullopt), DriveType::RamDisk);
    EXPECT_EQ(platform::classifyMount(mount("btrfs"), std::nullopt), DriveType::Fixed);
}

} // namespace

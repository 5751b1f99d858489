#pragma once
// The drive table: which mounted file systems get drive letters, and of what type they are.
// "c:" is always "/"; other file systems worth showing (removable, optical and network media,
// RAM disks, disks mounted under /media or /mnt) take "d:" onwards in mount-point order. Pseudo
// and system mounts and bind mounts of a lettered tree get no letter: their files are reached
// through the drive that holds them.

#include "platform/drives/mount_table.h"
#include "platform/paths.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FileSystemBackend;
struct BlockDevice;

enum class DriveType {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CDRom = 5,
    RamDisk = 6,
};

struct Drive {
    char letter = 'c';                 // lower case
    DriveType type = DriveType::Fixed;
    MountEntry mount;                  // mount.mountPoint is the drive's root
};

// The type of a mounted file system, from its kind and the disk behind it.
DriveType classifyMount(const MountEntry& mount, const std::optional<BlockDevice>& device);

// Gives letters to the entries of a mount table; `backend` answers for the disks behind them.
std::vector<Drive> assignDriveLetters(const std::vector<MountEntry>& mounts,
                                      FileSystemBackend& backend);

// The drives in use, read through the file-system backend at first use. References stay valid
// until the next refresh or change of backend.
const std::vector<Drive>& driveList();
const Drive* findDrive(char letter);
// The lettered drive that holds a native absolute path: the one with the longest mount point.
const Drive* driveOfNativePath(std::string_view nativePath);
// Reads the mount table again at next use, unless a table was set with setDriveTable. A change
// of file-system backend forgets everything, a table set with setDriveTable too.
void refreshDriveList();
// The letter-to-mount-point view of driveList() (what paths.h calls the drive table).
const std::vector<DriveMapping>& driveMappings();
// Replaces the drive list by a fixed table; its drives count as fixed disks.
void pinDriveMappings(std::vector<DriveMapping> table);

// The network connection name of a drive ("\\server\share"); nullopt unless it is remote.
std::optional<std::string> driveConnectionName(const Drive& drive);

// vfat, exfat, ntfs and msdos keep the case of names but ignore it; every other Linux file
// system tells names apart by case.
bool isCaseSensitiveFileSystem(std::string_view fileSystem);

} // namespace platform

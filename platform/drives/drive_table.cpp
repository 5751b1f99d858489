#include "platform/drives/drive_table.h"

#include "platform/drives/file_system_backend.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <utility>

namespace platform {
namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

template <std::size_t N>
bool isOneOf(std::string_view value, const std::string_view (&names)[N])
{
    return std::find(std::begin(names), std::end(names), value) != std::end(names);
}

constexpr std::string_view remoteFileSystems[] = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "9p", "glusterfs", "davfs",
    "sshfs", "fuse.sshfs", "fuse.glusterfs", "fuse.rclone", "fuse.s3fs",
};

// Kernel interfaces, container plumbing and desktop helper mounts: never drives.
constexpr std::string_view pseudoFileSystems[] = {
    "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue", "debugfs", "tracefs",
    "securityfs", "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc",
    "efivarfs", "selinuxfs", "nsfs", "rpc_pipefs", "nfsd", "overlay", "aufs", "squashfs",
    "shiftfs", "fuse", "fuse.lxcfs", "fuse.snapfuse",
};

bool isRemote(std::string_view fileSystem)
{
    return isOneOf(fileSystem, remoteFileSystems);
}

bool isRam(std::string_view fileSystem)
{
    return fileSystem == "tmpfs" || fileSystem == "ramfs";
}

bool isPseudo(std::string_view fileSystem)
{
    if (isOneOf(fileSystem, pseudoFileSystems))
        return true;
    // FUSE file systems other than the network ones above are desktop helpers (document portals,
    // virtual-file-system bridges); block-device FUSE mounts say "fuseblk".
    return startsWith(fileSystem, "fuse.") && !isRemote(fileSystem);
}

// Mounts in these trees belong to the system, whatever their type.
bool isSystemLocation(std::string_view mountPoint)
{
    return isUnderDirectory(mountPoint, "/proc") || isUnderDirectory(mountPoint, "/sys") ||
           isUnderDirectory(mountPoint, "/dev");
}

// Where desktops and administrators mount disks meant to be browsed.
bool isMediaLocation(std::string_view mountPoint)
{
    return isUnderDirectory(mountPoint, "/media") || isUnderDirectory(mountPoint, "/run/media") ||
           isUnderDirectory(mountPoint, "/mnt");
}

bool deservesLetter(const MountEntry& mount, DriveType type)
{
    if (isRam(mount.fileSystem) && isUnderDirectory(mount.mountPoint, "/run"))
        return false;
    switch (type) {
    case DriveType::Removable:
    case DriveType::Remote:
    case DriveType::CDRom:
    case DriveType::RamDisk:
        return true;
    case DriveType::Fixed:
        // Fixed partitions elsewhere (/home, /boot, /var) are reached through c:.
        return isMediaLocation(mount.mountPoint);
    default:
        return false;
    }
}

std::optional<BlockDevice> deviceOf(const MountEntry& mount, FileSystemBackend& backend)
{
    if (isRemote(mount.fileSystem) || isRam(mount.fileSystem))
        return std::nullopt;
    return backend.blockDevice(mount);
}

struct DriveState {
    // The backend the state was read through: another one reads it again.
    std::uint64_t backend = fileSystemBackendSeam().Generation();
    bool loaded = false;
    bool pinned = false;
    std::vector<Drive> drives;
    std::vector<DriveMapping> mappings;
};

DriveState& state()
{
    static DriveState driveState;
    if (driveState.backend != fileSystemBackendSeam().Generation())
        driveState = DriveState();
    return driveState;
}

void rebuildMappings(DriveState& current)
{
    current.mappings.clear();
    for (const Drive& drive : current.drives)
        current.mappings.push_back({drive.letter, drive.mount.mountPoint});
}

DriveState& loadedState()
{
    DriveState& current = state();
    if (!current.loaded) {
        FileSystemBackend& backend = fileSystemBackend();
        current.drives = assignDriveLetters(parseMountInfo(backend.mountTable()), backend);
        rebuildMappings(current);
        current.loaded = true;
    }
    return current;
}

} // namespace

DriveType classifyMount(const MountEntry& mount, const std::optional<BlockDevice>& device)
{
    const std::string& fileSystem = mount.fileSystem;
    if (isRemote(fileSystem))
        return DriveType::Remote;
    if (fileSystem == "iso9660" || fileSystem == "udf" || (device && startsWith(device->disk, "sr")))
        return DriveType::CDRom;
    if (isRam(fileSystem))
        return DriveType::RamDisk;
    if (device && device->removable)
        return DriveType::Removable;
    return DriveType::Fixed;
}

std::vector<Drive> assignDriveLetters(const std::vector<MountEntry>& mounts,
                                      FileSystemBackend& backend)
{
    // A later mount on the same directory hides the earlier ones; the map also orders the
    // mount points bytewise.
    std::map<std::string, const MountEntry*> visible;
    for (const MountEntry& mount : mounts)
        visible[mount.mountPoint] = &mount;

    std::vector<Drive> drives;
    std::set<std::pair<unsigned, unsigned>> letteredDevices;
    Drive system;
    system.mount.mountPoint = "/";
    system.mount.root = "/";
    if (auto root = visible.find("/"); root != visible.end()) {
        system.mount = *root->second;
        system.type = classifyMount(system.mount, deviceOf(system.mount, backend));
        letteredDevices.insert({system.mount.major, system.mount.minor});
    }
    drives.push_back(std::move(system));

    char next = 'd';
    for (const auto& [mountPoint, mount] : visible) {
        if (next > 'z')
            break;
        if (mountPoint == "/" || isPseudo(mount->fileSystem) || mount->root != "/" ||
            isSystemLocation(mountPoint))
            continue;
        // The same file system mounted a second time is a bind mount of a lettered tree.
        if (letteredDevices.count({mount->major, mount->minor}))
            continue;
        DriveType type = classifyMount(*mount, deviceOf(*mount, backend));
        if (!deservesLetter(*mount, type))
            continue;
        letteredDevices.insert({mount->major, mount->minor});
        drives.push_back({next++, type, *mount});
    }
    return drives;
}

const std::vector<Drive>& driveList()
{
    return loadedState().drives;
}

const Drive* findDrive(char letter)
{
    char lower = (letter >= 'A' && letter <= 'Z') ? char(letter - 'A' + 'a') : letter;
    for (const Drive& drive : driveList())
        if (drive.letter == lower)
            return &drive;
    return nullptr;
}

const Drive* driveOfNativePath(std::string_view nativePath)
{
    const Drive* best = nullptr;
    for (const Drive& drive : driveList()) {
        const std::string& mountPoint = drive.mount.mountPoint;
        if (isUnderDirectory(nativePath, mountPoint) &&
            (!best || mountPoint.size() > best->mount.mountPoint.size()))
            best = &drive;
    }
    return best;
}

void refreshDriveList()
{
    DriveState& current = state();
    if (!current.pinned)
        current.loaded = false;
}

const std::vector<DriveMapping>& driveMappings()
{
    return loadedState().mappings;
}

void pinDriveMappings(std::vector<DriveMapping> table)
{
    DriveState& current = state();
    current.drives.clear();
    for (const DriveMapping& mapping : table) {
        Drive drive;
        drive.letter = mapping.letter;
        drive.mount.mountPoint = mapping.mountPoint;
        drive.mount.root = "/";
        current.drives.push_back(std::move(drive));
    }
    current.mappings = std::move(table);
    current.loaded = true;
    current.pinned = true;
}

std::optional<std::string> driveConnectionName(const Drive& drive)
{
    if (drive.type != DriveType::Remote)
        return std::nullopt;
    return connectionName(drive.mount.source);
}

bool isCaseSensitiveFileSystem(std::string_view fileSystem)
{
    constexpr std::string_view caseInsensitive[] = {"vfat", "exfat", "ntfs", "ntfs3", "msdos", "fat"};
    return !isOneOf(fileSystem, caseInsensitive);
}

} // namespace platform

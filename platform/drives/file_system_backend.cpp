#include "platform/drives/file_system_backend.h"

#include "platform/drives/mount_table.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace {

FileStatus statusFrom(const struct stat& info)
{
    FileStatus status;
    if (S_ISREG(info.st_mode))
        status.kind = FileKind::Regular;
    else if (S_ISDIR(info.st_mode))
        status.kind = FileKind::Directory;
    else
        status.kind = FileKind::Other;
    status.ownerWritable = (info.st_mode & S_IWUSR) != 0;
    status.size = std::int64_t(info.st_size);
    status.modified = std::int64_t(info.st_mtim.tv_sec);
    return status;
}

std::string readSmallFile(const std::string& path)
{
    std::ifstream file(path);
    std::string text;
    std::getline(file, text);
    return text;
}

struct DirCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~FileDescriptor()
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// The device number of the block device behind a mount: the source's when it names a device
// node (btrfs and device-mapper mounts report an anonymous number), else the mount's own.
std::optional<dev_t> blockDeviceNumber(const MountEntry& mount)
{
    if (mount.source.rfind("/dev/", 0) == 0) {
        struct stat info{};
        if (stat(mount.source.c_str(), &info) == 0 && S_ISBLK(info.st_mode))
            return info.st_rdev;
    }
    if (mount.major != 0)
        return makedev(mount.major, mount.minor);
    return std::nullopt;
}

} // namespace

std::string LinuxFileSystem::mountTable()
{
    std::ifstream file("/proc/self/mountinfo");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<BlockDevice> LinuxFileSystem::blockDevice(const MountEntry& mount)
{
    std::optional<dev_t> number = blockDeviceNumber(mount);
    if (!number)
        return std::nullopt;
    // /sys/dev/block/MAJOR:MINOR leads to the device's directory; a partition's directory lies
    // inside its disk's and holds a "partition" file.
    std::string link = "/sys/dev/block/" + std::to_string(major(*number)) + ":" +
                       std::to_string(minor(*number));
    char resolved[PATH_MAX];
    if (!realpath(link.c_str(), resolved))
        return std::nullopt;
    std::string directory = resolved;
    if (access((directory + "/partition").c_str(), F_OK) == 0)
        directory = directory.substr(0, directory.rfind('/'));
    BlockDevice device;
    device.disk = directory.substr(directory.rfind('/') + 1);
    device.removable = readSmallFile(directory + "/removable") == "1";
    return device;
}

int LinuxFileSystem::volumeLabel(const MountEntry& mount, std::string& label)
{
    label.clear();
    // udev keeps a link per labelled device in /dev/disk/by-label, named after the label.
    if (std::optional<dev_t> number = blockDeviceNumber(mount)) {
        if (DirHandle labels{opendir("/dev/disk/by-label")}) {
            while (dirent* entry = readdir(labels.get())) {
                struct stat info{};
                std::string_view name = entry->d_name;
                if (name != "." && name != ".." &&
                    fstatat(dirfd(labels.get()), entry->d_name, &info, 0) == 0 &&
                    S_ISBLK(info.st_mode) && info.st_rdev == *number) {
                    label = decodeDeviceLabel(entry->d_name);
                    return 0;
                }
            }
        }
        // Without udev, ask the file system itself. Only local block-device file systems get
        // here, so this cannot wait on a network server.
        FileDescriptor directory(open(mount.mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (directory.get() < 0)
            return errno;
        char name[FSLABEL_MAX + 1] = {};
        if (ioctl(directory.get(), FS_IOC_GETFSLABEL, name) == 0)
            label = name;
    }
    return 0;
}

int LinuxFileSystem::status(const std::string& path, FileStatus& status)
{
    struct stat info{};
    if (stat(path.c_str(), &info) != 0)
        return errno;
    status = statusFrom(info);
    return 0;
}

int LinuxFileSystem::listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    DirHandle directory{opendir(path.c_str())};
    if (!directory)
        return errno;
    int descriptor = dirfd(directory.get());
    for (;;) {
        errno = 0;
        dirent* entry = readdir(directory.get());
        if (!entry) {
            if (errno != 0)
                return errno;
            break;
        }
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        DirectoryEntry item;
        item.name = std::string(name);
        struct stat info{};
        if (fstatat(descriptor, entry->d_name, &info, 0) == 0)
            item.status = statusFrom(info);
        else if (fstatat(descriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            // A symbolic link whose target is missing: listed, but nothing can open it.
            item.status = statusFrom(info);
            item.status.kind = FileKind::Other;
        } else {
            continue;  // removed while the directory was being read
        }
        entries.push_back(std::move(item));
    }
    return 0;
}

int LinuxFileSystem::changeDirectory(const std::string& path)
{
    return chdir(path.c_str()) == 0 ? 0 : errno;
}

int LinuxFileSystem::currentDirectory(std::string& path)
{
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            path = buffer.c_str();
            return 0;
        }
        if (errno != ERANGE)
            return errno;
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

FileSystemBackend& linuxFileSystem()
{
    static LinuxFileSystem operatingSystem;
    return operatingSystem;
}

} // namespace

Seam<FileSystemBackend>& fileSystemBackendSeam()
{
    static Seam<FileSystemBackend> seam(linuxFileSystem);
    return seam;
}

FileSystemBackend& fileSystemBackend()
{
    return fileSystemBackendSeam()();
}

} // namespace platform

#pragma once
// The seam between the drive layer and the operating system: the mount table, the facts about
// block devices and volume labels, and the directory calls the drive, directory and file lists
// make. The Linux implementation is the default; tests install their own for a scope, so that
// drives that are not ready, network shares and directories that cannot be entered can be had
// without mounting anything (as root, permissions do not stop a chdir).
//
// Everything here runs on the user-interface thread, like the process's current directory itself.

#include "platform/seam.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct MountEntry;

// What an entry is, as far as the lists care: a regular file, a directory, or anything else
// (devices, sockets, pipes, symbolic links whose target is missing).
enum class FileKind { Regular, Directory, Other };

struct FileStatus {
    FileKind kind = FileKind::Other;
    bool ownerWritable = true;  // the owner's write permission bit
    std::int64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970-01-01 UTC
};

struct DirectoryEntry {
    std::string name;  // native name; never "." or ".."
    FileStatus status; // of the entry's target when it is a symbolic link
};

// The whole disk behind a mounted file system.
struct BlockDevice {
    std::string disk;  // kernel name of the disk: "sda", "sr0", "mmcblk0"
    bool removable = false;
};

// Every call that touches the file system returns 0 or an errno value; paths are native and
// absolute.
class FileSystemBackend {
public:
    virtual ~FileSystemBackend() = default;

    // The mount table in the kernel's mountinfo form; empty when it cannot be read.
    virtual std::string mountTable() = 0;
    // The disk that holds `mount`; nullopt when no block device backs it.
    virtual std::optional<BlockDevice> blockDevice(const MountEntry& mount) = 0;
    // The label of the file system mounted by `mount` ("" when it has none). Never prompts and
    // never waits on a network server.
    virtual int volumeLabel(const MountEntry& mount, std::string& label) = 0;

    virtual int status(const std::string& path, FileStatus& status) = 0;
    // The entries of a directory, in the order the file system gives them.
    virtual int listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) = 0;
    virtual int changeDirectory(const std::string& path) = 0;
    virtual int currentDirectory(std::string& path) = 0;
};

// The operating system itself: /proc/self/mountinfo, /sys/dev/block, /dev/disk/by-label, stat,
// readdir, chdir and getcwd.
class LinuxFileSystem final : public FileSystemBackend {
public:
    std::string mountTable() override;
    std::optional<BlockDevice> blockDevice(const MountEntry& mount) override;
    int volumeLabel(const MountEntry& mount, std::string& label) override;
    int status(const std::string& path, FileStatus& status) override;
    int listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) override;
    int changeDirectory(const std::string& path) override;
    int currentDirectory(std::string& path) override;
};

// The backend in use: the Linux one, unless a test put its own in place through the seam. State
// kept per backend (the drive table, the drives' remembered directories) is read again after a
// change, which the seam's generation tells.
FileSystemBackend& fileSystemBackend();
Seam<FileSystemBackend>& fileSystemBackendSeam();

} // namespace platform

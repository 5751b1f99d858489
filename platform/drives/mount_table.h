#pragma once
// The kernel's mount table as the drive layer reads it: one entry per line of the mountinfo text,
// and the pieces of an entry that become drive facts (network connection names, device labels).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One mounted file system. Text fields are decoded (the kernel writes a space as "\040").
struct MountEntry {
    int id = 0;
    int parentId = 0;
    unsigned major = 0;       // device numbers; 0:n for file systems without a block device
    unsigned minor = 0;
    std::string root;         // the directory of the file system mounted here ("/" unless bound)
    std::string mountPoint;   // absolute, in this process's view of the tree
    std::string options;      // per-mount options ("rw,relatime")
    std::string fileSystem;   // "ext4", "vfat", "cifs", "fuse.sshfs", ...
    std::string source;       // "/dev/sdb1", "//server/share", "server:/export", "tmpfs", ...
    std::string superOptions; // per-file-system options
};

// Parses mountinfo text. Lines that do not have the kernel's form are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// Undoes the kernel's octal escapes ("\040" space, "\011" tab, "\012" newline, "\134" backslash).
std::string decodeMountField(std::string_view field);

// Undoes the "\xHH" escapes of the names in the device-label directory ("My\x20Stick").
std::string decodeDeviceLabel(std::string_view name);

// The network connection name of a remote mount source: "//server/share" and "server:/path" give
// "\\server\share" and "\\server\path" (a "user@" before the host is dropped). Sources of any
// other form have none.
std::optional<std::string> connectionName(std::string_view source);

// Whether `path` is `directory` or lies below it (native, absolute, "/" holds everything).
bool isUnderDirectory(std::string_view path, std::string_view directory);

} // namespace platform

#pragma once
// Drives, volumes and the current directory, as the drive box and the directory and file lists
// see them. All paths are drive-letter paths ("C:\Fotos"); see platform/paths.h for how letters
// map onto mount points.
//
// No call here ever prompts or waits for a medium: a drive without one simply fails with code 21
// (not ready), and volume facts come from the mount table and the device-label links, without
// touching network servers. There is therefore no error mode to switch off around them.

#include "platform/drives/drive_table.h"
#include "platform/drives/io_errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The existing drives: bit 0 is a:, bit 2 is c:. Reads the mount table again, so media mounted
// since the last call appear.
std::uint32_t logicalDrives();

// The type of the drive whose root is given ("C:\" or "C:"); NoRootDir for a drive that does not
// exist or a path that is not a drive root.
DriveType driveType(std::string_view root);

struct VolumeInformation {
    std::string label;       // "" when the volume has none
    std::string fileSystem;  // the Linux file-system type: "ext4", "vfat", ...
    bool caseSensitive = true;
    bool casePreserved = true;
};

// The facts of the volume at a drive root ("C:\" or "C:"). Fails with 3 for a drive that does
// not exist and with 21 for a drive without a medium.
IoResult<VolumeInformation> volumeInformation(std::string_view root);

// The network connection of a drive ("X:" -> "\\server\share"); nullopt when the drive is not a
// network drive or its source names no server.
std::optional<std::string> networkConnection(std::string_view drive);

// The process's current directory ("C:\Fotos", "C:\" for a root). Fails with 2 when the
// directory has been removed and with 3 when its native name cannot be written as a drive-letter
// path. Reading it also makes it the remembered directory of its drive.
IoResult<std::string> currentDirectory();

// Makes sure the process has a current directory the lists can show. When the current one has
// been removed, or its native name cannot be written as a drive-letter path, the process moves
// to the nearest existing parent of `lastKnown` (the directory it was in, as the shell saw it)
// that can be written so (other than the root), else to `home`, else to the root. Returns the directory it is in
// afterwards ("C:" at worst).
std::string ensureUsableCurrentDirectory(std::string_view lastKnown, std::string_view home);

// Changes the process's current directory; returns 0 or the I/O error code. Accepts absolute
// paths ("D:\Fotos"), a bare drive ("D:", which goes to that drive's remembered directory),
// drive-relative paths ("D:Fotos", "\Fotos") and names relative to the current directory
// ("Mar", ".."). The new directory becomes its drive's remembered directory.
int setCurrentDirectory(std::string_view path);

// The remembered current directory of a drive ("D:\Fotos"); the drive's root until the process
// has been in a directory of it.
std::string driveDirectory(char letter);

// A path made absolute the way setCurrentDirectory reads it, with "." and ".." resolved by name
// and no trailing backslash except on a root ("D:Fotos\..\Mar" -> "D:\Mar" when D:'s directory is
// "D:\"). Nothing is checked on disk. nullopt for an empty path or a network path whose share has
// no drive.
std::optional<std::string> fullPathName(std::string_view path);

// Whether a file (anything but a directory) or a directory exists at a path.
bool fileExists(std::string_view path);
bool directoryExists(std::string_view path);

// Whether two drive-letter paths name the same file: the drive letters ignore case, the rest
// ignores case only on volumes that do (compared by the first path's volume).
bool samePath(std::string_view a, std::string_view b);

} // namespace platform

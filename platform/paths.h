#pragma once
// Drive-letter paths. The system names files as a drive letter, a colon and backslash-separated
// directories ("C:\Fotos\mar.jpg"); native Linux paths are converted where they enter and back
// where files are opened. Drive letters stand for mount points: "c:" is "/", other letters are
// given by the drive table, which is read from the mount table at first use (see
// platform/drives/drive_table.h).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DriveMapping {
    char letter;             // lower case
    std::string mountPoint;  // native, absolute, without trailing slash except "/"
};

// The drive table in use, in letter order; c: = "/" comes first.
const std::vector<DriveMapping>& driveTable();
// Replaces the table read from the mount table by a fixed one (its drives count as fixed disks)
// until the file-system backend changes.
void setDriveTable(std::vector<DriveMapping> table);

// "C:\a\b.bmp" -> "/a/b.bmp" (through the drive table); "\\server\share\a" -> the mount point of
// the network drive connected to \\server\share, then "/a"; other names without a drive keep their
// form with "\" turned into "/". A drive letter or network share not in the table yields nullopt.
// "C:" alone and "C:name" both mean the drive's root here: per-drive current directories are the
// business of platform::fullPathName.
std::optional<std::string> toNativePath(std::string_view driveLetterPath);
// Like toNativePath, but an unknown drive yields the text unchanged (so opening it fails).
std::string nativePath(std::string_view driveLetterPath);

// "/a/b.bmp" -> "C:\a\b.bmp": the longest mount point of the table that holds the path gives
// the letter, in upper case. A relative native path is made absolute against the current
// directory first; "." and ".." are resolved by name. A native name that holds a backslash
// cannot be expressed and yields nullopt.
std::optional<std::string> toDriveLetterPath(std::string_view nativePath);

} // namespace platform

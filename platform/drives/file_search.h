#pragma once
// The file search of the file and directory lists: the entries of a directory with their
// attributes, selected by a name pattern and an attribute mask.
//
// Attributes on Linux: read-only when the owner may not write (the permission bit, so it is a
// property of the file, not of who asks); hidden when the name starts with "."; system for
// anything that is neither a regular file nor a directory (devices, sockets, pipes, dangling
// symbolic links), as nothing there can be opened as a picture; directory; archive for every
// regular file. No entry is a volume label. A directory other than a drive root also lists "."
// and "..", as directories that are not hidden.

#include "platform/drives/io_errors.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileAttribute {
    static constexpr std::uint32_t ReadOnly = 0x01;
    static constexpr std::uint32_t Hidden = 0x02;
    static constexpr std::uint32_t System = 0x04;
    static constexpr std::uint32_t VolumeId = 0x08;
    static constexpr std::uint32_t Directory = 0x10;
    static constexpr std::uint32_t Archive = 0x20;
};

struct FileEntry {
    std::string name;
    std::uint32_t attributes = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970-01-01 UTC
};

// Names starting with "." are hidden.
bool isHiddenName(std::string_view name);

// Whether `name` matches `pattern`, ignoring case: "*" stands for any run of characters, "?" for
// exactly one, and a pattern ending in ".*" also matches the name without that extension, so
// "*.*" matches every name, with a dot or without. A pattern without wildcards names one file.
bool matchesPattern(std::string_view name, std::string_view pattern);
// The patterns of a mask separated by ";", in order; empty pieces are dropped.
std::vector<std::string> splitMask(std::string_view mask);
// Whether any pattern of a mask matches.
bool matchesMask(std::string_view name, std::string_view mask);

// Every entry of a directory (a drive-letter path, absolute or relative to the current
// directory), in the file system's order. Names holding a backslash cannot be written as
// drive-letter paths and are left out.
IoResult<std::vector<FileEntry>> readDirectory(std::string_view directory);

// Whether an entry's attributes pass a search mask: an entry that is hidden, system, a volume
// label or a directory is returned only when the mask holds that attribute.
bool passesAttributeMask(std::uint32_t attributes, std::uint32_t attributeMask);

// The entries among `entries` that match `pattern` and pass `attributeMask`, in their order.
std::vector<FileEntry> selectEntries(const std::vector<FileEntry>& entries,
                                     std::string_view pattern, std::uint32_t attributeMask);

// Searches a directory: `patternPath` is a directory and a name pattern ("C:\Fotos\*.bmp"), or
// a pattern alone for the current directory ("*.bmp"). No match is not an error: the result is
// empty.
IoResult<std::vector<FileEntry>> findFiles(std::string_view patternPath,
                                           std::uint32_t attributeMask);

// Sorts entries by name into list order (see file_names.h).
void sortFileEntries(std::vector<FileEntry>& entries);

} // namespace platform

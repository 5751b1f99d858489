#pragma once
// Internal to filelists/: the path operations the three list controls share. Paths are
// drive-letter paths ("C:\Fotos\mar.jpg") or network paths ("\\server\share\Fotos").

#include <functional>
#include <string>
#include <string_view>

namespace filelists_detail {

// The drive part of a path: "C:" for "C:\Fotos" (and "C:Fotos"), "\\server\share" for
// "\\server\share\Fotos"; empty when the path has none.
std::string_view drivePart(std::string_view path);

// A path split into its drive, directory and file parts.
struct PathParts {
    // The drive letter as given (or as the process's current directory has it); 0 when there
    // is none. A network path names the letter of the drive connected to its share.
    char drive = 0;
    // Whether the path began with a network drive part ("\\server\share").
    bool network = false;
    // The directory without the drive ("\Fotos", "\" for a root), or with the network drive
    // part in front ("\\server\share\Fotos"); may be relative ("Fotos") when the path was.
    std::string directory;
    // The name after the last backslash, unless it names a directory; may hold wildcards.
    std::string file;
};

// What a last name that is neither a file nor a directory is.
enum class MissingName {
    Raises,  // an error: the path names a directory that is not there
    IsFile,  // a file that does not exist, for the caller to report
};

// Splits a path the way the lists read what they are given:
// - "[Fotos]" (a directory as the file list shows it) is taken relative to the current
//   directory;
// - a path without a drive takes the current directory's drive, and one without a directory
//   takes that drive's current directory;
// - a last name without wildcards that is not an existing file is taken as a directory (a
//   missing one as `missing` says).
// The process's current directory is changed while the path is resolved and changed back at
// the end, also on failure; one that has been removed is not gone back to. A drive or directory
// that cannot be entered raises EInOutError.
PathParts splitPath(std::string_view path, MissingName missing = MissingName::Raises);

// "C:\Fotos" + "mar.jpg" -> "C:\Fotos\mar.jpg"; no second backslash after a root ("C:\").
std::string joinPath(std::string_view directory, std::string_view name);

// Raises EInOutError for a non-zero I/O error code of the drive layer.
void checkIo(int code);

// A path shortened until `measure` says it fits `maxWidth`: first the leading directories are
// replaced one by one by "...", keeping the drive ("C:\...\Mar\Verao", "C:\...\Verao"), then
// the drive goes too ("...\Verao"). The last name is always kept, so the result may still be
// wider than asked.
std::string shortenPath(std::string_view path, int maxWidth,
                        const std::function<int(std::string_view)>& measure);

} // namespace filelists_detail

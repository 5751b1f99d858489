#include "platform/drives/drives.h"

#include "platform/drives/file_names.h"
#include "platform/drives/file_system_backend.h"
#include "platform/drives/path_names.h"
#include "platform/paths.h"

#include <map>

namespace platform {
namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool hasDrive(std::string_view path)
{
    if (path.size() < 2 || path[1] != ':')
        return false;
    char c = path[0];
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// "X:" or "X:\" (or "X:/"): the drive; anything else names no drive root.
const Drive* driveOfRoot(std::string_view root)
{
    if (!hasDrive(root) || root.size() > 3 || (root.size() == 3 && !isSeparator(root[2])))
        return nullptr;
    return findDrive(root[0]);
}

// The remembered current directory of each drive, by mount point (native), so that a drive
// keeps its directory when letters move after media come or go.
std::map<std::string, std::string>& rememberedDirectories()
{
    static std::map<std::string, std::string> directories;
    static std::uint64_t backend = fileSystemBackendSeam().Generation();
    if (backend != fileSystemBackendSeam().Generation()) {
        directories.clear();
        backend = fileSystemBackendSeam().Generation();
    }
    return directories;
}

void remember(const std::string& nativeDirectory)
{
    if (const Drive* drive = driveOfNativePath(nativeDirectory))
        rememberedDirectories()[drive->mount.mountPoint] = nativeDirectory;
}

// "X:" + the names of `path` after its drive, with "." and ".." resolved: "c:\a\.\b\..\" ->
// "C:\a".
std::string normalizedDrivePath(std::string_view path)
{
    const std::vector<std::string_view> parts = resolvedNames(path.substr(2), "\\/");
    std::string normalized{upper(path[0]), ':'};
    for (std::string_view part : parts) {
        normalized += '\\';
        normalized += part;
    }
    if (parts.empty())
        normalized += '\\';
    return normalized;
}

} // namespace

std::uint32_t logicalDrives()
{
    refreshDriveList();
    std::uint32_t mask = 0;
    for (const Drive& drive : driveList())
        mask |= std::uint32_t(1) << (drive.letter - 'a');
    return mask;
}

DriveType driveType(std::string_view root)
{
    const Drive* drive = driveOfRoot(root);
    return drive ? drive->type : DriveType::NoRootDir;
}

IoResult<VolumeInformation> volumeInformation(std::string_view root)
{
    IoResult<VolumeInformation> result;
    const Drive* drive = driveOfRoot(root);
    if (!drive) {
        result.error = IoError::PathNotFound;
        return result;
    }
    if (int error = fileSystemBackend().volumeLabel(drive->mount, result.value.label)) {
        result.value.label.clear();
        result.error = ioErrorCode(error);
        return result;
    }
    result.value.fileSystem = drive->mount.fileSystem;
    result.value.caseSensitive = isCaseSensitiveFileSystem(drive->mount.fileSystem);
    // Every Linux file system keeps the case it was given, except the 8.3 "msdos" one.
    result.value.casePreserved = drive->mount.fileSystem != "msdos";
    return result;
}

std::optional<std::string> networkConnection(std::string_view drive)
{
    // "X" alone, or a drive root ("X:", "X:\\")
    const Drive* found = drive.size() == 1 ? findDrive(drive[0]) : driveOfRoot(drive);
    if (!found)
        return std::nullopt;
    return driveConnectionName(*found);
}

IoResult<std::string> currentDirectory()
{
    IoResult<std::string> result;
    std::string native;
    if (int error = fileSystemBackend().currentDirectory(native)) {
        result.error = ioErrorCode(error);
        return result;
    }
    std::optional<std::string> path = toDriveLetterPath(native);
    if (!path) {
        result.error = IoError::PathNotFound;
        return result;
    }
    remember(native);
    result.value = std::move(*path);
    return result;
}

std::string ensureUsableCurrentDirectory(std::string_view lastKnown, std::string_view home)
{
    if (IoResult<std::string> current = currentDirectory())
        return current.value;
    FileSystemBackend& backend = fileSystemBackend();
    std::string native;
    // The directory itself may be there still, with a name the drive-letter form cannot carry.
    const std::string start = backend.currentDirectory(native) == 0 ? native : std::string(lastKnown);
    const auto enter = [&backend](const std::string& candidate) {
        FileStatus status;
        return !candidate.empty() && candidate[0] == '/' && toDriveLetterPath(candidate) &&
               backend.status(candidate, status) == 0 && status.kind == FileKind::Directory &&
               backend.changeDirectory(candidate) == 0;
    };
    // The root is no nearer than home: a user would rather start at home.
    bool entered = false;
    for (std::string candidate = start; !entered && candidate.size() > 1;) {
        entered = enter(candidate);
        const std::size_t slash = candidate.find_last_of('/');
        candidate = slash == std::string::npos ? std::string() : candidate.substr(0, slash);
    }
    if (!entered && !enter(std::string(home)))
        backend.changeDirectory("/");
    IoResult<std::string> now = currentDirectory();
    return now ? now.value : std::string("C:\\");
}

int setCurrentDirectory(std::string_view path)
{
    std::optional<std::string> full = fullPathName(path);
    std::optional<std::string> native = full ? toNativePath(*full) : std::nullopt;
    if (!native)
        return IoError::PathNotFound;
    FileSystemBackend& backend = fileSystemBackend();
    if (int error = backend.changeDirectory(*native))
        return ioErrorCodeForPath(error, *native);
    std::string now;
    remember(backend.currentDirectory(now) == 0 ? now : *native);
    return 0;
}

std::string driveDirectory(char letter)
{
    std::string root{upper(letter), ':', '\\'};
    const Drive* drive = findDrive(letter);
    if (!drive)
        return root;
    auto& directories = rememberedDirectories();
    auto remembered = directories.find(drive->mount.mountPoint);
    if (remembered == directories.end())
        return root;
    std::optional<std::string> path = toDriveLetterPath(remembered->second);
    if (!path || upper((*path)[0]) != root[0])
        return root;
    // A remembered directory that has gone since falls back to its nearest existing parent,
    // so the drive stays reachable.
    while (path->size() > root.size() && !directoryExists(*path)) {
        const std::size_t cut = path->rfind('\\');
        path->resize(cut < root.size() ? root.size() : cut);
    }
    return *path;
}

std::optional<std::string> fullPathName(std::string_view path)
{
    if (path.empty())
        return std::nullopt;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        std::optional<std::string> native = toNativePath(path);
        return native ? toDriveLetterPath(*native) : std::nullopt;
    }
    std::string base;
    if (hasDrive(path)) {
        char letter = upper(path[0]);
        std::string_view rest = path.substr(2);
        if (rest.empty() || !isSeparator(rest[0])) {
            // Drive-relative: the process's directory when it is on that drive, else the
            // drive's remembered one.
            IoResult<std::string> current = currentDirectory();
            base = current && upper(current.value[0]) == letter ? current.value
                                                                 : driveDirectory(letter);
            base += '\\';
            base += rest;
        } else {
            base = std::string{letter, ':'} + std::string(rest);
        }
    } else {
        IoResult<std::string> current = currentDirectory();
        if (!current)
            return std::nullopt;
        if (isSeparator(path[0]))
            base = current.value.substr(0, 2) + std::string(path);
        else
            base = current.value + '\\' + std::string(path);
    }
    return normalizedDrivePath(base);
}

bool fileExists(std::string_view path)
{
    std::optional<std::string> full = fullPathName(path);
    std::optional<std::string> native = full ? toNativePath(*full) : std::nullopt;
    FileStatus status;
    return native && fileSystemBackend().status(*native, status) == 0 &&
           status.kind != FileKind::Directory;
}

bool directoryExists(std::string_view path)
{
    std::optional<std::string> full = fullPathName(path);
    std::optional<std::string> native = full ? toNativePath(*full) : std::nullopt;
    FileStatus status;
    return native && fileSystemBackend().status(*native, status) == 0 &&
           status.kind == FileKind::Directory;
}

bool samePath(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    if (!hasDrive(a) || !hasDrive(b) || upper(a[0]) != upper(b[0]))
        return false;
    const Drive* drive = findDrive(a[0]);
    bool caseSensitive = !drive || isCaseSensitiveFileSystem(drive->mount.fileSystem);
    std::string_view restA = a.substr(2);
    std::string_view restB = b.substr(2);
    return caseSensitive ? restA == restB : sameFileName(restA, restB);
}

} // namespace platform

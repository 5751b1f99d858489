#include "platform/paths.h"

#include "platform/ascii_text.h"
#include "platform/drives/drive_table.h"
#include "platform/drives/file_system_backend.h"
#include "platform/drives/path_names.h"

#include <cctype>

namespace platform {
namespace {

bool hasDrive(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// "\\server\share\rest": the network drive whose connection name is the longest leading part
// of the path (compared ignoring case, as share names are), and the rest.
std::optional<std::string> nativeNetworkPath(std::string_view path)
{
    const Drive* best = nullptr;
    std::size_t bestLength = 0;
    for (const Drive& drive : driveList()) {
        std::optional<std::string> connection = driveConnectionName(drive);
        if (!connection || connection->size() > path.size() || connection->size() <= bestLength)
            continue;
        if (sameTextIgnoringAsciiCase(path.substr(0, connection->size()), *connection) &&
            (path.size() == connection->size() || isSeparator(path[connection->size()]))) {
            best = &drive;
            bestLength = connection->size();
        }
    }
    if (!best)
        return std::nullopt;
    const std::string& mountPoint = best->mount.mountPoint;
    std::string_view rest = path.substr(bestLength);
    if (rest.empty())
        return mountPoint;
    std::string native = mountPoint == "/" ? std::string() : mountPoint;
    for (char c : rest)
        native += c == '\\' ? '/' : c;
    return native;
}

// Resolves "." and ".." by name and drops repeated and trailing slashes: "/a/./b/../c/" -> "/a/c".
std::string normalizedAbsolute(std::string_view path)
{
    std::string normalized;
    for (std::string_view part : resolvedNames(path, "/")) {
        normalized += '/';
        normalized += part;
    }
    return normalized.empty() ? "/" : normalized;
}

} // namespace

const std::vector<DriveMapping>& driveTable()
{
    return driveMappings();
}

void setDriveTable(std::vector<DriveMapping> drives)
{
    for (DriveMapping& drive : drives)
        drive.letter = asciiLower(drive.letter);
    pinDriveMappings(std::move(drives));
}

std::optional<std::string> toNativePath(std::string_view path)
{
    std::string rest;
    std::string prefix;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return nativeNetworkPath(path);
    if (hasDrive(path)) {
        const Drive* drive = findDrive(path[0]);
        if (!drive)
            return std::nullopt;
        prefix = drive->mount.mountPoint == "/" ? std::string() : drive->mount.mountPoint;
        rest = std::string(path.substr(2));
        if (rest.empty() || !isSeparator(rest[0]))
            rest.insert(0, "/");
    } else {
        rest = std::string(path);
    }
    for (char& c : rest)
        if (c == '\\')
            c = '/';
    return prefix + rest;
}

std::string nativePath(std::string_view path)
{
    if (auto native = toNativePath(path))
        return *native;
    return std::string(path);
}

std::optional<std::string> toDriveLetterPath(std::string_view native)
{
    if (native.find('\\') != std::string_view::npos)
        return std::nullopt;
    std::string absolute(native);
    if (absolute.empty() || absolute[0] != '/') {
        std::string current;
        if (fileSystemBackend().currentDirectory(current) != 0)
            return std::nullopt;
        absolute = current + "/" + absolute;
    }
    absolute = normalizedAbsolute(absolute);
    const Drive* drive = driveOfNativePath(absolute);
    if (!drive)
        return std::nullopt;
    const std::string& mountPoint = drive->mount.mountPoint;
    std::string rest = mountPoint == "/" ? absolute : absolute.substr(mountPoint.size());
    if (rest.empty())
        rest = "/";
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    return std::string(1, char(std::toupper(static_cast<unsigned char>(drive->letter)))) + ":" + rest;
}

} // namespace platform

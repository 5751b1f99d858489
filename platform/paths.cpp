#include "platform/paths.h"

#include <cctype>
#include <filesystem>

namespace platform {
namespace {

std::vector<DriveMapping>& table()
{
    static std::vector<DriveMapping> drives{{'c', "/"}};
    return drives;
}

bool hasDrive(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

} // namespace

const std::vector<DriveMapping>& driveTable()
{
    return table();
}

void setDriveTable(std::vector<DriveMapping> drives)
{
    table() = std::move(drives);
}

std::optional<std::string> toNativePath(std::string_view path)
{
    std::string rest;
    std::string prefix;
    if (hasDrive(path)) {
        char letter = char(std::tolower(static_cast<unsigned char>(path[0])));
        const DriveMapping* drive = nullptr;
        for (const DriveMapping& d : table())
            if (d.letter == letter)
                drive = &d;
        if (!drive)
            return std::nullopt;
        prefix = drive->mountPoint == "/" ? std::string() : drive->mountPoint;
        rest = std::string(path.substr(2));
        // "C:" alone and "C:name" both mean the root here: there is no per-drive directory
        // at this level.
        if (rest.empty() || (rest[0] != '\\' && rest[0] != '/'))
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
        std::error_code error;
        auto current = std::filesystem::current_path(error);
        if (error)
            return std::nullopt;
        absolute = (current / std::filesystem::path(absolute)).lexically_normal().string();
    }
    const DriveMapping* best = nullptr;
    for (const DriveMapping& d : table()) {
        const std::string& mount = d.mountPoint;
        bool inside = mount == "/" ||
                      (absolute.compare(0, mount.size(), mount) == 0 &&
                       (absolute.size() == mount.size() || absolute[mount.size()] == '/'));
        if (inside && (!best || mount.size() > best->mountPoint.size()))
            best = &d;
    }
    if (!best)
        return std::nullopt;
    std::string rest = best->mountPoint == "/" ? absolute : absolute.substr(best->mountPoint.size());
    if (rest.empty())
        rest = "/";
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    return std::string(1, char(std::toupper(static_cast<unsigned char>(best->letter)))) + ":" + rest;
}

} // namespace platform

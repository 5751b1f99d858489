#include "platform/drives/mount_table.h"

#include <charconv>

namespace platform {
namespace {

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

template <class Number>
bool parseNumber(std::string_view text, Number& value)
{
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string stripTrailingSlashes(std::string_view text)
{
    while (!text.empty() && text.back() == '/')
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

std::string decodeMountField(std::string_view field)
{
    std::string decoded;
    decoded.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            decoded.push_back(char(value & 0xFF));
            i += 3;
        } else {
            decoded.push_back(field[i]);
        }
    }
    return decoded;
}

std::string decodeDeviceLabel(std::string_view name)
{
    std::string decoded;
    decoded.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            hexValue(name[i + 2]) >= 0 && hexValue(name[i + 3]) >= 0) {
            decoded.push_back(char(hexValue(name[i + 2]) * 16 + hexValue(name[i + 3])));
            i += 3;
        } else {
            decoded.push_back(name[i]);
        }
    }
    return decoded;
}

std::vector<MountEntry> parseMountInfo(std::string_view text)
{
    // Each line: id parent major:minor root mount-point options [optional fields...] -
    //            file-system source super-options
    std::vector<MountEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;

        std::vector<std::string_view> fields = splitFields(line);
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (fields.size() < 7 || separator + 2 >= fields.size())
            continue;

        MountEntry entry;
        std::string_view device = fields[2];
        std::size_t colon = device.find(':');
        if (!parseNumber(fields[0], entry.id) || !parseNumber(fields[1], entry.parentId) ||
            colon == std::string_view::npos || !parseNumber(device.substr(0, colon), entry.major) ||
            !parseNumber(device.substr(colon + 1), entry.minor))
            continue;
        entry.root = decodeMountField(fields[3]);
        entry.mountPoint = decodeMountField(fields[4]);
        entry.options = std::string(fields[5]);
        entry.fileSystem = decodeMountField(fields[separator + 1]);
        entry.source = decodeMountField(fields[separator + 2]);
        if (separator + 3 < fields.size())
            entry.superOptions = std::string(fields[separator + 3]);
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::string> connectionName(std::string_view source)
{
    std::string host;
    std::string path;
    if (source.size() > 2 && source.substr(0, 2) == "//") {
        // SMB form: //server/share[/directory]
        std::string_view rest = source.substr(2);
        std::size_t slash = rest.find('/');
        host = std::string(rest.substr(0, slash));
        if (slash != std::string_view::npos)
            path = stripTrailingSlashes(rest.substr(slash + 1));
    } else {
        // Host-colon form: [user@]server:/path (NFS, SSH file systems). A leading "/" means a
        // local name, never a host.
        if (source.empty() || source[0] == '/')
            return std::nullopt;
        std::size_t colon;
        if (source[0] == '[') {
            std::size_t bracket = source.find(']');
            if (bracket == std::string_view::npos || bracket + 1 >= source.size() ||
                source[bracket + 1] != ':')
                return std::nullopt;
            colon = bracket + 1;
        } else {
            colon = source.find(':');
            if (colon == std::string_view::npos)
                return std::nullopt;
        }
        std::string_view hostPart = source.substr(0, colon);
        std::size_t at = hostPart.rfind('@');
        if (at != std::string_view::npos)
            hostPart.remove_prefix(at + 1);
        host = std::string(hostPart);
        std::string_view rest = source.substr(colon + 1);
        while (!rest.empty() && rest.front() == '/')
            rest.remove_prefix(1);
        path = stripTrailingSlashes(rest);
    }
    if (host.empty() || host.find('/') != std::string::npos)
        return std::nullopt;
    std::string name = "\\\\" + host;
    if (!path.empty()) {
        name += '\\';
        for (char c : path)
            name += c == '/' ? '\\' : c;
    }
    return name;
}

bool isUnderDirectory(std::string_view path, std::string_view directory)
{
    if (directory == "/")
        return !path.empty() && path[0] == '/';
    return path.size() >= directory.size() && path.substr(0, directory.size()) == directory &&
           (path.size() == directory.size() || path[directory.size()] == '/');
}

} // namespace platform

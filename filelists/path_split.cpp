#include "filelists/path_split.h"

#include "framework/exceptions.h"
#include "platform/drives/drives.h"
#include "platform/drives/io_errors.h"

#include <optional>
#include <vector>

namespace filelists_detail {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool hasWildcards(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

// Goes back to a directory when the scope ends, whatever happened inside.
class DirectoryRestorer {
public:
    explicit DirectoryRestorer(std::string directory) : m_directory(std::move(directory)) {}
    ~DirectoryRestorer() { platform::setCurrentDirectory(m_directory); }
    DirectoryRestorer(const DirectoryRestorer&) = delete;
    DirectoryRestorer& operator=(const DirectoryRestorer&) = delete;

private:
    std::string m_directory;
};

std::string currentDirectoryOrRaise()
{
    platform::IoResult<std::string> current = platform::currentDirectory();
    checkIo(current.error);
    return current.value;
}

} // namespace

std::string_view drivePart(std::string_view path)
{
    if (path.size() >= 2 && path[1] == ':' && isLetter(path[0]))
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        std::size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string_view::npos)
            return path;
        std::size_t shareEnd = path.find('\\', serverEnd + 1);
        return shareEnd == std::string_view::npos ? path : path.substr(0, shareEnd);
    }
    return {};
}

void checkIo(int code)
{
    if (code != 0)
        throw EInOutError(platform::ioErrorMessage(code), code);
}

std::string joinPath(std::string_view directory, std::string_view name)
{
    std::string path(directory);
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += name;
    return path;
}

PathParts splitPath(std::string_view path, MissingName missing)
{
    // A directory removed while the process was in it can neither be read nor gone back to:
    // a path with a drive is still resolved, and the process stays where it led.
    const platform::IoResult<std::string> current = platform::currentDirectory();
    const std::string saved = current ? current.value : std::string();
    std::optional<DirectoryRestorer> restorer;
    if (current)
        restorer.emplace(saved);

    PathParts parts;
    parts.drive = saved.empty() ? 0 : saved[0];
    std::string drive;
    std::string rest;
    if (path.size() >= 2 && path.front() == '[' && path.back() == ']') {
        // A directory as the file list shows it, relative to where the process is.
        drive = std::string(drivePart(saved));
        rest = std::string(path.substr(1, path.size() - 2));
    } else if (std::string_view given = drivePart(path); !given.empty()) {
        drive = std::string(given);
        rest = std::string(path.substr(given.size()));
        parts.network = given[0] == '\\';
        if (!parts.network)
            parts.drive = given[0];
    } else {
        drive = std::string(drivePart(saved));
        rest = std::string(path);
    }

    // A bare drive goes to that drive's current directory.
    checkIo(platform::setCurrentDirectory(drive));
    if (parts.network) {
        // Shares are reached through the drive letter they are connected to.
        const std::string share = currentDirectoryOrRaise();
        parts.drive = share.empty() ? 0 : share[0];
    }

    const std::size_t cut = rest.rfind('\\');
    parts.file = cut == std::string::npos ? rest : rest.substr(cut + 1);
    if (rest.size() == parts.file.size() + 1) {
        parts.directory = "\\";
    } else if (rest.size() > parts.file.size() + 1) {
        parts.directory = rest.substr(0, rest.size() - parts.file.size() - 1);
    } else {
        const std::string here = currentDirectoryOrRaise();
        parts.directory = here.substr(drivePart(here).size());
        if (parts.directory.empty())
            parts.directory = "\\";
    }

    if (!parts.directory.empty())
        checkIo(platform::setCurrentDirectory(parts.directory));

    if (!parts.file.empty() && !hasWildcards(parts.file) && !platform::fileExists(parts.file)) {
        // Not a file there: a directory, or nothing at all.
        const int code = platform::setCurrentDirectory(parts.file);
        if (code != platform::IoError::FileNotFound || missing == MissingName::Raises) {
            checkIo(code);
            parts.directory = joinPath(parts.directory, parts.file);
            parts.file.clear();
        }
    }

    if (parts.network)
        parts.directory = drive + parts.directory;
    return parts;
}

std::string shortenPath(std::string_view path, int maxWidth,
                        const std::function<int(std::string_view)>& measure)
{
    if (measure(path) <= maxWidth)
        return std::string(path);

    const std::string_view drive = drivePart(path);
    const std::string_view afterDrive = path.substr(drive.size());
    const std::size_t cut = afterDrive.rfind('\\');
    const std::string_view name =
        cut == std::string_view::npos ? afterDrive : afterDrive.substr(cut + 1);
    const bool rooted = !afterDrive.empty() && afterDrive[0] == '\\';

    std::vector<std::string_view> directories;
    if (cut != std::string_view::npos) {
        std::size_t start = rooted ? 1 : 0;
        while (start < cut) {
            std::size_t end = afterDrive.find('\\', start);
            directories.push_back(afterDrive.substr(start, end - start));
            start = end + 1;
        }
    }

    std::size_t removed = 0;
    bool keepDrive = true;
    std::string text(path);
    while (removed < directories.size() || keepDrive) {
        if (removed < directories.size())
            ++removed;
        else
            keepDrive = false;
        text.clear();
        if (keepDrive) {
            text = std::string(drive);
            if (rooted)
                text += '\\';
            text += "...\\";
            for (std::size_t i = removed; i < directories.size(); ++i) {
                text += directories[i];
                text += '\\';
            }
        } else {
            text = "...\\";
        }
        text += name;
        if (measure(text) <= maxWidth)
            break;
    }
    return text;
}

} // namespace filelists_detail

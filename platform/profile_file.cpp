#include "platform/profile_file.h"

#include "platform/ascii_text.h"
#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

namespace platform {
namespace {

constexpr auto settingsFolder = "pictavo";

// Blanks around a name or value go, and so do the carriage returns of lines ended the other
// platform's way: lines are kept with them, so that a rewrite leaves other lines as they were.
std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The name of a section header line, or nullopt for any other line.
std::optional<std::string_view> sectionOf(std::string_view line)
{
    line = trimmed(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nullopt for any other line.
std::optional<std::string_view> keyOf(std::string_view line)
{
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || sectionOf(line))
        return std::nullopt;
    return trimmed(line.substr(0, equals));
}

// The file's lines without their line feeds (a carriage return before one stays with its line);
// nullopt when the file exists but cannot be read.
std::optional<std::vector<std::string>> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        struct stat status {};
        if (stat(path.c_str(), &status) != 0 && errno == ENOENT)
            return lines;
        return std::nullopt;
    }
    std::string line;
    while (std::getline(in, line))
        lines.push_back(std::move(line));
    if (in.bad())
        return std::nullopt;
    return lines;
}

bool makeDirectories(const std::string& directory)
{
    if (directory.empty())
        return true;
    struct stat status {};
    if (stat(directory.c_str(), &status) == 0)
        return S_ISDIR(status.st_mode);
    const auto slash = directory.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(directory.substr(0, slash)))
        return false;
    return mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += std::size_t(written);
    }
    return true;
}

// Writes the new content beside the file, flushes it to disk, then gives it the file's name:
// readers see the old file or the new one, never a part of either.
bool replaceFile(const std::string& path, const std::vector<std::string>& lines)
{
    const auto slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    if (!makeDirectories(directory))
        return false;
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + '\n';
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        // Another process's umask must not make the settings readable by others.
        chmod(temporary.c_str(), 0600);
        ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    // The directory itself is not flushed: after a crash the rename may be lost, which leaves
    // the previous file, still whole.
    return ok;
}

// The lines [begin, end) of a section's body (after its header), or nullopt when it is missing.
struct SectionSpan {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionSpan> findSection(const std::vector<std::string>& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name || !sameTextIgnoringAsciiCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionOf(lines[end]))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::string singleLine(std::string_view value)
{
    std::string text(value);
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

std::string profilePath(std::string_view fileName)
{
    const bool hasDirectory = fileName.find_first_of("/\\") != std::string_view::npos ||
                              (fileName.size() >= 2 && fileName[1] == ':');
    if (hasDirectory) {
        if (fileName.size() >= 2 && fileName[1] == ':')
            if (std::optional<std::string> native = toNativePath(fileName))
                return *native;
        return std::string(fileName);
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "") + "/.config";
    }
    return base + "/" + settingsFolder + "/" + std::string(fileName);
}

std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    const std::optional<std::vector<std::string>> lines = readLines(path);
    if (!lines)
        return std::string(defaultValue);
    const std::optional<SectionSpan> span = findSection(*lines, section);
    if (!span)
        return std::string(defaultValue);
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        const std::string_view line = (*lines)[i];
        if (const auto name = keyOf(line); name && sameTextIgnoringAsciiCase(*name, key)) {
            const std::string_view value = trimmed(line.substr(line.find('=') + 1));
            return std::string(value.substr(0, maxProfileValue));
        }
    }
    return std::string(defaultValue);
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value)
{
    std::optional<std::vector<std::string>> lines = readLines(path);
    if (!lines)
        return false;
    const std::string entry = std::string(trimmed(key)) + "=" + singleLine(value);
    const std::optional<SectionSpan> span = findSection(*lines, section);
    if (!span) {
        if (!lines->empty() && !trimmed(lines->back()).empty())
            lines->push_back("");
        lines->push_back("[" + std::string(section) + "]");
        lines->push_back(entry);
        return replaceFile(path, *lines);
    }
    std::size_t lastEntry = span->header;
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        if (const auto name = keyOf((*lines)[i])) {
            if (sameTextIgnoringAsciiCase(*name, key)) {
                (*lines)[i] = entry;
                return replaceFile(path, *lines);
            }
        }
        if (!trimmed((*lines)[i]).empty())
            lastEntry = i;
    }
    // After the section's last line that is not blank: blank lines before the next section stay.
    lines->insert(lines->begin() + std::ptrdiff_t(lastEntry + 1), entry);
    return replaceFile(path, *lines);
}

bool eraseProfileSection(const std::string& path, std::string_view section)
{
    std::optional<std::vector<std::string>> lines = readLines(path);
    if (!lines)
        return false;
    const std::optional<SectionSpan> span = findSection(*lines, section);
    if (!span)
        return true;
    lines->erase(lines->begin() + std::ptrdiff_t(span->header), lines->begin() + std::ptrdiff_t(span->end));
    return replaceFile(path, *lines);
}

} // namespace platform

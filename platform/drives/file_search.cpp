#include "platform/drives/file_search.h"

#include "platform/ascii_text.h"
#include "platform/drives/drives.h"
#include "platform/drives/file_names.h"
#include "platform/drives/file_system_backend.h"
#include "platform/paths.h"

#include <QChar>

#include <algorithm>
#include <optional>

namespace platform {
namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Decodes UTF-8 into case-folded code points. A byte that does not start a valid sequence stands
// for itself, moved to 0x110000 + byte so that it never equals a real character.
void foldCodePoints(std::string_view text, std::u32string& points)
{
    points.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        char32_t point = 0;
        std::size_t length = 0;
        if (byte < 0x80) {
            point = byte;
            length = 1;
        } else if ((byte & 0xE0) == 0xC0) {
            point = byte & 0x1F;
            length = 2;
        } else if ((byte & 0xF0) == 0xE0) {
            point = byte & 0x0F;
            length = 3;
        } else if ((byte & 0xF8) == 0xF0) {
            point = byte & 0x07;
            length = 4;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                point = (point << 6) | (next & 0x3F);
        }
        if (valid && point > 0x10FFFF)
            valid = false;
        if (!valid) {
            points.push_back(char32_t(0x110000 + byte));
            ++i;
            continue;
        }
        points.push_back(QChar::toCaseFolded(point));
        i += length;
    }
}

// Wildcard matching with backtracking to the last "*": linear in practice, never worse than
// name length times pattern length. `same` compares a name character with a pattern character.
template <class Text, class Same>
bool wildcardMatch(const Text& name, const Text& pattern, Same same)
{
    using Char = typename Text::value_type;
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = Text::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == Char('?') || same(name[n], pattern[p]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == Char('*')) {
            starPattern = p++;
            starName = n;
        } else if (starPattern != Text::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == Char('*'))
        ++p;
    return p == pattern.size();
}

// One pattern prepared for matching many names.
class PatternMatcher {
public:
    explicit PatternMatcher(std::string_view pattern) : m_pattern(pattern), m_ascii(isAscii(pattern))
    {
        foldCodePoints(pattern, m_folded);
        m_matchesAll = !pattern.empty() && pattern.find_first_not_of('*') == std::string_view::npos;
        // "*.ext", the common case: a literal ASCII tail after one leading star.
        if (m_ascii && pattern.size() > 1 && pattern[0] == '*' &&
            pattern.find_first_of("*?", 1) == std::string_view::npos)
            m_suffix = std::string(pattern.substr(1));
    }

    bool matches(std::string_view name) const
    {
        if (m_matchesAll)
            return true;
        if (!m_suffix.empty()) {
            if (name.size() < m_suffix.size())
                return false;
            // An ASCII tail holds exactly its own characters, and ASCII letters fold only to
            // ASCII: the tail decides. Other tails take the general road.
            std::string_view tail = name.substr(name.size() - m_suffix.size());
            if (isAscii(tail))
                return sameTextIgnoringAsciiCase(tail, m_suffix);
        }
        if (m_ascii && isAscii(name))
            return wildcardMatch(name, std::string_view(m_pattern),
                                 [](char a, char b) { return asciiLower(a) == asciiLower(b); });
        thread_local std::u32string foldedName;
        foldCodePoints(name, foldedName);
        return wildcardMatch(std::u32string_view(foldedName), std::u32string_view(m_folded),
                             [](char32_t a, char32_t b) { return a == b; });
    }

private:
    std::string m_pattern;
    bool m_ascii;
    bool m_matchesAll = false;
    std::u32string m_folded;
    std::string m_suffix;
};

// A name pattern with its rule that "name.*" also stands for the name without extension.
class NamePattern {
public:
    explicit NamePattern(std::string_view pattern) : m_whole(pattern)
    {
        if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
            m_withoutExtension.emplace(pattern.substr(0, pattern.size() - 2));
    }

    bool matches(std::string_view name) const
    {
        return m_whole.matches(name) || (m_withoutExtension && m_withoutExtension->matches(name));
    }

private:
    PatternMatcher m_whole;
    std::optional<PatternMatcher> m_withoutExtension;
};

std::uint32_t attributesOf(std::string_view name, const FileStatus& status)
{
    std::uint32_t attributes = 0;
    switch (status.kind) {
    case FileKind::Directory:
        attributes |= FileAttribute::Directory;
        break;
    case FileKind::Regular:
        attributes |= FileAttribute::Archive;
        break;
    case FileKind::Other:
        attributes |= FileAttribute::System;
        break;
    }
    if (isHiddenName(name))
        attributes |= FileAttribute::Hidden;
    if (!status.ownerWritable)
        attributes |= FileAttribute::ReadOnly;
    return attributes;
}

bool isDrivePrefix(std::string_view text)
{
    return text.size() == 2 && text[1] == ':';
}

} // namespace

bool isHiddenName(std::string_view name)
{
    return !name.empty() && name[0] == '.';
}

bool matchesPattern(std::string_view name, std::string_view pattern)
{
    return !pattern.empty() && NamePattern(pattern).matches(name);
}

std::vector<std::string> splitMask(std::string_view mask)
{
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= mask.size()) {
        std::size_t end = mask.find(';', start);
        if (end == std::string_view::npos)
            end = mask.size();
        if (end > start)
            patterns.emplace_back(mask.substr(start, end - start));
        start = end + 1;
    }
    return patterns;
}

bool matchesMask(std::string_view name, std::string_view mask)
{
    for (const std::string& pattern : splitMask(mask))
        if (matchesPattern(name, pattern))
            return true;
    return false;
}

IoResult<std::vector<FileEntry>> readDirectory(std::string_view directory)
{
    IoResult<std::vector<FileEntry>> result;
    std::optional<std::string> full = fullPathName(directory.empty() ? "." : directory);
    std::optional<std::string> native = full ? toNativePath(*full) : std::nullopt;
    if (!native) {
        result.error = IoError::PathNotFound;
        return result;
    }
    std::vector<DirectoryEntry> entries;
    if (int error = fileSystemBackend().listDirectory(*native, entries)) {
        result.error = ioErrorCodeForPath(error, *native);
        return result;
    }
    result.value.reserve(entries.size() + 2);
    bool isRoot = full->size() == 3;
    if (!isRoot) {
        result.value.push_back({".", FileAttribute::Directory, 0, 0});
        result.value.push_back({"..", FileAttribute::Directory, 0, 0});
    }
    for (DirectoryEntry& entry : entries) {
        if (entry.name.find('\\') != std::string::npos)
            continue;
        std::uint32_t attributes = attributesOf(entry.name, entry.status);
        result.value.push_back(
            {std::move(entry.name), attributes, entry.status.size, entry.status.modified});
    }
    return result;
}

bool passesAttributeMask(std::uint32_t attributes, std::uint32_t attributeMask)
{
    constexpr std::uint32_t excludedUnlessAsked = FileAttribute::Hidden | FileAttribute::System |
                                                  FileAttribute::VolumeId |
                                                  FileAttribute::Directory;
    return (attributes & excludedUnlessAsked & ~attributeMask) == 0;
}

std::vector<FileEntry> selectEntries(const std::vector<FileEntry>& entries,
                                     std::string_view pattern, std::uint32_t attributeMask)
{
    std::vector<FileEntry> selected;
    if (pattern.empty())
        return selected;
    NamePattern matcher(pattern);
    for (const FileEntry& entry : entries)
        if (passesAttributeMask(entry.attributes, attributeMask) && matcher.matches(entry.name))
            selected.push_back(entry);
    return selected;
}

IoResult<std::vector<FileEntry>> findFiles(std::string_view patternPath,
                                           std::uint32_t attributeMask)
{
    std::string_view directory;
    std::string_view pattern = patternPath;
    std::size_t cut = patternPath.find_last_of("\\/");
    if (cut != std::string_view::npos) {
        directory = patternPath.substr(0, cut);
        // "\*.bmp" and "C:\*.bmp" search a root: the separator stays with the directory.
        if (directory.empty() || isDrivePrefix(directory))
            directory = patternPath.substr(0, cut + 1);
        pattern = patternPath.substr(cut + 1);
    } else if (patternPath.size() >= 2 && patternPath[1] == ':') {
        directory = patternPath.substr(0, 2);  // "C:*.bmp": the drive's current directory
        pattern = patternPath.substr(2);
    }
    IoResult<std::vector<FileEntry>> entries = readDirectory(directory);
    if (!entries)
        return entries;
    entries.value = selectEntries(entries.value, pattern, attributeMask);
    return entries;
}

void sortFileEntries(std::vector<FileEntry>& entries)
{
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const FileEntry& entry : entries)
        names.push_back(entry.name);
    std::vector<std::size_t> order = fileNameOrder(names);
    std::vector<FileEntry> sorted;
    sorted.reserve(entries.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(entries[index]));
    entries = std::move(sorted);
}

} // namespace platform

#pragma once
// Settings files in INI form ("[Section]" lines, then "key=value" lines), read and written one
// key at a time. Sections and keys are matched without regard to case; a write replaces a key
// where it stands, adds a new key at the end of its section and a new section at the end of the
// file, and leaves every other line as it was. Every write replaces the whole file at once: a
// crash or a full disk leaves the previous file whole.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The longest value a read gives back: the classic profile calls fill a 1024-byte buffer.
constexpr std::size_t maxProfileValue = 1023;

// Where a settings file lives: a name without a directory goes into $XDG_CONFIG_HOME/pictavo/
// (~/.config/pictavo/ when that is unset); a drive-letter path goes to its native form; any
// other path stays as it is. Returns a native path.
std::string profilePath(std::string_view fileName);

// The value of `key` in `section` with the blanks around it removed and cut to 1023 bytes, or
// `defaultValue` when the file, the section or the key is missing.
std::string readProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue);

// Writes one key (line breaks in the value become blanks, so the file keeps its lines). Makes
// the file's directory when it is missing. Returns false when the file cannot be written.
bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

// Removes a section with all its keys; a missing file or section is no failure. Returns false
// when the file cannot be written.
bool eraseProfileSection(const std::string& path, std::string_view section);

} // namespace platform

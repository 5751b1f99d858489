#pragma once
// Clipboard formats: the numbered standard formats (1 to 17) and formats registered by name,
// which take numbers from 0xC000 up. Registering a name again gives the number it already has.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr std::uint16_t firstNamedClipboardFormat = 0xC000;

// The number of the named format, registered on first use. Names are compared without regard
// to the case of ASCII letters. 0 for an empty name or when every number is taken.
std::uint16_t registerClipboardFormat(std::string_view name);
// The name a format was registered with; empty for the standard formats and unknown numbers.
std::string clipboardFormatName(std::uint16_t format);

} // namespace platform

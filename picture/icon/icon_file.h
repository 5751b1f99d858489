#pragma once
// Internal to picture/icon: the icon file's directory, the choice of the image to show on a
// display, making the platform icon of that image, and writing a single-image file.
//
// File layout (little-endian): a 6-byte directory header (reserved, type, number of entries),
// then 16-byte entries (width, height, colour count, reserved, planes, bit count, bytes of the
// image, offset of the image from the start of the file). An image is a bitmap info header, a
// colour table, the colour (XOR) pixels and the 1-bit mask (AND) pixels, the header's height
// counting both; or a whole PNG file.

#include "picture/icon/icon.h"
#include "platform/section.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace icon_file {

constexpr std::size_t directoryHeaderSize = 6;
constexpr std::size_t entrySize = 16;

enum : std::uint16_t { typeDefaultIcon = 0, typeIcon = 1 };

// The display colour value D for a display of `bits` bits per pixel (bits × planes): 0 for 24
// bits, else 2^bits cut to 16 bits with the shift count taken modulo 32 (so 16 bits give 0 and
// 32 bits give 1).
std::uint16_t displayColourValue(int bits);

// The entry to show among entries with these colour values (each entry's colour count and
// reserved bytes as one 16-bit value), for a display of `displayBits` bits per pixel. Walking
// from the first: an exact match with D is taken at once. Otherwise the first entry whose value
// is at most D becomes the candidate, remembering its value C, and every later entry whose
// value is greater than C replaces it (C stays). The last candidate wins, or the first entry
// when there was none. An empty list gives 0.
std::size_t chooseEntry(std::span<const std::uint16_t> colourValues, int displayBits);

// Makes the platform icon from the bytes of an icon file: the default application icon for
// type 0; for type 1 the chosen image, stretched to `size`. "Icon image is not valid" for any
// other type, no entries, entries or images outside the file, and images the format does not
// allow or that are shorter than their header says.
TIconHandle makeIcon(std::span<const std::uint8_t> file, int displayBits, platform::Size size);

// A 40-byte info header for a section of that size and bit count (rows bottom-up for a
// positive height), without compression.
platform::BitmapInfoHeader sectionHeader(int width, int height, int bitCount);

// A single-image, 16-colour icon file of the icon: its colours mapped to the standard 16-colour
// palette, and its mask.
std::vector<std::uint8_t> writeIcon(const platform::Icon& icon);

} // namespace icon_file

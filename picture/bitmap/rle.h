#pragma once
// Run-length coded pixel data of bitmap files (8 and 4 bits per pixel), decoded into a 32-bit
// picture. Internal to the bitmap module.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {
class Section;
}

// Decodes the data into the 32-bit device bitmap `target`, whose pixels start black. Rows are
// coded bottom row first. Colours come from `colours` (blue-green-red-0 words as stored in
// memory, indexed by pixel value). Pixels that deltas, end-of-line and end-of-bitmap codes pass
// over keep their colour; pixels coded beyond the right edge are dropped; decoding stops at the
// top row, at the end-of-bitmap code or where the data ends.
void decodeRle(std::span<const std::uint8_t> data, int bitCount,
               const std::array<std::uint32_t, 256>& colours, platform::Section& target);

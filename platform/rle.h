#pragma once
// Run-length coded pixels of device-independent bitmaps (8 and 4 bits per pixel), as bitmap
// files and metafile records hold them.

#include <cstdint>
#include <functional>
#include <span>

namespace platform {

// Receives decoded pixels: `indexes` are the colour-table indexes of the pixels from column x
// of row y on (row 0 is the picture's top row), never past the right edge.
using RlePixels = std::function<void(int x, int y, std::span<const std::uint8_t> indexes)>;

// Decodes the data of a picture of width × height pixels; coded rows run from the bottom of the
// picture up. Pixels that deltas, end-of-line and end-of-bitmap codes pass over are never
// handed over, so they keep whatever the receiver's picture held; pixels coded beyond the
// right edge are dropped; decoding stops at the top row, at the end-of-bitmap code or where
// the data ends (a literal cut short yields the pixels that are there).
void decodeRle(std::span<const std::uint8_t> data, int bitCount, int width, int height, const RlePixels& put);

} // namespace platform

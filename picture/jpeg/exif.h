#pragma once
// The orientation a JPEG file's Exif block gives its picture, and turning decoded pixels
// upright by it. Cameras store the sensor's rows as they come and say in the Exif block how to
// turn them; values 2 to 8 mirror and rotate, 1 leaves the picture as stored. Internal to the
// JPEG module; its tests and fuzz targets may include it.

#include <cstdint>
#include <memory>
#include <span>

namespace platform {
class Section;
}

namespace exif {

// The orientation of the first Exif block (APP1 "Exif\0\0") before the first scan of a JPEG
// file: 1 to 8. A file without one, and a damaged or absurd block, give 1.
int orientation(std::span<const std::uint8_t> jpegFile);

// Orientations 5 to 8 turn the picture a quarter round, so its width and height swap.
constexpr bool swapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The pixels of `stored` (8, 24 or 32 bits) turned upright by the orientation; null for 1, for a
// value outside 1 to 8 and for other bit counts. The result is a top-down section with the
// stored colour table.
std::unique_ptr<platform::Section> upright(const platform::Section& stored, int orientation);

} // namespace exif

#pragma once
// Device-independent bitmaps as metafile records carry them: a bitmap info block (header,
// colour table or masks) and the pixel bits, each at its own offset in the record. Internal to
// platform/.

#include "platform/palette.h"
#include "platform/section.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace platform::metafile {

// The section the info block and bits describe, or null when they do not make one: unknown
// header sizes or bit counts, bits shorter than the rows they must hold, pictures past the
// section limit. DIB_PAL_COLORS tables (16-bit indexes) take their colours from the palette.
// JPEG and PNG bits are decoded when the picture they hold is of a sane size.
std::unique_ptr<Section> sectionFromDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                        std::uint32_t usage, const Palette* palette);

// The info block (40-byte header, then the colour table or bit-field masks) and the bits of a
// section, as records store them. A monochrome device bitmap gets a table of the two colours its
// 0 and 1 bits would take where it is drawn.
struct DibBytes {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
};
DibBytes dibOf(const Section& section, Colour monochromeZero = 0x000000, Colour monochromeOne = 0xFFFFFF);

// A packed bitmap (info block and bits in a row, as Windows-metafile records hold them) split
// into its two parts; both empty when the header cannot be read.
struct PackedDib {
    std::span<const std::uint8_t> info;
    std::span<const std::uint8_t> bits;
};
PackedDib splitPackedDib(std::span<const std::uint8_t> packed, std::uint32_t usage);

} // namespace platform::metafile

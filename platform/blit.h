#pragma once
// Internal to platform/: the blit engine. Every copy, stretch, masked copy and pattern fill onto
// a section goes through `blit`, which works on the destination's raw pixel values: the source
// and the pattern are first brought into the destination's coding, then the ternary raster
// operation combines pattern, source and destination bit by bit.
//
// Rules the callers rely on:
// - Nearest-pixel stretching (every stretch mode but Halftone) picks, for destination column dx
//   of a destination dstW wide (dx counted from the destination's left edge), the source column
//       sx = sourceLeft + floor((2·dx + 1) · srcW / (2 · dstW)),
//   the source pixel under the destination pixel's centre; rows likewise. A 5 → 3 stretch takes
//   columns 0, 2, 4; a 3 → 5 stretch takes 0, 0, 1, 2, 2.
// - A destination or source rectangle given right-to-left (or bottom-to-top) mirrors the picture
//   when exactly one of the two is reversed: mirrored column dx takes what column dstW − 1 − dx
//   would take unmirrored.
// - Halftone averages, for each destination pixel, the source pixels of the box
//   [floor(dx·srcW/dstW), max(that + 1, ceil((dx+1)·srcW/dstW))) by columns and rows alike, each
//   with the same weight, rounding to nearest. Unscaled blits are never averaged.
// - Destination pixels whose source pixel lies outside the source are left alone, as are pixels
//   outside the destination and the clip rectangle.
// - Source colours into the destination's coding: a monochrome device source gives its 0 bits
//   the text colour and its 1 bits the background colour; onto a monochrome device its bits are
//   copied as they are. Any other source onto a monochrome device gives 1 where its pixel equals
//   the source background colour (as the source's own coding stores that colour: for a
//   palettised source, its colour-table entry nearest that colour) and 0 elsewhere. Onto a
//   palettised section colours map to the nearest colour-table entry; onto 16, 24 and 32 bits
//   they are packed (channels narrowed by dropping low bits).
// - Brush and pattern colours onto a monochrome device become black or white, whichever is
//   nearer (ties go to black); a monochrome device pattern is coloured like a monochrome source.
// - Raster operations work on the destination's raw values (colour-table indexes of palettised
//   targets), limited to the bits that hold colour: Whiteness sets every index bit.
// - A source that is also the destination is read from a copy, so overlapping moves are right.

#include "platform/device_context.h"
#include "platform/section.h"

#include <cstdint>
#include <optional>

namespace platform::detail {

struct BlitParams {
    Rect destination;                      // right < left (bottom < top) mirrors
    const Section* source = nullptr;       // null for pattern-only operations
    Rect sourceRect;
    const Section* mask = nullptr;         // 1-bit mask of a masked copy (unscaled only)
    Point maskOrigin;
    std::uint32_t rasterOp = rop::SrcCopy; // with a mask: background function in bits 24..31
    StretchMode stretchMode = StretchMode::ColorOnColor;
    Colour textColour = 0x000000;          // the destination context's colours
    Colour backgroundColour = 0xFFFFFF;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    Colour sourceBackground = 0xFFFFFF;    // the source context's background colour
    BrushSpec brush;
    Point brushOrigin;
    std::optional<Rect> clip;              // in destination pixels
};

// Returns the destination rectangle it worked on (every pixel of it computed, though transparent
// hatch gaps and masks may have kept some); empty when nothing was done.
Rect blit(Section& destination, const BlitParams& params);

// The parameters a context's state gives: its colours, modes, brush and clip.
BlitParams paramsFor(const DeviceContext& context);
// The same with the operands of a context's stretchBlt, maskBlt and patBlt.
BlitParams stretchParams(const DeviceContext& context, const Rect& destination, const Section& source,
                         const Rect& sourceRect, std::uint32_t rasterOp, Colour sourceBackground);
BlitParams maskParams(const DeviceContext& context, const Rect& destination, const Section& source,
                      Point sourceOrigin, const Section& mask, Point maskOrigin, std::uint32_t rasterOp);
BlitParams patternParams(const DeviceContext& context, const Rect& destination, std::uint32_t rasterOp);

// Which of pattern, source and destination a ternary function reads.
constexpr bool usesPattern(std::uint8_t f) { return ((f >> 4) ^ f) & 0x0F; }
constexpr bool usesSource(std::uint8_t f) { return ((f >> 2) ^ f) & 0x33; }
constexpr bool usesDestination(std::uint8_t f) { return ((f >> 1) ^ f) & 0x55; }

// Applies the ternary function to whole words, bit by bit: result bit = bit (p<<2 | s<<1 | d)
// of `function`, kept to `valueMask`. Pattern or source may be null when the function does not
// read them; `result` may be `destination`.
void applyRop(std::uint8_t function, const std::uint32_t* pattern, const std::uint32_t* source,
              const std::uint32_t* destination, std::uint32_t* result, int count, std::uint32_t valueMask);

} // namespace platform::detail

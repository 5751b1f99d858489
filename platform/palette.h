#pragma once
// Logical palettes: the 16-colour standard palette, the display's halftone palette, and
// nearest-colour mapping.

#include "platform/types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class Palette {
public:
    explicit Palette(std::vector<PaletteEntry> entries);

    int size() const { return int(m_entries.size()); }
    const std::vector<PaletteEntry>& entries() const { return m_entries; }
    Colour colour(int index) const;
    // Index of the entry closest to the colour (least squared distance; the lowest index on ties).
    int nearestIndex(Colour colour) const;
    Colour nearestColour(Colour colour) const { return this->colour(nearestIndex(colour)); }

private:
    std::vector<PaletteEntry> m_entries;
};

// The 16-colour standard palette: made once, shared, never freed.
const Palette& standardPalette16();
// A new 256-entry halftone palette of the display.
Palette createHalftonePalette();

// Index of the closest colour in a list of colours (least squared distance, lowest index on ties).
int nearestColourIndex(std::span<const Colour> colours, Colour colour);

} // namespace platform

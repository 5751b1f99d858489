#pragma once
// Logical palettes: the 16-colour standard palette, the display's halftone palette, and
// nearest-colour mapping.

#include "platform/types.h"

#include <cstdint>
#include <memory>
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

// The 16-colour standard palette: made once, shared, never freed. The display has no hardware
// palette, so the standard table is used as it stands.
const Palette& standardPalette16();
// A new 256-entry halftone palette of the display:
//   0..7     the standard colours 0..7 (black and the dark colours);
//   8..223   a 6 × 6 × 6 colour cube, levels 0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF, at index
//            8 + 36 × red level + 6 × green level + blue level;
//   224..247 grays 10, 20, ..., 240 (none of them in the cube or the standard colours);
//   248..255 the standard colours 8..15 (silver and the bright colours, white last).
// Black is index 0, and an all-ones index (Whiteness on an 8-bit section) is white.
Palette createHalftonePalette();

// Index of the closest colour in a list of colours (least squared distance, lowest index on ties).
// System colours are resolved and flags dropped first.
int nearestColourIndex(std::span<const Colour> colours, Colour colour);

// Nearest-colour mapping for many lookups against one list of colours (photo data mapped to a
// colour table): the same answers as nearestColourIndex, from a search that prunes by the green
// distance and a cache of recent answers. Not thread-safe; make one per mapping job.
class ColourMatcher {
public:
    explicit ColourMatcher(std::span<const Colour> colours);
    ~ColourMatcher();
    ColourMatcher(const ColourMatcher&) = delete;
    ColourMatcher& operator=(const ColourMatcher&) = delete;

    // The colour's red, green and blue bytes are used; the top byte is ignored.
    int nearestIndex(Colour colour);

private:
    struct Entry {
        int green;
        int red;
        int blue;
        int index;
    };
    struct CacheSlot {
        std::uint32_t key = 0xFFFFFFFF;  // colour | 0 in the top byte; all ones means empty
        int index = 0;
    };
    int search(Colour colour) const;

    std::vector<Entry> m_byGreen;
    std::unique_ptr<CacheSlot[]> m_cache;
};

} // namespace platform

#pragma once
// Internal to platform/: how a section codes its pixels, and the moves between stored ("raw")
// values — colour-table indexes or packed bit fields — and display values. A display value is
// the 32-bit word of the display's blue-green-red-x pixels: 0x00RRGGBB.

#include "platform/types.h"

#include <array>
#include <cstdint>
#include <span>

namespace platform {
struct RgbQuad;
}

namespace platform::detail {

using Rgb32 = std::uint32_t;

constexpr Rgb32 rgb32Of(Colour c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr Colour colourOfRgb32(Rgb32 v)
{
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// Widens an n-bit value (n ≤ 8) to 8 bits by repeating its bits: 5-bit 31 gives 255,
// 5-bit 16 gives 132.
constexpr std::uint8_t widenBits(std::uint32_t value, int bits)
{
    if (bits <= 0)
        return 0;
    std::uint32_t result = 0;
    int filled = 0;
    while (filled < 8) {
        int shift = 8 - filled - bits;
        result |= shift >= 0 ? value << shift : value >> -shift;
        filled += bits;
    }
    return std::uint8_t(result);
}

// One colour channel of a bit-field pixel: the bits of its mask from the lowest set bit to the
// highest. Channels wider than 8 bits keep their top 8 bits when read and repeat the 8 bits when
// written. Holes in an odd mask simply read as zero bits.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask);

    std::uint8_t decode(std::uint32_t raw) const { return m_widen[((raw & m_mask) >> m_shift) >> m_drop]; }
    std::uint32_t encode(std::uint8_t value) const { return m_narrow[value]; }
    int bits() const { return m_bits; }

private:
    std::uint32_t m_mask = 0;
    int m_shift = 0;
    int m_drop = 0;
    int m_bits = 0;
    std::array<std::uint8_t, 256> m_widen{};
    std::array<std::uint32_t, 256> m_narrow{};
};

// The coding of one section's pixels.
class PixelFormat {
public:
    enum class Layout {
        Indexed,    // 1, 4, 8 bits: colour-table indexes (a monochrome device: 0 black, 1 white)
        Bgr24,      // 3 bytes blue, green, red: raw value equals the display value
        Plain32,    // 32 bits with masks 0xFF0000, 0xFF00, 0xFF: raw & 0xFFFFFF is the display value
        BitFields   // 16 or 32 bits with any masks
    };

    PixelFormat(int bitCount, std::span<const std::uint32_t, 3> masks, std::span<const RgbQuad> colours,
                bool monochromeDevice);

    int bitCount() const { return m_bitCount; }
    Layout layout() const { return m_layout; }
    bool isIndexed() const { return m_layout == Layout::Indexed; }
    // The bits of a raw value that hold colour; raster operations keep to them.
    std::uint32_t valueMask() const { return m_valueMask; }
    // Display colours of all 2^bitCount indexes (entries past the colour table are black).
    const std::array<Rgb32, 256>& lookup() const { return m_lookup; }
    // Number of real colour-table entries (2 for a monochrome device).
    int tableSize() const { return m_tableSize; }

    Rgb32 decode(std::uint32_t raw) const
    {
        switch (m_layout) {
        case Layout::Indexed: return m_lookup[raw & 0xFF];
        case Layout::Bgr24: return raw & 0xFFFFFF;
        case Layout::Plain32: return raw & 0xFFFFFF;
        case Layout::BitFields: break;
        }
        return (Rgb32(m_red.decode(raw)) << 16) | (Rgb32(m_green.decode(raw)) << 8) | m_blue.decode(raw);
    }
    // Not for indexed formats: their colours go through nearest-colour mapping.
    std::uint32_t encode(Rgb32 value) const
    {
        if (m_layout != Layout::BitFields)
            return value & 0xFFFFFF;
        return m_red.encode(std::uint8_t(value >> 16)) | m_green.encode(std::uint8_t(value >> 8))
               | m_blue.encode(std::uint8_t(value));
    }
    void decodeRow(const std::uint32_t* raw, int count, Rgb32* out) const;

private:
    int m_bitCount;
    Layout m_layout;
    std::uint32_t m_valueMask;
    int m_tableSize = 0;
    Channel m_red;
    Channel m_green;
    Channel m_blue;
    std::array<Rgb32, 256> m_lookup{};
};

// Raw pixel access within one row of `bitCount` bits per pixel. Sub-byte pixels are packed
// from the most significant bit, as the bitmap format stores them.
std::uint32_t readRaw(const std::uint8_t* row, int bitCount, int x);
void writeRaw(std::uint8_t* row, int bitCount, int x, std::uint32_t value);
void readRawRow(const std::uint8_t* row, int bitCount, int x, int count, std::uint32_t* out);
// Reads the pixels at the given columns (a stretch's column map).
void gatherRaw(const std::uint8_t* row, int bitCount, const int* columns, int count, std::uint32_t* out);
void writeRawRow(std::uint8_t* row, int bitCount, int x, int count, const std::uint32_t* in);

} // namespace platform::detail

#pragma once
// Icon files built in the tests: bitmap images with their masks, PNG images, and the directory
// that points at them.

#include "support/bytes.h"

#include <QBuffer>
#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

namespace icon_test {

// A bitmap image as an icon stores it: info header (height doubled), `colours` as the colour
// table (padded with black to the full 2^bitCount entries for bit counts up to 8), colour
// pixels, mask pixels. `pixel` gives a colour-table index (bit counts up to 8) or a colour value
// 0xAARRGGBB (16 bits: 5-5-5 from the top bits of each channel; 24: the low three bytes; 32:
// all four); `mask` gives the AND bit. Rows are written bottom-up.
inline std::vector<std::uint8_t> bitmapImage(int width, int height, int bitCount, std::vector<std::uint32_t> colours,
                                             const std::function<std::uint32_t(int x, int y)>& pixel,
                                             const std::function<bool(int x, int y)>& mask)
{
    Bytes b;
    b.infoHeader(width, height * 2, bitCount);
    if (bitCount <= 8) {
        colours.resize(std::size_t(1) << bitCount, 0);
        for (std::uint32_t c : colours)
            b.quad(std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c));
    }
    const auto packedRow = [&](int bits, const std::function<std::uint32_t(int)>& value) {
        std::vector<std::uint8_t> row(std::size_t(((width * bits + 31) / 32) * 4), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x);
            if (bits < 8) {
                const int bit = x * bits;
                row[std::size_t(bit / 8)] |= std::uint8_t(v << (8 - bits - bit % 8));
            } else if (bits == 8) {
                row[std::size_t(x)] = std::uint8_t(v);
            } else if (bits == 16) {
                const std::uint32_t packed = ((v >> 19 & 31) << 10) | ((v >> 11 & 31) << 5) | (v >> 3 & 31);
                row[std::size_t(2 * x)] = std::uint8_t(packed);
                row[std::size_t(2 * x + 1)] = std::uint8_t(packed >> 8);
            } else {
                for (int i = 0; i < bits / 8; ++i)
                    row[std::size_t(x * bits / 8 + i)] = std::uint8_t(v >> (8 * i));
            }
        }
        return row;
    };
    for (int y = height - 1; y >= 0; --y)
        b.raw(packedRow(bitCount, [&](int x) { return pixel(x, y); }));
    for (int y = height - 1; y >= 0; --y)
        b.raw(packedRow(1, [&](int x) { return mask(x, y) ? 1u : 0u; }));
    return b.data();
}

inline bool noMask(int, int)
{
    return false;
}

// An image as a whole PNG file, written by Qt's PNG writer.
inline std::vector<std::uint8_t> pngImage(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {data.begin(), data.end()};
}

struct Entry {
    std::vector<std::uint8_t> image;
    std::uint8_t colourCount = 16;
    std::uint8_t reserved = 0;
    std::uint8_t width = 32;
    std::uint8_t height = 32;
};

// The directory header, one 16-byte entry per image (its offset counted from the start of the
// file, the images following the entries in order), then the images.
inline std::vector<std::uint8_t> iconFile(const std::vector<Entry>& entries, std::uint16_t type = 1)
{
    Bytes b;
    b.u16(0).u16(type).u16(std::uint32_t(entries.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        b.u8(e.width).u8(e.height).u8(e.colourCount).u8(e.reserved);
        b.u16(1).u16(0);  // planes, bit count: never consulted
        b.u32(std::uint32_t(e.image.size())).u32(offset);
        offset += std::uint32_t(e.image.size());
    }
    for (const Entry& e : entries)
        b.raw(e.image);
    return b.data();
}

} // namespace icon_test

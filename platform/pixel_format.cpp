#include "platform/pixel_format.h"

#include "platform/section.h"

#include <bit>
#include <cstring>

namespace platform::detail {

Channel::Channel(std::uint32_t mask) : m_mask(mask)
{
    if (mask == 0)
        return;
    m_shift = std::countr_zero(mask);
    m_bits = 32 - std::countl_zero(mask >> m_shift);
    m_drop = m_bits > 8 ? m_bits - 8 : 0;
    const int kept = m_bits - m_drop;
    for (std::uint32_t v = 0; v < (1u << kept); ++v)
        m_widen[v] = widenBits(v, kept);
    for (std::uint32_t v = 0; v < 256; ++v) {
        std::uint32_t narrow = 0;
        if (m_bits <= 8) {
            narrow = v >> (8 - m_bits);
        } else {
            // Repeat the 8 bits downwards until the channel is full.
            for (int filled = 0; filled < m_bits; filled += 8) {
                int shift = m_bits - filled - 8;
                narrow |= shift >= 0 ? v << shift : v >> -shift;
            }
        }
        m_narrow[v] = std::uint32_t(std::uint64_t(narrow) << m_shift) & mask;
    }
}

PixelFormat::PixelFormat(int bitCount, std::span<const std::uint32_t, 3> masks,
                         std::span<const RgbQuad> colours, bool monochromeDevice)
    : m_bitCount(bitCount)
{
    if (bitCount <= 8) {
        m_layout = Layout::Indexed;
        m_valueMask = (1u << bitCount) - 1;
        if (monochromeDevice) {
            m_lookup[1] = 0xFFFFFF;
            m_tableSize = 2;
        } else {
            m_tableSize = int(std::min<std::size_t>(colours.size(), std::size_t(1) << bitCount));
            for (int i = 0; i < m_tableSize; ++i)
                m_lookup[i] = rgb32Of(colourOf(colours[i]));
        }
        return;
    }
    if (bitCount == 24) {
        m_layout = Layout::Bgr24;
        m_valueMask = 0xFFFFFF;
        return;
    }
    if (bitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
        m_layout = Layout::Plain32;
        m_valueMask = 0xFFFFFF;
        return;
    }
    m_layout = Layout::BitFields;
    const std::uint32_t width = bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
    m_valueMask = (masks[0] | masks[1] | masks[2]) & width;
    m_red = Channel(masks[0] & width);
    m_green = Channel(masks[1] & width);
    m_blue = Channel(masks[2] & width);
}

void PixelFormat::decodeRow(const std::uint32_t* raw, int count, Rgb32* out) const
{
    switch (m_layout) {
    case Layout::Indexed:
        for (int i = 0; i < count; ++i)
            out[i] = m_lookup[raw[i] & 0xFF];
        return;
    case Layout::Bgr24:
    case Layout::Plain32:
        for (int i = 0; i < count; ++i)
            out[i] = raw[i] & 0xFFFFFF;
        return;
    case Layout::BitFields:
        for (int i = 0; i < count; ++i)
            out[i] = decode(raw[i]);
        return;
    }
}

std::uint32_t readRaw(const std::uint8_t* row, int bitCount, int x)
{
    switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        return v;
    }
    case 24: {
        const std::uint8_t* p = row + 3 * x;
        return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    }
    default: {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
    }
    }
}

void writeRaw(std::uint8_t* row, int bitCount, int x, std::uint32_t value)
{
    switch (bitCount) {
    case 1: {
        const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
        row[x >> 3] = (value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        return;
    }
    case 4: {
        std::uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? std::uint8_t((byte & 0xF0) | (value & 0xF))
                       : std::uint8_t((byte & 0x0F) | ((value & 0xF) << 4));
        return;
    }
    case 8: row[x] = std::uint8_t(value); return;
    case 16: {
        const std::uint16_t v = std::uint16_t(value);
        std::memcpy(row + 2 * x, &v, 2);
        return;
    }
    case 24: {
        std::uint8_t* p = row + 3 * x;
        p[0] = std::uint8_t(value);
        p[1] = std::uint8_t(value >> 8);
        p[2] = std::uint8_t(value >> 16);
        return;
    }
    default: std::memcpy(row + 4 * x, &value, 4); return;
    }
}

void readRawRow(const std::uint8_t* row, int bitCount, int x, int count, std::uint32_t* out)
{
    switch (bitCount) {
    case 8:
        for (int i = 0; i < count; ++i)
            out[i] = row[x + i];
        return;
    case 32:
        std::memcpy(out, row + 4 * std::size_t(x), 4 * std::size_t(count));
        return;
    default:
        for (int i = 0; i < count; ++i)
            out[i] = readRaw(row, bitCount, x + i);
        return;
    }
}

void gatherRaw(const std::uint8_t* row, int bitCount, const int* columns, int count, std::uint32_t* out)
{
    switch (bitCount) {
    case 8:
        for (int i = 0; i < count; ++i)
            out[i] = row[columns[i]];
        return;
    case 32: {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(row);
        for (int i = 0; i < count; ++i)
            out[i] = pixels[columns[i]];
        return;
    }
    default:
        for (int i = 0; i < count; ++i)
            out[i] = readRaw(row, bitCount, columns[i]);
        return;
    }
}

void writeRawRow(std::uint8_t* row, int bitCount, int x, int count, const std::uint32_t* in)
{
    switch (bitCount) {
    case 8:
        for (int i = 0; i < count; ++i)
            row[x + i] = std::uint8_t(in[i]);
        return;
    case 32:
        std::memcpy(row + 4 * std::size_t(x), in, 4 * std::size_t(count));
        return;
    default:
        for (int i = 0; i < count; ++i)
            writeRaw(row, bitCount, x + i, in[i]);
        return;
    }
}

} // namespace platform::detail

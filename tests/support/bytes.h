#pragma once
// Little-endian byte arrays built field by field, for files written out in the tests.

#include "framework/streams.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

class Bytes {
public:
    Bytes& u8(std::uint32_t v)
    {
        m_data.push_back(std::uint8_t(v));
        return *this;
    }
    Bytes& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& i16(std::int16_t v) { return u16(std::uint16_t(v)); }
    Bytes& i32(std::int32_t v) { return u32(std::uint32_t(v)); }
    Bytes& raw(std::initializer_list<std::uint8_t> bytes)
    {
        m_data.insert(m_data.end(), bytes);
        return *this;
    }
    Bytes& raw(std::span<const std::uint8_t> bytes)
    {
        m_data.insert(m_data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // The characters of `text`, without a terminator.
    Bytes& text(std::string_view text)
    {
        m_data.insert(m_data.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& zeros(std::size_t count)
    {
        m_data.insert(m_data.end(), count, 0);
        return *this;
    }
    // A colour-table entry: blue, green, red, 0.
    Bytes& quad(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { return raw({blue, green, red, 0}); }

    // The 14-byte bitmap file header with the given size and pixel offset fields.
    Bytes& fileHeader(std::uint32_t fileSize = 0, std::uint32_t pixelOffset = 0)
    {
        return raw({'B', 'M'}).u32(fileSize).u16(0).u16(0).u32(pixelOffset);
    }
    // A 40-byte bitmap info header.
    Bytes& infoHeader(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression = 0,
                      std::uint32_t imageSize = 0, std::uint32_t coloursUsed = 0, int planes = 1)
    {
        return u32(40)
            .i32(width)
            .i32(height)
            .u16(std::uint32_t(planes))
            .u16(std::uint32_t(bitCount))
            .u32(compression)
            .u32(imageSize)
            .i32(2835)  // 72 dpi horizontally
            .i32(2835)  // and vertically
            .u32(coloursUsed)
            .u32(0);    // colours important
    }

    // Overwrites four bytes already written (a length or offset known only at the end).
    Bytes& patchU32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_data.at(at + std::size_t(i)) = std::uint8_t(v >> (8 * i));
        return *this;
    }

    const std::vector<std::uint8_t>& data() const { return m_data; }
    std::size_t size() const { return m_data.size(); }
    TMemoryStream stream() const { return TMemoryStream(m_data); }

private:
    std::vector<std::uint8_t> m_data;
};

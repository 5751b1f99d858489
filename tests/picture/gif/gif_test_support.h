#pragma once
// GIF files and LZW code streams built by hand for the GIF tests.

#include "support/bytes.h"

#include "framework/streams.h"
#include "picture/gif/gif_image.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace gif_test {

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Packs codes least-significant bit first, each with the size the decoder reads it with: the
// minimum code size + 1, growing by one whenever the table's next free entry reaches 2^size
// (up to 12), back to the start after a clear code.
class CodePacker {
public:
    explicit CodePacker(int minimumCodeSize) : m_minimum(minimumCodeSize) { restart(); }

    CodePacker& clear() { return put(1u << m_minimum, true); }
    CodePacker& end() { return put((1u << m_minimum) + 1, true); }
    // A code that outputs pixels (and so adds a table entry when it is not the first).
    CodePacker& code(std::uint32_t value) { return put(value, false); }
    // A code written with an explicit size, leaving the schedule alone.
    CodePacker& raw(std::uint32_t value, int size)
    {
        write(value, size);
        return *this;
    }

    int codeSize() const { return m_size; }
    // The packed bytes (the last one padded with zero bits).
    std::vector<std::uint8_t> bytes() const
    {
        std::vector<std::uint8_t> out = m_bytes;
        if (m_count > 0)
            out.push_back(std::uint8_t(m_bits));
        return out;
    }

private:
    CodePacker& put(std::uint32_t value, bool control)
    {
        write(value, m_size);
        if (value == (1u << m_minimum)) {
            restart();
        } else if (!control) {
            if (m_first) {
                m_first = false;
            } else if (m_next < 4096 && ++m_next == (1u << m_size) && m_size < 12) {
                ++m_size;
            }
        }
        return *this;
    }
    void restart()
    {
        m_size = m_minimum + 1;
        m_next = (1u << m_minimum) + 2;
        m_first = true;
    }
    void write(std::uint32_t value, int size)
    {
        m_bits |= std::uint64_t(value) << m_count;
        m_count += size;
        while (m_count >= 8) {
            m_bytes.push_back(std::uint8_t(m_bits));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    int m_minimum;
    int m_size = 0;
    std::uint32_t m_next = 0;
    bool m_first = true;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

// Bytes as data sub-blocks of at most `blockSize` bytes, then the zero length byte.
inline void subBlocks(Bytes& out, const std::vector<std::uint8_t>& data, std::size_t blockSize = 255)
{
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        const std::size_t length = std::min(blockSize, data.size() - at);
        out.u8(std::uint32_t(length)).raw(std::span(data).subspan(at, length));
    }
    out.u8(0);
}

// Compressed data as a file stores it: the minimum code size, then the packed codes in
// sub-blocks.
inline std::vector<std::uint8_t> compressedData(int minimumCodeSize, const CodePacker& codes)
{
    Bytes out;
    out.u8(std::uint32_t(minimumCodeSize));
    subBlocks(out, codes.bytes());
    return out.data();
}

// The signature, version and screen descriptor, with a global table when colours are given.
inline Bytes gifStart(std::string_view version, int width, int height, std::initializer_list<Rgb> colours = {},
                      std::uint8_t background = 0, std::uint8_t aspect = 0)
{
    Bytes out;
    out.text(version).u16(std::uint32_t(width)).u16(std::uint32_t(height));
    int bits = 1;
    while ((1u << bits) < colours.size())
        ++bits;
    out.u8(colours.size() ? 0x80 | std::uint32_t((bits - 1) << 4) | std::uint32_t(bits - 1) : 0)
        .u8(background)
        .u8(aspect);
    for (const Rgb& c : colours)
        out.u8(c.red).u8(c.green).u8(c.blue);
    for (std::size_t i = colours.size(); colours.size() && i < (1u << bits); ++i)
        out.u8(0).u8(0).u8(0);
    return out;
}

// An image descriptor (no local table unless flags say so) followed by its data.
inline void imageBlock(Bytes& out, int left, int top, int width, int height, std::uint8_t flags,
                  const std::vector<std::uint8_t>& data)
{
    out.u8(0x2C).u16(std::uint32_t(left)).u16(std::uint32_t(top)).u16(std::uint32_t(width)).u16(std::uint32_t(height)).u8(flags);
    out.raw(data);
}

// A graphic control extension.
inline void graphicControl(Bytes& out, std::uint8_t flags, std::uint16_t delay, std::uint8_t transparentIndex)
{
    out.raw({0x21, 0xF9, 4}).u8(flags).u16(delay).u8(transparentIndex).u8(0);
}

// A comment extension of one sub-block per string.
inline void comment(Bytes& out, std::initializer_list<std::string_view> strings)
{
    out.raw({0x21, 0xFE});
    for (std::string_view s : strings)
        out.u8(std::uint32_t(s.size())).text(s);
    out.u8(0);
}

// The pixels 0, 1, 2, 3... (mod the colour count) of a width × height picture of minimum code
// size 2, one root code each with a clear code before every code (so that no entry matters).
inline std::vector<std::uint8_t> rootsOnly(const std::vector<std::uint32_t>& pixels)
{
    CodePacker codes(2);
    for (const std::uint32_t p : pixels)
        codes.clear().code(p);
    codes.end();
    return compressedData(2, codes);
}

inline TMemoryStream streamOf(const Bytes& bytes)
{
    return bytes.stream();
}

inline void load(TGIFImage& image, const Bytes& bytes)
{
    TMemoryStream stream = bytes.stream();
    image.LoadStream(stream);
}

inline std::vector<std::uint8_t> saved(TGIFImage& image)
{
    TMemoryStream stream;
    image.SaveStream(stream);
    return stream.Bytes();
}

} // namespace gif_test

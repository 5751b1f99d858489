#pragma once
// Small sections built in the tests, and raw pixel access to them.

#include "platform/pixel_format.h"
#include "platform/section.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace testing_sections {

inline std::unique_ptr<platform::Section> makeSection(int width, int height, int bits,
                                                      std::vector<platform::RgbQuad> colours = {},
                                                      bool topDown = true)
{
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = topDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(bits);
    header.biCompression = platform::BI_RGB;
    return platform::Section::create(header, colours);
}

inline std::unique_ptr<platform::Section> makeBitFields(int width, int height, int bits,
                                                        std::array<std::uint32_t, 3> masks)
{
    platform::BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(bits);
    header.biCompression = platform::BI_BITFIELDS;
    return platform::Section::create(header, {}, &masks);
}

inline std::uint32_t raw(const platform::Section& s, int x, int y)
{
    return platform::detail::readRaw(s.row(y), s.bitCount(), x);
}

inline void setRaw(platform::Section& s, int x, int y, std::uint32_t value)
{
    platform::detail::writeRaw(s.row(y), s.bitCount(), x, value);
}

// A table whose entry i is (i, 0, 255 - i): 256 distinct colours, so every one maps back to
// its own index.
inline std::vector<platform::RgbQuad> rampTable()
{
    std::vector<platform::RgbQuad> table;
    for (int i = 0; i < 256; ++i)
        table.push_back({std::uint8_t(255 - i), 0, std::uint8_t(i), 0});
    return table;
}

inline std::vector<platform::RgbQuad> standardTable()
{
    return {{0x00, 0x00, 0x00, 0}, {0x00, 0x00, 0x80, 0}, {0x00, 0x80, 0x00, 0}, {0x00, 0x80, 0x80, 0},
            {0x80, 0x00, 0x00, 0}, {0x80, 0x00, 0x80, 0}, {0x80, 0x80, 0x00, 0}, {0x80, 0x80, 0x80, 0},
            {0xC0, 0xC0, 0xC0, 0}, {0x00, 0x00, 0xFF, 0}, {0x00, 0xFF, 0x00, 0}, {0x00, 0xFF, 0xFF, 0},
            {0xFF, 0x00, 0x00, 0}, {0xFF, 0x00, 0xFF, 0}, {0xFF, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0xFF, 0}};
}

} // namespace testing_sections

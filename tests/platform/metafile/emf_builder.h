#pragma once
// Enhanced metafiles built record by record for the player's tests, and playing them.

#include "platform/metafile/enhanced_metafile.h"
#include "platform/section.h"
#include "platform/section_device_context.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

namespace test_emf {

using namespace platform;

constexpr Colour white = 0xFFFFFF;
constexpr Colour red = 0x0000FF;
constexpr Colour blue = 0xFF0000;
constexpr Colour green = 0x00FF00;

// Records of an enhanced metafile, built field by field. The header's frame is 0, 0 to the
// size in pixels of a reference device of 100 pixels per 10 mm, so that playing into a
// destination of that size maps one to one.
class Emf {
public:
    explicit Emf(int width = 40, int height = 40, std::uint16_t handles = 8) : m_width(width), m_height(height), m_handles(handles) {}

    Emf& record(std::uint32_t type, const Bytes& params = Bytes())
    {
        m_body.u32(type).u32(std::uint32_t(8 + params.size())).raw(params.data());
        ++m_count;
        return *this;
    }
    // A record whose size field says `size`, whatever follows.
    Emf& rawRecord(std::uint32_t type, std::uint32_t size, const Bytes& params = Bytes())
    {
        m_body.u32(type).u32(size).raw(params.data());
        return *this;
    }
    Emf& rect(std::uint32_t type, int l, int t, int r, int b) { return record(type, Bytes().i32(l).i32(t).i32(r).i32(b)); }
    Emf& brush(std::uint32_t handle, Colour colour) { return record(39, Bytes().u32(handle).u32(0).u32(colour).u32(0)); }
    Emf& select(std::uint32_t handle) { return record(37, Bytes().u32(handle)); }
    Emf& nullPen() { return select(0x80000008); }

    std::vector<std::uint8_t> bytes() const
    {
        Bytes b;
        b.u32(1).u32(88).i32(0).i32(0).i32(m_width - 1).i32(m_height - 1);
        b.i32(0).i32(0).i32(m_width * 10).i32(m_height * 10);  // frame in 0.01 mm: 10 per pixel
        b.u32(0x464D4520).u32(0x10000).u32(0).u32(m_count + 2).u16(m_handles).u16(0);
        b.u32(0).u32(0).u32(0).i32(100).i32(100).i32(10).i32(10);
        b.raw(m_body.data());
        b.u32(14).u32(20).u32(0).u32(16).u32(20);
        b.patchU32(48, std::uint32_t(b.size()));
        return b.data();
    }

private:
    int m_width;
    int m_height;
    std::uint16_t m_handles;
    Bytes m_body;
    std::uint32_t m_count = 0;
};

inline std::unique_ptr<Section> play(const std::vector<std::uint8_t>& bytes, int width = 40, int height = 40)
{
    auto section = Section::createDisplayCompatible(width, height);
    section->fill(white);
    const MetafileHandle metafile = EnhancedMetafile::fromBytes(bytes);
    EXPECT_NE(metafile, nullptr);
    if (metafile) {
        SectionDeviceContext dc(*section);
        playEnhancedMetafile(dc, *metafile, {0, 0, width - 1, height - 1});
    }
    return section;
}

inline int differentPixels(const Section& a, const Section& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

} // namespace test_emf

using namespace test_emf;

#include "platform/metafile/emf_recorder.h"
#include "platform/metafile/enhanced_metafile.h"
#include "platform/section_device_context.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using namespace platform;

namespace {

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

std::unique_ptr<Section> play(const std::vector<std::uint8_t>& bytes, int width = 40, int height = 40)
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

int differentPixels(const Section& a, const Section& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

} // namespace

TEST(EnhancedMetafileBytes, HeadersThePlatformRefuses)
{
    const std::vector<std::uint8_t> good = Emf().bytes();
    EXPECT_NE(EnhancedMetafile::fromBytes(good), nullptr);
    const struct {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
    } rows[] = {{"record type", 0, 2},     {"signature", 40, 0x464D4521}, {"total below the header", 48, 80},
                {"total past the bytes", 48, 4000}, {"no reference pixels", 72, 0}, {"no millimetres", 84, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[row.offset + std::size_t(i)] = std::uint8_t(row.value >> (8 * i));
        EXPECT_EQ(EnhancedMetafile::fromBytes(bytes), nullptr);
    }
    std::vector<std::uint8_t> longer = good;
    longer.resize(good.size() + 50, 0xEE);
    const MetafileHandle kept = EnhancedMetafile::fromBytes(longer);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->bytes().size(), good.size());
}

TEST(MetafilePlayer, MalformedRecordsEndPlaybackWhereTheyStand)
{
    const auto firstDrawn = [](Emf& emf) {
        emf.nullPen().brush(1, red).select(1).rect(43, 0, 0, 10, 10);
        return emf;
    };
    struct Row {
        const char* name;
        std::function<void(Emf&)> bad;
    };
    const Row rows[] = {
        {"size past the end", [](Emf& e) { e.rawRecord(43, 4000, Bytes().i32(0).i32(0).i32(5).i32(5)); }},
        {"size below a record", [](Emf& e) { e.rawRecord(43, 4); }},
        {"rectangle cut short", [](Emf& e) { e.record(43, Bytes().i32(20).i32(20)); }},
        {"more points than bytes", [](Emf& e) { e.record(3, Bytes().zeros(16).u32(1000000).i32(0).i32(0)); }},
        {"polygon counts past the points", [](Emf& e) { e.record(8, Bytes().zeros(16).u32(2).u32(6).u32(3).u32(3).zeros(16)); }},
        {"region larger than its record", [](Emf& e) { e.record(75, Bytes().u32(400).u32(5).zeros(32)); }},
        {"bitmap offsets past the record", [](Emf& e) {
             e.record(81, Bytes().zeros(16).i32(20).i32(20).i32(0).i32(0).i32(1).i32(1).u32(80).u32(40).u32(5000).u32(4)
                              .u32(0).u32(0xCC0020).i32(10).i32(10));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Emf emf;
        firstDrawn(emf);
        row.bad(emf);
        emf.rect(43, 30, 30, 40, 40);
        const auto section = play(emf.bytes());
        EXPECT_EQ(section->pixel(5, 5), red);
        // Records the player can skip or bound (bitmaps with bad offsets, regions too big) end
        // nothing; the others end playback. Either way nothing outside the bytes is read.
        const bool skippable = std::string(row.name) == "bitmap offsets past the record";
        EXPECT_EQ(section->pixel(35, 35), skippable ? red : white);
    }
}

TEST(MetafilePlayer, UnknownRecordsAndHandlesAreSkipped)
{
    Emf emf;
    emf.record(9999, Bytes().u32(1).u32(2)).select(77).select(0x80000055).record(40, Bytes().u32(500));
    emf.nullPen().brush(1, green).select(1).rect(43, 0, 0, 10, 10);
    EXPECT_EQ(play(emf.bytes())->pixel(5, 5), green);
}

TEST(MetafilePlayer, SaveAndRestoreCountTheFilesOwnLevels)
{
    Emf emf;
    emf.nullPen().brush(1, red).brush(2, blue).brush(3, green).select(1);
    emf.record(33).select(2).record(33).select(3);
    emf.record(34, Bytes().i32(-2));  // back to the first save: red
    emf.rect(43, 0, 0, 10, 10);
    emf.record(34, Bytes().i32(5));  // no such level: nothing changes
    emf.rect(43, 10, 0, 20, 10);
    emf.record(33).select(3).record(34, Bytes().i32(1)).rect(43, 20, 0, 30, 10);
    const auto section = play(emf.bytes());
    EXPECT_EQ(section->pixel(5, 5), red);
    EXPECT_EQ(section->pixel(15, 5), red);
    EXPECT_EQ(section->pixel(25, 5), red);
}

TEST(MetafilePlayer, ClippingCombinesAndResets)
{
    Emf emf;
    emf.nullPen().brush(1, red).select(1);
    emf.rect(30, 0, 0, 20, 20);       // intersect: only the top left quarter
    emf.rect(29, 0, 0, 10, 10);       // exclude its own top left
    emf.rect(43, 0, 0, 40, 40);
    emf.record(75, Bytes().u32(0).u32(5));  // copy of no region: no clip
    emf.brush(2, blue).select(2);
    // A region of two device rectangles ORed in after an AND with the first.
    Bytes region;
    region.u32(32).u32(1).u32(2).u32(32).i32(30).i32(0).i32(40).i32(40);
    region.i32(30).i32(0).i32(35).i32(5).i32(35).i32(35).i32(40).i32(40);
    emf.record(75, Bytes().u32(std::uint32_t(region.size())).u32(5).raw(region.data()));
    emf.rect(43, 20, 0, 40, 40);
    const auto section = play(emf.bytes());
    EXPECT_EQ(section->pixel(5, 5), white);    // excluded
    EXPECT_EQ(section->pixel(15, 5), red);
    EXPECT_EQ(section->pixel(5, 15), red);
    EXPECT_EQ(section->pixel(25, 25), white);  // outside the first clip, outside the region
    EXPECT_EQ(section->pixel(32, 2), blue);
    EXPECT_EQ(section->pixel(37, 37), blue);
    EXPECT_EQ(section->pixel(32, 20), white);
}

TEST(MetafilePlayer, MappingModesAndWorldTransformsScaleTheDrawing)
{
    Emf emf;
    emf.nullPen().brush(1, red).select(1);
    emf.record(17, Bytes().u32(8));                         // anisotropic
    emf.record(9, Bytes().i32(10).i32(10));                 // window extent
    emf.record(11, Bytes().i32(40).i32(20));                // viewport extent: x × 4, y × 2
    emf.record(10, Bytes().i32(-1).i32(-2));                // window origin
    emf.rect(43, -1, -2, 1, 2);                             // → 0, 0, 8, 8 (7 × 7 without a pen)
    emf.record(17, Bytes().u32(1));                         // back to pixels
    emf.record(10, Bytes().i32(0).i32(0));                  // origins stay across modes
    float scale[6] = {2, 0, 0, 2, 10, 20};                  // world: × 2, then moved
    Bytes xform;
    for (float f : scale) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        xform.u32(bits);
    }
    emf.record(35, xform);
    emf.brush(2, blue).select(2).rect(43, 0, 0, 5, 5);       // → 10, 20, 20, 30
    const auto section = play(emf.bytes());
    EXPECT_EQ(section->pixel(1, 1), red);
    EXPECT_EQ(section->pixel(6, 6), red);
    EXPECT_EQ(section->pixel(7, 3), white);
    EXPECT_EQ(section->pixel(11, 21), blue);
    EXPECT_EQ(section->pixel(18, 28), blue);
    EXPECT_EQ(section->pixel(21, 25), white);
}

TEST(MetafilePlayer, PathsFillStrokeAndClip)
{
    Emf emf;
    emf.nullPen().brush(1, red).select(1);
    emf.record(59).rect(43, 2, 2, 12, 12).record(60).record(62, Bytes().zeros(16));  // fill the path
    emf.record(59).rect(42, 20, 0, 40, 20).record(60).record(67, Bytes().u32(1));    // clip to an ellipse
    emf.brush(2, blue).select(2).rect(43, 0, 0, 40, 40);
    const auto section = play(emf.bytes());
    EXPECT_EQ(section->pixel(6, 6), red);
    EXPECT_EQ(section->pixel(30, 10), blue);
    EXPECT_EQ(section->pixel(21, 1), white);  // outside the ellipse's corner
    EXPECT_EQ(section->pixel(5, 30), white);
}

TEST(DeviceContextMapping, FarCoordinatesStayWhereTheTransformPutsThem)
{
    auto section = Section::createDisplayCompatible(30, 30);
    section->fill(white);
    SectionDeviceContext dc(*section);
    dc.setPen({PenStyle::Clear, 0, 0});
    dc.setBrush({BrushStyle::Solid, red, nullptr});
    dc.setMapMode(MapMode::Anisotropic);
    dc.setWindowOrigin({INT_MAX - 100, INT_MIN + 100});
    dc.rectangle({INT_MAX - 90, INT_MIN + 110, INT_MAX - 80, INT_MIN + 120});
    EXPECT_EQ(section->pixel(15, 15), red);
    EXPECT_EQ(section->pixel(5, 5), white);
    // A window spanning the whole range, squeezed onto the section: logical 0 lands on 15.
    dc.setWindowOrigin({INT_MIN, INT_MIN});
    dc.setWindowExtent({INT_MAX, INT_MAX});
    dc.setViewportExtent({15, 15});
    dc.setBrush({BrushStyle::Solid, blue, nullptr});
    dc.fillRect({0, 0, INT_MAX, INT_MAX}, dc.brush());
    EXPECT_EQ(section->pixel(22, 22), blue);
    EXPECT_EQ(section->pixel(15, 15), blue);
    EXPECT_EQ(section->pixel(12, 12), red);
}

TEST(DeviceContextState, RestoreTakesAbsoluteAndRelativeLevels)
{
    auto section = Section::createDisplayCompatible(4, 4);
    SectionDeviceContext dc(*section);
    dc.setTextColour(1);
    EXPECT_EQ(dc.saveDC(), 1);
    dc.setTextColour(2);
    EXPECT_EQ(dc.saveDC(), 2);
    dc.setTextColour(3);
    EXPECT_EQ(dc.saveDC(), 3);
    dc.setTextColour(4);
    EXPECT_FALSE(dc.restoreDC(0));
    EXPECT_FALSE(dc.restoreDC(-4));
    EXPECT_TRUE(dc.restoreDC(-1));
    EXPECT_EQ(dc.textColour(), 3u);
    EXPECT_EQ(dc.saveDepth(), 2);
    EXPECT_TRUE(dc.restoreDC(1));
    EXPECT_EQ(dc.textColour(), 1u);
    EXPECT_EQ(dc.saveDepth(), 0);
    EXPECT_FALSE(dc.restoreDC(1));
}

TEST(DeviceContextClip, RegionModesCombineWithTheClip)
{
    auto section = Section::createDisplayCompatible(10, 10);
    SectionDeviceContext dc(*section);
    const QRegion left(0, 0, 6, 10), top(0, 0, 10, 4);
    const struct {
        RegionMode mode;
        QRegion expected;
    } rows[] = {{RegionMode::And, left.intersected(top)}, {RegionMode::Or, left.united(top)},
                {RegionMode::Xor, left.xored(top)},       {RegionMode::Diff, left.subtracted(top)},
                {RegionMode::Copy, top}};
    for (const auto& row : rows) {
        dc.selectClipRegion(&left, RegionMode::Copy);
        dc.selectClipRegion(&top, row.mode);
        ASSERT_TRUE(dc.clipRegion().has_value());
        EXPECT_EQ(*dc.clipRegion(), row.expected) << int(row.mode);
    }
    // Without a clip, And takes the region and Diff the rest of the device.
    dc.selectClipRegion(nullptr, RegionMode::Copy);
    EXPECT_FALSE(dc.clipRegion().has_value());
    dc.selectClipRegion(&top, RegionMode::Diff);
    EXPECT_EQ(*dc.clipRegion(), QRegion(0, 4, 10, 6));
    EXPECT_EQ(dc.clipRect(), (Rect{0, 4, 10, 10}));
}

TEST(MetafileRecorder, StateRecordsPlayBackAsDrawnDirectly)
{
    // Mapping, world transform, clip, saved states, paths, text alignment, arcs: once directly,
    // once recorded and played.
    const auto draw = [](DeviceContext& dc) {
        dc.setPen({PenStyle::Solid, 1, 0x000000});
        dc.setBrush({BrushStyle::Solid, red, nullptr});
        dc.saveDC();
        dc.setMapMode(MapMode::Anisotropic);
        dc.setWindowExtent({100, 100});
        dc.setViewportExtent({50, 50});
        dc.rectangle({10, 10, 70, 50});
        dc.intersectClipRect({0, 0, 60, 200});
        dc.setBrush({BrushStyle::Cross, blue, nullptr});
        dc.ellipse({20, 40, 110, 110});
        dc.restoreDC(-1);
        dc.setArcDirection(ArcDirection::Clockwise);
        dc.arc({40, 2, 78, 30}, {78, 16}, {40, 16});
        dc.beginPath();
        dc.moveTo({45, 45});
        dc.lineTo({75, 50});
        dc.lineTo({60, 75});
        dc.closeFigure();
        dc.endPath();
        dc.setBrush({BrushStyle::Solid, green, nullptr});
        dc.strokeAndFillPath();
        dc.setTextAlign(TA_RIGHT | TA_BASELINE);
        dc.setTextColour(blue);
        dc.setBackgroundMode(BackgroundMode::Transparent);
        FontSpec font;
        font.family = "DejaVu Sans";
        font.height = -10;
        dc.setFont(font);
        const int advances[] = {7, 7, 7};
        dc.extTextOut({70, 78}, 0, nullptr, "abc", advances);
        dc.setWorldTransform(QTransform(1, 0.3, -0.3, 1, 5, 50));
        dc.rectangle({0, 0, 12, 12});
    };
    auto direct = Section::createDisplayCompatible(80, 80);
    direct->fill(white);
    {
        SectionDeviceContext dc(*direct);
        draw(dc);
    }
    ReferenceDevice device;
    device.pixels = {80, 80};
    device.millimetres = {8, 8};
    auto recorder = createEnhancedMetafileRecorder(device, {0, 0, 800, 800}, u"");
    draw(*recorder);
    const MetafileHandle metafile = closeEnhancedMetafile(std::move(recorder));
    ASSERT_NE(metafile, nullptr);
    auto played = Section::createDisplayCompatible(80, 80);
    played->fill(white);
    {
        SectionDeviceContext dc(*played);
        playEnhancedMetafile(dc, *metafile, {0, 0, 79, 79});
    }
    EXPECT_EQ(direct->pixel(10, 10), red);
    EXPECT_EQ(differentPixels(*direct, *played), 0);

}

TEST(WindowsMetafileConversion, NewObjectsTakeTheLowestFreeSlot)
{
    // Pen in slot 0, red brush in slot 1; deleting slot 0 lets the green brush take it.
    Bytes records;
    records.u32(8).u16(0x02FA).u16(5).i16(0).i16(0).u32(0);       // null pen → slot 0
    records.u32(7).u16(0x02FC).u16(0).u32(red).u16(0);            // red brush → slot 1
    records.u32(4).u16(0x012D).u16(0);                             // select the pen
    records.u32(4).u16(0x01F0).u16(0);                             // delete slot 0
    records.u32(7).u16(0x02FC).u16(0).u32(green).u16(0);          // green brush → slot 0
    records.u32(4).u16(0x012D).u16(1);                             // red
    records.u32(7).u16(0x041B).i16(10).i16(10).i16(0).i16(0);     // rectangle 0, 0, 10, 10
    records.u32(4).u16(0x012D).u16(0);                             // green
    records.u32(7).u16(0x041B).i16(20).i16(20).i16(10).i16(10);   // rectangle 10, 10, 20, 20
    Bytes wmf;
    wmf.u16(1).u16(9).u16(0x300).u32(0).u16(2).u32(7).u16(0).raw(records.data()).u32(3).u16(0);
    wmf.patchU32(6, std::uint32_t(wmf.size() / 2));
    const MetafileHandle metafile = convertWindowsMetafile(wmf.data(), {0, 0, 20, 20}, {529, 529});
    ASSERT_NE(metafile, nullptr);
    auto section = Section::createDisplayCompatible(20, 20);
    section->fill(white);
    SectionDeviceContext dc(*section);
    playEnhancedMetafile(dc, *metafile, {0, 0, 19, 19});
    EXPECT_EQ(section->pixel(5, 5), red);
    EXPECT_EQ(section->pixel(15, 15), green);

    // And back: the Windows records draw the same.
    const auto back = windowsMetafileBits(*metafile, {20, 20});
    ASSERT_TRUE(back.has_value());
    const MetafileHandle again = convertWindowsMetafile(*back, {0, 0, 20, 20}, {529, 529});
    ASSERT_NE(again, nullptr);
    auto second = Section::createDisplayCompatible(20, 20);
    second->fill(white);
    SectionDeviceContext dc2(*second);
    playEnhancedMetafile(dc2, *again, {0, 0, 19, 19});
    EXPECT_EQ(differentPixels(*section, *second), 0);
}

TEST(WindowsMetafileConversion, RecordsThatAreNotAWindowsMetafileAreRefused)
{
    EXPECT_EQ(convertWindowsMetafile({}, {0, 0, 1, 1}, {1, 1}), nullptr);
    Bytes wrongVersion;
    wrongVersion.u16(1).u16(9).u16(0x200).u32(12).u16(0).u32(3).u16(0).u32(3).u16(0);
    EXPECT_EQ(convertWindowsMetafile(wrongVersion.data(), {0, 0, 1, 1}, {1, 1}), nullptr);
}

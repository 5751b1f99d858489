#include "platform/byte_cursor.h"
#include "platform/metafile/emf_recorder.h"

#include "emf_builder.h"

#include <climits>
#include <cstring>
#include <functional>

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

namespace {

// A StretchDIBits record drawing the picture (info block and bits) over 0, 0 to the size given,
// one to one, with SRCCOPY.
Bytes stretchDibits(const Bytes& info, const Bytes& bits, int width, int height, std::uint32_t usage = 0)
{
    const std::uint32_t offInfo = 80, offBits = offInfo + std::uint32_t(info.size());
    return Bytes()
        .zeros(16)
        .i32(0).i32(0).i32(0).i32(0).i32(width).i32(height)          // destination and source corners, source size
        .u32(offInfo).u32(std::uint32_t(info.size())).u32(offBits).u32(std::uint32_t(bits.size()))
        .u32(usage).u32(0x00CC0020).i32(width).i32(height)
        .raw(info.data())
        .raw(bits.data());
}

} // namespace

TEST(MetafilePlayer, OneBitPictureUnderAGridOfLines)
{
    // A 94 × 94 one-bit picture, all 0 bits, whose colour table (black, white) has 0xFF in its
    // reserved bytes; then a grid of one-pixel lines every ten pixels.
    constexpr int side = 94;
    const Bytes info = Bytes().infoHeader(side, side, 1, 0, 0, 2).raw({0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const Bytes bits = Bytes().zeros(std::size_t(12 * side));
    const struct {
        const char* name;
        std::uint32_t penColour;
    } rows[] = {{"white pen", 0xFFFFFF}, {"white of the default palette", 0x01000013}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Emf emf(side, side);
        emf.record(81, stretchDibits(info, bits, side, side));
        emf.record(38, Bytes().u32(1).u32(0).i32(1).i32(0).u32(row.penColour)).select(1);
        for (int i = 0; i < side; i += 10) {
            emf.record(4, Bytes().zeros(16).u32(2).i32(i).i32(0).i32(i).i32(side));
            emf.record(4, Bytes().zeros(16).u32(2).i32(0).i32(i).i32(side).i32(i));
        }
        const auto section = play(emf.bytes(), side, side);
        EXPECT_EQ(section->pixel(5, 5), 0x000000u);
        EXPECT_EQ(section->pixel(5, 10), white);
        EXPECT_EQ(section->pixel(90, 45), white);
    }
}

TEST(MetafilePlayer, BitmapRecordsDecodeEveryStoredForm)
{
    // 4 × 2 pictures whose top row is red and bottom row blue, stored in different forms.
    const Bytes redBlue = Bytes().quad(0xFF, 0, 0).quad(0, 0, 0xFF);  // colour 0 red, 1 blue
    const struct {
        const char* name;
        Bytes info;
        Bytes bits;
        std::uint32_t usage;
        Colour top, bottom;
    } rows[] = {
        {"8 bits", Bytes().infoHeader(4, 2, 8, 0, 0, 2).raw(redBlue.data()), Bytes().u32(0x01010101).u32(0), 0, red, blue},
        {"top-down", Bytes().infoHeader(4, -2, 8, 0, 0, 2).raw(redBlue.data()), Bytes().u32(0).u32(0x01010101), 0, red, blue},
        {"run-length, 8 bits", Bytes().infoHeader(4, 2, 8, 1, 0, 2).raw(redBlue.data()),
         Bytes().raw({4, 1, 0, 0, 4, 0, 0, 1}), 0, red, blue},
        {"run-length, 4 bits", Bytes().infoHeader(4, 2, 4, 2, 0, 2).raw(redBlue.data()),
         Bytes().raw({4, 0x11, 0, 0, 4, 0x00, 0, 1}), 0, red, blue},
        {"core header", Bytes().u32(12).u16(4).u16(2).u16(1).u16(8).raw({0, 0, 0xFF, 0xFF, 0, 0}),
         Bytes().u32(0x01010101).u32(0), 0, red, blue},
        // Indexes into the default palette: 13 is red, 16 blue.
        {"palette indexes", Bytes().infoHeader(4, 2, 8, 0, 0, 2).u16(13).u16(16), Bytes().u32(0x01010101).u32(0), 1, red, blue},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Emf emf(4, 2);
        emf.record(81, stretchDibits(row.info, row.bits, 4, 2, row.usage));
        const auto section = play(emf.bytes(), 4, 2);
        EXPECT_EQ(section->pixel(1, 0), row.top);
        EXPECT_EQ(section->pixel(2, 1), row.bottom);
    }
}

TEST(MetafilePlayer, DrawingMostlyOutsideItsFrameIsShownWhole)
{
    // The frame is 40 × 40 at the origin; what was drawn lies 60 × 40 above and left of it.
    Emf emf;
    emf.nullPen().brush(1, red).select(1).rect(43, -10, -30, 51, 11);
    emf.brush(2, blue).select(2).rect(43, -10, -30, -4, -24);   // top left corner
    emf.brush(3, green).select(3).rect(43, 44, 4, 51, 11);      // bottom right corner
    std::vector<std::uint8_t> file = emf.bytes();
    const std::int32_t bounds[] = {-10, -30, 49, 9};
    for (std::size_t i = 0; i < 4; ++i)
        bytes::storeU32(&file[8 + 4 * i], std::uint32_t(bounds[i]));
    const auto section = play(file);
    EXPECT_EQ(section->pixel(1, 1), blue);
    EXPECT_EQ(section->pixel(20, 20), red);
    EXPECT_EQ(section->pixel(38, 38), green);
}

TEST(MetafilePlayer, FixedMappingModesMeasureAgainstTheReferenceDevice)
{
    // The reference device has 10 pixels to the millimetre; y grows upwards in these modes.
    const struct {
        const char* name;
        std::uint32_t mode;
        int units;  // 2.5 mm, or 2.54 mm in the inch-based modes
    } rows[] = {{"0.1 mm", 2, 25}, {"0.01 mm", 3, 250}, {"0.01 inch", 4, 10}, {"0.001 inch", 5, 100}, {"twips", 6, 144}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Emf emf;
        emf.nullPen().brush(1, red).select(1).record(17, Bytes().u32(row.mode));
        emf.rect(43, 0, 0, row.units, -row.units);
        const auto section = play(emf.bytes());
        EXPECT_EQ(section->pixel(23, 23), red);
        EXPECT_EQ(section->pixel(27, 10), white);
        EXPECT_EQ(section->pixel(10, 27), white);
    }
}

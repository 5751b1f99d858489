#include "platform/section_device_context.h"

#include "test_sections.h"

#include <gtest/gtest.h>

#include <climits>

using namespace platform;
using testing_sections::makeSection;
using testing_sections::raw;
using testing_sections::setRaw;

namespace {

// Raw 32-bit values 0x00RRGGBB that tell columns apart.
constexpr std::uint32_t c0 = 0x000010, c1 = 0x000020, c2 = 0x000030, c3 = 0x000040, c4 = 0x000050;
constexpr std::uint32_t untouched = 0x00ABCDEF;

std::unique_ptr<Section> row32(std::vector<std::uint32_t> values, int bits = 32)
{
    auto s = makeSection(int(values.size()), 1, bits);
    for (std::size_t i = 0; i < values.size(); ++i)
        setRaw(*s, int(i), 0, values[i]);
    return s;
}

std::vector<std::uint32_t> rowOf(const Section& s, int y = 0)
{
    std::vector<std::uint32_t> out;
    for (int x = 0; x < s.width(); ++x)
        out.push_back(raw(s, x, y));
    return out;
}

std::unique_ptr<Section> filled(int width, int height, std::uint32_t value, int bits = 32)
{
    auto s = makeSection(width, height, bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setRaw(*s, x, y, value);
    return s;
}

} // namespace

TEST(NearestStretch, DropsAndRepeatsColumnsByPixelCentres)
{
    struct Row {
        const char* name;
        std::vector<std::uint32_t> source;
        Rect destination;
        std::vector<std::uint32_t> expected;
    };
    const Row rows[] = {
        {"5 to 3 keeps 0, 2, 4", {c0, c1, c2, c3, c4}, {0, 0, 3, 1}, {c0, c2, c4}},
        {"3 to 5 repeats 0 and 2", {c0, c1, c2}, {0, 0, 5, 1}, {c0, c0, c1, c2, c2}},
        {"4 to 3 keeps 0, 2, 3", {c0, c1, c2, c3}, {0, 0, 3, 1}, {c0, c2, c3}},
        {"3 mirrored", {c0, c1, c2}, {3, 0, 0, 1}, {c2, c1, c0}},
    };
    for (const Row& row : rows) {
        for (int bits : {32, 24}) {  // the 32-bit fast path and the general path
            auto source = row32(row.source, bits);
            auto destination = filled(int(row.expected.size()), 1, untouched, bits);
            SectionDeviceContext dc(*destination);
            dc.setStretchMode(StretchMode::ColorOnColor);
            dc.stretchBlt(row.destination, *source, {0, 0, source->width(), 1}, rop::SrcCopy);
            EXPECT_EQ(rowOf(*destination), row.expected) << row.name << ", " << bits << " bits";
        }
    }
}

TEST(NearestStretch, RowsFollowTheSameRule)
{
    auto source = makeSection(1, 5, 32, {}, false);  // bottom-up: rows are counted from the top
    for (int y = 0; y < 5; ++y)
        setRaw(*source, 0, y, std::uint32_t(0x10 * (y + 1)));
    auto destination = filled(1, 3, untouched);
    SectionDeviceContext dc(*destination);
    dc.stretchBlt({0, 0, 1, 3}, *source, {0, 0, 1, 5}, rop::SrcCopy);
    EXPECT_EQ(raw(*destination, 0, 0), 0x10u);
    EXPECT_EQ(raw(*destination, 0, 1), 0x30u);
    EXPECT_EQ(raw(*destination, 0, 2), 0x50u);
}

TEST(NearestStretch, SourceOutsideTheSectionAndClipLeavePixelsAlone)
{
    auto source = row32({c0, c1, c2});
    auto destination = filled(5, 1, untouched);
    SectionDeviceContext dc(*destination);
    dc.bitBlt({0, 0}, *source, {-1, 0, 4, 1}, rop::SrcCopy);  // columns -1 and 3 do not exist
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{untouched, c0, c1, c2, untouched}));

    auto clipped = filled(3, 1, untouched);
    SectionDeviceContext clippedDc(*clipped);
    clippedDc.setClipRect(Rect{1, 0, 2, 1});
    clippedDc.bitBlt({0, 0}, *source, {0, 0, 3, 1}, rop::SrcCopy);
    EXPECT_EQ(rowOf(*clipped), (std::vector<std::uint32_t>{untouched, c1, untouched}));
}

TEST(NearestStretch, OverlappingMoveWithinOneSection)
{
    auto s = row32({c0, c1, c2, c3});
    SectionDeviceContext dc(*s);
    dc.bitBlt({1, 0}, *s, {0, 0, 3, 1}, rop::SrcCopy);
    EXPECT_EQ(rowOf(*s), (std::vector<std::uint32_t>{c0, c0, c1, c2}));
}

TEST(RasterOps, CombineSourcePatternAndDestinationBits)
{
    const std::uint32_t d = 0x00F0F0F0, s = 0x00FF00CC, p = 0x00123456;
    struct Row {
        const char* name;
        std::uint32_t code;
        std::uint32_t expected;
    };
    const Row rows[] = {
        {"SrcCopy", rop::SrcCopy, s},
        {"SrcAnd", rop::SrcAnd, s & d},
        {"SrcPaint", rop::SrcPaint, 0x00FFF0FC},
        {"SrcInvert", rop::SrcInvert, 0x000FF03C},
        {"SrcErase", rop::SrcErase, 0x000F000C},
        {"NotSrcCopy", rop::NotSrcCopy, 0x0000FF33},
        {"NotSrcErase", rop::NotSrcErase, 0x00000F03},
        {"MergePaint", rop::MergePaint, 0x00F0FFF3},
        {"DstInvert", rop::DstInvert, 0x000F0F0F},
        {"PatCopy", rop::PatCopy, p},
        {"PatInvert", rop::PatInvert, 0x00E2C4A6},
        {"MergeCopy", rop::MergeCopy, 0x00120044},
        {"Blackness", rop::Blackness, 0},
        {"Whiteness", rop::Whiteness, 0x00FFFFFF},
        // Source selects: destination bits where the source is 1, pattern bits where it is 0.
        {"select by source (0xB8)", 0x00B8074A, 0x00F034D2},
        {"destination alone (0xAA)", 0x00AA0029, d},
    };
    auto source = row32({s});
    for (const Row& row : rows) {
        auto destination = row32({d});
        SectionDeviceContext dc(*destination);
        dc.setBrush({BrushStyle::Solid, rgb(0x12, 0x34, 0x56), nullptr});
        dc.bitBlt({0, 0}, *source, {0, 0, 1, 1}, row.code);
        EXPECT_EQ(raw(*destination, 0, 0), row.expected) << row.name;
    }
}

TEST(RasterOps, PalettisedTargetsCombineIndexBits)
{
    auto destination = makeSection(3, 1, 8, testing_sections::rampTable());
    setRaw(*destination, 0, 0, 0x0F);
    setRaw(*destination, 1, 0, 0x0F);
    setRaw(*destination, 2, 0, 0x0F);
    // Colour of entry 0x3C in the ramp table: red 0x3C, blue 0xC3.
    auto source = row32({0x003C00C3, 0x003C00C3, 0x003C00C3});
    SectionDeviceContext dc(*destination);
    dc.bitBlt({0, 0}, *source, {0, 0, 1, 1}, rop::SrcInvert);
    dc.bitBlt({1, 0}, *source, {0, 0, 1, 1}, rop::SrcCopy);
    dc.bitBlt({2, 0}, *source, {0, 0, 1, 1}, rop::DstInvert);
    EXPECT_EQ(raw(*destination, 0, 0), 0x33u);
    EXPECT_EQ(raw(*destination, 1, 0), 0x3Cu);
    EXPECT_EQ(raw(*destination, 2, 0), 0xF0u);

    auto sixteen = makeSection(2, 1, 4, testing_sections::standardTable());
    SectionDeviceContext sixteenDc(*sixteen);
    sixteenDc.patBlt({0, 0, 2, 1}, rop::Whiteness);
    EXPECT_EQ(raw(*sixteen, 0, 0), 15u);
    sixteenDc.setBrush({BrushStyle::Solid, rgb(0xF8, 0x08, 0x00), nullptr});
    sixteenDc.patBlt({1, 0, 2, 1}, rop::PatInvert);  // 15 xor 9 (red)
    EXPECT_EQ(raw(*sixteen, 1, 0), 6u);
}

TEST(ColourConversion, PalettisedDestinationTakesTheNearestEntry)
{
    auto source = row32({0x00FA0505, 0x00909090, 0x00000001, 0x00FFFF10});
    auto destination = makeSection(4, 1, 4, testing_sections::standardTable());
    SectionDeviceContext dc(*destination);
    dc.bitBlt({0, 0}, *source, {0, 0, 4, 1}, rop::SrcCopy);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{9, 7, 0, 11}));
}

TEST(ColourConversion, MonochromeSourcePaintsTextAndBackgroundColours)
{
    auto mono = Section::createMonochrome(4, 1);
    setRaw(*mono, 1, 0, 1);
    setRaw(*mono, 3, 0, 1);
    auto destination = filled(4, 1, untouched);
    SectionDeviceContext dc(*destination);
    dc.setTextColour(rgb(255, 0, 0));
    dc.setBackgroundColour(0x80000005);  // window colour: white
    dc.bitBlt({0, 0}, *mono, {0, 0, 4, 1}, rop::SrcCopy);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{0xFF0000, 0xFFFFFF, 0xFF0000, 0xFFFFFF}));

    // A 1-bit section with a colour table is coloured by its table instead.
    auto tabled = makeSection(2, 1, 1, {{0, 255, 0, 0}, {255, 0, 0, 0}});
    setRaw(*tabled, 1, 0, 1);
    dc.bitBlt({0, 0}, *tabled, {0, 0, 2, 1}, rop::SrcCopy);
    EXPECT_EQ(raw(*destination, 0, 0), 0x00FF00u);
    EXPECT_EQ(raw(*destination, 1, 0), 0x0000FFu);
}

TEST(ColourConversion, ColourToMonochromeByTheSourceBackground)
{
    auto source = row32({0xFFFFFF, 0xFF0000, 0xFFFFFF, 0x000000});
    struct Row {
        const char* name;
        Colour background;
        std::uint8_t bits;  // four pixels from bit 7
    };
    const Row rows[] = {
        {"white background", 0xFFFFFF, 0xA0},
        {"red background", rgb(255, 0, 0), 0x40},
        {"palette-relative red", 0x020000FF, 0x40},
        {"absent colour", rgb(1, 2, 3), 0x00},
    };
    for (const Row& row : rows) {
        auto mono = Section::createMonochrome(4, 1);
        SectionDeviceContext dc(*mono);
        dc.bitBlt({0, 0}, *source, {0, 0, 4, 1}, rop::SrcCopy, row.background);
        EXPECT_EQ(mono->bits()[0], row.bits) << row.name;
    }
}

TEST(ColourConversion, MonochromeKeyIsTheColourAsTheSourceStoresIt)
{
    // 5-5-5 cannot hold 250: it is stored as 31, which reads back as 255.
    auto s555 = makeSection(2, 1, 16);
    setRaw(*s555, 0, 0, 0x7FFF);
    setRaw(*s555, 1, 0, 0x7BDE);  // 30, 30, 30
    auto mono = Section::createMonochrome(2, 1);
    SectionDeviceContext dc(*mono);
    dc.bitBlt({0, 0}, *s555, {0, 0, 2, 1}, rop::SrcCopy, rgb(250, 250, 250));
    EXPECT_EQ(mono->bits()[0], 0x80);

    // A palettised source compares with its entry nearest the background colour.
    auto indexed = makeSection(3, 1, 8, {{10, 10, 10, 0}, {250, 250, 250, 0}});
    setRaw(*indexed, 1, 0, 1);
    auto mono2 = Section::createMonochrome(3, 1);
    SectionDeviceContext dc2(*mono2);
    dc2.bitBlt({0, 0}, *indexed, {0, 0, 3, 1}, rop::SrcCopy, 0xFFFFFF);
    EXPECT_EQ(mono2->bits()[0], 0x40);
}

TEST(ColourConversion, MonochromeOntoMonochromeCopiesBits)
{
    auto source = Section::createMonochrome(8, 1);
    source->bits()[0] = 0xB4;
    auto destination = Section::createMonochrome(8, 1);
    SectionDeviceContext dc(*destination);
    dc.setTextColour(0xFFFFFF);  // would invert the bits if they went through colours
    dc.setBackgroundColour(0x000000);
    dc.bitBlt({0, 0}, *source, {0, 0, 8, 1}, rop::SrcCopy);
    EXPECT_EQ(destination->bits()[0], 0xB4);
    dc.bitBlt({0, 0}, *source, {0, 0, 8, 1}, rop::NotSrcCopy);
    EXPECT_EQ(destination->bits()[0], 0x4B);
}

TEST(HalftoneStretch, AveragesTheCoveredPixels)
{
    auto source = makeSection(4, 2, 24);
    const Colour top[] = {rgb(0, 0, 0), rgb(255, 255, 255), rgb(100, 0, 0), rgb(201, 0, 0)};
    const Colour bottom[] = {rgb(0, 0, 0), rgb(255, 255, 255), rgb(100, 0, 0), rgb(201, 10, 0)};
    for (int x = 0; x < 4; ++x) {
        source->setPixel(x, 0, top[x]);
        source->setPixel(x, 1, bottom[x]);
    }
    auto wide = filled(2, 2, untouched);
    SectionDeviceContext dc(*wide);
    dc.setStretchMode(StretchMode::Halftone);
    dc.stretchBlt({0, 0, 2, 2}, *source, {0, 0, 4, 2}, rop::SrcCopy);
    EXPECT_EQ(wide->pixel(0, 0), rgb(128, 128, 128));  // (0 + 255 + 1) / 2
    EXPECT_EQ(wide->pixel(1, 0), rgb(151, 0, 0));      // (301 + 1) / 2
    EXPECT_EQ(wide->pixel(1, 1), rgb(151, 5, 0));

    auto one = filled(1, 1, untouched);
    SectionDeviceContext oneDc(*one);
    oneDc.setStretchMode(StretchMode::Halftone);
    oneDc.stretchBlt({0, 0, 1, 1}, *source, {0, 0, 4, 2}, rop::SrcCopy);
    // Red (0+255+100+201)·2 = 1112 → 139; green (255·2 + 10) = 520 → 65; blue 510 → 64.
    EXPECT_EQ(one->pixel(0, 0), rgb(139, 65, 64));

    // Unscaled blits are copies whatever the mode.
    auto same = filled(4, 2, untouched);
    SectionDeviceContext sameDc(*same);
    sameDc.setStretchMode(StretchMode::Halftone);
    sameDc.bitBlt({0, 0}, *source, {0, 0, 4, 2}, rop::SrcCopy);
    EXPECT_EQ(same->pixel(3, 1), rgb(201, 10, 0));
}

TEST(HalftoneStretch, MonochromeOntoMonochromeKeepsTheBits)
{
    // Bits 1, 0, 0, 1 stretched to 8 columns and shrunk to 2: each bit as it is, never inverted.
    auto source = Section::createMonochrome(4, 1);
    source->bits()[0] = 0x90;
    auto wide = Section::createMonochrome(8, 1);
    SectionDeviceContext dc(*wide);
    dc.setStretchMode(StretchMode::Halftone);
    dc.stretchBlt({0, 0, 8, 1}, *source, {0, 0, 4, 1}, rop::SrcCopy);
    EXPECT_EQ(wide->bits()[0], 0xC3);  // 1 1 0 0 0 0 1 1
    auto narrow = Section::createMonochrome(2, 1);
    SectionDeviceContext narrowDc(*narrow);
    narrowDc.setStretchMode(StretchMode::Halftone);
    narrowDc.stretchBlt({0, 0, 2, 1}, *source, {0, 0, 4, 1}, rop::SrcCopy);
    // Nearest pixels: columns floor(1·4/4) = 1 and floor(3·4/4) = 3, that is 0 and 1.
    EXPECT_EQ(narrow->bits()[0], 0x40);
}

TEST(MaskedCopy, MaskBitsChooseForegroundOrBackgroundOperation)
{
    auto source = row32({c0, c1, c2, c3});
    auto mask = Section::createMonochrome(4, 1);
    mask->bits()[0] = 0xA0;  // 1, 0, 1, 0
    struct Row {
        const char* name;
        std::uint32_t code;
        std::vector<std::uint32_t> expected;
    };
    const Row rows[] = {
        // Background (bits 24..31) keeps the destination, foreground copies.
        {"copy where the mask is 1", 0xAACC0020, {c0, untouched, c2, untouched}},
        // The transparent drawing: 1 marks the see-through pixels.
        {"copy where the mask is 0", 0xCCAA0029, {untouched, c1, untouched, c3}},
    };
    for (const Row& row : rows) {
        auto destination = filled(4, 1, untouched);
        SectionDeviceContext dc(*destination);
        dc.maskBlt({0, 0, 4, 1}, *source, {0, 0}, *mask, {0, 0}, row.code);
        EXPECT_EQ(rowOf(*destination), row.expected) << row.name;
    }
    // A mask origin shifts the mask; bits beyond it count as 0.
    auto destination = filled(4, 1, untouched);
    SectionDeviceContext dc(*destination);
    dc.maskBlt({0, 0, 4, 1}, *source, {0, 0}, *mask, {1, 0}, 0xAACC0020);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{untouched, c1, untouched, untouched}));
}

TEST(BrushCopy, SolidPatternAndHatchBrushes)
{
    auto destination = filled(4, 2, untouched);
    SectionDeviceContext dc(*destination);
    dc.setBrush({BrushStyle::Solid, rgb(1, 2, 3), nullptr});
    dc.patBlt({1, 0, 3, 1}, rop::PatCopy);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{untouched, 0x010203, 0x010203, untouched}));

    // A 2 × 2 pattern tiled from the brush origin (1, 0): destination (0, 0) shows pattern (1, 0).
    auto pattern = makeSection(2, 2, 32);
    setRaw(*pattern, 0, 0, c0);
    setRaw(*pattern, 1, 0, c1);
    setRaw(*pattern, 0, 1, c2);
    setRaw(*pattern, 1, 1, c3);
    dc.setBrush({BrushStyle::Solid, 0, pattern.get()});
    dc.setBrushOrigin({1, 0});
    dc.patBlt({0, 0, 4, 2}, rop::PatCopy);
    EXPECT_EQ(rowOf(*destination, 0), (std::vector<std::uint32_t>{c1, c0, c1, c0}));
    EXPECT_EQ(rowOf(*destination, 1), (std::vector<std::uint32_t>{c3, c2, c3, c2}));

    // A hollow brush paints nothing.
    dc.setBrush({BrushStyle::Clear, 0, nullptr});
    dc.patBlt({0, 0, 4, 2}, rop::PatCopy);
    EXPECT_EQ(raw(*destination, 0, 0), c1);
    // An operation with a source does nothing as a pattern blit.
    dc.patBlt({0, 0, 4, 2}, rop::SrcCopy);
    EXPECT_EQ(raw(*destination, 0, 0), c1);
}

TEST(BrushCopy, HatchGapsFollowTheBackgroundMode)
{
    // The horizontal hatch has its line on row 3 of every 8.
    auto destination = filled(1, 5, untouched);
    SectionDeviceContext dc(*destination);
    dc.setBrush({BrushStyle::Horizontal, rgb(255, 0, 0), nullptr});
    dc.setBackgroundColour(rgb(0, 0, 255));
    dc.setBackgroundMode(BackgroundMode::Transparent);
    dc.patBlt({0, 0, 1, 5}, rop::PatCopy);
    EXPECT_EQ(raw(*destination, 0, 3), 0xFF0000u);
    EXPECT_EQ(raw(*destination, 0, 2), untouched);
    dc.setBackgroundMode(BackgroundMode::Opaque);
    dc.patBlt({0, 0, 1, 5}, rop::PatCopy);
    EXPECT_EQ(raw(*destination, 0, 2), 0x0000FFu);
    EXPECT_EQ(raw(*destination, 0, 3), 0xFF0000u);
}

TEST(BrushCopy, MonochromeTargetsTakeBlackOrWhite)
{
    auto mono = Section::createMonochrome(8, 1);
    SectionDeviceContext dc(*mono);
    dc.setBrush({BrushStyle::Solid, rgb(200, 200, 200), nullptr});
    dc.patBlt({0, 0, 4, 1}, rop::PatCopy);
    dc.setBrush({BrushStyle::Solid, rgb(100, 0, 200), nullptr});
    dc.patBlt({4, 0, 8, 1}, rop::PatCopy);
    EXPECT_EQ(mono->bits()[0], 0xF0);
}

TEST(FarCoordinates, BlitsNearTheEndsOfTheRangeStayThere)
{
    auto source = row32({c0, c1, c2, c3});
    auto destination = filled(4, 1, untouched);
    SectionDeviceContext dc(*destination);
    // Four pixels placed two short of the largest coordinate lie far right of the section.
    dc.bitBlt({INT_MAX - 1, 0}, *source, {0, 0, 4, 1}, rop::SrcCopy);
    dc.bitBlt({0, INT_MAX - 1}, *source, {0, 0, 4, 1}, rop::SrcCopy);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{untouched, untouched, untouched, untouched}));

    // A masked copy from two pixels left of the section to the end of the range: destination
    // column x shows source column x + 2.
    auto mask = Section::createMonochrome(4, 1);
    mask->bits()[0] = 0xF0;
    dc.maskBlt({-2, 0, INT_MAX, 1}, *source, {0, 0}, *mask, {0, 0}, 0xAACC0020);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{c2, c3, untouched, untouched}));
    // Spanning the whole range, every source column lies beyond the section.
    dc.maskBlt({INT_MIN, 0, INT_MAX, 1}, *source, {0, 0}, *mask, {0, 0}, 0xAACC0020);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{c2, c3, untouched, untouched}));
}

TEST(FarCoordinates, BrushOriginAnywhereKeepsTheTilePhase)
{
    // A 3-pixel tile from origin x: destination column x shows tile column (x - origin) mod 3.
    // 2^31 mod 3 = 2 and (2^31 - 1) mod 3 = 1.
    auto pattern = row32({c0, c1, c2});
    auto destination = filled(4, 1, untouched);
    SectionDeviceContext dc(*destination);
    dc.setBrush({BrushStyle::Solid, 0, pattern.get()});
    dc.setBrushOrigin({INT_MIN, 0});  // (0 + 2^31) mod 3 = 2
    dc.patBlt({0, 0, 4, 1}, rop::PatCopy);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{c2, c0, c1, c2}));
    dc.setBrushOrigin({INT_MAX, INT_MIN});  // (0 - 2^31 + 1) mod 3 = (-1) mod 3 = 2, as above
    dc.patBlt({0, 0, 4, 1}, rop::PatInvert);
    EXPECT_EQ(rowOf(*destination), (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

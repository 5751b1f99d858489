#include "platform/display.h"
#include "platform/palette.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

TEST(StandardPalette, HoldsTheSixteenClassicColoursInOrder)
{
    const Colour expected[16] = {
        rgb(0, 0, 0),       rgb(0x80, 0, 0),    rgb(0, 0x80, 0),    rgb(0x80, 0x80, 0),
        rgb(0, 0, 0x80),    rgb(0x80, 0, 0x80), rgb(0, 0x80, 0x80), rgb(0x80, 0x80, 0x80),
        rgb(0xC0, 0xC0, 0xC0), rgb(0xFF, 0, 0), rgb(0, 0xFF, 0),    rgb(0xFF, 0xFF, 0),
        rgb(0, 0, 0xFF),    rgb(0xFF, 0, 0xFF), rgb(0, 0xFF, 0xFF), rgb(0xFF, 0xFF, 0xFF),
    };
    const Palette& palette = standardPalette16();
    ASSERT_EQ(palette.size(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(palette.colour(i), expected[i]) << "entry " << i;
        EXPECT_EQ(palette.entries()[std::size_t(i)].flags, 0) << "entry " << i;
    }
    EXPECT_EQ(&standardPalette16(), &palette);
}

TEST(NearestColour, ExactHitsTiesAndNearMisses)
{
    struct Row {
        const char* name;
        Colour query;
        int index;
    };
    const Row rows[] = {
        {"exact black", 0x000000, 0},
        {"exact aqua", rgb(0, 0xFF, 0xFF), 14},
        {"dark gray goes to gray", rgb(0x60, 0x60, 0x60), 7},              // 3·32² against 3·96²
        {"tie between gray and silver takes gray", rgb(0xA0, 0xA0, 0xA0), 7},  // 3·32² each
        {"nearly red", rgb(0xF0, 0x10, 0x08), 9},
        {"system colour button face", 0x8000000F, 8},
        {"palette-relative white", 0x02FFFFFF, 15},
    };
    for (const Row& row : rows)
        EXPECT_EQ(standardPalette16().nearestIndex(row.query), row.index) << row.name;

    const Colour pair[] = {rgb(0, 0, 0), rgb(2, 0, 0)};
    EXPECT_EQ(nearestColourIndex(pair, rgb(1, 0, 0)), 0);
    EXPECT_EQ(nearestColourIndex(pair, rgb(2, 0, 0)), 1);
    const Colour repeated[] = {rgb(9, 9, 9), rgb(5, 5, 5), rgb(5, 5, 5)};
    EXPECT_EQ(nearestColourIndex(repeated, rgb(5, 5, 5)), 1);
}

TEST(NearestColour, MatcherGivesTheSameAnswersAsTheFullSearch)
{
    const Palette halftone = createHalftonePalette();
    std::vector<Colour> colours;
    for (int i = 0; i < halftone.size(); ++i)
        colours.push_back(halftone.colour(i));
    ColourMatcher matcher(colours);
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        const Colour c = random() & 0xFFFFFF;
        ASSERT_EQ(matcher.nearestIndex(c), nearestColourIndex(colours, c)) << std::hex << c;
    }
    // Ties: black and white appear twice (standard colours and cube corners).
    EXPECT_EQ(matcher.nearestIndex(0x000000), 0);
    EXPECT_EQ(matcher.nearestIndex(0xFFFFFF), 223);
    const Colour pair[] = {rgb(0, 4, 0), rgb(0, 0, 0)};
    ColourMatcher tie(pair);
    EXPECT_EQ(tie.nearestIndex(rgb(0, 2, 0)), 0);
    EXPECT_EQ(tie.nearestIndex(rgb(0, 1, 0)), 1);
    ColourMatcher empty({});
    EXPECT_EQ(empty.nearestIndex(0x123456), 0);
}

TEST(HalftonePalette, StandardEndsCubeAndGrays)
{
    const Palette p = createHalftonePalette();
    ASSERT_EQ(p.size(), 256);
    EXPECT_EQ(p.colour(0), 0x000000u);
    EXPECT_EQ(p.colour(7), rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(p.colour(8), rgb(0, 0, 0));
    EXPECT_EQ(p.colour(8 + 36 * 5), rgb(0xFF, 0, 0));
    EXPECT_EQ(p.colour(8 + 36 * 1 + 6 * 2 + 3), rgb(0x33, 0x66, 0x99));
    EXPECT_EQ(p.colour(223), rgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(p.colour(224), rgb(10, 10, 10));
    EXPECT_EQ(p.colour(247), rgb(240, 240, 240));
    EXPECT_EQ(p.colour(248), rgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(p.colour(255), rgb(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(p.colour(256), 0u);
}

TEST(SystemColours, ClassicSchemeByIndex)
{
    struct Row {
        const char* name;
        int index;
        Colour colour;
    };
    const Row rows[] = {
        {"scroll bar", 0, 0xC0C0C0},     {"window", 5, 0xFFFFFF},          {"window text", 8, 0x000000},
        {"highlight", 13, 0x800000},     {"highlight text", 14, 0xFFFFFF}, {"button face", 15, 0xC0C0C0},
        {"button shadow", 16, 0x808080}, {"button highlight", 20, 0xFFFFFF}, {"tooltip text", 23, 0x000000},
        {"tooltip background", 24, 0xE1FFFF}, {"out of range", 31, 0}, {"negative", -1, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(systemColour(row.index), row.colour) << row.name;
}

TEST(SystemColours, ColourToRgbResolvesAndDropsFlags)
{
    EXPECT_EQ(colourToRgb(0x8000000F), 0xC0C0C0u);
    EXPECT_EQ(colourToRgb(0x80000018), 0xE1FFFFu);
    EXPECT_EQ(colourToRgb(0x02123456), 0x123456u);
    EXPECT_EQ(colourToRgb(0x1FFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(resolveSystemColour(0x02123456), 0x02123456u);
    EXPECT_EQ(resolveSystemColour(0x80000005), 0xFFFFFFu);
}

TEST(Display, FixedFactsUnderTheOffscreenPlatform)
{
    const DisplayInfo info = displayInfo();
    EXPECT_EQ(info.bitsPerPixel, 32);
    EXPECT_FALSE(info.hasPalette);
    EXPECT_EQ(info.logicalDpiX, 96);
    EXPECT_EQ(info.logicalDpiY, 96);
    EXPECT_EQ(info.pixels, (Size{1024, 768}));
    EXPECT_EQ(info.millimetres, (Size{271, 203}));
    EXPECT_EQ(info.iconSize, (Size{32, 32}));
}

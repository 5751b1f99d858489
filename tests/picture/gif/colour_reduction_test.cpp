// Reduction to 256 colours by counting: which colours make the table, in what order, how the
// rest are mapped, and how channels are narrowed when there are too many colours to count.

#include "support/test_support.h"

#include "picture/gif/colour_reduction.h"
#include "platform/section.h"

namespace {

// One row of 24-bit pixels (a single row: storage order is left to right).
std::unique_ptr<platform::Section> rowOf(const std::vector<platform::Colour>& colours)
{
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = int(colours.size());
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 24;
    auto section = platform::Section::create(header);
    for (std::size_t x = 0; x < colours.size(); ++x)
        section->setPixel(int(x), 0, colours[x]);
    return section;
}

platform::Colour tableColour(const gif::IndexedPicture& picture, std::size_t index)
{
    return platform::colourOf(picture.colours.at(index));
}

std::uint8_t indexAt(const gif::IndexedPicture& picture, int x)
{
    return picture.rows().row(0)[x];
}

TEST(ColourReduction, KeepsThe256MostFrequentOf300AndMapsTheRestToTheNearest)
{
    // Colours 0 to 255 are far apart (16 steps of red and green); each appears twice, colour
    // 200 three times. Colours 256 to 299 appear once each, each one step of red from colour
    // k = 0 to 43.
    const auto frequent = [](int k) { return platform::rgb(std::uint8_t((k % 16) * 16), std::uint8_t((k / 16) * 16), 100); };
    std::vector<platform::Colour> pixels;
    for (int k = 0; k < 256; ++k)
        pixels.insert(pixels.end(), k == 200 ? 3 : 2, frequent(k));
    for (int k = 0; k < 44; ++k)
        pixels.push_back(frequent(k) + 1);
    const gif::IndexedPicture picture = gif::reduceToIndexed(*rowOf(pixels));
    ASSERT_EQ(picture.colours.size(), 256u);
    EXPECT_EQ(picture.depth, 8);
    // The most frequent first, then the others in the order they were met.
    EXPECT_EQ(tableColour(picture, 0), frequent(200));
    for (int k = 0; k < 200; ++k)
        EXPECT_EQ(tableColour(picture, std::size_t(k) + 1), frequent(k)) << k;
    for (int k = 201; k < 256; ++k)
        EXPECT_EQ(tableColour(picture, std::size_t(k)), frequent(k)) << k;
    // Pixels take their own entry; the rare colours the entry one step away.
    EXPECT_EQ(indexAt(picture, 0), 1);
    EXPECT_EQ(indexAt(picture, 400), 0);  // colour 200 starts at 2 × 200
    for (int k = 0; k < 44; ++k)
        EXPECT_EQ(indexAt(picture, 513 + k), k + 1) << k;
}

TEST(ColourReduction, FewColoursLeaveTheRestOfTheTableGray)
{
    const gif::IndexedPicture picture = gif::reduceToIndexed(*rowOf({0x0000FF, 0x00FF00, 0x0000FF, 0xFF0000}));
    EXPECT_EQ(tableColour(picture, 0), 0x0000FFu);
    EXPECT_EQ(tableColour(picture, 1), 0x00FF00u);
    EXPECT_EQ(tableColour(picture, 2), 0xFF0000u);
    for (std::size_t i = 3; i < 256; ++i)
        EXPECT_EQ(tableColour(picture, i), platform::rgb(128, 128, 128)) << i;
    EXPECT_EQ(picture.colours[100].reserved, 0);
    EXPECT_EQ((std::vector<int>{indexAt(picture, 0), indexAt(picture, 1), indexAt(picture, 2), indexAt(picture, 3)}),
              (std::vector<int>{0, 1, 0, 2}));
}

TEST(ColourReduction, CountsBottomRowFirst)
{
    // Equal counts: the colour of the bottom row is met first.
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = 1;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    auto section = platform::Section::create(header);
    section->setPixel(0, 0, 0x111111);
    section->setPixel(0, 1, 0x222222);
    const gif::IndexedPicture picture = gif::reduceToIndexed(*section);
    EXPECT_EQ(tableColour(picture, 0), 0x222222u);
    EXPECT_EQ(tableColour(picture, 1), 0x111111u);
}

TEST(ColourReduction, TooManyColoursNarrowBlueThenRed)
{
    // 1100 colours with even red, odd green and even blue, each in four forms: red and blue
    // plus 0 or 1. That is 4400 colours; without blue's low bit 2200, still too many; without
    // red's too, 1100. Green keeps every bit.
    const auto base = [](int j) {
        return platform::rgb(std::uint8_t(2 * (j % 100)), std::uint8_t((j / 100) * 8 + 1), std::uint8_t(2 * (j % 7)));
    };
    std::vector<platform::Colour> pixels;
    for (int j = 0; j < 1100; ++j)
        for (const platform::Colour add : {0x000000u, 0x000001u, 0x010000u, 0x010001u})
            pixels.push_back(base(j) + add);
    const gif::IndexedPicture picture = gif::reduceToIndexed(*rowOf(pixels));
    for (int k = 0; k < 256; ++k)
        EXPECT_EQ(tableColour(picture, std::size_t(k)), base(k)) << k;
    // All four forms of a colour take its entry.
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(indexAt(picture, x), x / 4);
}

} // namespace

#include "platform/rle.h"
#include "platform/section.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::rgb;

constexpr platform::Colour black = rgb(0, 0, 0);
constexpr platform::Colour red = rgb(255, 0, 0);
constexpr platform::Colour green = rgb(0, 255, 0);
constexpr platform::Colour blue = rgb(0, 0, 255);

// The picture's rows, top row first: pixel values 1, 2, 3 drawn red, green, blue and 0 black
// over a picture that starts black.
std::vector<std::vector<platform::Colour>> decoded(std::vector<std::uint8_t> data, int bitCount, int width,
                                                   int height)
{
    constexpr platform::Colour colours[] = {black, red, green, blue};
    auto target = platform::Section::createDisplayCompatible(width, height);
    platform::decodeRle(data, bitCount, width, height, [&](int x, int y, std::span<const std::uint8_t> indexes) {
        for (std::size_t i = 0; i < indexes.size(); ++i)
            target->setPixel(x + int(i), y, indexes[i] < 4 ? colours[indexes[i]] : black);
    });
    std::vector<std::vector<platform::Colour>> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[std::size_t(y)].push_back(target->pixel(x, y));
    return rows;
}

using Rows = std::vector<std::vector<platform::Colour>>;

TEST(Rle8, RunsLiteralsDeltasAndEndCodes)
{
    const std::vector<std::uint8_t> data = {
        0x03, 0x01,                    // bottom row: 3 red
        0x00, 0x00,                    // end of line
        0x00, 0x03, 0x02, 0x03, 0x01,  // 3 literal pixels: green, blue, red
        0x00,                          //   padding to a 16-bit boundary
        0x00, 0x00,                    // end of line: top row
        0x00, 0x02, 0x01, 0x00,        // delta: one column right, no row
        0x05, 0x03,                    // 5 blue: the last two fall off the right edge
        0x00, 0x01,                    // end of bitmap
        0x04, 0x01,                    // never read
    };
    EXPECT_EQ(decoded(data, 8, 4, 3), (Rows{
                                          {black, blue, blue, blue},
                                          {green, blue, red, black},
                                          {red, red, red, black},
                                      }));
}

TEST(Rle8, DeltaOverTheTopEndsDecoding)
{
    const std::vector<std::uint8_t> data = {
        0x00, 0x02, 0x00, 0x05,  // delta five rows up: past the top of a 3-row picture
        0x02, 0x01,              // nowhere to go
    };
    EXPECT_EQ(decoded(data, 8, 2, 3), (Rows{{black, black}, {black, black}, {black, black}}));
}

TEST(Rle8, DataCutShortYieldsWhatIsThere)
{
    const std::vector<std::uint8_t> literalCut = {
        0x00, 0x06, 0x01, 0x02,  // 6 literal pixels announced, 2 present
    };
    EXPECT_EQ(decoded(literalCut, 8, 3, 1), (Rows{{red, green, black}}));
    const std::vector<std::uint8_t> deltaCut = {
        0x01, 0x03,  // 1 blue
        0x00, 0x02,  // delta without its two bytes
    };
    EXPECT_EQ(decoded(deltaCut, 8, 2, 1), (Rows{{blue, black}}));
    EXPECT_EQ(decoded({0x02}, 8, 2, 1), (Rows{{black, black}}));  // half a code
}

TEST(Rle4, RunsAlternateTheTwoPixelsOfTheirByte)
{
    const std::vector<std::uint8_t> data = {
        0x05, 0x12,              // bottom row: 1 2 1 2 1
        0x00, 0x00,              // end of line
        0x00, 0x03, 0x31, 0x20,  // 3 literal pixels 3 1 2 in two bytes (already 16-bit aligned)
        0x02, 0x33,              // 2 pixels of 3
        0x00, 0x01,              // end of bitmap
    };
    EXPECT_EQ(decoded(data, 4, 5, 2), (Rows{
                                          {blue, red, green, blue, blue},
                                          {red, green, red, green, red},
                                      }));
}

TEST(Rle4, OddLiteralsArePaddedToA16BitBoundary)
{
    const std::vector<std::uint8_t> data = {
        0x00, 0x05, 0x12, 0x31, 0x20,  // 5 literal pixels 1 2 3 1 2 in three bytes
        0x00,                          //   padding
        0x01, 0x30,                    // 1 pixel of 3
    };
    EXPECT_EQ(decoded(data, 4, 6, 1), (Rows{{red, green, blue, red, green, blue}}));
}

} // namespace

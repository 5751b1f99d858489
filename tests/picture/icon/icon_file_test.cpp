// The icon file's directory, the choice of its image for a display, the making of the platform
// icon, and refusals of damaged files.

#include "picture/icon/icon_file.h"

#include "icon_files.h"
#include "platform/device_context.h"
#include "platform/icon.h"
#include "support/test_support.h"

#include <QImage>

using namespace icon_test;

namespace {

constexpr auto notValid = "Icon image is not valid";
constexpr platform::Size iconSize{32, 32};
constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t green = 0x00FF00;
constexpr std::uint32_t blue = 0x0000FF;

// The icon drawn at (0, 0) on a 32 × 32 gray section.
std::unique_ptr<platform::Section> drawn(const platform::Icon& icon, platform::Colour background = 0x808080)
{
    auto section = platform::Section::createDisplayCompatible(32, 32);
    section->fill(background);
    platform::drawIcon(*platform::makeSectionContext(*section), {0, 0}, icon);
    return section;
}

// A 32 × 32 4-bit image of one colour, without see-through pixels.
std::vector<std::uint8_t> plain4Bit(std::uint32_t colour)
{
    return bitmapImage(32, 32, 4, {0, colour}, [](int, int) { return 1u; }, noMask);
}

// A 32 × 32 8-bit image of one colour.
std::vector<std::uint8_t> plain8Bit(std::uint32_t colour)
{
    return bitmapImage(32, 32, 8, {0, 0, colour}, [](int, int) { return 2u; }, noMask);
}

TEST(IconDisplayColourValue, PowersOfTwoCutTo16Bits)
{
    struct Row {
        int bits;
        std::uint16_t value;
    };
    const Row rows[] = {{1, 2}, {4, 16}, {8, 256}, {15, 32768}, {16, 0}, {24, 0}, {32, 1}};
    for (const Row& row : rows)
        EXPECT_EQ(icon_file::displayColourValue(row.bits), row.value) << row.bits << " bits";
}

TEST(IconChooseEntry, WalksTheEntriesByColourValue)
{
    struct Row {
        const char* name;
        std::vector<std::uint16_t> values;
        int displayBits;
        std::size_t chosen;
    };
    const Row rows[] = {
        // A 16-colour entry, then a 256-colour one (colour count byte 0).
        {"16 then 256 colours, 4-bit display: exact match", {16, 0}, 4, 0},
        {"16 then 256 colours, 8-bit display: 0 never beats the candidate", {16, 0}, 8, 0},
        {"16 then 256 colours, 24-bit display: exact match with 0", {16, 0}, 24, 1},
        {"16 then 256 colours, 32-bit display: 0 is at most 1", {16, 0}, 32, 1},
        {"only entry above D", {16}, 32, 0},
        {"all entries above D: the first", {256, 16}, 1, 0},
        {"exact match later", {2, 16, 256, 16}, 8, 2},
        {"a candidate is replaced by any later value above the first candidate's", {2, 16, 4}, 8, 2},
        {"equal values do not replace the candidate", {0, 0, 0}, 32, 0},
        {"entries above D before the candidate are passed over", {16, 16, 0, 0}, 32, 2},
        {"reserved byte counts: 16 + 256 × 1 is above 256", {272, 2}, 8, 1},
        {"no entries", {}, 32, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(icon_file::chooseEntry(row.values, row.displayBits), row.chosen) << row.name;
}

TEST(IconMakeIcon, ShowsTheEntryChosenForTheDisplay)
{
    const std::vector<std::uint8_t> file =
        iconFile({{plain4Bit(red), 16}, {plain8Bit(blue), 0}});
    struct Row {
        int bits;
        platform::Colour shown;
    };
    const Row rows[] = {{4, 0x0000FF}, {8, 0x0000FF}, {24, 0xFF0000}, {32, 0xFF0000}};
    for (const Row& row : rows) {
        const TIconHandle icon = icon_file::makeIcon(file, row.bits, iconSize);
        EXPECT_EQ(drawn(*icon)->pixel(5, 5), row.shown) << row.bits << " bits";
    }
}

TEST(IconMakeIcon, MaskKeepsOrInvertsTheBackground)
{
    // Columns 0-7: colour, mask 0 (shown). 8-15: black, mask 1 (see-through). 16-23: white,
    // mask 1 (inverts). 24-31: green, mask 0.
    const auto pixel = [](int x, int) { return std::uint32_t(x < 8 ? 1 : x < 16 ? 0 : x < 24 ? 2 : 3); };
    const auto mask = [](int x, int) { return x >= 8 && x < 24; };
    const TIconHandle icon = icon_file::makeIcon(
        iconFile({{bitmapImage(32, 32, 4, {0x000000, red, 0xFFFFFF, green}, pixel, mask)}}), 32, iconSize);
    const auto section = drawn(*icon, 0x204060);
    EXPECT_EQ(section->pixel(3, 3), 0x0000FF);   // red as a colour value
    EXPECT_EQ(section->pixel(10, 3), 0x204060);  // background
    EXPECT_EQ(section->pixel(20, 3), 0xDFBF9F);  // background inverted
    EXPECT_EQ(section->pixel(28, 3), 0x00FF00);
}

TEST(IconMakeIcon, StretchesToTheIconSizeByNearestPixel)
{
    // 48 × 48, 24 bits: red = column × 5, green = row × 5. Destination pixel d takes source
    // pixel floor((2d + 1) × 48 / 64): 0 → 0, 1 → 2, 2 → 3, 3 → 5, 31 → 47.
    const auto pixel = [](int x, int y) { return std::uint32_t(x * 5) << 16 | std::uint32_t(y * 5) << 8; };
    const TIconHandle icon =
        icon_file::makeIcon(iconFile({{bitmapImage(48, 48, 24, {}, pixel, noMask), 0, 0, 48, 48}}), 32, iconSize);
    ASSERT_EQ(icon->width(), 32);
    ASSERT_EQ(icon->height(), 32);
    const auto section = drawn(*icon);
    EXPECT_EQ(section->pixel(0, 0), platform::rgb(0, 0, 0));
    EXPECT_EQ(section->pixel(1, 2), platform::rgb(10, 15, 0));
    EXPECT_EQ(section->pixel(3, 31), platform::rgb(25, 235, 0));
    EXPECT_EQ(section->pixel(31, 1), platform::rgb(235, 10, 0));
}

TEST(IconMakeIcon, ThirtyTwoBitImagesBlendWithTheirAlpha)
{
    // White with alpha 255, 128 and 0 in three column bands, mask all 1 (the mask is not used
    // while any alpha is set). White over gray 0x80 at alpha 128: (255 × 128 + 128 × 127) / 255
    // = 192.1, rounded 192.
    const auto pixel = [](int x, int) {
        const std::uint32_t alpha = x < 10 ? 255 : x < 20 ? 128 : 0;
        return alpha << 24 | 0xFFFFFF;
    };
    const TIconHandle icon =
        icon_file::makeIcon(iconFile({{bitmapImage(32, 32, 32, {}, pixel, [](int, int) { return true; }), 0}}), 32, iconSize);
    EXPECT_TRUE(icon->hasAlpha());
    const auto section = drawn(*icon);
    EXPECT_EQ(section->pixel(5, 5), 0xFFFFFF);
    EXPECT_EQ(section->pixel(15, 5), 0xC0C0C0);
    EXPECT_EQ(section->pixel(25, 5), 0x808080);
}

TEST(IconMakeIcon, ThirtyTwoBitImagesWithoutAlphaUseTheirMask)
{
    const auto pixel = [](int, int) { return std::uint32_t(0x00FF0000); };
    const auto mask = [](int x, int) { return x >= 16; };
    const TIconHandle icon =
        icon_file::makeIcon(iconFile({{bitmapImage(32, 32, 32, {}, pixel, mask), 0}}), 32, iconSize);
    EXPECT_FALSE(icon->hasAlpha());
    const auto section = drawn(*icon);
    EXPECT_EQ(section->pixel(5, 5), 0x0000FF);
    EXPECT_EQ(section->pixel(20, 5), 0x80807F);  // gray XOR red: the mask alone keeps the background
}

TEST(IconMakeIcon, PngImagesAreDecodedAndBlended)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x)
            image.setPixel(x, y, qRgba(255, 0, 0, 0));
    const TIconHandle icon =
        icon_file::makeIcon(iconFile({{pngImage(image), 0, 0, 16, 16}}), 32, iconSize);
    const auto section = drawn(*icon);
    EXPECT_EQ(section->pixel(3, 3), 0xFF0000);    // blue as a colour value
    EXPECT_EQ(section->pixel(20, 3), 0x808080);  // see-through
}

TEST(IconMakeIcon, LongerInfoHeadersArePassedOver)
{
    // A 124-byte header: the 40 bytes of the classic one, then 84 more.
    std::vector<std::uint8_t> image = bitmapImage(32, 32, 24, {}, [](int, int) { return green; }, noMask);
    image[0] = 124;
    image.insert(image.begin() + 40, 84, 0xEE);
    const TIconHandle icon = icon_file::makeIcon(iconFile({{image, 0}}), 32, iconSize);
    EXPECT_EQ(drawn(*icon)->pixel(0, 31), 0x00FF00);
}

TEST(IconMakeIcon, TypeZeroIsTheDefaultApplicationIcon)
{
    const std::vector<std::uint8_t> file(6, 0);
    EXPECT_EQ(icon_file::makeIcon(file, 32, iconSize).get(), &platform::defaultApplicationIcon());
}

TEST(IconMakeIcon, DamagedFilesAreRefused)
{
    const std::vector<std::uint8_t> good = plain4Bit(red);
    // Patches a little-endian value into a copy of a file.
    const auto patched = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.at(at + std::size_t(i)) = std::uint8_t(value >> (8 * i));
        return bytes;
    };
    const std::vector<std::uint8_t> file = iconFile({{good}});
    constexpr std::size_t image = 22;  // offset of the only image
    QImage huge(1, 1, QImage::Format_ARGB32);
    huge.fill(Qt::red);
    std::vector<std::uint8_t> hugePng = pngImage(huge);
    hugePng[16] = 0x10;  // width 0x10000001
    std::vector<std::uint8_t> brokenPng = pngImage(huge);
    brokenPng.resize(brokenPng.size() - 20);  // the pixel data and the end cut off
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Row rows[] = {
        {"shorter than the directory header", {0, 0, 1, 0}},
        {"cursor", iconFile({{good}}, 2)},
        {"no entries", iconFile({})},
        {"entries beyond the file", std::vector<std::uint8_t>(file.begin(), file.begin() + 20)},
        {"offset beyond the file", patched(file, 18, 0x10000, 4)},
        {"offset and size beyond the file", patched(file, 14, 0xFFFFFFF9, 4)},
        {"image shorter than its header says", patched(file, 14, std::uint32_t(good.size() - 1), 4)},
        {"image shorter than its info header", patched(file, 14, 20, 4)},
        {"zero width", patched(file, image + 4, 0, 4)},
        {"negative width", patched(file, image + 4, 0xFFFFFFE0, 4)},
        {"height of one row", patched(file, image + 8, 1, 4)},
        {"negative height", patched(file, image + 8, 0xFFFFFFC0, 4)},
        {"bit count 3", patched(file, image + 14, 3, 2)},
        {"run-length compression", patched(file, image + 16, 2, 4)},
        {"header longer than the image", patched(file, image, 0x7FFFFFFF, 4)},
        {"width whose rows the image cannot hold", patched(file, image + 4, 0x7FFFFFFF, 4)},
        {"height whose rows the image cannot hold", patched(file, image + 8, 0x7FFFFFFE, 4)},
        {"PNG claiming a huge size", iconFile({{hugePng}})},
        {"PNG cut short", iconFile({{brokenPng}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_RAISES(icon_file::makeIcon(row.bytes, 32, iconSize), EInvalidGraphic, notValid);
    }
}

} // namespace

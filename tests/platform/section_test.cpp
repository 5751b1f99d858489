#include "platform/section.h"

#include "test_sections.h"

#include <QImage>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

using namespace platform;
using testing_sections::makeBitFields;
using testing_sections::makeSection;
using testing_sections::raw;
using testing_sections::setRaw;

TEST(SectionLayout, StrideRoundsRowsToFourBytes)
{
    struct Row {
        const char* name;
        int width;
        int bits;
        std::ptrdiff_t stride;
    };
    const Row rows[] = {
        {"1 pixel of 1 bit", 1, 1, 4},   {"33 pixels of 1 bit", 33, 1, 8}, {"3 pixels of 4 bits", 3, 4, 4},
        {"9 pixels of 4 bits", 9, 4, 8}, {"5 pixels of 8 bits", 5, 8, 8},  {"3 pixels of 16 bits", 3, 16, 8},
        {"3 pixels of 24 bits", 3, 24, 12}, {"1 pixel of 32 bits", 1, 32, 4},
    };
    for (const Row& row : rows) {
        auto s = makeSection(row.width, 2, row.bits);
        ASSERT_TRUE(s) << row.name;
        EXPECT_EQ(s->stride(), row.stride) << row.name;
        EXPECT_EQ(s->imageSize(), std::size_t(row.stride * 2)) << row.name;
        EXPECT_EQ(s->header().biSizeImage, std::uint32_t(row.stride * 2)) << row.name;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s->bits()) % 64, 0u) << row.name;
    }
}

TEST(SectionLayout, BottomUpRowsStartAtTheEndOfMemory)
{
    auto bottomUp = makeSection(2, 3, 8, {}, false);
    auto topDown = makeSection(2, 3, 8, {}, true);
    EXPECT_EQ(bottomUp->row(0), bottomUp->bits() + 2 * 4);
    EXPECT_EQ(bottomUp->row(2), bottomUp->bits());
    EXPECT_EQ(topDown->row(0), topDown->bits());
    EXPECT_EQ(topDown->row(2), topDown->bits() + 2 * 4);
    EXPECT_EQ(bottomUp->height(), 3);
    EXPECT_FALSE(bottomUp->isTopDown());
    EXPECT_TRUE(topDown->isTopDown());
}

TEST(SectionCreate, RefusesWhatThePlatformCannotMake)
{
    struct Row {
        const char* name;
        std::int32_t width;
        std::int32_t height;
        std::uint16_t bits;
        std::uint32_t compression;
    };
    const Row rows[] = {
        {"bit count 2", 4, 4, 2, BI_RGB},
        {"bit count 0", 4, 4, 0, BI_RGB},
        {"bit count 48", 4, 4, 48, BI_RGB},
        {"run-length compression", 4, 4, 8, BI_RLE8},
        {"unknown compression", 4, 4, 32, 7},
        {"bit fields with 24 bits", 4, 4, 24, BI_BITFIELDS},
        {"bit fields with 8 bits", 4, 4, 8, BI_BITFIELDS},
        {"zero width", 0, 4, 32, BI_RGB},
        {"negative width", -4, 4, 32, BI_RGB},
        {"zero height", 4, 0, 32, BI_RGB},
        {"one row over the cap", 16384, 16385, 32, BI_RGB},
        {"largest sizes", INT_MAX, INT_MAX, 32, BI_RGB},
        {"smallest height", INT_MAX, INT_MIN, 1, BI_RGB},
        {"stride alone over the cap", INT_MAX, 1, 32, BI_RGB},
    };
    for (const Row& row : rows) {
        BitmapInfoHeader header;
        header.biWidth = row.width;
        header.biHeight = row.height;
        header.biPlanes = 1;
        header.biBitCount = row.bits;
        header.biCompression = row.compression;
        EXPECT_EQ(Section::create(header), nullptr) << row.name;
    }
}

TEST(SectionCreate, AcceptsExactlyTheCap)
{
    BitmapInfoHeader header;
    header.biWidth = 16384;
    header.biHeight = -16384;
    header.biBitCount = 32;
    auto s = Section::create(header);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->imageSize(), std::size_t(1) << 30);
    EXPECT_EQ(raw(*s, 16383, 16383), 0u);
}

TEST(SectionCreate, DeviceBitmapsAreTopDownAndMarked)
{
    auto display = Section::createDisplayCompatible(3, 2);
    auto mono = Section::createMonochrome(3, 2);
    ASSERT_TRUE(display && mono);
    EXPECT_EQ(display->kind(), Section::Kind::DisplayDevice);
    EXPECT_EQ(display->bitCount(), 32);
    EXPECT_TRUE(display->isTopDown());
    EXPECT_EQ(mono->kind(), Section::Kind::MonochromeDevice);
    EXPECT_TRUE(mono->isMonochrome());
    EXPECT_TRUE(mono->colourTable().empty());
    EXPECT_EQ(Section::createMonochrome(0, 2), nullptr);
    EXPECT_EQ(Section::createDisplayCompatible(2, -1), nullptr);
}

TEST(SectionPixels, OneBitPacksFromTheHighBit)
{
    auto s = makeSection(10, 1, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}});
    s->setPixel(0, 0, 0xFFFFFF);
    s->setPixel(9, 0, 0xF0F0F0);  // nearer white
    EXPECT_EQ(s->bits()[0], 0x80);
    EXPECT_EQ(s->bits()[1], 0x40);
    EXPECT_EQ(s->pixel(9, 0), 0xFFFFFFu);
    EXPECT_EQ(s->pixel(8, 0), 0x000000u);
}

TEST(SectionPixels, FourBitsMapToTheNearestTableEntry)
{
    auto s = makeSection(2, 1, 4, testing_sections::standardTable());
    s->setPixel(0, 0, rgb(250, 5, 5));  // red, entry 9
    s->setPixel(1, 0, rgb(0, 0, 255));  // blue, entry 12
    EXPECT_EQ(s->bits()[0], 0x9C);
    EXPECT_EQ(s->pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(s->pixel(1, 0), rgb(0, 0, 255));
}

TEST(SectionPixels, IndexesBeyondTheTableReadBlack)
{
    auto s = makeSection(2, 1, 8, {{10, 20, 30, 0}, {40, 50, 60, 0}});
    setRaw(*s, 0, 0, 1);
    setRaw(*s, 1, 0, 5);
    EXPECT_EQ(s->pixel(0, 0), rgb(60, 50, 40));
    EXPECT_EQ(s->pixel(1, 0), 0u);
}

TEST(SectionPixels, SixteenBitChannelsWidenByReplication)
{
    struct Row {
        const char* name;
        std::uint32_t raw;
        Colour colour;
    };
    auto s555 = makeSection(1, 1, 16);
    const Row rows555[] = {
        {"white", 0x7FFF, 0xFFFFFF},
        {"red 31", 0x7C00, rgb(255, 0, 0)},
        {"blue 16", 0x0010, rgb(0, 0, 132)},
        {"green 1", 0x0020, rgb(0, 8, 0)},
    };
    for (const Row& row : rows555) {
        setRaw(*s555, 0, 0, row.raw);
        EXPECT_EQ(s555->pixel(0, 0), row.colour) << row.name;
    }
    auto s565 = makeBitFields(1, 1, 16, {0xF800, 0x07E0, 0x001F});
    const Row rows565[] = {
        {"green 63", 0x07E0, rgb(0, 255, 0)},
        {"green 32", 0x0400, rgb(0, 130, 0)},
        {"red 31", 0xF800, rgb(255, 0, 0)},
    };
    for (const Row& row : rows565) {
        setRaw(*s565, 0, 0, row.raw);
        EXPECT_EQ(s565->pixel(0, 0), row.colour) << row.name;
    }
}

TEST(SectionPixels, WritesNarrowChannelsByDroppingLowBits)
{
    auto s555 = makeSection(1, 1, 16);
    s555->setPixel(0, 0, rgb(255, 128, 7));
    EXPECT_EQ(raw(*s555, 0, 0), 0x7E00u);  // 31, 16, 0
    auto s565 = makeBitFields(1, 1, 16, {0xF800, 0x07E0, 0x001F});
    s565->setPixel(0, 0, rgb(8, 255, 255));
    EXPECT_EQ(raw(*s565, 0, 0), 0x0FFFu);  // 1, 63, 31
}

TEST(SectionPixels, TwentyFourBitsStoreBlueGreenRed)
{
    auto s = makeSection(2, 1, 24);
    s->setPixel(1, 0, rgb(1, 2, 3));
    EXPECT_EQ(s->bits()[3], 3);
    EXPECT_EQ(s->bits()[4], 2);
    EXPECT_EQ(s->bits()[5], 1);
    EXPECT_EQ(s->pixel(1, 0), rgb(1, 2, 3));
}

TEST(SectionPixels, ThirtyTwoBitsKeepTheTopByteZero)
{
    auto s = makeSection(1, 1, 32);
    s->setPixel(0, 0, 0x02332211);  // palette-relative flag dropped
    EXPECT_EQ(raw(*s, 0, 0), 0x00112233u);
    EXPECT_EQ(s->pixel(0, 0), 0x332211u);
}

TEST(SectionPixels, WideAndOddMasksDecodeSafely)
{
    // 10-10-10: red in the low bits; the top 8 of 10 bits are kept.
    auto wide = makeBitFields(1, 1, 32, {0x000003FF, 0x000FFC00, 0x3FF00000});
    setRaw(*wide, 0, 0, 0x3FF | (0x200u << 10));
    EXPECT_EQ(wide->pixel(0, 0), rgb(255, 128, 0));
    wide->setPixel(0, 0, rgb(255, 0, 0x80));
    EXPECT_EQ(raw(*wide, 0, 0), 0x3FFu | (0x202u << 20));

    // A mask with a hole: bits 0-3 and 8-11 make a 12-bit channel whose top 8 bits are read.
    auto holes = makeBitFields(1, 1, 16, {0x0F0F, 0, 0});
    setRaw(*holes, 0, 0, 0x0F0F);
    EXPECT_EQ(holes->pixel(0, 0), rgb(0xF0, 0, 0));

    auto zero = makeBitFields(1, 1, 32, {0, 0, 0});
    ASSERT_TRUE(zero);
    setRaw(*zero, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(zero->pixel(0, 0), 0u);
    zero->setPixel(0, 0, 0xFFFFFF);
    EXPECT_EQ(raw(*zero, 0, 0), 0u);
}

TEST(SectionPixels, MasksDefaultAsTheBitmapFormatDoes)
{
    using Masks = std::array<std::uint32_t, 3>;
    EXPECT_EQ(makeSection(1, 1, 16)->masks(), (Masks{0x7C00, 0x03E0, 0x001F}));
    EXPECT_EQ(makeSection(1, 1, 32)->masks(), (Masks{0xFF0000, 0xFF00, 0xFF}));
    BitmapInfoHeader header;
    header.biWidth = 1;
    header.biHeight = 1;
    header.biBitCount = 16;
    header.biCompression = BI_BITFIELDS;
    EXPECT_EQ(Section::create(header)->masks(), (Masks{0xF800, 0x07E0, 0x001F}));
}

TEST(SectionPixels, MonochromeDeviceReadsBlackAndWhite)
{
    auto s = Section::createMonochrome(3, 1);
    s->setPixel(0, 0, 0x808080);  // 3·127² < 3·128²: nearer white
    s->setPixel(1, 0, 0x7F7F7F);
    s->setPixel(2, 0, 0xFFFFFF);
    EXPECT_EQ(s->bits()[0], 0xA0);
    EXPECT_EQ(s->pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(s->pixel(1, 0), 0u);
}

TEST(SectionPixels, OutsideThePictureReadsBlackAndWritesNothing)
{
    auto s = makeSection(2, 2, 32);
    s->fill(0xFFFFFF);
    s->setPixel(2, 0, 0);
    s->setPixel(-1, 1, 0);
    EXPECT_EQ(s->pixel(2, 0), 0u);
    EXPECT_EQ(s->pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(raw(*s, 0, 1), 0xFFFFFFu);
}

TEST(SectionColourTable, KeepsAtMostTwoToTheBitCountEntries)
{
    std::vector<RgbQuad> twenty(20, RgbQuad{1, 2, 3, 0});
    auto s = makeSection(1, 1, 4, twenty);
    EXPECT_EQ(s->colourTable().size(), 16u);
    const RgbQuad red{0, 0, 255, 0};
    std::vector<RgbQuad> four(4, red);
    EXPECT_EQ(s->setColourTable(14, four), 2);
    EXPECT_EQ(s->colourTable()[15], red);
    setRaw(*s, 0, 0, 15);
    EXPECT_EQ(s->pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(s->setColourTable(16, four), 0);
    EXPECT_EQ(makeSection(1, 1, 24)->setColourTable(0, four), 0);
}

TEST(SectionColourTable, GrowsUpToTheBitCount)
{
    auto s = makeSection(1, 1, 8, {{0, 0, 0, 0}});
    const RgbQuad blue{255, 0, 0, 0};
    EXPECT_EQ(s->setColourTable(3, std::vector<RgbQuad>{blue}), 1);
    EXPECT_EQ(s->colourTable().size(), 4u);
    setRaw(*s, 0, 0, 3);
    EXPECT_EQ(s->pixel(0, 0), rgb(0, 0, 255));
}

TEST(SectionImage, SharesTopDownPixelsWhereQtHasTheLayout)
{
    auto s32 = makeSection(2, 2, 32);
    const QImage image32 = s32->toImage();
    EXPECT_EQ(image32.format(), QImage::Format_RGB32);
    EXPECT_EQ(image32.constBits(), s32->bits());

    auto s24 = makeSection(2, 2, 24);
    s24->setPixel(1, 1, rgb(10, 20, 30));
    const QImage image24 = s24->toImage();
    EXPECT_EQ(image24.format(), QImage::Format_BGR888);
    EXPECT_EQ(image24.constBits(), s24->bits());
    EXPECT_EQ(image24.pixel(1, 1), qRgb(10, 20, 30));

    auto s555 = makeSection(1, 1, 16);
    EXPECT_EQ(s555->toImage().format(), QImage::Format_RGB555);
    EXPECT_EQ(makeBitFields(1, 1, 16, {0xF800, 0x07E0, 0x001F})->toImage().format(), QImage::Format_RGB16);
}

TEST(SectionImage, ConvertsBottomUpAndPalettisedPixels)
{
    auto bottomUp = makeSection(1, 2, 32, {}, false);
    bottomUp->setPixel(0, 0, rgb(255, 0, 0));
    const QImage a = bottomUp->toImage();
    EXPECT_NE(a.constBits(), bottomUp->bits());
    EXPECT_EQ(a.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(a.pixel(0, 1), qRgb(0, 0, 0));

    auto indexed = makeSection(2, 1, 4, testing_sections::standardTable());
    setRaw(*indexed, 1, 0, 14);
    EXPECT_EQ(indexed->toImage().pixel(1, 0), qRgb(0, 255, 255));
    EXPECT_TRUE(indexed->sharedImage().isNull());
}

TEST(SectionImage, StoredRowsShareMemoryInItsOrder)
{
    // Bottom-up: the image's first row is the picture's bottom row.
    auto bottomUp = makeSection(2, 3, 24, {}, false);
    bottomUp->setPixel(1, 2, rgb(10, 20, 30));
    const QImage rows = bottomUp->storedRows();
    EXPECT_EQ(rows.format(), QImage::Format_BGR888);
    EXPECT_EQ(rows.constBits(), bottomUp->bits());
    EXPECT_EQ(rows.pixel(1, 0), qRgb(10, 20, 30));

    auto topDown = makeBitFields(1, 2, 16, {0xF800, 0x07E0, 0x001F});
    topDown->setPixel(0, 0, rgb(255, 0, 0));
    EXPECT_EQ(topDown->storedRows().format(), QImage::Format_RGB16);
    EXPECT_EQ(topDown->storedRows().pixel(0, 0), qRgb(255, 0, 0));

    EXPECT_TRUE(makeSection(2, 1, 8, testing_sections::rampTable())->storedRows().isNull());
    EXPECT_TRUE(makeBitFields(1, 1, 32, {0xFF, 0xFF00, 0xFF0000})->storedRows().isNull());
    EXPECT_TRUE(Section::createMonochrome(8, 1)->storedRows().isNull());
}

TEST(SectionCreate, LargeSectionsStartZeroedAndWritableToTheirEnd)
{
    // Below, at and past the size from which memory comes straight from the kernel, and past
    // the size of its huge pages.
    const int heights[] = {1000, 1024, 2049, 9000};
    for (const int height : heights) {
        auto s = makeSection(256, height, 32);  // 1 KiB rows
        ASSERT_TRUE(s) << height;
        const std::vector<std::uint8_t> zeros(s->imageSize(), 0);
        EXPECT_EQ(std::memcmp(s->bits(), zeros.data(), zeros.size()), 0) << height;
        s->setPixel(255, 0, rgb(1, 2, 3));
        s->setPixel(0, height - 1, rgb(4, 5, 6));
        auto copy = s->clone();
        EXPECT_EQ(copy->pixel(255, 0), rgb(1, 2, 3)) << height;
        EXPECT_EQ(copy->pixel(0, height - 1), rgb(4, 5, 6)) << height;
    }

    // The memory of a freed section serves the next one of its size, zeroed again.
    for (int round = 0; round < 3; ++round) {
        auto s = makeSection(256, 9000, 32);
        const std::vector<std::uint8_t> zeros(s->imageSize(), 0);
        EXPECT_EQ(std::memcmp(s->bits(), zeros.data(), zeros.size()), 0) << round;
        std::memset(s->bits(), 0xA5, s->imageSize());
    }
}

TEST(SectionCreateDeathTest, MappedPixelsEndAtAnInaccessiblePage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Rows of 1 KiB: one page short of, exactly, and past the mapped size; past a huge page,
    // and not a whole number of them; and a block taken again after it was freed.
    const int heights[] = {1024, 1536, 2048, 9000, 9000};
    for (const int height : heights) {
        auto s = makeSection(256, height, 32);
        ASSERT_TRUE(s) << height;
        volatile std::uint8_t* const end = s->bits() + s->imageSize();
        end[-2] = 7;  // the red of the last pixel is the picture's own
        EXPECT_EQ(redOf(s->pixel(255, height - 1)), 7) << height;
        EXPECT_DEATH(end[0] = 1, "") << "writing past " << height << " rows";
        EXPECT_DEATH((void)end[0], "") << "reading past " << height << " rows";
    }
}

TEST(SectionClone, CopiesPixelsTableAndKind)
{
    auto s = makeSection(3, 2, 8, testing_sections::rampTable(), false);
    setRaw(*s, 2, 1, 77);
    auto copy = s->clone();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->bits(), s->bits());
    EXPECT_EQ(raw(*copy, 2, 1), 77u);
    EXPECT_EQ(copy->colourTable(), s->colourTable());
    EXPECT_FALSE(copy->isTopDown());
    setRaw(*copy, 2, 1, 1);
    EXPECT_EQ(raw(*s, 2, 1), 77u);
    EXPECT_EQ(Section::createMonochrome(2, 2)->clone()->kind(), Section::Kind::MonochromeDevice);
}

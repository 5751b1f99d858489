#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/bitmap/bitmap.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <memory>

namespace {

using platform::rgb;

constexpr platform::Colour black = rgb(0, 0, 0);
constexpr platform::Colour red = rgb(255, 0, 0);
constexpr platform::Colour green = rgb(0, 255, 0);
constexpr platform::Colour blue = rgb(0, 0, 255);

std::unique_ptr<TBitmap> load(const Bytes& file)
{
    auto bitmap = std::make_unique<TBitmap>();
    TMemoryStream stream = file.stream();
    bitmap->LoadStream(stream);
    return bitmap;
}

platform::Colour pixel(TBitmap& bitmap, int x, int y)
{
    return bitmap.PlatformHandle()->pixel(x, y);
}

std::vector<std::uint8_t> saved(TBitmap& bitmap)
{
    TMemoryStream out;
    bitmap.SaveStream(out);
    return out.Bytes();
}

// A 2 × 1 picture of 8 bits: blue, red.
Bytes twoPixels()
{
    return Bytes()
        .fileHeader(66, 62)
        .infoHeader(2, 1, 8, 0, 4, 2)  // 2 colours used
        .quad(255, 0, 0)               // 0: red
        .quad(0, 0, 255)               // 1: blue
        .raw({1, 0, 0, 0});            // row: blue, red, padding
}

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return std::uint32_t(bytes[offset]) | (std::uint32_t(bytes[offset + 1]) << 8)
           | (std::uint32_t(bytes[offset + 2]) << 16) | (std::uint32_t(bytes[offset + 3]) << 24);
}

TEST(BitmapRead, EmptyStreamGivesAnEmptyBitmap)
{
    auto bitmap = load(twoPixels());
    TMemoryStream empty;
    bitmap->LoadStream(empty);
    EXPECT_TRUE(bitmap->IsEmpty());
    EXPECT_EQ(bitmap->Width(), 0);
    EXPECT_EQ(bitmap->Height(), 0);
    EXPECT_TRUE(saved(*bitmap).empty());
    TMemoryStream stored;
    bitmap->WriteStoredData(stored);
    EXPECT_EQ(stored.Bytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(BitmapRead, RefusalsKeepThePreviousImage)
{
    struct Row {
        const char* name;
        Bytes file;
        bool invalid;  // "Bitmap image is not valid", else "Stream read error"
    };
    const Row rows[] = {
        {"signature MB", Bytes().raw({'M', 'B'}).u32(0).u32(0).u32(0).infoHeader(1, 1, 24).raw({1, 2, 3, 0}), true},
        {"two planes", Bytes().fileHeader().infoHeader(1, 1, 24, 0, 0, 0, 2).raw({1, 2, 3, 0}), true},
        {"bit count 2", Bytes().fileHeader().infoHeader(1, 1, 2, 0, 0, 0).raw({0, 0, 0, 0}), true},
        {"compression 4", Bytes().fileHeader().infoHeader(1, 1, 24, 4).raw({1, 2, 3, 0}), true},
        {"zero width", Bytes().fileHeader().infoHeader(0, 1, 24).raw({1, 2, 3, 0}), true},
        {"negative width", Bytes().fileHeader().infoHeader(-1, 1, 24).raw({1, 2, 3, 0}), true},
        // 40000 × 40000 × 3 bytes is more than any section the platform makes.
        {"too big", Bytes().fileHeader().infoHeader(40000, 40000, 24).raw({1, 2, 3, 0}), true},
        // 4096 × 2048 pixels from 4 bytes, and from one end-of-bitmap code.
        {"picture far larger than its data", Bytes().fileHeader().infoHeader(4096, 2048, 24).raw({1, 2, 3, 0}), true},
        {"run-length picture far larger than its codes",
         Bytes().fileHeader().infoHeader(4096, 2048, 8, 1, 2, 2).u32(0).u32(0).raw({0x00, 0x01}), true},
        {"header size 8", Bytes().fileHeader().u32(8).u32(0x00010001), true},
        {"file header only", Bytes().fileHeader(), false},
        {"cut in the info header", Bytes().fileHeader().u32(40).i32(1).i32(1), false},
        // 2^30 colours of 4 bytes: far more than the file holds.
        {"colour table past the end", Bytes().fileHeader().infoHeader(1, 1, 8, 0, 0, 0x40000000).quad(1, 2, 3), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto bitmap = load(twoPixels());
        int changes = 0;
        bitmap->OnChange = [&](TObject*) { ++changes; };
        TMemoryStream stream = row.file.stream();
        if (row.invalid)
            EXPECT_RAISES(bitmap->LoadStream(stream), EInvalidGraphic, "Bitmap image is not valid");
        else
            EXPECT_RAISES(bitmap->LoadStream(stream), EReadError, "Stream read error");
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(bitmap->Width(), 2);
        EXPECT_EQ(pixel(*bitmap, 0, 0), blue);
    }
}

// A 3 × 2 picture of 8 bits with four colours, its pixel offset field set to `offsetField`,
// and `gap` bytes of 0xEE between the colour table and the pixels (which an offset must skip:
// read as pixels they would be colour 0xEE, black).
Bytes paletteFileWithGap(std::uint32_t offsetField, std::size_t gap)
{
    Bytes file;
    file.fileHeader(0, offsetField)
        .infoHeader(3, 2, 8, 0, 8, 4)  // 4 colours used
        .quad(255, 0, 0)               // 0: red
        .quad(0, 255, 0)               // 1: green
        .quad(0, 0, 255)               // 2: blue
        .quad(255, 255, 255);          // 3: white
    for (std::size_t i = 0; i < gap; ++i)
        file.u8(0xEE);
    return file.raw({3, 2, 1, 0})   // bottom row: white, blue, green
        .raw({0, 1, 2, 0});         // top row: red, green, blue
}

// A 2 × 1 picture of 16 bits with 5-6-5 masks after a 40-byte header, then `gap` bytes.
Bytes bitFieldFileWithGap(std::uint32_t offsetField, std::size_t gap)
{
    Bytes file;
    file.fileHeader(0, offsetField)
        .infoHeader(2, 1, 16, 3, 4)
        .u32(0xF800).u32(0x07E0).u32(0x001F);  // masks: 5-6-5
    for (std::size_t i = 0; i < gap; ++i)
        file.u8(0xEE);
    return file.u16(0xF800).u16(0x001F);       // red, blue
}

TEST(BitmapRead, PixelOffsetSkipsAGapAfterTheColourTable)
{
    constexpr std::uint32_t tableEnd = 14 + 40 + 16;  // the 8-bit file's pixels without a gap
    constexpr std::uint32_t maskEnd = 14 + 40 + 12;   // the bit-field file's
    struct Row {
        const char* name;
        Bytes file;
    };
    const Row rows[] = {
        {"100-byte gap", paletteFileWithGap(tableEnd + 100, 100)},
        {"1-byte gap", paletteFileWithGap(tableEnd + 1, 1)},
        {"offset at the end of the table", paletteFileWithGap(tableEnd, 0)},
        // Offsets that cannot be right leave the pixels right after the colour table.
        {"offset 0", paletteFileWithGap(0, 0)},
        {"offset into the file header", paletteFileWithGap(6, 0)},
        {"offset into the info header", paletteFileWithGap(30, 0)},
        {"offset into the colour table", paletteFileWithGap(tableEnd - 4, 0)},
        {"offset at the end of the data", paletteFileWithGap(tableEnd + 8, 0)},
        {"offset past the end", paletteFileWithGap(0xFFFFFFFF, 0)},
    };
    const platform::Colour white = rgb(255, 255, 255);
    const platform::Colour expected[2][3] = {{red, green, blue}, {white, blue, green}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto bitmap = load(row.file);
        ASSERT_EQ(bitmap->Width(), 3);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(pixel(*bitmap, x, y), expected[y][x]) << x << "," << y;
    }

    // The masks of a 40-byte bit-field header count as part of what comes before the pixels.
    for (const Bytes& file : {bitFieldFileWithGap(maskEnd + 100, 100), bitFieldFileWithGap(maskEnd - 4, 0)}) {
        auto bitmap = load(file);
        EXPECT_EQ(pixel(*bitmap, 0, 0), red);
        EXPECT_EQ(pixel(*bitmap, 1, 0), blue);
    }
}

TEST(BitmapRead, CoreHeaderFileLoadsAndSavesInItsOwnForm)
{
    const Bytes file = Bytes()
                           .fileHeader(40, 32)
                           .u32(12)                          // core header size
                           .u16(3)                           // width
                           .u16(2)                           // height
                           .u16(1)                           // planes
                           .u16(1)                           // bit count
                           .raw({0x30, 0x20, 0x10})          // 0: blue, green, red
                           .raw({0xD0, 0xE0, 0xF0})          // 1
                           .raw({0xA0, 0, 0, 0})             // bottom row: 1 0 1
                           .raw({0x40, 0, 0, 0});            // top row: 0 1 0
    auto bitmap = load(file);
    EXPECT_EQ(bitmap->Width(), 3);
    EXPECT_EQ(bitmap->Height(), 2);
    EXPECT_EQ(bitmap->PixelLayout(), pl1Bit);
    const platform::Colour zero = rgb(0x10, 0x20, 0x30);
    const platform::Colour one = rgb(0xF0, 0xE0, 0xD0);
    EXPECT_EQ(pixel(*bitmap, 0, 0), zero);
    EXPECT_EQ(pixel(*bitmap, 1, 0), one);
    EXPECT_EQ(pixel(*bitmap, 0, 1), one);
    EXPECT_EQ(pixel(*bitmap, 1, 1), zero);
    EXPECT_EQ(pixel(*bitmap, 2, 1), one);
    EXPECT_EQ(saved(*bitmap), file.data());
}

TEST(BitmapRead, CoreHeaderSavesAFullColourTable)
{
    // Made 4 bits deep, a core-header picture writes all 16 colours in 3-byte entries.
    const Bytes file = Bytes()
                           .fileHeader()
                           .u32(12).u16(1).u16(1).u16(1).u16(24)  // core header, 1 × 1, 24 bits
                           .raw({3, 2, 1, 0});                    // blue 3, green 2, red 1
    auto bitmap = load(file);
    bitmap->SetPixelLayout(pl4Bit);
    const std::vector<std::uint8_t> out = saved(*bitmap);
    ASSERT_EQ(out.size(), 14u + 12u + 48u + 4u);
    EXPECT_EQ(u32At(out, 10), 14u + 12u + 48u);  // pixel offset
    EXPECT_EQ(u32At(out, 14), 12u);              // core header again
}

TEST(BitmapRead, ColoursUsedSetsTheTableLength)
{
    Bytes file;
    file.fileHeader(122, 118).infoHeader(2, 1, 8, 0, 4, 16);  // 16 colours used
    for (int i = 0; i < 16; ++i)
        file.quad(i == 3 ? 255 : 0, 0, i == 15 ? 255 : 0);    // 3: red, 15: blue
    file.raw({15, 3, 0, 0});
    auto bitmap = load(file);
    EXPECT_EQ(pixel(*bitmap, 0, 0), blue);
    EXPECT_EQ(pixel(*bitmap, 1, 0), red);
    EXPECT_EQ(saved(*bitmap), file.data());
}

TEST(BitmapRead, MoreThan256ColoursKeepsTheFirst256)
{
    Bytes file;
    file.fileHeader().infoHeader(1, 1, 8, 0, 0, 300);  // 300 colours used
    for (int i = 0; i < 300; ++i)
        file.quad(i == 1 ? 255 : 0, i >= 256 ? 255 : 0, 0);  // 1: red; 256..299: green
    file.raw({1, 0, 0, 0});
    auto bitmap = load(file);
    EXPECT_EQ(pixel(*bitmap, 0, 0), red);
    const std::vector<std::uint8_t> out = saved(*bitmap);
    EXPECT_EQ(u32At(out, 46), 256u);  // colours used
    EXPECT_EQ(out.size(), 14u + 40u + 1024u + 4u);
}

TEST(BitmapRead, ShortPixelDataLeavesTheLastRowsBlack)
{
    const Bytes file = Bytes()
                           .fileHeader()
                           .infoHeader(2, 2, 24, 0, 16)
                           .raw({1, 2, 3, 4, 5, 6, 0, 0});  // only the bottom row
    auto bitmap = load(file);
    EXPECT_EQ(bitmap->Height(), 2);
    EXPECT_EQ(pixel(*bitmap, 0, 1), rgb(3, 2, 1));
    EXPECT_EQ(pixel(*bitmap, 1, 1), rgb(6, 5, 4));
    EXPECT_EQ(pixel(*bitmap, 0, 0), black);
    EXPECT_EQ(pixel(*bitmap, 1, 0), black);

    // So in a large picture whose memory another picture of its size held before.
    const auto largeFile = [](int dataRows) {
        Bytes large;
        large.fileHeader().infoHeader(1024, 1024, 24, 0, 3 * 1024 * 1024);  // 3 MiB of pixels
        for (int i = 0; i < 3 * 1024 * dataRows; ++i)
            large.u8(0xFF);
        return large;
    };
    load(largeFile(1024)).reset();  // all white, then freed
    auto large = load(largeFile(512));
    EXPECT_EQ(pixel(*large, 1023, 512), rgb(255, 255, 255));
    EXPECT_EQ(pixel(*large, 0, 511), black);
    EXPECT_EQ(pixel(*large, 1023, 0), black);
}

TEST(BitmapRead, LargePicturesLoadWhenAnEighthOfTheirDataIsThere)
{
    // 4096 × 2048 at 1 bit: 512 bytes a row, 1 MiB in all; the bottom 256 rows are there.
    Bytes file;
    file.fileHeader().infoHeader(4096, 2048, 1, 0, 0, 2).quad(0, 0, 0).quad(255, 255, 255);
    for (int i = 0; i < 512 * 256; ++i)
        file.u8(0xFF);
    auto bitmap = load(file);
    EXPECT_EQ(bitmap->Width(), 4096);
    EXPECT_EQ(bitmap->Height(), 2048);
    EXPECT_EQ(pixel(*bitmap, 4095, 2047), rgb(255, 255, 255));
    EXPECT_EQ(pixel(*bitmap, 0, 1792), rgb(255, 255, 255));
    EXPECT_EQ(pixel(*bitmap, 0, 1791), black);  // missing rows

    // One byte less and the picture claims more than eight times what its data can fill.
    Bytes shorter;
    shorter.fileHeader().infoHeader(4096, 2048, 1, 0, 0, 2).quad(0, 0, 0).quad(255, 255, 255);
    for (int i = 0; i < 512 * 256 - 1; ++i)
        shorter.u8(0xFF);
    EXPECT_RAISES(load(shorter), EInvalidGraphic, "Bitmap image is not valid");
}

TEST(BitmapRead, PicturesWhoseFullColourFormExceedsAGibibyteAreRefused)
{
    // 16384 × 16384 at 1 bit is 2^28 pixels, a 1 GiB picture at 32 bits: the largest allowed.
    // The top 2048 rows (an eighth) are there.
    Bytes largest;
    largest.fileHeader().infoHeader(16384, -16384, 1, 0, 0, 2).quad(0, 0, 0).quad(255, 255, 255);
    for (int i = 0; i < 2048 * 2048; ++i)
        largest.u8(0xFF);
    auto bitmap = load(largest);
    EXPECT_EQ(bitmap->Width(), 16384);
    EXPECT_EQ(pixel(*bitmap, 16383, 2047), rgb(255, 255, 255));

    // One row more, with every byte of it there: refused, however little the file stores.
    Bytes larger;
    larger.fileHeader().infoHeader(16384, -16385, 1, 0, 0, 2).quad(0, 0, 0).quad(255, 255, 255);
    for (int i = 0; i < 2048 * 16385; ++i)
        larger.u8(0xFF);
    EXPECT_RAISES(load(larger), EInvalidGraphic, "Bitmap image is not valid");
}

TEST(BitmapRead, TopDownRowsComeFirstInMemory)
{
    const Bytes file = Bytes()
                           .fileHeader()
                           .infoHeader(2, -2, 8, 0, 0, 2)
                           .quad(255, 0, 0)    // 0: red
                           .quad(0, 255, 0)    // 1: green
                           .raw({0, 1, 0, 0})  // top row
                           .raw({1, 0, 0, 0}); // bottom row
    auto bitmap = load(file);
    EXPECT_EQ(bitmap->Height(), 2);
    EXPECT_EQ(pixel(*bitmap, 0, 0), red);
    EXPECT_EQ(pixel(*bitmap, 0, 1), green);
    EXPECT_EQ(bitmap->RowAddress(1) - bitmap->RowAddress(0), 4);
    EXPECT_EQ(bitmap->RowAddress(0)[1], 1);
    EXPECT_EQ(std::int32_t(u32At(saved(*bitmap), 22)), -2);  // height keeps its sign
}

TEST(BitmapRead, SixteenAndThirtyTwoBitLayoutsFollowCompressionAndMasks)
{
    struct Row {
        const char* name;
        int bitCount;
        std::uint32_t compression;
        std::array<std::uint32_t, 3> masks;  // written for compression 3
        std::uint32_t pixel;
        TPixelLayout layout;
        platform::Colour colour;
    };
    const Row rows[] = {
        // 5-bit 16 widens to 132 by repeating its bits.
        {"5-5-5", 16, 0, {}, 0x4210, pl15Bit, rgb(132, 132, 132)},
        {"5-5-5 red", 16, 0, {}, 0x7C00, pl15Bit, red},
        {"5-6-5", 16, 3, {0xF800, 0x07E0, 0x001F}, 0x0400, pl16Bit, rgb(0, 130, 0)},
        {"5-6-5 white", 16, 3, {0xF800, 0x07E0, 0x001F}, 0xFFFF, pl16Bit, rgb(255, 255, 255)},
        {"5-5-5 by masks", 16, 3, {0x7C00, 0x03E0, 0x001F}, 0x001F, plCustom, blue},
        {"8-8-8", 32, 0, {}, 0x00123456, pl32Bit, rgb(0x12, 0x34, 0x56)},
        {"blue-green-red-x", 32, 3, {0x0000FF00, 0x00FF0000, 0xFF000000}, 0x56341200, plCustom,
         rgb(0x12, 0x34, 0x56)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file;
        file.fileHeader().infoHeader(1, 1, row.bitCount, row.compression);
        if (row.compression == 3)
            file.u32(row.masks[0]).u32(row.masks[1]).u32(row.masks[2]);
        file.u32(row.pixel);
        auto bitmap = load(file);
        EXPECT_EQ(bitmap->PixelLayout(), row.layout);
        EXPECT_EQ(pixel(*bitmap, 0, 0), row.colour);
    }
}

TEST(BitmapRead, LongerHeadersCarryTheirMasks)
{
    Bytes file;
    file.fileHeader()
        .u32(124).i32(1).i32(1).u16(1).u16(32).u32(3)    // a 124-byte header, bit fields
        .u32(4).u32(0).u32(0).u32(0).u32(0)              // image size, densities, colours
        .u32(0x0000FF00).u32(0x00FF0000).u32(0xFF000000)  // red, green, blue masks
        .u32(0);                                         // alpha mask
    for (int i = 56; i < 124; i += 4)
        file.u32(0);
    file.u32(0x56341200);
    auto bitmap = load(file);
    EXPECT_EQ(pixel(*bitmap, 0, 0), rgb(0x12, 0x34, 0x56));
}

TEST(BitmapRead, ShortInfoHeadersReadTheFieldsTheyHold)
{
    // 16 bytes hold width, height, planes and bit count; the rest reads as zero, so 8 bits
    // come with 256 colours.
    Bytes file;
    file.fileHeader().u32(16).i32(1).i32(1).u16(1).u16(8);
    for (int i = 0; i < 256; ++i)
        file.quad(0, 0, i == 7 ? 255 : 0);
    file.raw({7, 0, 0, 0});
    auto bitmap = load(file);
    EXPECT_EQ(pixel(*bitmap, 0, 0), blue);

    // 13 bytes stop inside the bit count: no depth the format knows.
    TMemoryStream cut = Bytes().fileHeader().u32(13).i32(1).i32(1).u8(1).raw({1, 0, 0, 0}).stream();
    EXPECT_RAISES(bitmap->LoadStream(cut), EInvalidGraphic, "Bitmap image is not valid");
}

TEST(BitmapRead, RunLengthFilesLoadAsDeviceBitmaps)
{
    const Bytes file = Bytes()
                           .fileHeader()
                           .infoHeader(3, 2, 8, 1, 10, 2)  // RLE8, 10 bytes of data
                           .quad(255, 0, 0)                // 0: red
                           .quad(0, 0, 255)                // 1: blue
                           .raw({0x02, 0x01})              // bottom row: 2 blue
                           .raw({0x00, 0x02, 0x00, 0x01})  // delta: same column, 1 up
                           .raw({0x01, 0x00})              // 1 red
                           .raw({0x00, 0x01});             // end of bitmap
    auto bitmap = load(file);
    EXPECT_EQ(bitmap->Storage(), bsDevice);
    EXPECT_EQ(bitmap->PixelLayout(), plDevice);
    EXPECT_EQ(pixel(*bitmap, 0, 1), blue);
    EXPECT_EQ(pixel(*bitmap, 1, 1), blue);
    EXPECT_EQ(pixel(*bitmap, 2, 1), black);  // never coded
    EXPECT_EQ(pixel(*bitmap, 0, 0), black);  // skipped by the delta
    EXPECT_EQ(pixel(*bitmap, 2, 0), red);
    // Saved as the 32-bit section it becomes.
    const std::vector<std::uint8_t> out = saved(*bitmap);
    EXPECT_EQ(out.size(), 14u + 40u + 2u * 12u);
    EXPECT_EQ(out[28], 32);  // bit count
    EXPECT_EQ(out[30], 0);   // uncompressed
    EXPECT_EQ(bitmap->Storage(), bsDevice);  // writing leaves the bitmap as it was

    struct Row {
        const char* name;
        Bytes file;
    };
    // Each with 2 colours and an end-of-bitmap code as data.
    const Row refused[] = {
        {"top-down", Bytes().fileHeader().infoHeader(3, -2, 8, 1, 2, 2).u32(0).u32(0).raw({0x00, 0x01})},
        {"RLE8 of 4 bits", Bytes().fileHeader().infoHeader(3, 2, 4, 1, 2, 2).u32(0).u32(0).raw({0x00, 0x01})},
        {"RLE4 of 8 bits", Bytes().fileHeader().infoHeader(3, 2, 8, 2, 2, 2).u32(0).u32(0).raw({0x00, 0x01})},
        {"too big", Bytes().fileHeader().infoHeader(30000, 30000, 8, 1, 2, 2).u32(0).u32(0).raw({0x00, 0x01})},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.name);
        TMemoryStream stream = row.file.stream();
        EXPECT_RAISES(bitmap->LoadStream(stream), EInvalidGraphic, "Bitmap image is not valid");
    }
}

TEST(BitmapStoredData, LengthThenAWholeFile)
{
    auto bitmap = load(twoPixels());
    TMemoryStream stored;
    bitmap->WriteStoredData(stored);
    const std::vector<std::uint8_t>& bytes = stored.Bytes();
    ASSERT_EQ(bytes.size(), 4u + 66u);
    EXPECT_EQ(u32At(bytes, 0), 66u);
    EXPECT_EQ(bytes[4], 'B');
    EXPECT_EQ(bytes[5], 'M');

    TBitmap copy;
    stored.SetPosition(0);
    copy.ReadStoredData(stored);
    EXPECT_EQ(pixel(copy, 0, 0), blue);
    EXPECT_EQ(pixel(copy, 1, 0), red);

    // The length is the budget: bytes after it belong to someone else.
    TMemoryStream longer(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    longer.Seek(0, SeekOrigin::End);
    longer.WriteU32(0xDEADBEEF);
    longer.SetPosition(0);
    copy.ReadStoredData(longer);
    EXPECT_EQ(longer.Position(), 4 + 66);
}

TEST(BitmapClipboard, OnlyTheBitmapFormat)
{
    auto bitmap = load(twoPixels());
    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    bitmap->SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, 2);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->size(), 2);

    TBitmap copy;
    copy.LoadClipboardData(format, data, palette);
    EXPECT_EQ(copy.Storage(), bsDevice);
    EXPECT_EQ(pixel(copy, 0, 0), blue);
    EXPECT_EQ(copy.Palette(), palette);

    EXPECT_RAISES(copy.LoadClipboardData(3, data, palette), EInvalidGraphic, "Unsupported clipboard format");
    EXPECT_RAISES(copy.LoadClipboardData(2, TClipboardHandle(), palette), EInvalidGraphic,
                  "Unsupported clipboard format");
}

TEST(BitmapResource, ReadsProgramBitmapsWithOrWithoutTheFileHeader)
{
    TBitmap withHeader;
    withHeader.LoadFromResource("TESTFILEGLYPH");
    EXPECT_EQ(withHeader.Width(), 2);
    EXPECT_EQ(pixel(withHeader, 0, 0), blue);
    TBitmap withoutHeader;
    withoutHeader.LoadFromResource("testinfoglyph");  // names are found upper-cased too
    EXPECT_EQ(withoutHeader.Width(), 2);
    EXPECT_EQ(pixel(withoutHeader, 1, 0), red);
    EXPECT_RAISES(withoutHeader.LoadFromResource("NOSUCHGLYPH"), EInvalidGraphic, "Resource NOSUCHGLYPH not found");
}

} // namespace

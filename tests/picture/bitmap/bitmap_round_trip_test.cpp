// Saving and reading again: every pixel layout a bitmap can have, and every good file of the
// public bitmap suite, come back with the same pixels, both as a file and as the stored "Data"
// property.

#include "bitmap_rows.h"
#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

using platform::rgb;

std::unique_ptr<TBitmap> load(const std::vector<std::uint8_t>& file)
{
    auto bitmap = std::make_unique<TBitmap>();
    TMemoryStream stream(file);
    bitmap->LoadStream(stream);
    return bitmap;
}

// A 5 × 3 picture of 24 bits (an odd width, so rows of most depths are padded), with the
// primaries, black and white, and colours no small palette holds.
std::unique_ptr<TBitmap> picture()
{
    const platform::Colour colours[3][5] = {
        {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0)},
        {rgb(0x33, 0x66, 0x99), rgb(0xC0, 0xC0, 0xC0), rgb(0x80, 0, 0x80), rgb(0xFE, 0xDC, 0x10), rgb(7, 8, 9)},
        {rgb(0x80, 0x80, 0x80), rgb(0x12, 0xF0, 0x77), rgb(255, 255, 0), rgb(0x40, 0x20, 0x10), rgb(1, 254, 128)},
    };
    Bytes file;
    file.fileHeader().infoHeader(5, 3, 24);
    for (int y = 2; y >= 0; --y) {  // bottom row first
        for (platform::Colour c : colours[y])
            file.raw({platform::blueOf(c), platform::greenOf(c), platform::redOf(c)});
        file.zeros(1);  // 15 bytes padded to 16
    }
    return load(file.data());
}

std::unique_ptr<TBitmap> withLayout(TPixelLayout layout)
{
    auto bitmap = picture();
    bitmap->SetPixelLayout(layout);
    return bitmap;
}

// Files of layouts that only reading makes: 2 × 2 pictures, bottom row first.
std::vector<std::uint8_t> bitFields16(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return Bytes()
        .fileHeader()
        .infoHeader(2, 2, 16, 3, 8)
        .u32(red).u32(green).u32(blue)
        .u16(red).u16(green)
        .u16(blue).u16(0x5ABC)  // a mixture
        .data();
}

std::vector<std::uint8_t> bitFields32(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    return Bytes()
        .fileHeader()
        .infoHeader(2, 2, 32, 3, 16)
        .u32(red).u32(green).u32(blue)
        .u32(red | (green & 0x20202020)).u32(green | (blue & 0x40404040))
        .u32(blue | (red & 0x80808080)).u32(0x00C0FFEE)
        .data();
}

std::vector<std::uint8_t> withColourTable24()
{
    return Bytes()
        .fileHeader()
        .infoHeader(2, 2, 24, 0, 16, 2)  // 2 colours used
        .quad(255, 0, 0).quad(0, 0, 255)
        .raw({1, 2, 3, 4, 5, 6, 0, 0})
        .raw({200, 100, 50, 25, 12, 6, 0, 0})
        .data();
}

std::vector<std::uint8_t> sixteenColours8()
{
    Bytes file;
    file.fileHeader().infoHeader(2, 2, 8, 0, 8, 16);  // 16 colours used
    for (int i = 0; i < 16; ++i)
        file.quad(std::uint8_t(i * 16), std::uint8_t(255 - i * 16), std::uint8_t(i * 5));
    return file.raw({3, 15, 0, 0}).raw({9, 0, 0, 0}).data();
}

std::vector<std::uint8_t> coreHeader4()
{
    Bytes file;
    file.fileHeader().u32(12).u16(2).u16(2).u16(1).u16(4);  // core header: 2 × 2, 4 bits
    for (int i = 0; i < 16; ++i)
        file.raw({std::uint8_t(i * 16), std::uint8_t(i * 8), std::uint8_t(255 - i * 16)});
    return file.raw({0x1E, 0, 0, 0}).raw({0x74, 0, 0, 0}).data();
}

std::vector<std::uint8_t> topDown8()
{
    return Bytes()
        .fileHeader()
        .infoHeader(2, -2, 8, 0, 8, 3)
        .quad(255, 0, 0).quad(0, 255, 0).quad(0, 0, 255)
        .raw({0, 1, 0, 0})  // top row first
        .raw({2, 0, 0, 0})
        .data();
}

std::vector<std::uint8_t> runLength8()
{
    return Bytes()
        .fileHeader()
        .infoHeader(2, 2, 8, 1, 10, 3)
        .quad(255, 0, 0).quad(0, 255, 0).quad(0, 0, 255)
        .raw({2, 1, 0, 0})        // bottom row: two of colour 1, end of line
        .raw({1, 2, 1, 0, 0, 1})  // top row: 2, 0, end of bitmap
        .data();
}

enum class Form { File, StoredData };

// Saves the bitmap and reads what was saved into a new bitmap.
std::unique_ptr<TBitmap> savedAndRead(TBitmap& bitmap, Form form)
{
    TMemoryStream saved;
    auto again = std::make_unique<TBitmap>();
    if (form == Form::File) {
        bitmap.SaveStream(saved);
        saved.SetPosition(0);
        again->LoadStream(saved);
    } else {
        bitmap.WriteStoredData(saved);
        saved.SetPosition(0);
        again->ReadStoredData(saved);
    }
    return again;
}

TEST(BitmapRoundTrip, EveryLayoutReadsBackWithItsPixels)
{
    struct Row {
        const char* name;
        std::function<std::unique_ptr<TBitmap>()> make;
        TPixelLayout layout;    // as made
        TPixelLayout readBack;  // as read again: device bitmaps are saved as sections
    };
    const Row rows[] = {
        {"1 bit", [] { return withLayout(pl1Bit); }, pl1Bit, pl1Bit},
        {"4 bits", [] { return withLayout(pl4Bit); }, pl4Bit, pl4Bit},
        {"8 bits", [] { return withLayout(pl8Bit); }, pl8Bit, pl8Bit},
        {"15 bits", [] { return withLayout(pl15Bit); }, pl15Bit, pl15Bit},
        {"16 bits", [] { return withLayout(pl16Bit); }, pl16Bit, pl16Bit},
        {"24 bits", [] { return withLayout(pl24Bit); }, pl24Bit, pl24Bit},
        {"32 bits", [] { return withLayout(pl32Bit); }, pl32Bit, pl32Bit},
        {"device bitmap", [] { return withLayout(plDevice); }, plDevice, pl32Bit},
        {"monochrome device bitmap",
         [] {
             auto bitmap = picture();
             bitmap->SetIsMonochrome(true);
             return bitmap;
         },
         plDevice, pl1Bit},
        {"16-bit 4-4-4 bit fields", [] { return load(bitFields16(0x0F00, 0x00F0, 0x000F)); }, plCustom, plCustom},
        // No red at all: the masks written must be these, not the 5-6-5 defaults.
        {"16-bit bit fields without red", [] { return load(bitFields16(0, 0x07E0, 0x001F)); }, pl16Bit, pl16Bit},
        {"32-bit bit fields, red lowest",
         [] { return load(bitFields32(0x000000FF, 0x0000FF00, 0x00FF0000)); }, plCustom, plCustom},
        {"32-bit bit fields, usual masks",
         [] { return load(bitFields32(0x00FF0000, 0x0000FF00, 0x000000FF)); }, plCustom, plCustom},
        {"24 bits with a colour table", [] { return load(withColourTable24()); }, pl24Bit, pl24Bit},
        {"8 bits, 16 colours used", [] { return load(sixteenColours8()); }, pl8Bit, pl8Bit},
        {"core header, 4 bits", [] { return load(coreHeader4()); }, pl4Bit, pl4Bit},
        {"top-down 8 bits", [] { return load(topDown8()); }, pl8Bit, pl8Bit},
        {"run-length 8 bits", [] { return load(runLength8()); }, plDevice, pl32Bit},
    };
    for (const Row& row : rows) {
        for (const Form form : {Form::File, Form::StoredData}) {
            SCOPED_TRACE(std::string(row.name) + (form == Form::File ? ", file" : ", stored data"));
            const std::unique_ptr<TBitmap> bitmap = row.make();
            ASSERT_EQ(bitmap->PixelLayout(), row.layout);
            const std::unique_ptr<TBitmap> again = savedAndRead(*bitmap, form);
            EXPECT_EQ(again->PixelLayout(), row.readBack);
            EXPECT_EQ(pixels(*again), pixels(*bitmap));
        }
    }
}

TEST(BitmapRoundTrip, GoodSuiteFilesReadBackWithTheirPixels)
{
    const std::filesystem::path folder = testing_support::testdataPath("bmpsuite/g");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".bmp")
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (const Form form : {Form::File, Form::StoredData}) {
            SCOPED_TRACE(entry.path().filename().string() + (form == Form::File ? ", file" : ", stored data"));
            const std::unique_ptr<TBitmap> bitmap = load(bytes);
            const std::unique_ptr<TBitmap> again = savedAndRead(*bitmap, form);
            EXPECT_EQ(again->Width(), bitmap->Width());
            EXPECT_EQ(pixels(*again), pixels(*bitmap));
        }
    }
    EXPECT_EQ(files, 27);  // the suite's good files
}

} // namespace

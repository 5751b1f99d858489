#include "support/test_support.h"

#include "section_canvas.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "picture/png/png_image.h"
#include "platform/section.h"

#include <QBuffer>
#include <QImage>

#include <zlib.h>

namespace {

std::vector<std::uint8_t> pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return {bytes.begin(), bytes.end()};
}

void load(TGraphic& graphic, std::vector<std::uint8_t> bytes)
{
    TMemoryStream stream(std::move(bytes));
    graphic.LoadStream(stream);
}

std::vector<std::uint8_t> saved(TGraphic& graphic)
{
    TMemoryStream stream;
    graphic.SaveStream(stream);
    return stream.Bytes();
}

// Red, green, blue, alpha of a pixel of a 32-bit picture, or of an opaque one.
QRgb pixelOf(const TPixelPicture& picture, int x, int y)
{
    const platform::Section& pixels = *picture.Pixels();
    const platform::Colour c = pixels.pixel(x, y);
    const int a = picture.HasAlpha() ? pixels.row(y)[std::size_t(x) * 4 + 3] : 255;
    return qRgba(platform::redOf(c), platform::greenOf(c), platform::blueOf(c), a);
}

// A 3 × 2 picture in the given format: six different pixels, the last two part and fully
// transparent when asked for.
QImage sample(QImage::Format format, bool transparent = false)
{
    QImage image(3, 2, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int a = transparent ? 128 : 255;
    const int none = transparent ? 0 : 255;
    const QRgb colours[6] = {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255), qRgba(0, 0, 255, 255),
                             qRgba(255, 255, 255, 255), qRgba(200, 100, 50, a), qRgba(10, 20, 30, none)};
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, colours[i]);
    return image.convertToFormat(format);
}

} // namespace

TEST(PngImage, SavedFileReadsBackWithTheSameLayoutAndPixels)
{
    struct Case {
        const char* name;
        QImage::Format format;
        bool transparent;
        int bitCount;
    };
    const Case cases[] = {
        {"palette", QImage::Format_Indexed8, false, 8},
        {"palette with transparency", QImage::Format_Indexed8, true, 32},
        {"gray", QImage::Format_Grayscale8, false, 8},
        {"colour", QImage::Format_RGB32, false, 24},
        {"colour with alpha", QImage::Format_ARGB32, true, 32},
        {"sixteen-bit colour with alpha", QImage::Format_RGBA64, true, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage source = sample(c.format, c.transparent);
        TPNGImage first;
        load(first, pngOf(source));
        ASSERT_EQ(first.Pixels()->bitCount(), c.bitCount);
        TPNGImage again;
        load(again, saved(first));
        ASSERT_EQ(again.Pixels()->bitCount(), c.bitCount);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(pixelOf(first, x, y), source.convertToFormat(QImage::Format_ARGB32).pixel(x, y))
                    << x << "," << y;
                EXPECT_EQ(pixelOf(again, x, y), pixelOf(first, x, y)) << x << "," << y;
            }
    }
}

TEST(PngImage, DrawsBlendedByAlphaOverTheBackground)
{
    QImage source(3, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    source.setPixel(1, 0, qRgba(255, 0, 0, 128));
    source.setPixel(2, 0, qRgba(0, 0, 255, 0));
    TPNGImage image;
    load(image, pngOf(source));

    SectionCanvas canvas(6, 2, 0xFFFFFF);
    canvas.StretchDraw({0, 0, 6, 2}, &image);
    // Half-transparent red over white: red stays, green and blue halve (255 × 127 / 255).
    const struct {
        int x;
        platform::Colour colour;
    } expected[] = {{0, 0x0000FF}, {1, 0x0000FF}, {2, 0x7F7FFF}, {3, 0x7F7FFF}, {4, 0xFFFFFF}, {5, 0xFFFFFF}};
    for (const auto& e : expected) {
        const platform::Colour got = canvas.pixel(e.x, 1);
        EXPECT_NEAR(platform::redOf(got), platform::redOf(e.colour), 1) << e.x;
        EXPECT_NEAR(platform::greenOf(got), platform::greenOf(e.colour), 1) << e.x;
        EXPECT_NEAR(platform::blueOf(got), platform::blueOf(e.colour), 1) << e.x;
    }
}

TEST(PngImage, DamagedFilesRaiseAndKeepThePreviousPicture)
{
    const std::vector<std::uint8_t> good = pngOf(sample(QImage::Format_RGB32));
    // A header claiming 50000 × 50000 pixels, its checksum made right, before a few bytes of
    // image data: refused before anything that size is set aside.
    std::vector<std::uint8_t> huge = good;
    const std::uint8_t side[4] = {0x00, 0x00, 0xC3, 0x50};
    std::copy(side, side + 4, huge.begin() + 16);
    std::copy(side, side + 4, huge.begin() + 20);
    const uLong crc = crc32(0, huge.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        huge[29 + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2));

    TPNGImage image;
    load(image, good);
    EXPECT_RAISES(load(image, huge), EInvalidGraphic, "PNG image is not valid");
    EXPECT_RAISES(load(image, cut), EReadError, "Stream read error");
    EXPECT_RAISES(load(image, {'n', 'o', 't', ' ', 'P', 'N', 'G'}), EInvalidGraphic, "PNG image is not valid");
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(pixelOf(image, 1, 0), qRgba(0, 255, 0, 255));
}

TEST(PngImage, StoredDataAndClipboardCarryThePicture)
{
    TPNGImage image;
    load(image, pngOf(sample(QImage::Format_RGB32)));

    TMemoryStream stored;
    image.WriteStoredData(stored);
    stored.SetPosition(0);
    const std::uint32_t count = stored.ReadU32();
    EXPECT_EQ(count + 4, stored.Size());
    stored.SetPosition(0);
    TPNGImage fromData;
    fromData.ReadStoredData(stored);
    EXPECT_TRUE(fromData.SameImage(image));

    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    image.SaveClipboardData(format, data, palette);
    TPNGImage fromClipboard;
    fromClipboard.LoadClipboardData(format, data, palette);
    EXPECT_EQ(fromClipboard.Width(), 3);
    EXPECT_EQ(pixelOf(fromClipboard, 0, 1), qRgba(255, 255, 255, 255));
    EXPECT_EQ(pixelOf(fromClipboard, 2, 0), qRgba(0, 0, 255, 255));
    EXPECT_RAISES(image.SetWidth(10), EInvalidGraphicOperation, "Cannot change the size of a PNG image");
}

TEST(PngImage, PictureLoadsPngFilesThroughTheRegistry)
{
    RegisterPictureFormats();
    EXPECT_EQ(FileFormats().FindExt("PNG"), TPNGImage::StaticClass());
    const std::string filter = PictureFilter(TPNGImage::StaticClass());
    EXPECT_EQ(filter, "PNG Image (*.png)|*.png");
}

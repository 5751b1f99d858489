// The formats of the platform's image plugins. The WebP and TIFF plugins are installed
// wherever the program is; their files are made here with the same plugins' writers.

#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/formats.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/plugin/plugin_image.h"
#include "picture/png/png_image.h"
#include "platform/section.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace {

std::vector<std::uint8_t> fileOf(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image)) << format;
    return {bytes.begin(), bytes.end()};
}

void load(TGraphic& graphic, std::vector<std::uint8_t> bytes)
{
    TMemoryStream stream(std::move(bytes));
    graphic.LoadStream(stream);
}

// Red on the left half, blue on the right, the bottom-right quarter half transparent.
QImage halves()
{
    QImage image(8, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, x < 4 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 255, y < 2 ? 255 : 128));
    return image;
}

} // namespace

TEST(PluginImage, RegistersThePluginsExtensionsAfterTheProgramsOwn)
{
    RegisterPictureFormats();
    const std::vector<std::string> extensions = PluginExtensions();
    for (const char* wanted : {"webp", "tif", "tiff"}) {
        ASSERT_NE(std::find(extensions.begin(), extensions.end(), wanted), extensions.end()) << wanted;
        EXPECT_EQ(FileFormats().FindExt(wanted), TPluginImage::StaticClass()) << wanted;
    }
    // The plugins read these too, but the program's own classes keep them.
    EXPECT_EQ(FileFormats().FindExt("png"), TPNGImage::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("jpg"), TJPEGImage::StaticClass());
    const std::string filter = PictureFilter(TPluginImage::StaticClass());
    EXPECT_NE(filter.find("WebP Image (*.webp)|*.webp"), std::string::npos) << filter;
    EXPECT_EQ(filter.find("*.png"), std::string::npos) << filter;
    // A second registration adds nothing.
    const std::size_t rows = FileFormats().Entries().size();
    RegisterPictureFormats();
    EXPECT_EQ(FileFormats().Entries().size(), rows);
}

TEST(PluginImage, ReadsWebPAndTiffWithTheirAlpha)
{
    for (const char* format : {"webp", "tiff"}) {
        SCOPED_TRACE(format);
        TPluginImage image;
        const std::vector<std::uint8_t> file = fileOf(halves(), format, 100);
        load(image, file);
        ASSERT_EQ(image.Width(), 8);
        ASSERT_EQ(image.Height(), 4);
        ASSERT_TRUE(image.HasAlpha());
        const platform::Section& pixels = *image.Pixels();
        EXPECT_EQ(pixels.pixel(1, 1), 0x0000FFu);
        EXPECT_EQ(pixels.pixel(6, 0), 0xFF0000u);
        EXPECT_NEAR(pixels.row(3)[6 * 4 + 3], 128, 1);
        EXPECT_EQ(pixels.row(0)[6 * 4 + 3], 255);
        // Saving gives back the file as it was read.
        TMemoryStream saved;
        image.SaveStream(saved);
        EXPECT_EQ(saved.Bytes(), file);
    }
}

TEST(PluginImage, RefusesWhatThePluginsCannotReadAndKeepsThePicture)
{
    TPluginImage image;
    load(image, fileOf(halves(), "tiff"));
    EXPECT_RAISES(load(image, {'n', 'o', 't', 'h', 'i', 'n', 'g'}), EInvalidGraphic, "Picture format not recognised");
    std::vector<std::uint8_t> cut = fileOf(halves(), "webp", 100);
    cut.resize(cut.size() / 2);
    EXPECT_RAISES(load(image, cut), EInvalidGraphic, "WEBP image is not valid");
    EXPECT_EQ(image.FormatName(), "TIFF");
    EXPECT_EQ(image.Width(), 8);
    EXPECT_RAISES(image.SetHeight(3), EInvalidGraphicOperation, "Cannot change the size of a TIFF image");
}

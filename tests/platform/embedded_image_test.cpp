#include "platform/embedded_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using platform::decodeEmbeddedImage;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A 5 x 3 picture, each pixel a different colour, saved in `format`.
QImage sample()
{
    QImage image(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(40 * x, 80 * y, 200));
    return image;
}

Bytes saved(const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(sample().save(&buffer, format, 100));
    return Bytes(data.begin(), data.end());
}

// The PNG with a text chunk declaring `length` bytes put after its header chunk, holding none.
Bytes withTextChunk(Bytes png, std::uint32_t length)
{
    Bytes chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk.push_back(std::uint8_t(length >> shift));
    chunk.insert(chunk.end(), {'t', 'E', 'X', 't', 0, 0, 0, 0});
    png.insert(png.begin() + 8 + 25, chunk.begin(), chunk.end());
    return png;
}

constexpr char idat[] = "IDAT";

} // namespace

TEST(EmbeddedImage, DecodesWhatItIsGivenAndRefusesWhatItIsNot)
{
    const Bytes png = saved("png");
    Bytes spoiled = png;  // the image data overwritten, its chunks' lengths kept
    const auto data = std::search(spoiled.begin(), spoiled.end(), std::begin(idat), std::end(idat) - 1);
    ASSERT_NE(data, spoiled.end());
    std::fill(data + 4, spoiled.end() - 16, 0xFF);
    const struct {
        const char* name;
        Bytes data;
        const char* format;
        bool accept;
        std::optional<QSize> asked;  // the size the caller is asked about, if any
        bool decodes;
        bool readerWarns;  // whether a reader saw the bytes and logged a warning about them
    } cases[] = {
        {"PNG read as PNG", png, "png", true, QSize(5, 3), true, false},
        {"PNG, format from its content", png, nullptr, true, QSize(5, 3), true, false},
        {"bitmap, format from its content", saved("bmp"), nullptr, true, QSize(5, 3), true, false},
        {"PNG said to be a JPEG", png, "jpeg", true, std::nullopt, false, true},
        {"size refused by the caller", png, "png", false, QSize(5, 3), false, false},
        // The overrunning chunks never reach the reader, which would set their length aside first.
        {"a chunk declaring two gigabytes", withTextChunk(png, 0x7FFFFFFF), "png", true, std::nullopt, false, false},
        {"a chunk running one byte past the end", withTextChunk(png, std::uint32_t(png.size() - 33 + 1)), "png",
         true, std::nullopt, false, false},
        {"image data spoiled", spoiled, "png", true, QSize(5, 3), false, false},
        {"not a picture", Bytes(64, 0x5A), nullptr, true, std::nullopt, false, false},
    };
    static int warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {
        ++warnings;
    });
    for (const auto& c : cases) {
        std::optional<QSize> asked;
        warnings = 0;
        const QImage image = decodeEmbeddedImage(c.data, c.format, [&](QSize size) {
            asked = size;
            return c.accept;
        });
        EXPECT_EQ(asked, c.asked) << c.name;
        EXPECT_EQ(warnings > 0, c.readerWarns) << c.name;
        ASSERT_EQ(!image.isNull(), c.decodes) << c.name;
        if (c.decodes) {
            const QImage expected = sample();
            ASSERT_EQ(image.size(), expected.size()) << c.name;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    EXPECT_EQ(QColor(image.pixel(x, y)), QColor(expected.pixel(x, y))) << c.name << " at " << x << "," << y;
        }
    }
    qInstallMessageHandler(previous);
}

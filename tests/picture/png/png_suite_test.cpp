// The PNG conformance suite: every good file decodes like Qt's own reader decodes it (within one
// level per channel: sixteen-bit samples may round either way), and every corrupted file is
// refused with the module's message. Qt's reader mishandles the transparent colour of
// sixteen-bit colour pictures; for those the colours are Qt's reading of the file without its
// transparency chunk, and the alpha is the library's simplified reading (whose colours are
// gamma-corrected).

#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/png/png_image.h"
#include "platform/section.h"

#include <QDir>
#include <QImage>

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const QString suiteFolder = QString::fromStdString(testing_support::testdataPath("pngsuite"));

std::vector<std::uint8_t> fileBytes(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QStringList suiteFiles(const QString& pattern)
{
    return QDir(suiteFolder).entryList({pattern}, QDir::Files, QDir::Name);
}

// The picture's pixels as red, green, blue, alpha (alpha 255 for opaque layouts).
QRgb pixelOf(const platform::Section& pixels, bool alpha, int x, int y)
{
    const platform::Colour c = pixels.pixel(x, y);
    const int a = alpha ? pixels.row(y)[std::size_t(x) * 4 + 3] : 255;
    return qRgba(platform::redOf(c), platform::greenOf(c), platform::blueOf(c), a);
}

// The file without its chunks of one type (each chunk: length, type, data, checksum).
QByteArray withoutChunk(const std::vector<std::uint8_t>& file, const char* type)
{
    QByteArray out(reinterpret_cast<const char*>(file.data()), 8);
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length = std::size_t(file[at]) << 24 | std::size_t(file[at + 1]) << 16
                                   | std::size_t(file[at + 2]) << 8 | file[at + 3];
        const std::size_t end = std::min(file.size(), at + 12 + length);
        if (std::memcmp(&file[at + 4], type, 4) != 0)
            out.append(reinterpret_cast<const char*>(&file[at]), qsizetype(end - at));
        at = end;
    }
    return out;
}

const QStringList qtMisreadsTransparency = {"tbbn2c16.png", "tbgn2c16.png"};

QImage libraryAlpha(const QString& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.toLocal8Bit().constData()))
        return {};
    image.format = PNG_FORMAT_BGRA;
    QImage out(int(image.width), int(image.height), QImage::Format_ARGB32);
    if (!png_image_finish_read(&image, nullptr, out.bits(), int(out.bytesPerLine()), nullptr))
        return {};
    return out;
}

bool near(int a, int b)
{
    return std::abs(a - b) <= 1;
}

} // namespace

TEST(PngSuite, EveryGoodFileDecodesAsQtDecodesIt)
{
    const QStringList names = suiteFiles("[!x]*.png");
    ASSERT_EQ(names.size(), 161);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const std::vector<std::uint8_t> file = fileBytes(suiteFolder + "/" + name);
        QImage expected = QImage(suiteFolder + "/" + name).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(expected.isNull());
        if (qtMisreadsTransparency.contains(name)) {
            expected = QImage::fromData(withoutChunk(file, "tRNS")).convertToFormat(QImage::Format_ARGB32);
            const QImage alpha = libraryAlpha(suiteFolder + "/" + name);
            ASSERT_EQ(alpha.size(), expected.size());
            for (int y = 0; y < expected.height(); ++y)
                for (int x = 0; x < expected.width(); ++x) {
                    const QRgb c = expected.pixel(x, y);
                    expected.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), qAlpha(alpha.pixel(x, y))));
                }
        }

        TPNGImage image;
        TMemoryStream stream(file);
        image.LoadStream(stream);
        ASSERT_EQ(image.Width(), expected.width());
        ASSERT_EQ(image.Height(), expected.height());
        const platform::Section& pixels = *image.Pixels();
        int mismatches = 0;
        std::string first;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb want = expected.pixel(x, y);
                const QRgb got = pixelOf(pixels, image.HasAlpha(), x, y);
                // Colours under full transparency are not seen.
                const bool colourCounts = qAlpha(want) != 0;
                if (!near(qAlpha(got), qAlpha(want))
                    || (colourCounts && (!near(qRed(got), qRed(want)) || !near(qGreen(got), qGreen(want))
                                         || !near(qBlue(got), qBlue(want))))) {
                    if (mismatches++ == 0)
                        first = QString("(%1,%2) got %3 want %4").arg(x).arg(y).arg(got, 8, 16).arg(want, 8, 16).toStdString();
                }
            }
        EXPECT_EQ(mismatches, 0) << "first at " << first;
    }
}

TEST(PngSuite, EveryCorruptedFileIsRefusedAndTheOldPictureStays)
{
    const QStringList names = suiteFiles("x*.png");
    ASSERT_EQ(names.size(), 14);
    TPNGImage image;
    TMemoryStream good(fileBytes(suiteFolder + "/basn2c08.png"));
    image.LoadStream(good);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        TMemoryStream stream(fileBytes(suiteFolder + "/" + name));
        EXPECT_RAISES(image.LoadStream(stream), EInvalidGraphic, "PNG image is not valid");
        EXPECT_EQ(image.Width(), 32);
    }
}

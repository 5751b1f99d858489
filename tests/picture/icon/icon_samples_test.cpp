// Public icon files drawn through the picture tool's rendering: the image chosen for the display
// must look like Qt's own icon reader's decoding of that entry, scaled to 32 × 32 by nearest
// pixel and drawn on white (through the entry's AND mask where it has no alpha). Damaged files
// are refused with the format's message.

#include "support/test_support.h"

#include "picture/formats.h"
#include "platform/paths.h"
#include "tools/picrender/picrender.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

std::string nativeSample(const std::string& name)
{
    return testing_support::testdataPath("image-rs/" + name);
}

std::string sample(const std::string& name)
{
    return platform::toDriveLetterPath(nativeSample(name)).value();
}

// Entry `index` of the file as Qt's icon reader decodes it.
QImage referenceEntry(const std::string& file, int index)
{
    QImageReader reader(QString::fromStdString(nativeSample(file)), "ico");
    if (!reader.jumpToImage(index))
        return {};
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// The AND mask of a bitmap entry, read straight from the file: 1 where the background stays.
class AndMask {
public:
    AndMask(const std::string& file, int index)
    {
        const QByteArray bytes = readAll(nativeSample(file));
        m_bytes.assign(bytes.begin(), bytes.end());
        const std::size_t image = u32(6 + 16 * std::size_t(index) + 12);
        m_width = int(u32(image + 4));
        m_height = int(u32(image + 8)) / 2;
        const int bitCount = int(m_bytes.at(image + 14) | m_bytes.at(image + 15) << 8);
        const std::size_t colours = bitCount <= 8 ? std::size_t(1) << bitCount : 0;
        const std::size_t colourStride = std::size_t((m_width * bitCount + 31) / 32 * 4);
        m_start = image + std::max<std::size_t>(40, u32(image)) + 4 * colours + colourStride * std::size_t(m_height);
    }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Row 0 is the top row; rows are stored bottom-up.
    bool bit(int x, int y) const
    {
        const std::size_t stride = std::size_t((m_width + 31) / 32 * 4);
        const std::uint8_t byte = m_bytes.at(m_start + stride * std::size_t(m_height - 1 - y) + std::size_t(x / 8));
        return byte >> (7 - x % 8) & 1;
    }

private:
    static QByteArray readAll(const std::string& path)
    {
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    std::size_t u32(std::size_t at) const
    {
        return std::size_t(m_bytes.at(at)) | std::size_t(m_bytes.at(at + 1)) << 8 | std::size_t(m_bytes.at(at + 2)) << 16
               | std::size_t(m_bytes.at(at + 3)) << 24;
    }

    std::vector<std::uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    std::size_t m_start = 0;
};

// The source pixel under the centre of pixel d of a 32-pixel side.
int nearest(int d, int size)
{
    return (2 * d + 1) * size / 64;
}

// Nearest pixel to 32 × 32 over white: blended with the image's alpha, or, given the entry's AND
// mask, drawn as the platform draws icons without alpha: where the mask is 1 the white
// background stays and is XORed with the colour there (black, or a colour that inverts it).
QImage expectedOnWhite(const QImage& image, const AndMask* mask)
{
    QImage out(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = image.pixel(nearest(x, image.width()), nearest(y, image.height()));
            if (mask) {
                const QRgb colour = qAlpha(p) == 0 ? 0 : p & 0xFFFFFF;
                const bool keep = mask->bit(nearest(x, mask->width()), nearest(y, mask->height()));
                out.setPixel(x, y, 0xFF000000 | (keep ? 0xFFFFFF ^ colour : colour));
                continue;
            }
            const int a = qAlpha(p);
            const auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            out.setPixel(x, y, qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p))));
        }
    return out;
}

// The largest difference in any channel of any pixel.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(IconSamples, TheChosenEntryDrawsLikeTheReferenceDecoder)
{
    struct Row {
        const char* file;
        int chosen;              // worked out by hand from the entries' colour counts, D = 1
        bool masked;             // drawn through its AND mask (no alpha)
        const char* reference;   // a picture of the entry when Qt's icon reader misreads it
    };
    const Row rows[] = {
        // White under the mask's 1 bits: those pixels invert the background. (Qt's reader
        // shows them as white.)
        {"ico/bmp-24bpp-mask.ico", 0, true, nullptr},
        {"ico/bmp-32bpp-alpha.ico", 0, false, nullptr},
        // The alpha channel wins over an AND mask that says otherwise.
        {"ico/bmp-32bpp-conflicting-and-mask.ico", 0, false, nullptr},
        // A 124-byte info header, whose pixels follow it; Qt's reader takes them from byte 40.
        // The bytes where its mask should be hold other data, drawn as a mask all the same.
        {"ico/bmp_v5_with_icc.ico", 0, true, "bmpsuite/reference/rgb24.png"},
        // A 256 × 256 PNG whose entry gives an impossible bit count (not consulted).
        {"ico/lenient-bpp.ico", 0, false, nullptr},
        // Colour counts 16, 16, then seven entries of 0: the first 0 (48 × 48, 8 bits) is at
        // most D = 1, and no later 0 is greater than it.
        {"ico/multiple_entries_with_different_bit_depth.ico", 2, true, nullptr},
        {"ico/png-32bpp-alpha.ico", 0, false, nullptr},
        {"ico/png_l8.ico", 0, false, nullptr},
        {"ico/png_rgb8.ico", 0, false, nullptr},
        // Both entries have 16 colours, above D: the first entry.
        {"ico/smile.ico", 0, true, nullptr},
        {"ico/two-entry-order-test.ico", 0, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const QImage reference = row.reference
                                     ? QImage(QString::fromStdString(testing_support::testdataPath(row.reference)))
                                     : referenceEntry(row.file, row.chosen);
        ASSERT_FALSE(reference.isNull());
        const QImage drawn = picrender::render(sample(row.file));
        ASSERT_EQ(drawn.size(), QSize(32, 32));
        const std::optional<AndMask> mask = row.masked ? std::optional<AndMask>(AndMask(row.file, row.chosen)) : std::nullopt;
        // Blending rounds differently from the reference's arithmetic by a step or two.
        EXPECT_LE(largestDifference(drawn, expectedOnWhite(reference, mask ? &*mask : nullptr)), 2);
    }
}

TEST(IconSamples, DamagedFilesAreRefused)
{
    const char* const files[] = {
        "bad/Bad_smile-incorrect-image-length.ico",  // the image's size leaves out half of it
        "ico/truncated_mask_32bpp.ico",              // the mask ends early
        "regression/crash-981fee302fe0fc543ee48292cc3d6ace7e97e633.ico",
        "regression/oom-0d0085eb7f66ea55d9119206235cd29e089b9140.ico",
        "regression/oom-ff076e7064c13ec1f8e2c5bbbfb7a77a08db2361.ico",
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        EXPECT_RAISES(picrender::render(sample(file)), EInvalidGraphic, "Icon image is not valid");
    }
}

TEST(IconSamples, PicrenderToolDrawsAnIcon)
{
    QTemporaryDir dir;
    const QString output = dir.filePath("smile.png");
    QProcess process;
    process.start(QStringLiteral(PICRENDER_PATH), {QString::fromStdString(nativeSample("ico/smile.ico")), output});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage written(output);
    EXPECT_EQ(written.size(), QSize(32, 32));
    const AndMask mask("ico/smile.ico", 0);
    EXPECT_LE(largestDifference(written, expectedOnWhite(referenceEntry("ico/smile.ico", 0), &mask)), 0);
}

} // namespace

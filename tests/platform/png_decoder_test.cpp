#include "platform/embedded_image.h"
#include "platform/png_decoder.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

using platform::decodePng;
using platform::PngFailure;
using platform::PngReading;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pngOf(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "png"));
    return Bytes(data.begin(), data.end());
}

// A 5 × 3 colour picture.
Bytes samplePng()
{
    QImage image(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixel(x, y, qRgb(40 * x, 80 * y, 200));
    return pngOf(image);
}

// The first chunk of the type, as an offset to its length field.
std::size_t chunkAt(const Bytes& png, const char* type)
{
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 | std::size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8) == type)
            return at;
        at += length + 12;
    }
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

// Gives the chunk at `at` the check value of its type and data.
void recomputeCrc(Bytes& png, std::size_t at)
{
    const std::size_t length = std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 | std::size_t(png[at + 2]) << 8 | png[at + 3];
    const uLong crc = crc32(0, png.data() + at + 4, uInt(length + 4));
    for (int i = 0; i < 4; ++i)
        png[at + 8 + length + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
}

// What the process writes to its standard error while `work` runs.
template <class Work>
std::string standardErrorOf(Work work)
{
    std::fflush(stderr);
    std::FILE* capture = std::tmpfile();
    const int saved = dup(2);
    dup2(fileno(capture), 2);
    work();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text(std::size_t(std::ftell(capture)), '\0');
    std::rewind(capture);
    text.resize(std::fread(text.data(), 1, text.size(), capture));
    std::fclose(capture);
    return text;
}

} // namespace

TEST(PngDecoder, RefusalsComeBackAsReasonsAndNothingReachesStandardError)
{
    const Bytes good = samplePng();
    Bytes badType = good;  // the end chunk's type spoiled
    badType[chunkAt(good, "IEND") + 4] = 0;
    Bytes badCrc = good;  // the header chunk's check value spoiled
    badCrc[chunkAt(good, "IHDR") + 8 + 13] ^= 0xFF;
    Bytes badAdler = good;  // the compressed data's own check value spoiled, the chunk's made good
    badAdler[chunkAt(good, "IEND") - 5] ^= 0xFF;
    recomputeCrc(badAdler, chunkAt(good, "IDAT"));
    const Bytes cut(good.begin(), good.begin() + long(chunkAt(good, "IDAT")) + 20);
    Bytes hugeText = good;  // a text chunk declaring two gigabytes after the header, holding none
    const std::uint8_t text[] = {0x7F, 0xFF, 0xFF, 0xFF, 'i', 'T', 'X', 't', 'k', 0, 0, 0};
    hugeText.insert(hugeText.begin() + 33, std::begin(text), std::end(text));
    const struct {
        const char* name;
        Bytes file;
        bool sizeAccepted;
        PngFailure failure;
    } cases[] = {
        {"a whole file", good, true, PngFailure::None},
        {"an end chunk of no known type", badType, true, PngFailure::Damaged},
        {"a header whose check value is wrong", badCrc, true, PngFailure::Damaged},
        {"image data whose check value is wrong", badAdler, true, PngFailure::Damaged},
        {"image data cut short", cut, true, PngFailure::Truncated},
        {"a text chunk running far past the end", hugeText, true, PngFailure::Truncated},
        {"a size the caller refuses", good, false, PngFailure::Refused},
        {"not a PNG file", Bytes(40, 'P'), true, PngFailure::Damaged},
    };
    for (const auto& c : cases) {
        std::uint32_t askedWidth = 0, askedHeight = 0;
        platform::PngDecoding decoded;
        const std::string said = standardErrorOf([&] {
            decoded = decodePng(c.file, [&](std::uint32_t width, std::uint32_t height) {
                askedWidth = width;
                askedHeight = height;
                return c.sizeAccepted;
            });
            (void)platform::decodeEmbeddedImage(c.file, "png", [](QSize) { return true; });
        });
        EXPECT_EQ(decoded.failure, c.failure) << c.name;
        EXPECT_EQ(decoded.pixels != nullptr, c.failure == PngFailure::None) << c.name;
        EXPECT_EQ(said, "") << c.name;
        if (c.failure == PngFailure::None || c.failure == PngFailure::Refused) {
            EXPECT_EQ(std::make_pair(askedWidth, askedHeight), std::make_pair(5u, 3u)) << c.name;
        }
    }

    // With the checks ignored, as fuzzing wants, spoiled check values no longer stop the decoding.
    platform::setPngChecksIgnored(true);
    const platform::PngDecoding crcIgnored = decodePng(badCrc);
    const platform::PngDecoding adlerIgnored = decodePng(badAdler);
    platform::setPngChecksIgnored(false);
    EXPECT_EQ(crcIgnored.failure, PngFailure::None);
    EXPECT_EQ(adlerIgnored.failure, PngFailure::None);
    EXPECT_EQ(decodePng(badCrc).failure, PngFailure::Damaged);
}

TEST(PngDecoder, SixteenBitSamplesKeepTheirHighByteInFilesAndRoundInsideOtherFiles)
{
    // 0x00C0 of 0xFFFF is three quarters of the first level above black.
    QImage gray(1, 1, QImage::Format_Grayscale16);
    *reinterpret_cast<quint16*>(gray.scanLine(0)) = 0x00C0;
    const Bytes png = pngOf(gray);
    const platform::PngDecoding file = decodePng(png, {}, PngReading::File);
    const platform::PngDecoding embedded = decodePng(png, {}, PngReading::Embedded);
    ASSERT_TRUE(file.pixels && embedded.pixels);
    EXPECT_EQ(file.pixels->row(0)[0], 0);
    EXPECT_EQ(embedded.pixels->row(0)[0], 1);
    // Inside other files the picture comes out as it did through the platform's reader.
    const QImage decoded = platform::decodeEmbeddedImage(png, nullptr, [](QSize) { return true; });
    EXPECT_EQ(qGray(decoded.pixel(0, 0)), 1);
}

// Compressing an image made from a bitmap when it is first saved.

#include "jpeg_reference.h"
#include "jpeg_test_support.h"
#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/palette.h"

#include <jerror.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

using jpeg_test::jpegError;
using jpeg_test::SteppingClock;

// A 24-bit bitmap holding the picture.
std::unique_ptr<TBitmap> bitmapOf(const jpeg_test::Picture& picture)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelLayout(pl24Bit);
    bitmap->SetWidth(picture.width);
    bitmap->SetHeight(picture.height);
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.row(y), picture.rowBytes(), bitmap->RowAddress(y));
    return bitmap;
}

Bytes saved(TGraphic& graphic)
{
    TMemoryStream stream;
    graphic.SaveStream(stream);
    return stream.Bytes();
}

// The first luminance quantisation values in the order the file stores them (zigzag).
std::vector<int> firstQuantisationValues(const Bytes& file, std::size_t count)
{
    const long dqt = jpeg_test::markerOffset(file, 0xDB);
    EXPECT_GT(dqt, 0);
    if (dqt <= 0)
        return {};
    // Marker (2), length (2), precision and table number (1), then the values.
    EXPECT_EQ(file[std::size_t(dqt) + 4], 0) << "8-bit table 0";
    return std::vector<int>(file.begin() + dqt + 5, file.begin() + dqt + 5 + long(count));
}

int frameComponents(const Bytes& file, std::uint8_t marker)
{
    const long sof = jpeg_test::markerOffset(file, marker);
    return sof < 0 ? -1 : file[std::size_t(sof) + 9];
}

double meanDifference(const jpeg_test::Picture& a, const jpeg_test::Picture& b)
{
    EXPECT_EQ(a.pixels.size(), b.pixels.size());
    double sum = 0;
    for (std::size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

TEST(JPEGEncode, BitmapMadeImageSavesAsBaselineOfQuality90)
{
    const jpeg_test::Picture picture = jpeg_test::drawnPicture(96, 64);
    const auto bitmap = bitmapOf(picture);
    TJPEGImage image;
    image.CopyFrom(bitmap.get());
    const Bytes file = saved(image);

    EXPECT_EQ(frameComponents(file, 0xC0), 3) << "a baseline frame";
    EXPECT_EQ(jpeg_test::markerOffset(file, 0xC2), -1);
    // Quality 90 scales the standard luminance table by 20 %, rounding: 16 11 12 14 12 10
    // become 3 2 2 3 2 2.
    EXPECT_EQ(firstQuantisationValues(file, 6), (std::vector<int>{3, 2, 2, 3, 2, 2}));

    const jpeg_test::Decoded back = jpeg_test::decode(file);
    ASSERT_EQ(back.error, "");
    EXPECT_LT(meanDifference(back.picture, picture), 3.0);
    // The bright frame stays bright, the left edge blue-ish: channels are not swapped.
    const std::uint8_t* left = back.picture.row(10) + 3 * 1;
    EXPECT_GT(left[0], left[2] + 100) << "blue over red at the left edge";

    EXPECT_EQ(image.Data().Width, 96);
    EXPECT_EQ(image.Data().Height, 64);
    EXPECT_EQ(saved(image), file) << "the second save writes the stored bytes";
    EXPECT_EQ(jpeg_test::differingRows(image.DecodedBitmap(), picture), 0) << "the bitmap stays as it was";
}

TEST(JPEGEncode, SettingsChooseQualityProgressionAndGrayscale)
{
    const auto bitmap = bitmapOf(jpeg_test::drawnPicture(48, 40));
    {
        SCOPED_TRACE("quality 50 keeps the standard table");
        TJPEGImage image;
        image.SetEncodeQuality(50);
        image.CopyFrom(bitmap.get());
        EXPECT_EQ(firstQuantisationValues(saved(image), 6), (std::vector<int>{16, 11, 12, 14, 12, 10}));
    }
    {
        SCOPED_TRACE("progressive");
        TJPEGImage image;
        image.SetEncodeProgressive(true);
        image.CopyFrom(bitmap.get());
        const Bytes file = saved(image);
        EXPECT_EQ(frameComponents(file, 0xC2), 3);
        EXPECT_EQ(jpeg_test::markerOffset(file, 0xC0), -1);
        EXPECT_EQ(jpeg_test::decode(file).error, "");
    }
    {
        SCOPED_TRACE("gray only");
        TJPEGImage image;
        image.SetGrayOnly(true);
        image.CopyFrom(bitmap.get());
        EXPECT_FALSE(image.Grayscale());
        const Bytes file = saved(image);
        EXPECT_EQ(frameComponents(file, 0xC0), 1);
        EXPECT_TRUE(image.Grayscale());
    }
}

TEST(JPEGEncode, EightBitBitmapIsCompressedInColour)
{
    // Index 9 of the standard palette is red.
    TBitmap bitmap;
    bitmap.SetPixelLayout(pl8Bit);
    bitmap.SetWidth(16);
    bitmap.SetHeight(16);
    bitmap.SetPalette(std::make_shared<const platform::Palette>(platform::standardPalette16().entries()));
    for (int y = 0; y < 16; ++y)
        std::fill_n(bitmap.RowAddress(y), 16, std::uint8_t(9));
    TJPEGImage image;
    image.CopyFrom(&bitmap);
    const jpeg_test::Decoded back = jpeg_test::decode(saved(image));
    ASSERT_EQ(back.error, "");
    const std::uint8_t* px = back.picture.row(8) + 3 * 8;
    EXPECT_LT(px[0], 8);
    EXPECT_LT(px[1], 8);
    EXPECT_GT(px[2], 247);
    EXPECT_EQ(image.DecodedBitmap().PixelLayout(), pl8Bit) << "only the copy was converted";
}

TEST(JPEGEncode, SilentAbortDropsTheCompressedData)
{
    SteppingClock clock;
    const auto bitmap = bitmapOf(jpeg_test::drawnPicture(64, 400));
    TJPEGImage image;
    image.CopyFrom(bitmap.get());
    int ending = -1;
    image.OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TRect& r,
                           const std::string&) {
        if (stage == psEnding)
            ending = percent;
        if (stage == psRunning) {
            EXPECT_EQ(r, TRect{});
            Abort();
        }
    };
    TMemoryStream stream;
    EXPECT_NO_THROW(image.SaveStream(stream));
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(image.Data().Bytes, nullptr);
    EXPECT_EQ(ending, 0);
    EXPECT_FALSE(image.IsEmpty()) << "the bitmap stays";

    image.OnProgress = nullptr;
    EXPECT_EQ(jpeg_test::decode(saved(image)).picture.height, 400);
}

TEST(JPEGEncode, HandlerErrorsPropagateWithoutBytes)
{
    SteppingClock clock;
    const auto bitmap = bitmapOf(jpeg_test::drawnPicture(64, 200));
    TJPEGImage image;
    image.CopyFrom(bitmap.get());
    TJPEGImage sharer;
    sharer.CopyFrom(&image);
    image.OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
        if (stage == psRunning)
            throw EInvalidOperation("handler failed");
    };
    TMemoryStream stream;
    EXPECT_RAISES(image.SaveStream(stream), EInvalidOperation, "handler failed");
    EXPECT_EQ(image.Data().Bytes, nullptr);
    EXPECT_EQ(sharer.Data().Bytes, nullptr) << "no half-written bytes reach a sharer";
    EXPECT_TRUE(sharer.SameImage(image));
}

TEST(JPEGEncode, HandlerMayLoadAnotherPictureWhileItCompresses)
{
    // The bytes being made belong to the bitmap that was there when saving began; a file
    // loaded meanwhile keeps its own bytes, also when the handler then cancels the save.
    SteppingClock clock;
    const auto bitmap = bitmapOf(jpeg_test::drawnPicture(64, 400));
    const Bytes other = jpeg_test::sampleFile("libjpeg-turbo/testimages/testorig.jpg");
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "then cancels" : "and carries on");
        TJPEGImage image;
        image.CopyFrom(bitmap.get());
        bool loaded = false;
        image.OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
            if (stage != psRunning || loaded)
                return;
            loaded = true;
            TMemoryStream stream(other);
            image.LoadStream(stream);
            if (cancel)
                Abort();
        };
        TMemoryStream stream;
        EXPECT_NO_THROW(image.SaveStream(stream));
        ASSERT_TRUE(loaded);
        image.OnProgress = nullptr;
        EXPECT_EQ(image.Width(), 227);
        EXPECT_EQ(image.Height(), 149);
        EXPECT_EQ(image.Data().Width, 227);
        EXPECT_EQ(saved(image), other);
    }
}

TEST(JPEGEncode, SharersGetTheCompressedBytes)
{
    const auto bitmap = bitmapOf(jpeg_test::drawnPicture(20, 20));
    TJPEGImage image;
    image.CopyFrom(bitmap.get());
    TJPEGImage sharer;
    sharer.CopyFrom(&image);
    const Bytes file = saved(image);
    EXPECT_EQ(saved(sharer), file);
}

TEST(JPEGEncode, EmptyImageCannotBeSaved)
{
    TJPEGImage image;
    TMemoryStream stream;
    EXPECT_RAISES(image.SaveStream(stream), EJPEG, jpegError(JERR_EMPTY_IMAGE));
    EXPECT_EQ(image.Data().Bytes, nullptr);
    EXPECT_TRUE(image.IsEmpty());
}

TEST(JPEGEncode, ShortWriteOfTheFileIsStreamWriteError)
{
    class FullStream : public TStream {
    public:
        std::int64_t Read(void*, std::int64_t) override { return 0; }
        std::int64_t Write(const void*, std::int64_t count) override { return count > 10 ? 10 : count; }
        std::int64_t Seek(std::int64_t, SeekOrigin) override { return 0; }
    } full;
    const auto image = jpeg_test::loadedImage(jpeg_test::sampleFile("libjpeg-turbo/testimages/testorig.jpg"));
    EXPECT_RAISES(image->SaveStream(full), EWriteError, "Stream write error");
}

} // namespace

// The JPEG image as a picture class: loading reads only the header, the stream forms, sizes,
// copies, palettes, the clipboard and the registry.

#include "jpeg_reference.h"
#include "jpeg_test_support.h"
#include "section_canvas.h"
#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/palette.h"
#include "platform/paths.h"

#include <jerror.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

using jpeg_test::jpegError;

Bytes sampleJpeg()
{
    return jpeg_test::sampleFile("libjpeg-turbo/testimages/testorig.jpg");
}

std::unique_ptr<TJPEGImage> loaded(const Bytes& bytes)
{
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(bytes);
    image->LoadStream(stream);
    return image;
}

Bytes saved(TGraphic& graphic)
{
    TMemoryStream stream;
    graphic.SaveStream(stream);
    return stream.Bytes();
}

// The file with its frame header (of marker 0xFF `code`) claiming another size.
Bytes withSize(Bytes file, int width, int height, std::uint8_t code = 0xC0)
{
    const long sof = jpeg_test::markerOffset(file, code);
    EXPECT_GT(sof, 0);
    // Marker (2), length (2), precision (1), height (2), width (2), all big-endian.
    file[std::size_t(sof) + 5] = std::uint8_t(height >> 8);
    file[std::size_t(sof) + 6] = std::uint8_t(height);
    file[std::size_t(sof) + 7] = std::uint8_t(width >> 8);
    file[std::size_t(sof) + 8] = std::uint8_t(width);
    return file;
}

TEST(JPEGLoad, ReadsTheHeaderWithoutDecoding)
{
    TJPEGImage image;
    int changes = 0;
    image.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &image);
        ++changes;
    };
    TMemoryStream stream(sampleJpeg());
    image.LoadStream(stream);
    EXPECT_EQ(image.Width(), 227);
    EXPECT_EQ(image.Height(), 149);
    EXPECT_FALSE(image.HasDecodedBitmap());
    EXPECT_FALSE(image.IsEmpty());
    EXPECT_FALSE(image.Grayscale());
    EXPECT_FALSE(image.EncodeProgressive());
    EXPECT_TRUE(image.PaletteChangedFlag());
    EXPECT_EQ(changes, 1);
}

TEST(JPEGLoad, HeaderTellsGrayscaleAndProgressive)
{
    struct Row {
        const char* name;
        Bytes file;
        bool grayscale;
        bool progressive;
    } rows[] = {
        {"gray baseline", jpeg_test::encode(jpeg_test::drawnGrayPicture(40, 30), {90, false, false, JCS_GRAYSCALE}),
         true, false},
        {"colour progressive", jpeg_test::encode(jpeg_test::drawnPicture(40, 30), {90, true}), false, true},
        {"gray progressive", jpeg_test::encode(jpeg_test::drawnGrayPicture(40, 30), {90, true, false, JCS_GRAYSCALE}),
         true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loaded(row.file);
        EXPECT_EQ(image->Width(), 40);
        EXPECT_EQ(image->Height(), 30);
        EXPECT_EQ(image->Grayscale(), row.grayscale);
        EXPECT_EQ(image->EncodeProgressive(), row.progressive);
        EXPECT_FALSE(image->HasDecodedBitmap());
    }
}

TEST(JPEGLoad, EmptyFileLoadsAndFailsWhenDrawn)
{
    const auto image = loaded({});
    EXPECT_FALSE(image->IsEmpty());
    EXPECT_EQ(image->Width(), 0);
    EXPECT_EQ(image->Height(), 0);
    EXPECT_RAISES(image->DecodedBitmap(), EJPEG, "JPEG error #41");
    // No bitmap was made: later draws show nothing without decoding again.
    EXPECT_FALSE(image->HasDecodedBitmap());
    SectionCanvas canvas(2, 2, 0x123456);
    EXPECT_NO_THROW(canvas.StretchDraw({0, 0, 2, 2}, image.get()));
    EXPECT_EQ(canvas.pixel(0, 0), 0x123456u);
}

TEST(JPEGLoad, NotAJpegFailsAtLoadAndKeepsThePreviousPicture)
{
    const auto image = loaded(sampleJpeg());
    const Bytes gif{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    TMemoryStream stream(gif);
    EXPECT_RAISES(image->LoadStream(stream), EJPEG, jpegError(JERR_NO_SOI));
    EXPECT_EQ(image->Width(), 227);
    EXPECT_EQ(saved(*image), sampleJpeg());
}

TEST(JPEGLoad, HeaderErrorsSurfaceAtLoad)
{
    const Bytes sample = sampleJpeg();
    const long sos = jpeg_test::markerOffset(sample, 0xDA);
    ASSERT_GT(sos, 0);
    struct Row {
        const char* name;
        Bytes file;
        int code;
    } rows[] = {
        {"twelve-bit samples", jpeg_test::sampleFile("libjpeg-turbo/testimages/monkey12.jpg"), JERR_BAD_PRECISION},
        {"cut before the first scan", Bytes(sample.begin(), sample.begin() + sos), JERR_SOF_NO_SOS},
        {"start marker only", Bytes{0xFF, 0xD8}, JERR_NO_IMAGE},
        {"zero width", withSize(sample, 0, 149), JERR_EMPTY_IMAGE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TJPEGImage image;
        TMemoryStream stream(row.file);
        EXPECT_RAISES(image.LoadStream(stream), EJPEG, jpegError(row.code));
        EXPECT_TRUE(image.IsEmpty());
    }
}

// Peak resident memory of this process so far, in bytes.
std::int64_t peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t(usage.ru_maxrss) * 1024;
}

// A flat picture: its file is tiny whatever its size.
jpeg_test::Picture flatPicture(int width, int height, std::uint8_t level)
{
    jpeg_test::Picture picture{width, height, 3, {}};
    picture.pixels.assign(picture.rowBytes() * std::size_t(height), level);
    return picture;
}

TEST(JPEGLoad, SmallFilesOfLargePicturesLoad)
{
    // Arithmetic coding spends next to nothing on a flat picture: 12 megapixels in a few
    // hundred bytes are a valid file.
    const Bytes file = jpeg_test::encode(flatPicture(4000, 3000, 200), {75, false, true});
    ASSERT_LT(file.size(), 400u);
    const auto image = loaded(file);
    EXPECT_EQ(image->Width(), 4000);
    EXPECT_EQ(image->Height(), 3000);
    TBitmap& bitmap = image->DecodedBitmap();
    ASSERT_EQ(bitmap.Width(), 4000);
    ASSERT_EQ(bitmap.Height(), 3000);
    for (const auto& [x, y] : {std::pair{0, 0}, {3999, 0}, {2000, 1500}, {3999, 2999}})
        EXPECT_EQ(bitmap.PlatformHandle()->pixel(x, y), 0xC8C8C8u) << x << ", " << y;

    // A cut-off file shows what it has; the rest is decoded as the library fills it.
    const auto large = loaded(withSize(sampleJpeg(), 2048, 2048));
    EXPECT_EQ(large->Width(), 2048);
    EXPECT_NO_THROW(large->DecodedBitmap());
    EXPECT_EQ(large->DecodedBitmap().Height(), 2048);
}

TEST(JPEGDecodeDeathTest, BombsEndCleanlyWithinTheMemoryTheyJustify)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Bytes progressive = jpeg_test::encode(flatPicture(64, 64, 90), {75, true});
    const Bytes baseline = jpeg_test::encode(flatPicture(64, 64, 90), {75});
    struct Row {
        const char* name;
        Bytes file;
        std::string message;
        int width;
    } rows[] = {
        // 768 MB of pixels fit the section cap; twice as much of the library's coefficients
        // on top of them do not.
        {"progressive, within the cap", withSize(progressive, 16000, 16000, 0xC2),
         jpegError(JERR_NO_BACKING_STORE), 16000},
        {"progressive, past the cap", withSize(progressive, 65000, 65000, 0xC2),
         jpegError(JERR_NO_BACKING_STORE), 65000},
        {"baseline, past the cap", withSize(baseline, 65000, 65000), "Out of system resources", 65000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Each in a process of its own, so that its peak memory is its own.
        EXPECT_EXIT(
            {
                const std::int64_t before = peakResidentBytes();
                const auto image = loaded(row.file);
                bool raised = false;
                try {
                    image->DecodedBitmap();
                } catch (const Exception& e) {
                    raised = e.Message() == row.message;
                    if (!raised)
                        std::fprintf(stderr, "raised %s\n", e.Message().c_str());
                }
                // The image stays usable: it draws nothing and keeps its size.
                SectionCanvas canvas(2, 2, 0x123456);
                canvas.StretchDraw({0, 0, 2, 2}, image.get());
                const bool kept = image->Width() == row.width && canvas.pixel(0, 0) == 0x123456u;
                const std::int64_t grown = peakResidentBytes() - before;
                std::fprintf(stderr, "grew %lld bytes\n", static_cast<long long>(grown));
                std::_Exit(raised && kept && grown < (std::int64_t(64) << 20) ? 0 : 1);
            },
            testing::ExitedWithCode(0), "");
    }
}

TEST(JPEGSize, CannotBeChanged)
{
    const auto image = loaded(sampleJpeg());
    EXPECT_RAISES(image->SetWidth(10), EInvalidGraphicOperation, "Cannot change the size of a JPEG image");
    EXPECT_RAISES(image->SetHeight(10), EInvalidGraphicOperation, "Cannot change the size of a JPEG image");
    EXPECT_EQ(image->Width(), 227);
}

TEST(JPEGSave, LoadedBytesAreWrittenUnchanged)
{
    const Bytes file = sampleJpeg();
    const auto image = loaded(file);
    EXPECT_EQ(saved(*image), file);
    image->DecodedBitmap();
    EXPECT_EQ(saved(*image), file);
}

TEST(JPEGSave, LoadStreamReadsFromThePosition)
{
    Bytes withPrefix{1, 2, 3};
    const Bytes file = sampleJpeg();
    withPrefix.insert(withPrefix.end(), file.begin(), file.end());
    TMemoryStream stream(withPrefix);
    stream.SetPosition(3);
    TJPEGImage image;
    image.LoadStream(stream);
    EXPECT_EQ(saved(image), file);
}

TEST(JPEGSameImage, OnlySharedDataIsTheSameImage)
{
    const auto first = loaded(sampleJpeg());
    TJPEGImage copy;
    copy.CopyFrom(first.get());
    EXPECT_TRUE(copy.SameImage(*first));
    EXPECT_TRUE(first->SameImage(copy));

    const auto second = loaded(sampleJpeg());
    EXPECT_FALSE(second->SameImage(*first));

    TBitmap bitmap;
    EXPECT_FALSE(first->SameImage(bitmap));
}

TEST(JPEGCopy, CopyFromSharesDataAndDecodedPixels)
{
    const auto source = loaded(sampleJpeg());
    TJPEGImage undecoded;
    undecoded.CopyFrom(source.get());
    EXPECT_FALSE(undecoded.HasDecodedBitmap());
    EXPECT_EQ(undecoded.Width(), 227);

    TBitmap& pixels = source->DecodedBitmap();
    TJPEGImage decoded;
    decoded.CopyFrom(source.get());
    ASSERT_TRUE(decoded.HasDecodedBitmap());
    EXPECT_NE(&decoded.DecodedBitmap(), &pixels);
    EXPECT_TRUE(decoded.SameImage(*source));
    const jpeg_test::Decoded reference = jpeg_test::decode(sampleJpeg());
    EXPECT_EQ(jpeg_test::differingRows(decoded.DecodedBitmap(), reference.picture), 0);
}

TEST(JPEGCopy, CopyToBitmapTakesDecodedPixels)
{
    const auto image = loaded(sampleJpeg());
    TBitmap bitmap;
    image->CopyTo(&bitmap);
    EXPECT_TRUE(image->HasDecodedBitmap());
    EXPECT_EQ(bitmap.Width(), 227);
    EXPECT_EQ(bitmap.Height(), 149);
    EXPECT_EQ(bitmap.PixelLayout(), pl24Bit);
    const jpeg_test::Decoded reference = jpeg_test::decode(sampleJpeg());
    EXPECT_EQ(jpeg_test::differingRows(bitmap, reference.picture), 0);

    // Through the bitmap's own assignment as well.
    TBitmap other;
    other.CopyFrom(image.get());
    EXPECT_EQ(other.Width(), 227);
}

TEST(JPEGCopy, CopyToAnythingElseIsRefused)
{
    const auto image = loaded(sampleJpeg());
    TJPEGImage other;
    EXPECT_RAISES(image->CopyTo(&other), EConvertError, "Cannot assign a TJPEGImage to a TJPEGImage");
    EXPECT_RAISES(other.CopyFrom(nullptr), EConvertError, "Cannot assign a nil to a TJPEGImage");
}

TEST(JPEGCopy, CopyFromBitmapHoldsOnlyTheBitmap)
{
    TBitmap bitmap;
    bitmap.SetPixelLayout(pl24Bit);
    bitmap.SetWidth(20);
    bitmap.SetHeight(10);
    const auto image = loaded(sampleJpeg());
    image->CopyFrom(&bitmap);
    EXPECT_TRUE(image->HasDecodedBitmap());
    EXPECT_EQ(image->Data().Bytes, nullptr);
    EXPECT_EQ(image->Width(), 20);
    EXPECT_EQ(image->Height(), 10);
    EXPECT_FALSE(image->IsEmpty());

    TJPEGImage empty;
    empty.CopyFrom(std::make_unique<TBitmap>().get());
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(JPEGStoredData, CountThenBytes)
{
    const Bytes file = sampleJpeg();
    const auto image = loaded(file);
    TMemoryStream stored;
    image->WriteStoredData(stored);
    ASSERT_EQ(stored.Size(), std::int64_t(file.size()) + 4);
    stored.SetPosition(0);
    EXPECT_EQ(stored.ReadU32(), file.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), stored.Bytes().begin() + 4));

    stored.SetPosition(0);
    TJPEGImage again;
    again.ReadStoredData(stored);
    EXPECT_EQ(again.Width(), 227);
    EXPECT_EQ(saved(again), file);
}

TEST(JPEGStoredData, EmptyImageWritesZeroCount)
{
    TJPEGImage image;
    TMemoryStream stored;
    image.WriteStoredData(stored);
    EXPECT_EQ(stored.Bytes(), (Bytes{0, 0, 0, 0}));

    stored.SetPosition(0);
    TJPEGImage again;
    again.ReadStoredData(stored);
    EXPECT_FALSE(again.IsEmpty());  // zero bytes of JPEG data
    EXPECT_EQ(again.Width(), 0);
}

TEST(JPEGStoredData, CountBeyondTheStreamIsReadError)
{
    const auto image = loaded(sampleJpeg());
    TMemoryStream stored(Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xD8});
    EXPECT_RAISES(image->ReadStoredData(stored), EReadError, "Stream read error");
    EXPECT_EQ(image->Width(), 227);
}

TEST(JPEGStoredData, BitmapMadeImageStoresItsPicture)
{
    const jpeg_test::Picture picture = jpeg_test::drawnPicture(32, 24);
    TBitmap bitmap;
    bitmap.SetPixelLayout(pl24Bit);
    bitmap.SetWidth(32);
    bitmap.SetHeight(24);
    for (int y = 0; y < 24; ++y)
        std::copy_n(picture.row(y), picture.rowBytes(), bitmap.RowAddress(y));
    TJPEGImage image;
    image.CopyFrom(&bitmap);
    TMemoryStream stored;
    image.WriteStoredData(stored);
    stored.SetPosition(0);
    TJPEGImage again;
    again.ReadStoredData(stored);
    EXPECT_EQ(again.Width(), 32);
    EXPECT_EQ(again.Height(), 24);
    EXPECT_NO_THROW(again.DecodedBitmap());
}

TEST(JPEGPalette, NewPaletteDropsDecodedPixels)
{
    const auto image = loaded(sampleJpeg());
    image->DecodedBitmap();
    image->SetPaletteChangedFlag(false);
    int changes = 0;
    image->OnChange = [&](TObject*) { ++changes; };
    const TPaletteHandle palette = std::make_shared<const platform::Palette>(platform::createHalftonePalette());
    image->SetPalette(palette);
    EXPECT_FALSE(image->HasDecodedBitmap());
    EXPECT_TRUE(image->PaletteChangedFlag());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(image->Palette(), palette);

    // The same palette again changes nothing.
    image->SetPaletteChangedFlag(false);
    image->SetPalette(palette);
    EXPECT_FALSE(image->PaletteChangedFlag());
    EXPECT_EQ(changes, 1);
}

TEST(JPEGPalette, ColourDecodeForgetsThePalette)
{
    const auto image = loaded(sampleJpeg());
    const TPaletteHandle palette = std::make_shared<const platform::Palette>(platform::createHalftonePalette());
    image->SetPalette(palette);
    EXPECT_EQ(image->DecodedBitmap().PixelLayout(), pl24Bit);
    EXPECT_EQ(image->Palette(), nullptr);
    // Forgotten: the same palette given again is a new one, and the pixels go.
    image->SetPalette(palette);
    EXPECT_FALSE(image->HasDecodedBitmap());
}

TEST(JPEGPalette, BitmapMadeImageKeepsItsPixels)
{
    TBitmap bitmap;
    bitmap.SetPixelLayout(pl24Bit);
    bitmap.SetWidth(8);
    bitmap.SetHeight(8);
    TJPEGImage image;
    image.CopyFrom(&bitmap);
    image.SetPalette(std::make_shared<const platform::Palette>(platform::createHalftonePalette()));
    ASSERT_TRUE(image.HasDecodedBitmap());
    EXPECT_EQ(image.Width(), 8);
}

TEST(JPEGClipboard, LoadsTheBitmapFormatOnly)
{
    const auto image = loaded(sampleJpeg());
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = 5;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::shared_ptr<const platform::Section> section = platform::Section::create(header);

    EXPECT_RAISES(image->LoadClipboardData(3, TClipboardHandle(section), nullptr), EInvalidGraphic,
                  "Unsupported clipboard format");
    EXPECT_EQ(image->Width(), 227);

    image->LoadClipboardData(2, TClipboardHandle(section), nullptr);
    EXPECT_EQ(image->Width(), 5);
    EXPECT_EQ(image->Height(), 4);
    // The old compressed bytes no longer describe the picture.
    EXPECT_EQ(image->Data().Bytes, nullptr);
}

TEST(JPEGPaint, DrawsTheDecodedPixelsStretched)
{
    const auto image = loaded(sampleJpeg());
    SectionCanvas canvas(227, 149, 0x00FF00);
    canvas.StretchDraw({0, 0, 227, 149}, image.get());
    ASSERT_TRUE(image->HasDecodedBitmap());
    const jpeg_test::Decoded reference = jpeg_test::decode(sampleJpeg());
    // Reference pixels are blue, green, red; canvas colours hold red in the low byte.
    for (const TPoint p : {TPoint{0, 0}, TPoint{113, 74}, TPoint{226, 148}}) {
        const std::uint8_t* px = reference.picture.row(p.y) + 3 * p.x;
        EXPECT_EQ(canvas.pixel(p.x, p.y), platform::rgb(px[2], px[1], px[0])) << p.x << "," << p.y;
    }
}

TEST(JPEGPaint, EmptyImageDrawsNothing)
{
    TJPEGImage image;
    SectionCanvas canvas(4, 4, 0x123456);
    EXPECT_NO_THROW(canvas.StretchDraw({0, 0, 4, 4}, &image));
    EXPECT_EQ(canvas.pixel(1, 1), platform::Colour(0x123456));
    EXPECT_TRUE(image.IsEmpty());
}

TEST(JPEGDefaults, NewImagesStartFromTheDefaults)
{
    const TJPEGDefaults& defaults = JPEGDefaultSettings();
    EXPECT_EQ(defaults.EncodeQuality, 90);
    EXPECT_FALSE(defaults.GrayOnly);
    EXPECT_FALSE(defaults.SpeedOverQuality);
    EXPECT_EQ(defaults.OutputDepth, jd24Bit);  // the display has 32 bits per pixel
    EXPECT_FALSE(defaults.ShowPasses);
    EXPECT_FALSE(defaults.EncodeProgressive);
    EXPECT_EQ(defaults.ScaleShift, 0);
    EXPECT_TRUE(defaults.BlockSmoothing);

    JPEGDefaultSettings().EncodeQuality = 75;
    JPEGDefaultSettings().ShowPasses = true;
    TJPEGImage image;
    JPEGDefaultSettings() = TJPEGDefaults{};
    EXPECT_EQ(image.EncodeQuality(), 75);
    EXPECT_TRUE(image.ShowPasses());
    EXPECT_TRUE(image.BlockSmoothing());
}

class JPEGRegistry : public testing::Test {
protected:
    void TearDown() override { UnregisterGraphicClass(TJPEGImage::StaticClass()); }

    std::string file(const std::string& name, const Bytes& content)
    {
        const QString native = dir.filePath(QString::fromStdString(name));
        QFile out(native);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(content.data()), qint64(content.size()));
        return platform::toDriveLetterPath(native.toStdString()).value();
    }

    QTemporaryDir dir;
};

TEST_F(JPEGRegistry, RegistersBothExtensionsOnce)
{
    const std::size_t before = FileFormats().Entries().size();
    RegisterJPEGFormat();
    RegisterJPEGFormat();
    const std::vector<TFileFormat>& entries = FileFormats().Entries();
    ASSERT_EQ(entries.size(), before + 2);
    EXPECT_EQ(entries[before].Extension, "jpeg");
    EXPECT_EQ(entries[before + 1].Extension, "jpg");
    for (std::size_t i = before; i < before + 2; ++i) {
        EXPECT_EQ(entries[i].Description, "JPEG Image File");
        EXPECT_EQ(entries[i].GraphicClass, TJPEGImage::StaticClass());
    }
}

TEST_F(JPEGRegistry, PictureLoadsJpegFilesByExtension)
{
    RegisterJPEGFormat();
    for (const char* name : {"x.jpeg", "Photo.JPG"}) {
        SCOPED_TRACE(name);
        TPicture picture;
        int changes = 0;
        picture.OnChange = [&](TObject*) { ++changes; };
        picture.LoadFile(file(name, sampleJpeg()));
        ASSERT_NE(picture.Graphic(), nullptr);
        ASSERT_EQ(picture.Graphic()->ClassType(), TJPEGImage::StaticClass());
        EXPECT_EQ(picture.Width(), 227);
        EXPECT_EQ(picture.Height(), 149);
        EXPECT_FALSE(static_cast<TJPEGImage*>(picture.Graphic())->HasDecodedBitmap());
        EXPECT_EQ(changes, 1);
    }
}

TEST_F(JPEGRegistry, BrokenFileLeavesThePreviousPicture)
{
    RegisterJPEGFormat();
    TPicture picture;
    picture.LoadFile(file("good.jpg", sampleJpeg()));
    const TGraphic* before = picture.Graphic();
    EXPECT_RAISES(picture.LoadFile(file("bad.jpg", Bytes{'n', 'o', 'p', 'e'})), EJPEG, jpegError(JERR_NO_SOI));
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(picture.Width(), 227);
}

} // namespace

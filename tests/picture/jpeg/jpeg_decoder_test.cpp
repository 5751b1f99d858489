// Decoding into the bitmap: every byte as the library decodes the same file with the same
// settings, cut-off and broken files, progress, the silent abort and handlers that change the
// image while it decodes.

#include "jpeg_reference.h"
#include "jpeg_test_support.h"
#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/palette.h"
#include "section_canvas.h"

#include <jerror.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using jpeg_test::decode;
using jpeg_test::DecodeOptions;
using jpeg_test::differingRows;
using jpeg_test::encode;
using jpeg_test::jpegError;
using jpeg_test::loadedImage;
using jpeg_test::SteppingClock;

struct Report {
    TProgressStage stage;
    int percent;
    bool redraw;
    TRect rect;
};

std::vector<Report>* recordInto(TJPEGImage& image, std::vector<Report>& reports)
{
    image.OnProgress = [&reports](TObject*, TProgressStage stage, std::uint8_t percent, bool redraw,
                                  const TRect& r, const std::string&) {
        reports.push_back({stage, percent, redraw, r});
    };
    return &reports;
}

std::vector<platform::PaletteEntry> paletteOf(TBitmap& bitmap)
{
    const TPaletteHandle palette = bitmap.ReadPalette();
    return palette ? palette->entries() : std::vector<platform::PaletteEntry>{};
}

TEST(JPEGDecode, ColourFilesMatchTheLibraryByteForByte)
{
    const jpeg_test::Picture photo = jpeg_test::drawnPicture(203, 117);
    struct Row {
        const char* name;
        Bytes file;
    } rows[] = {
        {"baseline 4:2:0", encode(photo)},
        {"progressive", encode(photo, {90, true})},
        {"arithmetic", encode(photo, {75, false, true})},
        {"odd small size", encode(jpeg_test::drawnPicture(13, 7), {50})},
        {"one row", encode(jpeg_test::drawnPicture(40, 1))},
        {"reference image", jpeg_test::sampleFile("libjpeg-turbo/testimages/testorig.jpg")},
        {"integer DCT image", jpeg_test::sampleFile("libjpeg-turbo/testimages/testimgint.jpg")},
        {"arithmetic image", jpeg_test::sampleFile("libjpeg-turbo/testimages/testimgari.jpg")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loadedImage(row.file);
        TBitmap& bitmap = image->DecodedBitmap();
        EXPECT_EQ(bitmap.PixelLayout(), pl24Bit);
        const jpeg_test::Decoded reference = decode(row.file);
        ASSERT_EQ(reference.error, "");
        int first = -1;
        EXPECT_EQ(differingRows(bitmap, reference.picture, &first), 0) << "first differing row " << first;
    }
}

TEST(JPEGDecode, GrayFileDecodesTo8BitsWithAGrayPalette)
{
    const Bytes file = encode(jpeg_test::drawnGrayPicture(120, 90), {90, false, false, JCS_GRAYSCALE});
    const auto image = loadedImage(file);
    TBitmap& bitmap = image->DecodedBitmap();
    EXPECT_EQ(bitmap.PixelLayout(), pl8Bit);
    const std::vector<platform::PaletteEntry> palette = paletteOf(bitmap);
    ASSERT_EQ(palette.size(), 236u);
    EXPECT_EQ(palette.front(), (platform::PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(palette.back(), (platform::PaletteEntry{255, 255, 255, 0}));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        EXPECT_EQ(palette[i].red, palette[i].green) << i;
        EXPECT_EQ(palette[i].red, palette[i].blue) << i;
        if (i > 0) {
            EXPECT_GT(palette[i].red, palette[i - 1].red) << i;
        }
    }
    DecodeOptions options;
    options.outputSpace = JCS_GRAYSCALE;
    options.quantize = true;
    const jpeg_test::Decoded reference = decode(file, options);
    EXPECT_EQ(differingRows(bitmap, reference.picture), 0);
}

// Settings of the image and the library settings they stand for.
struct SettingsRow {
    const char* name;
    bool grayOnly;
    bool eightBit;
    bool speed;
    DecodeOptions library;
};

std::vector<SettingsRow> settingsRows()
{
    std::vector<SettingsRow> rows;
    DecodeOptions gray;
    gray.outputSpace = JCS_GRAYSCALE;
    gray.quantize = true;
    rows.push_back({"gray only", true, false, false, gray});

    DecodeOptions twoPass;
    twoPass.quantize = true;
    rows.push_back({"8 bits, two-pass colour map", false, true, false, twoPass});

    DecodeOptions fast;
    fast.dct = JDCT_IFAST;
    rows.push_back({"speed over quality", false, false, true, fast});

    DecodeOptions fastEightBit = twoPass;
    fastEightBit.dct = JDCT_IFAST;
    fastEightBit.twoPass = false;
    fastEightBit.dither = JDITHER_ORDERED;
    rows.push_back({"speed over quality, 8 bits", false, true, true, fastEightBit});

    DecodeOptions fastGray = gray;
    fastGray.dct = JDCT_IFAST;
    fastGray.dither = JDITHER_ORDERED;
    rows.push_back({"speed over quality, gray only", true, false, true, fastGray});
    return rows;
}

void applySettings(TJPEGImage& image, const SettingsRow& row)
{
    image.SetGrayOnly(row.grayOnly);
    image.SetOutputDepth(row.eightBit ? jd8Bit : jd24Bit);
    image.SetSpeedOverQuality(row.speed);
}

TEST(JPEGDecode, SettingsMatchTheLibrarysOwnDecoding)
{
    const jpeg_test::Picture photo = jpeg_test::drawnPicture(160, 96);
    const Bytes files[] = {encode(photo), encode(photo, {90, true})};
    for (const SettingsRow& row : settingsRows()) {
        for (const Bytes& file : files) {
            SCOPED_TRACE(std::string(row.name) + (&file == &files[0] ? ", baseline" : ", progressive"));
            const auto image = loadedImage(file);
            applySettings(*image, row);
            TBitmap& bitmap = image->DecodedBitmap();
            const jpeg_test::Decoded reference = decode(file, row.library);
            ASSERT_EQ(reference.error, "");
            EXPECT_EQ(bitmap.PixelLayout(), row.library.quantize ? pl8Bit : pl24Bit);
            int first = -1;
            EXPECT_EQ(differingRows(bitmap, reference.picture, &first), 0) << "first differing row " << first;
            if (row.library.quantize) {
                // Map rows are the output order; gray output has one.
                const std::vector<platform::PaletteEntry> palette = paletteOf(bitmap);
                const auto& map = reference.colourMap;
                ASSERT_EQ(palette.size(), map[0].size());
                for (std::size_t i = 0; i < palette.size(); ++i) {
                    const platform::PaletteEntry expected =
                        map.size() == 1 ? platform::PaletteEntry{map[0][i], map[0][i], map[0][i], 0}
                                        : platform::PaletteEntry{map[2][i], map[1][i], map[0][i], 0};
                    ASSERT_EQ(palette[i], expected) << "entry " << i;
                }
            }
        }
    }
}

TEST(JPEGDecode, EightBitPaletteKeepsRedRed)
{
    jpeg_test::Picture red{16, 16, 3, {}};
    for (int i = 0; i < 16 * 16; ++i)
        red.pixels.insert(red.pixels.end(), {0, 0, 255});  // blue, green, red
    const auto image = loadedImage(encode(red));
    image->SetOutputDepth(jd8Bit);
    TBitmap& bitmap = image->DecodedBitmap();
    const std::vector<platform::PaletteEntry> palette = paletteOf(bitmap);
    const std::uint8_t index = bitmap.RowAddress(8)[8];
    ASSERT_LT(index, palette.size());
    EXPECT_GT(palette[index].red, 240);
    EXPECT_LT(palette[index].green, 16);
    EXPECT_LT(palette[index].blue, 16);
}

TEST(JPEGDecode, OwnPaletteWithEightBitsIsTheColourMap)
{
    const Bytes file = encode(jpeg_test::drawnPicture(100, 60));
    const platform::Palette& standard = platform::standardPalette16();
    const auto image = loadedImage(file);
    image->SetOutputDepth(jd8Bit);
    const TPaletteHandle own = std::make_shared<const platform::Palette>(standard.entries());
    image->SetPalette(own);
    TBitmap& bitmap = image->DecodedBitmap();
    EXPECT_EQ(paletteOf(bitmap), standard.entries());

    DecodeOptions options;
    options.quantize = true;
    for (const platform::PaletteEntry& e : standard.entries()) {
        options.mapBlue.push_back(e.blue);
        options.mapGreen.push_back(e.green);
        options.mapRed.push_back(e.red);
    }
    const jpeg_test::Decoded reference = decode(file, options);
    ASSERT_EQ(reference.error, "");
    EXPECT_EQ(differingRows(bitmap, reference.picture), 0);
    // The image keeps its palette for the next decode: giving it again changes nothing.
    image->SetPalette(own);
    EXPECT_TRUE(image->HasDecodedBitmap());
}

TEST(JPEGDecode, OwnPaletteWithGrayOutputKeepsTheGrayLevels)
{
    const Bytes file = encode(jpeg_test::drawnGrayPicture(64, 48), {90, false, false, JCS_GRAYSCALE});
    const auto image = loadedImage(file);
    image->SetOutputDepth(jd8Bit);
    image->SetPalette(std::make_shared<const platform::Palette>(platform::standardPalette16().entries()));
    TBitmap& bitmap = image->DecodedBitmap();
    EXPECT_EQ(paletteOf(bitmap).size(), 236u);
    DecodeOptions options;
    options.outputSpace = JCS_GRAYSCALE;
    options.quantize = true;
    EXPECT_EQ(differingRows(bitmap, decode(file, options).picture), 0);
}

TEST(JPEGDecode, ShowPassesEndsWithTheFullPicture)
{
    const jpeg_test::Picture photo = jpeg_test::drawnPicture(150, 100);
    const Bytes colour = encode(photo, {90, true});
    const Bytes gray = encode(jpeg_test::drawnGrayPicture(150, 100), {90, true, false, JCS_GRAYSCALE});
    DecodeOptions plain;
    DecodeOptions eightBit;
    eightBit.quantize = true;
    DecodeOptions grayLevels;
    grayLevels.outputSpace = JCS_GRAYSCALE;
    grayLevels.quantize = true;
    DecodeOptions fastEightBit = eightBit;
    fastEightBit.dct = JDCT_IFAST;
    fastEightBit.twoPass = false;
    fastEightBit.dither = JDITHER_ORDERED;
    struct Row {
        const char* name;
        const Bytes& file;
        bool eightBit;
        bool speed;
        DecodeOptions library;
    } rows[] = {
        {"24 bits", colour, false, false, plain},
        {"8 bits, two-pass final map", colour, true, false, eightBit},
        {"8 bits, speed over quality", colour, true, true, fastEightBit},
        {"gray", gray, false, false, grayLevels},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loadedImage(row.file);
        image->SetShowPasses(true);
        image->SetOutputDepth(row.eightBit ? jd8Bit : jd24Bit);
        image->SetSpeedOverQuality(row.speed);
        TBitmap& bitmap = image->DecodedBitmap();
        const jpeg_test::Decoded reference = decode(row.file, row.library);
        int first = -1;
        EXPECT_EQ(differingRows(bitmap, reference.picture, &first), 0) << "first differing row " << first;
        if (row.library.quantize) {
            EXPECT_EQ(paletteOf(bitmap).size(), reference.colourMap[0].size());
        }
    }
}

// How many running reports found the bottom row already drawn.
int reportsAfterBottomRowDrawn(bool showPasses)
{
    SteppingClock clock;
    const auto image = loadedImage(encode(jpeg_test::drawnPicture(64, 256), {90, true}));
    image->SetShowPasses(showPasses);
    int count = 0;
    image->OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
        if (stage != psRunning)
            return;
        TBitmap& bitmap = image->DecodedBitmap();  // the bitmap being decoded
        if (bitmap.Height() == 0)
            return;
        const std::uint8_t* bottom = bitmap.RowAddress(bitmap.Height() - 1);
        if (std::any_of(bottom, bottom + 3 * bitmap.Width(), [](std::uint8_t b) { return b != 0; }))
            ++count;
    };
    image->DecodedBitmap();
    return count;
}

TEST(JPEGDecode, ShowPassesDrawsTheWholePictureAtEveryPass)
{
    // Without passes the bottom row is drawn once, at the very end; with them, every scan of
    // the file draws the whole picture again.
    EXPECT_LE(reportsAfterBottomRowDrawn(false), 1);
    EXPECT_GE(reportsAfterBottomRowDrawn(true), 5);
}

TEST(JPEGDecode, CutOffFileDrawsItsUpperPart)
{
    const jpeg_test::Picture photo = jpeg_test::drawnPicture(128, 128);
    struct Row {
        const char* name;
        Bytes file;
        bool sequential;
    } rows[] = {
        {"baseline", encode(photo), true},
        {"progressive", encode(photo, {90, true}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes cut(row.file.begin(), row.file.begin() + long(row.file.size() / 2));
        const auto image = loadedImage(cut);
        EXPECT_EQ(image->Height(), 128);
        TBitmap* bitmap = nullptr;
        ASSERT_NO_THROW(bitmap = &image->DecodedBitmap());
        // The library fills the missing data itself; decoded the same way as with the whole file.
        const jpeg_test::Decoded reference = decode(cut);
        EXPECT_EQ(differingRows(*bitmap, reference.picture), 0);
        if (!row.sequential)
            continue;
        // The first band of 16 rows is complete in the cut file.
        const jpeg_test::Decoded whole = decode(row.file);
        for (int y = 0; y < 16; ++y)
            EXPECT_TRUE(std::equal(whole.picture.row(y), whole.picture.row(y) + 3 * 128, bitmap->RowAddress(y))) << y;
    }
}

TEST(JPEGDecode, CutOffBaselineFileEndsInMidGray)
{
    const Bytes file = encode(jpeg_test::drawnPicture(128, 128));
    const auto image = loadedImage(Bytes(file.begin(), file.begin() + long(file.size() / 2)));
    TBitmap& bitmap = image->DecodedBitmap();
    // Blocks without data have only zero coefficients: level 128 in every channel.
    const std::uint8_t* bottom = bitmap.RowAddress(127);
    EXPECT_TRUE(std::all_of(bottom, bottom + 3 * 128, [](std::uint8_t b) { return b == 128; }));
}

TEST(JPEGDecode, LongSegmentsAreSkippedAcrossBuffers)
{
    const Bytes file = encode(jpeg_test::drawnPicture(80, 60));
    // A comment segment of 20000 bytes right after the start marker.
    const std::size_t length = 20000;
    Bytes padded(file.begin(), file.begin() + 2);
    padded.insert(padded.end(), {0xFF, 0xFE, std::uint8_t(length >> 8), std::uint8_t(length)});
    padded.insert(padded.end(), length - 2, 'x');
    padded.insert(padded.end(), file.begin() + 2, file.end());
    const auto image = loadedImage(padded);
    EXPECT_EQ(image->Width(), 80);
    EXPECT_EQ(differingRows(image->DecodedBitmap(), decode(file).picture), 0);
}

TEST(JPEGDecode, ReportsStartAndEnd)
{
    const auto image = loadedImage(encode(jpeg_test::drawnPicture(64, 64)));
    std::vector<Report> reports;
    recordInto(*image, reports);
    image->DecodedBitmap();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().stage, psStarting);
    EXPECT_EQ(reports.front().percent, 0);
    EXPECT_FALSE(reports.front().redraw);
    EXPECT_EQ(reports.front().rect, TRect{});
    EXPECT_EQ(reports.back().stage, psEnding);
    EXPECT_EQ(reports.back().percent, 100);
    // Loading marked the palette as changed; nobody has cleared the mark since.
    EXPECT_TRUE(reports.back().redraw);
}

TEST(JPEGDecode, RunningReportsCoverTheRowsDecodedSoFar)
{
    SteppingClock clock;
    const auto image = loadedImage(encode(jpeg_test::drawnPicture(64, 400)));
    std::vector<Report> reports;
    recordInto(*image, reports);
    image->DecodedBitmap();
    std::vector<Report> running;
    std::copy_if(reports.begin(), reports.end(), std::back_inserter(running),
                 [](const Report& r) { return r.stage == psRunning; });
    ASSERT_GT(running.size(), 10u);
    int lastBottom = 0;
    int lastPercent = -1;
    for (const Report& r : running) {
        EXPECT_EQ(r.rect.left, 0);
        EXPECT_EQ(r.rect.right, 64);
        EXPECT_EQ(r.rect.top, lastBottom);
        EXPECT_GT(r.percent, lastPercent);
        lastBottom = r.rect.bottom;
        lastPercent = r.percent;
    }
}

TEST(JPEGDecode, SilentAbortKeepsTheRowsDecodedSoFar)
{
    SteppingClock clock;
    const Bytes file = encode(jpeg_test::drawnPicture(64, 400));
    const auto image = loadedImage(file);
    std::vector<Report> reports;
    image->OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& r,
                            const std::string&) {
        reports.push_back({stage, percent, redraw, r});
        if (stage == psRunning && r.bottom >= 100)
            Abort();
    };
    TBitmap* bitmap = nullptr;
    ASSERT_NO_THROW(bitmap = &image->DecodedBitmap());
    ASSERT_EQ(bitmap->Height(), 400);
    ASSERT_GE(reports.size(), 2u);
    const Report stop = reports[reports.size() - 2];
    EXPECT_EQ(reports.back().stage, psEnding);
    EXPECT_EQ(reports.back().percent, 0);

    const jpeg_test::Decoded reference = decode(file);
    for (int y = 0; y < stop.rect.bottom; ++y)
        ASSERT_TRUE(std::equal(reference.picture.row(y), reference.picture.row(y) + 3 * 64, bitmap->RowAddress(y))) << y;
    // The bright bottom rows were never decoded.
    const std::uint8_t* bottom = bitmap->RowAddress(399);
    EXPECT_TRUE(std::all_of(bottom, bottom + 3 * 64, [](std::uint8_t b) { return b == 0; }));
    // Later draws keep the partial picture.
    EXPECT_EQ(&image->DecodedBitmap(), bitmap);
}

TEST(JPEGDecode, HandlerErrorsPropagateAfterCleanUp)
{
    SteppingClock clock;
    const Bytes progressive = encode(jpeg_test::drawnPicture(64, 200), {90, true});
    struct Row {
        const char* name;
        bool showPasses;
        TProgressStage stage;
        bool rowsKept;  // rows were written before the failure, and stay
    } rows[] = {
        // A progressive file shown in one pass is read whole before its first row.
        {"while the scans are read", false, psRunning, false},
        {"while passes are shown", true, psRunning, true},
        {"at the start", false, psStarting, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loadedImage(progressive);
        image->SetShowPasses(row.showPasses);
        int ending = -1;
        image->OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TRect&,
                                const std::string&) {
            if (stage == psEnding)
                ending = percent;
            if (stage == row.stage)
                throw EInvalidOperation("handler failed");
        };
        EXPECT_RAISES(image->DecodedBitmap(), EInvalidOperation, "handler failed");
        EXPECT_EQ(ending, 0);
        EXPECT_EQ(image->HasDecodedBitmap(), row.rowsKept);
        EXPECT_EQ(image->Width(), 64);
        EXPECT_EQ(image->Height(), 200);
    }
}

// Six flat 16 × 16 patches of ink (cyan, magenta, yellow, black; 0 is no ink), three across,
// and the colours they print as: each of red, green and blue is (255 - ink) × (255 - black) / 255.
struct InkPatch {
    std::uint8_t ink[4];
    platform::Colour colour;
};

constexpr InkPatch inkPatches[] = {
    {{0, 0, 0, 0}, platform::rgb(255, 255, 255)},
    {{0, 255, 255, 0}, platform::rgb(255, 0, 0)},
    {{255, 0, 255, 0}, platform::rgb(0, 255, 0)},
    {{0, 0, 0, 128}, platform::rgb(127, 127, 127)},
    // 155 × 205 / 255 = 124.6, 205 × 205 / 255 = 164.8, 55 × 205 / 255 = 44.2
    {{100, 50, 200, 50}, platform::rgb(125, 165, 44)},
    {{0, 0, 0, 255}, platform::rgb(0, 0, 0)},
};

// The patches as four-component rows, the inks stored inverted (255 - ink) when asked.
jpeg_test::Picture inkPicture(bool inverted)
{
    jpeg_test::Picture picture{48, 32, 4, std::vector<std::uint8_t>(48 * 32 * 4)};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const InkPatch& patch = inkPatches[(y / 16) * 3 + x / 16];
            for (int c = 0; c < 4; ++c)
                picture.pixels[std::size_t((y * 48 + x) * 4 + c)] = std::uint8_t(inverted ? 255 - patch.ink[c] : patch.ink[c]);
        }
    return picture;
}

int largestChannelDifference(platform::Colour a, platform::Colour b)
{
    return std::max({std::abs(int(platform::redOf(a)) - int(platform::redOf(b))),
                     std::abs(int(platform::greenOf(a)) - int(platform::greenOf(b))),
                     std::abs(int(platform::blueOf(a)) - int(platform::blueOf(b)))});
}

TEST(JPEGDecode, InkFilesDecodeToTheColoursTheyPrint)
{
    struct Row {
        const char* name;
        bool inverted;  // the file has the Adobe marker and stores its inks inverted
        J_COLOR_SPACE fileSpace;
    };
    const Row rows[] = {
        {"CMYK", false, JCS_CMYK},
        {"inverted CMYK", true, JCS_CMYK},
        {"inverted YCCK", true, JCS_YCCK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loadedImage(jpeg_test::encodeInks(inkPicture(row.inverted), row.fileSpace, row.inverted));
        TBitmap& bitmap = image->DecodedBitmap();
        ASSERT_EQ(bitmap.Width(), 48);
        ASSERT_EQ(bitmap.Height(), 32);
        EXPECT_EQ(bitmap.PixelLayout(), pl24Bit);
        for (std::size_t i = 0; i < std::size(inkPatches); ++i) {
            // Every pixel of the patch but those next to another: YCCK files halve their colour
            // planes, and their upsampling blends neighbouring patches along the edges.
            int worst = 0;
            for (int y = 2; y < 14; ++y)
                for (int x = 2; x < 14; ++x) {
                    const int px = int(i % 3) * 16 + x, py = int(i / 3) * 16 + y;
                    worst = std::max(worst, largestChannelDifference(bitmap.PlatformHandle()->pixel(px, py),
                                                                     inkPatches[i].colour));
                }
            EXPECT_LE(worst, 1) << "patch " << i;
        }
    }
}

TEST(JPEGDecode, InkFilesDecodeToGrayAndToPalettes)
{
    const Bytes file = jpeg_test::encodeInks(inkPicture(false), JCS_CMYK, false);

    // Gray levels weigh red, green and blue as 0.299, 0.587 and 0.114.
    const auto gray = loadedImage(file);
    gray->SetGrayOnly(true);
    TBitmap& grayBitmap = gray->DecodedBitmap();
    EXPECT_EQ(grayBitmap.PixelLayout(), pl8Bit);
    const int levels[] = {255, 76, 150, 127, 139, 0};  // 0.299 × 125 + 0.587 × 165 + 0.114 × 44 = 139.3
    for (std::size_t i = 0; i < std::size(levels); ++i) {
        const platform::Colour c = grayBitmap.PlatformHandle()->pixel(int(i % 3) * 16 + 8, int(i / 3) * 16 + 8);
        const auto level = std::uint8_t(levels[i]);
        EXPECT_LE(largestChannelDifference(c, platform::rgb(level, level, level)), 1) << "patch " << i;
    }

    // An 8-bit depth maps the colours to a palette; white, red and black are in every one.
    const auto eightBit = loadedImage(file);
    eightBit->SetOutputDepth(jd8Bit);
    TBitmap& mapped = eightBit->DecodedBitmap();
    EXPECT_EQ(mapped.PixelLayout(), pl8Bit);
    EXPECT_EQ(mapped.PlatformHandle()->pixel(8, 8), platform::rgb(255, 255, 255));
    EXPECT_EQ(mapped.PlatformHandle()->pixel(24, 8), platform::rgb(255, 0, 0));
    EXPECT_EQ(mapped.PlatformHandle()->pixel(40, 24), platform::rgb(0, 0, 0));
}

TEST(JPEGDecode, FailureBeforeAnyRowKeepsTheHeaderSizeAndNoBitmap)
{
    // Two-component files read fine, but no colour conversion turns them into pixels.
    jpeg_test::Picture twoComponents{24, 16, 2, std::vector<std::uint8_t>(24 * 16 * 2, 100)};
    jpeg_test::EncodeOptions options;
    options.inputSpace = JCS_UNKNOWN;
    const auto image = loadedImage(encode(twoComponents, options));
    EXPECT_EQ(image->Width(), 24);
    std::vector<Report> reports;
    recordInto(*image, reports);
    EXPECT_RAISES(image->DecodedBitmap(), EJPEG, jpegError(JERR_CONVERSION_NOTIMPL));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].stage, psStarting);
    EXPECT_EQ(reports[1].stage, psEnding);
    EXPECT_EQ(reports[1].percent, 0);
    EXPECT_FALSE(image->HasDecodedBitmap());
    EXPECT_EQ(image->Width(), 24);
    EXPECT_EQ(image->Height(), 16);
    EXPECT_FALSE(image->IsEmpty());

    // Drawing shows nothing and does not raise the same error at every paint; asking for the
    // pixels tries again.
    SectionCanvas canvas(4, 4, 0x123456);
    EXPECT_NO_THROW(canvas.StretchDraw({0, 0, 4, 4}, image.get()));
    EXPECT_EQ(canvas.pixel(2, 2), 0x123456u);
    EXPECT_FALSE(image->HasDecodedBitmap());
    EXPECT_RAISES(image->DecodedBitmap(), EJPEG, jpegError(JERR_CONVERSION_NOTIMPL));

    // A picture loaded afterwards draws again.
    TMemoryStream good(encode(jpeg_test::drawnPicture(4, 4)));
    image->LoadStream(good);
    canvas.StretchDraw({0, 0, 4, 4}, image.get());
    EXPECT_TRUE(image->HasDecodedBitmap());
}

TEST(JPEGDecode, HandlerMayReplaceThePictureWhileItDecodes)
{
    SteppingClock clock;
    const Bytes first = encode(jpeg_test::drawnPicture(64, 300));
    const Bytes second = encode(jpeg_test::drawnPicture(30, 20));
    struct Row {
        const char* name;
        bool loadAnother;
    } rows[] = {{"new palette", false}, {"another picture", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto image = loadedImage(first);
        bool done = false;
        image->OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
            if (stage != psRunning || done)
                return;
            done = true;
            if (row.loadAnother) {
                TMemoryStream stream(second);
                image->LoadStream(stream);
            } else {
                image->SetPalette(std::make_shared<const platform::Palette>(platform::createHalftonePalette()));
            }
        };
        TBitmap& bitmap = image->DecodedBitmap();
        EXPECT_TRUE(done);
        const Bytes& shown = row.loadAnother ? second : first;
        EXPECT_EQ(differingRows(bitmap, decode(shown).picture), 0);
    }
}

} // namespace

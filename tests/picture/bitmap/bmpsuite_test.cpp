// The public bitmap test suite: its good files must draw like the suite's reference pictures;
// every other file must end in a known way, never a crash.

#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "platform/paths.h"
#include "tools/picrender/picrender.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

std::string suiteFile(const std::string& name)
{
    return platform::toDriveLetterPath(testing_support::testdataPath("bmpsuite/" + name)).value();
}

// Pixels that differ, and by how much at most in one channel.
struct Difference {
    int pixels = 0;
    int largest = 0;
};

Difference compare(const QImage& actual, const QImage& expected)
{
    Difference d;
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage e = expected.convertToFormat(QImage::Format_RGB32);
    if (a.size() != e.size())
        return {a.width() * a.height(), 256};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = e.pixel(x, y);
            const int channel = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                          std::abs(qBlue(p) - qBlue(q))});
            if (channel > 0) {
                ++d.pixels;
                d.largest = std::max(d.largest, channel);
            }
        }
    return d;
}

struct GoodRow {
    const char* file;
    const char* reference;
    // Largest channel difference allowed. The references scale 5- and 6-bit channels by
    // rounding (v × 255 / 31); our pixels widen them by repeating their bits, as the display
    // does, which differs from rounding by at most 1 (5-bit 3: 24 against 25).
    int tolerance;
};

const GoodRow goodRows[] = {
    {"g/pal1.bmp", "pal1.png", 0},
    {"g/pal1bg.bmp", "pal1bg.png", 0},
    {"g/pal1wb.bmp", "pal1.png", 0},
    {"g/pal4.bmp", "pal4.png", 0},
    {"g/pal4gs.bmp", "pal4gs.png", 0},
    {"g/pal4rle.bmp", "pal4.png", 0},
    {"g/pal8-0.bmp", "pal8.png", 0},
    {"g/pal8.bmp", "pal8.png", 0},
    {"g/pal8gs.bmp", "pal8gs.png", 0},
    // Pixels are drawn as they are stored, whatever their density says: the "as stored" form.
    {"g/pal8nonsquare.bmp", "pal8nonsquare-e.png", 0},
    {"g/pal8os2.bmp", "pal8.png", 0},
    {"g/pal8rle.bmp", "pal8.png", 0},
    {"g/pal8topdown.bmp", "pal8.png", 0},
    {"g/pal8v4.bmp", "pal8.png", 0},
    {"g/pal8v5.bmp", "pal8.png", 0},
    {"g/pal8w124.bmp", "pal8w124.png", 0},
    {"g/pal8w125.bmp", "pal8w125.png", 0},
    {"g/pal8w126.bmp", "pal8w126.png", 0},
    {"g/rgb16-565.bmp", "rgb16-565.png", 1},
    {"g/rgb16-565pal.bmp", "rgb16-565.png", 1},
    {"g/rgb16.bmp", "rgb16.png", 1},
    {"g/rgb16bfdef.bmp", "rgb16.png", 1},
    {"g/rgb24.bmp", "rgb24.png", 0},
    {"g/rgb24pal.bmp", "rgb24.png", 0},
    {"g/rgb32.bmp", "rgb24.png", 0},
    {"g/rgb32bf.bmp", "rgb24.png", 0},
    {"g/rgb32bfdef.bmp", "rgb24.png", 0},
    // Questionable in the suite: unused bytes between the colour table and the pixels, which
    // the file's pixel offset skips.
    {"q/pal8offs.bmp", "pal8.png", 0},
};

TEST(BmpSuite, GoodFilesDrawLikeTheirReferences)
{
    for (const GoodRow& row : goodRows) {
        SCOPED_TRACE(row.file);
        const QImage drawn = picrender::render(suiteFile(row.file));
        const QImage reference(QString::fromStdString(testing_support::testdataPath(
            std::string("bmpsuite/reference/") + row.reference)));
        ASSERT_FALSE(reference.isNull());
        EXPECT_EQ(drawn.size(), reference.size());
        const Difference d = compare(drawn, reference);
        EXPECT_LE(d.largest, row.tolerance) << d.pixels << " pixels differ";
    }
}

// Loads with this size, or fails with this message.
struct OutcomeRow {
    const char* file;
    const char* outcome;
};

constexpr auto notValid = "Bitmap image is not valid";

const OutcomeRow outcomeRows[] = {
    {"b/badbitcount.bmp", notValid},
    {"b/badbitssize.bmp", "127x64"},     // image size field unused beyond the data there is
    {"b/baddens1.bmp", "127x64"},
    {"b/baddens2.bmp", "127x64"},
    {"b/badfilesize.bmp", "127x64"},     // file size field unused
    {"b/badheadersize.bmp", "127x64"},   // a 66-byte header is read whole
    {"b/badpalettesize.bmp", "Stream read error"},
    {"b/badplanes.bmp", notValid},
    {"b/badrle.bmp", "127x64"},          // run-length codes never write outside the picture
    {"b/badrle4.bmp", "127x64"},
    {"b/badrle4bis.bmp", "127x64"},
    {"b/badrle4ter.bmp", "127x64"},
    {"b/badrlebis.bmp", "127x64"},
    {"b/badrleter.bmp", "127x64"},
    {"b/badwidth.bmp", notValid},
    {"b/pal8badindex.bmp", "127x64"},    // values past the colour table draw black
    {"b/reallybig.bmp", notValid},       // larger than any section the platform makes
    {"b/rgb16-880.bmp", "127x64"},       // masks of any shape are accepted
    {"b/rletopdown.bmp", notValid},
    {"b/shortfile.bmp", "127x64"},       // short pixel data
    {"q/pal1huffmsb.bmp", notValid},
    {"q/pal1p1.bmp", "127x64"},
    {"q/pal2.bmp", notValid},
    {"q/pal2color.bmp", notValid},
    {"q/pal4rlecut.bmp", "127x64"},
    {"q/pal4rletrns.bmp", "127x64"},
    {"q/pal8os2-hs.bmp", "127x64"},
    {"q/pal8os2-sz.bmp", "127x64"},
    {"q/pal8os2sp.bmp", "127x64"},
    {"q/pal8os2v2-16.bmp", "127x64"},    // a 16-byte header
    {"q/pal8os2v2-40sz.bmp", "127x64"},
    {"q/pal8os2v2-sz.bmp", "127x64"},
    {"q/pal8os2v2.bmp", "127x64"},
    {"q/pal8oversizepal.bmp", "127x64"},
    {"q/pal8rlecut.bmp", "127x64"},
    {"q/pal8rletrns.bmp", "127x64"},
    {"q/rgb16-231.bmp", "127x64"},
    {"q/rgb16-3103.bmp", "127x64"},
    {"q/rgb16faketrns.bmp", "127x64"},
    {"q/rgb24jpeg.bmp", notValid},
    {"q/rgb24largepal.bmp", "127x64"},
    {"q/rgb24lprof.bmp", "127x64"},
    {"q/rgb24png.bmp", notValid},
    {"q/rgb24prof.bmp", "127x64"},
    {"q/rgb24prof2.bmp", "127x64"},
    {"q/rgb24rle24.bmp", notValid},
    {"q/rgb32-111110.bmp", "127x64"},
    {"q/rgb32-7187.bmp", "127x64"},
    {"q/rgb32-xbgr.bmp", "127x64"},
    {"q/rgb32fakealpha.bmp", "127x64"},
    {"q/rgb32h52.bmp", "127x64"},
    {"q/rgba16-1924.bmp", "127x64"},
    {"q/rgba16-4444.bmp", "127x64"},
    {"q/rgba16-5551.bmp", "127x64"},
    {"q/rgba32-1.bmp", "127x64"},
    {"q/rgba32-1010102.bmp", "127x64"},
    {"q/rgba32-2.bmp", "127x64"},
    {"q/rgba32-61754.bmp", "127x64"},
    {"q/rgba32-81284.bmp", "127x64"},
    {"q/rgba32abf.bmp", notValid},
    {"q/rgba32h56.bmp", "127x64"},
    {"q/rgba64.bmp", notValid},
    {"x/ba-bm.bmp", notValid},           // a bitmap array, not a bitmap file
};

TEST(BmpSuite, EveryOtherFileEndsInAKnownWay)
{
    for (const OutcomeRow& row : outcomeRows) {
        SCOPED_TRACE(row.file);
        std::string outcome;
        try {
            const QImage drawn = picrender::render(suiteFile(row.file));
            outcome = std::to_string(drawn.width()) + "x" + std::to_string(drawn.height());
        } catch (const Exception& error) {
            outcome = error.Message();
        }
        EXPECT_EQ(outcome, row.outcome);
    }
}

TEST(BmpSuite, RunLengthSkipsAreBlack)
{
    // The delta codes of this file skip pixels; they stay black, as the reference drawn with
    // undefined pixels black has them.
    const QImage drawn = picrender::render(suiteFile("q/pal8rletrns.bmp"));
    const QImage reference(QString::fromStdString(testing_support::testdataPath("bmpsuite/reference/pal8rletrns-b.png")));
    EXPECT_EQ(compare(drawn, reference).pixels, 0);
}

// Runs the built tool.
struct ToolRun {
    int exitCode;
    std::string errors;  // all it wrote to stderr, without the last line's end
};

ToolRun picrenderTool(const QStringList& arguments)
{
    QProcess process;
    // Without a runtime directory Qt has something to say at start-up; the tool keeps it to
    // itself.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PICRENDER_PATH), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()).trimmed().toStdString()};
}

TEST(PicrenderTool, WritesThePngOrTheMessage)
{
    QTemporaryDir dir;
    const QString input = QString::fromStdString(testing_support::testdataPath("bmpsuite/g/pal8.bmp"));
    const QString output = dir.filePath("pal8.png");
    ToolRun run = picrenderTool({input, output});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    const QImage reference(QString::fromStdString(testing_support::testdataPath("bmpsuite/reference/pal8.png")));
    EXPECT_EQ(compare(QImage(output), reference).pixels, 0);

    const QString stretched = dir.filePath("stretched.png");
    run = picrenderTool({input, stretched, "--size", "254x32"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(QImage(stretched).size(), QSize(254, 32));

    run = picrenderTool({QString::fromStdString(testing_support::testdataPath("bmpsuite/b/badplanes.bmp")),
                         dir.filePath("bad.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "Bitmap image is not valid");
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.png")));

    run = picrenderTool({dir.filePath("notes.txt"), dir.filePath("notes.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "Unknown picture file extension (.txt)");
}

TEST(PicrenderTool, SmallFilesOnRequest)
{
    // The same pixels either way; asked for, the file is smaller.
    QTemporaryDir dir;
    const std::string input = testing_support::testdataPath("bmpsuite/g/rgb24.bmp");
    const std::string fast = dir.filePath("fast.png").toStdString();
    const std::string small = dir.filePath("small.png").toStdString();
    ASSERT_EQ(picrender::run({input, fast, "--size", "508x256"}), 0);
    ASSERT_EQ(picrender::run({input, small, "--size", "508x256", "--small"}), 0);
    const QImage fastImage(QString::fromStdString(fast));
    ASSERT_EQ(fastImage.size(), QSize(508, 256));
    EXPECT_EQ(compare(fastImage, QImage(QString::fromStdString(small))).pixels, 0);
    EXPECT_LT(QFileInfo(QString::fromStdString(small)).size(), QFileInfo(QString::fromStdString(fast)).size());
}

TEST(PicrenderTool, SizesItCannotMakeOrRead)
{
    // No canvas of 70000000 × 1 pixels can be made: that is no fault of the output file.
    picrender::Options options;
    options.width = 70000000;
    options.height = 1;
    EXPECT_RAISES(picrender::render(suiteFile("g/pal8.bmp"), options), EOutOfResources, "Out of system resources");

    // A size that does not fit the numbers is a wrong command line, not some other size.
    QTemporaryDir dir;
    const std::string input = testing_support::testdataPath("bmpsuite/g/pal8.bmp");
    const std::string output = dir.filePath("out.png").toStdString();
    EXPECT_EQ(picrender::run({input, output, "--size", "99999999999x2"}), 2);
    EXPECT_EQ(picrender::run({input, output, "--size", "2x-3"}), 2);
    EXPECT_EQ(picrender::run({input, output, "--size", "2x3x"}), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("out.png")));
    EXPECT_EQ(picrender::run({input, output, "--size", "2X3"}), 0);
    EXPECT_EQ(QImage(dir.filePath("out.png")).size(), QSize(2, 3));
}

TEST(PicrenderTool, PicturesTooLargeForPngAreNamedSo)
{
    // A run-length coded column of a million and one rows: a few bytes that read well, and
    // more rows than a PNG file may have.
    Bytes file;
    file.fileHeader(0, 14 + 40 + 8).infoHeader(1, 1000001, 8, 1 /* RLE8 */, 2, 2);
    file.quad(0, 0, 0).quad(255, 0, 0).raw({1, 1, 0, 1});  // one red pixel, end of picture
    file.patchU32(2, std::uint32_t(file.size()));
    QTemporaryDir dir;
    const QString input = dir.filePath("column.bmp");
    QFile out(input);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(reinterpret_cast<const char*>(file.data().data()), qint64(file.size()));
    out.close();

    const char* const tall = "Picture of 1 x 1000001 pixels is too large for PNG (at most 1000000 rows and 1000000 columns)";
    ToolRun run = picrenderTool({input, dir.filePath("column.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, tall);
    EXPECT_FALSE(QFile::exists(dir.filePath("column.png")));
    // Asked for, the same holds for a stretched size; at the limit the file is written.
    run = picrenderTool({input, dir.filePath("wide.png"), "--size", "1000001x1"});
    EXPECT_EQ(run.errors, "Picture of 1000001 x 1 pixels is too large for PNG (at most 1000000 rows and 1000000 columns)");
    run = picrenderTool({input, dir.filePath("limit.png"), "--size", "1x1000000"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(QFile::exists(dir.filePath("limit.png")));
}

TEST(PicrenderTool, TransparentDrawingShowsTheWhiteCanvas)
{
    // The colour of pal8's bottom-left pixel is see-through: those pixels show the canvas's white.
    const QImage opaque = picrender::render(suiteFile("g/pal8.bmp"));
    picrender::Options options;
    options.transparent = true;
    const QImage transparent = picrender::render(suiteFile("g/pal8.bmp"), options);
    const QRgb key = opaque.pixel(0, opaque.height() - 1);
    ASSERT_NE(key & 0xFFFFFF, 0xFFFFFFu);
    int keyPixels = 0;
    int wrong = 0;
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x) {
            const bool isKey = opaque.pixel(x, y) == key;
            keyPixels += isKey;
            wrong += transparent.pixel(x, y) != (isKey ? 0xFFFFFFFFu : opaque.pixel(x, y));
        }
    EXPECT_GT(keyPixels, 0);
    EXPECT_EQ(wrong, 0);
}

} // namespace

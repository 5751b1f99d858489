// The public GIF suites: every good file draws its first frame like the suite's expected frame
// (or, where the suite gives none that fits, like Qt's reader); every other file ends in a known
// way, never a crash.

#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/formats.h"
#include "picture/gif/gif_image.h"
#include "platform/paths.h"
#include "tools/picrender/picrender.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <map>

namespace {

std::string suitePath(const std::string& name)
{
    return testing_support::testdataPath(name);
}

std::string driveLetterPath(const std::string& name)
{
    return platform::toDriveLetterPath(suitePath(name)).value();
}

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where the first frame stands on the logical screen, and the screen's size.
struct Placement {
    int left = 0;
    int top = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};

Placement placementOf(const std::string& name)
{
    TGIFImage image;
    TMemoryStream stream(fileBytes(suitePath(name)));
    image.LoadStream(stream);
    if (image.Count() == 0)
        return {0, 0, image.ScreenWidth(), image.ScreenHeight()};
    return {image.Frames(0).Left(), image.Frames(0).Top(), image.ScreenWidth(), image.ScreenHeight()};
}

// How a suite describes the picture to expect.
enum class Reference {
    SuiteFrame,   // the pygif suite's first expected frame (RGBA of the logical screen)
    GiflibScreen, // giflib's render of the logical screen (RGB), for files of one image
    Qt,           // Qt's reader, first frame
};

// The expected picture as ARGB32 of the logical screen; alpha 0 marks see-through pixels.
QImage expectedPicture(const std::string& name, Reference reference, const Placement& placement)
{
    const QString path = QString::fromStdString(suitePath(name));
    if (reference == Reference::Qt) {
        QImageReader reader(path, "gif");
        return reader.read().convertToFormat(QImage::Format_ARGB32);
    }
    if (reference == Reference::GiflibScreen) {
        const std::string base = name.substr(name.rfind('/') + 1, name.size() - name.rfind('/') - 5);
        const std::vector<std::uint8_t> rgb = fileBytes(suitePath("giflib/reference/" + base + ".rgb"));
        QImage image(placement.screenWidth, placement.screenHeight, QImage::Format_ARGB32);
        if (rgb.size() != std::size_t(image.width()) * image.height() * 3)
            return {};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const std::uint8_t* p = &rgb[(std::size_t(y) * image.width() + x) * 3];
                image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
            }
        return image;
    }
    // pygif: <name>.conf names the frames; the first one is a PNG or raw RGBA of the screen.
    QSettings conf(path.left(path.size() - 4) + ".conf", QSettings::IniFormat);
    const QString frame0 = conf.value("config/frames").toStringList().value(0);
    const QString folder = path.left(path.lastIndexOf('/') + 1);
    if (frame0.isEmpty())
        return {};
    if (const QString png = conf.value(frame0 + "/image").toString(); !png.isEmpty())
        return QImage(folder + png).convertToFormat(QImage::Format_ARGB32);
    const std::vector<std::uint8_t> rgba = fileBytes((folder + conf.value(frame0 + "/pixels").toString()).toStdString());
    const int width = conf.value("config/width").toInt();
    const int height = conf.value("config/height").toInt();
    if (rgba.size() != std::size_t(width) * height * 4)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[(std::size_t(y) * width + x) * 4];
            image.setPixel(x, y, qRgba(p[0], p[1], p[2], p[3]));
        }
    return image;
}

// Pixels of the first frame that differ from the expected picture where the frame lies on the
// logical screen: opaque pixels against the opaque drawing, see-through ones against the
// transparent drawing on white. -1 when the suite gives no picture.
int differingPixels(const std::string& name, Reference reference)
{
    const Placement placement = placementOf(name);
    const QImage expected = expectedPicture(name, reference, placement);
    if (expected.isNull())
        return -1;
    const QImage opaque = picrender::render(driveLetterPath(name));
    picrender::Options options;
    options.transparent = true;
    const QImage transparent = picrender::render(driveLetterPath(name), options);
    int differing = 0;
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x) {
            const int ex = x + placement.left;
            const int ey = y + placement.top;
            if (ex >= expected.width() || ey >= expected.height())
                continue;
            const QRgb want = expected.pixel(ex, ey);
            if (qAlpha(want) == 0)
                differing += (transparent.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
            else
                differing += (opaque.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF);
        }
    return differing;
}

// Files of the pygif suite whose first expected frame shows more than the first image (later
// images of the same frame, or no frame for a plain-text block): Qt's first frame instead.
const std::map<std::string, Reference> pygifReferences = {
    {"images-overlap", Reference::Qt},
    {"dispose-restore-previous", Reference::Qt},
    {"plain-text", Reference::Qt},
};

// Files that load to no picture (a GIF without images is an empty picture) or fail with one of
// the format's messages. Every other file of the suite draws like its reference.
const std::map<std::string, std::string> pygifOutcomes = {
    // The suite calls these bad.
    {"invalid-code", "GIF encoded data is corrupt"},        // a code the table does not hold
    {"invalid-colors", "GIF encoded data is corrupt"},      // an index past the colour table
    {"overflow-codes", "GIF code size not in range 2 to 9"},
    {"overflow-codes-max", "GIF code size not in range 2 to 9"},
    {"max-size", "empty"},
    {"zero-size", "empty"},
    {"zero-width", "empty"},
    {"zero-height", "empty"},
    // Questionable ones, refused by the format's rules.
    {"max-codes", "GIF code size not in range 2 to 9"},     // 11-bit minimum code size
    {"unknown-extension", "Unrecognized extension block: 2A"},
    {"image-zero-width", "GIF code size not in range 2 to 9"},  // the trailer is read as code size
    {"image-zero-height", "Stream read error"},             // local table cut off by the end
    {"image-zero-size", "Stream read error"},
    {"no-data", "empty"},
};

std::vector<std::string> pygifTests()
{
    std::ifstream list(suitePath("pygif-test-suite/TESTS"));
    std::vector<std::string> names;
    for (std::string name; std::getline(list, name);)
        if (!name.empty())
            names.push_back(name);
    return names;
}

std::string outcomeOf(const std::string& file)
{
    try {
        TPicture picture;
        picture.LoadFile(driveLetterPath(file));
        return picture.Graphic() && !picture.Graphic()->IsEmpty() ? "picture" : "empty";
    } catch (const Exception& error) {
        return error.Message();
    }
}

TEST(GifSuite, PygifFilesDrawTheirFirstFrame)
{
    RegisterPictureFormats();
    const std::vector<std::string> names = pygifTests();
    ASSERT_EQ(names.size(), 84u);
    int compared = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string file = "pygif-test-suite/" + name + ".gif";
        if (const auto outcome = pygifOutcomes.find(name); outcome != pygifOutcomes.end()) {
            EXPECT_EQ(outcomeOf(file), outcome->second);
            continue;
        }
        const auto reference = pygifReferences.find(name);
        EXPECT_EQ(differingPixels(file, reference == pygifReferences.end() ? Reference::SuiteFrame : reference->second), 0);
        ++compared;
    }
    EXPECT_EQ(compared, 84 - int(pygifOutcomes.size()));
}

TEST(GifSuite, GiflibPicturesDrawTheirFirstFrame)
{
    // giflib's references show the screen after every image: for the animations Qt's first
    // frame stands in.
    const std::pair<const char*, Reference> rows[] = {
        {"giflib/pic/gifgrid.gif", Reference::GiflibScreen},
        {"giflib/pic/porsche.gif", Reference::GiflibScreen},
        {"giflib/pic/treescap-interlaced.gif", Reference::GiflibScreen},
        {"giflib/pic/treescap.gif", Reference::GiflibScreen},
        {"giflib/pic/x-trans.gif", Reference::GiflibScreen},
        {"giflib/pic/solid2.gif", Reference::Qt},
        {"giflib/tests/wedge.gif", Reference::Qt},
        {"giflib/pic/fire.gif", Reference::Qt},
        {"giflib/pic/welcome2.gif", Reference::Qt},
    };
    for (const auto& [file, reference] : rows) {
        SCOPED_TRACE(file);
        EXPECT_EQ(differingPixels(file, reference), 0);
    }
}

// Runs the built tool.
struct ToolRun {
    int exitCode;
    std::string errors;  // the last line written to stderr (Qt may warn before it)
};

ToolRun picrenderTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(PICRENDER_PATH), arguments);
    process.waitForFinished(60000);
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return {process.exitCode(), lines.isEmpty() ? std::string() : lines.last().toStdString()};
}

TEST(GifSuite, ToolEndsBadFilesWithTheirMessage)
{
    QTemporaryDir dir;
    for (const auto& [name, outcome] : pygifOutcomes) {
        SCOPED_TRACE(name);
        const QString output = dir.filePath(QString::fromStdString(name) + ".png");
        const ToolRun run = picrenderTool({QString::fromStdString(suitePath("pygif-test-suite/" + name + ".gif")), output});
        if (outcome == "empty") {
            // No image: the tool draws the empty picture, one white pixel.
            EXPECT_EQ(run.exitCode, 0) << run.errors;
            EXPECT_EQ(QImage(output).size(), QSize(1, 1));
        } else {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.errors, outcome);
            EXPECT_FALSE(QFile::exists(output));
        }
    }
    const QString output = dir.filePath("porsche.png");
    const ToolRun run = picrenderTool({QString::fromStdString(suitePath("giflib/pic/porsche.gif")), output});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(QImage(output).convertToFormat(QImage::Format_RGB32),
              picrender::render(driveLetterPath("giflib/pic/porsche.gif")).convertToFormat(QImage::Format_RGB32));
}

} // namespace

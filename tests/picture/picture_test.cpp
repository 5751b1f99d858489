#include "fake_graphics.h"
#include "section_canvas.h"
#include "support/test_support.h"

#include "framework/streams.h"
#include "picture/ole_graphic.h"
#include "picture/picture.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

class PictureTest : public testing::Test {
protected:
    void SetUp() override
    {
        registerFakeFormats();
        TFakeGraphic::paintCount = 0;
        picture.OnChange = [this](TObject* sender) {
            ++changes;
            lastSender = sender;
        };
    }
    void TearDown() override { UnregisterGraphicClass(TGraphic::StaticClass()); }

    // Writes a file under the temporary folder; returns its drive-letter path.
    std::string file(const std::string& relative, const std::string& content)
    {
        const QString native = dir.filePath(QString::fromStdString(relative));
        QDir().mkpath(QFileInfo(native).path());
        QFile out(native);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content.data(), qint64(content.size()));
        return drivePath(relative);
    }
    std::string drivePath(const std::string& relative)
    {
        return platform::toDriveLetterPath(dir.filePath(QString::fromStdString(relative)).toStdString()).value();
    }
    const TFakeGraphic* fake() const { return dynamic_cast<const TFakeGraphic*>(picture.Graphic()); }

    QTemporaryDir dir;
    TPicture picture;
    int changes = 0;
    TObject* lastSender = nullptr;
};

TEST_F(PictureTest, NewPictureIsEmpty)
{
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
}

TEST_F(PictureTest, LoadFileChoosesClassByExtension)
{
    struct Row {
        const char* name;
        const TMetaClass* graphicClass;
    };
    const Row rows[] = {
        {"Photo.JPG", TFakeJPEG::StaticClass()},   {"photo.jpeg", TFakeJPEG::StaticClass()},
        {"a.tar.gif", TFakeGIF::StaticClass()},    {"Pic.Bmp", TFakeBitmap::StaticClass()},
        {"old.wmf", TFakeMetafile::StaticClass()}, {"new.EMF", TFakeMetafile::StaticClass()},
        {"app.ico", TFakeIcon::StaticClass()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        changes = 0;
        picture.LoadFile(file(row.name, row.name));
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_EQ(picture.Graphic()->ClassType(), row.graphicClass);
        EXPECT_EQ(fake()->Content(), row.name);
        EXPECT_EQ(picture.Width(), int(std::string(row.name).size()));
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(lastSender, &picture);
    }
}

TEST_F(PictureTest, NamesWithoutExtensionGiveAnEmptyPicture)
{
    // The last dot must not be followed by a directory separator or drive colon.
    file("dir.bmp/readme", "not a picture");
    const std::string names[] = {drivePath("dir.bmp/readme"), "readme", "ends.in.a.", "C:\\a.b:c"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        changes = 0;
        picture.LoadFile(name);
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_EQ(picture.Graphic()->ClassType(), TOleGraphic::StaticClass());
        EXPECT_TRUE(picture.Graphic()->IsEmpty());
        EXPECT_EQ(picture.Width(), 0);
        EXPECT_EQ(picture.Height(), 0);
        EXPECT_EQ(changes, 1);

        // Printing copies the picture it loaded, as it does every other kind.
        TPicture copy;
        copy.CopyFrom(&picture);
        ASSERT_NE(copy.Graphic(), nullptr);
        EXPECT_EQ(copy.Graphic()->ClassType(), TOleGraphic::StaticClass());
        EXPECT_TRUE(copy.Graphic()->IsEmpty());
    }
}

TEST_F(PictureTest, FailedLoadsKeepThePreviousImageWithoutNotifying)
{
    picture.LoadFile(file("before.gif", "kept"));
    const TGraphic* before = picture.Graphic();
    changes = 0;

    EXPECT_RAISES(picture.LoadFile(file("notes.txt", "text")), EInvalidGraphic,
                  "Unknown picture file extension (.txt)");
    // The message keeps the caller's case.
    EXPECT_RAISES(picture.LoadFile("C:\\NOTES.TXT"), EInvalidGraphic, "Unknown picture file extension (.TXT)");
    EXPECT_RAISES(picture.LoadFile(file("broken.bmp", "BAD data")), EInvalidGraphic, "Bad fake picture");
    const std::string missing = drivePath("missing.jpg");
    EXPECT_RAISES(picture.LoadFile(missing), EFOpenError, "Cannot open file " + missing);

    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(fake()->Content(), "kept");
    EXPECT_EQ(changes, 0);
}

TEST_F(PictureTest, ChangesAndProgressOfTheGraphicReachThePicture)
{
    picture.LoadFile(file("a.gif", "abc"));
    std::vector<std::string> progress;
    picture.OnProgress = [&](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                             const TRect& r, const std::string& msg) {
        EXPECT_EQ(sender, picture.Graphic());
        EXPECT_EQ(stage, psRunning);
        EXPECT_TRUE(redraw);
        EXPECT_EQ(r, (TRect{1, 2, 3, 4}));
        progress.push_back(std::to_string(percent) + " " + msg);
    };
    changes = 0;
    picture.Graphic()->NotifyChange(picture.Graphic());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(lastSender, &picture);
    EXPECT_TRUE(picture.Graphic()->ChangedFlag());

    picture.Graphic()->ReportProgress(picture.Graphic(), psRunning, 40, true, {1, 2, 3, 4}, "reading");
    EXPECT_EQ(progress, std::vector<std::string>{"40 reading"});
}

TEST_F(PictureTest, CopyFromMakesAnIndependentCopy)
{
    auto source = std::make_unique<TPicture>();
    source->LoadFile(file("a.gif", "abc"));
    picture.CopyFrom(source.get());
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), source->Graphic());
    EXPECT_EQ(changes, 1);
    source.reset();
    EXPECT_EQ(picture.Graphic()->ClassType(), TFakeGIF::StaticClass());
    EXPECT_EQ(fake()->Content(), "abc");

    // A graphic is copied too, never adopted; null empties the picture.
    TFakeJPEG jpeg;
    jpeg.SetContent("jpeg");
    picture.CopyFrom(&jpeg);
    EXPECT_NE(picture.Graphic(), &jpeg);
    EXPECT_EQ(fake()->Content(), "jpeg");
    picture.CopyFrom(nullptr);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 3);

    TFont font;
    EXPECT_RAISES(picture.CopyFrom(&font), EConvertError, "Cannot assign a TFont to a TPicture");
}

TEST_F(PictureTest, CopyToNeedsAGraphicOfTheDestinationsClass)
{
    TFakeGIF gif;
    EXPECT_RAISES(picture.CopyTo(&gif), EConvertError, "Cannot assign a TPicture to a TFakeGIF");
    picture.LoadFile(file("a.gif", "abc"));
    picture.CopyTo(&gif);
    EXPECT_EQ(gif.Content(), "abc");
    TFakeAnimatedGIF animated;
    EXPECT_RAISES(picture.CopyTo(&animated), EConvertError, "Cannot assign a TPicture to a TFakeAnimatedGIF");
}

TEST_F(PictureTest, GraphicAsKeepsAMatchingGraphicAndReplacesAnyOther)
{
    RegisterFileFormat("agif", "", TFakeAnimatedGIF::StaticClass());
    picture.LoadFile(file("a.agif", "frames"));
    TGraphic* held = picture.Graphic();
    changes = 0;
    EXPECT_EQ(picture.GraphicAs<TFakeGIF>(), held);  // derived classes count
    EXPECT_EQ(changes, 0);

    TFakeJPEG* jpeg = picture.GraphicAs<TFakeJPEG>();
    EXPECT_EQ(picture.Graphic(), jpeg);
    EXPECT_TRUE(jpeg->IsEmpty());
    EXPECT_EQ(changes, 1);
    jpeg->NotifyChange(jpeg);  // hooked to the picture
    EXPECT_EQ(changes, 2);
}

TEST_F(PictureTest, StoredFormNamesTheClassThenHoldsItsData)
{
    picture.LoadFile(file("a.gif", "xyz"));
    TMemoryStream stored;
    picture.WriteData(stored);
    const std::vector<std::uint8_t> expected = {
        8, 'T', 'F', 'a', 'k', 'e', 'G', 'I', 'F',  // class name with its length byte
        'x', 'y', 'z',                               // the graphic's own data
    };
    EXPECT_EQ(stored.Bytes(), expected);

    TPicture copy;
    int copyChanges = 0;
    copy.OnChange = [&](TObject*) { ++copyChanges; };
    stored.SetPosition(0);
    copy.ReadData(stored);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Graphic()->ClassType(), TFakeGIF::StaticClass());
    EXPECT_EQ(dynamic_cast<TFakeGraphic*>(copy.Graphic())->Content(), "xyz");
    EXPECT_EQ(copyChanges, 1);

    // A class nobody registered leaves the picture as it is.
    TMemoryStream unknown(std::vector<std::uint8_t>{5, 'T', 'N', 'o', 'n', 'e', 'x'});
    copy.ReadData(unknown);
    EXPECT_EQ(copy.Graphic()->ClassType(), TFakeGIF::StaticClass());
    EXPECT_EQ(copyChanges, 1);
}

class TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldInItsLengthByte
    : public TFakeGraphic {
    PICTAVO_CLASS(TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldInItsLengthByte)
};
PICTAVO_DEFINE_CLASS(TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldInItsLengthByte,
                     TFakeGraphic,
                     createObjectOf<TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldInItsLengthByte>,
                     nullptr)

TEST_F(PictureTest, StoredFormCutsLongClassNamesTo63Characters)
{
    TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldInItsLengthByte graphic;
    graphic.SetContent("!");
    picture.ReplaceGraphic(&graphic);
    TMemoryStream stored;
    picture.WriteData(stored);
    ASSERT_EQ(stored.Bytes().size(), 1u + 63u + 1u);
    EXPECT_EQ(stored.Bytes()[0], 63);
    EXPECT_EQ(std::string(stored.Bytes().begin() + 1, stored.Bytes().begin() + 64),
              "TFakeGraphicWhoseClassNameIsMuchLongerThanTheStoredFormCanHoldI");
    EXPECT_EQ(stored.Bytes()[64], '!');
}

// Records what a picture declares to a design writer.
class RecordingFiler : public TFiler {
public:
    void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                              std::function<void(TStream&)> write, bool data) override
    {
        names.push_back(name);
        reader = std::move(read);
        writer = std::move(write);
        hasData = data;
    }
    std::vector<std::string> names;
    std::function<void(TStream&)> reader;
    std::function<void(TStream&)> writer;
    bool hasData = false;
};

TEST_F(PictureTest, DeclaresDataOnlyWhenHoldingAGraphic)
{
    RecordingFiler empty;
    picture.DeclareStoredData(empty);
    EXPECT_EQ(empty.names, std::vector<std::string>{"Data"});
    EXPECT_FALSE(empty.hasData);

    picture.LoadFile(file("a.jpg", "j"));
    RecordingFiler held;
    picture.DeclareStoredData(held);
    EXPECT_TRUE(held.hasData);
    TMemoryStream bytes;
    held.writer(bytes);
    TPicture copy;
    RecordingFiler reading;
    copy.DeclareStoredData(reading);
    bytes.SetPosition(0);
    reading.reader(bytes);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_EQ(copy.Graphic()->ClassType(), TFakeJPEG::StaticClass());
}

TEST_F(PictureTest, StretchDrawingAnEmptyGraphicPaintsNothing)
{
    SectionCanvas canvas(4, 4);
    canvas.Brush().SetColor(clRed);
    TFakeGIF empty;
    canvas.StretchDraw({0, 0, 4, 4}, &empty);
    EXPECT_EQ(TFakeGraphic::paintCount, 1);  // reached, and drew nothing
    canvas.Draw(0, 0, &empty);
    EXPECT_EQ(TFakeGraphic::paintCount, 1);  // never reached
    TOleGraphic ole;
    canvas.StretchDraw({0, 0, 4, 4}, &ole);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.pixel(x, y), 0xFFFFFFu);

    TFakeGIF full;
    full.SetContent("x");
    canvas.StretchDraw({1, 1, 3, 3}, &full);
    EXPECT_EQ(canvas.pixel(1, 1), 0x0000FFu);
    EXPECT_EQ(canvas.pixel(3, 3), 0xFFFFFFu);
}

TEST(GraphicTest, SameImageComparesClassAndStoredBytes)
{
    TFakeGIF a, b, emptyGif;
    TFakeJPEG c, emptyJpeg;
    a.SetContent("same");
    b.SetContent("same");
    c.SetContent("same");
    EXPECT_TRUE(a.SameImage(b));
    EXPECT_FALSE(a.SameImage(c));  // other class, same bytes
    b.SetContent("other");
    EXPECT_FALSE(a.SameImage(b));
    EXPECT_TRUE(emptyGif.SameImage(emptyJpeg));
    EXPECT_FALSE(emptyGif.SameImage(a));
    EXPECT_FALSE(a.SameImage(emptyGif));
}

TEST(GraphicTest, WriteTransparentNotifiesOnlyOnChange)
{
    TFakeGIF gif;
    int changes = 0;
    gif.OnChange = [&](TObject*) { ++changes; };
    EXPECT_FALSE(gif.Transparent());
    gif.SetTransparent(false);
    EXPECT_EQ(changes, 0);
    gif.SetTransparent(true);
    EXPECT_TRUE(gif.Transparent());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(gif.ChangedFlag());
}

TEST(OleGraphicTest, StaysEmptyAndRefusesSizesAndClipboard)
{
    TOleGraphic ole;
    EXPECT_TRUE(ole.IsEmpty());
    ole.LoadFile("C:\\no\\such\\file");
    TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3});
    ole.LoadStream(stream);
    EXPECT_TRUE(ole.IsEmpty());
    EXPECT_RAISES(ole.SetWidth(10), EInvalidGraphicOperation, "Invalid operation on TOleGraphic");
    EXPECT_RAISES(ole.SetHeight(10), EInvalidGraphicOperation, "Invalid operation on TOleGraphic");
    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    EXPECT_RAISES(ole.SaveClipboardData(format, data, palette), EInvalidGraphicOperation,
                  "Invalid operation on TOleGraphic");
    EXPECT_RAISES(ole.LoadClipboardData(2, data, palette), EInvalidGraphicOperation,
                  "Invalid operation on TOleGraphic");
    TFakeGIF gif;
    EXPECT_RAISES(ole.CopyFrom(&gif), EConvertError, "Cannot assign a TFakeGIF to a TOleGraphic");
}

} // namespace

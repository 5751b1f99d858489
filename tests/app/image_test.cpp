#include "framework/application.h"
#include "framework/design_reader.h"
#include "framework/forms.h"
#include "framework/std_controls.h"
#include "picture/formats.h"
#include "picture/image.h"
#include "platform/paths.h"

#include "support/test_support.h"
#include "support/test_pictures.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QWidget>

using namespace testing_support;

namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterPictureFormats();
        ASSERT_TRUE(directory.isValid());
        quadrants4x2 = writeFile(directory.path().toStdString(), "q4x2.bmp", quadrantBitmap(4, 2));
        quadrants7x3 = writeFile(directory.path().toStdString(), "q7x3.bmp", quadrantBitmap(7, 3));
        quadrants2x2 = writeFile(directory.path().toStdString(), "q2x2.bmp", quadrantBitmap(2, 2));
    }

    QTemporaryDir directory;
    std::string quadrants4x2;
    std::string quadrants7x3;
    std::string quadrants2x2;
};

bool isOpaque(const TImage& image)
{
    return image.HasStyle(csOpaque);
}

} // namespace

TEST_F(ImageTest, DestinationFollowsStretchCentreAndTopLeft)
{
    struct Row {
        const char* name;
        int controlWidth, controlHeight;
        bool stretch, center;
        const std::string* file;
        TRect expected;
    };
    const Row rows[] = {
        {"stretched over the control", 10, 6, true, false, &quadrants4x2, {0, 0, 10, 6}},
        {"stretch wins over centre", 10, 6, true, true, &quadrants4x2, {0, 0, 10, 6}},
        {"centred: (10-4)/2, (6-2)/2", 10, 6, false, true, &quadrants4x2, {3, 2, 7, 4}},
        {"centred, odd room rounds down", 9, 5, false, true, &quadrants4x2, {2, 1, 6, 3}},
        {"centred, larger picture rounds towards zero", 4, 4, false, true, &quadrants7x3, {-1, 0, 6, 3}},
        {"own size at the top left", 10, 6, false, false, &quadrants4x2, {0, 0, 4, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TImage image(nullptr);
        image.SetBounds(0, 0, row.controlWidth, row.controlHeight);
        image.SetStretch(row.stretch);
        image.SetCenter(row.center);
        image.Picture()->LoadFile(*row.file);
        EXPECT_EQ(image.DestRect(), row.expected);
    }
    TImage empty(nullptr);
    empty.SetStretch(true);
    EXPECT_TRUE(empty.DestRect().isEmpty());
}

TEST_F(ImageTest, AutoSizeTakesThePictureSizeButClientAlignmentWins)
{
    TForm form(nullptr);
    form.SetClientSize(100, 80);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(5, 7, 50, 50);
    image->SetAutoSize(true);
    image->Picture()->LoadFile(quadrants4x2);
    EXPECT_EQ(image->BoundsRect(), (TRect{5, 7, 9, 9}));

    // An empty picture has no size to take.
    image->SetBounds(5, 7, 50, 50);
    image->Picture()->ReplaceGraphic(nullptr);
    EXPECT_EQ(image->BoundsRect(), (TRect{5, 7, 55, 57}));

    image->SetAlign(alClient);
    image->Picture()->LoadFile(quadrants7x3);
    EXPECT_EQ(image->BoundsRect(), (TRect{0, 0, 100, 80}));
}

TEST_F(ImageTest, LeavingTheClientAlignmentThenTheStretchFitsThePicture)
{
    // The main window's switch to its normal display mode.
    TForm form(nullptr);
    form.SetClientSize(100, 80);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetAlign(alClient);
    image->SetAutoSize(true);
    image->SetStretch(true);
    image->Picture()->LoadFile(quadrants7x3);
    ASSERT_EQ(image->BoundsRect(), (TRect{0, 0, 100, 80}));
    image->SetAlign(alNone);
    EXPECT_EQ(image->BoundsRect(), (TRect{0, 0, 100, 80}));
    image->SetStretch(false);
    EXPECT_EQ(image->BoundsRect(), (TRect{0, 0, 7, 3}));
    image->SetAlign(alClient);
    image->SetStretch(true);
    EXPECT_EQ(image->BoundsRect(), (TRect{0, 0, 100, 80}));
}

TEST_F(ImageTest, TransparentGoesToEveryNewImageAndDecidesOpacity)
{
    TImage image(nullptr);
    image.SetBounds(0, 0, 10, 6);
    image.SetStretch(true);
    image.Picture()->LoadFile(quadrants4x2);
    EXPECT_FALSE(image.Picture()->Graphic()->Transparent());
    EXPECT_TRUE(isOpaque(image));

    image.SetTransparent(true);
    EXPECT_TRUE(image.Picture()->Graphic()->Transparent());
    EXPECT_FALSE(isOpaque(image));
    image.Picture()->LoadFile(quadrants7x3);
    EXPECT_TRUE(image.Picture()->Graphic()->Transparent());

    image.SetTransparent(false);
    EXPECT_FALSE(image.Picture()->Graphic()->Transparent());
    // Unstretched, a picture smaller than the control leaves room around it.
    image.SetStretch(false);
    EXPECT_FALSE(isOpaque(image));
    image.SetBounds(0, 0, 7, 3);
    image.SetCenter(true);  // any change runs the rules again
    EXPECT_TRUE(isOpaque(image));
    image.Picture()->ReplaceGraphic(nullptr);
    EXPECT_FALSE(isOpaque(image));
}

TEST_F(ImageTest, AChangedPaletteIsTakenUp)
{
    // An 8-bit file brings a palette; a picture on its own keeps the flag for whoever realises it.
    const std::string file = testdataPath("bmpsuite/g/pal8.bmp");
    const auto path = platform::toDriveLetterPath(file);
    ASSERT_TRUE(path);
    TPicture alone;
    alone.LoadFile(*path);
    ASSERT_TRUE(alone.Graphic()->PaletteChangedFlag());
    TImage image(nullptr);
    image.Picture()->LoadFile(*path);
    EXPECT_FALSE(image.Picture()->Graphic()->PaletteChangedFlag());
}

TEST_F(ImageTest, PaintsStretchedOrAtItsOwnSizeOverTheParentsBackground)
{
    TForm form(nullptr);
    form.SetClientSize(60, 40);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 40, 20);
    image->SetStretch(true);
    image->Picture()->LoadFile(quadrants2x2);
    form.Show();

    QImage shown = grabControl(*image);
    EXPECT_EQ(pixelAt(shown, 10, 5), red);
    EXPECT_EQ(pixelAt(shown, 30, 5), green);
    EXPECT_EQ(pixelAt(shown, 10, 15), blue);
    EXPECT_EQ(pixelAt(shown, 30, 15), white);

    // At its own size the picture covers 2 × 2 pixels at the top left; the form shows around it.
    image->SetStretch(false);
    image->SetBounds(0, 0, 40, 20);
    shown = form.ClientWidget()->grab().toImage();
    EXPECT_EQ(pixelAt(shown, 0, 0), red);
    EXPECT_EQ(pixelAt(shown, 1, 0), green);
    EXPECT_EQ(pixelAt(shown, 0, 1), blue);
    EXPECT_EQ(pixelAt(shown, 1, 1), white);
    const Rgb buttonFace{192, 192, 192};
    EXPECT_EQ(pixelAt(shown, 2, 0), buttonFace);
    EXPECT_EQ(pixelAt(shown, 10, 10), buttonFace);

    // Centred in 40 × 20: offsets 19 and 9.
    image->SetCenter(true);
    shown = form.ClientWidget()->grab().toImage();
    EXPECT_EQ(pixelAt(shown, 19, 9), red);
    EXPECT_EQ(pixelAt(shown, 20, 10), white);
    EXPECT_EQ(pixelAt(shown, 0, 0), buttonFace);
}

TEST_F(ImageTest, PictureDataInADesignLoadsThePicture)
{
    // The stored form of a picture: a length byte and the class name, then the bitmap's own
    // stored form: a 32-bit length and the bitmap file.
    const std::string bitmap = quadrantBitmap(2, 2);
    std::string data;
    data += char(7);
    data += "TBitmap";
    const auto size = std::uint32_t(bitmap.size());
    for (int i = 0; i < 4; ++i)
        data += char((size >> (8 * i)) & 0xFF);
    data += bitmap;
    const QByteArray base64 = QByteArray(data.data(), qsizetype(data.size())).toBase64();
    const std::string json = R"({"class": "TForm", "name": "Janela", "components": [
        {"class": "TImage", "name": "Imagem", "properties": {"Stretch": true, "Picture.Data": {"base64": ")" +
                             base64.toStdString() + R"("}}}]})";
    RegisterClass(TImage::StaticClass());
    TForm form(nullptr);
    ReadDesignText(form, json, [](std::string_view) { return nullptr; }, "test");
    auto* image = dynamic_cast<TImage*>(form.FindComponent("Imagem"));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->Stretch());
    EXPECT_EQ(image->Picture()->Width(), 2);
    EXPECT_EQ(image->Picture()->Height(), 2);
}

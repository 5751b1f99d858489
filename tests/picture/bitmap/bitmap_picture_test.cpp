// Bitmaps in pictures: the registered formats, files loaded by extension, the stored form.

#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "picture/ole_graphic.h"
#include "platform/paths.h"
#include "platform/section.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class BitmapPictureTest : public testing::Test {
protected:
    void SetUp() override
    {
        UnregisterGraphicClass(TGraphic::StaticClass());
        RegisterPictureFormats();
    }
    void TearDown() override { UnregisterGraphicClass(TGraphic::StaticClass()); }

    std::string file(const char* name, const std::vector<std::uint8_t>& bytes)
    {
        QFile out(dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        return platform::toDriveLetterPath(out.fileName().toStdString()).value();
    }

    QTemporaryDir dir;
};

TEST_F(BitmapPictureTest, StartUpRegistersEachFormatOnceWithNamesWithoutExtensionLast)
{
    const std::vector<TFileFormat> rows = FileFormats().Entries();
    RegisterPictureFormats();  // again: nothing more
    ASSERT_EQ(FileFormats().Entries().size(), rows.size());
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.back().Extension, "");
    EXPECT_EQ(rows.back().GraphicClass, TOleGraphic::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("BMP"), TBitmap::StaticClass());
    EXPECT_EQ(ClipboardFormats().FindFormat(2), TBitmap::StaticClass());
    const std::string filter = PictureFilter(TBitmap::StaticClass());
    EXPECT_EQ(filter, "Bitmaps (*.bmp)|*.bmp");
}

TEST_F(BitmapPictureTest, LoadsBitmapFilesAndKeepsThemWhenTheNextIsCorrupt)
{
    Bytes big;
    big.fileHeader().infoHeader(640, 480, 24);
    big.raw({0, 0, 255});  // the bottom-left pixel: red; the rest of the data is missing
    TPicture picture;
    picture.LoadFile(file("Photo.BMP", big.data()));
    EXPECT_EQ(picture.Width(), 640);
    EXPECT_EQ(picture.Height(), 480);
    ASSERT_NE(picture.Bitmap(), nullptr);
    EXPECT_EQ(picture.Bitmap()->PlatformHandle()->pixel(0, 479), platform::rgb(255, 0, 0));

    const std::vector<std::uint8_t> corrupt = {'B', 'M', 0, 0};
    EXPECT_RAISES(picture.LoadFile(file("corrupt.bmp", corrupt)), EReadError, "Stream read error");
    EXPECT_RAISES(picture.LoadFile(file("planes.bmp", Bytes().fileHeader().infoHeader(1, 1, 24, 0, 0, 0, 3).data())),
                  EInvalidGraphic, "Bitmap image is not valid");
    EXPECT_EQ(picture.Width(), 640);
}

TEST_F(BitmapPictureTest, StoredFormOfABitmapPicture)
{
    TPicture picture;
    picture.LoadFile(file("dot.bmp", Bytes().fileHeader().infoHeader(1, 1, 24).raw({1, 2, 3, 0}).data()));
    TMemoryStream stored;
    picture.WriteData(stored);
    const std::vector<std::uint8_t>& bytes = stored.Bytes();
    // 7 "TBitmap", then the bitmap's own data: a 32-bit length and the file (14 + 40 + 4 bytes).
    ASSERT_EQ(bytes.size(), 1u + 7u + 4u + 58u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "\x07TBitmap");
    EXPECT_EQ(bytes[8], 58);
    EXPECT_EQ(bytes[12], 'B');

    TPicture copy;
    stored.SetPosition(0);
    copy.ReadData(stored);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_TRUE(copy.Graphic()->SameImage(*picture.Graphic()));
}

} // namespace

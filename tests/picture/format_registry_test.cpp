#include "fake_graphics.h"
#include "support/test_support.h"

#include "picture/ole_graphic.h"
#include "picture/picture.h"

namespace {

class FormatRegistryTest : public testing::Test {
protected:
    void SetUp() override { registerFakeFormats(); }
    void TearDown() override { UnregisterGraphicClass(TGraphic::StaticClass()); }
};

TEST_F(FormatRegistryTest, FilterListsEveryExtensionLastRegisteredFirst)
{
    EXPECT_EQ(PictureFilter(TGraphic::StaticClass()),
              "All (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"
              "|*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"
              "|CompuServe GIF Image (*.gif)|*.gif"
              "|JPEG Image File (*.jpg)|*.jpg"
              "|JPEG Image File (*.jpeg)|*.jpeg"
              "|Bitmaps (*.bmp)|*.bmp"
              "|Icons (*.ico)|*.ico"
              "|Enhanced Metafiles (*.emf)|*.emf"
              "|Metafiles (*.wmf)|*.wmf");
}

TEST_F(FormatRegistryTest, FilterOfOneClassHasAnAllEntryOnlyForSeveralExtensions)
{
    EXPECT_EQ(PictureFilter(TFakeJPEG::StaticClass()),
              "All (*.jpg;*.jpeg)|*.jpg;*.jpeg|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
    EXPECT_EQ(PictureFilter(TFakeBitmap::StaticClass()), "Bitmaps (*.bmp)|*.bmp");
    // The row without extension never shows.
    EXPECT_EQ(PictureFilter(TOleGraphic::StaticClass()), "");
}

TEST_F(FormatRegistryTest, LaterRegistrationOfAnExtensionWins)
{
    EXPECT_EQ(FileFormats().FindExt("gif"), TFakeGIF::StaticClass());
    RegisterFileFormat("GIF", "Animated GIF", TFakeAnimatedGIF::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("gif"), TFakeAnimatedGIF::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("Gif"), TFakeAnimatedGIF::StaticClass());
    EXPECT_EQ(FileFormats().Entries().back().Extension, "gif");  // stored lower-cased
    EXPECT_EQ(FileFormats().FindExt(""), TOleGraphic::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("txt"), nullptr);
}

TEST_F(FormatRegistryTest, OnlyAsciiLettersChangeCase)
{
    RegisterFileFormat("\xC3\x89PS", "", TFakeIcon::StaticClass());  // "ÉPS"
    EXPECT_EQ(FileFormats().FindExt("\xC3\x89ps"), TFakeIcon::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("\xC3\xA9ps"), nullptr);  // "éps": not the same letter here
}

TEST_F(FormatRegistryTest, ClassNamesMatchExactlyFromTheLastEntry)
{
    EXPECT_EQ(FileFormats().FindClassName("TFakeGIF"), TFakeGIF::StaticClass());
    EXPECT_EQ(FileFormats().FindClassName("tfakegif"), nullptr);
    EXPECT_EQ(FileFormats().FindClassName("TOleGraphic"), TOleGraphic::StaticClass());
    EXPECT_EQ(FileFormats().FindClassName("TGraphic"), nullptr);
}

TEST_F(FormatRegistryTest, UnregisteringAClassRemovesItsDerivedClassesFromBothRegistries)
{
    RegisterFileFormat("agif", "Animated GIF", TFakeAnimatedGIF::StaticClass());
    RegisterClipboardFormat(49300, TFakeGIF::StaticClass());
    RegisterClipboardFormat(49301, TFakeAnimatedGIF::StaticClass());
    RegisterClipboardFormat(3, TFakeMetafile::StaticClass());

    UnregisterGraphicClass(TFakeGIF::StaticClass());

    EXPECT_EQ(FileFormats().FindExt("gif"), nullptr);
    EXPECT_EQ(FileFormats().FindExt("agif"), nullptr);
    EXPECT_EQ(ClipboardFormats().FindFormat(49300), nullptr);
    EXPECT_EQ(ClipboardFormats().FindFormat(49301), nullptr);
    EXPECT_EQ(ClipboardFormats().FindFormat(3), TFakeMetafile::StaticClass());
    EXPECT_EQ(FileFormats().FindExt("jpg"), TFakeJPEG::StaticClass());
    EXPECT_EQ(FileFormats().Entries().size(), 7u);

    TPicture picture;
    EXPECT_RAISES(picture.LoadFile("C:\\x.gif"), EInvalidGraphic, "Unknown picture file extension (.gif)");
}

} // namespace

// The GIF image and its frames as pictures: size, drawing with and without transparency,
// assignment to and from other graphics, frames added, the clipboard and the registration.

#include "support/test_support.h"

#include "fake_graphics.h"
#include "gif_test_support.h"
#include "picture/bitmap/bitmap.h"
#include "picture/formats.h"
#include "platform/clipboard_formats.h"
#include "platform/palette.h"
#include "section_canvas.h"

namespace {

using namespace gif_test;

constexpr platform::Colour red = 0x0000FF;
constexpr platform::Colour green = 0x00FF00;
constexpr platform::Colour blue = 0xFF0000;
constexpr platform::Colour white = 0xFFFFFF;

// A 2 × 1 frame of colours 1 (red) and 2 (green) whose transparent index is 1, at `left`, `top`
// on a larger screen; a second frame of colour 3 (blue) when asked.
Bytes twoColourFile(int left = 0, int top = 0, bool secondFrame = false)
{
    Bytes file = gifStart("GIF89a", 100, 100, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    graphicControl(file, 1, 0, 1);
    imageBlock(file, left, top, 2, 1, 0, rootsOnly({1, 2}));
    if (secondFrame)
        imageBlock(file, 0, 0, 3, 3, 0, rootsOnly({3, 3, 3, 3, 3, 3, 3, 3, 3}));
    file.u8(0x3B);
    return file;
}

std::vector<platform::Colour> rowPixels(SectionCanvas& canvas, int y, int count)
{
    std::vector<platform::Colour> pixels;
    for (int x = 0; x < count; ++x)
        pixels.push_back(canvas.pixel(x, y));
    return pixels;
}

TEST(GifImage, StartsEmptyAndDrawsTransparentlyByDefault)
{
    TGIFImage image;
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Count(), 0);
    EXPECT_EQ(image.FrameIndex(), -1);
    EXPECT_EQ(image.Version(), gvNone);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.BackgroundColor(), clNone);
    EXPECT_EQ(image.ReadPalette(), nullptr);
    // The flag is set, but no frame is transparent.
    EXPECT_FALSE(image.ReadTransparent());
    SectionCanvas canvas(2, 2, blue);
    canvas.StretchDraw({0, 0, 2, 2}, &image);
    EXPECT_EQ(canvas.pixel(0, 0), blue);

    load(image, twoColourFile());
    EXPECT_TRUE(image.ReadTransparent());
    image.SetTransparent(false);
    EXPECT_FALSE(image.ReadTransparent());
}

TEST(GifImage, ShowsTheFirstFrameAtItsOwnSize)
{
    TGIFImage image;
    load(image, twoColourFile(5, 5, true));
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 1);
    image.SetTransparent(false);
    SectionCanvas canvas(3, 1, white);
    canvas.Draw(0, 0, &image);
    EXPECT_EQ(rowPixels(canvas, 0, 3), (std::vector<platform::Colour>{red, green, white}));
    // Another current frame is measured and drawn instead.
    image.SetFrameIndex(1);
    EXPECT_EQ(image.Width(), 3);
    canvas.Draw(0, 0, &image);
    EXPECT_EQ(rowPixels(canvas, 0, 3), (std::vector<platform::Colour>{blue, blue, blue}));
    // The palette is the current frame's colours.
    image.SetFrameIndex(0);
    const TPaletteHandle palette = image.ReadPalette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->colour(1), red);
}

TEST(GifImage, TransparentPixelsShowWhatIsBehind)
{
    struct Row {
        const char* name;
        bool transparent;
        TRect rect;
        std::vector<platform::Colour> top;
    };
    const Row rows[] = {
        {"opaque", false, {0, 0, 2, 1}, {red, green, white, white}},
        {"transparent", true, {0, 0, 2, 1}, {blue, green, white, white}},
        {"transparent, stretched", true, {0, 0, 4, 2}, {blue, blue, green, green}},
        {"empty rectangle: the picture's size", true, {0, 0, 0, 0}, {blue, green, white, white}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGIFImage image;
        load(image, twoColourFile());
        image.SetTransparent(row.transparent);
        SectionCanvas canvas(4, 2, white);
        canvas.Brush().SetColor(TColor(blue));
        canvas.FillRect({0, 0, 1, 1});
        canvas.FillRect({0, 0, 2, 2});
        canvas.StretchDraw(row.rect, &image);
        EXPECT_EQ(rowPixels(canvas, 0, 4), row.top);
    }
}

TEST(GifImage, AMonochromeFrameHasWhiteSeeThrough)
{
    // A monochrome bitmap draws its 1 bits (white) see-through, whatever colour the frame names.
    TBitmap bitmap;
    bitmap.SetIsMonochrome(true);
    bitmap.SetWidth(2);
    bitmap.SetHeight(1);
    bitmap.PlatformHandle()->setPixel(0, 0, 0x000000);
    bitmap.PlatformHandle()->setPixel(1, 0, white);
    TGIFImage image;
    image.AddFrame(&bitmap);
    ASSERT_TRUE(image.Bitmap().IsMonochrome());
    image.Frames(0).SetTransparentColor(0x000000);
    SectionCanvas canvas(2, 1, blue);
    canvas.StretchDraw({0, 0, 2, 1}, &image);
    EXPECT_EQ(rowPixels(canvas, 0, 2), (std::vector<platform::Colour>{0x000000, blue}));
}

TEST(GifImage, SizeCannotChange)
{
    TGIFImage image;
    load(image, twoColourFile());
    EXPECT_RAISES(image.SetWidth(5), EInvalidGraphicOperation, "Cannot change the Size of a GIF image");
    EXPECT_RAISES(image.SetHeight(5), EInvalidGraphicOperation, "Cannot change the Size of a GIF image");
}

TEST(GifImage, CopiesShareTheScreenData)
{
    TGIFImage first;
    load(first, twoColourFile(0, 0, true));
    first.SetFrameIndex(1);
    TGIFImage copy;
    copy.CopyFrom(&first);
    EXPECT_TRUE(copy.SameImage(first));
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.FrameIndex(), 1);
    EXPECT_EQ(&copy.Frames(0).Data(), &first.Frames(0).Data());
    EXPECT_EQ(copy.Frames(0).TransparentColor(), TColor(red));
    EXPECT_EQ(copy.Frames(0).Owner(), &copy);
    EXPECT_EQ(copy.Version(), gv89a);
    // The same file loaded again is another image.
    TGIFImage other;
    load(other, twoColourFile(0, 0, true));
    EXPECT_FALSE(other.SameImage(first));
    TBitmap bitmap;
    EXPECT_FALSE(first.SameImage(bitmap));
    // Changing a copy's comment leaves the original alone.
    copy.SetComment({"mine"});
    EXPECT_TRUE(first.Comment().empty());
    EXPECT_FALSE(copy.SameImage(first));
    // Assigning itself changes nothing.
    first.CopyFrom(&first);
    EXPECT_EQ(first.Count(), 2);
}

TEST(GifImage, AssigningNullEmptiesButKeepsTransparent)
{
    TGIFImage image;
    load(image, twoColourFile());
    image.SetTransparent(false);
    int changes = 0;
    image.OnChange = [&](TObject*) { ++changes; };
    image.CopyFrom(nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(image.Count(), 0);
    EXPECT_EQ(image.FrameIndex(), -1);
    EXPECT_EQ(image.BackgroundColor(), clNone);
    image.SetTransparent(true);
    EXPECT_FALSE(image.ReadTransparent());
}

TEST(GifImage, AssigningAFrameMakesAnImageOfIt)
{
    TGIFImage source;
    load(source, twoColourFile(0, 0, true));
    source.Frames(1).Comment() = {"second frame"};
    TGIFImage image;
    image.CopyFrom(&source.Frames(1));
    EXPECT_EQ(image.Frames(0).Comment(), std::vector<std::string>{"second frame"});
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.FrameIndex(), 0);
    EXPECT_EQ(image.Version(), gv87a);
    EXPECT_EQ(image.ScreenData().GlobalTable, source.ScreenData().GlobalTable);
    EXPECT_EQ(&image.Frames(0).Data(), &source.Frames(1).Data());
    // From another image, the frame writes its own table.
    EXPECT_TRUE(image.Frames(0).LocalTable());
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.ScreenWidth(), 3);

    // A frame of the image itself survives the image being emptied first.
    source.CopyFrom(&source.Frames(1));
    ASSERT_EQ(source.Count(), 1);
    EXPECT_EQ(source.Width(), 3);
    EXPECT_EQ(source.Frames(0).Owner(), &source);
}

TEST(GifImage, AssigningABitmapAddsOneFrame)
{
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(3);
    bitmap.PlatformHandle()->fill(green);
    TGIFImage image;
    image.CopyFrom(&bitmap);
    ASSERT_EQ(image.Count(), 1);
    EXPECT_EQ(image.Version(), gv87a);
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.ScreenWidth(), 4);
    EXPECT_EQ(image.ScreenHeight(), 3);
    EXPECT_EQ(image.Frames(0).TransparentColor(), clNone);
    EXPECT_TRUE(image.Frames(0).Data().CompressedData.empty());  // encoded when saved
    image.AddFrame(&bitmap);
    EXPECT_EQ(image.Version(), gv89a);
    EXPECT_EQ(image.FrameIndex(), 1);
}

TEST(GifImage, AssigningOtherGraphics)
{
    // A graphic a GIF cannot take: the assignment error.
    TFakeGraphic fake;
    fake.SetContent("abc");
    TGIFImage image;
    EXPECT_RAISES(image.CopyFrom(&fake), EConvertError, "Cannot assign a TFakeGraphic to a TGIFImage");
    // A frame takes any graphic: one a bitmap cannot take is drawn on fuchsia.
    image.AddFrame(&fake);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Bitmap().PlatformHandle()->pixel(2, 0), platform::Colour(clFuchsia));
    EXPECT_EQ(image.Frames(0).TransparentColor(), clNone);
    // A transparent one gives the colour the bitmap shows for fuchsia.
    fake.SetTransparent(true);
    image.AddFrame(&fake);
    EXPECT_EQ(image.Frames(1).TransparentColor(), clFuchsia);
    // An empty graphic leaves a fresh, empty frame.
    TFakeGraphic empty;
    image.Frames(0).CopyFrom(&empty);
    EXPECT_EQ(image.Frames(0).Width(), 0);
}

TEST(GifImage, AssigningToABitmapGivesTheFrameWithItsTransparentColour)
{
    TGIFImage image;
    load(image, twoColourFile());
    TBitmap bitmap;
    bitmap.CopyFrom(&image);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(bitmap.TransparentKey(), TColor(red | platform::paletteRelativeFlag));
    // Drawn, the red pixel is see-through.
    SectionCanvas canvas(2, 1, blue);
    canvas.StretchDraw({0, 0, 2, 1}, &bitmap);
    EXPECT_EQ(rowPixels(canvas, 0, 2), (std::vector<platform::Colour>{blue, green}));

    // An empty image empties the bitmap; a picture container is not a graphic.
    TGIFImage empty;
    bitmap.CopyFrom(&empty);
    EXPECT_TRUE(bitmap.IsEmpty());
    TPicture picture;
    EXPECT_RAISES(image.CopyTo(&picture), EConvertError, "Cannot assign a TGIFImage to a TPicture");
    // A frame assigned to another image's frame shares its data.
    TGIFImage other;
    other.AddFrame(&bitmap);
    other.Frames(0).CopyFrom(&image);
    EXPECT_EQ(&other.Frames(0).Data(), &image.Frames(0).Data());
    EXPECT_EQ(other.Frames(0).TransparentColor(), TColor(red));
}

TEST(GifImage, BitmapOfAnImageWithoutFramesMakesAnEmptyFrame)
{
    TGIFImage image;
    EXPECT_TRUE(image.Bitmap().IsEmpty());
    EXPECT_EQ(image.Count(), 1);
    EXPECT_EQ(image.FrameIndex(), 0);
}

TEST(GifImage, ClipboardCarriesTheFileUnderItsNamedFormat)
{
    TGIFImage image;
    load(image, twoColourFile(0, 0, true));
    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    image.SaveClipboardData(format, data, palette);
    EXPECT_EQ(format, GIFClipboardFormat());
    EXPECT_EQ(platform::clipboardFormatName(format), "GIF Image");
    const auto* contents = std::any_cast<TGIFClipboardData>(&data);
    ASSERT_NE(contents, nullptr);
    ASSERT_NE(contents->Bitmap, nullptr);
    EXPECT_EQ(contents->Bitmap->width(), 2);
    EXPECT_EQ(*contents->Bytes, saved(image));

    TGIFImage pasted;
    pasted.LoadClipboardData(format, data, palette);
    EXPECT_EQ(pasted.Count(), 2);
    EXPECT_EQ(pasted.Width(), 2);
    EXPECT_RAISES(pasted.LoadClipboardData(2, data, palette), EInvalidGraphic, "Unsupported clipboard format");
    EXPECT_RAISES(pasted.LoadClipboardData(format, TClipboardHandle(), palette), EInvalidGraphic,
                  "Unsupported clipboard format");
}

TEST(GifImage, RegistersTheExtensionAndTheClipboardFormat)
{
    RegisterPictureFormats();
    EXPECT_EQ(FileFormats().FindExt("GIF"), TGIFImage::StaticClass());
    const auto gif = std::find_if(FileFormats().Entries().begin(), FileFormats().Entries().end(),
                                  [](const TFileFormat& f) { return f.Extension == "gif"; });
    ASSERT_NE(gif, FileFormats().Entries().end());
    EXPECT_EQ(gif->Description, "CompuServe GIF Image");
    // After the JPEG rows, before the PNG row.
    EXPECT_EQ((gif - 1)->Extension, "jpg");
    EXPECT_EQ((gif + 1)->Extension, "png");
    EXPECT_EQ(ClipboardFormats().FindFormat(GIFClipboardFormat()), TGIFImage::StaticClass());
    EXPECT_GE(GIFClipboardFormat(), platform::firstNamedClipboardFormat);
    // Registering again adds nothing.
    const std::size_t rows = FileFormats().Entries().size();
    RegisterGIFFormat();
    EXPECT_EQ(FileFormats().Entries().size(), rows);
}

} // namespace

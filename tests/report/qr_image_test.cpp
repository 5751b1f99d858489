// The printable picture on a page canvas (stretched, clipped, centred) and frames around device
// rectangles.

#include "report_fixture.h"

#include "picture/bitmap/bitmap.h"
#include "picture/section_canvas.h"
#include "platform/device_context.h"

namespace {

// The colour of picture pixel (x, y): distinct for every pixel of a small picture.
TColor pictureColour(int x, int y)
{
    return TColor(platform::rgb(std::uint8_t(10 * x + 5), std::uint8_t(20 * y + 5), 100));
}

class QRImageTest : public ReportTest {
protected:
    // Ten native units to a device pixel; the image sits 50 across and 30 down in a band whose
    // corner is at (100, 200), 60 x 40 native: the device rectangle (15, 23)-(21, 27).
    void SetUp() override { image.Size()->SetValues("(40 50 30 60)"); }

    void givePicture(int width, int height)
    {
        TBitmap bitmap;
        bitmap.SetPixelLayout(pl24Bit);
        bitmap.SetWidth(width);
        bitmap.SetHeight(height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.Surface().SetPixels(x, y, pictureColour(x, y));
        TPicture picture;
        picture.ReplaceGraphic(&bitmap);
        image.SetPicture(&picture);
    }
    void print()
    {
        image.PrintOnto(canvas, QRDeviceMapping{0.1, 0.1, 0, 0}, 100, 200);
        canvas.Handle()->flush();
    }
    TColor at(int x, int y) { return TColor(canvas.pixel(x, y)); }

    TQRImage image{nullptr};
    SectionCanvas canvas{40, 40};
};

TEST_F(QRImageTest, AStretchedPictureFillsItsRectangle)
{
    givePicture(4, 3);
    image.SetStretch(true);
    print();
    EXPECT_EQ(at(15, 23), pictureColour(0, 0));
    EXPECT_EQ(at(20, 26), pictureColour(3, 2));
    EXPECT_EQ(at(14, 23), clWhite);
    EXPECT_EQ(at(21, 23), clWhite);
    EXPECT_EQ(at(15, 27), clWhite);
}

TEST_F(QRImageTest, AnUnstretchedPictureKeepsItsPixelsAndIsClippedToItsRectangle)
{
    struct Row {
        const char* name;
        bool center;
        int width, height;
        TPoint firstPixel;  // the picture pixel at the rectangle's top-left
    };
    const Row rows[] = {
        {"at the top-left, clipped right and below", false, 8, 6, {0, 0}},
        {"centred, clipped on every side", true, 8, 6, {1, 1}},
        // (6 - 9) / 2 truncates to -1, not -2.
        {"centred with odd overhangs", true, 9, 7, {1, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        canvas.section().fill(0xFFFFFF);
        givePicture(row.width, row.height);
        image.SetCenter(row.center);
        print();
        for (int y = 23; y < 27; ++y)
            for (int x = 15; x < 21; ++x)
                ASSERT_EQ(at(x, y), pictureColour(x - 15 + row.firstPixel.x, y - 23 + row.firstPixel.y)) << x << "," << y;
        for (TPoint outside : {TPoint{14, 23}, TPoint{21, 23}, TPoint{15, 22}, TPoint{15, 27}, TPoint{22, 28}})
            EXPECT_EQ(at(outside.x, outside.y), clWhite) << outside.x << "," << outside.y;
        // The clip goes with the picture.
        EXPECT_FALSE(canvas.Handle()->clipRect().has_value());
    }
}

TEST_F(QRImageTest, ASmallerCentredPictureSitsInTheMiddle)
{
    givePicture(4, 3);
    image.SetCenter(true);
    print();
    // One pixel in from the left ((6 - 4) / 2), none from the top ((4 - 3) / 2 truncated).
    EXPECT_EQ(at(15, 23), clWhite);
    EXPECT_EQ(at(16, 23), pictureColour(0, 0));
    EXPECT_EQ(at(19, 25), pictureColour(3, 2));
    EXPECT_EQ(at(20, 23), clWhite);
    EXPECT_EQ(at(16, 26), clWhite);
}

TEST_F(QRImageTest, AnEmptyPictureDrawsNothing)
{
    givePicture(4, 3);
    image.SetPicture(nullptr);
    EXPECT_EQ(image.Picture()->Graphic(), nullptr);
    image.SetStretch(true);
    print();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(at(x, y), clWhite);
}

TEST_F(QRImageTest, AutoSizeTakesThePicturesSize)
{
    givePicture(7, 9);
    EXPECT_EQ(image.Width(), 23);  // 60 native units at 96 per inch: 22.7
    image.SetAutoSize(true);
    EXPECT_EQ(image.Width(), 7);
    EXPECT_EQ(image.Height(), 9);
    EXPECT_NEAR(image.Size()->NativeWidth(), 7 * 254.0 / 96, 1e-9);
    // A bitmap covering the control makes it opaque; a smaller one does not.
    EXPECT_TRUE(image.HasStyle(csOpaque));
    image.SetAutoSize(false);
    image.SetWidth(20);
    image.SetStretch(true);
    EXPECT_FALSE(image.HasStyle(csOpaque));
}

TEST(QRFrame, SidesAreFilledStripsAsThickAsTheWidthInPoints)
{
    SectionCanvas canvas(40, 40);
    TQRFrame frame(nullptr);
    frame.SetColor(clRed);
    // No side: nothing.
    frame.PaintIt(canvas, TRect{5, 5, 35, 35}, 300 / 254.0, 300 / 254.0);
    canvas.Handle()->flush();
    EXPECT_EQ(canvas.pixel(5, 5), platform::Colour(clWhite));

    frame.SetDrawTop(true);
    frame.SetDrawBottom(true);
    frame.SetDrawLeft(true);
    frame.SetDrawRight(true);
    // One point at 300 pixels per inch is 4.17 pixels: 4.
    frame.PaintIt(canvas, TRect{5, 5, 35, 35}, 300 / 254.0, 300 / 254.0);
    canvas.Handle()->flush();
    const auto red = platform::Colour(clRed);
    const auto white = platform::Colour(clWhite);
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(canvas.pixel(20, 5 + d), red) << d;
        EXPECT_EQ(canvas.pixel(20, 34 - d), red) << d;
        EXPECT_EQ(canvas.pixel(5 + d, 20), red) << d;
        EXPECT_EQ(canvas.pixel(34 - d, 20), red) << d;
    }
    EXPECT_EQ(canvas.pixel(20, 9), white);
    EXPECT_EQ(canvas.pixel(20, 30), white);
    EXPECT_EQ(canvas.pixel(9, 20), white);
    EXPECT_EQ(canvas.pixel(30, 20), white);
    EXPECT_EQ(canvas.pixel(4, 4), white);
    EXPECT_EQ(canvas.pixel(35, 35), white);
    EXPECT_EQ(canvas.Brush().Style(), bsClear);
}

} // namespace

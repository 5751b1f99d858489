#include "../section_canvas.h"
#include "bitmap_rows.h"
#include "support/bytes.h"
#include "support/test_support.h"

#include "picture/bitmap/bitmap.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <atomic>
#include <memory>
#include <thread>

namespace {

using platform::rgb;

constexpr platform::Colour black = rgb(0, 0, 0);
constexpr platform::Colour white = rgb(255, 255, 255);
constexpr platform::Colour red = rgb(255, 0, 0);
constexpr platform::Colour green = rgb(0, 255, 0);
constexpr platform::Colour blue = rgb(0, 0, 255);
constexpr platform::Colour yellow = rgb(255, 255, 0);

// A 24-bit bitmap file of the given rows (top row first), read into a bitmap.
std::unique_ptr<TBitmap> bitmapOf(const Rows& rows)
{
    const int height = int(rows.size());
    const int width = int(rows[0].size());
    Bytes file;
    file.fileHeader().infoHeader(width, height, 24);
    for (int y = height - 1; y >= 0; --y) {  // bottom row first
        for (platform::Colour c : rows[std::size_t(y)])
            file.raw({platform::blueOf(c), platform::greenOf(c), platform::redOf(c)});
        for (int pad = width * 3; pad % 4 != 0; ++pad)
            file.u8(0);
    }
    auto bitmap = std::make_unique<TBitmap>();
    TMemoryStream stream = file.stream();
    bitmap->LoadStream(stream);
    return bitmap;
}

Rows pixels(SectionCanvas& canvas)
{
    Rows rows(std::size_t(canvas.section().height()));
    for (int y = 0; y < canvas.section().height(); ++y)
        for (int x = 0; x < canvas.section().width(); ++x)
            rows[std::size_t(y)].push_back(canvas.pixel(x, y));
    return rows;
}

TEST(BitmapRows, RowAddressOutsideThePictureFails)
{
    auto bitmap = bitmapOf({{red, green}, {blue, white}});
    EXPECT_RAISES(bitmap->RowAddress(-1), EInvalidGraphicOperation, "Scan line index out of range");
    EXPECT_RAISES(bitmap->RowAddress(2), EInvalidGraphicOperation, "Scan line index out of range");
    // Bottom-up rows: the top row is the last in memory.
    std::uint8_t* top = bitmap->RowAddress(0);
    EXPECT_EQ(bitmap->RowAddress(1) - top, -8);
    EXPECT_EQ(top[2], 255);  // red of the top-left pixel (blue, green, red)
    TBitmap empty;
    EXPECT_RAISES(empty.RowAddress(0), EInvalidGraphicOperation, "Scan line index out of range");
}

TEST(BitmapRows, RowsOfADeviceBitmapBecomeASection)
{
    auto bitmap = bitmapOf({{red, green}});
    bitmap->SetStorage(bsDevice);
    std::uint8_t* row = bitmap->RowAddress(0);
    EXPECT_EQ(bitmap->Storage(), bsSection);
    EXPECT_EQ(bitmap->PixelLayout(), pl32Bit);
    row[4] = 0xFF;  // second pixel: blue byte
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, rgb(0, 255, 255)}}));
}

TEST(BitmapSize, NewSizeKeepsThePictureAtTheTopLeftOnWhite)
{
    auto bitmap = bitmapOf({{red, green}, {blue, red}});
    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    bitmap->SetWidth(3);
    bitmap->SetHeight(3);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, green, white}, {blue, red, white}, {white, white, white}}));
    bitmap->SetWidth(3);
    EXPECT_EQ(changes, 2);  // same width: nothing happens
    bitmap->SetWidth(1);
    EXPECT_EQ(pixels(*bitmap), (Rows{{red}, {blue}, {white}}));
    EXPECT_EQ(bitmap->PixelLayout(), pl24Bit);

    // With a surface, new pixels take its brush colour.
    bitmap->Surface().Brush().SetColor(clLime);
    bitmap->SetWidth(2);
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, green}, {blue, green}, {white, green}}));

    bitmap->SetHeight(0);
    EXPECT_TRUE(bitmap->IsEmpty());
    EXPECT_EQ(bitmap->Width(), 2);
}

TEST(BitmapSize, ANewBitmapIsADeviceBitmapUntilToldOtherwise)
{
    TBitmap device;
    EXPECT_EQ(device.Storage(), bsDevice);
    device.SetWidth(2);
    device.SetHeight(1);
    EXPECT_EQ(device.PixelLayout(), plDevice);
    EXPECT_EQ(pixels(device), (Rows{{white, white}}));

    TBitmap section;
    section.SetStorage(bsSection);
    section.SetWidth(2);
    section.SetHeight(1);
    EXPECT_EQ(section.Storage(), bsSection);
    EXPECT_EQ(section.PixelLayout(), pl32Bit);

    TBitmap monochrome;
    monochrome.SetIsMonochrome(true);
    monochrome.SetWidth(3);
    monochrome.SetHeight(1);
    EXPECT_TRUE(monochrome.IsMonochrome());
    EXPECT_EQ(pixels(monochrome), (Rows{{white, white, white}}));
}

TEST(BitmapCopyOnWrite, DrawingOnOneCopyLeavesTheOtherAlone)
{
    auto a = bitmapOf({{red, green}});
    TBitmap b;
    b.CopyFrom(a.get());
    b.Surface().Brush().SetColor(clBlue);
    b.Surface().FillRect({0, 0, 1, 1});
    EXPECT_EQ(pixels(b), (Rows{{blue, green}}));
    EXPECT_EQ(pixels(*a), (Rows{{red, green}}));

    // Rows written by address belong to one copy too.
    TBitmap c;
    c.CopyFrom(a.get());
    c.RowAddress(0)[4] = 0;  // second pixel's green byte
    EXPECT_EQ(pixels(c), (Rows{{red, black}}));
    EXPECT_EQ(pixels(*a), (Rows{{red, green}}));

    // A surface made before the store was shared still draws into its own bitmap only.
    auto d = bitmapOf({{red, red}});
    d->Surface().Pixels(0, 0);
    TBitmap e;
    e.CopyFrom(d.get());
    d->Surface().SetPixels(1, 0, clBlue);
    EXPECT_EQ(pixels(*d), (Rows{{red, blue}}));
    EXPECT_EQ(pixels(e), (Rows{{red, red}}));
}

TEST(BitmapCopyOnWrite, AssignmentSharesAndCopiesTheTransparentColour)
{
    auto a = bitmapOf({{red, green}});
    a->SetTransparentKey(clGreen);
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.CopyFrom(a.get());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.TransparentKeyMode(), tkFixed);
    EXPECT_EQ(b.TransparentKey(), 0x02008000);
    EXPECT_EQ(pixels(b), (Rows{{red, green}}));
    a.reset();  // the store lives on in b
    EXPECT_EQ(pixels(b), (Rows{{red, green}}));

    b.CopyFrom(nullptr);
    EXPECT_TRUE(b.IsEmpty());
    TFont font;
    EXPECT_RAISES(b.CopyFrom(&font), EConvertError, "Cannot assign a TFont to a TBitmap");
}

TEST(BitmapCopyOnWrite, StoresSurviveCopiesOnManyThreads)
{
    auto source = bitmapOf({{red, green}, {blue, white}});
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                TBitmap copy;
                copy.CopyFrom(source.get());
                if (copy.Width() != 2)
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(pixels(*source), (Rows{{red, green}, {blue, white}}));
}

TEST(BitmapLayout, SettingALayoutConvertsThePixels)
{
    const platform::Colour steel = rgb(0x33, 0x66, 0x99);
    auto bitmap = bitmapOf({{red, steel}});

    bitmap->SetPixelLayout(pl8Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl8Bit);
    ASSERT_NE(bitmap->Palette(), nullptr);
    EXPECT_EQ(bitmap->Palette()->size(), 256);
    EXPECT_TRUE(bitmap->PaletteChangedFlag());
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, steel}}));  // both are halftone colours

    // The standard 16 colours: steel's nearest is teal (distance 51² + 26² + 25²).
    bitmap->SetPixelLayout(pl4Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl4Bit);
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, rgb(0, 0x80, 0x80)}}));

    bitmap->SetPixelLayout(pl16Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl16Bit);
    bitmap->SetPixelLayout(pl15Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl15Bit);
    bitmap->SetPixelLayout(pl32Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl32Bit);
    EXPECT_EQ(pixels(*bitmap), (Rows{{red, rgb(0, 0x84, 0x84)}}));  // 0x80 kept 5 bits: 10000 → 0x84

    bitmap->SetPixelLayout(pl1Bit);
    EXPECT_EQ(bitmap->PixelLayout(), pl1Bit);

    EXPECT_RAISES(bitmap->SetPixelLayout(plCustom), EInvalidGraphic, "Invalid pixel format");
    bitmap->SetPixelLayout(plDevice);
    EXPECT_EQ(bitmap->Storage(), bsDevice);
    EXPECT_EQ(bitmap->PixelLayout(), plDevice);
}

TEST(BitmapLayout, StorageAndMonochromeConversionsKeepThePicture)
{
    auto bitmap = bitmapOf({{white, red, blue}});
    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    bitmap->SetStorage(bsDevice);
    EXPECT_EQ(bitmap->Storage(), bsDevice);
    EXPECT_EQ(pixels(*bitmap), (Rows{{white, red, blue}}));
    bitmap->SetStorage(bsSection);
    EXPECT_EQ(bitmap->Storage(), bsSection);
    EXPECT_EQ(pixels(*bitmap), (Rows{{white, red, blue}}));
    EXPECT_EQ(changes, 2);

    // Monochrome keeps white and makes every other colour black.
    bitmap->SetIsMonochrome(true);
    EXPECT_TRUE(bitmap->IsMonochrome());
    EXPECT_EQ(bitmap->Storage(), bsDevice);
    EXPECT_EQ(pixels(*bitmap), (Rows{{white, black, black}}));
    bitmap->SetIsMonochrome(false);
    EXPECT_FALSE(bitmap->IsMonochrome());
    EXPECT_EQ(pixels(*bitmap), (Rows{{white, black, black}}));
}

TEST(BitmapPalette, MadeOnDemandFromTheColourTable)
{
    Bytes file;
    file.fileHeader().infoHeader(1, 1, 8, 0, 0, 2).quad(1, 2, 3).quad(4, 5, 6).raw({0, 0, 0, 0});
    TBitmap bitmap;
    TMemoryStream stream = file.stream();
    bitmap.LoadStream(stream);
    EXPECT_TRUE(bitmap.PaletteChangedFlag());
    TPaletteHandle palette = bitmap.Palette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->entries(), (std::vector<platform::PaletteEntry>{{1, 2, 3, 0}, {4, 5, 6, 0}}));

    // A palette set from outside rewrites the colour table.
    auto grey = std::make_shared<const platform::Palette>(
        std::vector<platform::PaletteEntry>{{9, 9, 9, 0}, {200, 200, 200, 0}});
    bitmap.SetPalette(grey);
    EXPECT_EQ(bitmap.Palette(), grey);
    EXPECT_EQ(pixels(bitmap), (Rows{{rgb(9, 9, 9)}}));

    auto deep = bitmapOf({{red}});
    EXPECT_EQ(deep->Palette(), nullptr);  // the display shows 24 bits without one
    EXPECT_FALSE(deep->PaletteChangedFlag());
}

TEST(BitmapTransparency, KeyIsSetOrTakenFromTheBottomLeftPixel)
{
    auto bitmap = bitmapOf({{red, blue}, {green, red}});
    EXPECT_EQ(bitmap->TransparentKeyMode(), tkAuto);
    EXPECT_EQ(bitmap->TransparentKey(), 0x0200FF00);  // green, palette-relative
    bitmap->SetTransparentKey(clBtnFace);
    EXPECT_EQ(bitmap->TransparentKeyMode(), tkFixed);
    EXPECT_EQ(bitmap->TransparentKey(), 0x02C0C0C0);
    bitmap->SetTransparentKey(0x20000000);
    EXPECT_EQ(bitmap->TransparentKeyMode(), tkAuto);

    bitmap->SetIsMonochrome(true);
    EXPECT_EQ(bitmap->TransparentKey(), 0x02FFFFFF);
}

TEST(BitmapTransparency, DrawsThroughTheAutomaticKey)
{
    // The bottom-left pixel is red: every red pixel is see-through.
    auto bitmap = bitmapOf({{red, blue, red}, {red, green, blue}});
    bitmap->SetTransparent(true);

    SectionCanvas same(5, 4, yellow);
    same.Draw(1, 1, bitmap.get());
    EXPECT_EQ(pixels(same), (Rows{
                                {yellow, yellow, yellow, yellow, yellow},
                                {yellow, yellow, blue, yellow, yellow},
                                {yellow, yellow, green, blue, yellow},
                                {yellow, yellow, yellow, yellow, yellow},
                            }));

    SectionCanvas stretched(6, 4, yellow);
    stretched.StretchDraw({0, 0, 6, 4}, bitmap.get());
    EXPECT_EQ(pixels(stretched), (Rows{
                                     {yellow, yellow, blue, blue, yellow, yellow},
                                     {yellow, yellow, blue, blue, yellow, yellow},
                                     {yellow, yellow, green, green, blue, blue},
                                     {yellow, yellow, green, green, blue, blue},
                                 }));

    // Opaque, the same picture covers everything.
    bitmap->SetTransparent(false);
    SectionCanvas opaque(3, 2, yellow);
    opaque.StretchDraw({0, 0, 3, 2}, bitmap.get());
    EXPECT_EQ(pixels(opaque), (Rows{{red, blue, red}, {red, green, blue}}));
}

TEST(BitmapTransparency, MonochromeBitmapsTreatWhiteAsSeeThrough)
{
    auto bitmap = bitmapOf({{white, black, white}});
    bitmap->SetIsMonochrome(true);
    bitmap->SetTransparent(true);
    SectionCanvas canvas(3, 1, yellow);
    canvas.Font().SetColor(clBlack);
    canvas.Draw(0, 0, bitmap.get());
    EXPECT_EQ(pixels(canvas), (Rows{{yellow, black, yellow}}));

    SectionCanvas stretched(6, 1, yellow);
    stretched.StretchDraw({0, 0, 6, 1}, bitmap.get());
    EXPECT_EQ(pixels(stretched), (Rows{{yellow, yellow, black, black, yellow, yellow}}));
}

TEST(BitmapTransparency, FixedNoneMakesNothingSeeThrough)
{
    auto bitmap = bitmapOf({{red, blue}});
    bitmap->SetTransparentKey(clNone);
    bitmap->SetTransparent(true);
    SectionCanvas canvas(2, 1, yellow);
    canvas.Draw(0, 0, bitmap.get());
    EXPECT_EQ(pixels(canvas), (Rows{{red, blue}}));
}

TEST(BitmapMask, MaskMarksTheKeyColour)
{
    auto bitmap = bitmapOf({{red, blue}, {red, green}});
    const platform::Section* mask = bitmap->MaskBitmap();
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->isMonochrome());
    EXPECT_EQ(mask->pixel(0, 0), white);  // 1: see-through
    EXPECT_EQ(mask->pixel(1, 0), black);
    EXPECT_EQ(mask->pixel(1, 1), black);

    bitmap->MakeMask(clBlue);
    EXPECT_TRUE(bitmap->IsMonochrome());
    EXPECT_EQ(pixels(*bitmap), (Rows{{black, white}, {black, black}}));
}

TEST(BitmapHandles, ReleasedPixelsBelongToTheCaller)
{
    auto bitmap = bitmapOf({{red, blue}});
    std::unique_ptr<platform::Section> released = bitmap->ReleasePlatformHandle();
    ASSERT_NE(released, nullptr);
    EXPECT_EQ(released->pixel(1, 0), blue);
    EXPECT_TRUE(bitmap->IsEmpty());

    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    released->setPixel(0, 0, green);
    bitmap->SetPlatformHandle(std::move(released));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(bitmap->IsEmpty());
    EXPECT_EQ(pixels(*bitmap), (Rows{{green, blue}}));

    platform::Section* current = bitmap->PlatformHandle();
    bitmap->SetPlatformHandle(std::unique_ptr<platform::Section>(current));  // its own handle
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bitmap->PlatformHandle(), current);

    bitmap->SetStorage(bsDevice);
    bitmap->ReleaseDeviceCopy();
    EXPECT_EQ(bitmap->Storage(), bsSection);
    EXPECT_EQ(pixels(*bitmap), (Rows{{green, blue}}));
}

TEST(BitmapSurface, DrawingNotifiesAndEmptyBitmapsDrawNothing)
{
    auto bitmap = bitmapOf({{red, red}});
    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    bitmap->Surface().SetPixels(0, 0, clBlue);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(pixels(*bitmap), (Rows{{blue, red}}));

    TBitmap empty;
    empty.Surface().FillRect({0, 0, 5, 5});
    EXPECT_TRUE(empty.IsEmpty());
    SectionCanvas canvas(2, 2, yellow);
    canvas.StretchDraw({0, 0, 2, 2}, &empty);
    EXPECT_EQ(pixels(canvas), (Rows{{yellow, yellow}, {yellow, yellow}}));

    // Surfaces give their contexts back between messages and make them again when drawn on.
    FreeBitmapSurfaceContexts();
    EXPECT_FALSE(bitmap->Surface().HandleAllocated());
    bitmap->Surface().SetPixels(1, 0, clBlue);
    EXPECT_EQ(pixels(*bitmap), (Rows{{blue, blue}}));
}

} // namespace

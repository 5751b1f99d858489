// TIcon: loading, drawing at the standard size, saving, copies, and its refusals.

#include "picture/icon/icon.h"

#include "framework/streams.h"
#include "icon_files.h"
#include "picture/bitmap/bitmap.h"
#include "platform/icon.h"
#include "section_canvas.h"
#include "support/test_support.h"

using namespace icon_test;

namespace {

constexpr auto notValid = "Icon image is not valid";
constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t yellow = 0xFFFF00;

// A 32 × 32 16-colour image: red left half, yellow right half, the top-left 4 × 4 see-through
// (mask 1 over black).
std::vector<std::uint8_t> twoColourImage()
{
    const auto seeThrough = [](int x, int y) { return x < 4 && y < 4; };
    return bitmapImage(
        32, 32, 4, {0, red, yellow}, [&](int x, int y) { return seeThrough(x, y) ? 0u : x < 16 ? 1u : 2u; },
        seeThrough);
}

std::vector<std::uint8_t> twoColourIcon()
{
    return iconFile({{twoColourImage()}});
}

std::vector<std::uint8_t> saved(TGraphic& graphic)
{
    TMemoryStream out;
    graphic.SaveStream(out);
    return out.Bytes();
}

void load(TIcon& icon, const std::vector<std::uint8_t>& bytes)
{
    TMemoryStream in(bytes);
    icon.LoadStream(in);
}

TEST(IconLoad, KeepsTheBytesAndMakesTheIconOnlyWhenDrawn)
{
    TIcon icon;
    int changes = 0;
    icon.OnChange = [&](TObject*) { ++changes; };
    EXPECT_TRUE(icon.IsEmpty());
    EXPECT_TRUE(icon.Transparent());
    load(icon, twoColourIcon());
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(icon.IsEmpty());
    EXPECT_FALSE(icon.Image().IconHandle);
    SectionCanvas canvas(40, 40, 0x00FF00);
    canvas.StretchDraw({0, 0, 40, 40}, &icon);
    EXPECT_TRUE(icon.Image().IconHandle);
    EXPECT_EQ(canvas.pixel(2, 2), 0x00FF00);    // see-through
    EXPECT_EQ(canvas.pixel(10, 2), 0x0000FF);   // red
    EXPECT_EQ(canvas.pixel(20, 20), 0x00FFFF);  // yellow
}

TEST(IconLoad, RefusalsKeepThePreviousIcon)
{
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    std::vector<std::uint8_t> cutShort = twoColourIcon();
    cutShort.resize(cutShort.size() - 1);
    const Row rows[] = {
        {"cursor file", iconFile({{twoColourImage()}}, 2), notValid},
        {"type 3", iconFile({}, 3), notValid},
        {"no entries", iconFile({}), notValid},
        {"mask cut short", cutShort, notValid},
        {"shorter than the directory header", {0, 0, 1, 0, 1}, "Stream read error"},
    };
    for (const Row& row : rows) {
        TIcon icon;
        load(icon, twoColourIcon());
        int changes = 0;
        icon.OnChange = [&](TObject*) { ++changes; };
        SCOPED_TRACE(row.name);
        EXPECT_RAISES(load(icon, row.bytes), Exception, row.message);
        EXPECT_EQ(changes, 0) << row.name;
        EXPECT_EQ(saved(icon), twoColourIcon()) << row.name;
    }
}

TEST(IconSize, AlwaysTheStandardIconSize)
{
    TIcon icon;
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    load(icon, iconFile({{bitmapImage(48, 48, 8, {0, red}, [](int, int) { return 1u; }, noMask), 0, 0, 48, 48}}));
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    EXPECT_RAISES(icon.SetWidth(100), EInvalidGraphicOperation, "Cannot change the size of an icon");
    EXPECT_RAISES(icon.SetHeight(100), EInvalidGraphicOperation, "Cannot change the size of an icon");
    TIcon empty;
    EXPECT_RAISES(empty.SetWidth(100), EInvalidGraphicOperation, "Cannot change the size of an icon");
}

TEST(IconDraw, AtItsOwnSizeAtTheTopLeftWhateverTheRectangle)
{
    // 48 × 48 red; drawn stretched over 100 × 80 from (10, 5), it covers (10, 5) to (42, 37).
    TIcon icon;
    load(icon, iconFile({{bitmapImage(48, 48, 8, {0, red}, [](int, int) { return 1u; }, noMask), 0, 0, 48, 48}}));
    SectionCanvas canvas(120, 100);
    canvas.StretchDraw({10, 5, 110, 85}, &icon);
    EXPECT_EQ(canvas.pixel(10, 5), 0x0000FF);
    EXPECT_EQ(canvas.pixel(41, 36), 0x0000FF);
    EXPECT_EQ(canvas.pixel(42, 20), 0xFFFFFF);
    EXPECT_EQ(canvas.pixel(20, 37), 0xFFFFFF);
    EXPECT_EQ(canvas.pixel(9, 5), 0xFFFFFF);
    // Drawn at a point, likewise.
    SectionCanvas small(40, 40);
    small.Draw(3, 4, &icon);
    EXPECT_EQ(small.pixel(3, 4), 0x0000FF);
    EXPECT_EQ(small.pixel(34, 35), 0x0000FF);
    EXPECT_EQ(small.pixel(35, 35), 0xFFFFFF);
}

TEST(IconDraw, EmptyIconDrawsNothing)
{
    TIcon icon;
    SectionCanvas canvas(8, 8, 0x123456);
    canvas.StretchDraw({0, 0, 8, 8}, &icon);
    EXPECT_EQ(canvas.pixel(0, 0), 0x123456);
    EXPECT_EQ(icon.IconHandle(), nullptr);
}

TEST(IconSave, WritesTheLoadedBytesUnchanged)
{
    // Two images, the second never shown; odd bytes in the reserved fields.
    std::vector<std::uint8_t> file = iconFile({{twoColourImage()}, {bitmapImage(16, 16, 1, {0, red}, [](int x, int) { return x & 1u; }, noMask), 2}});
    file[0] = 0x5A;
    TIcon icon;
    load(icon, file);
    EXPECT_EQ(saved(icon), file);
    SectionCanvas canvas(32, 32);
    canvas.Draw(0, 0, &icon);
    EXPECT_EQ(saved(icon), file);
    TMemoryStream stored;
    icon.WriteStoredData(stored);
    EXPECT_EQ(stored.Bytes(), file);
}

TEST(IconSave, EmptyIconIsRefused)
{
    TIcon icon;
    EXPECT_RAISES(saved(icon), EInvalidGraphic, notValid);
}

TEST(IconDefault, TypeZeroDrawsTheDefaultApplicationIconAndSavesAsSixZeroBytes)
{
    const std::vector<std::uint8_t> zeros(6, 0);
    TIcon loaded;
    load(loaded, zeros);
    TIcon fromHandle;
    fromHandle.SetIconHandle(DefaultApplicationIconHandle());
    for (TIcon* icon : {&loaded, &fromHandle}) {
        SectionCanvas canvas(32, 32, 0x00FF00);
        canvas.Draw(0, 0, icon);
        EXPECT_EQ(canvas.pixel(0, 0), 0x00FF00);   // around the window: see-through
        EXPECT_EQ(canvas.pixel(1, 3), 0x000000);   // its frame
        EXPECT_EQ(canvas.pixel(10, 5), 0x800000);  // navy title bar
        EXPECT_EQ(canvas.pixel(16, 20), 0xFFFFFF);
        EXPECT_EQ(saved(*icon), zeros);
    }
}

TEST(IconSave, FromAHandleWritesOneSixteenColourImage)
{
    TIcon original;
    load(original, twoColourIcon());
    TIcon icon;
    icon.SetIconHandle(original.IconHandle());
    EXPECT_FALSE(icon.IsEmpty());
    const std::vector<std::uint8_t> bytes = saved(icon);
    // 6 + 16 + 40 + 64 colours + 32 rows × 16 bytes of colour + 32 rows × 4 bytes of mask.
    ASSERT_EQ(bytes.size(), 22u + 104 + 512 + 128);
    Bytes head;
    head.u16(0).u16(1).u16(1);                 // directory
    head.u8(32).u8(32).u8(16).u8(0);           // width, height, colours, reserved
    head.u16(0).u16(0).u32(744).u32(22);       // planes, bit count, bytes, offset
    head.u32(40).u32(32).u32(64).u16(1).u16(4);  // header: size, width, height × 2, planes, bits
    head.u32(0).u32(512).u32(0).u32(0).u32(0).u32(0);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 62), head.data());
    // The standard 16 colours hold red and yellow; the mask's top rows come last (bottom-up).
    TIcon again;
    load(again, bytes);
    SectionCanvas canvas(32, 32, 0x00FF00);
    canvas.Draw(0, 0, &again);
    EXPECT_EQ(canvas.pixel(2, 2), 0x00FF00);
    EXPECT_EQ(canvas.pixel(10, 2), 0x0000FF);
    EXPECT_EQ(canvas.pixel(20, 20), 0x00FFFF);
    // The bytes made are kept: saving again gives the same.
    EXPECT_EQ(saved(icon), bytes);
}

TEST(IconSave, AlphaIconsFromAHandleKeepTheirShapeInSixteenColours)
{
    // Opaque red on the left, fully see-through (with a stray colour) on the right.
    const auto pixel = [](int x, int) { return x < 16 ? 0xFFFF0000u : 0x0000FF00u; };
    TIcon original;
    load(original, iconFile({{bitmapImage(32, 32, 32, {}, pixel, noMask), 0}}));
    TIcon icon;
    icon.SetIconHandle(original.IconHandle());
    TIcon again;
    load(again, saved(icon));
    SectionCanvas canvas(32, 32, 0x808080);
    canvas.Draw(0, 0, &again);
    EXPECT_EQ(canvas.pixel(5, 5), 0x0000FF);
    EXPECT_EQ(canvas.pixel(25, 5), 0x808080);
}

TEST(IconCopy, CopiesShareTheDataAndNotify)
{
    TIcon icon;
    load(icon, twoColourIcon());
    TIcon copy;
    int changes = 0;
    copy.OnChange = [&](TObject*) { ++changes; };
    copy.CopyFrom(&icon);
    EXPECT_EQ(&copy.Image(), &icon.Image());
    EXPECT_EQ(icon.Image().refCount(), 2);
    // Drawing one realises the shared record for both.
    SectionCanvas canvas(32, 32);
    canvas.Draw(0, 0, &copy);
    EXPECT_TRUE(icon.Image().IconHandle);
    copy.CopyFrom(nullptr);
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_FALSE(icon.IsEmpty());
    EXPECT_EQ(changes, 2);
    TBitmap bitmap;
    EXPECT_RAISES(copy.CopyFrom(&bitmap), EConvertError, "Cannot assign a TBitmap to a TIcon");
}

TEST(IconClipboard, IsRefused)
{
    TIcon icon;
    std::uint16_t format = 0;
    TClipboardHandle data;
    TPaletteHandle palette;
    EXPECT_RAISES(icon.LoadClipboardData(2, data, palette), EInvalidGraphicOperation, "Clipboard does not support Icons");
    EXPECT_RAISES(icon.SaveClipboardData(format, data, palette), EInvalidGraphicOperation,
                  "Clipboard does not support Icons");
}

} // namespace

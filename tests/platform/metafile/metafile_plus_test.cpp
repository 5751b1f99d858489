#include "platform/metafile/enhanced_metafile.h"
#include "platform/metafile/plus_objects.h"
#include "platform/section_device_context.h"

#include "support/bytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

namespace {

constexpr Colour white = 0xFFFFFF;
constexpr Colour red = 0x0000FF;
constexpr Colour green = 0x00FF00;
constexpr Colour blue = 0xFF0000;
constexpr Colour black = 0x000000;

// ARGB values as the plus records store them.
constexpr std::uint32_t opaqueRed = 0xFFFF0000;
constexpr std::uint32_t opaqueGreen = 0xFF00FF00;
constexpr std::uint32_t opaqueBlue = 0xFF0000FF;
constexpr std::uint32_t opaqueBlack = 0xFF000000;

// Record types and flags as the published layouts number them.
enum : std::uint16_t {
    Header = 0x4001, GetDC = 0x4004, Object = 0x4008, Clear = 0x4009, FillRects = 0x400A, DrawRects = 0x400B,
    FillPolygon = 0x400C, DrawLines = 0x400D, FillEllipse = 0x400E, DrawEllipse = 0x400F, FillPie = 0x4010,
    FillRegion = 0x4013, FillPath = 0x4014, DrawPath = 0x4015, FillClosedCurve = 0x4016, DrawBeziers = 0x4019,
    DrawImage = 0x401A, DrawImagePoints = 0x401B, DrawString = 0x401C, SetAntiAliasMode = 0x401E, Save = 0x4025,
    Restore = 0x4026, BeginContainer = 0x4027, EndContainer = 0x4029, SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B, TranslateWorldTransform = 0x402D, ScaleWorldTransform = 0x402E,
    RotateWorldTransform = 0x402F, SetPageTransform = 0x4030, ResetClip = 0x4031, SetClipRect = 0x4032,
    SetClipRegion = 0x4034, OffsetClip = 0x4035, DrawDriverString = 0x4036,
};
constexpr std::uint16_t solidColour = 0x8000, compressed = 0x4000, relative = 0x0800;
constexpr std::uint32_t objectVersion = 0xDBC01002;

Bytes& f32(Bytes& b, float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return b.u32(bits);
}

Bytes floats(std::initializer_list<float> values)
{
    Bytes b;
    for (float v : values)
        f32(b, v);
    return b;
}

Bytes join(Bytes a, const Bytes& b)
{
    return a.raw(b.data());
}

// Object flags: type in bits 8..14, table index in the low byte.
std::uint16_t objectFlags(int type, int id) { return std::uint16_t((type << 8) | id); }

Bytes solidBrush(std::uint32_t argb) { return Bytes().u32(objectVersion).u32(0).u32(argb); }

// A pen: flags, unit (world), width, optional data, then its brush.
Bytes pen(float width, std::uint32_t argb, const Bytes& optional = Bytes(), std::uint32_t flags = 0)
{
    Bytes b;
    b.u32(objectVersion).u32(0).u32(flags).u32(0);
    f32(b, width);
    return b.raw(optional.data()).raw(solidBrush(argb).data());
}

// A 40 × 40 enhanced metafile whose reference device has 10 pixels per millimetre, so that the
// plus records' pixels (at 254 dots per inch) land one to one on a 40 × 40 destination. Each
// plus record goes into a comment of its own; ordinary records can go between them.
class PlusFile {
public:
    explicit PlusFile(bool dual = false) : m_dual(dual) {}

    PlusFile& plus(std::uint16_t type, std::uint16_t flags = 0, const Bytes& data = Bytes())
    {
        Bytes record;
        record.u16(type).u16(flags).u32(std::uint32_t(12 + data.size())).u32(std::uint32_t(data.size())).raw(data.data());
        return comment(record);
    }
    PlusFile& comment(const Bytes& records)
    {
        m_body.u32(70).u32(std::uint32_t(16 + records.size())).u32(std::uint32_t(4 + records.size())).u32(0x2B464D45);
        m_body.raw(records.data());
        return *this;
    }
    PlusFile& ordinary(std::uint32_t type, const Bytes& params = Bytes())
    {
        m_body.u32(type).u32(std::uint32_t(8 + params.size())).raw(params.data());
        return *this;
    }
    PlusFile& object(int type, int id, const Bytes& data) { return plus(Object, objectFlags(type, id), data); }
    PlusFile& fillRect(std::uint32_t argb, float x, float y, float w, float h)
    {
        return plus(FillRects, solidColour, join(Bytes().u32(argb).u32(1), floats({x, y, w, h})));
    }

    std::vector<std::uint8_t> bytes() const
    {
        Bytes b;
        b.u32(1).u32(88).i32(0).i32(0).i32(39).i32(39);
        b.i32(0).i32(0).i32(400).i32(400);
        b.u32(0x464D4520).u32(0x10000).u32(0).u32(0).u16(8).u16(0);
        b.u32(0).u32(0).u32(0).i32(100).i32(100).i32(10).i32(10);
        Bytes header;
        header.u16(Header).u16(m_dual ? 1 : 0).u32(28).u32(16).u32(objectVersion).u32(0).u32(254).u32(254);
        b.u32(70).u32(std::uint32_t(16 + header.size())).u32(std::uint32_t(4 + header.size())).u32(0x2B464D45);
        b.raw(header.data());
        b.raw(m_body.data());
        b.u32(14).u32(20).u32(0).u32(16).u32(20);
        b.patchU32(48, std::uint32_t(b.size()));
        return b.data();
    }

private:
    bool m_dual;
    Bytes m_body;
};

std::unique_ptr<Section> play(const std::vector<std::uint8_t>& bytes)
{
    auto section = Section::createDisplayCompatible(40, 40);
    section->fill(white);
    const MetafileHandle metafile = EnhancedMetafile::fromBytes(bytes);
    EXPECT_NE(metafile, nullptr);
    if (metafile) {
        SectionDeviceContext dc(*section);
        playEnhancedMetafile(dc, *metafile, {0, 0, 39, 39});
    }
    return section;
}

struct Probe {
    int x, y;
    Colour expected;
};

void expectPixels(const Section& section, std::initializer_list<Probe> probes)
{
    for (const Probe& p : probes)
        EXPECT_EQ(section.pixel(p.x, p.y), p.expected) << "at " << p.x << ", " << p.y;
}

int countOf(const Section& section, Colour colour)
{
    int count = 0;
    for (int y = 0; y < section.height(); ++y)
        for (int x = 0; x < section.width(); ++x)
            count += section.pixel(x, y) == colour;
    return count;
}

// A bitmap image object: 32-bit ARGB pixels, rows top-down.
Bytes bitmapImage(int width, int height, std::initializer_list<std::uint32_t> pixels)
{
    Bytes b;
    b.u32(objectVersion).u32(1).i32(width).i32(height).i32(width * 4).u32(0x0026200A).u32(0);
    for (std::uint32_t p : pixels)
        b.u32(p);
    return b;
}

} // namespace

TEST(PlusPlayer, FillsRectanglesWithColoursAndBrushObjects)
{
    const auto s = play(PlusFile()
                            .fillRect(opaqueRed, 0, 0, 20, 20)
                            .object(1, 3, solidBrush(opaqueBlue))
                            // Brush 3, two 16-bit rectangles.
                            .plus(FillRects, compressed, Bytes().u32(3).u32(2).i16(20).i16(20).i16(10).i16(10).i16(30).i16(0).i16(10).i16(5))
                            .bytes());
    expectPixels(*s, {{0, 0, red}, {19, 19, red}, {20, 20, blue}, {29, 29, blue}, {35, 2, blue}, {35, 6, white}, {30, 30, white}});
}

TEST(PlusPlayer, ShapesFillWithTheirOwnGeometry)
{
    const struct {
        const char* name;
        std::uint16_t type;
        Bytes data;
        Probe inside, outside;
    } rows[] = {
        // Ellipse in 0,0 40×40: the centre is inside, the corner is not.
        {"ellipse", FillEllipse, join(Bytes().u32(opaqueRed), floats({0, 0, 40, 40})), {20, 20, red}, {1, 1, white}},
        // Pie from 0° sweeping 90° clockwise (y down): the lower right quarter.
        {"pie", FillPie, join(Bytes().u32(opaqueRed), floats({0, 90, 0, 0, 40, 40})), {28, 28, red}, {12, 12, white}},
        // Triangle (0,0) (40,0) (0,40).
        {"polygon", FillPolygon, join(Bytes().u32(opaqueRed).u32(3), floats({0, 0, 40, 0, 0, 40})), {5, 5, red}, {35, 35, white}},
        // The same triangle as 7-bit relative steps: (0,0), +40 in x ... as 15-bit, then back.
        {"relative polygon", FillPolygon,
         Bytes().u32(opaqueRed).u32(3).raw({0x00, 0x00, 0x80, 40, 0x00, 0xFF, 0xD8, 0x80, 40}), {5, 5, red}, {35, 35, white}},
        // A closed curve through four points: a rounded square.
        {"closed curve", FillClosedCurve, join(Bytes().u32(opaqueRed), floats({0.5f})).u32(4).raw(floats({20, 2, 38, 20, 20, 38, 2, 20}).data()),
         {20, 20, red}, {2, 2, white}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::uint16_t flags = std::uint16_t(solidColour | (std::string_view(row.name) == "relative polygon" ? relative : 0));
        const auto s = play(PlusFile().plus(row.type, flags, row.data).bytes());
        expectPixels(*s, {row.inside, row.outside});
    }
}

TEST(PlusPlayer, PensDrawWidthsDashesAndCompoundLines)
{
    // A horizontal line at y = 20 across the picture.
    const Bytes line = join(Bytes().u32(2), floats({0, 20, 40, 20}));
    {
        SCOPED_TRACE("six units wide");
        const auto s = play(PlusFile().object(2, 0, pen(6, opaqueBlue)).plus(DrawLines, 0, line).bytes());
        expectPixels(*s, {{10, 18, blue}, {10, 22, blue}, {10, 15, white}, {10, 25, white}});
    }
    {
        SCOPED_TRACE("dashed: 2 on, 2 off in pen widths");
        const Bytes dashes = floats({2, 2});
        const auto s = play(PlusFile()
                                .object(2, 0, pen(2, opaqueBlue, Bytes().u32(5).u32(2).raw(dashes.data()), 0x20 | 0x100))
                                .plus(DrawLines, 0, line)
                                .bytes());
        expectPixels(*s, {{1, 20, blue}, {5, 20, white}, {9, 20, blue}, {13, 20, white}});
    }
    {
        SCOPED_TRACE("compound: the outer fifths drawn, the middle left open");
        const Bytes compound = Bytes().u32(4).raw(floats({0, 0.2f, 0.8f, 1}).data());
        const auto s = play(PlusFile().object(2, 0, pen(10, opaqueBlue, compound, 0x400)).plus(DrawLines, 0, line).bytes());
        expectPixels(*s, {{10, 15, blue}, {10, 24, blue}, {10, 20, white}});
    }
    {
        SCOPED_TRACE("a hairline, and a wide line whose centre runs just off the picture");
        const auto s = play(PlusFile()
                                .object(2, 0, pen(0, opaqueBlue))
                                .object(2, 1, pen(8, opaqueRed))
                                .plus(DrawLines, 0, line)
                                .plus(DrawLines, 1, join(Bytes().u32(2), floats({-1000, 42, 1000, 42})))
                                .bytes());
        expectPixels(*s, {{10, 20, blue}, {10, 39, red}, {10, 30, white}});
    }
    {
        SCOPED_TRACE("rectangles and ellipses outlined");
        const auto s = play(PlusFile()
                                .object(2, 1, pen(2, opaqueRed))
                                .plus(DrawRects, 1, join(Bytes().u32(1), floats({4, 4, 32, 32})))
                                .plus(DrawEllipse, 1, floats({12, 12, 16, 16}))
                                .bytes());
        expectPixels(*s, {{4, 20, red}, {36, 20, red}, {20, 4, red}, {20, 12, red}, {20, 20, white}, {8, 8, white}});
    }
}

TEST(PlusPlayer, PathObjectsFillAndStroke)
{
    // Path: four points, float coordinates, types start, line, line, line + close.
    Bytes square = Bytes().u32(objectVersion).u32(4).u32(0);
    square.raw(floats({10, 10, 30, 10, 30, 30, 10, 30}).data()).raw({0, 1, 1, 0x81});
    // The same square, 16-bit points and run-length types (a start, then three lines of which
    // the last closes: two runs).
    Bytes runs = Bytes().u32(objectVersion).u32(4).u32(0x4000 | 0x1000);
    runs.i16(10).i16(10).i16(30).i16(10).i16(30).i16(30).i16(10).i16(30).raw({1, 0, 2, 1, 1, 0x81});
    // A Bézier from (0,40) bulging to the top edge and back to (40,40).
    Bytes curve = Bytes().u32(objectVersion).u32(4).u32(0);
    curve.raw(floats({0, 38, 0, 0, 40, 0, 40, 38}).data()).raw({0, 3, 3, 3});
    for (const Bytes* path : {&square, &runs}) {
        const auto s = play(PlusFile().object(3, 5, *path).plus(FillPath, solidColour | 5, Bytes().u32(opaqueGreen)).bytes());
        expectPixels(*s, {{20, 20, green}, {11, 29, green}, {5, 20, white}, {31, 20, white}});
    }
    const auto s = play(PlusFile().object(3, 5, curve).object(2, 6, pen(2, opaqueBlack)).plus(DrawPath, 5, Bytes().u32(6)).bytes());
    EXPECT_EQ(s->pixel(20, 10), black);   // the top of the curve
    EXPECT_EQ(s->pixel(20, 30), white);   // below it: outlined, not filled
    EXPECT_EQ(s->pixel(0, 36), black);    // near its start
}

TEST(PlusPlayer, RegionsFillAndClipWithTheirCombinations)
{
    // Region: the rectangle 0,0 40×40 minus 10,10 20×20 (a frame).
    Bytes frame = Bytes().u32(objectVersion).u32(2).u32(4).u32(0x10000000);
    frame.raw(floats({0, 0, 40, 40}).data()).u32(0x10000000).raw(floats({10, 10, 20, 20}).data());
    {
        const auto s = play(PlusFile().object(4, 1, frame).plus(FillRegion, solidColour | 1, Bytes().u32(opaqueRed)).bytes());
        expectPixels(*s, {{5, 5, red}, {35, 35, red}, {20, 20, white}});
    }
    {
        // The frame as the clip, intersected with the right half (mode 1 in bits 8..11).
        const auto s = play(PlusFile()
                                .object(4, 1, frame)
                                .plus(SetClipRegion, 0 << 8 | 1)
                                .plus(SetClipRect, 1 << 8, floats({20, 0, 20, 40}))
                                .fillRect(opaqueBlue, 0, 0, 40, 40)
                                .bytes());
        expectPixels(*s, {{5, 5, white}, {35, 35, blue}, {25, 20, white}, {35, 5, blue}});
    }
    {
        // Union of two clips, then the clip moved 10 to the right, then reset.
        const auto s = play(PlusFile()
                                .plus(SetClipRect, 0, floats({0, 0, 10, 10}))
                                .plus(SetClipRect, 2 << 8, floats({0, 30, 10, 10}))
                                .plus(OffsetClip, 0, floats({10, 0}))
                                .fillRect(opaqueBlue, 0, 0, 40, 40)
                                .plus(ResetClip)
                                .fillRect(opaqueRed, 0, 15, 40, 10)
                                .bytes());
        expectPixels(*s, {{15, 5, blue}, {15, 35, blue}, {5, 5, white}, {25, 5, white}, {5, 20, red}});
    }
}

TEST(PlusPlayer, BrushesHatchGradientAndTexture)
{
    {
        // Horizontal hatch, blue lines over a red background.
        const auto s = play(PlusFile()
                                .object(1, 0, Bytes().u32(objectVersion).u32(1).u32(0).u32(opaqueBlue).u32(opaqueRed))
                                .plus(FillRects, 0, join(Bytes().u32(0).u32(1), floats({0, 0, 40, 40})))
                                .bytes());
        EXPECT_GT(countOf(*s, blue), 40);
        EXPECT_GT(countOf(*s, red), 400);
        EXPECT_EQ(countOf(*s, white), 0);
    }
    {
        // Linear gradient along 0..40 from red to blue, clamped.
        Bytes gradient = Bytes().u32(objectVersion).u32(4).u32(0).u32(4);
        gradient.raw(floats({0, 0, 40, 40}).data()).u32(opaqueRed).u32(opaqueBlue).u32(0).u32(0);
        const auto s = play(PlusFile().object(1, 0, gradient).plus(FillRects, 0, join(Bytes().u32(0).u32(1), floats({0, 0, 40, 40}))).bytes());
        const Colour left = s->pixel(1, 20), right = s->pixel(38, 20), middle = s->pixel(20, 20);
        EXPECT_GT(redOf(left), 230);
        EXPECT_LT(blueOf(left), 25);
        EXPECT_GT(blueOf(right), 230);
        EXPECT_LT(redOf(right), 25);
        EXPECT_NEAR(redOf(middle), 128, 16);
        EXPECT_NEAR(blueOf(middle), 128, 16);
    }
    {
        // Path gradient over a triangle with a colour per corner (red top, green bottom right,
        // blue bottom left) and a white centre: each corner keeps its colour, the centre is
        // white.
        Bytes gradient = Bytes().u32(objectVersion).u32(3).u32(0).u32(0).u32(0xFFFFFFFF);
        gradient.raw(floats({20, 24}).data()).u32(3).u32(opaqueRed).u32(opaqueGreen).u32(opaqueBlue);
        gradient.u32(3).raw(floats({20, 0, 40, 40, 0, 40}).data());
        const auto s = play(PlusFile()
                                .object(1, 0, gradient)
                                .plus(FillPolygon, 0, join(Bytes().u32(0).u32(3), floats({20, 0, 40, 40, 0, 40})))
                                .bytes());
        const Colour top = s->pixel(20, 2), right = s->pixel(37, 38), left = s->pixel(2, 38), centre = s->pixel(20, 24);
        EXPECT_GT(redOf(top), 150);
        EXPECT_LT(greenOf(top), 100);
        EXPECT_GT(greenOf(right), 150);
        EXPECT_LT(redOf(right), 100);
        EXPECT_GT(blueOf(left), 150);
        EXPECT_LT(greenOf(left), 100);
        EXPECT_GT(redOf(centre), 230);
        EXPECT_GT(greenOf(centre), 230);
        EXPECT_GT(blueOf(centre), 230);
    }
    {
        // A 2×1 texture (red, green) tiled from the origin: columns alternate.
        Bytes texture = Bytes().u32(objectVersion).u32(2).u32(0).u32(0);
        texture.raw(bitmapImage(2, 1, {opaqueRed, opaqueGreen}).data());
        const auto s = play(PlusFile().object(1, 0, texture).plus(FillRects, 0, join(Bytes().u32(0).u32(1), floats({0, 0, 40, 40}))).bytes());
        expectPixels(*s, {{0, 5, red}, {1, 5, green}, {10, 30, red}, {11, 30, green}});
    }
}

TEST(PlusPlayer, ImagesDrawStretchedAndThroughThreePoints)
{
    const Bytes image = bitmapImage(2, 2, {opaqueRed, opaqueGreen, opaqueBlue, 0x00000000});
    const Bytes head = join(Bytes().u32(0xFFFFFFFF).u32(2), floats({0, 0, 2, 2}));
    {
        // Into 0,0 40×40: each source pixel covers a 20 × 20 quarter; the transparent one
        // leaves the page alone.
        const auto s = play(PlusFile().object(5, 2, image).plus(DrawImage, 2, join(head, floats({0, 0, 40, 40}))).bytes());
        expectPixels(*s, {{5, 5, red}, {35, 5, green}, {5, 35, blue}, {35, 35, white}});
    }
    {
        // Mirrored left to right: top-left corner to (40,0), top-right to (0,0).
        const auto s = play(PlusFile()
                                .object(5, 2, image)
                                .plus(DrawImagePoints, 2, join(join(head, Bytes().u32(3)), floats({40, 0, 0, 0, 40, 40})))
                                .bytes());
        expectPixels(*s, {{35, 5, red}, {5, 5, green}, {35, 35, blue}, {5, 35, white}});
    }
    {
        // A compressed (PNG) bitmap.
        QImage png(2, 2, QImage::Format_ARGB32);
        png.setPixel(0, 0, 0xFFFF0000);
        png.setPixel(1, 0, 0xFF00FF00);
        png.setPixel(0, 1, 0xFF0000FF);
        png.setPixel(1, 1, 0xFF000000);
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(png.save(&buffer, "PNG"));
        Bytes compressedImage = Bytes().u32(objectVersion).u32(1).i32(2).i32(2).i32(0).u32(0x0026200A).u32(1);
        compressedImage.raw(std::span(reinterpret_cast<const std::uint8_t*>(encoded.constData()), std::size_t(encoded.size())));
        const auto s = play(PlusFile().object(5, 2, compressedImage).plus(DrawImage, 2, join(head, floats({0, 0, 40, 40}))).bytes());
        expectPixels(*s, {{5, 5, red}, {35, 5, green}, {5, 35, blue}, {35, 35, black}});
    }
    {
        // An embedded metafile that fills its frame in green, drawn into the left half.
        const std::vector<std::uint8_t> inner = PlusFile().fillRect(opaqueGreen, 0, 0, 40, 40).bytes();
        Bytes metafile = Bytes().u32(objectVersion).u32(2).u32(3).u32(std::uint32_t(inner.size())).raw(inner);
        const auto s = play(PlusFile().object(5, 2, metafile).plus(DrawImage, 2, join(join(Bytes().u32(0xFFFFFFFF).u32(2), floats({0, 0, 40, 40})), floats({0, 0, 20, 40}))).bytes());
        expectPixels(*s, {{5, 20, green}, {15, 35, green}, {30, 20, white}});
    }
}

TEST(PlusPlayer, StringsDrawInTheirLayoutRectangle)
{
    // Font: 20 world units, bold, family "DejaVu Sans".
    const std::u16string family = u"DejaVu Sans";
    Bytes font = Bytes().u32(objectVersion);
    f32(font, 20).u32(0).i32(1).u32(0).u32(std::uint32_t(family.size()));
    for (char16_t c : family)
        font.u16(c);
    font.u16(0);  // padding to four bytes
    {
        Bytes text = Bytes().u32(opaqueBlack).u32(0xFFFFFFFF).u32(2);
        text.raw(floats({20, 0, 20, 40}).data()).u16('M').u16('M');
        const auto s = play(PlusFile().object(6, 4, font).plus(DrawString, solidColour | 4, text).bytes());
        int left = 0, right = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                (x < 20 ? left : right) += s->pixel(x, y) != white;
        EXPECT_EQ(left, 0);
        EXPECT_GT(right, 20);
    }
    {
        // Driver string: characters (not glyph indexes) placed on a baseline at y = 30.
        Bytes text = Bytes().u32(opaqueBlack).u32(1).u32(0).u32(2).u16('H').u16('H');
        text.raw(floats({2, 30, 14, 30}).data());
        const auto s = play(PlusFile().object(6, 4, font).plus(DrawDriverString, solidColour | 4, text).bytes());
        int above = 0, below = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                (y <= 31 ? above : below) += s->pixel(x, y) != white;
        EXPECT_GT(above, 20);
        EXPECT_LT(below, 4);
    }
    // A world transform that stretches one way and squeezes the other: the letters keep the
    // stretch (wide and flat); pressed flatter than one to sixteen they are left out; and at no
    // size does the font engine get a glyph it cannot render.
    enum Expect { Shaped, LeftOut, AnyOutcome };
    const struct {
        float sx, sy;
        Expect expect;
    } stretches[] = {{4, 0.25f, Shaped},        {0.25f, 4, Shaped},          {3.2f, 0.2f, Shaped},
                     {8, 0.125f, LeftOut},      {16, 0.0625f, LeftOut},      {64, 1.f / 64, LeftOut},
                     {1.f / 64, 64, LeftOut},   {256, 1.f / 256, LeftOut},   {4, 0.0016f, LeftOut},
                     {400, 0.0004f, LeftOut},   {2500, 0.0004f, LeftOut},    {16, 0.125f, LeftOut},
                     {0.125f, 16, LeftOut},     {200, 0.05f, LeftOut},       {0.05f, 200, LeftOut},
                     {60, 0.06f, LeftOut},      {1000, 0.07f, LeftOut},      {12.8f, 0.8f, AnyOutcome},
                     {409, 25.6f, AnyOutcome},   {25.6f, 409, AnyOutcome}};
    // The font engine reports a glyph it could not render, and may then crash on it.
    static int glyphFailures;
    glyphFailures = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        glyphFailures += message.contains(QByteArray("render glyph failed"));
    });
    for (const auto& stretch : stretches) {
        SCOPED_TRACE(testing::Message() << stretch.sx << " x " << stretch.sy);
        Bytes text = Bytes().u32(opaqueBlack).u32(0xFFFFFFFF).u32(2);
        text.raw(floats({0, 0, 40 / stretch.sx, 40 / stretch.sy}).data()).u16('M').u16('M');
        const auto s = play(PlusFile().plus(ScaleWorldTransform, 0, floats({stretch.sx, stretch.sy}))
                                .object(6, 4, font).plus(DrawString, solidColour | 4, text).bytes());
        EXPECT_TRUE(s);
        if (!s)
            continue;
        int inked = 0, minX = 40, maxX = -1, minY = 40, maxY = -1;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (s->pixel(x, y) != white) {
                    ++inked;
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        if (stretch.expect == LeftOut) {
            EXPECT_EQ(inked, 0);
        }
        if (stretch.expect != Shaped)
            continue;
        EXPECT_GT(inked, 4);
        if (stretch.sx > stretch.sy)
            EXPECT_GT(maxX - minX, 2 * (maxY - minY));
        else
            EXPECT_GT(maxY - minY, 2 * (maxX - minX));
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(glyphFailures, 0);
}

TEST(PlusPlayer, TransformsSaveRestoreAndContainers)
{
    const struct {
        const char* name;
        PlusFile file;
        std::initializer_list<Probe> probes;
    } rows[] = {
        {"translate and scale", PlusFile()
                                    .plus(TranslateWorldTransform, 0, floats({10, 10}))
                                    .plus(ScaleWorldTransform, 0, floats({2, 2}))
                                    .fillRect(opaqueRed, 0, 0, 5, 5),
         {{11, 11, red}, {19, 19, red}, {9, 9, white}, {21, 21, white}}},
        {"rotate a quarter turn about the origin, then move back into view", PlusFile()
                                    .plus(RotateWorldTransform, 0, floats({90}))
                                    .plus(TranslateWorldTransform, 0x2000, floats({40, 0}))
                                    .fillRect(opaqueRed, 0, 0, 10, 40),
         {{20, 5, red}, {20, 30, white}}},
        {"set and reset", PlusFile()
                              .plus(SetWorldTransform, 0, floats({1, 0, 0, 1, 30, 30}))
                              .fillRect(opaqueRed, 0, 0, 5, 5)
                              .plus(ResetWorldTransform)
                              .fillRect(opaqueBlue, 0, 0, 5, 5),
         {{32, 32, red}, {2, 2, blue}}},
        {"save and restore bring back transform and clip", PlusFile()
                                                             .plus(Save, 0, Bytes().u32(7))
                                                             .plus(TranslateWorldTransform, 0, floats({20, 0}))
                                                             .plus(SetClipRect, 0, floats({0, 0, 5, 5}))
                                                             .plus(Restore, 0, Bytes().u32(7))
                                                             .fillRect(opaqueRed, 0, 0, 10, 10),
         {{8, 8, red}, {22, 2, white}}},
        {"a container maps its source onto its destination", PlusFile()
                                                               .plus(BeginContainer, 0,
                                                                     join(floats({20, 20, 20, 20, 0, 0, 10, 10}), Bytes().u32(3)))
                                                               .fillRect(opaqueRed, 0, 0, 10, 10)
                                                               .plus(EndContainer, 0, Bytes().u32(3))
                                                               .fillRect(opaqueBlue, 0, 0, 5, 5),
         {{21, 21, red}, {38, 38, red}, {18, 18, white}, {2, 2, blue}}},
        {"page units: millimetres at 254 dots per inch are ten pixels", PlusFile()
                                                                        .plus(SetPageTransform, 6, floats({1}))
                                                                        .fillRect(opaqueRed, 1, 1, 1, 1),
         {{15, 15, red}, {8, 8, white}, {21, 21, white}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectPixels(*play(row.file.bytes()), row.probes);
    }
}

TEST(PlusPlayer, AntiAliasingOnlyWhereTheFileAsksForIt)
{
    // A rectangle whose left edge falls in the middle of pixel 10.
    const auto sharp = play(PlusFile().fillRect(opaqueBlack, 10.5f, 0, 20, 40).bytes());
    const auto smooth = play(PlusFile().plus(SetAntiAliasMode, 1 | (4 << 1)).fillRect(opaqueBlack, 10.5f, 0, 20, 40).bytes());
    const Colour edge = smooth->pixel(10, 20);
    EXPECT_TRUE(sharp->pixel(10, 20) == black || sharp->pixel(10, 20) == white);
    EXPECT_GT(redOf(edge), 60);
    EXPECT_LT(redOf(edge), 200);
}

TEST(PlusPlayer, ObjectsContinuedOverSeveralRecords)
{
    // A solid brush (12 bytes) split 8 + 4; the first part carries the total size.
    const Bytes brush = solidBrush(opaqueBlue);
    const std::vector<std::uint8_t>& all = brush.data();
    Bytes first = Bytes().u32(12).raw(std::span(all).first(8));
    Bytes rest = Bytes().raw(std::span(all).subspan(8));
    const auto s = play(PlusFile()
                            .plus(Object, std::uint16_t(0x8000 | objectFlags(1, 9)), first)
                            .plus(Object, objectFlags(1, 9), rest)
                            .plus(FillRects, 0, join(Bytes().u32(9).u32(1), floats({0, 0, 40, 40})))
                            .bytes());
    EXPECT_EQ(s->pixel(20, 20), blue);
    // Parts that add up to more than their total are dropped.
    const auto t = play(PlusFile()
                            .plus(Object, std::uint16_t(0x8000 | objectFlags(1, 9)), Bytes().u32(4).raw(std::span(all).first(8)))
                            .plus(Object, objectFlags(1, 9), rest)
                            .plus(FillRects, 0, join(Bytes().u32(9).u32(1), floats({0, 0, 40, 40})))
                            .bytes());
    EXPECT_EQ(t->pixel(20, 20), white);
}

TEST(PlusPlayer, WhichRecordSetPlays)
{
    // Ordinary records: a red brush selected and a rectangle over the left half.
    const auto ordinaryRect = [](PlusFile& f) -> PlusFile& {
        return f.ordinary(39, Bytes().u32(1).u32(0).u32(red).u32(0))
            .ordinary(37, Bytes().u32(1))
            .ordinary(37, Bytes().u32(0x80000008))
            .ordinary(43, Bytes().i32(0).i32(0).i32(20).i32(40));
    };
    {
        SCOPED_TRACE("plus records only: the ordinary ones are not played");
        PlusFile f;
        ordinaryRect(f).fillRect(opaqueBlue, 20, 0, 20, 40);
        expectPixels(*play(f.bytes()), {{5, 5, white}, {30, 5, blue}});
    }
    {
        SCOPED_TRACE("dual: the ordinary records draw");
        PlusFile f(true);
        ordinaryRect(f).fillRect(opaqueBlue, 20, 0, 20, 40);
        expectPixels(*play(f.bytes()), {{5, 5, red}, {30, 5, white}});
    }
    {
        SCOPED_TRACE("dual, but the ordinary records only paint the background");
        PlusFile f(true);
        // A bit blit without a source: the whole picture in white.
        Bytes blit = Bytes().i32(0).i32(0).i32(39).i32(39).i32(0).i32(0).i32(40).i32(40).u32(0x00F00021);
        blit.i32(0).i32(0).zeros(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
        f.ordinary(76, blit).fillRect(opaqueBlue, 20, 0, 20, 40);
        expectPixels(*play(f.bytes()), {{30, 5, blue}});
    }
    {
        SCOPED_TRACE("after GetDC the ordinary records draw over the plus drawing");
        PlusFile f;
        f.fillRect(opaqueBlue, 0, 0, 40, 40).plus(GetDC);
        ordinaryRect(f);
        f.fillRect(opaqueGreen, 30, 0, 10, 10);
        expectPixels(*play(f.bytes()), {{5, 5, red}, {25, 5, blue}, {35, 5, green}});
    }
}

TEST(PlusPlayer, MalformedRecordsDrawNothingAndKeepWhatWasDrawn)
{
    const struct {
        const char* name;
        std::uint16_t type;
        std::uint16_t flags;
        Bytes data;
    } rows[] = {
        {"rectangle count beyond the bytes", FillRects, solidColour, join(Bytes().u32(opaqueBlue).u32(0x10000000), floats({0, 0, 40, 40}))},
        {"point count beyond the bytes", FillPolygon, solidColour, Bytes().u32(opaqueBlue).u32(0xFFFFFFFF)},
        {"brush object never made", FillRects, 0, join(Bytes().u32(40).u32(1), floats({0, 0, 40, 40}))},
        {"brush index past the table", FillRects, 0, join(Bytes().u32(0xFFFF).u32(1), floats({0, 0, 40, 40}))},
        {"path that is not there", FillPath, solidColour | 7, Bytes().u32(opaqueBlue)},
        {"image points not three", DrawImagePoints, 2, join(join(Bytes().u32(0).u32(2), floats({0, 0, 2, 2})), Bytes().u32(4))},
        {"string longer than its record", DrawString, solidColour, join(Bytes().u32(opaqueBlue).u32(0).u32(1000), floats({0, 0, 40, 40}))},
        {"truncated ellipse", FillEllipse, solidColour, Bytes().u32(opaqueBlue).u32(0)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto s = play(PlusFile().fillRect(opaqueRed, 0, 0, 10, 10).plus(row.type, row.flags, row.data).bytes());
        EXPECT_EQ(s->pixel(5, 5), red);
        EXPECT_EQ(countOf(*s, blue), 0);
    }
    // Objects whose own counts and sizes do not fit their bytes are not made.
    const struct {
        const char* name;
        int type;
        Bytes data;
    } objects[] = {
        {"path count beyond the bytes", 3, Bytes().u32(objectVersion).u32(0x40000000).u32(0).raw(floats({0, 0}).data())},
        {"region nested without end", 4, [] {
             Bytes b = Bytes().u32(objectVersion).u32(1000);
             for (int i = 0; i < 1000; ++i)
                 b.u32(1);
             return b;
         }()},
        {"bitmap larger than its pixels", 5, Bytes().u32(objectVersion).u32(1).i32(60000).i32(60000).i32(240000).u32(0x0026200A).u32(0).u32(0)},
        {"compressed bitmap of garbage", 5, Bytes().u32(objectVersion).u32(1).i32(10).i32(10).i32(0).u32(0x0026200A).u32(1).u32(0x12345678)},
        {"pen dash count beyond the bytes", 2, Bytes().u32(objectVersion).u32(0).u32(0x100).u32(0).raw(floats({1}).data()).u32(0x7FFFFFFF)},
        {"unknown brush type", 1, Bytes().u32(objectVersion).u32(99).u32(opaqueBlue)},
    };
    for (const auto& row : objects) {
        SCOPED_TRACE(row.name);
        const auto s = play(PlusFile()
                                .object(row.type, 0, row.data)
                                .plus(FillPath, solidColour, Bytes().u32(opaqueBlue))
                                .plus(FillRegion, solidColour, Bytes().u32(opaqueBlue))
                                .plus(FillRects, 0, join(Bytes().u32(0).u32(1), floats({0, 0, 40, 40})))
                                .plus(DrawImage, 0, join(Bytes().u32(0).u32(2), floats({0, 0, 10, 10, 0, 0, 40, 40})))
                                .object(1, 1, solidBrush(opaqueRed))
                                .plus(FillRects, 0, join(Bytes().u32(1).u32(1), floats({0, 0, 10, 10})))
                                .bytes());
        EXPECT_EQ(countOf(*s, blue), 0);
        EXPECT_EQ(s->pixel(5, 5), red);
    }
}

TEST(PlusPlayer, DrawingLandsInTheDestinationAndTheContextsClip)
{
    const std::vector<std::uint8_t> bytes = PlusFile().fillRect(opaqueRed, 0, 0, 40, 40).fillRect(0x80FF0000, 0, 0, 20, 20).bytes();
    const MetafileHandle metafile = EnhancedMetafile::fromBytes(bytes);
    ASSERT_NE(metafile, nullptr);
    {
        SCOPED_TRACE("half size, moved in by ten pixels");
        auto section = Section::createDisplayCompatible(40, 40);
        section->fill(white);
        SectionDeviceContext dc(*section);
        playEnhancedMetafile(dc, *metafile, {10, 10, 29, 29});
        expectPixels(*section, {{10, 10, red}, {29, 29, red}, {9, 9, white}, {30, 30, white}, {5, 35, white}});
    }
    {
        SCOPED_TRACE("the context's clip and mapping are kept");
        auto section = Section::createDisplayCompatible(40, 40);
        section->fill(white);
        SectionDeviceContext dc(*section);
        dc.setClipRect(Rect{0, 0, 20, 40});
        dc.setViewportOrigin({5, 0});
        playEnhancedMetafile(dc, *metafile, {0, 0, 39, 39});
        expectPixels(*section, {{5, 5, red}, {19, 30, red}, {2, 5, white}, {25, 5, white}});
        EXPECT_EQ(dc.viewportOrigin().x, 5);
        EXPECT_EQ(dc.worldTransform(), QTransform());
    }
    {
        SCOPED_TRACE("translucent colours blend with what is under them");
        const auto s = play(PlusFile().fillRect(0x80FF0000, 0, 0, 40, 40).fillRect(0x800000FF, 20, 0, 20, 40).bytes());
        const Colour pink = s->pixel(5, 5), mixed = s->pixel(30, 5);
        EXPECT_EQ(redOf(pink), 255);
        EXPECT_NEAR(greenOf(pink), 127, 2);
        EXPECT_NEAR(blueOf(pink), 127, 2);
        EXPECT_NEAR(redOf(mixed), 127, 3);
        EXPECT_NEAR(greenOf(mixed), 63, 3);
        EXPECT_NEAR(blueOf(mixed), 191, 3);
    }
}

TEST(PlusObjects, PointsInEveryEncoding)
{
    const struct {
        const char* name;
        std::uint16_t flags;
        Bytes data;
        std::vector<QPointF> expected;
    } rows[] = {
        {"floats", 0, floats({1.5f, -2, 300, 4}), {{1.5, -2}, {300, 4}}},
        {"16-bit integers", compressed, Bytes().i16(-5).i16(7).i16(32767).i16(-32768), {{-5, 7}, {32767, -32768}}},
        // 7-bit steps: 0x3F is +63, 0x40 is -64; then a 15-bit step of -1 (0xFF 0xFF) and +16384 - 1.
        {"relative 7-bit steps", relative, Bytes().raw({0x3F, 0x40, 0x01, 0x7F}), {{63, -64}, {64, -65}}},
        {"relative 15-bit steps", relative, Bytes().raw({0xFF, 0xFF, 0xBF, 0xFF, 0x00, 0x00}), {{-1, 16383}, {-1, 16383}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bytes::ByteCursor in(row.data.data());
        const auto points = plus::readPoints(in, std::uint32_t(row.expected.size()), row.flags);
        ASSERT_TRUE(points.has_value());
        EXPECT_EQ(*points, row.expected);
    }
    // A count the bytes cannot hold is refused before anything is made of it.
    const Bytes two = floats({1, 2, 3, 4});
    bytes::ByteCursor in(two.data());
    EXPECT_FALSE(plus::readPoints(in, 3, 0).has_value());
    bytes::ByteCursor relativeIn(two.data());
    EXPECT_FALSE(plus::readPoints(relativeIn, 0x80000000u, relative).has_value());
}

TEST(PlusObjects, CombineModesOfRegionsAndClips)
{
    QPainterPath left, right;
    left.addRect(0, 0, 20, 10);
    right.addRect(10, 0, 20, 10);
    const QPointF onlyLeft(5, 5), both(15, 5), onlyRight(25, 5);
    const struct {
        plus::CombineMode mode;
        bool inOnlyLeft, inBoth, inOnlyRight;
    } rows[] = {
        {plus::CombineMode::Replace, false, true, true},   {plus::CombineMode::Intersect, false, true, false},
        {plus::CombineMode::Union, true, true, true},      {plus::CombineMode::Xor, true, false, true},
        {plus::CombineMode::Exclude, true, false, false},  {plus::CombineMode::Complement, false, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.mode));
        const QPainterPath result = plus::combine(left, right, row.mode);
        EXPECT_EQ(result.contains(onlyLeft), row.inOnlyLeft);
        EXPECT_EQ(result.contains(both), row.inBoth);
        EXPECT_EQ(result.contains(onlyRight), row.inOnlyRight);
    }
}

TEST(PlusObjects, UnitsInPixelsAtTheFilesResolution)
{
    const struct {
        plus::Unit unit;
        double pixels;  // at 144 dots per inch
    } rows[] = {{plus::Unit::World, 1}, {plus::Unit::Display, 1}, {plus::Unit::Pixel, 1}, {plus::Unit::Point, 2},
                {plus::Unit::Inch, 144}, {plus::Unit::Document, 0.48}, {plus::Unit::Millimeter, 144 / 25.4}};
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(plus::pixelsPerUnit(row.unit, 144), row.pixels) << int(row.unit);
}

TEST(EnhancedMetafileBytes, ReferenceDevicesOfAbsurdSizeStillRead)
{
    // Millimetres (offset 80) whose micrometres would not fit 32 bits.
    std::vector<std::uint8_t> bytes = PlusFile().fillRect(opaqueRed, 0, 0, 40, 40).bytes();
    for (std::size_t at : {80u, 84u})
        for (int i = 0; i < 4; ++i)
            bytes[at + std::size_t(i)] = std::uint8_t(1448498774u >> (8 * i));
    const MetafileHandle metafile = EnhancedMetafile::fromBytes(bytes);
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(metafile->header().micrometres.cx, INT32_MAX);
    EXPECT_EQ(metafile->header().micrometres.cy, INT32_MAX);
}

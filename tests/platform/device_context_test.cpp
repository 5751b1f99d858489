#include "platform/qt_drawing.h"
#include "platform/section_device_context.h"

#include "test_sections.h"

#include <QByteArray>
#include <QTransform>

#include <gtest/gtest.h>

#include <climits>

using namespace platform;
using testing_sections::makeSection;
using testing_sections::raw;
using testing_sections::setRaw;

namespace {

constexpr Colour white = 0xFFFFFF;
constexpr Colour black = 0x000000;
constexpr Colour red = 0x0000FF;

std::unique_ptr<Section> whiteSection(int width, int height, int bits = 32, bool topDown = true)
{
    auto s = makeSection(width, height, bits, bits <= 8 ? testing_sections::standardTable() : std::vector<RgbQuad>{},
                         topDown);
    s->fill(white);
    return s;
}

// Picture of a section as rows of characters: '.' white, '#' black, 'r' red, '?' other.
std::vector<std::string> picture(const Section& s)
{
    std::vector<std::string> rows;
    for (int y = 0; y < s.height(); ++y) {
        std::string row;
        for (int x = 0; x < s.width(); ++x) {
            const Colour c = s.pixel(x, y);
            row += c == white ? '.' : c == black ? '#' : c == red ? 'r' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

void drawFrameAndFill(DeviceContext& dc)
{
    dc.setPen({PenStyle::Solid, 1, black});
    dc.setBrush({BrushStyle::Solid, red, nullptr});
    dc.rectangle({1, 1, 6, 5});
}

} // namespace

TEST(SectionShapes, RectangleExcludesRightAndBottomEdges)
{
    const std::vector<std::string> expected = {
        "........",
        ".#####..",
        ".#rrr#..",
        ".#rrr#..",
        ".#####..",
        "........",
    };
    // Shared pixels (top-down 32 bits), a drawing copy (bottom-up) and a palettised section.
    struct Row {
        const char* name;
        int bits;
        bool topDown;
    };
    const Row rows[] = {{"32 bits top-down", 32, true}, {"32 bits bottom-up", 32, false},
                        {"24 bits", 24, true}, {"4 bits", 4, true}, {"8 bits bottom-up", 8, false}};
    for (const Row& row : rows) {
        auto s = whiteSection(8, 6, row.bits, row.topDown);
        SectionDeviceContext dc(*s);
        drawFrameAndFill(dc);
        EXPECT_EQ(picture(*s), expected) << row.name;
    }
}

TEST(SectionShapes, ClearPenFillsTheInteriorOnlyAndClearBrushNothing)
{
    auto s = whiteSection(8, 6);
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Clear, 1, black});
    dc.setBrush({BrushStyle::Solid, red, nullptr});
    dc.rectangle({1, 1, 6, 5});
    dc.setPen({PenStyle::Solid, 1, black});
    dc.setBrush({BrushStyle::Clear, red, nullptr});
    dc.rectangle({6, 0, 8, 3});
    const std::vector<std::string> expected = {
        "......##",
        ".rrrr.##",
        ".rrrr.##",
        ".rrrr...",
        "........",
        "........",
    };
    EXPECT_EQ(picture(*s), expected);
}

TEST(SectionShapes, EllipseStaysInsideItsBox)
{
    auto s = whiteSection(12, 10);
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Solid, 1, black});
    dc.setBrush({BrushStyle::Solid, red, nullptr});
    dc.ellipse({1, 1, 10, 8});
    const auto rows = picture(*s);
    int left = 99, right = -1, top = 99, bottom = -1;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            if (rows[std::size_t(y)][std::size_t(x)] != '.') {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 9);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 7);
    EXPECT_EQ(rows[4][5], 'r');
    EXPECT_EQ(rows[4][1], '#');
}

TEST(SectionShapes, ArcsRunCounterclockwiseFromStartToEnd)
{
    // From the 3 o'clock ray to the 12 o'clock ray: the upper right quarter only.
    auto s = whiteSection(11, 11);
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Solid, 1, black});
    dc.arc({0, 0, 11, 11}, {10, 5}, {5, 0});
    int upperRight = 0, elsewhere = 0;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) {
            if (s->pixel(x, y) == white)
                continue;
            if (x >= 7 && y <= 3)
                ++upperRight;
            else if (x <= 3 || y >= 7)
                ++elsewhere;
        }
    EXPECT_GT(upperRight, 2);
    EXPECT_EQ(elsewhere, 0);

    // The pie of the other three quarters fills the lower left but not the upper right corner.
    auto pie = whiteSection(11, 11);
    SectionDeviceContext pieDc(*pie);
    pieDc.setPen({PenStyle::Solid, 1, black});
    pieDc.setBrush({BrushStyle::Solid, red, nullptr});
    pieDc.pie({0, 0, 11, 11}, {5, 0}, {10, 5});
    EXPECT_EQ(pie->pixel(3, 7), red);
    EXPECT_EQ(pie->pixel(7, 3), white);
}

TEST(SectionShapes, LineLeavesOutItsLastPointAndMovesThePosition)
{
    auto s = whiteSection(8, 3);
    SectionDeviceContext dc(*s);
    dc.moveTo({1, 1});
    dc.lineTo({5, 1});
    EXPECT_EQ(dc.currentPosition(), (Point{5, 1}));
    EXPECT_EQ(picture(*s)[1], ".####...");
}

TEST(SectionShapes, PenModesCombineWithTheDestination)
{
    auto s = whiteSection(4, 1);
    s->setPixel(2, 0, rgb(0x0F, 0xF0, 0x00));
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Solid, 1, rgb(0xFF, 0xFF, 0x00)});
    dc.setPenMode(PenMode::XorPen);
    dc.moveTo({1, 0});
    dc.lineTo({3, 0});
    EXPECT_EQ(s->pixel(1, 0), rgb(0, 0, 0xFF));
    EXPECT_EQ(s->pixel(2, 0), rgb(0xF0, 0x0F, 0x00));
    EXPECT_EQ(s->pixel(3, 0), white);
    dc.setPenMode(PenMode::Nop);
    dc.moveTo({0, 0});
    dc.lineTo({4, 0});
    EXPECT_EQ(s->pixel(0, 0), white);
    EXPECT_EQ(raw(*s, 1, 0), 0x000000FFu);
    // The x byte of 32-bit pixels stays zero after drawing (QPainter writes 0xFF there).
    dc.setPenMode(PenMode::CopyPen);
    dc.lineTo({2, 0});
    EXPECT_EQ(raw(*s, 3, 0), 0x00FFFF00u);
}

TEST(SectionShapes, ClipRectangleLimitsDrawing)
{
    auto s = whiteSection(8, 6);
    SectionDeviceContext dc(*s);
    dc.setClipRect(Rect{0, 0, 3, 6});
    drawFrameAndFill(dc);
    const std::vector<std::string> expected = {
        "........", ".##.....", ".#r.....", ".#r.....", ".##.....", "........",
    };
    EXPECT_EQ(picture(*s), expected);
}

TEST(SectionShapes, PalettisedDrawingKeepsUntouchedIndexes)
{
    // Entries 0 and 3 are both black: a pixel of index 3 away from the drawing stays 3.
    auto table = testing_sections::standardTable();
    table[3] = {0, 0, 0, 0};
    auto s = makeSection(6, 4, 4, table);
    setRaw(*s, 5, 3, 3);
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Solid, 1, rgb(250, 0, 0)});
    dc.moveTo({0, 0});
    dc.lineTo({3, 0});
    EXPECT_EQ(raw(*s, 5, 3), 3u);
    EXPECT_EQ(raw(*s, 0, 0), 9u);
    EXPECT_EQ(raw(*s, 3, 0), 0u);
}

TEST(SectionShapes, MonochromeDeviceTakesWhiteAsOne)
{
    auto s = Section::createMonochrome(8, 4);
    SectionDeviceContext dc(*s);
    dc.setPen({PenStyle::Solid, 1, black});
    dc.setBrush({BrushStyle::Solid, rgb(230, 230, 230), nullptr});  // nearer white
    dc.rectangle({0, 0, 5, 4});
    EXPECT_EQ(s->bits()[0 * 4], 0x00);                // top edge: pen
    EXPECT_EQ(s->row(1)[0], 0x70);                    // 0 1 1 1 0: pen, brush ×3, pen
    EXPECT_EQ(s->row(3)[0], 0x00);
}

TEST(SectionShapes, FillRectAndFrameRectUseTheBrush)
{
    auto s = whiteSection(6, 4, 8);
    SectionDeviceContext dc(*s);
    dc.fillRect({0, 0, 2, 2}, {BrushStyle::Solid, red, nullptr});
    dc.frameRect({2, 0, 6, 4}, {BrushStyle::Solid, black, nullptr});
    const std::vector<std::string> expected = {"rr####", "rr#..#", "..#..#", "..####"};
    EXPECT_EQ(picture(*s), expected);
}

TEST(SectionShapes, FiguresSpanningTheWholeRangeCoverTheSection)
{
    const Rect whole{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    const std::vector<std::string> allRed(3, "rrrr");
    for (int bits : {32, 8}) {
        auto s = whiteSection(4, 3, bits);
        SectionDeviceContext dc(*s);
        dc.setPen({PenStyle::Clear, 1, black});
        dc.setBrush({BrushStyle::Solid, red, nullptr});
        dc.rectangle(whole);
        EXPECT_EQ(picture(*s), allRed) << bits << " bits";
        // The outline of a rounded rectangle that large runs far outside.
        s->fill(white);
        dc.setPen({PenStyle::Solid, 1, black});
        dc.roundRect(whole, INT_MIN, INT_MIN);
        EXPECT_EQ(picture(*s), allRed) << bits << " bits";
    }
}

TEST(SectionShapes, PensOfAnyWidthCoverWhatTheirWidthReaches)
{
    // A pen far wider than the section covers all of it, whatever the figure's own size.
    const std::vector<std::string> allBlack(5, "######");
    for (int width : {1000, 40000, INT_MAX}) {
        auto s = whiteSection(6, 5);
        SectionDeviceContext dc(*s);
        dc.setPen({PenStyle::Solid, width, black});
        dc.setBrush({BrushStyle::Clear, red, nullptr});
        dc.rectangle({2, 2, 4, 3});
        EXPECT_EQ(picture(*s), allBlack) << "pen width " << width;
    }
}

TEST(SectionText, DrawsInTheTextColourWithinItsCell)
{
    for (int bits : {32, 4}) {
        auto s = whiteSection(40, 24, bits);
        SectionDeviceContext dc(*s);
        dc.setFont({"MS Sans Serif", -14});
        dc.setTextColour(red);
        dc.setBackgroundMode(BackgroundMode::Transparent);
        dc.textOut({3, 4}, "H");
        const Size extent = dc.textExtent("H");
        int redPixels = 0, outside = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const Colour c = s->pixel(x, y);
                const bool inCell = x >= 3 && x < 3 + extent.cx && y >= 4 && y < 4 + extent.cy;
                redPixels += c == red;
                outside += c != white && !inCell;
            }
        EXPECT_GT(redPixels, 10) << bits << " bits";
        EXPECT_EQ(outside, 0) << bits << " bits";
    }
}

TEST(SectionText, OpaqueModeFillsTheCell)
{
    auto s = whiteSection(40, 24);
    SectionDeviceContext dc(*s);
    dc.setFont({"MS Sans Serif", -14});
    dc.setBackgroundColour(rgb(0, 0, 255));
    dc.setBackgroundMode(BackgroundMode::Opaque);
    dc.textOut({3, 4}, "H");
    const Size extent = dc.textExtent("H");
    EXPECT_EQ(s->pixel(3, 4), rgb(0, 0, 255));
    EXPECT_EQ(s->pixel(3 + extent.cx - 1, 4 + extent.cy - 1), rgb(0, 0, 255));
    EXPECT_EQ(s->pixel(2, 4), white);
    EXPECT_EQ(s->pixel(3 + extent.cx, 4), white);
    EXPECT_EQ(s->pixel(3, 4 + extent.cy), white);
}

TEST(SectionText, MetricsFollowTheFontHeight)
{
    auto s = whiteSection(2, 2);
    SectionDeviceContext dc(*s);
    dc.setFont({"MS Sans Serif", -20});
    const TextMetrics m = dc.textMetrics();
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_GE(m.height, 20);
    EXPECT_EQ(dc.textExtent("HH").cx, 2 * dc.textExtent("H").cx);
    EXPECT_EQ(dc.textExtent("H").cy, m.height);
    // A positive height asks for the whole cell.
    dc.setFont({"MS Sans Serif", 30});
    EXPECT_NEAR(dc.textMetrics().height, 30, 1);
}

TEST(SectionText, FontsOfAnyShapeRender)
{
    // Heights, widths and world transforms from hostile files: whatever the font engine is
    // asked for, it can render (it reports a glyph it cannot, and may then crash on it).
    static int glyphFailures;
    glyphFailures = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        glyphFailures += message.contains(QByteArray("render glyph failed"));
    });
    const QTransform transforms[] = {QTransform(), QTransform::fromScale(64, 1.0 / 64), QTransform::fromScale(1.0 / 64, 64),
                                     QTransform::fromScale(400, 0.0004), QTransform(3, 2, 2, 1.4, 0, 0)};
    for (const QTransform& transform : transforms)
        for (int height : {-1, -3, -8, -20, -64, -200, -1000, -5000, 30})
            for (int width : {0, 1, 2, 5, 40, 400, 4000, 100000}) {
                auto s = whiteSection(64, 64);
                SectionDeviceContext dc(*s);
                dc.setWorldTransform(transform);
                dc.setFont({"MS Sans Serif", height, width});
                dc.textOut({0, 0}, "MT_-W");
            }
    qInstallMessageHandler(previous);
    EXPECT_EQ(glyphFailures, 0);
}

TEST(FontMapping, ClassicFamiliesMapToDejaVu)
{
    EXPECT_EQ(detail::fontFamilyFor("MS Sans Serif", 0), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(detail::fontFamilyFor("Arial", 0), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(detail::fontFamilyFor("Times New Roman", 0), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(detail::fontFamilyFor("Courier New", 0), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(detail::fontFamilyFor("", 1), QStringLiteral("DejaVu Sans Mono"));
    // Installed families are used as they are; missing ones fall back by pitch and family.
    EXPECT_EQ(detail::fontFamilyFor("DejaVu Sans Mono", 0), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(detail::fontFamilyFor("No Such Face", 0x10), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(detail::fontFamilyFor("No Such Face", 0x31), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(detail::fontFamilyFor("Wingdings", 0x50), QStringLiteral("DejaVu Sans"));
    const QFont bold = detail::qFont({"Arial", -12, 0, 0, 700, true, true, false});
    EXPECT_EQ(bold.pixelSize(), 12);
    EXPECT_EQ(bold.weight(), QFont::Bold);
    EXPECT_TRUE(bold.italic());
    EXPECT_TRUE(bold.underline());
    EXPECT_FALSE(bold.strikeOut());
}

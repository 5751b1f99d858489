#include "framework/canvas.h"
#include "framework/drawing.h"

#include "platform/device_context.h"
#include "platform/section.h"
#include "support/test_support.h"

#include <thread>

namespace {

using platform::Colour;
using platform::Point;
using platform::Rect;

// A context that records what the canvas asks of it. Text is 6 pixels a byte and 13 high.
class RecordingContext : public platform::DeviceContext {
public:
    struct Text {
        Point at;
        unsigned options;
        std::string text;
    };
    struct Blit {
        Rect destination;
        Rect source;
        std::uint32_t rop;
        Colour sourceBackground;
    };
    struct Line {
        std::vector<Point> points;
        Colour colour;
    };

    int bitsPerPixel() const override { return 32; }
    int logicalDpiX() const override { return 96; }
    int logicalDpiY() const override { return 96; }
    platform::Size pixelSize() const override { return {100, 50}; }
    const platform::Section* section() const override { return pixels; }

    void lineTo(Point p) override
    {
        record("lineTo");
        m_state.position = p;
    }
    void polyline(std::span<const Point> points) override
    {
        record("polyline");
        lines.push_back({{points.begin(), points.end()}, pen().colour});
    }
    void polylineTo(std::span<const Point>) override { record("polylineTo"); }
    void polygon(std::span<const Point>) override { record("polygon"); }
    void polyPolygon(std::span<const Point>, std::span<const int>) override { record("polyPolygon"); }
    void polyPolyline(std::span<const Point>, std::span<const int>) override { record("polyPolyline"); }
    void polyBezier(std::span<const Point>) override { record("polyBezier"); }
    void polyBezierTo(std::span<const Point>) override { record("polyBezierTo"); }
    void rectangle(const Rect& r) override
    {
        record("rectangle");
        rectangles.push_back(r);
    }
    void roundRect(const Rect&, int, int) override { record("roundRect"); }
    void ellipse(const Rect&) override { record("ellipse"); }
    void arc(const Rect&, Point, Point) override { record("arc"); }
    void arcTo(const Rect&, Point, Point) override { record("arcTo"); }
    void chord(const Rect&, Point, Point) override { record("chord"); }
    void pie(const Rect&, Point, Point) override { record("pie"); }
    void fillRect(const Rect& r, const platform::BrushSpec& brush) override
    {
        record("fillRect");
        fills.push_back({r, brush.colour});
    }
    void frameRect(const Rect&, const platform::BrushSpec&) override { record("frameRect"); }
    void fillRegion(const QRegion&, const platform::BrushSpec&) override { record("fillRegion"); }
    void frameRegion(const QRegion&, const platform::BrushSpec&, int, int) override { record("frameRegion"); }
    void invertRegion(const QRegion&) override { record("invertRegion"); }
    void setPixel(Point, Colour) override { record("setPixel"); }
    Colour pixel(Point) const override { return 0x123456; }
    void textOut(Point p, const std::string& utf8) override
    {
        record("textOut");
        texts.push_back({p, 0, utf8});
    }
    void extTextOut(Point p, unsigned options, const Rect*, const std::string& utf8, std::span<const int>) override
    {
        record("extTextOut");
        texts.push_back({p, options, utf8});
    }
    platform::Size textExtent(const std::string& utf8) const override { return {int(utf8.size()) * 6, 13}; }
    platform::TextMetrics textMetrics() const override
    {
        platform::TextMetrics m;
        m.height = 13;
        m.ascent = 10;
        m.descent = 3;
        return m;
    }
    void stretchBlt(const Rect& destination, const platform::Section&, const Rect& sourceRect, std::uint32_t rasterOp,
                    Colour sourceBackground) override
    {
        record("stretchBlt");
        blits.push_back({destination, sourceRect, rasterOp, sourceBackground});
    }
    void maskBlt(const Rect&, const platform::Section&, Point, const platform::Section&, Point, std::uint32_t) override
    {
        record("maskBlt");
    }
    void patBlt(const Rect&, std::uint32_t) override { record("patBlt"); }
    void alphaStretchBlt(const Rect&, const platform::Section&, const Rect&, std::uint8_t, bool) override
    {
        record("alphaStretchBlt");
    }

    void record(const char* call) { calls.push_back(call); }

    std::vector<std::string> calls;
    std::vector<Text> texts;
    std::vector<Blit> blits;
    std::vector<Line> lines;
    std::vector<Rect> rectangles;
    std::vector<std::pair<Rect, Colour>> fills;
    const platform::Section* pixels = nullptr;
};

// A canvas bound to a context for the length of a test.
class BoundCanvas : public TCanvas {
public:
    explicit BoundCanvas(platform::DeviceContext& context) { SetHandle(&context); }
    ~BoundCanvas() override { SetHandle(nullptr); }
};

class FakeGraphic : public TDrawable {
public:
    FakeGraphic(int width, int height) : m_width(width), m_height(height) {}
    void PaintInto(TCanvas& canvas, const TRect& rect) override
    {
        painted.push_back(rect);
        background = canvas.Handle()->backgroundColour();
        text = canvas.Handle()->textColour();
    }
    bool IsEmpty() const override { return m_width == 0 || m_height == 0; }
    int ReadWidth() const override { return m_width; }
    int ReadHeight() const override { return m_height; }

    std::vector<TRect> painted;
    Colour background = 0;
    Colour text = 0;

private:
    int m_width;
    int m_height;
};

} // namespace

TEST(CanvasState, FontPenAndBrushAreSelectedBeforeDrawing)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    canvas.Font().SetHeight(-13);
    canvas.Font().SetStyle((1u << fsBold) | (1u << fsItalic));
    canvas.Font().SetColor(clRed);
    canvas.Pen().SetColor(clBtnShadow);
    canvas.Pen().SetWidth(3);
    canvas.Pen().SetMode(pmXor);
    canvas.Brush().SetColor(clBtnFace);
    canvas.Rectangle(0, 0, 10, 10);

    EXPECT_EQ(dc.font().height, -13);
    EXPECT_EQ(dc.font().weight, 700);
    EXPECT_TRUE(dc.font().italic);
    EXPECT_FALSE(dc.font().underline);
    EXPECT_EQ(dc.textColour(), 0x0000FFu);
    // System colours reach the context as plain colours of the default colour scheme.
    EXPECT_EQ(dc.pen().colour, 0x808080u);
    EXPECT_EQ(dc.pen().width, 3);
    EXPECT_EQ(dc.penMode(), platform::PenMode::XorPen);
    EXPECT_EQ(dc.brush().colour, 0xC0C0C0u);
    EXPECT_EQ(dc.backgroundColour(), 0xC0C0C0u);
    EXPECT_EQ(dc.backgroundMode(), platform::BackgroundMode::Opaque);
    EXPECT_EQ(dc.rectangles, (std::vector<Rect>{{0, 0, 10, 10}}));
}

TEST(CanvasState, ChangesReachTheContextAtTheNextDrawing)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    canvas.LineTo(1, 1);
    canvas.Pen().SetColor(clRed);
    canvas.Brush().SetStyle(bsClear);
    EXPECT_EQ(dc.pen().colour, 0x000000u);
    canvas.LineTo(2, 2);
    EXPECT_EQ(dc.pen().colour, 0x0000FFu);
    // A clear brush leaves text and hatch backgrounds alone.
    EXPECT_EQ(dc.backgroundMode(), platform::BackgroundMode::Transparent);
    EXPECT_EQ(dc.brush().style, platform::BrushStyle::Clear);
    // Assigning a colour makes a clear brush solid again.
    canvas.Brush().SetColor(clYellow);
    EXPECT_EQ(canvas.Brush().Style(), bsSolid);
}

TEST(CanvasState, WithoutAContextTheBaseCanvasRefusesToDraw)
{
    TCanvas canvas;
    EXPECT_RAISES(canvas.FillRect({0, 0, 1, 1}), EInvalidOperation, "Canvas does not allow drawing");
    EXPECT_FALSE(canvas.HandleAllocated());
}

TEST(CanvasNotifications, ChangingBeforeAndChangedAfterEachDrawing)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    canvas.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &canvas);
        dc.record("changing");
    };
    canvas.OnChange = [&](TObject*) { dc.record("changed"); };
    canvas.FillRect({0, 0, 5, 5});
    canvas.TextOut(1, 1, "x");
    EXPECT_EQ(dc.calls, (std::vector<std::string>{"changing", "fillRect", "changed", "changing", "textOut", "changed"}));
}

TEST(CanvasText, TextOutMovesThePenPastTheTextAndTextRectClipsAndFills)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    canvas.TextOut(5, 7, "abc");
    EXPECT_EQ(canvas.PenPos(), (TPoint{5 + 18, 7}));
    canvas.TextRect({0, 0, 20, 20}, 2, 3, "x");
    EXPECT_EQ(dc.texts.back().options, unsigned(platform::ETO_CLIPPED | platform::ETO_OPAQUE));
    canvas.Brush().SetStyle(bsClear);
    canvas.TextRect({0, 0, 20, 20}, 2, 3, "x");
    EXPECT_EQ(dc.texts.back().options, unsigned(platform::ETO_CLIPPED));
    EXPECT_EQ(canvas.TextExtent("abcd"), (TSize{24, 13}));
}

TEST(CanvasDraw, DrawAtAPointColoursMonochromePixelsAndSkipsEmptyGraphics)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    canvas.Brush().SetColor(clYellow);
    canvas.Font().SetColor(clBlue);
    canvas.Draw(0, 0, nullptr);
    FakeGraphic empty(0, 4);
    canvas.Draw(1, 1, &empty);
    EXPECT_TRUE(empty.painted.empty());

    FakeGraphic picture(7, 5);
    canvas.Draw(3, 4, &picture);
    EXPECT_EQ(picture.painted, (std::vector<TRect>{{3, 4, 10, 9}}));
    EXPECT_EQ(picture.background, 0x00FFFFu);
    EXPECT_EQ(picture.text, 0xFF0000u);
}

TEST(CanvasDraw, StretchDrawPaintsEmptyGraphicsTooAndNothingForNull)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    int changes = 0;
    canvas.OnChange = [&](TObject*) { ++changes; };
    canvas.StretchDraw({0, 0, 10, 10}, nullptr);
    EXPECT_EQ(changes, 0);
    FakeGraphic empty(0, 0);
    canvas.StretchDraw({1, 2, 30, 40}, &empty);
    EXPECT_EQ(empty.painted, (std::vector<TRect>{{1, 2, 30, 40}}));
    EXPECT_EQ(changes, 1);
}

TEST(CanvasCopyRect, UsesTheSourceSectionTheCopyModeAndTheSourceBackground)
{
    auto section = platform::Section::createDisplayCompatible(4, 4);
    RecordingContext sourceDc;
    sourceDc.pixels = section.get();
    BoundCanvas source(sourceDc);
    source.Brush().SetColor(clLime);
    RecordingContext destinationDc;
    BoundCanvas destination(destinationDc);
    destination.SetCopyMode(cmSrcInvert);
    destination.CopyRect({10, 10, 18, 18}, source, {0, 0, 4, 4});
    ASSERT_EQ(destinationDc.blits.size(), 1u);
    const RecordingContext::Blit& blit = destinationDc.blits[0];
    EXPECT_EQ(blit.destination, (Rect{10, 10, 18, 18}));
    EXPECT_EQ(blit.source, (Rect{0, 0, 4, 4}));
    EXPECT_EQ(blit.rop, 0x00660046u);
    EXPECT_EQ(blit.sourceBackground, 0x00FF00u);

    // A context without pixels of its own cannot be copied from.
    RecordingContext windowDc;
    BoundCanvas window(windowDc);
    EXPECT_RAISES(destination.CopyRect({0, 0, 1, 1}, window, {0, 0, 1, 1}), EInvalidOperation,
                  "Canvas does not allow drawing");
}

TEST(CanvasPixels, DrawingOnASectionChangesItsPixels)
{
    auto section = platform::Section::createDisplayCompatible(8, 8);
    auto context = platform::makeSectionContext(*section);
    BoundCanvas canvas(*context);
    canvas.Brush().SetColor(clRed);
    canvas.FillRect({2, 2, 5, 5});
    EXPECT_EQ(canvas.Pixels(1, 1), clBlack);
    EXPECT_EQ(canvas.Pixels(2, 2), clRed);
    EXPECT_EQ(canvas.Pixels(4, 4), clRed);
    // Right and bottom edges are outside the rectangle.
    EXPECT_EQ(canvas.Pixels(5, 5), clBlack);
    canvas.SetPixels(7, 0, clBtnFace);
    EXPECT_EQ(canvas.Pixels(7, 0), TColor(0xC0C0C0));
}

TEST(CanvasBrushCopy, PixelsOfTheKeyColourTakeTheBrush)
{
    auto glyph = platform::Section::createDisplayCompatible(3, 1);
    glyph->setPixel(0, 0, 0x0000FF);
    glyph->setPixel(1, 0, 0x00FF00);
    glyph->setPixel(2, 0, 0x0000FF);
    auto target = platform::Section::createDisplayCompatible(3, 1);
    auto context = platform::makeSectionContext(*target);
    BoundCanvas canvas(*context);
    canvas.Brush().SetColor(clBlue);
    canvas.BrushCopy({0, 0, 3, 1}, *glyph, {0, 0, 3, 1}, clRed);
    EXPECT_EQ(target->pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(target->pixel(1, 0), 0x00FF00u);
    EXPECT_EQ(target->pixel(2, 0), 0xFF0000u);
}

TEST(CanvasLock, RecursiveInOneThreadExclusiveAcrossThreads)
{
    TCanvas canvas;
    canvas.Lock();
    canvas.Lock();
    EXPECT_EQ(canvas.LockCount(), 2);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = canvas.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    canvas.Unlock();
    canvas.Unlock();
    std::thread([&] {
        otherGotIt = canvas.TryLock();
        if (otherGotIt)
            canvas.Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
    EXPECT_EQ(canvas.LockCount(), 0);
}

TEST(FontSize, PointsAndPixelHeightsAt96PixelsPerInch)
{
    struct Row {
        const char* name;
        int points;
        int height;
    };
    // height = -round(points * 96 / 72); points = -round(height * 72 / 96).
    const Row rows[] = {{"8 point", 8, -11}, {"9 point", 9, -12}, {"10 point", 10, -13}, {"12 point", 12, -16}};
    for (const Row& row : rows) {
        TFont font;
        font.SetSize(row.points);
        EXPECT_EQ(font.Height(), row.height) << row.name;
        EXPECT_EQ(font.Size(), row.points) << row.name;
    }
    TFont font;
    font.SetHeight(-15);  // 11.25 points
    EXPECT_EQ(font.Size(), 11);
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetHeight(-15);
    font.SetName("Arial");
    EXPECT_EQ(changes, 1);
}

TEST(DrawTextLayout, AlignmentWordBreaksAndAccessKeys)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    // "abc" is 18 wide: centred in 100 it starts at 41; the underline sits under "c".
    TRect rect{0, 0, 100, 40};
    DrawText(canvas, "ab&c", rect, DT_CENTER);
    ASSERT_EQ(dc.texts.size(), 1u);
    EXPECT_EQ(dc.texts[0].text, "abc");
    EXPECT_EQ(dc.texts[0].at, (Point{41, 0}));
    ASSERT_EQ(dc.fills.size(), 1u);
    EXPECT_EQ(dc.fills[0].first, (Rect{53, 11, 59, 12}));

    dc.texts.clear();
    rect = {0, 0, 100, 40};
    DrawText(canvas, "a&&b", rect, DT_RIGHT | DT_BOTTOM);
    EXPECT_EQ(dc.texts[0].text, "a&b");
    EXPECT_EQ(dc.texts[0].at, (Point{100 - 18, 40 - 13}));

    // "aa bb" (30) fits a width of 30, "aa bb cc" (48) does not.
    dc.texts.clear();
    rect = {0, 0, 30, 40};
    EXPECT_EQ(DrawText(canvas, "aa bb cc", rect, DT_WORDBREAK), 26);
    ASSERT_EQ(dc.texts.size(), 2u);
    EXPECT_EQ(dc.texts[0].text, "aa bb");
    EXPECT_EQ(dc.texts[1].text, "cc");
    EXPECT_EQ(dc.texts[1].at, (Point{0, 13}));

    dc.texts.clear();
    rect = {5, 5, 35, 40};
    DrawText(canvas, "aa bb cc", rect, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_TRUE(dc.texts.empty());
    EXPECT_EQ(rect, (TRect{5, 5, 5 + 30, 5 + 26}));

    dc.texts.clear();
    rect = {0, 0, 100, 40};
    DrawText(canvas, "x", rect, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(dc.texts[0].at, (Point{0, 13}));
}

TEST(Frame3D, TopLeftAndBottomRightEdgesShrinkTheRectangle)
{
    RecordingContext dc;
    BoundCanvas canvas(dc);
    TRect rect{0, 0, 10, 5};
    Frame3D(canvas, rect, clWhite, clGray, 1);
    ASSERT_EQ(dc.lines.size(), 2u);
    EXPECT_EQ(dc.lines[0].points, (std::vector<Point>{{0, 4}, {0, 0}, {9, 0}}));
    EXPECT_EQ(dc.lines[0].colour, 0xFFFFFFu);
    EXPECT_EQ(dc.lines[1].points, (std::vector<Point>{{9, 0}, {9, 4}, {-1, 4}}));
    EXPECT_EQ(dc.lines[1].colour, 0x808080u);
    EXPECT_EQ(rect, (TRect{1, 1, 9, 4}));
}

#pragma once
// Internal to platform/: lines, shapes and text drawn through a QPainter with the classic
// rules, shared by the section and painter device contexts.
//
// - Rectangles, rounded rectangles and ellipses cover [left, right) × [top, bottom): the pen's
//   outline runs on the outermost pixels, so the right and bottom edges stay untouched. Without a
//   pen (style Clear) the interior alone is filled, one pixel narrower and shorter, as the classic
//   interior excludes the pixels the outline would have taken.
// - Lines leave out their last point; pens of width 0 or 1 are one pixel wide and may be styled
//   (dash 18/6, dot 3/3, dash-dot 9/6/3/6, dash-dot-dot 9/3/3/3/3/3); wider pens are solid with
//   round ends and joins; InsideFrame keeps a wide outline inside the figure.
// - Pen modes are the binary raster operations as QPainter raster-op composition modes, which
//   only raster targets honour; a printer draws them as plain copies.
// - Hatch gaps and styled-line gaps take the background colour in opaque background mode.
// - Text is placed by the top-left of its cell and drawn in the text colour; in opaque mode the
//   cell is first filled with the background colour. Escapement turns it counterclockwise.

#include "platform/device_context.h"

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRect>
#include <QString>

#include <span>
#include <string>
#include <vector>

class QPainter;

namespace platform::detail {

QColor qColour(Colour colour);
QRect qRect(const Rect& r);
// The family actually asked of the font system. Classic names map to DejaVu (sans, serif or
// mono by the name); any other family the machine lacks falls back by the request's pitch and
// family bits: fixed pitch or a modern family to DejaVu Sans Mono, a roman family to DejaVu
// Serif, anything else (decorative and symbol faces included) to DejaVu Sans.
QString fontFamilyFor(const std::string& family, std::uint8_t pitchAndFamily);
QFont qFont(const FontSpec& request, bool antialiased = true);
Size textExtentOf(const FontSpec& request, const std::string& utf8);
TextMetrics textMetricsOf(const FontSpec& request);

// The drawing state of a context, with the colours made ready for the target.
struct DrawState {
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    Colour textColour = 0;
    Colour backgroundColour = 0xFFFFFF;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    PenMode penMode = PenMode::CopyPen;
    PolyFillMode polyFillMode = PolyFillMode::Alternate;
    Point brushOrigin;
    bool antialiasedText = true;
};

// The context's state; for a monochrome target every colour becomes black or white first.
DrawState drawStateOf(const DeviceContext& context, bool monochrome, bool antialiasedText);

// The point of an ellipse's parametric form (in QPainter's degrees) on the ray from the box's
// centre through `p`.
double parametricAngle(const QRectF& box, QPointF p);

// One run of text in device pixels: where it starts (its alignment point), how it is aligned,
// and the advance after each UTF-16 unit when the caller gives them.
struct TextRun {
    QPointF origin;
    unsigned align = 0;
    unsigned options = 0;
    const Rect* rect = nullptr;
    QString text;
    std::vector<QPointF> advances;
    double charExtra = 0;
};
// The run's whole advance along its baseline, and the bounds it may touch.
double textRunAdvance(const TextRun& run, const DrawState& state);
QRectF textRunBounds(const TextRun& run, const DrawState& state);

// What of a figure is drawn: its inside with the brush, its outline with the pen, or both.
enum class FigureParts { Inside, Outline, InsideAndOutline };

class ShapePainter {
public:
    ShapePainter(QPainter& painter, const DrawState& state) : m_painter(painter), m_state(state) {}

    void line(Point from, Point to);
    void polyline(std::span<const Point> points);
    void polygon(std::span<const Point> points);
    void rectangle(const Rect& r);
    void roundRect(const Rect& r, int cornerWidth, int cornerHeight);
    void ellipse(const Rect& r);
    enum class ArcKind { Arc, Chord, Pie };
    void arc(ArcKind kind, const Rect& r, Point start, Point end);
    void fillRect(const Rect& r, const BrushSpec& brush);
    void frameRect(const Rect& r, const BrushSpec& brush);
    void text(const TextRun& run);
    // A device-space outline: its inside filled with the brush (by its own fill rule), its
    // outline stroked with the pen.
    void path(const QPainterPath& outline, FigureParts parts);

private:
    // Sets pen, brush and composition for a figure; false when the pen mode draws nothing.
    bool prepareFigure(FigureParts parts);
    void setBrush(const BrushSpec& brush);

    QPainter& m_painter;
    const DrawState& m_state;
};

// Generous bounds of what a drawing may touch, for drawing through a copy of that area.
Rect figureBounds(const Rect& r, const PenSpec& pen);
Rect pointsBounds(std::span<const Point> points, const PenSpec& pen);
Rect textBounds(Point p, const Rect* rect, const FontSpec& font, const std::string& utf8);

} // namespace platform::detail

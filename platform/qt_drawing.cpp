#include "platform/qt_drawing.h"

#include "platform/display.h"
#include "platform/pixel_format.h"
#include "platform/section.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace platform::detail {

double parametricAngle(const QRectF& box, QPointF p);

namespace {

// Character height of a font asked for with height 0: 8 points at 96 dpi.
constexpr int defaultPixelSize = 11;

Colour blackOrWhite(Colour c)
{
    const int r = redOf(c), g = greenOf(c), b = blueOf(c);
    const int toBlack = r * r + g * g + b * b;
    const int toWhite = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
    return toWhite < toBlack ? 0xFFFFFF : 0x000000;
}

Colour inverted(Colour c)
{
    return ~colourToRgb(c) & 0xFFFFFF;
}

QPainter::CompositionMode compositionOf(PenMode mode)
{
    switch (mode) {
    case PenMode::NotMergePen: return QPainter::RasterOp_NotSourceAndNotDestination;
    case PenMode::MaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case PenMode::MaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    case PenMode::XorPen: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotMaskPen: return QPainter::RasterOp_NotSourceOrNotDestination;
    case PenMode::MaskPen: return QPainter::RasterOp_SourceAndDestination;
    case PenMode::NotXorPen: return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::MergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case PenMode::MergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case PenMode::MergePen: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

Qt::BrushStyle hatchOf(BrushStyle style)
{
    switch (style) {
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    case BrushStyle::Clear: return Qt::NoBrush;
    default: return Qt::SolidPattern;
    }
}

// A pattern section as a brush tile; a monochrome device pattern takes the text colour for its
// 0 bits and the background colour for its 1 bits.
QImage patternImage(const Section& pattern, Colour text, Colour background)
{
    if (pattern.kind() != Section::Kind::MonochromeDevice)
        return pattern.toImage().copy();
    QImage image(pattern.width(), pattern.height(), QImage::Format_RGB32);
    const QRgb zero = qColour(text).rgb(), one = qColour(background).rgb();
    for (int y = 0; y < pattern.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pattern.width(); ++x)
            out[x] = readRaw(pattern.row(y), 1, x) ? one : zero;
    }
    return image;
}

double parametricAngle(const QRectF& box, Point p)
{
    return detail::parametricAngle(box, QPointF(p.x, p.y));
}

Rect normalised(const Rect& r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

int clampToInt(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2));
}

Rect inflated(const Rect& r, std::int64_t by)
{
    return {clampToInt(std::int64_t(r.left) - by), clampToInt(std::int64_t(r.top) - by),
            clampToInt(std::int64_t(r.right) + by), clampToInt(std::int64_t(r.bottom) + by)};
}

} // namespace

double parametricAngle(const QRectF& box, QPointF p)
{
    const double cx = box.center().x(), cy = box.center().y();
    const double rx = std::max(box.width() / 2, 0.5), ry = std::max(box.height() / 2, 0.5);
    return std::atan2(-(p.y() - cy) * rx, (p.x() - cx) * ry) * 180.0 / std::numbers::pi;
}

QColor qColour(Colour colour)
{
    const Colour c = colourToRgb(colour);
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

QRect qRect(const Rect& r)
{
    // QRect measures in int: edges are first cut to a range far beyond any device, so that
    // rectangles from anywhere in the coordinate range fill and clip what they should.
    static constexpr int limit = 1 << 30;
    const auto cut = [](int v) { return std::clamp(v, -limit, limit); };
    return QRect(QPoint(cut(r.left), cut(r.top)), QPoint(cut(r.right) - 1, cut(r.bottom) - 1));
}

QString fontFamilyFor(const std::string& family, std::uint8_t pitchAndFamily)
{
    static const char* const sans[] = {"", "ms sans serif", "microsoft sans serif", "arial", "helvetica",
                                       "tahoma", "verdana", "segoe ui", "system", "small fonts",
                                       "ms shell dlg", "ms shell dlg 2", "arial narrow"};
    static const char* const serif[] = {"times new roman", "ms serif", "times", "georgia", "roman",
                                        "book antiqua", "garamond"};
    static const char* const mono[] = {"courier new", "courier", "fixedsys", "terminal", "lucida console",
                                       "consolas", "modern"};
    const QString lower = QString::fromStdString(family).trimmed().toLower();
    const auto in = [&](const auto& names) {
        return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return lower == QLatin1String(n); });
    };
    if (in(mono) || (lower.isEmpty() && (pitchAndFamily & 0x3) == 1))
        return QStringLiteral("DejaVu Sans Mono");
    if (in(serif) || (lower.isEmpty() && (pitchAndFamily & 0xF0) == 0x10))
        return QStringLiteral("DejaVu Serif");
    if (in(sans))
        return QStringLiteral("DejaVu Sans");
    const QString requested = QString::fromStdString(family).trimmed();
    // The font database needs the application object; without one the name goes as it is.
    if (!QGuiApplication::instance())
        return requested;
    static const QStringList installed = QFontDatabase::families();
    if (installed.contains(requested, Qt::CaseInsensitive))
        return requested;
    if ((pitchAndFamily & 0x3) == 1 || (pitchAndFamily & 0xF0) == 0x30)
        return QStringLiteral("DejaVu Sans Mono");
    if ((pitchAndFamily & 0xF0) == 0x10)
        return QStringLiteral("DejaVu Serif");
    return QStringLiteral("DejaVu Sans");
}

QFont qFont(const FontSpec& request, bool antialiased)
{
    QFont font(fontFamilyFor(request.family, request.pitch));
    if ((request.pitch & 0x3) == 1)
        font.setStyleHint(QFont::Monospace);
    else if ((request.pitch & 0xF0) == 0x10)
        font.setStyleHint(QFont::Serif);
    const int weight = request.weight <= 0 ? 400 : std::clamp(request.weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(request.italic);
    font.setUnderline(request.underline);
    font.setStrikeOut(request.strikeOut);
    if (!antialiased)
        font.setStyleStrategy(QFont::NoAntialias);
    // Negative heights give the characters' height, which is the em size; positive heights the
    // whole cell (ascent + descent), found by measuring the font at a reference size.
    int pixels = defaultPixelSize;
    if (request.height < 0) {
        pixels = request.height == std::numeric_limits<int>::min() ? 1 << 16 : -request.height;
    } else if (request.height > 0) {
        QFont reference = font;
        reference.setPixelSize(100);
        const QFontMetrics metrics(reference);
        const int cell = std::max(1, metrics.ascent() + metrics.descent());
        pixels = int(std::lround(double(request.height) * 100.0 / cell));
    }
    font.setPixelSize(std::clamp(pixels, 1, 1 << 16));
    if (request.width > 0) {
        const int natural = std::max(1, QFontMetrics(font).averageCharWidth());
        font.setStretch(std::clamp(int(std::lround(request.width * 100.0 / natural)), 1, 4000));
    }
    return font;
}

Size textExtentOf(const FontSpec& request, const std::string& utf8)
{
    const QFontMetrics metrics(qFont(request));
    return {metrics.horizontalAdvance(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))),
            metrics.ascent() + metrics.descent()};
}

TextMetrics textMetricsOf(const FontSpec& request)
{
    const QFont font = qFont(request);
    const QFontMetrics metrics(font);
    TextMetrics m;
    m.ascent = metrics.ascent();
    m.descent = metrics.descent();
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - font.pixelSize());
    m.externalLeading = std::max(0, metrics.leading());
    m.averageCharWidth = metrics.averageCharWidth();
    m.maxCharWidth = metrics.maxWidth();
    return m;
}

DrawState drawStateOf(const DeviceContext& context, bool monochrome, bool antialiasedText)
{
    DrawState s;
    s.pen = context.pen();
    s.brush = context.brush();
    s.font = context.font();
    s.textColour = colourToRgb(context.textColour());
    s.backgroundColour = colourToRgb(context.backgroundColour());
    s.pen.colour = colourToRgb(s.pen.colour);
    s.brush.colour = colourToRgb(s.brush.colour);
    s.backgroundMode = context.backgroundMode();
    s.penMode = context.penMode();
    s.polyFillMode = context.polyFillMode();
    s.brushOrigin = context.brushOrigin();
    s.antialiasedText = antialiasedText;
    if (monochrome) {
        for (Colour* c : {&s.textColour, &s.backgroundColour, &s.pen.colour, &s.brush.colour})
            *c = blackOrWhite(*c);
    }
    return s;
}

void ShapePainter::setBrush(const BrushSpec& brush)
{
    if (brush.pattern) {
        m_painter.setBrush(QBrush(patternImage(*brush.pattern, m_state.textColour, m_state.backgroundColour)));
    } else {
        m_painter.setBrush(QBrush(qColour(brush.colour), hatchOf(brush.style)));
    }
    m_painter.setBrushOrigin(m_state.brushOrigin.x, m_state.brushOrigin.y);
}

bool ShapePainter::prepareFigure(FigureParts parts)
{
    const PenMode mode = m_state.penMode;
    if (mode == PenMode::Nop)
        return false;
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBackgroundMode(m_state.backgroundMode == BackgroundMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(qColour(m_state.backgroundColour));
    m_painter.setCompositionMode(compositionOf(mode));

    // Black, White and NotCopyPen are plain copies of a fixed or inverted colour.
    auto colourFor = [&](Colour c) -> Colour {
        switch (mode) {
        case PenMode::Black: return 0x000000;
        case PenMode::White: return 0xFFFFFF;
        case PenMode::NotCopyPen: return inverted(c);
        default: return c;
        }
    };
    const PenSpec& penSpec = m_state.pen;
    if (penSpec.style == PenStyle::Clear) {
        m_painter.setPen(Qt::NoPen);
    } else {
        QPen pen(qColour(colourFor(penSpec.colour)));
        if (penSpec.width <= 1) {
            pen.setWidth(0);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
            switch (penSpec.style) {
            case PenStyle::Dash: pen.setDashPattern({18, 6}); break;
            case PenStyle::Dot: pen.setDashPattern({3, 3}); break;
            case PenStyle::DashDot: pen.setDashPattern({9, 6, 3, 6}); break;
            case PenStyle::DashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
            }
        } else {
            // QPen refuses widths from 2^15 on (keeping its width of 1); none of ours is
            // narrower than the largest it takes.
            pen.setWidth(std::min(penSpec.width, (1 << 15) - 1));
            if (penSpec.geometric) {
                pen.setCapStyle(penSpec.cap == PenCap::Flat ? Qt::FlatCap
                                : penSpec.cap == PenCap::Square ? Qt::SquareCap : Qt::RoundCap);
                pen.setJoinStyle(penSpec.join == PenJoin::Bevel ? Qt::BevelJoin
                                 : penSpec.join == PenJoin::Miter ? Qt::MiterJoin : Qt::RoundJoin);
                // Dash lengths count in pen widths here, as geometric styles scale with the pen.
                switch (penSpec.style) {
                case PenStyle::Dash: pen.setDashPattern({3, 1}); break;
                case PenStyle::Dot: pen.setDashPattern({1, 1}); break;
                case PenStyle::DashDot: pen.setDashPattern({3, 1, 1, 1}); break;
                case PenStyle::DashDotDot: pen.setDashPattern({3, 1, 1, 1, 1, 1}); break;
                default: break;
                }
            } else {
                pen.setCapStyle(Qt::RoundCap);
                pen.setJoinStyle(Qt::RoundJoin);
            }
        }
        m_painter.setPen(pen);
    }
    if (parts == FigureParts::Outline || m_state.brush.style == BrushStyle::Clear) {
        m_painter.setBrush(Qt::NoBrush);
    } else if (mode == PenMode::Black || mode == PenMode::White || mode == PenMode::NotCopyPen) {
        m_painter.setBrush(qColour(colourFor(m_state.brush.colour)));
    } else {
        setBrush(m_state.brush);
    }
    return true;
}

void ShapePainter::line(Point from, Point to)
{
    if (!prepareFigure(FigureParts::Outline))
        return;
    m_painter.drawLine(from.x, from.y, to.x, to.y);
}

void ShapePainter::polyline(std::span<const Point> points)
{
    if (points.size() < 2 || !prepareFigure(FigureParts::Outline))
        return;
    QPolygon polygon;
    for (const Point& p : points)
        polygon << QPoint(p.x, p.y);
    m_painter.drawPolyline(polygon);
}

void ShapePainter::polygon(std::span<const Point> points)
{
    if (points.size() < 2 || !prepareFigure(FigureParts::InsideAndOutline))
        return;
    QPolygon polygon;
    for (const Point& p : points)
        polygon << QPoint(p.x, p.y);
    m_painter.drawPolygon(polygon, m_state.polyFillMode == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
}

namespace {

// The box QPainter is given for a figure covering [left, right) × [top, bottom): an outline of
// width 1 is drawn on the pixels from left to left + width inclusive, so the box is one pixel
// smaller; a wide InsideFrame pen is moved inwards by half its width.
QRectF figureBox(const Rect& figure, const PenSpec& pen)
{
    const Rect r = normalised(figure);
    QRectF box(r.left, r.top, double(r.right) - r.left - 1, double(r.bottom) - r.top - 1);
    if (pen.style == PenStyle::InsideFrame && pen.width > 1) {
        const double inset = pen.width / 2.0 - 0.5;
        box.adjust(inset, inset, -inset, -inset);
    }
    return box;
}

} // namespace

void ShapePainter::rectangle(const Rect& r)
{
    if (!prepareFigure(FigureParts::InsideAndOutline))
        return;
    m_painter.drawRect(figureBox(r, m_state.pen));
}

void ShapePainter::roundRect(const Rect& r, int cornerWidth, int cornerHeight)
{
    if (!prepareFigure(FigureParts::InsideAndOutline))
        return;
    m_painter.drawRoundedRect(figureBox(r, m_state.pen), std::abs(double(cornerWidth)) / 2.0,
                              std::abs(double(cornerHeight)) / 2.0, Qt::AbsoluteSize);
}

void ShapePainter::ellipse(const Rect& r)
{
    if (!prepareFigure(FigureParts::InsideAndOutline))
        return;
    m_painter.drawEllipse(figureBox(r, m_state.pen));
}

void ShapePainter::arc(ArcKind kind, const Rect& r, Point start, Point end)
{
    if (!prepareFigure(kind == ArcKind::Arc ? FigureParts::Outline : FigureParts::InsideAndOutline))
        return;
    const QRectF box = figureBox(r, m_state.pen);
    // Counterclockwise from the start ray to the end ray; equal rays make a whole turn.
    const double from = parametricAngle(box, start);
    double span = parametricAngle(box, end) - from;
    while (span <= 0)
        span += 360;
    const int a = int(std::lround(from * 16)), s = int(std::lround(span * 16));
    switch (kind) {
    case ArcKind::Arc: m_painter.drawArc(box, a, s); break;
    case ArcKind::Chord: m_painter.drawChord(box, a, s); break;
    case ArcKind::Pie: m_painter.drawPie(box, a, s); break;
    }
}

void ShapePainter::fillRect(const Rect& r, const BrushSpec& brush)
{
    const Rect n = normalised(r);
    if (n.isEmpty() || brush.style == BrushStyle::Clear)
        return;
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setBackgroundMode(m_state.backgroundMode == BackgroundMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_painter.setBackground(qColour(m_state.backgroundColour));
    m_painter.setPen(Qt::NoPen);
    setBrush(brush);
    m_painter.drawRect(qRect(n));
}

void ShapePainter::frameRect(const Rect& r, const BrushSpec& brush)
{
    const Rect n = normalised(r);
    if (n.isEmpty())
        return;
    const std::int64_t width = std::int64_t(n.right) - n.left, height = std::int64_t(n.bottom) - n.top;
    fillRect({n.left, n.top, n.right, n.top + 1}, brush);
    if (height > 1)
        fillRect({n.left, n.bottom - 1, n.right, n.bottom}, brush);
    if (height > 2) {
        fillRect({n.left, n.top + 1, n.left + 1, n.bottom - 1}, brush);
        if (width > 1)
            fillRect({n.right - 1, n.top + 1, n.right, n.bottom - 1}, brush);
    }
}

namespace {

// Where each unit of the run starts, relative to the run's start on its baseline, and the end.
std::vector<QPointF> runPositions(const TextRun& run, const QFontMetricsF& metrics)
{
    std::vector<QPointF> positions;
    positions.reserve(std::size_t(run.text.size()) + 1);
    QPointF at(0, 0);
    for (qsizetype i = 0; i < run.text.size(); ++i) {
        positions.push_back(at);
        if (std::size_t(i) < run.advances.size()) {
            // Advances run along the baseline; y advances go up the page.
            at += QPointF(run.advances[std::size_t(i)].x(), -run.advances[std::size_t(i)].y());
        } else {
            const bool pair = run.text[i].isHighSurrogate() && i + 1 < run.text.size();
            at.rx() += metrics.horizontalAdvance(run.text.mid(i, pair ? 2 : 1));
            if (pair) {
                ++i;
                positions.push_back(at);
            }
        }
        at.rx() += run.charExtra;
    }
    positions.push_back(at);
    return positions;
}

// The offset of the run's start from its alignment point, along and across the baseline.
QPointF alignmentOffset(unsigned align, double advance, const QFontMetricsF& metrics)
{
    double x = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        x = -advance / 2;
    else if ((align & TA_CENTER) == TA_RIGHT)
        x = -advance;
    double y = metrics.ascent();  // top
    if ((align & TA_BASELINE) == TA_BASELINE)
        y = 0;
    else if ((align & TA_BASELINE) == TA_BOTTOM)
        y = -metrics.descent();
    return {x, y};
}

} // namespace

double textRunAdvance(const TextRun& run, const DrawState& state)
{
    const QFontMetricsF metrics(qFont(state.font, state.antialiasedText));
    return runPositions(run, metrics).back().x();
}

QRectF textRunBounds(const TextRun& run, const DrawState& state)
{
    const QFontMetricsF metrics(qFont(state.font, state.antialiasedText));
    const std::vector<QPointF> positions = runPositions(run, metrics);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const QPointF& p : positions) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    // Italic overhang, underline and rotation reach past the advances: allow a cell all round.
    const double cell = metrics.ascent() + metrics.descent() + 2;
    const double reach = std::max({std::abs(minX), std::abs(maxX), std::abs(minY), std::abs(maxY)}) + 2 * cell;
    if (state.font.escapement != 0 || minY != 0 || maxY != 0)
        return QRectF(run.origin.x() - reach, run.origin.y() - reach, 2 * reach, 2 * reach);
    const QPointF offset = alignmentOffset(run.align, positions.back().x(), metrics);
    return QRectF(run.origin.x() + offset.x() + minX - cell, run.origin.y() + offset.y() - metrics.ascent() - cell,
                  maxX - minX + 2 * cell, 3 * cell);
}

void ShapePainter::text(const TextRun& run)
{
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    if (run.rect && (run.options & ETO_OPAQUE))
        m_painter.fillRect(qRect(normalised(*run.rect)), qColour(m_state.backgroundColour));
    if (run.rect && (run.options & ETO_CLIPPED))
        m_painter.setClipRect(qRect(normalised(*run.rect)), Qt::IntersectClip);
    if (run.text.isEmpty())
        return;
    QFont font = qFont(m_state.font, m_state.antialiasedText);
    if (!run.advances.empty()) {
        // Advances come from the font the text was laid out with; a wider stand-in face is
        // narrowed to fit them, so that letters do not run into each other.
        double given = 0;
        for (const QPointF& a : run.advances)
            given += std::abs(a.x());
        const double natural = QFontMetricsF(font).horizontalAdvance(run.text);
        // A font without a set stretch reports 0 (any stretch), which draws at 100.
        const int stretch = font.stretch() > 0 ? font.stretch() : 100;
        if (given > 0 && natural > given * 1.02)
            font.setStretch(std::clamp(int(stretch * given / natural), 25, 4000));
    }
    const QFontMetricsF metrics(font);
    const std::vector<QPointF> positions = runPositions(run, metrics);
    const QPointF offset = alignmentOffset(run.align, positions.back().x(), metrics);
    m_painter.setFont(font);
    m_painter.setRenderHint(QPainter::TextAntialiasing, m_state.antialiasedText);
    m_painter.translate(run.origin);
    if (m_state.font.escapement != 0)
        m_painter.rotate(-m_state.font.escapement / 10.0);
    m_painter.translate(offset);
    if (m_state.backgroundMode == BackgroundMode::Opaque && !(run.rect && (run.options & ETO_OPAQUE)))
        m_painter.fillRect(QRectF(0, -metrics.ascent(), positions.back().x(), metrics.ascent() + metrics.descent()),
                           qColour(m_state.backgroundColour));
    m_painter.setPen(qColour(m_state.textColour));
    if (run.advances.empty() && run.charExtra == 0) {
        m_painter.drawText(QPointF(0, 0), run.text);
        return;
    }
    for (qsizetype i = 0; i < run.text.size(); ++i) {
        const bool pair = run.text[i].isHighSurrogate() && i + 1 < run.text.size();
        m_painter.drawText(positions[std::size_t(i)], run.text.mid(i, pair ? 2 : 1));
        if (pair)
            ++i;
    }
}

void ShapePainter::path(const QPainterPath& outline, FigureParts parts)
{
    if (!prepareFigure(parts))
        return;
    if (parts == FigureParts::Inside)
        m_painter.setPen(Qt::NoPen);
    m_painter.drawPath(outline);
}

Rect figureBounds(const Rect& r, const PenSpec& pen)
{
    return inflated(normalised(r), std::int64_t(std::max(pen.width, 1)) + 1);
}

Rect pointsBounds(std::span<const Point> points, const PenSpec& pen)
{
    if (points.empty())
        return {};
    Rect r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return inflated(r, std::int64_t(std::max(pen.width, 1)) + 1);
}

Rect textBounds(Point p, const Rect* rect, const FontSpec& font, const std::string& utf8)
{
    const Size extent = textExtentOf(font, utf8);
    // Italic overhang, underline and rotation can reach past the advance: allow a cell
    // height all round; rotated text may go anywhere within its length.
    const int slack = extent.cy + 2;
    Rect r = font.escapement != 0
                 ? inflated({p.x, p.y, p.x, p.y}, std::int64_t(extent.cx) + slack)
                 : inflated({p.x, p.y, clampToInt(std::int64_t(p.x) + extent.cx), clampToInt(std::int64_t(p.y) + extent.cy)},
                            slack);
    if (rect) {
        const Rect n = normalised(*rect);
        r = {std::min(r.left, n.left), std::min(r.top, n.top), std::max(r.right, n.right), std::max(r.bottom, n.bottom)};
    }
    return r;
}

} // namespace platform::detail

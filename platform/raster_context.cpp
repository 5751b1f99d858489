#include "platform/raster_context.h"

#include "platform/blit.h"
#include "platform/qt_drawing.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <numbers>

namespace platform {

using detail::ShapePainter;

namespace {

Rect normalised(const Rect& r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

Rect boundsOf(const QRectF& r, double margin)
{
    return {toDeviceCoordinate(std::floor(r.left() - margin)), toDeviceCoordinate(std::floor(r.top() - margin)),
            toDeviceCoordinate(std::ceil(r.right() + margin)) + 1, toDeviceCoordinate(std::ceil(r.bottom() + margin)) + 1};
}

Rect unite(const Rect& a, const Rect& b)
{
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

QRectF logicalBox(const Rect& r)
{
    // Edges as doubles: a rectangle may span the whole 32-bit range.
    const double left = std::min(r.left, r.right), right = std::max(r.left, r.right);
    const double top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
    return QRectF(left, top, right - left, bottom - top);
}

} // namespace

bool RasterContext::axisAligned() const
{
    const QTransform t = deviceTransform();
    return t.m12() == 0 && t.m21() == 0;
}

Point RasterContext::devicePoint(Point p) const
{
    const QPointF d = toDevice(p.x, p.y);
    return {toDeviceCoordinate(d.x()), toDeviceCoordinate(d.y())};
}

Rect RasterContext::deviceRect(const Rect& r) const
{
    // Corners map one by one, so a flipped axis keeps the rectangle's direction (blits mirror).
    // Blits take the whole coordinate range, so edges are only cut at its ends.
    const QTransform t = deviceTransform();
    const auto edge = [](double v) {
        if (std::isnan(v))
            return 0;
        return int(std::llround(std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()))));
    };
    const QPointF a = t.map(QPointF(r.left, r.top)), b = t.map(QPointF(r.right, r.bottom));
    return {edge(a.x()), edge(a.y()), edge(b.x()), edge(b.y())};
}

detail::DrawState RasterContext::deviceState() const
{
    detail::DrawState s = detail::drawStateOf(*this, monochromeTarget(), antialiasedText());
    const QTransform t = deviceTransform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    if (s.pen.cosmetic || s.pen.width <= 1)
        s.pen.width = s.pen.cosmetic ? 1 : std::max(s.pen.width, 0);
    else
        s.pen.width = std::max(1, toDeviceCoordinate(s.pen.width * scale));
    // Font sizes follow the vertical and horizontal scales; escapement turns with the x axis.
    const double scaleY = std::hypot(t.m21(), t.m22()), scaleX = std::hypot(t.m11(), t.m12());
    if (s.font.height != 0)
        s.font.height = (s.font.height < 0 ? -1 : 1) * std::max(1, toDeviceCoordinate(std::abs(double(s.font.height)) * scaleY));
    if (s.font.width != 0)
        s.font.width = std::max(1, toDeviceCoordinate(std::abs(double(s.font.width)) * scaleX));
    // Escapement counts counterclockwise in logical space: a flipped axis (y growing upwards)
    // turns it the other way on the device.
    if (t.determinant() < 0)
        s.font.escapement = -s.font.escapement;
    if (!axisAligned()) {
        const double turn = std::atan2(-t.m12(), t.m11()) * 1800 / std::numbers::pi;
        s.font.escapement += int(std::lround(turn));
    }
    return s;
}

void RasterContext::paintClipped(const Rect& bounds, const std::function<void(QPainter&)>& draw)
{
    Rect area = bounds;
    const std::optional<QRegion>& clip = m_state.clip;
    if (clip) {
        const QRect box = clip->boundingRect();
        if (box.isEmpty())
            return;
        area = area.intersected({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
    }
    // The device's own edges are the target's business: a painter may be transformed.
    if (area.isEmpty())
        return;
    paintDevice(area, [&](QPainter& painter) {
        if (clip)
            painter.setClipRegion(*clip, Qt::IntersectClip);
        draw(painter);
    });
}

void RasterContext::drawPath(const QPainterPath& path, detail::FigureParts parts)
{
    if (path.isEmpty())
        return;
    const detail::DrawState state = deviceState();
    paintClipped(boundsOf(path.controlPointRect(), state.pen.width + 2.0),
                 [&](QPainter& painter) { ShapePainter(painter, state).path(path, parts); });
}

void RasterContext::moveTo(Point p)
{
    DeviceContext::moveTo(p);
}

void RasterContext::lineTo(Point p)
{
    const Point from = m_state.position;
    m_state.position = p;
    if (m_pathOpen) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(toDevice(from.x, from.y));
        m_path.lineTo(toDevice(p.x, p.y));
        return;
    }
    const Point ends[] = {devicePoint(from), devicePoint(p)};
    const detail::DrawState state = deviceState();
    paintClipped(detail::pointsBounds(ends, state.pen),
                 [&](QPainter& painter) { ShapePainter(painter, state).line(ends[0], ends[1]); });
}

void RasterContext::polyline(std::span<const Point> points)
{
    if (points.empty())
        return;
    if (m_pathOpen) {
        m_path.moveTo(toDevice(points[0].x, points[0].y));
        for (const Point& p : points.subspan(1))
            m_path.lineTo(toDevice(p.x, p.y));
        return;
    }
    std::vector<Point> device;
    device.reserve(points.size());
    for (const Point& p : points)
        device.push_back(devicePoint(p));
    const detail::DrawState state = deviceState();
    paintClipped(detail::pointsBounds(device, state.pen),
                 [&](QPainter& painter) { ShapePainter(painter, state).polyline(device); });
}

void RasterContext::polylineTo(std::span<const Point> points)
{
    if (points.empty())
        return;
    if (m_pathOpen) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(toDevice(m_state.position.x, m_state.position.y));
        for (const Point& p : points)
            m_path.lineTo(toDevice(p.x, p.y));
        m_state.position = points.back();
        return;
    }
    std::vector<Point> all;
    all.reserve(points.size() + 1);
    all.push_back(m_state.position);
    all.insert(all.end(), points.begin(), points.end());
    m_state.position = points.back();
    polyline(all);
}

void RasterContext::polygon(std::span<const Point> points)
{
    if (points.empty())
        return;
    const int count = int(points.size());
    polyPolygon(points, std::span<const int>(&count, 1));
}

void RasterContext::polyPolygon(std::span<const Point> points, std::span<const int> counts)
{
    QPainterPath path;
    path.setFillRule(m_state.polyFillMode == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    std::size_t at = 0;
    bool single = counts.size() == 1;
    for (int count : counts) {
        if (count < 0 || std::size_t(count) > points.size() - at)
            return;
        if (count >= 2) {
            QPolygonF polygon;
            for (int i = 0; i < count; ++i) {
                const Point p = points[at + std::size_t(i)];
                polygon << (m_pathOpen ? toDevice(p.x, p.y) : QPointF(devicePoint(p).x, devicePoint(p).y));
            }
            polygon << polygon.front();
            path.addPolygon(polygon);
            path.closeSubpath();
        }
        at += std::size_t(count);
    }
    if (m_pathOpen) {
        m_path.addPath(path);
        return;
    }
    if (single && axisAligned()) {
        // A lone polygon keeps the classic integer drawing.
        std::vector<Point> device;
        for (const Point& p : points.first(std::size_t(counts[0])))
            device.push_back(devicePoint(p));
        const detail::DrawState state = deviceState();
        paintClipped(detail::pointsBounds(device, state.pen),
                     [&](QPainter& painter) { ShapePainter(painter, state).polygon(device); });
        return;
    }
    drawPath(path, detail::FigureParts::InsideAndOutline);
}

void RasterContext::polyPolyline(std::span<const Point> points, std::span<const int> counts)
{
    std::size_t at = 0;
    for (int count : counts) {
        if (count < 0 || std::size_t(count) > points.size() - at)
            return;
        polyline(points.subspan(at, std::size_t(count)));
        at += std::size_t(count);
    }
}

void RasterContext::polyBezier(std::span<const Point> points)
{
    if (points.size() < 4)
        return;
    QPainterPath path(toDevice(points[0].x, points[0].y));
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(toDevice(points[i].x, points[i].y), toDevice(points[i + 1].x, points[i + 1].y),
                     toDevice(points[i + 2].x, points[i + 2].y));
    if (m_pathOpen) {
        m_path.addPath(path);
        return;
    }
    drawPath(path, detail::FigureParts::Outline);
}

void RasterContext::polyBezierTo(std::span<const Point> points)
{
    if (points.size() < 3)
        return;
    if (m_pathOpen) {
        if (m_path.elementCount() == 0)
            m_path.moveTo(toDevice(m_state.position.x, m_state.position.y));
        for (std::size_t i = 0; i + 2 < points.size(); i += 3)
            m_path.cubicTo(toDevice(points[i].x, points[i].y), toDevice(points[i + 1].x, points[i + 1].y),
                           toDevice(points[i + 2].x, points[i + 2].y));
        m_state.position = points[points.size() - 1 - (points.size() % 3)];
        return;
    }
    std::vector<Point> all;
    all.push_back(m_state.position);
    all.insert(all.end(), points.begin(), points.begin() + std::ptrdiff_t(points.size() / 3 * 3));
    m_state.position = all.back();
    polyBezier(all);
}

void RasterContext::rectangle(const Rect& r)
{
    if (m_pathOpen) {
        m_path.addPolygon(deviceTransform().map(QPolygonF(logicalBox(r))));
        m_path.closeSubpath();
        return;
    }
    if (!axisAligned()) {
        QPainterPath path;
        path.addPolygon(deviceTransform().map(QPolygonF(logicalBox(r))));
        path.closeSubpath();
        drawPath(path, detail::FigureParts::InsideAndOutline);
        return;
    }
    const Rect d = normalised(deviceRect(r));
    const detail::DrawState state = deviceState();
    paintClipped(detail::figureBounds(d, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).rectangle(d); });
}

void RasterContext::roundRect(const Rect& r, int cornerWidth, int cornerHeight)
{
    const QTransform t = deviceTransform();
    if (m_pathOpen || !axisAligned()) {
        QPainterPath path;
        path.addRoundedRect(logicalBox(r), std::abs(double(cornerWidth)) / 2, std::abs(double(cornerHeight)) / 2);
        if (m_pathOpen)
            m_path.addPath(t.map(path));
        else
            drawPath(t.map(path), detail::FigureParts::InsideAndOutline);
        return;
    }
    const Rect d = normalised(deviceRect(r));
    const int cw = toDeviceCoordinate(std::abs(cornerWidth * t.m11())), ch = toDeviceCoordinate(std::abs(cornerHeight * t.m22()));
    const detail::DrawState state = deviceState();
    paintClipped(detail::figureBounds(d, state.pen),
                 [&](QPainter& painter) { ShapePainter(painter, state).roundRect(d, cw, ch); });
}

void RasterContext::ellipse(const Rect& r)
{
    if (m_pathOpen || !axisAligned()) {
        QPainterPath path;
        path.addEllipse(logicalBox(r));
        if (m_pathOpen)
            m_path.addPath(deviceTransform().map(path));
        else
            drawPath(deviceTransform().map(path), detail::FigureParts::InsideAndOutline);
        return;
    }
    const Rect d = normalised(deviceRect(r));
    const detail::DrawState state = deviceState();
    paintClipped(detail::figureBounds(d, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).ellipse(d); });
}

void RasterContext::addArcToPath(const Rect& r, Point start, Point end, bool lineToStart)
{
    // The arc in device space, counterclockwise on the device unless the direction says otherwise.
    const QRectF box = deviceTransform().mapRect(logicalBox(r));
    const double from = detail::parametricAngle(box, toDevice(start.x, start.y));
    double span = detail::parametricAngle(box, toDevice(end.x, end.y)) - from;
    if (m_state.arcDirection == ArcDirection::Clockwise) {
        while (span >= 0)
            span -= 360;
    } else {
        while (span <= 0)
            span += 360;
    }
    QPainterPath arcPath;
    arcPath.arcMoveTo(box, from);
    if (lineToStart && m_path.elementCount() > 0)
        m_path.lineTo(arcPath.currentPosition());
    else
        m_path.moveTo(arcPath.currentPosition());
    m_path.arcTo(box, from, span);
}

void RasterContext::arcFigure(int kind, const Rect& r, Point start, Point end)
{
    if (m_pathOpen) {
        addArcToPath(r, start, end, /*lineToStart=*/false);
        if (kind != 0) {
            if (kind == 2)
                m_path.lineTo(deviceTransform().mapRect(logicalBox(r)).center());
            m_path.closeSubpath();
        }
        return;
    }
    if (!axisAligned()) {
        const QPainterPath saved = m_path;
        m_path = QPainterPath();
        addArcToPath(r, start, end, /*lineToStart=*/false);
        if (kind == 2)
            m_path.lineTo(deviceTransform().mapRect(logicalBox(r)).center());
        if (kind != 0)
            m_path.closeSubpath();
        const QPainterPath figure = m_path;
        m_path = saved;
        drawPath(figure, kind != 0 ? detail::FigureParts::InsideAndOutline : detail::FigureParts::Outline);
        return;
    }
    const Rect d = normalised(deviceRect(r));
    Point a = devicePoint(start), b = devicePoint(end);
    if (m_state.arcDirection == ArcDirection::Clockwise)
        std::swap(a, b);
    const detail::DrawState state = deviceState();
    const auto arcKind = kind == 0 ? ShapePainter::ArcKind::Arc : kind == 1 ? ShapePainter::ArcKind::Chord
                                                                            : ShapePainter::ArcKind::Pie;
    paintClipped(detail::figureBounds(d, state.pen),
                 [&](QPainter& painter) { ShapePainter(painter, state).arc(arcKind, d, a, b); });
}

void RasterContext::arc(const Rect& r, Point start, Point end)
{
    arcFigure(0, r, start, end);
}

void RasterContext::chord(const Rect& r, Point start, Point end)
{
    arcFigure(1, r, start, end);
}

void RasterContext::pie(const Rect& r, Point start, Point end)
{
    arcFigure(2, r, start, end);
}

void RasterContext::arcTo(const Rect& r, Point start, Point end)
{
    // The current position ends where the arc ends: on the ellipse, along the end ray.
    const QPainterPath saved = m_path;
    const bool open = m_pathOpen;
    if (!open) {
        m_path = QPainterPath(toDevice(m_state.position.x, m_state.position.y));
    } else if (m_path.elementCount() == 0) {
        m_path.moveTo(toDevice(m_state.position.x, m_state.position.y));
    }
    addArcToPath(r, start, end, /*lineToStart=*/true);
    bool invertible = false;
    const QPointF last = deviceTransform().inverted(&invertible).map(m_path.currentPosition());
    if (invertible)
        m_state.position = {toDeviceCoordinate(last.x()), toDeviceCoordinate(last.y())};
    if (!open) {
        const QPainterPath figure = m_path;
        m_path = saved;
        drawPath(figure, detail::FigureParts::Outline);
    }
}

void RasterContext::blitClipped(detail::BlitParams params)
{
    const std::optional<QRegion>& clip = m_state.clip;
    if (!clip) {
        params.clip.reset();
        blitDevice(params);
        return;
    }
    // The destination may span the whole coordinate range; the clip never does.
    const Rect d = normalised(params.destination);
    const auto cut = [](int v) { return std::clamp(v, -(1 << 30), 1 << 30); };
    const QRegion visible = clip->intersected(QRect(QPoint(cut(d.left), cut(d.top)), QPoint(cut(d.right) - 1, cut(d.bottom) - 1)));
    for (const QRect& part : visible) {
        params.clip = Rect{part.left(), part.top(), part.right() + 1, part.bottom() + 1};
        blitDevice(params);
    }
}

void RasterContext::fillRect(const Rect& r, const BrushSpec& brush)
{
    if (m_pathOpen)
        return;
    if (!axisAligned()) {
        QPainterPath path;
        path.addPolygon(deviceTransform().map(QPolygonF(logicalBox(r))));
        const BrushSpec saved = m_state.brush;
        const PenSpec savedPen = m_state.pen;
        m_state.brush = brush;
        m_state.pen.style = PenStyle::Clear;
        drawPath(path, detail::FigureParts::Inside);
        m_state.brush = saved;
        m_state.pen = savedPen;
        return;
    }
    // A plain fill is a pattern copy: the blit engine does it exactly, also on palettised and
    // monochrome targets.
    detail::BlitParams params = detail::paramsFor(*this);
    params.destination = normalised(deviceRect(r));
    params.brush = brush;
    params.rasterOp = rop::PatCopy;
    blitClipped(params);
}

void RasterContext::frameRect(const Rect& r, const BrushSpec& brush)
{
    // Regions measure in int: edges far beyond any device are cut first.
    const Rect d = normalised(deviceRect(r));
    const auto cut = [](int v) { return std::clamp(v, -(1 << 30), 1 << 30); };
    const Rect n{cut(d.left), cut(d.top), cut(d.right), cut(d.bottom)};
    if (n.isEmpty())
        return;
    frameRegion(QRegion(n.left, n.top, n.right - n.left, n.bottom - n.top), brush, 1, 1);
}

void RasterContext::fillRegion(const QRegion& region, const BrushSpec& brush)
{
    detail::BlitParams params = detail::paramsFor(*this);
    params.brush = brush;
    params.rasterOp = rop::PatCopy;
    for (const QRect& part : region) {
        params.destination = {part.left(), part.top(), part.right() + 1, part.bottom() + 1};
        blitClipped(params);
    }
}

void RasterContext::frameRegion(const QRegion& region, const BrushSpec& brush, int width, int height)
{
    const int w = std::clamp(width, 1, 1 << 16), h = std::clamp(height, 1, 1 << 16);
    const QRegion inner = region.intersected(region.translated(w, 0))
                              .intersected(region.translated(-w, 0))
                              .intersected(region.translated(0, h))
                              .intersected(region.translated(0, -h));
    fillRegion(region.subtracted(inner), brush);
}

void RasterContext::invertRegion(const QRegion& region)
{
    detail::BlitParams params = detail::paramsFor(*this);
    params.rasterOp = rop::DstInvert;
    for (const QRect& part : region) {
        params.destination = {part.left(), part.top(), part.right() + 1, part.bottom() + 1};
        blitClipped(params);
    }
}

void RasterContext::setPixel(Point p, Colour colour)
{
    const Point d = devicePoint(p);
    if (m_state.clip && !m_state.clip->contains(QPoint(d.x, d.y)))
        return;
    setDevicePixel(d, colour);
}

Colour RasterContext::pixel(Point p) const
{
    return devicePixel(devicePoint(p));
}

void RasterContext::fillPath()
{
    if (m_pathClosed) {
        QPainterPath path = m_path;
        path.setFillRule(m_state.polyFillMode == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
        path.closeSubpath();
        drawPath(path, detail::FigureParts::Inside);
    }
    discardPath();
}

void RasterContext::strokePath()
{
    if (m_pathClosed)
        drawPath(m_path, detail::FigureParts::Outline);
    discardPath();
}

void RasterContext::strokeAndFillPath()
{
    if (m_pathClosed) {
        QPainterPath path = m_path;
        path.setFillRule(m_state.polyFillMode == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
        drawPath(path, detail::FigureParts::Inside);
        drawPath(m_path, detail::FigureParts::Outline);
    }
    discardPath();
}

void RasterContext::textOut(Point p, const std::string& utf8)
{
    extTextOut(p, 0, nullptr, utf8);
}

void RasterContext::extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                               std::span<const int> dx)
{
    if (m_pathOpen)
        return;
    const QTransform t = deviceTransform();
    const bool updateCp = (m_state.textAlign & TA_UPDATECP) != 0;
    const Point origin = updateCp ? m_state.position : p;
    detail::TextRun run;
    run.origin = t.map(QPointF(origin.x, origin.y));
    run.align = m_state.textAlign;
    run.options = options;
    const double scaleX = std::hypot(t.m11(), t.m12());
    const double scaleY = std::hypot(t.m21(), t.m22());
    run.charExtra = m_state.charExtra * scaleX;
    const bool pairs = (options & ETO_PDY) != 0;
    const std::size_t step = pairs ? 2 : 1;
    for (std::size_t i = 0; i + step <= dx.size(); i += step)
        run.advances.push_back({dx[i] * scaleX, pairs ? dx[i + 1] * scaleY : 0.0});
    Rect deviceBox;
    if (rect) {
        deviceBox = normalised(deviceRect(*rect));
        run.rect = &deviceBox;
    }
    const detail::DrawState state = deviceState();
    run.text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    const QRectF extent = detail::textRunBounds(run, state);
    Rect bounds = boundsOf(extent, 2);
    if (rect)
        bounds = (options & ETO_CLIPPED) ? bounds.intersected(deviceBox) : unite(bounds, deviceBox);
    if (!bounds.isEmpty())
        paintClipped(bounds, [&](QPainter& painter) { ShapePainter(painter, state).text(run); });
    if (updateCp) {
        bool invertible = false;
        const QTransform back = t.inverted(&invertible);
        if (invertible) {
            const QPointF end = back.map(run.origin + QPointF(detail::textRunAdvance(run, state), 0));
            const int moved = toDeviceCoordinate(end.x());
            if ((m_state.textAlign & TA_CENTER) == TA_LEFT)
                m_state.position.x = moved;
            else if ((m_state.textAlign & TA_CENTER) == TA_RIGHT)
                m_state.position.x = origin.x - (moved - origin.x);
        }
    }
}

void RasterContext::stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                               std::uint32_t rasterOp, Colour sourceBackground)
{
    if (m_pathOpen)
        return;
    Rect d = deviceRect(destination);
    if (!axisAligned()) {
        const QRectF box = deviceTransform().mapRect(logicalBox(destination));
        d = {toDeviceCoordinate(box.left()), toDeviceCoordinate(box.top()), toDeviceCoordinate(box.right()), toDeviceCoordinate(box.bottom())};
    }
    blitClipped(detail::stretchParams(*this, d, source, sourceRect, rasterOp, sourceBackground));
}

void RasterContext::maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                            const Section& mask, Point maskOrigin, std::uint32_t rasterOp)
{
    if (m_pathOpen)
        return;
    const Rect d = normalised(deviceRect(destination));
    const std::int64_t logicalWidth = std::abs(std::int64_t(destination.right) - destination.left);
    const std::int64_t logicalHeight = std::abs(std::int64_t(destination.bottom) - destination.top);
    const QTransform t = deviceTransform();
    if (t.m12() == 0 && t.m21() == 0 && std::abs(t.m11()) == 1 && std::abs(t.m22()) == 1) {
        blitClipped(detail::maskParams(*this, d, source, sourceOrigin, mask, maskOrigin, rasterOp));
        return;
    }
    // Scaled: source and mask are first stretched to the destination's size, then copied
    // through the stretched mask without scaling. Larger than any screen: not drawn.
    const std::int64_t width = std::int64_t(d.right) - d.left, height = std::int64_t(d.bottom) - d.top;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192)
        return;
    auto stretchedSource = Section::createDisplayCompatible(int(width), int(height));
    auto stretchedMask = Section::createMonochrome(int(width), int(height));
    if (!stretchedSource || !stretchedMask)
        return;
    detail::BlitParams stretch = detail::paramsFor(*this);
    stretch.clip.reset();
    stretch.destination = {0, 0, int(width), int(height)};
    stretch.rasterOp = rop::SrcCopy;
    stretch.stretchMode = StretchMode::ColorOnColor;
    const auto far = [](int origin, std::int64_t size) { return int(std::min<std::int64_t>(origin + size, 1 << 30)); };
    stretch.source = &source;
    stretch.sourceRect = {sourceOrigin.x, sourceOrigin.y, far(sourceOrigin.x, logicalWidth), far(sourceOrigin.y, logicalHeight)};
    detail::blit(*stretchedSource, stretch);
    stretch.source = &mask;
    stretch.sourceRect = {maskOrigin.x, maskOrigin.y, far(maskOrigin.x, logicalWidth), far(maskOrigin.y, logicalHeight)};
    detail::blit(*stretchedMask, stretch);
    blitClipped(detail::maskParams(*this, d, *stretchedSource, {0, 0}, *stretchedMask, {0, 0}, rasterOp));
}

void RasterContext::patBlt(const Rect& destination, std::uint32_t rasterOp)
{
    if (m_pathOpen || detail::usesSource(rop::functionOf(rasterOp)))
        return;  // a pattern blit has no source
    Rect d = deviceRect(destination);
    if (!axisAligned()) {
        const QRectF box = deviceTransform().mapRect(logicalBox(destination));
        d = {toDeviceCoordinate(box.left()), toDeviceCoordinate(box.top()), toDeviceCoordinate(box.right()), toDeviceCoordinate(box.bottom())};
    }
    blitClipped(detail::patternParams(*this, normalised(d), rasterOp));
}

void RasterContext::alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                               std::uint8_t constantAlpha, bool perPixelAlpha)
{
    if (m_pathOpen || constantAlpha == 0)
        return;
    const Rect s = normalised(sourceRect).intersected({0, 0, source.width(), source.height()});
    if (s.isEmpty())
        return;
    // The source as premultiplied ARGB (its own alpha bytes only when asked for).
    QImage image(s.right - s.left, s.bottom - s.top, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    const bool withAlpha = perPixelAlpha && source.bitCount() == 32;
    for (int y = 0; y < image.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* raw = reinterpret_cast<const std::uint32_t*>(source.row(s.top + y));
        for (int x = 0; x < image.width(); ++x) {
            if (withAlpha) {
                QRgb v = raw[s.left + x];
                const int a = qAlpha(v);
                // Colour bytes beyond the alpha would not be premultiplied: keep them in range.
                v = qRgba(std::min(qRed(v), a), std::min(qGreen(v), a), std::min(qBlue(v), a), a);
                out[x] = v;
            } else {
                const Colour c = source.pixel(s.left + x, s.top + y);
                out[x] = qRgb(redOf(c), greenOf(c), blueOf(c));
            }
        }
    }
    const QPolygonF corners = deviceTransform().map(QPolygonF(logicalBox(destination)));
    const QRectF target = corners.boundingRect();
    paintClipped(boundsOf(target, 1), [&](QPainter& painter) {
        painter.setOpacity(constantAlpha / 255.0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, stretchMode() == StretchMode::Halftone);
        painter.drawImage(target, image);
    });
}

} // namespace platform

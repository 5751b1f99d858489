// Playing the "plus" records: the object table, the graphics state and the drawing records.

#include "platform/metafile/plus_player.h"

#include "platform/metafile/emf_records.h"
#include "platform/metafile/enhanced_metafile.h"
#include "platform/metafile/font_faces.h"
#include "platform/metafile/stroke_clipping.h"
#include "platform/metafile/text_encoding.h"

#include <QGlyphRun>
#include <QPainterPathStroker>
#include <QRawFont>

#include <cmath>

namespace platform::plus {

namespace {

// The layer never holds more pixels than this; larger destinations (printer pages, pictures
// zoomed far in, conversions at the reference device's resolution) are drawn at a lower
// resolution and stretched.
constexpr double maxLayerPixels = 2048.0 * 2048.0;
// Metafiles drawn as images may hold images themselves; this deep and no deeper, each at most
// this many pixels wide and high.
constexpr int maxNesting = 3;
constexpr double maxNestedSide = 1024;
thread_local int nesting = 0;
// Strings and glyph runs longer than this are refused (the bytes are checked first anyway);
// text larger than this many device pixels would not fit any layer and is not drawn.
constexpr std::uint32_t maxGlyphs = 1 << 16;
constexpr double maxTextPixels = 8192;
constexpr double maxTextFlattening = 16;

} // namespace

bool drawsSomething(std::uint32_t type, std::span<const std::uint8_t> record)
{
    using namespace emf;
    switch (type) {
    case EMR_BITBLT:
        // cbBmiSrc sits at offset 88 of the record.
        return record.size() >= 92 && bytes::loadU32(&record[88]) != 0;
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_SETPIXELV: case EMR_ANGLEARC: case EMR_ELLIPSE:
    case EMR_RECTANGLE: case EMR_ROUNDRECT: case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_EXTFLOODFILL:
    case EMR_LINETO: case EMR_ARCTO: case EMR_POLYDRAW: case EMR_FILLPATH: case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH: case EMR_FILLRGN: case EMR_FRAMERGN: case EMR_INVERTRGN: case EMR_PAINTRGN:
    case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_PLGBLT: case EMR_SETDIBITSTODEVICE: case EMR_STRETCHDIBITS:
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
    case EMR_POLYDRAW16: case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: case EMR_SMALLTEXTOUT: case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: case EMR_GRADIENTFILL:
        return true;
    default:
        return false;
    }
}

namespace {

// Calls `visit(type, record)` for each record of the metafile after its header, up to the end
// record or the first record whose size does not fit.
template <class Visit> void forEachRecord(const EnhancedMetafile& metafile, Visit&& visit)
{
    const std::vector<std::uint8_t>& data = metafile.bytes();
    std::size_t position = 0;
    bool first = true;
    while (data.size() - position >= 8) {
        const std::uint32_t type = bytes::loadU32(&data[position]);
        const std::uint32_t size = bytes::loadU32(&data[position + 4]);
        if (size < 8 || size > data.size() - position || type == emf::EMR_EOF)
            return;
        if (!first && !visit(type, std::span<const std::uint8_t>(data).subspan(position, size)))
            return;
        first = false;
        position += size;
    }
}

// The cardinal spline through the points as Bézier segments; `closed` joins the last point to
// the first. The tension scales the tangents (0 gives straight lines).
QPainterPath cardinalSpline(const std::vector<QPointF>& p, double tension, bool closed, std::size_t first = 0,
                            std::size_t segments = ~std::size_t(0))
{
    QPainterPath path;
    const std::size_t n = p.size();
    if (n < 2)
        return path;
    const double t = tension / 3.0;
    const auto at = [&](std::ptrdiff_t i) {
        if (closed)
            return p[std::size_t((i % std::ptrdiff_t(n) + std::ptrdiff_t(n)) % std::ptrdiff_t(n))];
        return p[std::size_t(std::clamp<std::ptrdiff_t>(i, 0, std::ptrdiff_t(n) - 1))];
    };
    const std::size_t count = std::min(segments, (closed ? n : n - 1) - std::min(first, closed ? n : n - 1));
    path.moveTo(at(std::ptrdiff_t(first)));
    for (std::size_t s = 0; s < count; ++s) {
        const std::ptrdiff_t i = std::ptrdiff_t(first + s);
        const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) * t;
        const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) * t;
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed)
        path.closeSubpath();
    return path;
}

QPainterPath arcPath(const QRectF& r, double start, double sweep, bool pie)
{
    // Angles run clockwise on the page (y down); Qt's run the other way.
    QPainterPath path;
    if (pie) {
        path.moveTo(r.center());
        path.arcTo(r, -start, -sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(r, -start);
        path.arcTo(r, -start, -sweep);
    }
    return path;
}

double scaleOf(const QTransform& t)
{
    return std::sqrt(std::abs(t.determinant()));
}

// The most the transform stretches any direction (its largest singular value).
double largestStretchOf(const QTransform& t)
{
    const double squares = t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22();
    const double det = t.determinant();
    return std::sqrt((squares + std::sqrt(std::max(0.0, squares * squares - 4 * det * det))) / 2);
}

} // namespace

std::span<const std::uint8_t> plusRecordsOf(std::span<const std::uint8_t> comment)
{
    // Type, size, data size, then the identifier and the records.
    if (comment.size() < 16 || bytes::loadU32(&comment[12]) != commentIdentifier)
        return {};
    const std::uint32_t dataSize = bytes::loadU32(&comment[8]);
    if (dataSize < 4 || dataSize > comment.size() - 12)
        return {};
    return comment.subspan(16, dataSize - 4);
}

std::optional<PlusHeader> readPlusHeader(const EnhancedMetafile& metafile)
{
    std::optional<PlusHeader> header;
    forEachRecord(metafile, [&](std::uint32_t type, std::span<const std::uint8_t> record) {
        if (type != emf::EMR_GDICOMMENT)
            return false;
        const auto records = plusRecordsOf(record);
        if (records.size() < recordHeaderSize + 16 || bytes::loadU16(&records[0]) != Header)
            return false;
        PlusHeader h;
        h.dual = (bytes::loadU16(&records[2]) & FlagDual) != 0;
        const std::uint32_t dpiX = bytes::loadU32(&records[recordHeaderSize + 8]);
        const std::uint32_t dpiY = bytes::loadU32(&records[recordHeaderSize + 12]);
        if (dpiX > 0 && dpiX < 100000)
            h.dpiX = dpiX;
        if (dpiY > 0 && dpiY < 100000)
            h.dpiY = dpiY;
        header = h;
        return false;
    });
    return header;
}

bool playsPlusRecords(const EnhancedMetafile& metafile)
{
    const auto header = readPlusHeader(metafile);
    if (!header)
        return false;
    if (!header->dual)
        return true;
    bool draws = false;
    forEachRecord(metafile, [&](std::uint32_t type, std::span<const std::uint8_t> record) {
        draws = drawsSomething(type, record);
        return !draws;
    });
    return !draws;
}

PlusPlayer::PlusPlayer(DeviceContext& dc, const QTransform& toDevice, const QRect& area, const PlusHeader& header)
    : m_dc(dc), m_area(area), m_header(header)
{
    const double pixels = double(std::max(area.width(), 1)) * std::max(area.height(), 1);
    m_layerScale = pixels > maxLayerPixels ? std::sqrt(maxLayerPixels / pixels) : 1.0;
    m_toLayer = toDevice * QTransform::fromTranslate(-area.left(), -area.top())
                * QTransform::fromScale(m_layerScale, m_layerScale);
}

PlusPlayer::~PlusPlayer() = default;

QPainter* PlusPlayer::painter()
{
    if (m_painter)
        return m_painter.get();
    if (m_area.isEmpty())
        return nullptr;
    if (m_layer.isNull()) {
        const int w = std::max(1, int(std::ceil(m_area.width() * m_layerScale)));
        const int h = std::max(1, int(std::ceil(m_area.height() * m_layerScale)));
        m_layer = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        if (m_layer.isNull())
            return nullptr;
        m_layer.fill(Qt::transparent);
    }
    m_painter = std::make_unique<QPainter>(&m_layer);
    return m_painter.get();
}

void PlusPlayer::flush()
{
    if (!m_dirty || !m_painter)
        return;
    m_painter->end();
    m_painter.reset();
    m_dirty = false;
    // Only the part of the layer that holds something is blended (files that hand over to the
    // ordinary records often draw a little between hand-overs).
    int left = m_layer.width(), right = -1, top = -1, bottom = -1;
    for (int y = 0; y < m_layer.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(m_layer.constScanLine(y));
        int first = 0;
        while (first < m_layer.width() && row[first] == 0)
            ++first;
        if (first == m_layer.width())
            continue;
        int last = m_layer.width() - 1;
        while (row[last] == 0)
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = top < 0 ? y : top;
        bottom = y;
    }
    auto section = right >= left ? Section::createDisplayCompatible(right - left + 1, bottom - top + 1) : nullptr;
    if (section) {
        for (int y = top; y <= bottom; ++y)
            std::memcpy(section->row(y - top), m_layer.constScanLine(y) + std::size_t(left) * 4,
                        std::size_t(section->width()) * 4);
        // The layer is in device pixels (scaled down when the device is very large): draw it
        // with the plain device mapping.
        const auto device = [this](int layer, int origin) { return origin + int(std::lround(layer / m_layerScale)); };
        m_dc.saveDC();
        m_dc.setMapMode(MapMode::Text);
        m_dc.setWindowOrigin({0, 0});
        m_dc.setViewportOrigin({0, 0});
        m_dc.setWorldTransform(QTransform());
        m_dc.alphaStretchBlt({device(left, m_area.left()), device(top, m_area.top()), device(right + 1, m_area.left()),
                              device(bottom + 1, m_area.top())},
                             *section, {0, 0, section->width(), section->height()}, 255, true);
        m_dc.restoreDC(-1);
    }
    m_layer.fill(Qt::transparent);
}

bool PlusPlayer::play(std::span<const std::uint8_t> records)
{
    bytes::ByteCursor in(records);
    while (in.remaining() >= recordHeaderSize) {
        const std::uint16_t type = in.u16();
        const std::uint16_t flags = in.u16();
        const std::uint32_t size = in.u32();
        const std::uint32_t dataSize = in.u32();
        if (size < recordHeaderSize || size - recordHeaderSize > in.remaining() || dataSize > size - recordHeaderSize)
            return false;
        const auto data = in.span(size - recordHeaderSize).first(dataSize);
        if (type == EndOfFile)
            return true;
        m_getDC = type == GetDC;
        if (!record(type, flags, data))
            return false;
    }
    return true;
}

template <class T> const T* PlusPlayer::objectAs(std::uint32_t id) const
{
    return id < m_objects.size() ? std::get_if<T>(&m_objects[id]) : nullptr;
}

const Brush* PlusPlayer::brushOf(std::uint16_t flags, std::uint32_t value)
{
    if (flags & FlagSolidColour) {
        static thread_local Brush solid;
        solid = Brush{QBrush(argb(value))};
        return &solid;
    }
    return objectAs<Brush>(value);
}

const Pen* PlusPlayer::penOf(std::uint32_t id) const
{
    return objectAs<Pen>(id);
}

QTransform PlusPlayer::pageTransform() const
{
    return m_state.world * m_state.container
           * QTransform::fromScale(pixelsPerUnit(m_state.pageUnit, m_header.dpiX) * m_state.pageScale,
                                   pixelsPerUnit(m_state.pageUnit, m_header.dpiY) * m_state.pageScale);
}

QTransform PlusPlayer::transform() const
{
    return pageTransform() * m_toLayer;
}

double PlusPlayer::worldPerUnit(Unit unit) const
{
    if (unit == Unit::World)
        return 1;
    const double s = scaleOf(pageTransform());
    return s > 1e-12 ? pixelsPerUnit(unit, m_header.dpiX) / s : 0;
}

void PlusPlayer::begin(QPainter& p)
{
    p.resetTransform();
    if (m_state.clip)
        p.setClipPath(*m_state.clip);
    else
        p.setClipping(false);
    p.setTransform(transform());
    p.setRenderHint(QPainter::Antialiasing, m_state.antiAlias);
    p.setRenderHint(QPainter::TextAntialiasing, m_state.textAntiAlias);
    p.setRenderHint(QPainter::SmoothPixmapTransform, m_state.smoothImages);
    p.setCompositionMode(m_state.sourceCopy ? QPainter::CompositionMode_Source : QPainter::CompositionMode_SourceOver);
    p.setBrushOrigin(m_state.renderingOrigin);
    m_dirty = true;
}

bool PlusPlayer::reachesLayer(const QRectF& world, double reach) const
{
    // Edges compared one by one: a level line has a box of no height, which is still drawn.
    const QRectF box = transform().mapRect(world.adjusted(-reach, -reach, reach, reach));
    constexpr double margin = 2;  // antialiasing and hairlines reach a pixel past the outline
    return box.right() >= -margin && box.bottom() >= -margin && box.left() <= m_layer.width() + margin
           && box.top() <= m_layer.height() + margin;
}

void PlusPlayer::fill(const QPainterPath& path, const Brush& brush)
{
    // Figures off the picture cost the painter as much as those on it, and a file can hold
    // tens of thousands of them.
    QPainter* p = painter();
    if (!p || !reachesLayer(path.boundingRect(), 0))
        return;
    p->save();
    begin(*p);
    p->setPen(Qt::NoPen);
    if (brush.background.alpha() > 0)
        p->fillPath(path, brush.background);
    p->fillPath(path, brush.brush);
    if (brush.overlay.style() != Qt::NoBrush)
        p->fillPath(path, brush.overlay);
    p->restore();
}

void PlusPlayer::stroke(const QPainterPath& path, const Pen& pen)
{
    QPainter* p = painter();
    if (!p)
        return;
    const double width = pen.width * worldPerUnit(pen.unit);
    // Miter joins reach out up to their limit, square caps half a width diagonally.
    const double reach = std::abs(width) * std::max(pen.miterLimit, 1.0);
    if (!reachesLayer(path.boundingRect(), reach))
        return;
    const std::optional<QPainterPath> near =
        pen.dashes.empty() ? metafile::strokedPartNear(path, transform(), QRectF(m_layer.rect()), reach) : std::nullopt;
    const QPainterPath& line = near ? *near : path;
    if (!pen.compound.empty() && width > 0) {
        // Compound lines are stripes across the width: each stripe is the band between two
        // distances from the centre line.
        QPainterPath stripes;
        const auto band = [&](double w) {
            QPainterPathStroker stroker;
            stroker.setWidth(std::max(w, 1e-6));
            stroker.setCapStyle(pen.cap);
            stroker.setJoinStyle(pen.join);
            stroker.setMiterLimit(pen.miterLimit);
            return stroker.createStroke(line);
        };
        for (std::size_t i = 0; i + 1 < pen.compound.size(); i += 2) {
            const double a = (pen.compound[i] - 0.5) * width, b = (pen.compound[i + 1] - 0.5) * width;
            const double outer = std::max(std::abs(a), std::abs(b));
            if (a <= 0 && b >= 0)
                stripes = stripes.united(band(2 * outer));
            else
                stripes = stripes.united(band(2 * outer).subtracted(band(2 * std::min(std::abs(a), std::abs(b)))));
        }
        fill(stripes, pen.fill);
        return;
    }
    p->save();
    begin(*p);
    QPen q(pen.fill.brush, width, Qt::SolidLine, pen.cap, pen.join);
    q.setMiterLimit(pen.miterLimit);
    if (!pen.dashes.empty()) {
        q.setDashPattern(QList<qreal>(pen.dashes.begin(), pen.dashes.end()));
        q.setDashOffset(pen.dashOffset);
    }
    // A pen of no width draws the thinnest line the device has.
    if (width <= 0)
        q.setCosmetic(true);
    p->setPen(q);
    p->setBrush(Qt::NoBrush);
    p->drawPath(line);
    p->restore();
}

void PlusPlayer::setClip(const QPainterPath& world, CombineMode mode)
{
    QPainterPath device = transform().map(world);
    device.setFillRule(world.fillRule());
    if (mode == CombineMode::Replace) {
        // Within a container the clip stays inside the container's own.
        m_state.clip = m_state.containerClip ? m_state.containerClip->intersected(device) : device;
        return;
    }
    QPainterPath current;
    if (m_state.clip) {
        current = *m_state.clip;
    } else {
        current.addRect(QRectF(-infiniteExtent, -infiniteExtent, 2 * infiniteExtent, 2 * infiniteExtent));
    }
    m_state.clip = combine(current, device, mode);
}

bool PlusPlayer::record(std::uint16_t type, std::uint16_t flags, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data);
    switch (type) {
    case Header: case Comment: case GetDC: case MultiFormatStart: case MultiFormatSection: case MultiFormatEnd:
    case SerializableObject: case SetTSGraphics: case SetTSClip: case SetTextContrast: case SetPixelOffsetMode:
    case SetCompositingQuality: case StrokeFillPath:
        return true;
    case Object: return objectRecord(flags, data);
    case DrawImage: case DrawImagePoints: return imageRecord(type, flags, in);
    case DrawString: case DrawDriverString: return textRecord(type, flags, in);
    default:
        break;
    }
    if (type >= Clear && type <= DrawBeziers)
        return drawingRecord(type, flags, in);
    return stateRecord(type, flags, in);
}

bool PlusPlayer::objectRecord(std::uint16_t flags, std::span<const std::uint8_t> data)
{
    const int id = flags & 0xFF;
    const auto type = ObjectType((flags >> 8) & 0x7F);
    if (id >= objectTableSize)
        return true;
    if (flags & FlagContinued) {
        bytes::ByteCursor in(data);
        const std::uint32_t total = in.u32();
        if (!in.ok())
            return false;
        if (m_pending.id != id || m_pending.type != type || m_pending.total != total) {
            m_pending = Pending{id, type, total, {}};
        }
        const auto part = in.span(in.remaining());
        // The parts never add up to more than the total they announce.
        if (m_pending.bytes.size() + part.size() > total) {
            m_pending = Pending{};
            return true;
        }
        m_pending.bytes.insert(m_pending.bytes.end(), part.begin(), part.end());
        return true;
    }
    if (m_pending.id == id && m_pending.type == type) {
        std::vector<std::uint8_t> whole = std::move(m_pending.bytes);
        m_pending = Pending{};
        whole.insert(whole.end(), data.begin(), data.end());
        m_objects[std::size_t(id)] = readObject(type, whole);
        return true;
    }
    m_pending = Pending{};
    m_objects[std::size_t(id)] = readObject(type, data);
    return true;
}

bool PlusPlayer::drawingRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in)
{
    const bool compressed = flags & FlagCompressed;
    const std::uint8_t objectId = flags & 0xFF;
    const auto rects = [&](std::uint32_t count) -> std::optional<std::vector<QRectF>> {
        if (!in.has(std::size_t(count) * (compressed ? 8 : 16)))
            return std::nullopt;
        std::vector<QRectF> result;
        result.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            result.push_back(*readRect(in, compressed));
        return result;
    };
    const auto withPen = [&](const QPainterPath& path) {
        if (const Pen* pen = penOf(objectId))
            stroke(path, *pen);
    };
    switch (type) {
    case Clear: {
        const QColor colour = argb(in.u32());
        if (!in.ok())
            return false;
        if (QPainter* p = painter()) {
            p->save();
            begin(*p);
            p->resetTransform();
            p->setCompositionMode(QPainter::CompositionMode_Source);
            p->fillRect(m_layer.rect(), colour);
            p->restore();
        }
        return true;
    }
    case FillRects: {
        const std::uint32_t brushId = in.u32();
        const auto list = rects(in.u32());
        if (!in.ok() || !list)
            return false;
        if (const Brush* brush = brushOf(flags, brushId)) {
            QPainterPath path;
            for (const QRectF& r : *list)
                path.addRect(r);
            fill(path, *brush);
        }
        return true;
    }
    case DrawRects: {
        const auto list = rects(in.u32());
        if (!in.ok() || !list)
            return false;
        QPainterPath path;
        for (const QRectF& r : *list)
            path.addRect(r);
        withPen(path);
        return true;
    }
    case FillPolygon: case FillClosedCurve: {
        const std::uint32_t brushId = in.u32();
        const double tension = type == FillClosedCurve ? readFloat(in) : 0.0;
        const auto points = readPoints(in, in.u32(), flags);
        if (!points)
            return false;
        QPainterPath path = type == FillPolygon ? QPainterPath() : cardinalSpline(*points, std::isfinite(tension) ? tension : 0.5, /*closed=*/true);
        if (type == FillPolygon && !points->empty())
            path.addPolygon(QPolygonF(QList<QPointF>(points->begin(), points->end())));
        path.setFillRule(type == FillClosedCurve && (flags & FlagWinding) ? Qt::WindingFill : Qt::OddEvenFill);
        if (const Brush* brush = brushOf(flags, brushId))
            fill(path, *brush);
        return true;
    }
    case DrawLines: case DrawBeziers: case DrawClosedCurve: {
        const double tension = type == DrawClosedCurve ? readFloat(in) : 0.0;
        const auto points = readPoints(in, in.u32(), flags);
        if (!points)
            return false;
        const std::vector<QPointF>& p = *points;
        QPainterPath path;
        if (type == DrawClosedCurve) {
            path = cardinalSpline(p, std::isfinite(tension) ? tension : 0.5, /*closed=*/true);
        } else if (!p.empty()) {
            path.moveTo(p[0]);
            if (type == DrawLines) {
                for (std::size_t i = 1; i < p.size(); ++i)
                    path.lineTo(p[i]);
                if (flags & FlagClosed)
                    path.closeSubpath();
            } else {
                for (std::size_t i = 1; i + 2 < p.size(); i += 3)
                    path.cubicTo(p[i], p[i + 1], p[i + 2]);
            }
        }
        withPen(path);
        return true;
    }
    case DrawCurve: {
        const double tension = readFloat(in);
        const std::uint32_t offset = in.u32(), segments = in.u32();
        const auto points = readPoints(in, in.u32(), std::uint16_t(flags & FlagCompressed));
        if (!points)
            return false;
        withPen(cardinalSpline(*points, std::isfinite(tension) ? tension : 0.5, /*closed=*/false, offset, segments));
        return true;
    }
    case FillEllipse: case FillPie: case DrawEllipse: case DrawPie: case DrawArc: {
        const bool filled = type == FillEllipse || type == FillPie;
        const std::uint32_t brushId = filled ? in.u32() : 0;
        double start = 0, sweep = 0;
        if (type != FillEllipse && type != DrawEllipse) {
            start = readFloat(in);
            sweep = readFloat(in);
        }
        const auto r = readRect(in, compressed);
        if (!r || !std::isfinite(start) || !std::isfinite(sweep))
            return false;
        QPainterPath path;
        if (type == FillEllipse || type == DrawEllipse)
            path.addEllipse(*r);
        else
            path = arcPath(*r, start, sweep, type != DrawArc);
        if (!filled)
            withPen(path);
        else if (const Brush* brush = brushOf(flags, brushId))
            fill(path, *brush);
        return true;
    }
    case FillRegion: case FillPath: {
        const std::uint32_t brushId = in.u32();
        if (!in.ok())
            return false;
        const QPainterPath* path = objectAs<QPainterPath>(objectId);
        const Brush* brush = brushOf(flags, brushId);
        if (path && brush)
            fill(*path, *brush);
        return true;
    }
    case DrawPath: {
        const std::uint32_t penId = in.u32();
        if (!in.ok())
            return false;
        const QPainterPath* path = objectAs<QPainterPath>(objectId);
        const Pen* pen = penOf(penId);
        if (path && pen)
            stroke(*path, *pen);
        return true;
    }
    default:
        return true;
    }
}

bool PlusPlayer::stateRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in)
{
    // Transform records multiply before the world transform unless they say to append.
    const auto apply = [&](const QTransform& m) {
        m_state.world = (flags & FlagAppend) ? m_state.world * m : m * m_state.world;
    };
    const auto popTo = [&](std::uint32_t index) {
        for (std::size_t i = m_stack.size(); i-- > 0;) {
            if (m_stack[i].stackIndex == index) {
                m_state = m_stack[i];
                m_stack.resize(i);
                return;
            }
        }
    };
    switch (type) {
    case SetRenderingOrigin: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_state.renderingOrigin = QPointF(x, y);
        return in.ok();
    }
    case SetAntiAliasMode: m_state.antiAlias = flags & FlagAntiAlias; return true;
    case SetTextRenderingHint: {
        const int hint = flags & 0xFF;
        m_state.textAntiAlias = hint == 0 || hint >= 3;
        return true;
    }
    case SetInterpolationMode: {
        // Nearest-neighbour modes (5) keep pixels sharp.
        m_state.smoothImages = (flags & 0xFF) != 5;
        return true;
    }
    case SetCompositingMode: m_state.sourceCopy = (flags & 0xFF) == 1; return true;
    case Save: case BeginContainerNoParams: case BeginContainer: {
        QRectF destination, source;
        if (type == BeginContainer) {
            const auto d = readRect(in, /*compressed=*/false), s = readRect(in, /*compressed=*/false);
            if (!d || !s)
                return false;
            destination = *d;
            source = *s;
        }
        const std::uint32_t index = in.u32();
        if (!in.ok())
            return false;
        State saved = m_state;
        saved.stackIndex = index;
        // The stack holds no more states than the records that made them.
        m_stack.push_back(saved);
        if (type != Save) {
            // A container starts with its own world transform, in the outer one's units.
            QTransform inner;
            if (type == BeginContainer && source.width() != 0 && source.height() != 0) {
                inner = QTransform::fromTranslate(-source.left(), -source.top())
                        * QTransform::fromScale(destination.width() / source.width(), destination.height() / source.height())
                        * QTransform::fromTranslate(destination.left(), destination.top());
            }
            m_state.container = inner * m_state.world * m_state.container;
            m_state.world = QTransform();
            m_state.containerClip = m_state.clip;
        }
        return true;
    }
    case Restore: case EndContainer: {
        const std::uint32_t index = in.u32();
        if (in.ok())
            popTo(index);
        return in.ok();
    }
    case SetWorldTransform: {
        const QTransform m = readMatrix(in);
        if (in.ok())
            m_state.world = m;
        return in.ok();
    }
    case ResetWorldTransform: m_state.world = QTransform(); return true;
    case MultiplyWorldTransform: {
        const QTransform m = readMatrix(in);
        if (in.ok())
            apply(m);
        return in.ok();
    }
    case TranslateWorldTransform: case ScaleWorldTransform: {
        const double a = readFloat(in), b = readFloat(in);
        if (!in.ok())
            return false;
        if (std::isfinite(a) && std::isfinite(b))
            apply(type == TranslateWorldTransform ? QTransform::fromTranslate(a, b) : QTransform::fromScale(a, b));
        return true;
    }
    case RotateWorldTransform: {
        const double angle = readFloat(in);
        if (!in.ok())
            return false;
        if (std::isfinite(angle))
            apply(QTransform().rotate(angle));
        return true;
    }
    case SetPageTransform: {
        const double scale = readFloat(in);
        if (!in.ok())
            return false;
        const int unit = flags & 0xFF;
        m_state.pageUnit = unit <= int(Unit::Millimeter) && unit != int(Unit::World) ? Unit(unit) : Unit::Pixel;
        m_state.pageScale = std::isfinite(scale) && scale > 0 && scale < 1e6 ? scale : 1.0;
        return true;
    }
    case ResetClip: m_state.clip = m_state.containerClip; return true;
    case SetClipRect: {
        const auto r = readRect(in, /*compressed=*/false);
        if (!r)
            return false;
        QPainterPath path;
        path.addRect(*r);
        setClip(path, CombineMode((flags >> 8) & 0x0F));
        return true;
    }
    case SetClipPath: case SetClipRegion: {
        const CombineMode mode = CombineMode(std::min((flags >> 8) & 0x0F, 5));
        if (const QPainterPath* path = objectAs<QPainterPath>(flags & 0xFF))
            setClip(*path, mode);
        return true;
    }
    case OffsetClip: {
        const double dx = readFloat(in), dy = readFloat(in);
        if (!in.ok())
            return false;
        if (m_state.clip && std::isfinite(dx) && std::isfinite(dy)) {
            // The offset is in world units; the clip is kept in layer pixels.
            const QTransform t = transform();
            const QPointF shift = t.map(QPointF(dx, dy)) - t.map(QPointF(0, 0));
            m_state.clip->translate(shift);
        }
        return true;
    }
    default:
        // Records this player does not know are skipped.
        return true;
    }
}

void PlusPlayer::drawImage(const Image& image, const QRectF& source, const QTransform& placement)
{
    QPainter* p = painter();
    if (!p)
        return;
    if (!image.bitmap.isNull()) {
        p->save();
        begin(*p);
        p->setTransform(placement * transform());
        p->drawImage(QRectF(0, 0, source.width(), source.height()), image.bitmap, source);
        p->restore();
        return;
    }
    // A metafile is played into an image of the device pixels it covers.
    if (nesting >= maxNesting)
        return;
    const QTransform toLayer = placement * transform();
    const QRectF unit(0, 0, source.width(), source.height());
    const QRectF covered = toLayer.mapRect(unit);
    const double w = std::ceil(std::min(covered.width(), maxNestedSide)), h = std::ceil(std::min(covered.height(), maxNestedSide));
    if (!(w >= 1 && h >= 1))
        return;
    QImage picture(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return;
    picture.fill(Qt::transparent);
    {
        struct Nested {
            Nested() { ++nesting; }
            ~Nested() { --nesting; }
        } nested;
        QPainter inner(&picture);
        auto context = makePainterContext(inner, 96, 96);
        const Rect target{0, 0, int(w) - 1, int(h) - 1};
        if (!image.emf.empty()) {
            if (auto metafile = EnhancedMetafile::fromBytes(image.emf))
                playEnhancedMetafile(*context, *metafile, target);
        } else if (image.wmf.size() > 22 && bytes::loadU32(image.wmf.data()) == wmf::placeableKey) {
            const int left = std::int16_t(bytes::loadU16(&image.wmf[6])), top = std::int16_t(bytes::loadU16(&image.wmf[8]));
            const int right = std::int16_t(bytes::loadU16(&image.wmf[10])), bottom = std::int16_t(bytes::loadU16(&image.wmf[12]));
            const int inch = bytes::loadU16(&image.wmf[14]) ? bytes::loadU16(&image.wmf[14]) : 96;
            const auto records = std::span<const std::uint8_t>(image.wmf).subspan(22);
            const Size frame{int(std::int64_t(right - left) * 2540 / inch), int(std::int64_t(bottom - top) * 2540 / inch)};
            if (auto metafile = convertWindowsMetafile(records, {left, top, right, bottom}, frame))
                playEnhancedMetafile(*context, *metafile, target);
        }
    }
    p->save();
    begin(*p);
    p->setTransform(toLayer);
    p->drawImage(unit, picture);
    p->restore();
}

bool PlusPlayer::imageRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in)
{
    in.skip(4);  // image attributes
    in.skip(4);  // source unit: pixels
    const auto source = readRect(in, /*compressed=*/false);
    if (!source)
        return false;
    QTransform placement;
    if (type == DrawImage) {
        const auto destination = readRect(in, flags & FlagCompressed);
        if (!destination)
            return false;
        if (source->width() == 0 || source->height() == 0)
            return true;
        placement = QTransform::fromScale(destination->width() / source->width(), destination->height() / source->height())
                    * QTransform::fromTranslate(destination->left(), destination->top());
    } else {
        // Three points: where the source's top-left, top-right and bottom-left corners go.
        const std::uint32_t count = in.u32();
        if (count != 3)
            return false;
        const auto points = readPoints(in, count, flags);
        if (!points)
            return false;
        if (source->width() == 0 || source->height() == 0)
            return true;
        const QPointF o = (*points)[0], x = (*points)[1] - o, y = (*points)[2] - o;
        placement = QTransform(x.x() / source->width(), x.y() / source->width(), y.x() / source->height(),
                               y.y() / source->height(), o.x(), o.y());
    }
    if (const Image* image = objectAs<Image>(flags & 0xFF))
        drawImage(*image, image->bitmap.isNull() ? QRectF(QPointF(0, 0), source->size()) : *source, placement);
    return true;
}

bool PlusPlayer::textRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in)
{
    const std::uint32_t brushId = in.u32();
    const Font* font = objectAs<Font>(flags & 0xFF);
    QString text;
    std::vector<QPointF> positions;
    QTransform glyphTransform;
    std::uint32_t options = DriverStringCmapLookup;
    std::optional<QRectF> layout;
    const StringFormat* format = nullptr;
    if (type == DrawString) {
        format = objectAs<StringFormat>(in.u32());
        const std::uint32_t length = in.u32();
        layout = readRect(in, /*compressed=*/false);
        if (!layout || length > maxGlyphs || !in.has(std::size_t(length) * 2))
            return false;
        for (std::uint32_t i = 0; i < length; ++i)
            text.append(QChar(in.u16()));
    } else {
        options = in.u32();
        const std::uint32_t matrixPresent = in.u32();
        const std::uint32_t count = in.u32();
        if (!in.ok() || count > maxGlyphs || !in.has(std::size_t(count) * 10))
            return false;
        for (std::uint32_t i = 0; i < count; ++i)
            text.append(QChar(in.u16()));
        const auto points = readPoints(in, count, 0);
        if (!points)
            return false;
        positions = *points;
        if (matrixPresent)
            glyphTransform = readMatrix(in);
        if (!in.ok())
            return false;
    }
    const Brush* brush = brushOf(flags, brushId);
    QPainter* p = painter();
    if (!font || !brush || !p || text.isEmpty())
        return true;
    // Characters of the symbol fonts, each drawn as what it stands for.
    const metafile::SymbolSet symbols = metafile::symbolSetOf(font->family.toStdString());
    std::vector<QString> characters;
    for (const QChar code : text) {
        const char32_t c = metafile::symbolCharacter(symbols, code.unicode());
        characters.push_back(QString::fromUcs4(&c, 1));
    }
    if (symbols != metafile::SymbolSet::None && (type == DrawString || (options & DriverStringCmapLookup))) {
        text.clear();
        for (const QString& c : characters)
            text.append(c);
    }
    // Text is laid out at the pixel size of the transform's longest stretch and then placed with
    // what is left of the transform, which only shrinks. Letters pressed flatter than one to
    // sixteen are not drawn: the font engine fails to render such slivers, and may crash on them.
    const QTransform full = glyphTransform * transform();
    const double deviceScale = largestStretchOf(full);
    const double size = font->emSize * worldPerUnit(font->unit) * deviceScale;
    const double flatness = std::abs(full.determinant()) / (deviceScale * deviceScale);
    if (!(deviceScale > 1e-9) || !(size >= 0.5) || size > maxTextPixels || !(flatness >= 1.0 / maxTextFlattening))
        return true;
    QFont qfont(QString::fromStdString(metafile::drawingFace(font->family.toStdString())));
    qfont.setPixelSize(std::max(1, int(std::lround(size))));
    qfont.setBold(font->bold);
    qfont.setItalic(font->italic);
    qfont.setUnderline(font->underline);
    qfont.setStrikeOut(font->strikeOut);
    const double k = deviceScale;
    p->save();
    begin(*p);
    p->setTransform(QTransform::fromScale(1 / k, 1 / k) * full);
    p->setFont(qfont);
    p->setPen(QPen(brush->brush, 0));
    if (type == DrawString) {
        const QRectF r(layout->left() * k, layout->top() * k, layout->width() * k, layout->height() * k);
        int alignment = 0;
        const std::uint32_t h = format ? format->alignment : 0, v = format ? format->lineAlignment : 0;
        alignment |= h == 1 ? Qt::AlignHCenter : h == 2 ? Qt::AlignRight : Qt::AlignLeft;
        alignment |= v == 1 ? Qt::AlignVCenter : v == 2 ? Qt::AlignBottom : Qt::AlignTop;
        const bool unbounded = r.width() <= 0 || r.height() <= 0;
        if (!unbounded && !(format && (format->flags & StringFormatNoWrap)))
            alignment |= Qt::TextWordWrap;
        if (unbounded || (format && (format->flags & StringFormatNoClip)))
            alignment |= Qt::TextDontClip;
        p->drawText(r, alignment, text);
    } else if (options & DriverStringCmapLookup) {
        // Each character at its own position on the baseline (or the whole run from the first
        // position when the advances are the font's own).
        if (options & DriverStringRealizedAdvance) {
            p->drawText(positions[0] * k, text);
        } else {
            for (std::size_t i = 0; i < characters.size(); ++i)
                p->drawText(positions[i] * k, characters[i]);
        }
    } else {
        // Glyph indexes of the font the file was made with; this font's glyphs stand in.
        QRawFont raw = QRawFont::fromFont(qfont);
        if (raw.isValid()) {
            QGlyphRun run;
            run.setRawFont(raw);
            QList<quint32> glyphs;
            QList<QPointF> at;
            for (qsizetype i = 0; i < text.size(); ++i) {
                glyphs.push_back(text[i].unicode());
                at.push_back(positions[std::size_t(i)] * k);
            }
            run.setGlyphIndexes(glyphs);
            run.setPositions(at);
            p->drawGlyphRun(QPointF(0, 0), run);
        }
    }
    p->restore();
    return true;
}

} // namespace platform::plus

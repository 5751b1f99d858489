#include "platform/metafile/emf_recorder.h"

#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"
#include "platform/qt_drawing.h"

#include <QFontMetricsF>
#include <QString>

#include <cmath>
#include <limits>

namespace platform {

using metafile::RecordBuilder;
using namespace emf;

namespace {

bool fits16(std::span<const Point> points)
{
    return std::all_of(points.begin(), points.end(), [](const Point& p) {
        return p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767;
    });
}

QRectF boxOf(const Rect& r)
{
    return QRectF(QPointF(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                  QPointF(std::max(r.left, r.right), std::max(r.top, r.bottom)));
}

std::uint32_t penStyleOf(const PenSpec& pen)
{
    std::uint32_t style = std::uint32_t(pen.style);
    if (pen.geometric) {
        style |= PS_GEOMETRIC;
        style |= pen.cap == PenCap::Flat ? std::uint32_t(PS_ENDCAP_FLAT) : pen.cap == PenCap::Square ? std::uint32_t(PS_ENDCAP_SQUARE) : 0u;
        style |= pen.join == PenJoin::Bevel ? std::uint32_t(PS_JOIN_BEVEL) : pen.join == PenJoin::Miter ? std::uint32_t(PS_JOIN_MITER) : 0u;
    }
    return style;
}

} // namespace

RecordingContext::RecordingContext(const ReferenceDevice& reference, const Rect& frame, std::u16string description)
    : m_reference(reference), m_frame(frame), m_description(std::move(description))
{
    // Playback starts from a context's defaults, whose font is not ours: the starting objects
    // are recorded so that the first drawing finds what this context has.
    m_penHandle = createPen(m_state.pen);
    select(m_penHandle);
    m_brushHandle = createBrush(m_state.brush);
    select(m_brushHandle);
    m_fontHandle = createFont(m_state.font);
    select(m_fontHandle);
}

std::uint32_t RecordingContext::newHandle()
{
    for (std::size_t i = 1; i < m_handles.size(); ++i)
        if (!m_handles[i]) {
            m_handles[i] = true;
            return std::uint32_t(i);
        }
    m_handles.push_back(true);
    return std::uint32_t(m_handles.size() - 1);
}

void RecordingContext::freeHandle(std::uint32_t handle)
{
    if (handle > 0 && handle < m_handles.size())
        m_handles[handle] = false;
}

void RecordingContext::select(std::uint32_t handle)
{
    simple(EMR_SELECTOBJECT, handle);
}

void RecordingContext::remove(std::uint32_t handle)
{
    if (handle == 0)
        return;
    simple(EMR_DELETEOBJECT, handle);
    freeHandle(handle);
}

std::uint32_t RecordingContext::createPen(const PenSpec& pen)
{
    const std::uint32_t handle = newHandle();
    if (!pen.geometric && !pen.cosmetic) {
        RecordBuilder r(EMR_CREATEPEN);
        r.u32(handle).u32(std::uint32_t(pen.style)).i32(pen.width).i32(0).u32(rgbPart(pen.colour));
        m_writer.add(std::move(r));
        return handle;
    }
    RecordBuilder r(EMR_EXTCREATEPEN);
    r.u32(handle).u32(0).u32(0).u32(0).u32(0);
    r.u32(penStyleOf(pen)).u32(std::uint32_t(pen.cosmetic ? 1 : std::max(pen.width, 0)));
    r.u32(pen.style == PenStyle::Clear ? BS_NULL : BS_SOLID).u32(rgbPart(pen.colour)).u32(0).u32(0);
    m_writer.add(std::move(r));
    return handle;
}

std::uint32_t RecordingContext::createBrush(const BrushSpec& brush)
{
    const std::uint32_t handle = newHandle();
    if (brush.pattern) {
        const bool mono = brush.pattern->kind() == Section::Kind::MonochromeDevice;
        const metafile::DibBytes dib = metafile::dibOf(*brush.pattern);
        RecordBuilder r(mono ? EMR_CREATEMONOBRUSH : EMR_CREATEDIBPATTERNBRUSHPT);
        const std::uint32_t offInfo = 32;
        const std::uint32_t offBits = offInfo + std::uint32_t(dib.info.size());
        r.u32(handle).u32(DIB_RGB_COLORS).u32(offInfo).u32(std::uint32_t(dib.info.size()));
        r.u32(offBits).u32(std::uint32_t(dib.bits.size()));
        r.bytes(dib.info).bytes(dib.bits);
        m_writer.add(std::move(r));
        return handle;
    }
    std::uint32_t style = BS_SOLID, hatch = 0;
    if (brush.style == BrushStyle::Clear) {
        style = BS_NULL;
    } else if (brush.style != BrushStyle::Solid) {
        style = BS_HATCHED;
        hatch = std::uint32_t(brush.style) - std::uint32_t(BrushStyle::Horizontal);
    }
    RecordBuilder r(EMR_CREATEBRUSHINDIRECT);
    r.u32(handle).u32(style).u32(rgbPart(brush.colour)).u32(hatch);
    m_writer.add(std::move(r));
    return handle;
}

std::uint32_t RecordingContext::createFont(const FontSpec& font)
{
    const std::uint32_t handle = newHandle();
    RecordBuilder r(EMR_EXTCREATEFONTINDIRECTW);
    r.u32(handle).i32(font.height).i32(font.width).i32(font.escapement).i32(font.orientation).i32(font.weight);
    r.u8(font.italic).u8(font.underline).u8(font.strikeOut).u8(font.charset);
    r.u8(0).u8(0).u8(0).u8(font.pitch);
    const QString face = QString::fromStdString(font.family).left(31);
    for (int i = 0; i < 32; ++i)
        r.u16(i < face.size() ? face[i].unicode() : 0);
    m_writer.add(std::move(r));
    return handle;
}

void RecordingContext::reselect()
{
    replace(m_penHandle, createPen(m_state.pen));
    replace(m_brushHandle, createBrush(m_state.brush));
    replace(m_fontHandle, createFont(m_state.font));
}

void RecordingContext::simple(std::uint32_t type)
{
    m_writer.add(RecordBuilder(type));
}

void RecordingContext::simple(std::uint32_t type, std::uint32_t value)
{
    RecordBuilder r(type);
    r.u32(value);
    m_writer.add(std::move(r));
}

void RecordingContext::replace(std::uint32_t& current, std::uint32_t handle)
{
    select(handle);
    remove(current);
    current = handle;
}

void RecordingContext::setPen(const PenSpec& pen)
{
    DeviceContext::setPen(pen);
    replace(m_penHandle, createPen(pen));
}

void RecordingContext::setBrush(const BrushSpec& brush)
{
    DeviceContext::setBrush(brush);
    replace(m_brushHandle, createBrush(brush));
}

void RecordingContext::setFont(const FontSpec& font)
{
    DeviceContext::setFont(font);
    replace(m_fontHandle, createFont(font));
}

void RecordingContext::setTextColour(Colour c)
{
    DeviceContext::setTextColour(c);
    simple(EMR_SETTEXTCOLOR, rgbPart(c));
}

void RecordingContext::setBackgroundColour(Colour c)
{
    DeviceContext::setBackgroundColour(c);
    simple(EMR_SETBKCOLOR, rgbPart(c));
}

void RecordingContext::setBackgroundMode(BackgroundMode m)
{
    DeviceContext::setBackgroundMode(m);
    simple(EMR_SETBKMODE, std::uint32_t(m));
}

void RecordingContext::setStretchMode(StretchMode m)
{
    DeviceContext::setStretchMode(m);
    simple(EMR_SETSTRETCHBLTMODE, std::uint32_t(m));
}

void RecordingContext::setPenMode(PenMode m)
{
    DeviceContext::setPenMode(m);
    simple(EMR_SETROP2, std::uint32_t(m));
}

void RecordingContext::setPolyFillMode(PolyFillMode m)
{
    DeviceContext::setPolyFillMode(m);
    simple(EMR_SETPOLYFILLMODE, std::uint32_t(m));
}

void RecordingContext::setBrushOrigin(Point p)
{
    DeviceContext::setBrushOrigin(p);
    pointRecord(EMR_SETBRUSHORGEX, p);
}

void RecordingContext::setTextAlign(unsigned flags)
{
    DeviceContext::setTextAlign(flags);
    simple(EMR_SETTEXTALIGN, flags);
}

void RecordingContext::setCharExtra(int extra)
{
    // Enhanced metafiles have no record for it: text records carry explicit advances instead
    // (see extTextOut).
    DeviceContext::setCharExtra(extra);
}

void RecordingContext::setArcDirection(ArcDirection d)
{
    DeviceContext::setArcDirection(d);
    simple(EMR_SETARCDIRECTION, std::uint32_t(d));
}

void RecordingContext::setMiterLimit(double limit)
{
    DeviceContext::setMiterLimit(limit);
    simple(EMR_SETMITERLIMIT, std::uint32_t(std::clamp(limit, 0.0, 1e9)));
}

const Palette* RecordingContext::selectPalette(const Palette* palette)
{
    const Palette* previous = DeviceContext::selectPalette(palette);
    if (!palette) {
        simple(EMR_SELECTPALETTE, stockObject | DEFAULT_PALETTE);
    } else {
        const std::uint32_t handle = newHandle();
        RecordBuilder r(EMR_CREATEPALETTE);
        const int count = std::min(palette->size(), 0xFFFF);
        r.u32(handle).u16(0x300).u16(std::uint16_t(count));
        for (int i = 0; i < count; ++i) {
            const PaletteEntry& e = palette->entries()[std::size_t(i)];
            r.u8(e.red).u8(e.green).u8(e.blue).u8(e.flags);
        }
        m_writer.add(std::move(r));
        simple(EMR_SELECTPALETTE, handle);
        simple(EMR_REALIZEPALETTE);
        if (m_paletteHandle)
            remove(m_paletteHandle);
        m_paletteHandle = handle;
    }
    return previous;
}

void RecordingContext::setMapMode(MapMode mode)
{
    DeviceContext::setMapMode(mode);
    simple(EMR_SETMAPMODE, std::uint32_t(mode));
}

void RecordingContext::setWindowOrigin(Point origin)
{
    DeviceContext::setWindowOrigin(origin);
    pointRecord(EMR_SETWINDOWORGEX, origin);
}

void RecordingContext::setWindowExtent(Size extent)
{
    DeviceContext::setWindowExtent(extent);
    pointRecord(EMR_SETWINDOWEXTEX, {extent.cx, extent.cy});
}

void RecordingContext::setViewportOrigin(Point origin)
{
    DeviceContext::setViewportOrigin(origin);
    pointRecord(EMR_SETVIEWPORTORGEX, origin);
}

void RecordingContext::setViewportExtent(Size extent)
{
    DeviceContext::setViewportExtent(extent);
    pointRecord(EMR_SETVIEWPORTEXTEX, {extent.cx, extent.cy});
}

bool RecordingContext::setWorldTransform(const QTransform& t)
{
    if (!DeviceContext::setWorldTransform(t))
        return false;
    RecordBuilder r(EMR_SETWORLDTRANSFORM);
    r.f32(float(t.m11())).f32(float(t.m12())).f32(float(t.m21())).f32(float(t.m22())).f32(float(t.dx())).f32(float(t.dy()));
    m_writer.add(std::move(r));
    return true;
}

int RecordingContext::saveDC()
{
    simple(EMR_SAVEDC);
    return DeviceContext::saveDC();
}

bool RecordingContext::restoreDC(int level)
{
    if (!DeviceContext::restoreDC(level))
        return false;
    RecordBuilder r(EMR_RESTOREDC);
    r.i32(level);
    m_writer.add(std::move(r));
    reselect();
    return true;
}

void RecordingContext::setClipRect(std::optional<Rect> clip)
{
    DeviceContext::setClipRect(clip);
    if (clip) {
        const QRegion region(QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1)));
        const std::vector<std::uint8_t> data = metafile::regionData(region);
        RecordBuilder r(EMR_EXTSELECTCLIPRGN);
        r.u32(std::uint32_t(data.size())).u32(std::uint32_t(RegionMode::Copy)).bytes(data);
        m_writer.add(std::move(r));
    } else {
        RecordBuilder r(EMR_EXTSELECTCLIPRGN);
        r.u32(0).u32(std::uint32_t(RegionMode::Copy));
        m_writer.add(std::move(r));
    }
}

void RecordingContext::selectClipRegion(const QRegion* region, RegionMode mode)
{
    DeviceContext::selectClipRegion(region, mode);
    RecordBuilder r(EMR_EXTSELECTCLIPRGN);
    if (region) {
        const std::vector<std::uint8_t> data = metafile::regionData(*region);
        r.u32(std::uint32_t(data.size())).u32(std::uint32_t(mode)).bytes(data);
    } else {
        r.u32(0).u32(std::uint32_t(mode));
    }
    m_writer.add(std::move(r));
}

void RecordingContext::intersectClipRect(const Rect& logical)
{
    DeviceContext::intersectClipRect(logical);
    rectRecord(EMR_INTERSECTCLIPRECT, logical);
}

void RecordingContext::excludeClipRect(const Rect& logical)
{
    DeviceContext::excludeClipRect(logical);
    rectRecord(EMR_EXCLUDECLIPRECT, logical);
}

void RecordingContext::offsetClipRegion(int dx, int dy)
{
    DeviceContext::offsetClipRegion(dx, dy);
    pointRecord(EMR_OFFSETCLIPRGN, {dx, dy});
}

void RecordingContext::selectClipPath(RegionMode mode)
{
    DeviceContext::selectClipPath(mode);
    simple(EMR_SELECTCLIPPATH, std::uint32_t(mode));
}

void RecordingContext::beginPath()
{
    DeviceContext::beginPath();
    simple(EMR_BEGINPATH);
}

void RecordingContext::endPath()
{
    DeviceContext::endPath();
    simple(EMR_ENDPATH);
}

void RecordingContext::closeFigure()
{
    DeviceContext::closeFigure();
    simple(EMR_CLOSEFIGURE);
}

void RecordingContext::abortPath()
{
    DeviceContext::abortPath();
    simple(EMR_ABORTPATH);
}

void RecordingContext::fillPath()
{
    DeviceContext::fillPath();
    RecordBuilder r(EMR_FILLPATH);
    r.rect({0, 0, -1, -1});
    m_writer.add(std::move(r));
}

void RecordingContext::strokePath()
{
    DeviceContext::strokePath();
    RecordBuilder r(EMR_STROKEPATH);
    r.rect({0, 0, -1, -1});
    m_writer.add(std::move(r));
}

void RecordingContext::strokeAndFillPath()
{
    DeviceContext::strokeAndFillPath();
    RecordBuilder r(EMR_STROKEANDFILLPATH);
    r.rect({0, 0, -1, -1});
    m_writer.add(std::move(r));
}

void RecordingContext::flattenPath()
{
    DeviceContext::flattenPath();
    simple(EMR_FLATTENPATH);
}

void RecordingContext::widenPath()
{
    DeviceContext::widenPath();
    simple(EMR_WIDENPATH);
}

void RecordingContext::pointRecord(std::uint32_t type, Point p)
{
    RecordBuilder r(type);
    r.i32(p.x).i32(p.y);
    m_writer.add(std::move(r));
}

void RecordingContext::rectRecord(std::uint32_t type, const Rect& rect)
{
    RecordBuilder r(type);
    r.rect(rect);
    m_writer.add(std::move(r));
}

void RecordingContext::include(const QRectF& logical, double margin)
{
    // Bounds are kept for the header only; drawing inside a path is not bounded yet.
    const QTransform t = deviceTransform();
    const double pen = m_state.pen.width * std::sqrt(std::abs(t.determinant()));
    const double grow = margin + std::max(1.0, pen);
    m_writer.include(t.mapRect(logical).adjusted(-grow, -grow, grow, grow));
}

void RecordingContext::include(std::span<const Point> points)
{
    if (points.empty())
        return;
    double left = points[0].x, top = points[0].y, right = left, bottom = top;
    for (const Point& p : points) {
        left = std::min<double>(left, p.x);
        right = std::max<double>(right, p.x);
        top = std::min<double>(top, p.y);
        bottom = std::max<double>(bottom, p.y);
    }
    include(QRectF(QPointF(left, top), QPointF(right, bottom)));
}

void RecordingContext::moveTo(Point p)
{
    m_state.position = p;
    pointRecord(EMR_MOVETOEX, p);
}

void RecordingContext::lineTo(Point p)
{
    const Point ends[] = {m_state.position, p};
    include(ends);
    m_state.position = p;
    pointRecord(EMR_LINETO, p);
}

void RecordingContext::polyRecord(std::uint32_t type, std::uint32_t type16, std::span<const Point> points)
{
    include(points);
    const bool small = fits16(points);
    RecordBuilder r(small ? type16 : type);
    r.rect({0, 0, -1, -1}).u32(std::uint32_t(points.size()));
    for (const Point& p : points) {
        if (small)
            r.u16(std::uint16_t(p.x)).u16(std::uint16_t(p.y));
        else
            r.i32(p.x).i32(p.y);
    }
    m_writer.add(std::move(r));
}

void RecordingContext::polyPolyRecord(std::uint32_t type, std::uint32_t type16, std::span<const Point> points,
                                      std::span<const int> counts)
{
    std::uint64_t total = 0;
    for (int c : counts) {
        if (c < 0)
            return;
        total += std::uint64_t(c);
    }
    if (total > points.size())
        return;
    const std::span<const Point> used = points.first(std::size_t(total));
    include(used);
    const bool small = fits16(used);
    RecordBuilder r(small ? type16 : type);
    r.rect({0, 0, -1, -1}).u32(std::uint32_t(counts.size())).u32(std::uint32_t(total));
    for (int c : counts)
        r.u32(std::uint32_t(c));
    for (const Point& p : used) {
        if (small)
            r.u16(std::uint16_t(p.x)).u16(std::uint16_t(p.y));
        else
            r.i32(p.x).i32(p.y);
    }
    m_writer.add(std::move(r));
}

void RecordingContext::polyline(std::span<const Point> points)
{
    polyRecord(EMR_POLYLINE, EMR_POLYLINE16, points);
}

void RecordingContext::polylineTo(std::span<const Point> points)
{
    if (points.empty())
        return;
    polyRecord(EMR_POLYLINETO, EMR_POLYLINETO16, points);
    m_state.position = points.back();
}

void RecordingContext::polygon(std::span<const Point> points)
{
    polyRecord(EMR_POLYGON, EMR_POLYGON16, points);
}

void RecordingContext::polyPolygon(std::span<const Point> points, std::span<const int> counts)
{
    polyPolyRecord(EMR_POLYPOLYGON, EMR_POLYPOLYGON16, points, counts);
}

void RecordingContext::polyPolyline(std::span<const Point> points, std::span<const int> counts)
{
    polyPolyRecord(EMR_POLYPOLYLINE, EMR_POLYPOLYLINE16, points, counts);
}

void RecordingContext::polyBezier(std::span<const Point> points)
{
    polyRecord(EMR_POLYBEZIER, EMR_POLYBEZIER16, points);
}

void RecordingContext::polyBezierTo(std::span<const Point> points)
{
    if (points.size() < 3)
        return;
    polyRecord(EMR_POLYBEZIERTO, EMR_POLYBEZIERTO16, points);
    m_state.position = points[points.size() / 3 * 3 - 1];
}

void RecordingContext::rectangle(const Rect& r)
{
    include(boxOf(r));
    rectRecord(EMR_RECTANGLE, r);
}

void RecordingContext::roundRect(const Rect& rect, int cornerWidth, int cornerHeight)
{
    include(boxOf(rect));
    RecordBuilder r(EMR_ROUNDRECT);
    r.rect(rect).i32(cornerWidth).i32(cornerHeight);
    m_writer.add(std::move(r));
}

void RecordingContext::ellipse(const Rect& r)
{
    include(boxOf(r));
    rectRecord(EMR_ELLIPSE, r);
}

void RecordingContext::arcRecord(std::uint32_t type, const Rect& rect, Point start, Point end)
{
    include(boxOf(rect));
    RecordBuilder r(type);
    r.rect(rect).i32(start.x).i32(start.y).i32(end.x).i32(end.y);
    m_writer.add(std::move(r));
}

void RecordingContext::arc(const Rect& r, Point start, Point end)
{
    arcRecord(EMR_ARC, r, start, end);
}

void RecordingContext::arcTo(const Rect& r, Point start, Point end)
{
    arcRecord(EMR_ARCTO, r, start, end);
    // Where the arc ends: on the ellipse, along the ray towards `end`.
    const QRectF box = boxOf(r);
    const double angle = detail::parametricAngle(box, QPointF(end.x, end.y)) * M_PI / 180;
    m_state.position = {int(std::lround(box.center().x() + box.width() / 2 * std::cos(angle))),
                        int(std::lround(box.center().y() - box.height() / 2 * std::sin(angle)))};
}

void RecordingContext::chord(const Rect& r, Point start, Point end)
{
    arcRecord(EMR_CHORD, r, start, end);
}

void RecordingContext::pie(const Rect& r, Point start, Point end)
{
    arcRecord(EMR_PIE, r, start, end);
}

void RecordingContext::fillRect(const Rect& rect, const BrushSpec& brush)
{
    // A pattern copy with the brush selected for the moment.
    const std::uint32_t handle = createBrush(brush);
    select(handle);
    patBlt(rect, rop::PatCopy);
    select(m_brushHandle);
    remove(handle);
}

void RecordingContext::frameRect(const Rect& rect, const BrushSpec& brush)
{
    const Rect n{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
                 std::max(rect.top, rect.bottom)};
    if (n.isEmpty())
        return;
    const QTransform t = deviceTransform();
    const QRect device = t.mapRect(QRectF(n.left, n.top, double(n.right) - n.left, double(n.bottom) - n.top)).toRect();
    frameRegion(QRegion(device), brush, 1, 1);
}

QRegion RecordingContext::logicalRegion(const QRegion& device) const
{
    bool invertible = false;
    const QTransform back = deviceTransform().inverted(&invertible);
    if (!invertible || back.isIdentity())
        return device;
    QRegion logical;
    for (const QRect& r : device)
        logical += back.mapRect(QRectF(r)).toAlignedRect();
    return logical;
}

void RecordingContext::regionRecord(std::uint32_t type, const QRegion& device, std::uint32_t brush, int width,
                                    int height)
{
    const QRegion region = logicalRegion(device);
    m_writer.include(QRectF(device.boundingRect()));
    const std::vector<std::uint8_t> data = metafile::regionData(region);
    const QRect box = region.boundingRect();
    RecordBuilder r(type);
    r.rect({box.left(), box.top(), box.right(), box.bottom()}).u32(std::uint32_t(data.size()));
    if (type == EMR_FILLRGN || type == EMR_FRAMERGN)
        r.u32(brush);
    if (type == EMR_FRAMERGN)
        r.i32(width).i32(height);
    r.bytes(data);
    m_writer.add(std::move(r));
}

void RecordingContext::fillRegion(const QRegion& region, const BrushSpec& brush)
{
    const std::uint32_t handle = createBrush(brush);
    regionRecord(EMR_FILLRGN, region, handle, 0, 0);
    remove(handle);
}

void RecordingContext::frameRegion(const QRegion& region, const BrushSpec& brush, int width, int height)
{
    // Frame sizes are device pixels here and logical units in the record.
    const QTransform t = deviceTransform();
    const double sx = std::max(std::abs(t.m11()), 1e-9), sy = std::max(std::abs(t.m22()), 1e-9);
    const std::uint32_t handle = createBrush(brush);
    regionRecord(EMR_FRAMERGN, region, handle, int(std::lround(width / sx)), int(std::lround(height / sy)));
    remove(handle);
}

void RecordingContext::invertRegion(const QRegion& region)
{
    regionRecord(EMR_INVERTRGN, region, 0, 0, 0);
}

void RecordingContext::setPixel(Point p, Colour colour)
{
    include(QRectF(p.x, p.y, 1, 1));
    RecordBuilder r(EMR_SETPIXELV);
    r.i32(p.x).i32(p.y).u32(rgbPart(colour));
    m_writer.add(std::move(r));
}

Colour RecordingContext::pixel(Point) const
{
    return 0;
}

void RecordingContext::textOut(Point p, const std::string& utf8)
{
    extTextOut(p, 0, nullptr, utf8);
}

void RecordingContext::extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                                  std::span<const int> dx)
{
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    const std::size_t chars = std::size_t(text.size());
    const std::size_t perChar = (options & ETO_PDY) ? 2 : 1;
    // Character extra has no record of its own: it goes into explicit advances.
    std::vector<int> advances(dx.begin(), dx.end());
    if (m_state.charExtra != 0 && !text.isEmpty()) {
        if (advances.size() < chars * perChar) {
            const QFontMetricsF metrics(detail::qFont(m_state.font));
            advances.assign(chars * perChar, 0);
            for (std::size_t i = 0; i < chars; ++i)
                advances[i * perChar] = int(std::lround(metrics.horizontalAdvance(text.at(qsizetype(i)))));
        }
        for (std::size_t i = 0; i < chars; ++i)
            advances[i * perChar] += m_state.charExtra;
    }
    const bool withDx = advances.size() >= chars * perChar && !advances.empty();
    const Size extent = textExtent(utf8);
    const Point at = (m_state.textAlign & TA_UPDATECP) ? m_state.position : p;
    include(QRectF(at.x - extent.cx, at.y - extent.cy, 3.0 * extent.cx + 2, 3.0 * extent.cy + 2));
    if (rect)
        include(boxOf(*rect));
    const std::uint32_t offString = 76;
    const std::uint32_t stringBytes = std::uint32_t((chars * 2 + 3) / 4 * 4);
    RecordBuilder r(EMR_EXTTEXTOUTW);
    r.rect({0, 0, -1, -1}).u32(1).f32(0).f32(0);
    r.i32(p.x).i32(p.y).u32(std::uint32_t(chars)).u32(offString).u32(options);
    r.rect(rect ? *rect : Rect{0, 0, -1, -1});
    r.u32(withDx ? offString + stringBytes : 0);
    for (QChar c : text)
        r.u16(c.unicode());
    r.pad4();
    if (withDx)
        for (std::size_t i = 0; i < chars * perChar; ++i)
            r.i32(advances[i]);
    m_writer.add(std::move(r));
    if (m_state.textAlign & TA_UPDATECP)
        m_state.position.x += (m_state.textAlign & TA_CENTER) == TA_RIGHT ? -extent.cx : extent.cx;
}

void RecordingContext::stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                                  std::uint32_t rasterOp, Colour sourceBackground)
{
    include(boxOf(destination));
    const metafile::DibBytes dib = metafile::dibOf(source, m_state.textColour, m_state.backgroundColour);
    const std::uint32_t offInfo = 108;
    const std::uint32_t offBits = offInfo + std::uint32_t(dib.info.size());
    RecordBuilder r(EMR_STRETCHBLT);
    r.rect({0, 0, -1, -1});
    r.i32(destination.left).i32(destination.top);
    r.i32(int(std::int64_t(destination.right) - destination.left)).i32(int(std::int64_t(destination.bottom) - destination.top));
    r.u32(rasterOp).i32(sourceRect.left).i32(sourceRect.top);
    r.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
    r.u32(rgbPart(sourceBackground)).u32(DIB_RGB_COLORS);
    r.u32(offInfo).u32(std::uint32_t(dib.info.size())).u32(offBits).u32(std::uint32_t(dib.bits.size()));
    r.i32(int(std::int64_t(sourceRect.right) - sourceRect.left)).i32(int(std::int64_t(sourceRect.bottom) - sourceRect.top));
    r.bytes(dib.info).bytes(dib.bits);
    m_writer.add(std::move(r));
}

void RecordingContext::maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                               const Section& mask, Point maskOrigin, std::uint32_t rasterOp)
{
    include(boxOf(destination));
    const metafile::DibBytes dib = metafile::dibOf(source, m_state.textColour, m_state.backgroundColour);
    const metafile::DibBytes maskDib = metafile::dibOf(mask);
    const std::uint32_t offInfo = 128;
    const std::uint32_t offBits = offInfo + std::uint32_t(dib.info.size());
    const std::uint32_t offMaskInfo = offBits + std::uint32_t(dib.bits.size());
    const std::uint32_t offMaskBits = offMaskInfo + std::uint32_t(maskDib.info.size());
    RecordBuilder r(EMR_MASKBLT);
    r.rect({0, 0, -1, -1});
    r.i32(destination.left).i32(destination.top);
    r.i32(int(std::int64_t(destination.right) - destination.left)).i32(int(std::int64_t(destination.bottom) - destination.top));
    r.u32(rasterOp).i32(sourceOrigin.x).i32(sourceOrigin.y);
    r.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
    r.u32(rgbPart(m_state.backgroundColour)).u32(DIB_RGB_COLORS);
    r.u32(offInfo).u32(std::uint32_t(dib.info.size())).u32(offBits).u32(std::uint32_t(dib.bits.size()));
    r.i32(maskOrigin.x).i32(maskOrigin.y).u32(DIB_RGB_COLORS);
    r.u32(offMaskInfo).u32(std::uint32_t(maskDib.info.size())).u32(offMaskBits).u32(std::uint32_t(maskDib.bits.size()));
    r.bytes(dib.info).bytes(dib.bits).bytes(maskDib.info).bytes(maskDib.bits);
    m_writer.add(std::move(r));
}

void RecordingContext::patBlt(const Rect& destination, std::uint32_t rasterOp)
{
    include(boxOf(destination));
    RecordBuilder r(EMR_BITBLT);
    r.rect({0, 0, -1, -1});
    r.i32(destination.left).i32(destination.top);
    r.i32(int(std::int64_t(destination.right) - destination.left)).i32(int(std::int64_t(destination.bottom) - destination.top));
    r.u32(rasterOp).i32(0).i32(0);
    r.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
    r.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    m_writer.add(std::move(r));
}

void RecordingContext::alphaBlend(Point destination, const Section& source)
{
    auto premultiplied = Section::createDisplayCompatible(source.width(), source.height());
    if (!premultiplied)
        return;
    for (int y = 0; y < source.height(); ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(premultiplied->row(y));
        for (int x = 0; x < source.width(); ++x) {
            const Colour c = source.pixel(x, y);
            const std::uint32_t alpha = source.bitCount() == 32 ? source.row(y)[std::size_t(x) * 4 + 3] : 255;
            const auto scaled = [alpha](std::uint8_t v) { return (v * alpha + 127) / 255; };
            out[x] = alpha << 24 | scaled(redOf(c)) << 16 | scaled(greenOf(c)) << 8 | scaled(blueOf(c));
        }
    }
    const Rect all{0, 0, source.width(), source.height()};
    alphaStretchBlt(Rect::fromSize(destination.x, destination.y, source.width(), source.height()), *premultiplied, all,
                    255, true);
}

void RecordingContext::alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                                  std::uint8_t constantAlpha, bool perPixelAlpha)
{
    include(boxOf(destination));
    const metafile::DibBytes dib = metafile::dibOf(source, m_state.textColour, m_state.backgroundColour);
    const std::uint32_t offInfo = 108;
    const std::uint32_t offBits = offInfo + std::uint32_t(dib.info.size());
    RecordBuilder r(EMR_ALPHABLEND);
    r.rect({0, 0, -1, -1});
    r.i32(destination.left).i32(destination.top);
    r.i32(int(std::int64_t(destination.right) - destination.left)).i32(int(std::int64_t(destination.bottom) - destination.top));
    r.u32((std::uint32_t(constantAlpha) << 16) | (perPixelAlpha ? 0x01000000u : 0u));
    r.i32(sourceRect.left).i32(sourceRect.top);
    r.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
    r.u32(0).u32(DIB_RGB_COLORS);
    r.u32(offInfo).u32(std::uint32_t(dib.info.size())).u32(offBits).u32(std::uint32_t(dib.bits.size()));
    r.i32(int(std::int64_t(sourceRect.right) - sourceRect.left)).i32(int(std::int64_t(sourceRect.bottom) - sourceRect.top));
    r.bytes(dib.info).bytes(dib.bits);
    m_writer.add(std::move(r));
}

std::vector<std::uint8_t> RecordingContext::finish()
{
    return m_writer.finish(m_frame, m_reference.pixels, m_reference.millimetres, m_description,
                           std::uint16_t(std::min<std::size_t>(m_handles.size(), 0xFFFF)));
}

std::unique_ptr<RecordingContext> createEnhancedMetafileRecorder(const ReferenceDevice& reference, const Rect& frame,
                                                                 const std::u16string& description)
{
    if (reference.pixels.cx <= 0 || reference.pixels.cy <= 0 || reference.millimetres.cx <= 0
        || reference.millimetres.cy <= 0)
        return nullptr;
    return std::make_unique<RecordingContext>(reference, frame, description);
}

MetafileHandle closeEnhancedMetafile(std::unique_ptr<RecordingContext> recorder)
{
    if (!recorder)
        return nullptr;
    return EnhancedMetafile::fromBytes(recorder->finish());
}

} // namespace platform

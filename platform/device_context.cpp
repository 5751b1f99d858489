#include "platform/device_context.h"

#include "platform/page_mapping.h"
#include "platform/painter_device_context.h"
#include "platform/qt_drawing.h"
#include "platform/section_device_context.h"

#include <QPainterPathStroker>

#include <cmath>

namespace platform {

namespace {

constexpr double deviceLimit = double(1 << 28);

} // namespace

int toDeviceCoordinate(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::lround(std::clamp(v, -deviceLimit, deviceLimit)));
}

Size DeviceContext::textExtent(const std::string& utf8) const
{
    return detail::textExtentOf(m_state.font, utf8);
}

TextMetrics DeviceContext::textMetrics() const
{
    return detail::textMetricsOf(m_state.font);
}

DeviceContext::~DeviceContext() = default;

const Palette* DeviceContext::selectPalette(const Palette* palette)
{
    const Palette* previous = m_state.palette;
    m_state.palette = palette;
    return previous;
}

void DeviceContext::setMapMode(MapMode mode)
{
    DeviceState& s = m_state;
    const int dpiX = std::max(1, logicalDpiX()), dpiY = std::max(1, logicalDpiY());
    // Fixed modes measure in fractions of a millimetre or an inch, with y growing upwards.
    const auto fixed = [&](MapMode unit) {
        const int perTenInches = int(std::lround(254.0 / millimetresPerUnit(unit)));
        s.windowExtent = {perTenInches, perTenInches};
        s.viewportExtent = {dpiX * 10, -dpiY * 10};
    };
    switch (mode) {
    case MapMode::Text: s.windowExtent = {1, 1}; s.viewportExtent = {1, 1}; break;
    case MapMode::LoMetric: case MapMode::HiMetric: case MapMode::LoEnglish: case MapMode::HiEnglish:
    case MapMode::Twips: fixed(mode); break;
    case MapMode::Isotropic:
        // Entering isotropic mode from a fixed one keeps its scale (as metric units).
        if (s.mapMode == MapMode::Text)
            fixed(MapMode::LoMetric);
        break;
    case MapMode::Anisotropic: break;
    default: return;
    }
    s.mapMode = mode;
}

namespace {

// Isotropic mode: the viewport extent of the axis that would scale more is cut so that one
// logical unit is as wide as it is tall.
void keepIsotropic(DeviceState& s)
{
    if (s.mapMode != MapMode::Isotropic)
        return;
    const QPointF v = isotropicViewportExtent(QPointF(s.windowExtent.cx, s.windowExtent.cy),
                                              QPointF(s.viewportExtent.cx, s.viewportExtent.cy));
    const auto whole = [](double e) { return int(std::copysign(std::lround(std::min(std::abs(e), deviceLimit)), e)); };
    s.viewportExtent = {whole(v.x()), whole(v.y())};
}

} // namespace

void DeviceContext::setWindowExtent(Size extent)
{
    if (extent.cx == 0 || extent.cy == 0)
        return;
    if (m_state.mapMode != MapMode::Isotropic && m_state.mapMode != MapMode::Anisotropic)
        return;
    m_state.windowExtent = extent;
    keepIsotropic(m_state);
}

void DeviceContext::setViewportExtent(Size extent)
{
    if (extent.cx == 0 || extent.cy == 0)
        return;
    if (m_state.mapMode != MapMode::Isotropic && m_state.mapMode != MapMode::Anisotropic)
        return;
    m_state.viewportExtent = extent;
    keepIsotropic(m_state);
}

bool DeviceContext::setWorldTransform(const QTransform& transform)
{
    if (!transform.isInvertible() || !std::isfinite(transform.m11()) || !std::isfinite(transform.m12())
        || !std::isfinite(transform.m21()) || !std::isfinite(transform.m22()) || !std::isfinite(transform.dx())
        || !std::isfinite(transform.dy()))
        return false;
    m_state.world = transform;
    return true;
}

QTransform DeviceContext::deviceTransform() const
{
    const DeviceState& s = m_state;
    return s.world * pageTransform(QPointF(s.windowOrigin.x, s.windowOrigin.y), QPointF(s.windowExtent.cx, s.windowExtent.cy),
                                   QPointF(s.viewportOrigin.x, s.viewportOrigin.y),
                                   QPointF(s.viewportExtent.cx, s.viewportExtent.cy));
}

int DeviceContext::saveDC()
{
    m_saved.push_back(m_state);
    return int(m_saved.size());
}

bool DeviceContext::restoreDC(int level)
{
    const int depth = int(m_saved.size());
    const int target = level < 0 ? depth + level + 1 : level;
    if (level == 0 || target < 1 || target > depth)
        return false;
    m_state = m_saved[std::size_t(target - 1)];
    m_saved.resize(std::size_t(target - 1));
    return true;
}

void DeviceContext::setClipRect(std::optional<Rect> clip)
{
    if (clip)
        m_state.clip = QRegion(QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1)));
    else
        m_state.clip.reset();
}

std::optional<Rect> DeviceContext::clipRect() const
{
    if (!m_state.clip)
        return std::nullopt;
    const QRect box = m_state.clip->boundingRect();
    if (box.isEmpty())
        return Rect{};
    return Rect{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
}

void DeviceContext::selectClipRegion(const QRegion* region, RegionMode mode)
{
    if (!region) {
        if (mode == RegionMode::Copy)
            m_state.clip.reset();
        return;
    }
    const Size size = pixelSize();
    const QRegion whole(0, 0, std::max(size.cx, 0), std::max(size.cy, 0));
    const QRegion current = m_state.clip ? *m_state.clip : whole;
    switch (mode) {
    case RegionMode::And: m_state.clip = m_state.clip ? current.intersected(*region) : *region; break;
    case RegionMode::Or:
        if (m_state.clip)
            m_state.clip = current.united(*region);
        break;
    case RegionMode::Xor: m_state.clip = current.xored(*region); break;
    case RegionMode::Diff: m_state.clip = current.subtracted(*region); break;
    case RegionMode::Copy: m_state.clip = *region; break;
    }
}

namespace {

QRegion deviceRegionOf(const DeviceContext& dc, const Rect& logical)
{
    const QTransform t = dc.deviceTransform();
    const QRectF mapped = t.mapRect(QRectF(QPointF(logical.left, logical.top), QPointF(logical.right, logical.bottom)));
    const int left = toDeviceCoordinate(mapped.left()), top = toDeviceCoordinate(mapped.top());
    const int right = toDeviceCoordinate(mapped.right()), bottom = toDeviceCoordinate(mapped.bottom());
    if (right <= left || bottom <= top)
        return {};
    return QRegion(left, top, right - left, bottom - top);
}

} // namespace

void DeviceContext::intersectClipRect(const Rect& logical)
{
    const QRegion region = deviceRegionOf(*this, logical);
    selectClipRegion(&region, RegionMode::And);
}

void DeviceContext::excludeClipRect(const Rect& logical)
{
    const QRegion region = deviceRegionOf(*this, logical);
    selectClipRegion(&region, RegionMode::Diff);
}

void DeviceContext::offsetClipRegion(int dx, int dy)
{
    if (!m_state.clip)
        return;
    const QTransform t = deviceTransform();
    const QPointF d = t.map(QPointF(dx, dy)) - t.map(QPointF(0, 0));
    m_state.clip->translate(toDeviceCoordinate(d.x()), toDeviceCoordinate(d.y()));
}

void DeviceContext::selectClipPath(RegionMode mode)
{
    if (!m_pathClosed)
        return;
    QRegion region;
    const Qt::FillRule rule = m_state.polyFillMode == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill;
    QPainterPath path = m_path;
    path.setFillRule(rule);
    for (const QPolygonF& polygon : path.toFillPolygons()) {
        QPolygon points;
        for (const QPointF& p : polygon)
            points << QPoint(toDeviceCoordinate(p.x()), toDeviceCoordinate(p.y()));
        region = region.xored(QRegion(points, rule));
    }
    discardPath();
    selectClipRegion(&region, mode);
}

void DeviceContext::moveTo(Point p)
{
    m_state.position = p;
    if (m_pathOpen) {
        const QPointF d = toDevice(p.x, p.y);
        m_path.moveTo(d);
    }
}

void DeviceContext::beginPath()
{
    m_path = QPainterPath();
    m_pathOpen = true;
    m_pathClosed = false;
}

void DeviceContext::endPath()
{
    if (!m_pathOpen)
        return;
    m_pathOpen = false;
    m_pathClosed = true;
}

void DeviceContext::closeFigure()
{
    if (m_pathOpen && m_path.elementCount() > 0)
        m_path.closeSubpath();
}

void DeviceContext::abortPath()
{
    discardPath();
}

void DeviceContext::discardPath()
{
    m_path = QPainterPath();
    m_pathOpen = false;
    m_pathClosed = false;
}

void DeviceContext::fillPath()
{
    discardPath();
}

void DeviceContext::strokePath()
{
    discardPath();
}

void DeviceContext::strokeAndFillPath()
{
    discardPath();
}

void DeviceContext::flattenPath()
{
    if (!m_pathClosed)
        return;
    QPainterPath flat;
    for (const QPolygonF& polygon : m_path.toSubpathPolygons())
        flat.addPolygon(polygon);
    m_path = flat;
}

void DeviceContext::widenPath()
{
    if (!m_pathClosed)
        return;
    QPainterPathStroker stroker;
    const QTransform t = deviceTransform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    stroker.setWidth(std::max(1.0, std::min(m_state.pen.width * scale, deviceLimit)));
    m_path = stroker.createStroke(m_path);
}

std::unique_ptr<DeviceContext> makeSectionContext(Section& section)
{
    return std::make_unique<SectionDeviceContext>(section);
}

std::unique_ptr<DeviceContext> makePainterContext(QPainter& painter, int dpiX, int dpiY)
{
    return std::make_unique<PainterDeviceContext>(painter, dpiX, dpiY);
}

} // namespace platform

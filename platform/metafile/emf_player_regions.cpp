// The player's clipping records and the records that paint regions.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"

#include <cmath>

namespace platform::metafile {

using namespace emf;

std::optional<QRegion> Player::regionData(std::span<const std::uint8_t> data, bool deviceUnits)
{
    // The region data header (32 bytes: size, type, rectangle count, bytes, bounds), then the
    // rectangles.
    bytes::ByteCursor in(data);
    in.u32();
    in.u32();
    const std::uint32_t count = in.u32();
    in.u32();
    in.skip(16);
    if (!in.ok() || !in.has(std::size_t(count) * 16))
        return std::nullopt;
    const QTransform toContext = deviceUnits ? m_playback : QTransform();
    std::vector<QRect> rects;
    rects.reserve(count);
    // Regions from a file may hold rectangles in any order: QRegion wants bands, so the
    // rectangles are united rather than set.
    for (std::uint32_t i = 0; i < count; ++i) {
        const double l = in.i32(), t = in.i32(), r = in.i32(), b = in.i32();
        if (r <= l || b <= t)
            continue;
        const QRectF mapped = toContext.mapRect(QRectF(QPointF(l, t), QPointF(r, b)));
        const auto edge = [](double v) { return int(std::lround(std::clamp(v, -coordinateLimit, coordinateLimit))); };
        const int left = edge(mapped.left()), top = edge(mapped.top()), right = edge(mapped.right()),
                  bottom = edge(mapped.bottom());
        if (right > left && bottom > top)
            rects.emplace_back(left, top, right - left, bottom - top);
    }
    return unitedRects(rects);
}

bool Player::clipRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    switch (type) {
    case EMR_OFFSETCLIPRGN: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.offsetClipRegion(x, y);
        return in.ok();
    }
    case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        if (in.ok())
            type == EMR_EXCLUDECLIPRECT ? m_dc.excludeClipRect(r) : m_dc.intersectClipRect(r);
        return in.ok();
    }
    case EMR_SELECTCLIPPATH: {
        const std::uint32_t mode = in.u32();
        if (!in.ok())
            return false;
        if (mode >= 1 && mode <= 5) {
            m_dc.selectClipPath(RegionMode(mode));
            if (mode == 5 && m_startClip)
                m_dc.selectClipRegion(&*m_startClip, RegionMode::And);
        }
        return true;
    }
    default: break;
    }
    // EMR_EXTSELECTCLIPRGN
    const std::uint32_t size = in.u32(), mode = in.u32();
    if (!in.ok())
        return false;
    if (mode < 1 || mode > 5)
        return true;
    if (size > data.size() - 16)
        return false;
    if (size == 0) {
        // No region: only a copy means anything, and it returns to the starting clip.
        if (mode == 5)
            m_dc.selectClipRegion(m_startClip ? &*m_startClip : nullptr, RegionMode::Copy);
        return true;
    }
    // The region is in reference-device pixels, which the playback transform takes to the
    // context's pixels.
    std::optional<QRegion> region = regionData(data.subspan(16, size), /*deviceUnits=*/true);
    if (!region)
        return false;
    if (mode == 5 && m_startClip)
        *region = region->intersected(*m_startClip);
    m_dc.selectClipRegion(&*region, RegionMode(mode));
    return true;
}

bool Player::regionRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    in.skip(16);
    const std::uint32_t size = in.u32();
    std::uint32_t brushIndex = 0;
    int width = 1, height = 1;
    if (type == EMR_FILLRGN || type == EMR_FRAMERGN)
        brushIndex = in.u32();
    if (type == EMR_FRAMERGN) {
        width = in.i32();
        height = in.i32();
    }
    if (!in.ok() || size > in.remaining())
        return false;
    std::optional<QRegion> logical = regionData(data.subspan(in.position(), size), /*deviceUnits=*/false);
    if (!logical)
        return false;
    // Region records give logical rectangles; the context wants device pixels.
    const QTransform toDevice = m_dc.deviceTransform();
    std::vector<QRect> rects;
    for (const QRect& r : *logical)
        rects.push_back(toDevice.mapRect(QRectF(r)).toAlignedRect());
    const QRegion region = unitedRects(rects);
    BrushSpec brush = m_dc.brush();
    if (brushIndex) {
        if (brushIndex & stockObject) {
            const BrushSpec saved = m_dc.brush();
            selectObject(brushIndex);
            brush = m_dc.brush();
            m_dc.setBrush(saved);
        } else if (Object* object = objectAt(brushIndex)) {
            if (auto* b = std::get_if<BrushObject>(object))
                brush = b->brush;
        }
    }
    const double scale = std::sqrt(std::abs(toDevice.determinant()));
    switch (type) {
    case EMR_FILLRGN: case EMR_PAINTRGN: m_dc.fillRegion(region, brush); break;
    case EMR_FRAMERGN:
        m_dc.frameRegion(region, brush, std::max(1, int(std::lround(std::min(width * scale, 65536.0)))),
                         std::max(1, int(std::lround(std::min(height * scale, 65536.0)))));
        break;
    default: m_dc.invertRegion(region); break;
    }
    return true;
}

} // namespace platform::metafile

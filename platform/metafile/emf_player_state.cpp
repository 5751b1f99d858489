// The player's state records: the mapping mode, window, viewport and world transform, the
// drawing modes and colours, and saving and restoring all of it.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"
#include "platform/page_mapping.h"

#include <cmath>
#include <cstring>

namespace platform::metafile {

using namespace emf;

namespace {

// Text alignment flag: text set for right-to-left reading.
constexpr std::uint32_t TA_RTLREADING = 0x100;

bool isFree(MapMode mode)
{
    return mode == MapMode::Isotropic || mode == MapMode::Anisotropic;
}

} // namespace

void Player::setMapMode(MapMode mode)
{
    const MapMode previous = m_state.mode;
    m_state.mode = mode;
    if (const double mm = millimetresPerUnit(previous); isFree(mode) && mm > 0) {
        // Entering a free mode from a fixed one keeps the fixed mode's scale.
        m_state.windowExtent = {1000, 1000};
        m_state.viewportExtent = {1000 * m_pixelsPerMmX * mm, -1000 * m_pixelsPerMmY * mm};
    } else if (mode == MapMode::Text) {
        m_state.windowExtent = m_state.viewportExtent = {1, 1};
    }
    applyTransform();
}

bool Player::stateRecord(std::uint32_t type, bytes::ByteCursor& in)
{
    PlayerState& s = m_state;
    switch (type) {
    case EMR_SETWINDOWEXTEX: case EMR_SETVIEWPORTEXTEX: {
        const int cx = in.i32(), cy = in.i32();
        if (!in.ok())
            return false;
        if (cx == 0 || cy == 0 || !isFree(s.mode))
            return true;
        (type == EMR_SETWINDOWEXTEX ? s.windowExtent : s.viewportExtent) = QPointF(cx, cy);
        applyTransform();
        return true;
    }
    case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX: {
        const int x = in.i32(), y = in.i32();
        if (!in.ok())
            return false;
        (type == EMR_SETWINDOWORGEX ? s.windowOrigin : s.viewportOrigin) = QPointF(x, y);
        applyTransform();
        return true;
    }
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: {
        const int xNum = in.i32(), xDenom = in.i32(), yNum = in.i32(), yDenom = in.i32();
        if (!in.ok())
            return false;
        if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0 || !isFree(s.mode))
            return true;
        QPointF& extent = type == EMR_SCALEWINDOWEXTEX ? s.windowExtent : s.viewportExtent;
        extent = QPointF(extent.x() * xNum / xDenom, extent.y() * yNum / yDenom);
        applyTransform();
        return true;
    }
    case EMR_SETMAPMODE: {
        const std::uint32_t mode = in.u32();
        if (in.ok() && mode >= 1 && mode <= 8)
            setMapMode(MapMode(mode));
        return in.ok();
    }
    case EMR_SETWORLDTRANSFORM: case EMR_MODIFYWORLDTRANSFORM: {
        float f[6];
        for (float& v : f) {
            const std::uint32_t bits = in.u32();
            std::memcpy(&v, &bits, 4);
        }
        const std::uint32_t mode = type == EMR_SETWORLDTRANSFORM ? MWT_SET : in.u32();
        if (!in.ok())
            return false;
        const QTransform x(f[0], f[1], f[2], f[3], f[4], f[5]);
        const bool usable = std::all_of(std::begin(f), std::end(f), [](float v) { return std::isfinite(v); })
                            && x.isInvertible();
        QTransform next = s.world;
        switch (mode) {
        case MWT_IDENTITY: next = QTransform(); break;
        case MWT_LEFTMULTIPLY: if (usable) next = x * s.world; break;
        case MWT_RIGHTMULTIPLY: if (usable) next = s.world * x; break;
        case MWT_SET: if (usable) next = x; break;
        default: break;
        }
        if (!next.isInvertible())
            return true;
        s.world = next;
        applyTransform();
        return true;
    }
    case EMR_SAVEDC:
        m_dc.saveDC();
        m_saved.push_back(s);
        return true;
    case EMR_RESTOREDC: {
        const int level = in.i32();
        if (!in.ok())
            return false;
        // Levels count the metafile's own saves: positive ones from its first save, negative
        // ones back from the last; the state from before playback is out of reach.
        const int saves = int(m_saved.size());
        const int target = level < 0 ? saves + level + 1 : level;
        if (level == 0 || target < 1 || target > saves)
            return true;
        m_dc.restoreDC(m_startDepth + target);
        s = m_saved[std::size_t(target - 1)];
        m_saved.resize(std::size_t(target - 1));
        applyTransform();
        return true;
    }
    case EMR_SETBRUSHORGEX: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.setBrushOrigin({x, y});
        return in.ok();
    }
    case EMR_SETTEXTCOLOR: case EMR_SETBKCOLOR: {
        const std::uint32_t c = in.u32();
        if (in.ok())
            type == EMR_SETTEXTCOLOR ? m_dc.setTextColour(colour(c)) : m_dc.setBackgroundColour(colour(c));
        return in.ok();
    }
    case EMR_SETMITERLIMIT: {
        const std::uint32_t limit = in.u32();
        if (in.ok())
            m_dc.setMiterLimit(limit);
        return in.ok();
    }
    default:
        break;
    }
    // The rest set one mode each from a 32-bit value; values out of range change nothing.
    const std::uint32_t v = in.u32();
    if (!in.ok())
        return false;
    switch (type) {
    case EMR_SETBKMODE: if (v == 1 || v == 2) m_dc.setBackgroundMode(BackgroundMode(v)); break;
    case EMR_SETPOLYFILLMODE: if (v == 1 || v == 2) m_dc.setPolyFillMode(PolyFillMode(v)); break;
    case EMR_SETROP2: if (v >= 1 && v <= 16) m_dc.setPenMode(PenMode(v)); break;
    case EMR_SETSTRETCHBLTMODE: if (v >= 1 && v <= 4) m_dc.setStretchMode(StretchMode(v)); break;
    case EMR_SETARCDIRECTION: if (v == 1 || v == 2) m_dc.setArcDirection(ArcDirection(v)); break;
    case EMR_SETTEXTALIGN:
        m_dc.setTextAlign(v & 0x1F);
        s.rtlReading = (v & TA_RTLREADING) != 0;
        break;
    default: break;
    }
    return true;
}

} // namespace platform::metafile

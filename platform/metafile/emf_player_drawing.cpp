// The player's drawing records: lines, polygons, curves and shapes, paths, and gradient fills.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"

#include <cmath>
#include <cstring>

namespace platform::metafile {

using namespace emf;

std::vector<Point> Player::points(bytes::ByteCursor& in, std::uint32_t count, bool small)
{
    std::vector<Point> result;
    if (!in.has(std::size_t(count) * (small ? 4 : 8))) {
        in.fail();
        return result;
    }
    result.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (small) {
            const int x = in.i16();
            result.push_back({x, in.i16()});
        } else {
            const int x = in.i32();
            result.push_back({x, in.i32()});
        }
    }
    return result;
}

bool Player::polyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small)
{
    bytes::ByteCursor in(data, 24);
    const std::uint32_t count = in.u32();
    const std::vector<Point> p = points(in, count, small);
    if (!in.ok())
        return false;
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYBEZIER16: m_dc.polyBezier(p); break;
    case EMR_POLYGON: case EMR_POLYGON16: m_dc.polygon(p); break;
    case EMR_POLYLINE: case EMR_POLYLINE16: m_dc.polyline(p); break;
    case EMR_POLYBEZIERTO: case EMR_POLYBEZIERTO16: m_dc.polyBezierTo(p); break;
    case EMR_POLYLINETO: case EMR_POLYLINETO16: m_dc.polylineTo(p); break;
    default: break;
    }
    return true;
}

bool Player::polyPolyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small)
{
    bytes::ByteCursor in(data, 24);
    const std::uint32_t polygons = in.u32();
    const std::uint32_t total = in.u32();
    if (!in.ok() || !in.has(std::size_t(polygons) * 4))
        return false;
    std::vector<int> counts(polygons);
    std::uint64_t sum = 0;
    for (auto& c : counts) {
        const std::uint32_t n = in.u32();
        sum += n;
        c = int(std::min<std::uint32_t>(n, std::numeric_limits<int>::max()));
    }
    if (sum != total)
        return false;
    const std::vector<Point> p = points(in, total, small);
    if (!in.ok())
        return false;
    if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16)
        m_dc.polyPolygon(p, counts);
    else
        m_dc.polyPolyline(p, counts);
    return true;
}

bool Player::drawingRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
        return polyRecord(type, data, /*small=*/false);
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16:
        return polyRecord(type, data, /*small=*/true);
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: return polyPolyRecord(type, data, /*small=*/false);
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: return polyPolyRecord(type, data, /*small=*/true);
    case EMR_SETPIXELV: {
        const int x = in.i32(), y = in.i32();
        const std::uint32_t c = in.u32();
        if (in.ok())
            m_dc.setPixel({x, y}, colour(c));
        return in.ok();
    }
    case EMR_LINETO: case EMR_MOVETOEX: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            type == EMR_LINETO ? m_dc.lineTo({x, y}) : m_dc.moveTo({x, y});
        return in.ok();
    }
    case EMR_ANGLEARC: {
        const int x = in.i32(), y = in.i32();
        const std::uint32_t radius = in.u32();
        float start, sweep;
        const std::uint32_t a = in.u32(), b = in.u32();
        std::memcpy(&start, &a, 4);
        std::memcpy(&sweep, &b, 4);
        if (!in.ok())
            return false;
        if (!std::isfinite(start) || !std::isfinite(sweep))
            return true;
        const double r = std::min<double>(radius, coordinateLimit);
        const double a0 = start * M_PI / 180, a1 = (double(start) + sweep) * M_PI / 180;
        const Point from{clampInt(std::llround(x + r * std::cos(a0))), clampInt(std::llround(y - r * std::sin(a0)))};
        const Point to{clampInt(std::llround(x + r * std::cos(a1))), clampInt(std::llround(y - r * std::sin(a1)))};
        const Rect box{clampInt(std::llround(x - r)), clampInt(std::llround(y - r)), clampInt(std::llround(x + r)),
                       clampInt(std::llround(y + r))};
        m_dc.lineTo(from);
        const ArcDirection saved = m_dc.arcDirection();
        m_dc.setArcDirection(sweep < 0 ? ArcDirection::Clockwise : ArcDirection::CounterClockwise);
        if (std::abs(sweep) > 0)
            m_dc.arcTo(box, from, to);
        m_dc.setArcDirection(saved);
        m_dc.moveTo(to);
        return true;
    }
    case EMR_ELLIPSE: case EMR_RECTANGLE: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        if (!in.ok())
            return false;
        // Records keep the inclusive box the drawing call was given.
        type == EMR_ELLIPSE ? m_dc.ellipse(r) : m_dc.rectangle(r);
        return true;
    }
    case EMR_ROUNDRECT: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        const int cw = in.i32(), ch = in.i32();
        if (in.ok())
            m_dc.roundRect(r, cw, ch);
        return in.ok();
    }
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        const Point start{in.i32(), in.i32()}, end{in.i32(), in.i32()};
        if (!in.ok())
            return false;
        switch (type) {
        case EMR_ARC: m_dc.arc(r, start, end); break;
        case EMR_CHORD: m_dc.chord(r, start, end); break;
        case EMR_PIE: m_dc.pie(r, start, end); break;
        default: m_dc.arcTo(r, start, end); break;
        }
        return true;
    }
    default: return true;
    }
}

bool Player::pathRecord(std::uint32_t type)
{
    switch (type) {
    case EMR_BEGINPATH: m_dc.beginPath(); break;
    case EMR_ENDPATH: m_dc.endPath(); break;
    case EMR_CLOSEFIGURE: m_dc.closeFigure(); break;
    case EMR_FILLPATH: m_dc.fillPath(); break;
    case EMR_STROKEANDFILLPATH: m_dc.strokeAndFillPath(); break;
    case EMR_STROKEPATH: m_dc.strokePath(); break;
    case EMR_FLATTENPATH: m_dc.flattenPath(); break;
    case EMR_WIDENPATH: m_dc.widenPath(); break;
    default: m_dc.abortPath(); break;
    }
    return true;
}

bool Player::gradientFill(bytes::ByteCursor& in)
{
    in.skip(16);
    const std::uint32_t vertices = in.u32(), shapes = in.u32(), mode = in.u32();
    if (!in.ok() || std::uint64_t(vertices) * 16 > in.remaining())
        return false;
    struct Vertex {
        int x, y;
        Colour c;
    };
    std::vector<Vertex> v(vertices);
    for (auto& vertex : v) {
        vertex.x = in.i32();
        vertex.y = in.i32();
        const int r = in.u16() >> 8, g = in.u16() >> 8, b = in.u16() >> 8;
        in.u16();
        vertex.c = rgb(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b));
    }
    // Rectangles (modes 0 and 1) are filled with their mean colour in bands; triangles
    // with the mean of their corners.
    const std::size_t perShape = mode == 2 ? 3 : 2;
    if (std::uint64_t(shapes) * perShape * 4 > in.remaining())
        return false;
    const PenSpec savedPen = m_dc.pen();
    const BrushSpec savedBrush = m_dc.brush();
    m_dc.setPen({PenStyle::Clear, 0, 0});
    for (std::uint32_t s = 0; s < shapes; ++s) {
        std::uint32_t index[3] = {0, 0, 0};
        for (std::size_t k = 0; k < perShape; ++k)
            index[k] = in.u32();
        if (std::any_of(index, index + perShape, [&](std::uint32_t i) { return i >= vertices; }))
            continue;
        if (mode == 2) {
            const Vertex &a = v[index[0]], &b = v[index[1]], &c = v[index[2]];
            const Colour mean = rgb(std::uint8_t((redOf(a.c) + redOf(b.c) + redOf(c.c)) / 3),
                                    std::uint8_t((greenOf(a.c) + greenOf(b.c) + greenOf(c.c)) / 3),
                                    std::uint8_t((blueOf(a.c) + blueOf(b.c) + blueOf(c.c)) / 3));
            m_dc.setBrush({BrushStyle::Solid, mean, nullptr});
            const Point tri[] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
            m_dc.polygon(tri);
            continue;
        }
        const Vertex &a = v[index[0]], &b = v[index[1]];
        constexpr int bands = 32;
        for (int i = 0; i < bands; ++i) {
            const auto mix = [&](std::uint8_t p, std::uint8_t q) {
                return std::uint8_t((p * (2 * bands - 2 * i - 1) + q * (2 * i + 1)) / (2 * bands));
            };
            const Colour c = rgb(mix(redOf(a.c), redOf(b.c)), mix(greenOf(a.c), greenOf(b.c)), mix(blueOf(a.c), blueOf(b.c)));
            Rect band;
            if (mode == 0) {
                const std::int64_t x0 = a.x + (std::int64_t(b.x) - a.x) * i / bands;
                const std::int64_t x1 = a.x + (std::int64_t(b.x) - a.x) * (i + 1) / bands;
                band = {clampInt(x0), std::min(a.y, b.y), clampInt(x1), std::max(a.y, b.y)};
            } else {
                const std::int64_t y0 = a.y + (std::int64_t(b.y) - a.y) * i / bands;
                const std::int64_t y1 = a.y + (std::int64_t(b.y) - a.y) * (i + 1) / bands;
                band = {std::min(a.x, b.x), clampInt(y0), std::max(a.x, b.x), clampInt(y1)};
            }
            m_dc.fillRect(band, {BrushStyle::Solid, c, nullptr});
        }
    }
    m_dc.setPen(savedPen);
    m_dc.setBrush(savedBrush);
    return true;
}

} // namespace platform::metafile

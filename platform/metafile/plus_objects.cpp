// Reading the objects of the "plus" record set.

#include "platform/metafile/plus_objects.h"

#include "platform/embedded_image.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::plus {

namespace {

// Regions nest their nodes; deeper or larger trees than this are refused rather than
// recursed into or combined node by node.
constexpr int maxRegionDepth = 64;
constexpr int maxRegionNodes = 4096;
// A compressed image may expand far beyond its bytes, but not beyond what the best
// compression of its formats could justify.
constexpr std::int64_t maxExpansion = 1100;
constexpr std::int64_t minImageBudget = std::int64_t(1) << 22;

bool finite(double v) { return std::isfinite(v) && std::abs(v) < 1e9; }

QPointF safePoint(double x, double y)
{
    return {finite(x) ? x : 0.0, finite(y) ? y : 0.0};
}

// Every object starts with the version of the graphics library that wrote it.
void skipVersion(bytes::ByteCursor& in) { in.skip(4); }

std::optional<std::vector<double>> readFloats(bytes::ByteCursor& in)
{
    const std::uint32_t count = in.u32();
    if (!in.ok() || !in.has(std::size_t(count) * 4))
        return std::nullopt;
    std::vector<double> values;
    values.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const double v = readFloat(in);
        values.push_back(finite(v) ? v : 0.0);
    }
    return values;
}

Qt::PenCapStyle capOf(std::int32_t cap)
{
    switch (cap) {
    case 1: case 0x11: return Qt::SquareCap;
    case 2: case 0x12: return Qt::RoundCap;
    default: return Qt::FlatCap;
    }
}

Qt::PenJoinStyle joinOf(std::uint32_t join)
{
    switch (join) {
    case 1: return Qt::BevelJoin;
    case 2: return Qt::RoundJoin;
    default: return Qt::SvgMiterJoin;
    }
}

// The hatch styles: the first six are line patterns; the percentage styles are dot densities;
// the rest draw as a fine grid, the closest pattern this platform has.
Qt::BrushStyle hatchStyle(std::uint32_t style)
{
    static const Qt::BrushStyle lines[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                           Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    static const Qt::BrushStyle densities[] = {Qt::Dense7Pattern, Qt::Dense7Pattern, Qt::Dense6Pattern,
                                               Qt::Dense6Pattern, Qt::Dense5Pattern, Qt::Dense5Pattern,
                                               Qt::Dense4Pattern, Qt::Dense4Pattern, Qt::Dense3Pattern,
                                               Qt::Dense3Pattern, Qt::Dense2Pattern, Qt::Dense1Pattern};
    if (style < 6)
        return lines[style];
    if (style < 18)
        return densities[style - 6];
    return Qt::CrossPattern;
}

// Blend colours (positions 0..1 with colours) or blend factors (positions with the share of the
// end colour) become gradient stops.
bool readBlend(bytes::ByteCursor& in, std::uint32_t flags, QGradient& gradient, QColor start, QColor end)
{
    const bool colours = flags & BrushDataPresetColors;
    if (!colours && !(flags & (BrushDataBlendFactorsH | BrushDataBlendFactorsV)))
        return in.ok();
    // A count, the positions, then as many colours or factors.
    const std::uint32_t count = in.u32();
    if (!in.ok() || !in.has(std::size_t(count) * 8))
        return false;
    std::vector<double> positions;
    for (std::uint32_t i = 0; i < count; ++i) {
        const double p = readFloat(in);
        positions.push_back(std::clamp(finite(p) ? p : 0.0, 0.0, 1.0));
    }
    QGradientStops stops;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (colours) {
            stops.push_back({positions[i], argb(in.u32())});
            continue;
        }
        const double f = readFloat(in);
        const double share = std::isfinite(f) ? std::clamp(f, 0.0, 1.0) : 0.0;
        const auto mix = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
        stops.push_back({positions[i], QColor(mix(start.red(), end.red()), mix(start.green(), end.green()),
                                              mix(start.blue(), end.blue()), mix(start.alpha(), end.alpha()))});
    }
    // Stops go in the order of their positions.
    std::stable_sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!stops.empty())
        gradient.setStops(stops);
    // Factors for both directions follow one another; the second set is not used.
    if (!colours && (flags & BrushDataBlendFactorsH) && (flags & BrushDataBlendFactorsV) && !readFloats(in))
        return false;
    return in.ok();
}

QGradient::Spread spreadOf(std::int32_t wrapMode)
{
    // Tile, tile flipped in x, y or both, and clamp.
    switch (wrapMode) {
    case 1: case 2: case 3: return QGradient::ReflectSpread;
    case 4: return QGradient::PadSpread;
    default: return QGradient::RepeatSpread;
    }
}

std::optional<Brush> linearGradient(bytes::ByteCursor& in)
{
    const std::uint32_t flags = in.u32();
    const std::int32_t wrap = in.i32();
    const double x = readFloat(in), y = readFloat(in), w = readFloat(in), h = readFloat(in);
    const QColor start = argb(in.u32()), end = argb(in.u32());
    in.skip(8);
    QTransform transform;
    if (flags & BrushDataTransform)
        transform = readMatrix(in);
    if (!in.ok() || !finite(x) || !finite(y) || !finite(w) || !finite(h))
        return std::nullopt;
    // The gradient runs along the rectangle's width; its transform turns it.
    QLinearGradient gradient(QPointF(x, y), QPointF(x + w, y));
    gradient.setColorAt(0, start);
    gradient.setColorAt(1, end);
    gradient.setSpread(spreadOf(wrap));
    if (!readBlend(in, flags, gradient, start, end))
        return std::nullopt;
    Brush brush{QBrush(gradient)};
    brush.brush.setTransform(transform);
    return brush;
}

std::optional<Brush> pathGradient(bytes::ByteCursor& in)
{
    const std::uint32_t flags = in.u32();
    const std::int32_t wrap = in.i32();
    const QColor centre = argb(in.u32());
    const double cx = readFloat(in), cy = readFloat(in);
    const std::uint32_t colourCount = in.u32();
    if (!in.ok() || !in.has(std::size_t(colourCount) * 4))
        return std::nullopt;
    // The surrounding colours meet in their average, a radial blend from the centre.
    double r = 0, g = 0, b = 0, a = 0;
    std::vector<QColor> surrounding;
    surrounding.reserve(colourCount);
    for (std::uint32_t i = 0; i < colourCount; ++i) {
        const QColor c = argb(in.u32());
        surrounding.push_back(c);
        r += c.red();
        g += c.green();
        b += c.blue();
        a += c.alpha();
    }
    const double n = std::max<double>(colourCount, 1);
    const QColor surround(int(r / n), int(g / n), int(b / n), int(a / n));
    QPolygonF boundary;
    if (flags & BrushDataPath) {
        const std::uint32_t size = in.u32();
        bytes::ByteCursor pathBytes(in.span(size));
        const auto path = readPath(pathBytes);
        if (!in.ok() || !path)
            return std::nullopt;
        boundary = path->toFillPolygon();
    } else {
        const std::uint32_t count = in.u32();
        const auto points = readPoints(in, count, 0);
        if (!points)
            return std::nullopt;
        boundary = QPolygonF(QList<QPointF>(points->begin(), points->end()));
    }
    QTransform transform;
    if (flags & BrushDataTransform)
        transform = readMatrix(in);
    if (!in.ok() || !finite(cx) || !finite(cy))
        return std::nullopt;
    double radius = 0;
    for (const QPointF& p : boundary)
        radius = std::max(radius, std::hypot(p.x() - cx, p.y() - cy));
    QRadialGradient gradient(QPointF(cx, cy), std::max(radius, 1e-3));
    gradient.setColorAt(0, centre);
    gradient.setColorAt(1, surround);
    gradient.setSpread(spreadOf(wrap));
    // Blends run from the boundary (0) to the centre (1) here, the other way round from Qt's.
    QRadialGradient blended = gradient;
    if (!readBlend(in, flags, blended, surround, centre))
        return std::nullopt;
    if (flags & (BrushDataPresetColors | BrushDataBlendFactorsH | BrushDataBlendFactorsV)) {
        QGradientStops stops;
        for (const auto& [position, colour] : blended.stops())
            stops.push_front({1.0 - position, colour});
        gradient.setStops(stops);
    }
    Brush brush{QBrush(gradient)};
    const bool withBlend = flags & (BrushDataPresetColors | BrushDataBlendFactorsH | BrushDataBlendFactorsV);
    const bool oneColour = std::all_of(surrounding.begin(), surrounding.end(),
                                       [&](const QColor& c) { return c == surrounding.front(); });
    if (!withBlend && !oneColour && !boundary.isEmpty()) {
        // Colours given point by point go round the centre (each boundary point keeps its
        // own, the last one repeating), and the centre colour fades out over them.
        QConicalGradient around(QPointF(cx, cy), 0);
        std::vector<std::pair<double, QColor>> stops;
        for (qsizetype i = 0; i < boundary.size(); ++i) {
            const QPointF d = boundary[i] - QPointF(cx, cy);
            double turn = std::atan2(-d.y(), d.x()) / (2 * M_PI);
            turn -= std::floor(turn);
            stops.emplace_back(turn, surrounding[std::min<std::size_t>(std::size_t(i), surrounding.size() - 1)]);
        }
        std::sort(stops.begin(), stops.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
        QGradientStops ring;
        ring.push_back({0.0, stops.front().second});
        for (const auto& [position, colour] : stops)
            ring.push_back({position, colour});
        ring.push_back({1.0, stops.back().second});
        around.setStops(ring);
        QRadialGradient fade(QPointF(cx, cy), std::max(radius, 1e-3));
        QColor clear = centre;
        clear.setAlpha(0);
        fade.setColorAt(0, centre);
        fade.setColorAt(1, clear);
        brush.brush = QBrush(around);
        brush.overlay = QBrush(fade);
        brush.overlay.setTransform(transform);
    }
    brush.brush.setTransform(transform);
    return brush;
}

QImage bitmapPixels(bytes::ByteCursor& in, int width, int height, std::int32_t stride, std::uint32_t format)
{
    const int bits = int((format >> 8) & 0xFF);
    const bool indexed = (format & 0x00010000) != 0;
    QVector<QRgb> palette;
    if (indexed) {
        in.skip(4);  // palette style flags
        const std::uint32_t count = in.u32();
        if (!in.ok() || count > 256 || !in.has(std::size_t(count) * 4))
            return {};
        for (std::uint32_t i = 0; i < count; ++i)
            palette.push_back(argb(in.u32()).rgba());
    }
    const std::int64_t rowBytes = (std::int64_t(width) * bits + 7) / 8;
    if (bits == 0 || stride < rowBytes || !in.has(std::size_t(std::int64_t(stride) * (height - 1) + rowBytes)))
        return {};
    const std::span<const std::uint8_t> pixels = in.span(in.remaining());
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data() + std::size_t(stride) * y;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = 0xFF000000;
            if (indexed) {
                const int bit = x * bits;
                const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                c = index < palette.size() ? palette[index] : 0xFF000000;
            } else if (bits == 32) {
                const std::uint32_t v = bytes::loadU32(row + 4 * x);
                if (format == 0x000E200B) {  // premultiplied
                    c = qUnpremultiply(v);
                } else {
                    c = format == 0x0026200A ? v : (v | 0xFF000000);
                }
            } else if (bits == 24) {
                const std::uint8_t* p = row + 3 * x;
                c = qRgb(p[2], p[1], p[0]);
            } else if (bits == 16) {
                const std::uint16_t v = bytes::loadU16(row + 2 * x);
                if (format == 0x00021006)  // 5-6-5
                    c = qRgb(((v >> 11) & 31) * 255 / 31, ((v >> 5) & 63) * 255 / 63, (v & 31) * 255 / 31);
                else if (format == 0x00101004)  // 16-bit grey
                    c = qRgb(v >> 8, v >> 8, v >> 8);
                else
                    c = qRgba(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31,
                              format == 0x00061007 && !(v & 0x8000) ? 0 : 255);
            } else {
                return {};
            }
            out[x] = c;
        }
    }
    return image;
}

// A compressed bitmap (any of the file formats the platform reads), refused when its size
// could not come from so few bytes.
QImage compressedBitmap(std::span<const std::uint8_t> data)
{
    const std::int64_t budget = std::max<std::int64_t>(minImageBudget, std::int64_t(data.size()) * maxExpansion);
    return decodeEmbeddedImage(data, nullptr, [budget](QSize size) {
               return std::int64_t(size.width()) * size.height() * 4 <= budget;
           }).convertToFormat(QImage::Format_ARGB32);
}

std::optional<QPainterPath> regionNode(bytes::ByteCursor& in, int depth, int& nodes)
{
    if (depth > maxRegionDepth || ++nodes > maxRegionNodes)
        return std::nullopt;
    const std::uint32_t type = in.u32();
    if (!in.ok())
        return std::nullopt;
    switch (type) {
    case RegionAnd: case RegionUnion: case RegionXor: case RegionExclude: case RegionComplement: {
        const auto left = regionNode(in, depth + 1, nodes);
        if (!left)
            return std::nullopt;
        const auto right = regionNode(in, depth + 1, nodes);
        if (!right)
            return std::nullopt;
        return combine(*left, *right, CombineMode(type));
    }
    case RegionRect: {
        const auto r = readRect(in, /*compressed=*/false);
        if (!r)
            return std::nullopt;
        QPainterPath path;
        path.addRect(r->normalized());
        return path;
    }
    case RegionPath: {
        const std::uint32_t size = in.u32();
        bytes::ByteCursor pathBytes(in.span(size));
        if (!in.ok())
            return std::nullopt;
        return readPath(pathBytes);
    }
    case RegionEmpty: return QPainterPath();
    case RegionInfinite: {
        QPainterPath path;
        path.addRect(-infiniteExtent, -infiniteExtent, 2 * infiniteExtent, 2 * infiniteExtent);
        return path;
    }
    default: return std::nullopt;
    }
}

std::optional<Pen> readPen(bytes::ByteCursor& in)
{
    skipVersion(in);
    in.skip(4);  // type
    Pen pen;
    const std::uint32_t flags = in.u32();
    const std::uint32_t unit = in.u32();
    pen.unit = unit <= 6 ? Unit(unit) : Unit::World;
    pen.width = readFloat(in);
    if (!finite(pen.width) || pen.width < 0)
        pen.width = 0;
    if (flags & PenDataTransform)
        readMatrix(in);
    std::int32_t startCap = 0, endCap = 0;
    if (flags & PenDataStartCap)
        startCap = in.i32();
    if (flags & PenDataEndCap)
        endCap = in.i32();
    // Qt strokes both ends alike: a round or square end anywhere wins over a flat one.
    pen.cap = capOf(startCap) != Qt::FlatCap ? capOf(startCap) : capOf(endCap);
    if (flags & PenDataJoin)
        pen.join = joinOf(in.u32());
    if (flags & PenDataMiterLimit) {
        const double limit = readFloat(in);
        pen.miterLimit = finite(limit) && limit > 0 ? limit : 10;
    }
    std::int32_t lineStyle = 0;
    if (flags & PenDataLineStyle)
        lineStyle = in.i32();
    if (flags & PenDataDashedLineCap)
        in.skip(4);
    if (flags & PenDataDashedLineOffset) {
        const double offset = readFloat(in);
        pen.dashOffset = finite(offset) ? offset : 0;
    }
    switch (lineStyle) {
    case 1: pen.dashes = {3, 1}; break;
    case 2: pen.dashes = {1, 1}; break;
    case 3: pen.dashes = {3, 1, 1, 1}; break;
    case 4: pen.dashes = {3, 1, 1, 1, 1, 1}; break;
    default: break;
    }
    if (flags & PenDataDashedLine) {
        auto dashes = readFloats(in);
        if (!dashes)
            return std::nullopt;
        if (lineStyle == 5 || lineStyle == 0)
            pen.dashes = *dashes;
    }
    // A pattern with an odd count repeats twice; one too short to see (a quarter of the pen's
    // width in all) draws solid.
    if (pen.dashes.size() % 2)
        pen.dashes.insert(pen.dashes.end(), pen.dashes.begin(), pen.dashes.end());
    double total = 0;
    for (double& d : pen.dashes) {
        d = std::max(d, 0.0);
        total += d;
    }
    if (total < 0.25 || pen.dashes.size() > 64)
        pen.dashes.clear();
    if (flags & PenDataNonCenter)
        in.skip(4);
    if (flags & PenDataCompoundLine) {
        auto compound = readFloats(in);
        if (!compound)
            return std::nullopt;
        if (compound->size() >= 2 && compound->size() % 2 == 0 && compound->size() <= 64)
            pen.compound = *compound;
    }
    // Custom caps are skipped over: lines end as their flat or round caps say.
    for (std::uint32_t capFlag : {std::uint32_t(PenDataCustomStartCap), std::uint32_t(PenDataCustomEndCap)})
        if (flags & capFlag)
            in.skip(in.u32());
    if (!in.ok())
        return std::nullopt;
    auto fill = readBrush(in);
    if (!fill)
        return std::nullopt;
    pen.fill = *fill;
    return pen;
}

std::optional<Font> readFont(bytes::ByteCursor& in)
{
    skipVersion(in);
    Font font;
    font.emSize = readFloat(in);
    const std::uint32_t unit = in.u32();
    const std::int32_t style = in.i32();
    in.skip(4);
    const std::uint32_t length = in.u32();
    const std::span<const std::uint8_t> name = in.span(std::size_t(length) * 2);
    if (!in.ok() || !finite(font.emSize) || font.emSize <= 0)
        return std::nullopt;
    font.unit = unit <= 6 ? Unit(unit) : Unit::World;
    font.bold = style & 1;
    font.italic = style & 2;
    font.underline = style & 4;
    font.strikeOut = style & 8;
    for (std::size_t i = 0; i + 1 < name.size(); i += 2)
        font.family.append(QChar(bytes::loadU16(&name[i])));
    return font;
}

std::optional<StringFormat> readStringFormat(bytes::ByteCursor& in)
{
    skipVersion(in);
    StringFormat format;
    format.flags = in.u32();
    in.skip(4);
    format.alignment = in.u32();
    format.lineAlignment = in.u32();
    if (!in.ok())
        return std::nullopt;
    return format;
}

} // namespace

QColor argb(std::uint32_t value)
{
    return QColor::fromRgba(value);
}

float readFloat(bytes::ByteCursor& in)
{
    const std::uint32_t bits = in.u32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

QTransform readMatrix(bytes::ByteCursor& in)
{
    double m[6];
    for (double& v : m) {
        v = readFloat(in);
        if (!finite(v))
            v = 0;
    }
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

std::optional<QRectF> readRect(bytes::ByteCursor& in, bool compressed)
{
    double v[4];
    for (double& x : v)
        x = compressed ? double(in.i16()) : double(readFloat(in));
    if (!in.ok())
        return std::nullopt;
    for (double& x : v)
        if (!finite(x))
            x = 0;
    return QRectF(v[0], v[1], v[2], v[3]);
}

std::optional<std::vector<QPointF>> readPoints(bytes::ByteCursor& in, std::uint32_t count, std::uint16_t flags)
{
    // Relative points take at least two bytes each.
    const std::size_t least = (flags & FlagRelative) ? 2 : (flags & FlagCompressed) ? 4 : 8;
    if (!in.ok() || !in.has(std::size_t(count) * least))
        return std::nullopt;
    std::vector<QPointF> points;
    points.reserve(count);
    if (flags & FlagRelative) {
        // Each coordinate is 7 bits signed in one byte, or, with the top bit set, 15 bits
        // signed in two (high byte first); each point moves on from the previous one.
        const auto coordinate = [&in]() {
            const std::uint8_t first = in.u8();
            if (!(first & 0x80))
                return double(std::int8_t(first << 1) >> 1);
            const int value = ((first & 0x7F) << 8) | in.u8();
            return double(value & 0x4000 ? value - 0x8000 : value);
        };
        double x = 0, y = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            x += coordinate();
            y += coordinate();
            points.emplace_back(x, y);
        }
    } else {
        for (std::uint32_t i = 0; i < count; ++i) {
            if (flags & FlagCompressed) {
                const double x = in.i16();
                points.emplace_back(x, double(in.i16()));
            } else {
                const double x = readFloat(in);
                const double y = readFloat(in);
                points.push_back(safePoint(x, y));
            }
        }
    }
    if (!in.ok())
        return std::nullopt;
    return points;
}

std::optional<QPainterPath> readPath(bytes::ByteCursor& in)
{
    skipVersion(in);
    const std::uint32_t count = in.u32();
    const std::uint32_t flags = in.u32();
    const auto points = readPoints(in, count, std::uint16_t(flags & (PathRelative | PathCompressed)));
    if (!points)
        return std::nullopt;
    // Point types: one byte each, or runs (a count in the low six bits, a Bézier flag in the
    // top bit, then the type byte).
    std::vector<std::uint8_t> types;
    types.reserve(count);
    if (flags & PathRunLength) {
        while (types.size() < count) {
            const std::uint8_t run = in.u8();
            const std::uint8_t type = in.u8();
            if (!in.ok())
                return std::nullopt;
            const std::uint8_t t = std::uint8_t((type & ~0x0F) | ((run & 0x80) ? PointBezier : (type & 0x0F)));
            for (int i = 0; i < (run & 0x3F) && types.size() < count; ++i)
                types.push_back(t);
        }
    } else {
        const std::span<const std::uint8_t> raw = in.span(count);
        if (!in.ok())
            return std::nullopt;
        types.assign(raw.begin(), raw.end());
    }
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const std::vector<QPointF>& p = *points;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const int kind = types[i] & 0x07;
        if (kind == PointStart || path.elementCount() == 0) {
            path.moveTo(p[i]);
        } else if (kind == PointBezier && i + 2 < p.size() && (types[i + 1] & 0x07) == PointBezier
                   && (types[i + 2] & 0x07) == PointBezier) {
            path.cubicTo(p[i], p[i + 1], p[i + 2]);
            i += 2;
        } else {
            path.lineTo(p[i]);
        }
        if (types[i] & PointCloseSubpath)
            path.closeSubpath();
    }
    return path;
}

std::optional<QPainterPath> readRegion(bytes::ByteCursor& in)
{
    skipVersion(in);
    in.skip(4);  // node count: the tree says it again
    int nodes = 0;
    auto path = regionNode(in, 0, nodes);
    if (path)
        path->setFillRule(Qt::OddEvenFill);
    return path;
}

std::optional<Brush> readBrush(bytes::ByteCursor& in)
{
    skipVersion(in);
    const std::uint32_t type = in.u32();
    if (!in.ok())
        return std::nullopt;
    switch (type) {
    case SolidColor: {
        const QColor c = argb(in.u32());
        return in.ok() ? std::optional<Brush>(Brush{QBrush(c)}) : std::nullopt;
    }
    case HatchFill: {
        const std::uint32_t style = in.u32();
        const QColor fore = argb(in.u32()), back = argb(in.u32());
        if (!in.ok())
            return std::nullopt;
        return Brush{QBrush(fore, hatchStyle(style)), back};
    }
    case TextureFill: {
        const std::uint32_t flags = in.u32();
        in.skip(4);  // wrap mode: textures tile
        QTransform transform;
        if (flags & BrushDataTransform)
            transform = readMatrix(in);
        const auto image = readImage(in);
        if (!image || image->bitmap.isNull())
            return std::nullopt;
        Brush brush{QBrush(image->bitmap)};
        brush.brush.setTransform(transform);
        return brush;
    }
    case PathGradient: return pathGradient(in);
    case LinearGradient: return linearGradient(in);
    default: return std::nullopt;
    }
}

std::optional<Image> readImage(bytes::ByteCursor& in)
{
    skipVersion(in);
    const std::uint32_t type = in.u32();
    Image image;
    if (type == ImageBitmap) {
        const std::int32_t width = in.i32(), height = in.i32(), stride = in.i32();
        const std::uint32_t format = in.u32();
        const std::uint32_t kind = in.u32();
        if (!in.ok() || width <= 0 || height <= 0 || width > 1 << 16 || height > 1 << 16)
            return std::nullopt;
        if (kind == 1) {
            image.bitmap = compressedBitmap(in.span(in.remaining()));
        } else {
            // Raw pixels cannot hold more pixels than they have bytes for (checked inside).
            image.bitmap = bitmapPixels(in, width, height, stride, format);
        }
        if (image.bitmap.isNull())
            return std::nullopt;
        return image;
    }
    if (type == ImageMetafile) {
        const std::uint32_t kind = in.u32();
        const std::uint32_t size = in.u32();
        const std::span<const std::uint8_t> data = in.span(size);
        if (!in.ok())
            return std::nullopt;
        if (kind == MetafileEmf || kind == MetafileEmfPlusOnly || kind == MetafileEmfPlusDual)
            image.emf.assign(data.begin(), data.end());
        else if (kind == MetafileWmfPlaceable)
            image.wmf.assign(data.begin(), data.end());
        else
            return std::nullopt;
        return image;
    }
    return std::nullopt;
}

QRectF Image::bounds() const
{
    if (!bitmap.isNull())
        return QRectF(0, 0, bitmap.width(), bitmap.height());
    return {};
}

AnyObject readObject(ObjectType type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data);
    const auto orNone = [](auto value) -> AnyObject {
        if (value)
            return *value;
        return std::monostate();
    };
    switch (type) {
    case ObjectType::Brush: return orNone(readBrush(in));
    case ObjectType::Pen: return orNone(readPen(in));
    case ObjectType::Path: return orNone(readPath(in));
    case ObjectType::Region: return orNone(readRegion(in));
    case ObjectType::Image: return orNone(readImage(in));
    case ObjectType::Font: return orNone(readFont(in));
    case ObjectType::StringFormat: return orNone(readStringFormat(in));
    case ObjectType::ImageAttributes: return ImageAttributes{};
    default: return std::monostate();
    }
}

double pixelsPerUnit(Unit unit, double dpi)
{
    switch (unit) {
    case Unit::Point: return dpi / 72.0;
    case Unit::Inch: return dpi;
    case Unit::Document: return dpi / 300.0;
    case Unit::Millimeter: return dpi / 25.4;
    default: return 1.0;
    }
}

QPainterPath combine(const QPainterPath& left, const QPainterPath& right, CombineMode mode)
{
    switch (mode) {
    case CombineMode::Replace: return right;
    case CombineMode::Intersect: return left.intersected(right);
    case CombineMode::Union: return left.united(right);
    case CombineMode::Xor: return left.united(right).subtracted(left.intersected(right));
    case CombineMode::Exclude: return left.subtracted(right);
    case CombineMode::Complement: return right.subtracted(left);
    }
    return right;
}

} // namespace platform::plus

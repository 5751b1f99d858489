#pragma once
// The objects of the "plus" record set, read from their bytes: brushes, pens, paths, regions,
// images, fonts and string formats (image attributes are accepted and have no effect). Every
// count, size and offset is checked against the bytes; a malformed object reads as none.
// Internal to platform/metafile.

#include "platform/byte_cursor.h"
#include "platform/metafile/plus_records.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace platform::plus {

// An ARGB colour as the records store it (blue, green, red, alpha in memory).
QColor argb(std::uint32_t value);

struct Brush {
    QBrush brush;
    // Hatch brushes paint their gaps in this colour (transparent: left alone).
    QColor background = Qt::transparent;
    // Drawn over the brush: path gradients blend their centre colour over the colours of
    // their boundary this way.
    QBrush overlay = Qt::NoBrush;
};

struct Pen {
    Unit unit = Unit::World;
    double width = 1;
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    double miterLimit = 10;
    Qt::PenStyle style = Qt::SolidLine;
    std::vector<double> dashes;  // in pen widths, on and off
    double dashOffset = 0;
    std::vector<double> compound;  // stripe edges across the width, 0 to 1, in pairs
    Brush fill;
};

struct Image {
    QImage bitmap;                    // a bitmap, or
    std::vector<std::uint8_t> emf;    // an enhanced metafile's bytes, or
    std::vector<std::uint8_t> wmf;    // a placeable Windows metafile's bytes
    QRectF bounds() const;            // the source rectangle in pixels (metafiles: their own units)
};

struct Font {
    double emSize = 12;
    Unit unit = Unit::World;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    QString family;
};

struct StringFormat {
    std::uint32_t flags = 0;
    std::uint32_t alignment = 0;      // 0 near, 1 centre, 2 far
    std::uint32_t lineAlignment = 0;
};

struct ImageAttributes {};

using AnyObject = std::variant<std::monostate, Brush, Pen, QPainterPath, Image, Font, StringFormat, ImageAttributes>;

// Region nodes become a path (filled with the odd-even rule); the infinite region is a square
// this large around the origin, in world units.
constexpr double infiniteExtent = 1 << 22;

// Readers of single objects from the cursor. Each returns none when the bytes do not hold one.
std::optional<Brush> readBrush(bytes::ByteCursor& in);
std::optional<QPainterPath> readPath(bytes::ByteCursor& in);
std::optional<QPainterPath> readRegion(bytes::ByteCursor& in);
std::optional<Image> readImage(bytes::ByteCursor& in);
// The object of the type from the bytes of an object record (after any total size).
AnyObject readObject(ObjectType type, std::span<const std::uint8_t> data);

// Points of drawing records: 16-bit integers, floats, or relative steps of 7 or 15 bits.
// Count is checked against the bytes before anything is allocated.
std::optional<std::vector<QPointF>> readPoints(bytes::ByteCursor& in, std::uint32_t count, std::uint16_t flags);
std::optional<QRectF> readRect(bytes::ByteCursor& in, bool compressed);
QTransform readMatrix(bytes::ByteCursor& in);
float readFloat(bytes::ByteCursor& in);

// The pixels per unit at the DPI (the world unit counts as one pixel).
double pixelsPerUnit(Unit unit, double dpi);

// Combines two paths as the clip and region combine modes do.
QPainterPath combine(const QPainterPath& left, const QPainterPath& right, CombineMode mode);

} // namespace platform::plus

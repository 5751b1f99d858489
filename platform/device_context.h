#pragma once
// Device contexts: the drawing targets beneath the canvas. One interface draws onto windows and
// QImages (through QPainter), onto pixel sections, printers, and the metafile recorder. State and
// operations follow the classic device-context model: a current pen, brush and font, text and
// background colours, mapping mode and world transform, a raster operation for blits, a clip
// region, paths, and a stack of saved states.

#include "platform/palette.h"
#include "platform/section.h"
#include "platform/types.h"

#include <QPainterPath>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QPainter;

namespace platform {

// Ternary raster operations (the boolean function of pattern, source and destination in bits
// 16..23, as the classic codes carry it). Every code of that form is accepted.
namespace rop {
constexpr std::uint32_t SrcCopy = 0x00CC0020;
constexpr std::uint32_t SrcPaint = 0x00EE0086;   // source OR destination
constexpr std::uint32_t SrcAnd = 0x008800C6;     // source AND destination
constexpr std::uint32_t SrcInvert = 0x00660046;  // source XOR destination
constexpr std::uint32_t SrcErase = 0x00440328;   // source AND NOT destination
constexpr std::uint32_t NotSrcCopy = 0x00330008;
constexpr std::uint32_t NotSrcErase = 0x001100A6;
constexpr std::uint32_t MergeCopy = 0x00C000CA; // source AND pattern
constexpr std::uint32_t MergePaint = 0x00BB0226; // NOT source OR destination
constexpr std::uint32_t PatCopy = 0x00F00021;
constexpr std::uint32_t PatPaint = 0x00FB0A09;
constexpr std::uint32_t PatInvert = 0x005A0049;
constexpr std::uint32_t DstInvert = 0x00550009;
constexpr std::uint32_t Blackness = 0x00000042;
constexpr std::uint32_t Whiteness = 0x00FF0062;
// The boolean function's index: bit (P << 2 | S << 1 | D) of it gives the result bit.
constexpr std::uint8_t functionOf(std::uint32_t code) { return std::uint8_t(code >> 16); }
} // namespace rop

enum class StretchMode { BlackOnWhite = 1, WhiteOnBlack = 2, ColorOnColor = 3, Halftone = 4 };
enum class BackgroundMode { Transparent = 1, Opaque = 2 };
enum class PolyFillMode { Alternate = 1, Winding = 2 };

// Binary raster operations for pens and brush fills (R2_BLACK = 1 … R2_WHITE = 16).
enum class PenMode {
    Black = 1, NotMergePen, MaskNotPen, NotCopyPen, MaskPenNot, Not, XorPen, NotMaskPen,
    MaskPen, NotXorPen, Nop, MergeNotPen, CopyPen, MergePenNot, MergePen, White
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
enum class PenCap { Round, Square, Flat };
enum class PenJoin { Round, Bevel, Miter };
enum class BrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

// Mapping modes: how page (logical) coordinates become device pixels.
enum class MapMode { Text = 1, LoMetric, HiMetric, LoEnglish, HiEnglish, Twips, Isotropic, Anisotropic };
enum class ArcDirection { CounterClockwise = 1, Clockwise = 2 };
// How a new clip region combines with the current one.
enum class RegionMode { And = 1, Or, Xor, Diff, Copy };

// Text alignment flags: horizontal reference (left, right, centre), vertical reference (top,
// bottom, baseline), and whether text starts at and moves the current position.
enum : unsigned {
    TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6,
    TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24
};

struct PenSpec {
    PenStyle style = PenStyle::Solid;
    // Pixels under the identity transform; logical units otherwise (0 is always one pixel).
    int width = 1;
    Colour colour = 0x000000;
    // Geometric pens keep their style, caps and joins at any width; other wide pens draw solid
    // with round ends. Cosmetic pens are one pixel wide whatever the transform.
    bool geometric = false;
    bool cosmetic = false;
    PenCap cap = PenCap::Round;
    PenJoin join = PenJoin::Round;
};

struct BrushSpec {
    BrushStyle style = BrushStyle::Solid;
    Colour colour = 0xFFFFFF;
    const Section* pattern = nullptr;  // a pattern brush when set (tiled from the brush origin)
};

struct FontSpec {
    std::string family = "MS Sans Serif";
    int height = -11;  // negative: character height; positive: cell height; logical units
    int width = 0;
    int escapement = 0;  // tenths of a degree
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 1;
    std::uint8_t pitch = 0;
    int orientation = 0;
};

// Text flags of extended text output.
enum : unsigned { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000 };

struct TextMetrics {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
    int maxCharWidth = 0;
};

// Everything SaveDC keeps and RestoreDC brings back.
struct DeviceState {
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    Colour textColour = 0x000000;
    Colour backgroundColour = 0xFFFFFF;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    StretchMode stretchMode = StretchMode::BlackOnWhite;
    PenMode penMode = PenMode::CopyPen;
    PolyFillMode polyFillMode = PolyFillMode::Alternate;
    Point brushOrigin;
    Point position;
    const Palette* palette = nullptr;
    unsigned textAlign = 0;
    int charExtra = 0;
    ArcDirection arcDirection = ArcDirection::CounterClockwise;
    double miterLimit = 10;
    MapMode mapMode = MapMode::Text;
    Point windowOrigin;
    Size windowExtent{1, 1};
    Point viewportOrigin;
    Size viewportExtent{1, 1};
    QTransform world;                // world → page
    std::optional<QRegion> clip;     // device pixels; none: the whole device
};

// The drawing target beneath a canvas. Implementations: SectionDeviceContext (pixel sections),
// PainterDeviceContext (any QPainter: windows, QImages, and printer pages through QPrinter), both
// drawing through RasterContext, and the metafile recorder, which turns every call and every
// state change into records as it happens.
//
// Coordinates given to drawing calls are logical: the world transform takes them to page
// coordinates, the mapping mode (window and viewport) to device pixels. The mapping is computed
// in double precision, so coordinates anywhere in the 32-bit range stay where they belong.
class DeviceContext {
public:
    virtual ~DeviceContext();

    // What the target is.
    virtual int bitsPerPixel() const = 0;
    virtual int logicalDpiX() const = 0;
    virtual int logicalDpiY() const = 0;
    virtual Size pixelSize() const = 0;
    // The section drawn into, for contexts that draw into one (the source of blits between
    // contexts); null for others.
    virtual const Section* section() const { return nullptr; }

    // Selected objects and modes. Every setter is virtual, so a recorder writes each change.
    virtual void setPen(const PenSpec& pen) { m_state.pen = pen; }
    const PenSpec& pen() const { return m_state.pen; }
    virtual void setBrush(const BrushSpec& brush) { m_state.brush = brush; }
    const BrushSpec& brush() const { return m_state.brush; }
    virtual void setFont(const FontSpec& font) { m_state.font = font; }
    const FontSpec& font() const { return m_state.font; }

    Colour textColour() const { return m_state.textColour; }
    virtual void setTextColour(Colour c) { m_state.textColour = c; }
    Colour backgroundColour() const { return m_state.backgroundColour; }
    virtual void setBackgroundColour(Colour c) { m_state.backgroundColour = c; }
    BackgroundMode backgroundMode() const { return m_state.backgroundMode; }
    virtual void setBackgroundMode(BackgroundMode m) { m_state.backgroundMode = m; }
    StretchMode stretchMode() const { return m_state.stretchMode; }
    virtual void setStretchMode(StretchMode m) { m_state.stretchMode = m; }
    PenMode penMode() const { return m_state.penMode; }
    virtual void setPenMode(PenMode m) { m_state.penMode = m; }
    PolyFillMode polyFillMode() const { return m_state.polyFillMode; }
    virtual void setPolyFillMode(PolyFillMode m) { m_state.polyFillMode = m; }
    Point brushOrigin() const { return m_state.brushOrigin; }
    virtual void setBrushOrigin(Point p) { m_state.brushOrigin = p; }
    Point currentPosition() const { return m_state.position; }
    unsigned textAlign() const { return m_state.textAlign; }
    virtual void setTextAlign(unsigned flags) { m_state.textAlign = flags; }
    // Extra logical units added after every character of text.
    int charExtra() const { return m_state.charExtra; }
    virtual void setCharExtra(int extra) { m_state.charExtra = extra; }
    ArcDirection arcDirection() const { return m_state.arcDirection; }
    virtual void setArcDirection(ArcDirection d) { m_state.arcDirection = d; }
    double miterLimit() const { return m_state.miterLimit; }
    virtual void setMiterLimit(double limit) { m_state.miterLimit = limit; }

    // The selected logical palette (not owned). The display has no hardware palette, so
    // selecting and realising change no pixels: colours drawn onto a palettised section map to
    // the section's own colour table. Kept for recorders and for callers that restore the
    // previous palette. Returns the previous one.
    virtual const Palette* selectPalette(const Palette* palette);
    const Palette* palette() const { return m_state.palette; }

    // Coordinate spaces. Extents of 0 are refused (the call changes nothing). Isotropic mode
    // keeps one scale for both axes: the viewport extent shrinks on the axis that would
    // otherwise scale more.
    MapMode mapMode() const { return m_state.mapMode; }
    virtual void setMapMode(MapMode mode);
    Point windowOrigin() const { return m_state.windowOrigin; }
    virtual void setWindowOrigin(Point origin) { m_state.windowOrigin = origin; }
    Size windowExtent() const { return m_state.windowExtent; }
    virtual void setWindowExtent(Size extent);
    Point viewportOrigin() const { return m_state.viewportOrigin; }
    virtual void setViewportOrigin(Point origin) { m_state.viewportOrigin = origin; }
    Size viewportExtent() const { return m_state.viewportExtent; }
    virtual void setViewportExtent(Size extent);
    // The world transform: page = (x·m11 + y·m21 + dx, x·m12 + y·m22 + dy). A transform that
    // cannot be inverted is refused.
    const QTransform& worldTransform() const { return m_state.world; }
    virtual bool setWorldTransform(const QTransform& transform);
    // Logical coordinates → device pixels: the world transform, then the mapping mode.
    QTransform deviceTransform() const;
    QPointF toDevice(double x, double y) const { return deviceTransform().map(QPointF(x, y)); }

    // The whole state on a stack. saveDC returns the new depth (the first save gives 1);
    // restoreDC takes a depth (positive: that save; negative: relative to the top, -1 being the
    // last save) and pops back to it; false when there is no such save.
    virtual int saveDC();
    virtual bool restoreDC(int level);
    int saveDepth() const { return int(m_saved.size()); }

    // Clipping, kept in device pixels. setClipRect replaces the clip with a device rectangle
    // (none: no clip); the logical forms map through the transform (rotated rectangles clip by
    // their bounds).
    virtual void setClipRect(std::optional<Rect> clip);
    // The clip's bounding box in device pixels, or none when nothing clips.
    std::optional<Rect> clipRect() const;
    const std::optional<QRegion>& clipRegion() const { return m_state.clip; }
    // Combines a region in device pixels with the clip; a null region with Copy removes the clip.
    virtual void selectClipRegion(const QRegion* region, RegionMode mode);
    virtual void intersectClipRect(const Rect& logical);
    virtual void excludeClipRect(const Rect& logical);
    virtual void offsetClipRegion(int dx, int dy);
    // Makes the closed path the clip (combined by the mode) and discards the path.
    virtual void selectClipPath(RegionMode mode);

    // Paths: between beginPath and endPath drawing calls add figures to the path instead of
    // drawing (in device pixels, as mapped when each call is made). A closed path can be
    // filled, stroked, both, flattened, widened, made the clip, or dropped.
    virtual void beginPath();
    virtual void endPath();
    virtual void closeFigure();
    virtual void abortPath();
    virtual void fillPath();
    virtual void strokePath();
    virtual void strokeAndFillPath();
    virtual void flattenPath();
    virtual void widenPath();
    bool pathOpen() const { return m_pathOpen; }
    const QPainterPath& path() const { return m_path; }

    // Lines and shapes: outlines with the pen, interiors with the brush, as classic drawing does
    // (right and bottom edges of rectangles and ellipses excluded).
    virtual void moveTo(Point p);
    virtual void lineTo(Point p) = 0;
    virtual void polyline(std::span<const Point> points) = 0;
    // Lines from the current position through the points; the last point becomes current.
    virtual void polylineTo(std::span<const Point> points) = 0;
    virtual void polygon(std::span<const Point> points) = 0;
    // Several polygons filled as one shape (so that holes stay open), or several polylines.
    virtual void polyPolygon(std::span<const Point> points, std::span<const int> counts) = 0;
    virtual void polyPolyline(std::span<const Point> points, std::span<const int> counts) = 0;
    // Cubic Béziers: a start point then three points per segment; the "to" form starts at
    // the current position and moves it to the last point.
    virtual void polyBezier(std::span<const Point> points) = 0;
    virtual void polyBezierTo(std::span<const Point> points) = 0;
    virtual void rectangle(const Rect& r) = 0;
    virtual void roundRect(const Rect& r, int cornerWidth, int cornerHeight) = 0;
    virtual void ellipse(const Rect& r) = 0;
    // Arcs run from the start ray to the end ray in the arc direction (counterclockwise on the
    // screen by default); arcTo first draws a line from the current position to the arc's start
    // and leaves the current position at its end.
    virtual void arc(const Rect& r, Point start, Point end) = 0;
    virtual void arcTo(const Rect& r, Point start, Point end) = 0;
    virtual void chord(const Rect& r, Point start, Point end) = 0;
    virtual void pie(const Rect& r, Point start, Point end) = 0;
    // Fills with the given brush; no outline, pen mode ignored.
    virtual void fillRect(const Rect& r, const BrushSpec& brush) = 0;
    // One-pixel frame drawn with the brush.
    virtual void frameRect(const Rect& r, const BrushSpec& brush) = 0;
    // A region in device pixels filled with a brush, or framed with it (frame width × height).
    virtual void fillRegion(const QRegion& region, const BrushSpec& brush) = 0;
    virtual void frameRegion(const QRegion& region, const BrushSpec& brush, int width, int height) = 0;
    virtual void invertRegion(const QRegion& region) = 0;
    virtual void setPixel(Point p, Colour colour) = 0;
    virtual Colour pixel(Point p) const = 0;

    // Text: placed by the text alignment at the point (or at the current position with
    // TA_UPDATECP, which then moves on by the text's advance) and drawn in the text colour; the
    // cell background is filled with the background colour when the mode is opaque (or
    // ETO_OPAQUE fills `rect`). `dx`, when given, holds the advance after each UTF-16 unit of
    // the text in logical units (with ETO_PDY, pairs of x and y advances).
    virtual void textOut(Point p, const std::string& utf8) = 0;
    virtual void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                            std::span<const int> dx = {}) = 0;
    // Measured with the selected font.
    virtual Size textExtent(const std::string& utf8) const;
    virtual TextMetrics textMetrics() const;

    // Blits. The source is a section; `sourceBackground` is the background colour of the
    // source's context (colour to monochrome: pixels of that colour become 1). A monochrome
    // device source paints its 0 bits in this context's text colour and its 1 bits in its
    // background colour. Stretching follows the stretch mode: nearest pixel (dropping rows and
    // columns) for every mode but Halftone, which averages. Destination column dx (counted from
    // the destination's left edge, dstW wide) shows source column
    // sourceLeft + floor((2·dx + 1) · srcW / (2 · dstW)); rows likewise. A rectangle given
    // right-to-left or bottom-to-top mirrors the picture. Pixels whose source lies outside the
    // source section are left alone. The full rules are in blit.h.
    virtual void stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                            std::uint32_t rasterOp, Colour sourceBackground = 0xFFFFFF) = 0;
    void bitBlt(Point destination, const Section& source, const Rect& sourceRect,
                std::uint32_t rasterOp, Colour sourceBackground = 0xFFFFFF)
    {
        // The destination takes the source rectangle's size; near the ends of the coordinate
        // range its far edges stop there instead of wrapping round.
        const auto farEdge = [](int origin, int a, int b) {
            return int(std::clamp<std::int64_t>(std::int64_t(origin) + (std::int64_t(b) - a),
                                                std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        };
        stretchBlt({destination.x, destination.y, farEdge(destination.x, sourceRect.left, sourceRect.right),
                    farEdge(destination.y, sourceRect.top, sourceRect.bottom)},
                   source, sourceRect, rasterOp, sourceBackground);
    }
    // Unscaled copy through a monochrome mask: where the mask bit is 1 the foreground operation
    // applies, where it is 0 the background operation (the classic masked copy, whose raster
    // code holds the background function in bits 24..31 and the foreground in bits 16..23).
    virtual void maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                         const Section& mask, Point maskOrigin, std::uint32_t rasterOp) = 0;
    // The brush alone combined with the destination (operations that read a source do
    // nothing). A Clear brush paints nothing; hatch gaps take the background colour in opaque
    // mode and are left alone in transparent mode; pattern brushes tile from the brush origin.
    virtual void patBlt(const Rect& destination, std::uint32_t rasterOp) = 0;
    // Blends a 32-bit source over the destination, stretched: each source pixel scaled by the
    // constant alpha (0..255) and, with `perPixelAlpha`, by its own premultiplied alpha byte.
    virtual void alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                                 std::uint8_t constantAlpha, bool perPixelAlpha) = 0;
    // Blends a 32-bit section over the destination at its own size, its top-left corner at the
    // point. The fourth byte of each source pixel is its alpha: 0 leaves the destination, 255
    // replaces it; colours are not premultiplied. This base draws pixels of alpha 128 and more
    // as opaque and leaves the others, through a mask; targets that can blend override it.
    virtual void alphaBlend(Point destination, const Section& source);

    // Finishes pending drawing so the target's pixels can be read directly.
    virtual void flush() {}

protected:
    DeviceState m_state;
    // Drops the path without a record of it.
    void discardPath();
    // Figures of the path being built (device pixels), and whether it is still open.
    QPainterPath m_path;
    bool m_pathOpen = false;
    bool m_pathClosed = false;

private:
    std::vector<DeviceState> m_saved;
};

// A device coordinate from a mapped one: rounded, and kept within ±2^28 (far beyond any device
// and safe for the int arithmetic of regions and rectangles).
int toDeviceCoordinate(double v);

// A context drawing into the section (which must outlive it).
std::unique_ptr<DeviceContext> makeSectionContext(Section& section);
// A context drawing through an active painter; a DPI of 0 takes the paint device's logical DPI
// (printers pass their resolution). The painter must stay active while the context is used.
std::unique_ptr<DeviceContext> makePainterContext(QPainter& painter, int dpiX = 0, int dpiY = 0);

} // namespace platform

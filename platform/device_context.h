#pragma once
// Device contexts: the drawing targets beneath the canvas. One interface draws onto windows and
// QImages (through QPainter), onto pixel sections, and later onto printers and the metafile
// recorder. State and operations follow the classic device-context model: a current pen, brush
// and font, text and background colours, a raster operation for blits, a clip region.

#include "platform/palette.h"
#include "platform/section.h"
#include "platform/types.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>

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
enum class BrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

struct PenSpec {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    Colour colour = 0x000000;
};

struct BrushSpec {
    BrushStyle style = BrushStyle::Solid;
    Colour colour = 0xFFFFFF;
    const Section* pattern = nullptr;  // a pattern brush when set (tiled from the brush origin)
};

struct FontSpec {
    std::string family = "MS Sans Serif";
    int height = -11;  // negative: character height in pixels; positive: cell height
    int width = 0;
    int escapement = 0;  // tenths of a degree
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 1;
    std::uint8_t pitch = 0;
};

// Text flags of extended text output.
enum : unsigned { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4 };

struct TextMetrics {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
    int maxCharWidth = 0;
};

// The drawing target beneath a canvas. Implementations: SectionDeviceContext (pixel sections),
// PainterDeviceContext (any QPainter: windows, QImages, and printer pages through QPrinter).
// The metafile recorder is another implementation: it turns each call into records, and takes
// its state (pen, brush, font, colours, modes) from the members below when a call is made.
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

    // Selected objects and modes.
    void setPen(const PenSpec& pen) { m_pen = pen; penChanged(); }
    const PenSpec& pen() const { return m_pen; }
    void setBrush(const BrushSpec& brush) { m_brush = brush; brushChanged(); }
    const BrushSpec& brush() const { return m_brush; }
    void setFont(const FontSpec& font) { m_font = font; fontChanged(); }
    const FontSpec& font() const { return m_font; }

    Colour textColour() const { return m_textColour; }
    void setTextColour(Colour c) { m_textColour = c; }
    Colour backgroundColour() const { return m_backgroundColour; }
    void setBackgroundColour(Colour c) { m_backgroundColour = c; }
    BackgroundMode backgroundMode() const { return m_backgroundMode; }
    void setBackgroundMode(BackgroundMode m) { m_backgroundMode = m; }
    StretchMode stretchMode() const { return m_stretchMode; }
    void setStretchMode(StretchMode m) { m_stretchMode = m; }
    PenMode penMode() const { return m_penMode; }
    void setPenMode(PenMode m) { m_penMode = m; }
    PolyFillMode polyFillMode() const { return m_polyFillMode; }
    void setPolyFillMode(PolyFillMode m) { m_polyFillMode = m; }
    Point brushOrigin() const { return m_brushOrigin; }
    void setBrushOrigin(Point p) { m_brushOrigin = p; }
    Point currentPosition() const { return m_position; }

    // The selected logical palette (not owned). The display has no hardware palette, so
    // selecting and realising change no pixels: colours drawn onto a palettised section map to
    // the section's own colour table. Kept for recorders and for callers that restore the
    // previous palette. Returns the previous one.
    const Palette* selectPalette(const Palette* palette);
    const Palette* palette() const { return m_palette; }

    // Clipping: a rectangle in device coordinates, or none.
    virtual void setClipRect(std::optional<Rect> clip) { m_clip = clip; }
    std::optional<Rect> clipRect() const { return m_clip; }

    // Lines and shapes: outlines with the pen, interiors with the brush, as classic drawing does
    // (right and bottom edges of rectangles and ellipses excluded).
    void moveTo(Point p) { m_position = p; }
    virtual void lineTo(Point p) = 0;
    virtual void polyline(std::span<const Point> points) = 0;
    virtual void polygon(std::span<const Point> points) = 0;
    virtual void rectangle(const Rect& r) = 0;
    virtual void roundRect(const Rect& r, int cornerWidth, int cornerHeight) = 0;
    virtual void ellipse(const Rect& r) = 0;
    virtual void arc(const Rect& r, Point start, Point end) = 0;
    virtual void chord(const Rect& r, Point start, Point end) = 0;
    virtual void pie(const Rect& r, Point start, Point end) = 0;
    // Fills with the given brush; no outline, pen mode ignored.
    virtual void fillRect(const Rect& r, const BrushSpec& brush) = 0;
    // One-pixel frame drawn with the brush.
    virtual void frameRect(const Rect& r, const BrushSpec& brush) = 0;
    virtual void setPixel(Point p, Colour colour) = 0;
    virtual Colour pixel(Point p) const = 0;

    // Text: drawn at the point's top-left in the text colour; the cell background is filled
    // with the background colour when the mode is opaque (or ETO_OPAQUE fills `rect`).
    virtual void textOut(Point p, const std::string& utf8) = 0;
    virtual void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8) = 0;
    virtual Size textExtent(const std::string& utf8) const = 0;
    virtual TextMetrics textMetrics() const = 0;

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
    // Blends a 32-bit section over the destination at its own size, its top-left corner at the
    // point. The fourth byte of each source pixel is its alpha: 0 leaves the destination, 255
    // replaces it; colours are not premultiplied. This base draws pixels of alpha 128 and more
    // as opaque and leaves the others, through a mask; targets that can blend override it.
    virtual void alphaBlend(Point destination, const Section& source);

    // Finishes pending drawing so the target's pixels can be read directly.
    virtual void flush() {}

protected:
    virtual void penChanged() {}
    virtual void brushChanged() {}
    virtual void fontChanged() {}

    PenSpec m_pen;
    BrushSpec m_brush;
    FontSpec m_font;
    Colour m_textColour = 0x000000;
    Colour m_backgroundColour = 0xFFFFFF;
    BackgroundMode m_backgroundMode = BackgroundMode::Opaque;
    StretchMode m_stretchMode = StretchMode::BlackOnWhite;
    PenMode m_penMode = PenMode::CopyPen;
    PolyFillMode m_polyFillMode = PolyFillMode::Alternate;
    Point m_brushOrigin;
    Point m_position;
    const Palette* m_palette = nullptr;
    std::optional<Rect> m_clip;
};

// A context drawing into the section (which must outlive it).
std::unique_ptr<DeviceContext> makeSectionContext(Section& section);
// A context drawing through an active painter; a DPI of 0 takes the paint device's logical DPI
// (printers pass their resolution). The painter must stay active while the context is used.
std::unique_ptr<DeviceContext> makePainterContext(QPainter& painter, int dpiX = 0, int dpiY = 0);

} // namespace platform

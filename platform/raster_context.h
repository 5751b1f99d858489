#pragma once
// The drawing shared by the contexts that make pixels (sections and painters): every call is
// mapped from logical coordinates to device pixels and drawn there through a QPainter or the
// blit engine, limited to the clip region; between beginPath and endPath figures go into the
// path instead.
//
// Under a transform that only scales and moves, figures keep the classic pixel rules in device
// pixels (rectangles exclude their right and bottom edges, and so on). Under rotation or shear
// they are drawn as device-space outlines, and blits cover the bounds of their mapped
// rectangle. Geometric pen widths and font heights scale with the transform; cosmetic pens stay
// one pixel wide. Text is never mirrored: a flipped axis only moves where it goes.

#include "platform/device_context.h"

#include <functional>

class QPainter;

namespace platform {

namespace detail {
struct BlitParams;
struct DrawState;
enum class FigureParts;
} // namespace detail

class RasterContext : public DeviceContext {
public:
    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void polyline(std::span<const Point> points) override;
    void polylineTo(std::span<const Point> points) override;
    void polygon(std::span<const Point> points) override;
    void polyPolygon(std::span<const Point> points, std::span<const int> counts) override;
    void polyPolyline(std::span<const Point> points, std::span<const int> counts) override;
    void polyBezier(std::span<const Point> points) override;
    void polyBezierTo(std::span<const Point> points) override;
    void rectangle(const Rect& r) override;
    void roundRect(const Rect& r, int cornerWidth, int cornerHeight) override;
    void ellipse(const Rect& r) override;
    void arc(const Rect& r, Point start, Point end) override;
    void arcTo(const Rect& r, Point start, Point end) override;
    void chord(const Rect& r, Point start, Point end) override;
    void pie(const Rect& r, Point start, Point end) override;
    void fillRect(const Rect& r, const BrushSpec& brush) override;
    void frameRect(const Rect& r, const BrushSpec& brush) override;
    void fillRegion(const QRegion& region, const BrushSpec& brush) override;
    void frameRegion(const QRegion& region, const BrushSpec& brush, int width, int height) override;
    void invertRegion(const QRegion& region) override;
    void setPixel(Point p, Colour colour) override;
    Colour pixel(Point p) const override;

    void fillPath() override;
    void strokePath() override;
    void strokeAndFillPath() override;

    void textOut(Point p, const std::string& utf8) override;
    void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                    std::span<const int> dx = {}) override;

    void stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                    std::uint32_t rasterOp, Colour sourceBackground = 0xFFFFFF) override;
    void maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                 const Section& mask, Point maskOrigin, std::uint32_t rasterOp) override;
    void patBlt(const Rect& destination, std::uint32_t rasterOp) override;
    void alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                    std::uint8_t constantAlpha, bool perPixelAlpha) override;

protected:
    // Runs `draw` on a painter whose coordinates are device pixels, limited to `bounds` (device
    // pixels, already cut to the clip's bounds); the caller sets the clip region on it.
    virtual void paintDevice(const Rect& bounds, const std::function<void(QPainter&)>& draw) = 0;
    // One blit in device pixels; `params.clip` holds one rectangle of the clip region (or none).
    virtual void blitDevice(const detail::BlitParams& params) = 0;
    virtual void setDevicePixel(Point p, Colour colour) = 0;
    virtual Colour devicePixel(Point p) const = 0;
    // Monochrome targets draw every colour as black or white; palettised ones without
    // antialiased text.
    virtual bool monochromeTarget() const { return false; }
    virtual bool antialiasedText() const { return true; }

    // A device-space outline drawn as a figure.
    virtual void drawPath(const QPainterPath& path, detail::FigureParts parts);
    // A blit in device pixels, once for each rectangle of the clip region.
    virtual void blitClipped(detail::BlitParams params);

    // The drawing state with pen widths and font sizes in device pixels.
    detail::DrawState deviceState() const;
    // Whether the transform only scales and moves.
    bool axisAligned() const;
    Point devicePoint(Point p) const;
    // A rectangle's corners in device pixels (kept in their order, so a flip mirrors).
    Rect deviceRect(const Rect& r) const;

private:
    // Draws with the clip region applied, within the device bounds.
    void paintClipped(const Rect& bounds, const std::function<void(QPainter&)>& draw);
    void arcFigure(int kind, const Rect& r, Point start, Point end);
    void addArcToPath(const Rect& r, Point start, Point end, bool lineToStart);
};

} // namespace platform

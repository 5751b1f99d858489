#pragma once
// The recording context: a device context whose every state change and drawing call is written
// as enhanced-metafile records as it happens, in the caller's logical coordinates, so that
// playing the records onto a context draws what the calls would have drawn on it. Pens,
// brushes, fonts and palettes become objects created, selected and deleted as they change.

#include "platform/device_context.h"
#include "platform/metafile/emf_writer.h"
#include "platform/metafile/enhanced_metafile.h"

#include <memory>
#include <vector>

namespace platform {

class RecordingContext : public DeviceContext {
public:
    RecordingContext(const ReferenceDevice& reference, const Rect& frame, std::u16string description);

    int bitsPerPixel() const override { return m_reference.bitsPerPixel; }
    int logicalDpiX() const override { return m_reference.dpiX; }
    int logicalDpiY() const override { return m_reference.dpiY; }
    Size pixelSize() const override { return m_reference.pixels; }

    void setPen(const PenSpec& pen) override;
    void setBrush(const BrushSpec& brush) override;
    void setFont(const FontSpec& font) override;
    void setTextColour(Colour c) override;
    void setBackgroundColour(Colour c) override;
    void setBackgroundMode(BackgroundMode m) override;
    void setStretchMode(StretchMode m) override;
    void setPenMode(PenMode m) override;
    void setPolyFillMode(PolyFillMode m) override;
    void setBrushOrigin(Point p) override;
    void setTextAlign(unsigned flags) override;
    void setCharExtra(int extra) override;
    void setArcDirection(ArcDirection d) override;
    void setMiterLimit(double limit) override;
    const Palette* selectPalette(const Palette* palette) override;
    void setMapMode(MapMode mode) override;
    void setWindowOrigin(Point origin) override;
    void setWindowExtent(Size extent) override;
    void setViewportOrigin(Point origin) override;
    void setViewportExtent(Size extent) override;
    bool setWorldTransform(const QTransform& transform) override;
    int saveDC() override;
    bool restoreDC(int level) override;

    void setClipRect(std::optional<Rect> clip) override;
    void selectClipRegion(const QRegion* region, RegionMode mode) override;
    void intersectClipRect(const Rect& logical) override;
    void excludeClipRect(const Rect& logical) override;
    void offsetClipRegion(int dx, int dy) override;
    void selectClipPath(RegionMode mode) override;

    void beginPath() override;
    void endPath() override;
    void closeFigure() override;
    void abortPath() override;
    void fillPath() override;
    void strokePath() override;
    void strokeAndFillPath() override;
    void flattenPath() override;
    void widenPath() override;

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
    // A recording has no pixels to read: black.
    Colour pixel(Point p) const override;

    void textOut(Point p, const std::string& utf8) override;
    void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                    std::span<const int> dx = {}) override;

    void stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                    std::uint32_t rasterOp, Colour sourceBackground = 0xFFFFFF) override;
    void maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                 const Section& mask, Point maskOrigin, std::uint32_t rasterOp) override;
    void patBlt(const Rect& destination, std::uint32_t rasterOp) override;
    // Recorded as a blend of the picture with its alpha premultiplied, as the record wants.
    void alphaBlend(Point destination, const Section& source) override;
    void alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                    std::uint8_t constantAlpha, bool perPixelAlpha) override;

    // Ends the recording: the metafile's bytes.
    std::vector<std::uint8_t> finish();

private:
    std::uint32_t newHandle();
    void freeHandle(std::uint32_t handle);
    std::uint32_t createPen(const PenSpec& pen);
    std::uint32_t createBrush(const BrushSpec& brush);
    std::uint32_t createFont(const FontSpec& font);
    void select(std::uint32_t handle);
    void remove(std::uint32_t handle);
    // Selects the new object and deletes the one it replaces.
    void replace(std::uint32_t& current, std::uint32_t handle);
    // Selects the current objects again (after a restore, which brings back objects that may
    // have been deleted since).
    void reselect();
    void simple(std::uint32_t type);
    void simple(std::uint32_t type, std::uint32_t value);
    void pointRecord(std::uint32_t type, Point p);
    void rectRecord(std::uint32_t type, const Rect& r);
    void arcRecord(std::uint32_t type, const Rect& r, Point start, Point end);
    void polyRecord(std::uint32_t type, std::uint32_t type16, std::span<const Point> points);
    void polyPolyRecord(std::uint32_t type, std::uint32_t type16, std::span<const Point> points,
                        std::span<const int> counts);
    void regionRecord(std::uint32_t type, const QRegion& region, std::uint32_t brush, int width, int height);
    // Widens the header's bounds by a logical rectangle drawn with the current pen.
    void include(const QRectF& logical, double margin = 0);
    void include(std::span<const Point> points);
    QRegion logicalRegion(const QRegion& device) const;

    ReferenceDevice m_reference;
    Rect m_frame;
    std::u16string m_description;
    metafile::EmfWriter m_writer;
    std::vector<bool> m_handles{true};  // slot 0 is never used
    std::uint32_t m_penHandle = 0;
    std::uint32_t m_brushHandle = 0;
    std::uint32_t m_fontHandle = 0;
    std::uint32_t m_paletteHandle = 0;
};

} // namespace platform

#pragma once
// A device context drawing into a pixel section: the surface of a bitmap, and the memory
// contexts the picture code composes in. Blits go straight through the blit engine; lines,
// shapes and text are drawn with a QPainter, directly on the section's pixels where Qt shares
// their layout (top-down 32-bit, 24-bit, 5-5-5 and 5-6-5 sections), otherwise on a 32-bit copy
// of the area they touch, whose changed pixels are written back: to the nearest colour-table
// entry of a palettised section, and to a monochrome device bitmap as 1 for white and 0 for
// anything else (pen, brush and text colours are first made black or white there).

#include "platform/device_context.h"

#include <functional>

class QPainter;

namespace platform {

class SectionDeviceContext : public DeviceContext {
public:
    // The section must outlive the context.
    explicit SectionDeviceContext(Section& section);

    int bitsPerPixel() const override { return m_section.bitCount(); }
    int logicalDpiX() const override;
    int logicalDpiY() const override;
    Size pixelSize() const override { return {m_section.width(), m_section.height()}; }
    const Section* section() const override { return &m_section; }
    Section& target() { return m_section; }

    void lineTo(Point p) override;
    void polyline(std::span<const Point> points) override;
    void polygon(std::span<const Point> points) override;
    void rectangle(const Rect& r) override;
    void roundRect(const Rect& r, int cornerWidth, int cornerHeight) override;
    void ellipse(const Rect& r) override;
    void arc(const Rect& r, Point start, Point end) override;
    void chord(const Rect& r, Point start, Point end) override;
    void pie(const Rect& r, Point start, Point end) override;
    void fillRect(const Rect& r, const BrushSpec& brush) override;
    void frameRect(const Rect& r, const BrushSpec& brush) override;
    void setPixel(Point p, Colour colour) override;
    Colour pixel(Point p) const override;

    void textOut(Point p, const std::string& utf8) override;
    void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8) override;
    Size textExtent(const std::string& utf8) const override;
    TextMetrics textMetrics() const override;

    void stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                    std::uint32_t rasterOp, Colour sourceBackground = 0xFFFFFF) override;
    void maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                 const Section& mask, Point maskOrigin, std::uint32_t rasterOp) override;
    void patBlt(const Rect& destination, std::uint32_t rasterOp) override;
    void alphaBlend(Point destination, const Section& source) override;

private:
    // Runs `draw` on a painter whose device coordinates are the section's, limited to `bounds`
    // (and the clip rectangle), then brings the pixels home.
    void paint(const Rect& bounds, const std::function<void(QPainter&)>& draw);
    Rect visible(const Rect& bounds) const;

    Section& m_section;
};

} // namespace platform

#pragma once
// A device context drawing into a pixel section: the surface of a bitmap, and the memory
// contexts the picture code composes in. Blits go straight through the blit engine; lines,
// shapes and text are drawn with a QPainter, directly on the section's pixels where Qt shares
// their layout (top-down 32-bit, 24-bit, 5-5-5 and 5-6-5 sections), otherwise on a 32-bit copy
// of the area they touch, whose changed pixels are written back: to the nearest colour-table
// entry of a palettised section, and to a monochrome device bitmap as 1 for white and 0 for
// anything else (pen, brush and text colours are first made black or white there).

#include "platform/raster_context.h"

#include <functional>

class QPainter;

namespace platform {

class SectionDeviceContext : public RasterContext {
public:
    // The section must outlive the context.
    explicit SectionDeviceContext(Section& section);

    int bitsPerPixel() const override { return m_section.bitCount(); }
    int logicalDpiX() const override;
    int logicalDpiY() const override;
    Size pixelSize() const override { return {m_section.width(), m_section.height()}; }
    const Section* section() const override { return &m_section; }
    Section& target() { return m_section; }

    void alphaBlend(Point destination, const Section& source) override;

protected:
    // Runs `draw` on a painter whose device coordinates are the section's, limited to `bounds`,
    // then brings the pixels home.
    void paintDevice(const Rect& bounds, const std::function<void(QPainter&)>& draw) override;
    void blitDevice(const detail::BlitParams& params) override;
    void setDevicePixel(Point p, Colour colour) override;
    Colour devicePixel(Point p) const override;
    bool monochromeTarget() const override;
    bool antialiasedText() const override;

private:
    Section& m_section;
};

} // namespace platform

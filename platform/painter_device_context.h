#pragma once
// A device context over any QPainter: windows and QImages now, printers (QPrinter pages) through
// the same class. Lines, shapes and text go to the painter with the classic rules.
//
// A plain copy (SrcCopy) of a section whose pixels Qt can read as they are (32 bits 8-8-8, 24
// bits, 16 bits 5-5-5 or 5-6-5), not mirrored and not averaged, goes straight to a raster
// painter: the section's rows are handed over as a QImage sharing them and drawn with Qt's own
// nearest-pixel scaling. That is how pictures reach windows. Qt picks the same source pixels as
// the blit engine, except where a destination pixel's centre falls exactly on (or within its
// rounding of) the edge between two source pixels, where it may take the one before.
//
// Every other blit stretches the source with the blit engine into a 32-bit image covering only
// the visible part of the destination, which is then drawn 1:1:
// - raster operations that do not read the destination are drawn as opaque pixels;
// - on a raster painter, SrcAnd, SrcPaint, SrcInvert and DstInvert use the matching QPainter
//   raster-op composition modes; any other operation that reads the destination reads it back
//   when the painter's device is a QImage drawn without scaling or rotation, and combines it
//   with the engine;
// - otherwise (printers, PDF, transformed painters) the destination cannot be read. Pixels whose
//   result is the destination itself are left alone (drawn fully transparent); every other pixel
//   is drawn opaque, its bits that do not depend on the destination taken from the operation and
//   the bits that do taken from the source (the pattern when there is no source). The classic
//   transparent-drawing sequences (AND a mask, then XOR or OR the masked picture) come out right
//   on paper this way.
// The painter's own state is saved and restored around every operation.

#include "platform/raster_context.h"

class QPainter;
class QImage;

namespace platform {

namespace detail {
struct BlitParams;
}

class PainterDeviceContext : public RasterContext {
public:
    // The painter must stay active while the context is used. DPI of 0 takes the painter
    // device's logical DPI.
    PainterDeviceContext(QPainter& painter, int dpiX = 0, int dpiY = 0);

    int bitsPerPixel() const override;
    int logicalDpiX() const override { return m_dpiX; }
    int logicalDpiY() const override { return m_dpiY; }
    Size pixelSize() const override;
    QPainter& painter() { return m_painter; }

protected:
    void paintDevice(const Rect& bounds, const std::function<void(QPainter&)>& draw) override;
    void blitDevice(const detail::BlitParams& params) override;
    void setDevicePixel(Point p, Colour colour) override;
    // Reads back from QImage targets; other targets read as black.
    Colour devicePixel(Point p) const override;

public:
    void alphaBlend(Point destination, const Section& source) override;

protected:

private:
    template <class Draw> void draw(Draw&& draw);
    // The image the painter draws into and the offset of our coordinates in it, when the
    // destination can be read back; null otherwise.
    QImage* readableTarget(Point& offset) const;
    // The destination pixels a blit may change: its rectangle within the clip and the device.
    Rect visibleArea(const Rect& destination, const std::optional<Rect>& clip) const;
    void blitThroughImage(const detail::BlitParams& params);
    // The plain copy drawn by the painter from the section's own rows; false (nothing drawn)
    // when the copy is not one it can draw so.
    bool copyStoredRows(const detail::BlitParams& params);

    QPainter& m_painter;
    int m_dpiX;
    int m_dpiY;
};

} // namespace platform

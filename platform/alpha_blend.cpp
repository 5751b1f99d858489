// Blending 32-bit pixels with an alpha channel over a device context: exact on sections and
// painters, through a mask on any other target.

#include "platform/device_context.h"
#include "platform/painter_device_context.h"
#include "platform/qt_drawing.h"
#include "platform/section_device_context.h"

#include <QImage>
#include <QPainter>

namespace platform {

namespace {

constexpr Colour black = 0x000000;
constexpr Colour white = 0xFFFFFF;

// Alpha of a source pixel; sections of other depths have none and are opaque.
std::uint8_t alphaOf(const Section& source, int x, int y)
{
    return source.bitCount() == 32 ? source.row(y)[std::size_t(x) * 4 + 3] : 255;
}

std::uint8_t mix(std::uint8_t over, std::uint8_t under, unsigned alpha)
{
    return std::uint8_t((over * alpha + under * (255 - alpha) + 127) / 255);
}

} // namespace

void DeviceContext::alphaBlend(Point destination, const Section& source)
{
    const int width = source.width();
    const int height = source.height();
    auto mask = Section::createMonochrome(width, height);
    auto opaque = Section::createDisplayCompatible(width, height);
    if (!mask || !opaque)
        return;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool shown = alphaOf(source, x, y) >= 128;
            mask->setPixel(x, y, shown ? black : white);
            opaque->setPixel(x, y, shown ? source.pixel(x, y) : black);
        }
    // Clear where the picture shows (the mask's 0 bits paint black), then add its colours.
    const Colour text = m_state.textColour;
    const Colour background = m_state.backgroundColour;
    m_state.textColour = black;
    m_state.backgroundColour = white;
    const Rect all{0, 0, width, height};
    bitBlt(destination, *mask, all, rop::SrcAnd);
    bitBlt(destination, *opaque, all, rop::SrcPaint);
    m_state.textColour = text;
    m_state.backgroundColour = background;
}

void SectionDeviceContext::alphaBlend(Point destination, const Section& source)
{
    // The point goes through the transform; the picture keeps its own size.
    const Point at = devicePoint(destination);
    Rect area = Rect::fromSize(at.x, at.y, source.width(), source.height()).intersected({0, 0, m_section.width(), m_section.height()});
    if (const std::optional<Rect> clip = clipRect())
        area = area.intersected(*clip);
    const std::optional<QRegion>& region = clipRegion();
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if (region && !region->contains(QPoint(x, y)))
                continue;
            const int sx = x - at.x;
            const int sy = y - at.y;
            const unsigned alpha = alphaOf(source, sx, sy);
            if (alpha == 0)
                continue;
            const Colour over = source.pixel(sx, sy);
            if (alpha == 255) {
                m_section.setPixel(x, y, over);
                continue;
            }
            const Colour under = m_section.pixel(x, y);
            m_section.setPixel(x, y, rgb(mix(redOf(over), redOf(under), alpha), mix(greenOf(over), greenOf(under), alpha),
                                         mix(blueOf(over), blueOf(under), alpha)));
        }
}

void PainterDeviceContext::alphaBlend(Point destination, const Section& source)
{
    QImage image(source.width(), source.height(), QImage::Format_ARGB32);
    if (image.isNull())
        return;
    for (int y = 0; y < source.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const Colour c = source.pixel(x, y);
            out[x] = qRgba(redOf(c), greenOf(c), blueOf(c), alphaOf(source, x, y));
        }
    }
    const Point at = devicePoint(destination);
    m_painter.save();
    if (const std::optional<QRegion>& clip = clipRegion())
        m_painter.setClipRegion(*clip, Qt::IntersectClip);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.drawImage(QPoint(at.x, at.y), image);
    m_painter.restore();
}

} // namespace platform

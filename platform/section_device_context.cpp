#include "platform/section_device_context.h"

#include "platform/blit.h"
#include "platform/display.h"
#include "platform/palette.h"
#include "platform/pixel_format.h"
#include "platform/qt_drawing.h"

#include <QImage>
#include <QPainter>

#include <cstring>

namespace platform {

using detail::ShapePainter;

SectionDeviceContext::SectionDeviceContext(Section& section) : m_section(section) {}

int SectionDeviceContext::logicalDpiX() const
{
    return displayInfo().logicalDpiX;
}

int SectionDeviceContext::logicalDpiY() const
{
    return displayInfo().logicalDpiY;
}

Rect SectionDeviceContext::visible(const Rect& bounds) const
{
    Rect r = bounds.intersected({0, 0, m_section.width(), m_section.height()});
    if (m_clip)
        r = r.intersected(*m_clip);
    return r;
}

void SectionDeviceContext::paint(const Rect& bounds, const std::function<void(QPainter&)>& draw)
{
    const Rect area = visible(bounds);
    if (area.isEmpty())
        return;

    QImage shared = m_section.sharedImage();
    if (!shared.isNull()) {
        {
            QPainter painter(&shared);
            painter.setClipRect(detail::qRect(area));
            draw(painter);
        }
        // QPainter writes 0xFF into the x byte of 32-bit pixels; sections keep it zero.
        if (m_section.bitCount() == 32) {
            for (int y = area.top; y < area.bottom; ++y) {
                auto* row = reinterpret_cast<std::uint32_t*>(m_section.row(y));
                for (int x = area.left; x < area.right; ++x)
                    row[x] &= 0x00FFFFFF;
            }
        }
        return;
    }

    // Draw on a 32-bit copy of the area and write back only the pixels that changed, so that
    // untouched pixels keep their exact index even where colour-table entries repeat.
    const detail::PixelFormat& format = m_section.format();
    QImage copy(area.width(), area.height(), QImage::Format_RGB32);
    if (copy.isNull())
        return;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(area.width()));
    for (int y = area.top; y < area.bottom; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(copy.scanLine(y - area.top));
        detail::readRawRow(m_section.row(y), format.bitCount(), area.left, area.width(), raw.data());
        format.decodeRow(raw.data(), area.width(), out);
        for (int x = 0; x < area.width(); ++x)
            out[x] |= 0xFF000000;
    }
    const QImage before = copy.copy();
    {
        QPainter painter(&copy);
        painter.translate(-area.left, -area.top);
        painter.setClipRect(detail::qRect(area));
        draw(painter);
    }

    const bool monochromeDevice = m_section.kind() == Section::Kind::MonochromeDevice;
    std::unique_ptr<ColourMatcher> matcher;
    if (format.isIndexed() && !monochromeDevice) {
        std::vector<Colour> table;
        for (int i = 0; i < format.tableSize(); ++i)
            table.push_back(detail::colourOfRgb32(format.lookup()[std::size_t(i)]));
        matcher = std::make_unique<ColourMatcher>(table);
    }
    for (int y = area.top; y < area.bottom; ++y) {
        const auto* now = reinterpret_cast<const std::uint32_t*>(copy.constScanLine(y - area.top));
        const auto* was = reinterpret_cast<const std::uint32_t*>(before.constScanLine(y - area.top));
        std::uint8_t* row = m_section.row(y);
        for (int x = 0; x < area.width(); ++x) {
            if (now[x] == was[x])
                continue;
            const detail::Rgb32 colour = now[x] & 0xFFFFFF;
            std::uint32_t value;
            if (monochromeDevice)
                value = colour == 0xFFFFFF ? 1 : 0;
            else if (matcher)
                value = std::uint32_t(matcher->nearestIndex(detail::colourOfRgb32(colour)));
            else if (format.isIndexed())
                value = 0;
            else
                value = format.encode(colour);
            detail::writeRaw(row, format.bitCount(), area.left + x, value);
        }
    }
}

namespace {

bool isMonochromeDevice(const Section& s)
{
    return s.kind() == Section::Kind::MonochromeDevice;
}

// Palettised and monochrome targets get no antialiasing: blended edge colours would only map
// to stray entries.
bool antialiasedTextOn(const Section& s)
{
    return s.bitCount() > 8;
}

} // namespace

void SectionDeviceContext::lineTo(Point p)
{
    const Point from = m_position;
    m_position = p;
    const Point ends[] = {from, p};
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::pointsBounds(ends, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).line(from, p); });
}

void SectionDeviceContext::polyline(std::span<const Point> points)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::pointsBounds(points, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).polyline(points); });
}

void SectionDeviceContext::polygon(std::span<const Point> points)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::pointsBounds(points, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).polygon(points); });
}

void SectionDeviceContext::rectangle(const Rect& r)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).rectangle(r); });
}

void SectionDeviceContext::roundRect(const Rect& r, int cornerWidth, int cornerHeight)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen),
          [&](QPainter& painter) { ShapePainter(painter, state).roundRect(r, cornerWidth, cornerHeight); });
}

void SectionDeviceContext::ellipse(const Rect& r)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen), [&](QPainter& painter) { ShapePainter(painter, state).ellipse(r); });
}

void SectionDeviceContext::arc(const Rect& r, Point start, Point end)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen),
          [&](QPainter& painter) { ShapePainter(painter, state).arc(ShapePainter::ArcKind::Arc, r, start, end); });
}

void SectionDeviceContext::chord(const Rect& r, Point start, Point end)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen),
          [&](QPainter& painter) { ShapePainter(painter, state).arc(ShapePainter::ArcKind::Chord, r, start, end); });
}

void SectionDeviceContext::pie(const Rect& r, Point start, Point end)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::figureBounds(r, state.pen),
          [&](QPainter& painter) { ShapePainter(painter, state).arc(ShapePainter::ArcKind::Pie, r, start, end); });
}

void SectionDeviceContext::fillRect(const Rect& r, const BrushSpec& brush)
{
    // A plain fill is a pattern copy: the blit engine does it exactly, also on palettised and
    // monochrome sections.
    detail::BlitParams params = detail::paramsFor(*this);
    params.destination = r;
    params.brush = brush;
    params.rasterOp = rop::PatCopy;
    detail::blit(m_section, params);
}

void SectionDeviceContext::frameRect(const Rect& r, const BrushSpec& brush)
{
    const Rect n{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
    if (n.isEmpty())
        return;
    fillRect({n.left, n.top, n.right, n.top + 1}, brush);
    fillRect({n.left, n.bottom - 1, n.right, n.bottom}, brush);
    fillRect({n.left, n.top, n.left + 1, n.bottom}, brush);
    fillRect({n.right - 1, n.top, n.right, n.bottom}, brush);
}

void SectionDeviceContext::setPixel(Point p, Colour colour)
{
    if (m_clip && !m_clip->contains(p))
        return;
    m_section.setPixel(p.x, p.y, colour);
}

Colour SectionDeviceContext::pixel(Point p) const
{
    return m_section.pixel(p.x, p.y);
}

void SectionDeviceContext::textOut(Point p, const std::string& utf8)
{
    extTextOut(p, 0, nullptr, utf8);
}

void SectionDeviceContext::extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8)
{
    const auto state = detail::drawStateOf(*this, isMonochromeDevice(m_section), antialiasedTextOn(m_section));
    paint(detail::textBounds(p, rect, state.font, utf8),
          [&](QPainter& painter) { ShapePainter(painter, state).text(p, options, rect, utf8); });
}

Size SectionDeviceContext::textExtent(const std::string& utf8) const
{
    return detail::textExtentOf(m_font, utf8);
}

TextMetrics SectionDeviceContext::textMetrics() const
{
    return detail::textMetricsOf(m_font);
}

void SectionDeviceContext::stretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect,
                                      std::uint32_t rasterOp, Colour sourceBackground)
{
    detail::blit(m_section, detail::stretchParams(*this, destination, source, sourceRect, rasterOp, sourceBackground));
}

void SectionDeviceContext::maskBlt(const Rect& destination, const Section& source, Point sourceOrigin,
                                   const Section& mask, Point maskOrigin, std::uint32_t rasterOp)
{
    detail::blit(m_section, detail::maskParams(*this, destination, source, sourceOrigin, mask, maskOrigin, rasterOp));
}

void SectionDeviceContext::patBlt(const Rect& destination, std::uint32_t rasterOp)
{
    if (detail::usesSource(rop::functionOf(rasterOp)))
        return;  // a pattern blit has no source
    detail::blit(m_section, detail::patternParams(*this, destination, rasterOp));
}

} // namespace platform

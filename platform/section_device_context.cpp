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

SectionDeviceContext::SectionDeviceContext(Section& section) : m_section(section) {}

int SectionDeviceContext::logicalDpiX() const
{
    return displayInfo().logicalDpiX;
}

int SectionDeviceContext::logicalDpiY() const
{
    return displayInfo().logicalDpiY;
}

void SectionDeviceContext::paintDevice(const Rect& bounds, const std::function<void(QPainter&)>& draw)
{
    const Rect area = bounds.intersected({0, 0, m_section.width(), m_section.height()});
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

bool SectionDeviceContext::monochromeTarget() const
{
    return m_section.kind() == Section::Kind::MonochromeDevice;
}

// Palettised and monochrome targets get no antialiasing: blended edge colours would only map
// to stray entries.
bool SectionDeviceContext::antialiasedText() const
{
    return m_section.bitCount() > 8;
}

void SectionDeviceContext::blitDevice(const detail::BlitParams& params)
{
    detail::blit(m_section, params);
}

void SectionDeviceContext::setDevicePixel(Point p, Colour colour)
{
    m_section.setPixel(p.x, p.y, colour);
}

Colour SectionDeviceContext::devicePixel(Point p) const
{
    return m_section.pixel(p.x, p.y);
}

} // namespace platform

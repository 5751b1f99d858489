#include "platform/device_context.h"

#include "platform/painter_device_context.h"
#include "platform/section_device_context.h"

namespace platform {

DeviceContext::~DeviceContext() = default;

const Palette* DeviceContext::selectPalette(const Palette* palette)
{
    const Palette* previous = m_palette;
    m_palette = palette;
    return previous;
}

std::unique_ptr<DeviceContext> makeSectionContext(Section& section)
{
    return std::make_unique<SectionDeviceContext>(section);
}

std::unique_ptr<DeviceContext> makePainterContext(QPainter& painter, int dpiX, int dpiY)
{
    return std::make_unique<PainterDeviceContext>(painter, dpiX, dpiY);
}

} // namespace platform

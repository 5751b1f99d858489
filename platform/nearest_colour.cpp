#include "platform/nearest_colour.h"

#include "platform/device_context.h"
#include "platform/display.h"
#include "platform/section.h"

namespace platform {

Colour nearestColour(const Section& section, Colour colour)
{
    // A one-pixel section coded like the target keeps exactly what the target would keep.
    std::unique_ptr<Section> probe;
    switch (section.kind()) {
    case Section::Kind::DisplayDevice:
        probe = Section::createDisplayCompatible(1, 1);
        break;
    case Section::Kind::MonochromeDevice:
        probe = Section::createMonochrome(1, 1);
        break;
    case Section::Kind::Section: {
        BitmapInfoHeader header = section.header();
        header.biWidth = 1;
        header.biHeight = 1;
        header.biSizeImage = 0;
        probe = Section::create(header, section.colourTable(),
                               header.biCompression == BI_BITFIELDS ? &section.masks() : nullptr);
        break;
    }
    }
    if (!probe)
        return colourToRgb(colour);
    probe->setPixel(0, 0, colour);
    return probe->pixel(0, 0);
}

Colour nearestColour(const DeviceContext& context, Colour colour)
{
    if (const Section* section = context.section())
        return nearestColour(*section, colour);
    return colourToRgb(colour);
}

} // namespace platform

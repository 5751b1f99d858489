#include "platform/display.h"

#include <QGuiApplication>
#include <QScreen>

#include <array>
#include <cmath>

namespace platform {

namespace {

// The classic default scheme, as colour values 0x00BBGGRR.
constexpr std::array<Colour, systemColourCount> classicScheme{
    0xC0C0C0,  //  0 scroll bar
    0x808000,  //  1 desktop background (teal)
    0x800000,  //  2 active caption (navy)
    0x808080,  //  3 inactive caption
    0xC0C0C0,  //  4 menu
    0xFFFFFF,  //  5 window
    0x000000,  //  6 window frame
    0x000000,  //  7 menu text
    0x000000,  //  8 window text
    0xFFFFFF,  //  9 caption text
    0xC0C0C0,  // 10 active border
    0xC0C0C0,  // 11 inactive border
    0x808080,  // 12 application workspace
    0x800000,  // 13 highlight (navy)
    0xFFFFFF,  // 14 highlight text
    0xC0C0C0,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 gray text
    0x000000,  // 18 button text
    0xC0C0C0,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x000000,  // 21 3-D dark shadow
    0xC0C0C0,  // 22 3-D light
    0x000000,  // 23 tooltip text
    0xE1FFFF,  // 24 tooltip background (pale yellow)
    0x000000,  // 25 unused in the classic scheme
    0xFF0000,  // 26 hot-tracked item (blue)
    0xD08410,  // 27 active caption gradient
    0xB5B5B5,  // 28 inactive caption gradient
    0x800000,  // 29 menu highlight
    0xC0C0C0,  // 30 menu bar
};

int millimetresOf(int pixels, double dpi)
{
    return int(std::lround(pixels * 25.4 / dpi));
}

} // namespace

DisplayInfo displayInfo()
{
    DisplayInfo info;
    info.millimetres = {millimetresOf(info.pixels.cx, 96), millimetresOf(info.pixels.cy, 96)};
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return info;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return info;
    info.logicalDpiX = std::max(1, int(std::lround(screen->logicalDotsPerInchX())));
    info.logicalDpiY = std::max(1, int(std::lround(screen->logicalDotsPerInchY())));
    const QSize size = screen->size();
    if (size.width() > 0 && size.height() > 0)
        info.pixels = {size.width(), size.height()};
    const QSizeF physical = screen->physicalSize();
    if (physical.width() > 0 && physical.height() > 0)
        info.millimetres = {int(std::lround(physical.width())), int(std::lround(physical.height()))};
    else
        info.millimetres = {millimetresOf(info.pixels.cx, info.logicalDpiX),
                            millimetresOf(info.pixels.cy, info.logicalDpiY)};
    return info;
}

Colour systemColour(int index)
{
    if (index < 0 || index >= systemColourCount)
        return 0;
    return classicScheme[std::size_t(index)];
}

Colour resolveSystemColour(Colour colour)
{
    if (colour & 0x80000000u)
        return systemColour(int(colour & 0xFF));
    return colour;
}

Colour colourToRgb(Colour colour)
{
    return rgbPart(resolveSystemColour(colour));
}

} // namespace platform

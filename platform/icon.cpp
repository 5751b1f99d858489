#include "platform/icon.h"

#include "platform/device_context.h"
#include "platform/display.h"

#include <QImage>

#include <new>

namespace platform {

namespace {

constexpr Colour black = 0x000000;
constexpr Colour white = 0xFFFFFF;
constexpr Colour navy = rgb(0x00, 0x00, 0x80);

std::unique_ptr<Icon> makeDefaultApplicationIcon()
{
    // A window: black frame, navy title bar, white client area; see-through around it.
    const Size size = displayInfo().iconSize;
    auto colour = Section::createDisplayCompatible(size.cx, size.cy);
    auto mask = Section::createMonochrome(size.cx, size.cy);
    if (!colour || !mask)
        throw std::bad_alloc();  // 32 × 32 pixels fail only when memory does
    mask->fill(white);
    const Rect frame{1, 3, size.cx - 1, size.cy - 3};
    for (int y = frame.top; y < frame.bottom; ++y)
        for (int x = frame.left; x < frame.right; ++x) {
            mask->setPixel(x, y, black);
            const bool edge = x == frame.left || y == frame.top || x == frame.right - 1 || y == frame.bottom - 1;
            const bool titleBar = y < frame.top + 6;
            colour->setPixel(x, y, edge ? black : titleBar ? navy : white);
        }
    return Icon::create(std::move(colour), std::move(mask), /*alpha=*/false);
}

} // namespace

std::unique_ptr<Icon> Icon::create(std::unique_ptr<Section> colour, std::unique_ptr<Section> mask, bool alpha)
{
    if (!colour || !mask || colour->kind() != Section::Kind::DisplayDevice
        || mask->kind() != Section::Kind::MonochromeDevice || colour->width() != mask->width()
        || colour->height() != mask->height())
        return nullptr;
    return std::unique_ptr<Icon>(new Icon(std::move(colour), std::move(mask), alpha));
}

const Icon& defaultApplicationIcon()
{
    // Kept for the whole run, as the platform's stock icons are.
    static const Icon& icon = *makeDefaultApplicationIcon().release();
    return icon;
}

void drawIcon(DeviceContext& context, Point at, const Icon& icon)
{
    if (icon.hasAlpha()) {
        context.alphaBlend(at, icon.colour());
        return;
    }
    // The mask's 1 bits paint white under AND (the destination stays) and its 0 bits black (the
    // destination is cleared); the colour bits are then XORed in.
    const Colour text = context.textColour();
    const Colour background = context.backgroundColour();
    context.setTextColour(black);
    context.setBackgroundColour(white);
    const Rect all{0, 0, icon.width(), icon.height()};
    context.bitBlt(at, icon.mask(), all, rop::SrcAnd);
    context.bitBlt(at, icon.colour(), all, rop::SrcInvert);
    context.setTextColour(text);
    context.setBackgroundColour(background);
}

QImage iconImage(const Icon& icon)
{
    QImage image(icon.width(), icon.height(), QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const Section& colour = icon.colour();
    const Section& mask = icon.mask();
    for (int y = 0; y < icon.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* row = colour.row(y);
        for (int x = 0; x < icon.width(); ++x) {
            const Colour c = colour.pixel(x, y);
            int alpha = 255;
            if (icon.hasAlpha())
                alpha = row[std::size_t(x) * 4 + 3];
            else if (mask.pixel(x, y) == white)
                alpha = rgbPart(c) == black ? 0 : 255;
            out[x] = qRgba(redOf(c), greenOf(c), blueOf(c), alpha);
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace platform

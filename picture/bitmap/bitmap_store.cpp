#include "picture/bitmap/bitmap_image.h"

#include "framework/colors.h"
#include "platform/palette.h"
#include "platform/device_context.h"

#include <cstdlib>

namespace {

constexpr platform::Colour black = 0x000000;
constexpr platform::Colour white = 0xFFFFFF;

constexpr std::array<std::uint32_t, 3> defaultMasks16{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> defaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

// The colour table of a new palettised section.
std::vector<platform::RgbQuad> colourTableFor(int bitCount, const platform::Section* source,
                                              const platform::Palette* palette,
                                              platform::BitmapInfoHeader& header)
{
    if (bitCount == 1 && (!source || source->isDevice()))
        return {platform::quadOf(black), platform::quadOf(white)};
    if (palette)
        return colourTableFromPalette(*palette);
    if (source && !source->isDevice() && !source->colourTable().empty()) {
        header.biClrUsed = std::uint32_t(source->colourTable().size());
        return source->colourTable();
    }
    // A device bitmap in the display's format has no colours of its own to offer: use the
    // table that stands for the depth (black and white, the standard 16, the halftone 256).
    if (bitCount == 1)
        return {platform::quadOf(black), platform::quadOf(white)};
    if (bitCount == 4)
        return colourTableFromPalette(platform::standardPalette16());
    return colourTableFromPalette(platform::createHalftonePalette());
}

} // namespace

void copyPixels(const platform::Section& source, platform::Section& target, platform::Colour text,
                platform::Colour background)
{
    const auto context = platform::makeSectionContext(target);
    context->setTextColour(text);
    context->setBackgroundColour(background);
    context->bitBlt({0, 0}, source, {0, 0, source.width(), source.height()}, platform::rop::SrcCopy);
}

std::unique_ptr<platform::Section> toDisplayDevice(const platform::Section& source,
                                                   platform::Colour text, platform::Colour background)
{
    auto device = platform::Section::createDisplayCompatible(source.width(), source.height());
    if (!device)
        OutOfResources();
    copyPixels(source, *device, text, background);
    return device;
}

std::unique_ptr<platform::Section> makeMaskOf(const platform::Section& pixels, std::int32_t key)
{
    auto mask = platform::Section::createMonochrome(pixels.width(), pixels.height());
    if (!mask)
        OutOfResources();
    if (key == clNone)
        return mask;
    // Colour to monochrome sets 1 where the source shows its background colour; comparing in
    // the display's format makes every colour coding compare alike.
    std::unique_ptr<platform::Section> converted;
    const platform::Section* display = &pixels;
    if (pixels.kind() != platform::Section::Kind::DisplayDevice) {
        converted = toDisplayDevice(pixels);
        display = converted.get();
    }
    const auto context = platform::makeSectionContext(*mask);
    context->bitBlt({0, 0}, *display, {0, 0, pixels.width(), pixels.height()}, platform::rop::SrcCopy,
                    ColorToRGB(key));
    return mask;
}

std::unique_ptr<platform::Section> remakeBitmap(const platform::Section* source,
                                                const DibDescription& target,
                                                const platform::Palette* palette,
                                                const std::optional<SurfaceColours>& surface)
{
    const bool hasHeader = target.dsBmih.biSize != 0;
    const std::int64_t width = hasHeader ? target.dsBmih.biWidth : target.dsBm.bmWidth;
    const std::int64_t height =
        hasHeader ? std::llabs(std::int64_t(target.dsBmih.biHeight)) : target.dsBm.bmHeight;
    if (width == 0 || height == 0)
        return nullptr;

    std::unique_ptr<platform::Section> made;
    if (hasHeader) {
        platform::BitmapInfoHeader header = target.dsBmih;
        header.biSize = 40;
        header.biPlanes = 1;
        // A description that never named a depth takes the display's.
        if (header.biBitCount == 0)
            header.biBitCount = std::uint16_t(displayBitsPerPixel());
        const int bitCount = header.biBitCount;
        std::vector<platform::RgbQuad> colours;
        if (bitCount <= 8)
            colours = colourTableFor(bitCount, source, palette, header);
        std::array<std::uint32_t, 3> masks{};
        const std::array<std::uint32_t, 3>* maskArgument = nullptr;
        if ((bitCount == 16 || bitCount == 32) && header.biCompression == platform::BI_BITFIELDS) {
            masks = target.dsBitfields;
            if (masks[0] == 0)
                masks = bitCount == 16 ? defaultMasks16 : defaultMasks32;
            maskArgument = &masks;
        }
        made = platform::Section::create(header, colours, maskArgument);
        if (!made)
            OutOfResources();
        // Same size and no colour table: the pixels convert straight across, nothing to fill.
        if (source && source->width() == made->width() && source->height() == made->height()
            && bitCount > 8) {
            copyPixels(*source, *made);
            return made;
        }
    } else {
        const bool monochrome = target.dsBm.bmPlanes == 1 && target.dsBm.bmBitsPixel == 1;
        made = monochrome ? platform::Section::createMonochrome(int(width), int(height))
                          : platform::Section::createDisplayCompatible(int(width), int(height));
        if (!made)
            OutOfResources();
    }

    if (surface) {
        if (made->bitCount() == 1 && !made->isDevice() && source && !source->isDevice()) {
            const platform::RgbQuad table[] = {platform::quadOf(surface->font),
                                               platform::quadOf(surface->brush)};
            made->setColourTable(0, table);
        }
        made->fill(surface->brush);
    } else {
        made->fill(white);
    }
    if (source)
        copyPixels(*source, *made);
    return made;
}

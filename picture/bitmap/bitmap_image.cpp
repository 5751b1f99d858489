#include "picture/bitmap/bitmap_image.h"

#include "platform/display.h"
#include "platform/palette.h"

#include <algorithm>

DibDescription describeBitmap(const platform::Section& bitmap)
{
    DibDescription d;
    d.dsBm.bmWidth = bitmap.width();
    d.dsBm.bmHeight = bitmap.height();
    d.dsBm.bmWidthBytes = std::int32_t(bitmap.stride());
    d.dsBm.bmPlanes = 1;
    d.dsBm.bmBitsPixel = std::uint16_t(bitmap.bitCount());
    d.dsBm.bmBits = const_cast<std::uint8_t*>(bitmap.bits());
    if (bitmap.isDevice())
        return d;
    d.dsBmih = bitmap.header();
    if (bitmap.compression() == platform::BI_BITFIELDS)
        d.dsBitfields = bitmap.masks();
    return d;
}

DibDescription sectionFormOf(const DibDescription& device)
{
    DibDescription target = device;
    target.dsBmih = {};
    target.dsBitfields = {};
    target.dsBmih.biSize = 40;
    target.dsBmih.biWidth = device.dsBm.bmWidth;
    target.dsBmih.biHeight = device.dsBm.bmHeight;
    target.dsBmih.biPlanes = 1;
    target.dsBmih.biBitCount = std::uint16_t(device.dsBm.bmPlanes * device.dsBm.bmBitsPixel);
    return target;
}

TBitmapImage::TBitmapImage(std::unique_ptr<platform::Section> pixels, TPaletteHandle colours, bool coreHeader)
    : palette(std::move(colours)), os2(coreHeader)
{
    setPixels(std::move(pixels));
}

TBitmapImage* TBitmapImage::clone() const
{
    auto* copy = new TBitmapImage();
    copy->description = description;
    copy->palette = palette;
    copy->os2 = os2;
    copy->halftone = halftone;
    if (m_pixels) {
        std::unique_ptr<platform::Section> pixels = m_pixels->clone();
        if (!pixels) {
            delete copy;
            OutOfResources();
        }
        copy->setPixels(std::move(pixels));
    }
    return copy;
}

platform::Section* TBitmapImage::section() const
{
    return m_pixels && !m_pixels->isDevice() ? m_pixels.get() : nullptr;
}

platform::Section* TBitmapImage::deviceBitmap() const
{
    return m_pixels && m_pixels->isDevice() ? m_pixels.get() : nullptr;
}

void TBitmapImage::setPixels(std::unique_ptr<platform::Section> pixels)
{
    m_pixels = std::move(pixels);
    mask.reset();
    if (m_pixels)
        description = describeBitmap(*m_pixels);
    else
        description.dsBm.bmBits = nullptr;
}

std::unique_ptr<platform::Section> TBitmapImage::takePixels()
{
    std::unique_ptr<platform::Section> pixels = std::move(m_pixels);
    mask.reset();
    description.dsBm.bmBits = nullptr;
    return pixels;
}

void TBitmapImage::FreeHandles()
{
    m_pixels.reset();
    mask.reset();
    palette.reset();
}

std::mutex& sharedStoreMutex()
{
    static std::mutex mutex;
    return mutex;
}

int displayBitsPerPixel()
{
    const platform::DisplayInfo display{};
    return display.bitsPerPixel * display.planes;
}

TPaletteHandle standardPalette16Handle()
{
    // Shared by every user and never freed: the handle owns nothing.
    static const TPaletteHandle handle(std::shared_ptr<const platform::Palette>(), &platform::standardPalette16());
    return handle;
}

TPaletteHandle paletteFromColourTable(std::span<const platform::RgbQuad> colours)
{
    std::vector<platform::PaletteEntry> entries;
    entries.reserve(colours.size());
    for (const platform::RgbQuad& q : colours)
        entries.push_back({q.red, q.green, q.blue, 0});
    return std::make_shared<const platform::Palette>(std::move(entries));
}

std::vector<platform::RgbQuad> colourTableFromPalette(const platform::Palette& palette)
{
    std::vector<platform::RgbQuad> table;
    const std::size_t count = std::min<std::size_t>(palette.entries().size(), 256);
    table.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const platform::PaletteEntry& e = palette.entries()[i];
        table.push_back({e.blue, e.green, e.red, 0});
    }
    return table;
}

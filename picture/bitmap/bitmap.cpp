#include "picture/bitmap/bitmap.h"

#include "picture/bitmap/bitmap_canvas.h"
#include "picture/bitmap/bitmap_image.h"
#include "platform/device_context.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <cstdlib>

namespace {

constexpr auto invalidPixelFormat = "Invalid pixel format";
constexpr auto scanLineOutOfRange = "Scan line index out of range";

constexpr std::array<std::uint32_t, 3> masks565{0xF800, 0x07E0, 0x001F};

int bitCountOf(TPixelLayout layout)
{
    switch (layout) {
    case pl1Bit: return 1;
    case pl4Bit: return 4;
    case pl8Bit: return 8;
    case pl15Bit:
    case pl16Bit: return 16;
    case pl24Bit: return 24;
    case pl32Bit: return 32;
    case plDevice:
    case plCustom: break;
    }
    return 0;
}

} // namespace

PICTAVO_DEFINE_CLASS(TBitmap, TGraphic, createObjectOf<TBitmap>, nullptr)

TBitmap::TBitmap() : m_image(new TBitmapImage()) {}

TBitmap::~TBitmap()
{
    m_surface.reset();
    std::lock_guard lock(sharedStoreMutex());
    m_image = SharedRef<TBitmapImage>();
}

TBitmapImage& TBitmap::ownImage()
{
    bool copied = false;
    {
        std::lock_guard lock(sharedStoreMutex());
        if (m_image->refCount() > 1) {
            m_image = SharedRef(m_image->clone());
            copied = true;
        }
    }
    // The surface drew into the shared pixels; it must draw into the copy from now on.
    if (copied)
        dropSurfaceContext();
    return *m_image;
}

void TBitmap::replaceImage(TBitmapImage* image)
{
    SharedRef<TBitmapImage> fresh(image);
    dropSurfaceContext();
    {
        std::lock_guard lock(sharedStoreMutex());
        std::swap(m_image, fresh);
    }
    m_maskValid = false;
    m_ignorePalette = false;
}

void TBitmap::dropSurfaceContext()
{
    if (m_surface)
        m_surface->FreeContext();
}

void TBitmap::surfaceChanging()
{
    ownImage();
}

void TBitmap::remake(const DibDescription& target, TPaletteHandle palette, bool halftone)
{
    std::optional<SurfaceColours> surface;
    if (m_surface)
        surface = SurfaceColours{ColorToRGB(m_surface->Brush().Color()), ColorToRGB(m_surface->Font().Color())};
    std::unique_ptr<platform::Section> pixels =
        remakeBitmap(m_image->pixels(), target, palette.get(), surface);
    auto* image = new TBitmapImage(std::move(pixels), std::move(palette), m_image->os2);
    image->halftone = halftone;
    // An image without pixels keeps the size and layout it was asked for.
    if (!image->pixels())
        image->description = target;
    image->description.dsBm.bmBits = image->pixels() ? image->pixels()->bits() : nullptr;
    replaceImage(image);
}

bool TBitmap::handleNeeded()
{
    if (m_image->pixels())
        return true;
    const DibDescription& d = m_image->description;
    const bool hasSize = d.dsBmih.biSize != 0 ? d.dsBmih.biWidth != 0 && d.dsBmih.biHeight != 0
                                               : d.dsBm.bmWidth != 0 && d.dsBm.bmHeight != 0;
    if (!hasSize)
        return false;
    // The pixels were handed away; the bitmap keeps its size with fresh pixels.
    DibDescription target = d;
    remake(target, m_image->palette, m_image->halftone);
    return m_image->pixels() != nullptr;
}

bool TBitmap::sectionNeeded()
{
    if (!handleNeeded())
        return false;
    if (m_image->section())
        return true;
    // A device bitmap becomes a section of its own depth: 32 bits for the display's format, 1
    // bit (black and white) for a monochrome one.
    remake(sectionFormOf(m_image->description), m_image->palette, m_image->halftone);
    return m_image->section() != nullptr;
}

void TBitmap::paletteNeeded()
{
    TBitmapImage& image = *m_image;
    if (m_ignorePalette || image.palette || !image.section())
        return;
    const platform::Section& section = *image.section();
    if (section.bitCount() <= 8 && !section.colourTable().empty()) {
        // This display has no hardware palette, so a 16-colour table is used as it stands.
        const std::size_t count =
            std::min<std::size_t>(section.colourTable().size(), std::size_t(1) << section.bitCount());
        image.palette = paletteFromColourTable(std::span(section.colourTable()).first(count));
    } else if (image.halftone || displayBitsPerPixel() < section.bitCount()) {
        image.palette = std::make_shared<const platform::Palette>(platform::createHalftonePalette());
        image.halftone = true;
    }
    if (!image.palette)
        m_ignorePalette = true;
}

void TBitmap::CopyFrom(const TPersistent* source)
{
    if (!source) {
        replaceImage(new TBitmapImage());
    } else if (source->InheritsFrom(TBitmap::StaticClass())) {
        const auto* other = static_cast<const TBitmap*>(source);
        if (other != this) {
            dropSurfaceContext();
            {
                std::lock_guard lock(sharedStoreMutex());
                m_image = other->m_image;
            }
            m_maskValid = false;
            m_ignorePalette = false;
            m_transparentKey = other->m_transparentKey;
            m_transparentKeyMode = other->m_transparentKeyMode;
        }
    } else {
        TGraphic::CopyFrom(source);
    }
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

void TBitmap::NotifyChange(TObject* sender)
{
    m_maskBitsValid = false;
    TGraphic::NotifyChange(sender);
}

bool TBitmap::IsEmpty() const
{
    return m_image->pixels() == nullptr;
}

int TBitmap::ReadWidth() const
{
    return m_image->description.dsBm.bmWidth;
}

int TBitmap::ReadHeight() const
{
    return std::abs(m_image->description.dsBm.bmHeight);
}

TPaletteHandle TBitmap::ReadPalette()
{
    paletteNeeded();
    return m_image->palette;
}

void TBitmap::WriteWidth(int value)
{
    value = std::max(value, 0);
    if (value == ReadWidth())
        return;
    DibDescription target = m_image->description;
    target.dsBm.bmWidth = value;
    target.dsBmih.biWidth = value;
    remake(target, m_image->palette, m_image->halftone);
    NotifyChange(this);
}

void TBitmap::WriteHeight(int value)
{
    value = std::max(value, 0);
    if (value == ReadHeight())
        return;
    DibDescription target = m_image->description;
    target.dsBm.bmHeight = value;
    // Rows keep their order in memory.
    target.dsBmih.biHeight = target.dsBmih.biHeight < 0 ? -value : value;
    remake(target, m_image->palette, m_image->halftone);
    NotifyChange(this);
}

void TBitmap::WritePalette(TPaletteHandle palette)
{
    if (palette == m_image->palette)
        return;
    if (!palette && m_image->refCount() == 1) {
        m_image->palette.reset();
        m_image->halftone = false;
    } else {
        remake(m_image->description, palette);
    }
    if (palette && m_image->section() && m_image->section()->bitCount() <= 8) {
        const std::vector<platform::RgbQuad> table = colourTableFromPalette(*palette);
        ownImage().section()->setColourTable(0, table);
    }
    SetPaletteChangedFlag(true);
    NotifyChange(this);
}

TPixelLayout TBitmap::PixelLayout() const
{
    if (Storage() == bsDevice)
        return plDevice;
    const platform::BitmapInfoHeader& header = m_image->description.dsBmih;
    switch (header.biBitCount) {
    case 1: return pl1Bit;
    case 4: return pl4Bit;
    case 8: return pl8Bit;
    case 16:
        if (header.biCompression == platform::BI_RGB)
            return pl15Bit;
        if (header.biCompression == platform::BI_BITFIELDS && m_image->description.dsBitfields[1] == 0x07E0)
            return pl16Bit;
        return plCustom;
    case 24: return pl24Bit;
    case 32: return header.biCompression == platform::BI_RGB ? pl32Bit : plCustom;
    default: return plCustom;
    }
}

void TBitmap::SetPixelLayout(TPixelLayout layout)
{
    if (layout == PixelLayout())
        return;
    if (layout == plCustom)
        throw EInvalidGraphic(invalidPixelFormat);
    if (layout == plDevice) {
        SetStorage(bsDevice);
        return;
    }
    const DibDescription& current = m_image->description;
    DibDescription target;
    target.dsBm = current.dsBm;
    target.dsBm.bmBits = nullptr;
    target.dsBmih.biSize = 40;
    target.dsBmih.biWidth = current.dsBm.bmWidth;
    target.dsBmih.biHeight = current.dsBm.bmHeight;
    target.dsBmih.biPlanes = 1;
    target.dsBmih.biBitCount = std::uint16_t(bitCountOf(layout));
    target.dsBmih.biCompression = platform::BI_RGB;
    TPaletteHandle palette = m_image->palette;
    bool halftone = false;
    switch (layout) {
    case pl4Bit:
        palette = standardPalette16Handle();
        break;
    case pl8Bit:
        palette = std::make_shared<const platform::Palette>(platform::createHalftonePalette());
        halftone = true;
        break;
    case pl16Bit:
        target.dsBmih.biCompression = platform::BI_BITFIELDS;
        target.dsBitfields = masks565;
        break;
    default:
        break;
    }
    remake(target, std::move(palette), halftone);
    SetPaletteChangedFlag(m_image->palette != nullptr);
    NotifyChange(this);
}

TBitmapStorage TBitmap::Storage() const
{
    if (m_image->deviceBitmap())
        return bsDevice;
    if (!m_image->section() && m_image->description.dsBmih.biSize == 0)
        return bsDevice;
    return bsSection;
}

void TBitmap::SetStorage(TBitmapStorage storage)
{
    if (!m_image->pixels()) {
        // Nothing to convert: only the form of later pixels changes.
        ownImage().description.dsBmih.biSize = storage == bsDevice ? 0 : 40;
        return;
    }
    if (storage == Storage())
        return;
    if (storage == bsSection) {
        sectionNeeded();
    } else {
        paletteNeeded();
        DibDescription target = m_image->description;
        target.dsBmih.biSize = 0;
        // A device bitmap in the display's format, whatever the section's depth.
        target.dsBm.bmPlanes = 1;
        target.dsBm.bmBitsPixel = std::uint16_t(displayBitsPerPixel());
        remake(target, m_image->palette, m_image->halftone);
    }
    NotifyChange(this);
}

bool TBitmap::IsMonochrome() const
{
    const BitmapRecord& bm = m_image->description.dsBm;
    return bm.bmPlanes == 1 && bm.bmBitsPixel == 1;
}

void TBitmap::SetIsMonochrome(bool value)
{
    if (value == IsMonochrome())
        return;
    DibDescription target = m_image->description;
    target.dsBmih = {};
    target.dsBitfields = {};
    target.dsBm.bmPlanes = 1;
    target.dsBm.bmBitsPixel = std::uint16_t(value ? 1 : displayBitsPerPixel());
    remake(target, m_image->palette, m_image->halftone);
    NotifyChange(this);
}

std::uint8_t* TBitmap::RowAddress(int row)
{
    if (row < 0 || row >= ReadHeight())
        throw EInvalidGraphicOperation(scanLineOutOfRange);
    if (!sectionNeeded())
        throw EInvalidGraphicOperation(scanLineOutOfRange);
    // Rows are written through the address: the pixels must be this bitmap's alone.
    platform::Section& section = *ownImage().section();
    if (m_surface && m_surface->HandleAllocated())
        m_surface->Handle()->flush();
    // Rows are stored bottom-up unless the height is negative.
    const std::ptrdiff_t memoryRow = section.isTopDown() ? row : section.height() - row - 1;
    return section.bits() + section.stride() * memoryRow;
}

TCanvas& TBitmap::Surface()
{
    if (!m_surface) {
        paletteNeeded();
        m_surface = std::make_unique<TBitmapCanvas>(*this);
    }
    return *m_surface;
}

TColor TBitmap::TransparentKey() const
{
    if (m_transparentKeyMode == tkFixed && m_transparentKey != transparentKeyNone) {
        // System colours are looked up; any other value keeps its bits (clNone stays clNone).
        const TColor rgb = m_transparentKey < 0 ? TColor(ColorToRGB(m_transparentKey)) : m_transparentKey;
        return rgb | TColor(platform::paletteRelativeFlag);
    }
    if (IsMonochrome())
        return TColor(0x02FFFFFF);
    const platform::Section* pixels = m_image->pixels();
    const platform::Colour bottomLeft = pixels ? pixels->pixel(0, pixels->height() - 1) : 0;
    return TColor(platform::rgbPart(bottomLeft) | platform::paletteRelativeFlag);
}

void TBitmap::SetTransparentKey(TColor value)
{
    if (value == m_transparentKey)
        return;
    m_transparentKeyMode = value == transparentKeyNone ? tkAuto : tkFixed;
    m_transparentKey = value;
    // The mask kept with the pixels belongs to the colour; other sharers keep theirs.
    ownImage();
    m_maskValid = false;
    NotifyChange(this);
}

platform::Section* TBitmap::PlatformHandle()
{
    dropSurfaceContext();
    handleNeeded();
    return ownImage().pixels();
}

void TBitmap::SetPlatformHandle(std::unique_ptr<platform::Section> bitmap)
{
    if (bitmap && bitmap.get() == m_image->pixels()) {
        // Already ours: the store owns it and keeps doing so.
        (void)bitmap.release();
        return;
    }
    replaceImage(new TBitmapImage(std::move(bitmap), m_image->palette, /*os2=*/false));
    NotifyChange(this);
}

std::unique_ptr<platform::Section> TBitmap::ReleasePlatformHandle()
{
    handleNeeded();
    TBitmapImage& image = ownImage();
    dropSurfaceContext();
    m_maskValid = false;
    return image.takePixels();
}

void TBitmap::ReleaseDeviceCopy()
{
    dropSurfaceContext();
    sectionNeeded();
    TBitmapImage& image = ownImage();
    image.mask.reset();
    image.palette.reset();
    image.halftone = false;
    m_maskValid = false;
    m_ignorePalette = false;
}

void RegisterBitmapFormat()
{
    if (FileFormats().Contains("bmp", TBitmap::StaticClass()))
        return;
    RegisterFileFormat("bmp", "Bitmaps", TBitmap::StaticClass());
    RegisterClipboardFormat(2, TBitmap::StaticClass());
}

TBitmap* TPicture::Bitmap()
{
    return GraphicAs<TBitmap>();
}

#pragma once
// The shared pixel store of bitmaps, and the description of a platform bitmap in the layout the
// bitmap file format uses. Internal to the bitmap module.

#include "picture/picture.h"
#include "picture/shared_image.h"
#include "platform/section.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace platform {
class Palette;
}

// The platform's summary of a bitmap: size, row stride, planes, bits per pixel, pixel address.
struct BitmapRecord {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

// A bitmap described as a device-independent section: the summary, the info header, the colour
// masks. biSize 0 in the header means there is no device-independent description: the image
// is a device bitmap only.
struct DibDescription {
    BitmapRecord dsBm;
    platform::BitmapInfoHeader dsBmih;
    std::array<std::uint32_t, 3> dsBitfields{};
    void* dshSection = nullptr;  // never used here
    std::uint32_t dsOffset = 0;
};

// The platform's description of a bitmap. A section reports its header and masks; a device
// bitmap (display format or monochrome) reports only its summary.
DibDescription describeBitmap(const platform::Section& bitmap);

// The section form of a device bitmap's description: a 40-byte header of the same size, 1 plane,
// and as many bits per pixel as the device bitmap has (planes × bits).
DibDescription sectionFormOf(const DibDescription& device);

// A pixel store shared by bitmaps. It holds at most one pixel bitmap: a section (which then
// also serves as the device handle) or a device bitmap; a separate section beside a device
// bitmap is never kept, so rows reached by address are the ones that are drawn.
class TBitmapImage : public TSharedImage {
public:
    TBitmapImage() = default;
    TBitmapImage(std::unique_ptr<platform::Section> pixels, TPaletteHandle palette, bool os2);

    // A record of its own with the same description and pixels; palettes are shared (they
    // never change once made).
    TBitmapImage* clone() const;

    platform::Section* pixels() const { return m_pixels.get(); }
    // The section, or null when the image is held as a device bitmap (or not at all).
    platform::Section* section() const;
    // A device bitmap, or null when the pixels are a section (or there are none).
    platform::Section* deviceBitmap() const;
    // Replaces the pixels (description follows them; the mask goes).
    void setPixels(std::unique_ptr<platform::Section> pixels);
    std::unique_ptr<platform::Section> takePixels();

    DibDescription description;
    TPaletteHandle palette;
    std::unique_ptr<platform::Section> mask;
    bool os2 = false;       // read from a file with the 12-byte core header
    bool halftone = false;  // the palette is the display's halftone palette

protected:
    void FreeHandles() override;

private:
    std::unique_ptr<platform::Section> m_pixels;
};

// The process-wide lock under which a bitmap replaces its store or takes a reference to
// another bitmap's store.
std::mutex& sharedStoreMutex();

// Bits per pixel of the display (bits × planes). The display's format is fixed, so no screen
// needs asking.
int displayBitsPerPixel();

// The shared 16-colour standard palette (never freed).
TPaletteHandle standardPalette16Handle();
// A palette from colour-table entries (blue, green, red, 0 → red, green, blue, flags 0).
TPaletteHandle paletteFromColourTable(std::span<const platform::RgbQuad> colours);
// Colour-table entries from a palette, at most 256.
std::vector<platform::RgbQuad> colourTableFromPalette(const platform::Palette& palette);

// The colours of a bitmap's drawing surface, which a re-made bitmap is filled with.
struct SurfaceColours {
    platform::Colour brush = 0xFFFFFF;
    platform::Colour font = 0x000000;
};

// Makes the pixels for a target description and copies the old pixels (when there are any)
// unscaled to its top-left corner: a larger size shows the old picture at the top left on white
// (or the surface's brush colour), a smaller one crops it. A target with an info header is a
// section (colour table from the palette, else from the source, else a default table; masks
// from the description); one without is a device bitmap, monochrome for 1 plane of 1 bit.
// Returns null when the target has no pixels (zero width or height); raises EOutOfResources
// when the platform refuses the bitmap.
std::unique_ptr<platform::Section> remakeBitmap(const platform::Section* source,
                                                const DibDescription& target,
                                                const platform::Palette* palette,
                                                const std::optional<SurfaceColours>& surface);

// Copies the source unscaled onto the target's top-left corner, converting the pixels to the
// target's coding (nearest colour-table entry for palettised targets). A monochrome device source
// takes `text` for 0 bits and `background` for 1 bits.
void copyPixels(const platform::Section& source, platform::Section& target,
                platform::Colour text = 0x000000, platform::Colour background = 0xFFFFFF);

// A device bitmap in the display's format with the source's pixels.
std::unique_ptr<platform::Section> toDisplayDevice(const platform::Section& source,
                                                   platform::Colour text = 0x000000,
                                                   platform::Colour background = 0xFFFFFF);

// The 1-bit mask of the pixels of colour `key` (1 there, 0 elsewhere); all 0 for clNone.
// Colours are compared in the display's format.
std::unique_ptr<platform::Section> makeMaskOf(const platform::Section& pixels, std::int32_t key);

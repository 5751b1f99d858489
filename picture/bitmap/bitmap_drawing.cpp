// Drawing a bitmap into a rectangle of another canvas, opaque or through its transparency mask.

#include "picture/bitmap/bitmap.h"

#include "picture/bitmap/bitmap_image.h"
#include "platform/device_context.h"
#include "platform/palette.h"
#include "platform/section.h"

namespace {

constexpr platform::Colour black = 0x000000;
constexpr platform::Colour white = 0xFFFFFF;

// A masked copy whose mask keeps the destination where it is 1 (foreground: the destination
// as it is) and copies the source where it is 0 (background: source copy).
constexpr std::uint32_t keepWhereMaskIsSet = 0xCCAA0029;

// Restores a context's palette, stretch mode and colours when drawing ends, however it ends.
class SavedState {
public:
    explicit SavedState(platform::DeviceContext& dc)
        : m_dc(dc), m_palette(dc.palette()), m_text(dc.textColour()), m_background(dc.backgroundColour())
    {
    }
    ~SavedState()
    {
        m_dc.selectPalette(m_palette);
        m_dc.setTextColour(m_text);
        m_dc.setBackgroundColour(m_background);
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    platform::DeviceContext& m_dc;
    const platform::Palette* m_palette;
    platform::Colour m_text;
    platform::Colour m_background;
};

} // namespace

void TBitmap::updateMask()
{
    TBitmapImage& image = *m_image;
    if (!image.pixels())
        return;
    // A fixed clNone means nothing is see-through; otherwise the key's colour is.
    const TColor key = m_transparentKeyMode == tkFixed && m_transparentKey == clNone ? clNone : TransparentKey();
    image.mask = makeMaskOf(*image.pixels(), key);
    m_maskValid = true;
    m_maskBitsValid = true;
}

const platform::Section* TBitmap::MaskBitmap()
{
    if (!handleNeeded())
        return nullptr;
    if (!m_maskValid || !m_maskBitsValid || !m_image->mask)
        updateMask();
    return m_image->mask.get();
}

void TBitmap::MakeMask(TColor colour)
{
    if (!handleNeeded())
        return;
    std::unique_ptr<platform::Section> mask = makeMaskOf(*m_image->pixels(), colour);
    replaceImage(new TBitmapImage(std::move(mask), m_image->palette, m_image->os2));
    NotifyChange(this);
}

void TBitmap::PaintInto(TCanvas& canvas, const TRect& rect)
{
    if (!m_image->pixels())
        return;
    platform::DeviceContext& dc = *canvas.Handle();
    SavedState saved(dc);

    paletteNeeded();
    if (m_image->palette)
        dc.selectPalette(m_image->palette.get());

    const platform::Section& pixels = *m_image->pixels();
    const int depth = dc.bitsPerPixel();
    if (depth <= 8 && depth < pixels.bitCount()) {
        const platform::Point origin = dc.brushOrigin();
        dc.setStretchMode(platform::StretchMode::Halftone);
        dc.setBrushOrigin(origin);
    } else if (!IsMonochrome()) {
        dc.setStretchMode(platform::StretchMode::ColorOnColor);
    }

    const TRect source{0, 0, pixels.width(), pixels.height()};
    if (!Transparent()) {
        dc.stretchBlt(rect, pixels, source, canvas.CopyMode());
        return;
    }

    const platform::Section* mask = MaskBitmap();
    const platform::Section& image = *m_image->pixels();
    if (rect.width() == source.width() && rect.height() == source.height()) {
        dc.maskBlt(rect, image, {0, 0}, *mask, {0, 0}, keepWhereMaskIsSet);
        return;
    }
    // Stretched: clear the see-through pixels' complement in the destination (AND with the
    // mask, whose 1 bits paint white and 0 bits black), then XOR the picture with its
    // see-through pixels blacked out.
    const platform::Colour text = dc.textColour();
    const platform::Colour background = dc.backgroundColour();
    std::unique_ptr<platform::Section> blackedOut = toDisplayDevice(image, text, background);
    {
        const auto blacken = platform::makeSectionContext(*blackedOut);
        blacken->setTextColour(white);
        blacken->setBackgroundColour(black);
        blacken->bitBlt({0, 0}, *mask, source, platform::rop::SrcAnd);
    }
    dc.setTextColour(black);
    dc.setBackgroundColour(white);
    dc.stretchBlt(rect, *mask, source, platform::rop::SrcAnd);
    dc.stretchBlt(rect, *blackedOut, source, platform::rop::SrcInvert);
}

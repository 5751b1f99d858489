// Drawing a frame into a rectangle, opaque or with its transparent colour left see-through.

#include "picture/gif/gif_image.h"

#include "picture/bitmap/bitmap.h"
#include "platform/device_context.h"
#include "platform/section.h"

namespace {

constexpr platform::Colour black = 0x000000;
constexpr platform::Colour white = 0xFFFFFF;

// Restores the text and background colours of a context, however drawing ends.
class SavedColours {
public:
    explicit SavedColours(platform::DeviceContext& dc) : m_dc(dc), m_text(dc.textColour()), m_background(dc.backgroundColour()) {}
    ~SavedColours()
    {
        m_dc.setTextColour(m_text);
        m_dc.setBackgroundColour(m_background);
    }
    SavedColours(const SavedColours&) = delete;
    SavedColours& operator=(const SavedColours&) = delete;

private:
    platform::DeviceContext& m_dc;
    platform::Colour m_text;
    platform::Colour m_background;
};

} // namespace

void TGIFFrame::Draw(TCanvas& canvas, const TRect& rect, bool transparent)
{
    TBitmap& bitmap = Bitmap();
    if (!transparent || m_transparentColor == clNone) {
        canvas.StretchDraw(rect, &bitmap);
        return;
    }
    if (bitmap.IsEmpty())
        return;

    // A monochrome bitmap's 1 bits are its white, and they are what its mask keeps.
    const platform::Colour key = bitmap.IsMonochrome() ? white : ColorToRGB(m_transparentColor);
    const bool monochrome = bitmap.IsMonochrome();
    const platform::Section& pixels = *bitmap.PlatformHandle();
    const int width = pixels.width();
    const int height = pixels.height();
    const TRect source{0, 0, width, height};
    TRect target = rect;
    if (target.width() < 1)
        target.right = target.left + width;
    if (target.height() < 1)
        target.bottom = target.top + height;

    // The mask: 1 where the picture shows the key colour.
    auto mask = platform::Section::createMonochrome(width, height);
    // The picture with its key pixels black.
    auto picture = platform::Section::createDisplayCompatible(width, height);
    if (!mask || !picture)
        OutOfResources();
    platform::makeSectionContext(*mask)->bitBlt({0, 0}, pixels, source, platform::rop::SrcCopy, key);
    {
        const auto context = platform::makeSectionContext(*picture);
        context->bitBlt({0, 0}, pixels, source, platform::rop::SrcCopy);
        context->setTextColour(white);
        context->setBackgroundColour(black);
        context->bitBlt({0, 0}, *mask, source, platform::rop::SrcAnd);
    }

    // The destination keeps its pixels under the key (AND with white) and is cleared elsewhere
    // (AND with black); the blackened picture is then ORed in.
    platform::DeviceContext& dc = *canvas.Handle();
    SavedColours saved(dc);
    if (!monochrome)
        dc.setStretchMode(platform::StretchMode::ColorOnColor);
    dc.setTextColour(black);
    dc.setBackgroundColour(white);
    dc.stretchBlt(target, *mask, source, platform::rop::SrcAnd);
    dc.stretchBlt(target, *picture, source, platform::rop::SrcPaint);
}

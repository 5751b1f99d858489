#include "filelists/glyphs.h"

#include "framework/canvas.h"
#include "platform/section.h"

namespace filelists_detail {

std::unique_ptr<TBitmap> loadGlyph(const std::string& name)
{
    auto glyph = std::make_unique<TBitmap>();
    glyph->LoadFromResource(name);
    return glyph;
}

void drawGlyph(TCanvas& canvas, TBitmap& glyph, int x, int y)
{
    const platform::Section* pixels = glyph.PlatformHandle();
    if (!pixels || pixels->width() <= 0 || pixels->height() <= 0)
        return;
    const int width = pixels->width();
    const int height = pixels->height();
    // The glyphs are painted on a background colour of their own, which the bottom-left
    // corner always shows.
    const TColor background = TColor(platform::rgbPart(pixels->pixel(0, height - 1)));
    canvas.BrushCopy(TRect{x, y, x + width, y + height}, *pixels, TRect{0, 0, width, height},
                     background);
}

int fontTextHeight(TCanvas& canvas, const TFont& font)
{
    canvas.Font().CopyFrom(&font);
    return canvas.TextHeight("0");
}

} // namespace filelists_detail

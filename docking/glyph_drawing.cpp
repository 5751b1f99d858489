// Glyphs drawn see-through, and their disabled look.

#include "docking/glyph_drawing.h"

#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Pixels lighter than this stay out of the disabled look (white and light grey parts of a
// picture are its highlights).
constexpr int lightestEmbossed = 192;

platform::Section* pixelsOf(TBitmap* bitmap)
{
    return bitmap && !bitmap->IsEmpty() ? bitmap->PlatformHandle() : nullptr;
}

int brightness(platform::Colour c)
{
    return (int(platform::redOf(c)) + int(platform::greenOf(c)) + int(platform::blueOf(c))) / 3;
}

// Calls `visit` with each pixel of the cell that is not see-through: its place in the cell and
// its colour.
void forEachShownPixel(const GlyphCell& cell, const std::function<void(int, int, platform::Colour)>& visit)
{
    const platform::Section* pixels = pixelsOf(cell.glyph);
    if (!pixels)
        return;
    const platform::Section* mask = pixelsOf(const_cast<TBitmap*>(cell.mask));
    const TSize size = GlyphSize(cell);
    const int left = cell.index * size.cx;
    const platform::Colour key = platform::rgbPart(pixels->pixel(0, pixels->height() - 1));
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            const platform::Colour c = platform::rgbPart(pixels->pixel(left + x, y));
            const bool seeThrough = mask && left + x < mask->width() && y < mask->height()
                                        ? platform::rgbPart(mask->pixel(left + x, y)) == 0xFFFFFF
                                        : c == key;
            if (!seeThrough)
                visit(x, y, c);
        }
}

// A colour none of the given ones is: the see-through colour of a drawn copy.
platform::Colour unusedColour(const std::vector<platform::Colour>& used)
{
    platform::Colour candidate = 0xFF00FF;
    while (std::find(used.begin(), used.end(), candidate) != used.end())
        candidate = (candidate + 0x010101) & 0xFFFFFF;
    return candidate;
}

// Draws a copy of width × height whose pixels of colour `key` are see-through.
void drawKeyed(TCanvas& canvas, std::unique_ptr<platform::Section> copy, platform::Colour key, TPoint at)
{
    TBitmap bitmap;
    bitmap.SetPlatformHandle(std::move(copy));
    bitmap.SetTransparentKey(TColor(key));
    bitmap.SetTransparent(true);
    canvas.Draw(at.x, at.y, &bitmap);
}

} // namespace

TSize GlyphSize(const GlyphCell& cell)
{
    if (!cell.glyph || cell.glyph->IsEmpty() || cell.count <= 0)
        return {0, 0};
    return {cell.glyph->Width() / cell.count, cell.glyph->Height()};
}

void DrawGlyph(TCanvas& canvas, const GlyphCell& cell, TPoint at)
{
    const TSize size = GlyphSize(cell);
    if (size.cx <= 0 || size.cy <= 0)
        return;
    std::vector<platform::Colour> used;
    forEachShownPixel(cell, [&](int, int, platform::Colour c) { used.push_back(c); });
    const platform::Colour key = unusedColour(used);
    auto copy = platform::Section::createDisplayCompatible(size.cx, size.cy);
    if (!copy)
        return;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            copy->setPixel(x, y, key);
    forEachShownPixel(cell, [&](int x, int y, platform::Colour c) { copy->setPixel(x, y, c); });
    drawKeyed(canvas, std::move(copy), key, at);
}

void DrawDisabledGlyph(TCanvas& canvas, const GlyphCell& cell, TPoint at, bool oldStyle)
{
    const TSize size = GlyphSize(cell);
    if (size.cx <= 0 || size.cy <= 0)
        return;
    const platform::Colour highlight = platform::rgbPart(ColorToRGB(clBtnHighlight));
    const platform::Colour shadow = platform::rgbPart(ColorToRGB(clBtnShadow));
    const platform::Colour key = unusedColour({highlight, shadow});
    auto copy = platform::Section::createDisplayCompatible(size.cx + 1, size.cy + 1);
    if (!copy)
        return;
    for (int y = 0; y <= size.cy; ++y)
        for (int x = 0; x <= size.cx; ++x)
            copy->setPixel(x, y, key);
    const auto dark = [](platform::Colour c) { return brightness(c) < lightestEmbossed; };
    if (!oldStyle)
        forEachShownPixel(cell, [&](int x, int y, platform::Colour c) {
            if (dark(c))
                copy->setPixel(x + 1, y + 1, highlight);
        });
    forEachShownPixel(cell, [&](int x, int y, platform::Colour c) {
        if (dark(c) || oldStyle)
            copy->setPixel(x, y, shadow);
    });
    drawKeyed(canvas, std::move(copy), key, at);
}

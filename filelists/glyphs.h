#pragma once
// Internal to filelists/: the glyph bitmaps of the list controls and how they are drawn.

#include "picture/bitmap/bitmap.h"

#include <memory>
#include <string>

class TCanvas;
class TFont;

namespace filelists_detail {

// A 4-bit glyph of the program's bitmap resources ("HARD", "OPENFOLDER", ...).
std::unique_ptr<TBitmap> loadGlyph(const std::string& name);

// Draws a glyph at its own size with its top-left corner at (x, y), transparently: the pixels
// of the colour of its bottom-left pixel show the canvas's brush colour instead.
void drawGlyph(TCanvas& canvas, TBitmap& glyph, int x, int y);

// The height of a line of text in the font, measured on the canvas (whose font it replaces).
int fontTextHeight(TCanvas& canvas, const TFont& font);

// The top of a glyph of the given height centred in the rows top..bottom (bottom excluded).
inline int centredTop(int top, int bottom, int height)
{
    return (top + bottom - height) / 2;
}

} // namespace filelists_detail

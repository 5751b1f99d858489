#pragma once
// Internal to docking/: drawing glyphs (the small bitmaps of toolbar buttons and menu items).
// A glyph's see-through pixels are those its mask holds white or, without a mask, those of
// the colour of its bottom-left pixel: whatever lies behind shows there.

#include "framework/canvas.h"

class TBitmap;

struct GlyphCell {
    TBitmap* glyph;         // the images side by side
    const TBitmap* mask;    // null, or the see-through pixels in white, as wide as the glyph
    int count;              // how many images the glyph holds
    int index;              // which one to draw
};

// The size of one image of the glyph.
TSize GlyphSize(const GlyphCell& cell);
// Draws the image at (x, y).
void DrawGlyph(TCanvas& canvas, const GlyphCell& cell, TPoint at);
// Draws the disabled look of the image: its dark pixels embossed (in the highlight colour one
// pixel right and down, then in the shadow colour in place), or, in the older style, only in
// the shadow colour.
void DrawDisabledGlyph(TCanvas& canvas, const GlyphCell& cell, TPoint at, bool oldStyle = false);

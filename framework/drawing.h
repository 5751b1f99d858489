#pragma once
// Drawing helpers over a canvas that controls share: formatted text in a rectangle (alignment,
// word breaks, access-key underlines) and three-dimensional frames.

#include "framework/canvas.h"

#include <string>

// Text formatting flags.
enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};

// Draws text into the rectangle with the canvas's font, in the font colour, its cells on the
// brush colour unless the brush is clear. Lines break at line breaks (not with DT_SINGLELINE)
// and, with DT_WORDBREAK, at blanks so that lines fit the rectangle's width. Unless
// DT_NOPREFIX, "&" underlines the next character and "&&" stands for "&". Vertical placement
// applies to the whole block. DT_CALCRECT draws nothing and sets the rectangle's right and
// bottom to the text's extent. Returns the height of the text.
int DrawText(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format);

// Draws `width` nested one-pixel frames: top and left edges in topColor, bottom and right in
// bottomColor; the rectangle shrinks by width on every side.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

#pragma once
// The display this program draws on, as the drawing code sees it, and the classic system
// colours. The display is always 32 bits per pixel (blue-green-red-x) with no hardware palette.

#include "platform/types.h"

namespace platform {

struct DisplayInfo {
    int bitsPerPixel = 32;
    int planes = 1;
    bool hasPalette = false;  // no hardware palette: palettes are never realised into one
    int paletteSize = 0;
    int logicalDpiX = 96;
    int logicalDpiY = 96;
    Size pixels{1024, 768};
    Size millimetres{271, 203};
    Size iconSize{32, 32};  // the standard icon size
};

// The primary screen's logical DPI, size in pixels and in millimetres. Without a
// QGuiApplication or screen, and under the offscreen platform (where tests run), the fixed
// values of a 1024 × 768 display at 96 dpi (271 × 203 mm).
DisplayInfo displayInfo();

// Number of classic system colours (indexes 0 to 30).
constexpr int systemColourCount = 31;

// The classic default colour scheme by system colour index (button face 15 is 0xC0C0C0, window
// 5 white, highlight 13 navy 0x800000, and so on). Indexes outside 0..30 give black.
Colour systemColour(int index);

// A plain colour: a system colour (top bit set; the low byte indexes the table) is looked up,
// and the flag byte (palette-relative 0x02000000 and the like) is dropped.
Colour colourToRgb(Colour colour);
// Only resolves system colours; any other value, flags included, stays as it is.
Colour resolveSystemColour(Colour colour);

} // namespace platform

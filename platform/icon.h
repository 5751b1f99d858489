#pragma once
// Platform icons: a colour (XOR) bitmap and a mask (AND) bitmap of one size, drawn together at
// their own size. Where the mask is 1 the destination stays (and is inverted by any colour bits
// set there); where it is 0 the colour replaces it. An icon made from pixels with an alpha
// channel keeps each pixel's alpha in the fourth byte of its colour bitmap and is blended
// instead; its mask is 1 where the alpha is below one half.

#include "platform/section.h"
#include "platform/types.h"

#include <memory>

class QImage;

namespace platform {

class DeviceContext;

class Icon {
public:
    // The colour bitmap must be a device bitmap of the display's format and the mask a
    // monochrome device bitmap of the same size. Returns null when they do not fit together.
    static std::unique_ptr<Icon> create(std::unique_ptr<Section> colour, std::unique_ptr<Section> mask,
                                        bool alpha);

    const Section& colour() const { return *m_colour; }
    const Section& mask() const { return *m_mask; }
    // Whether the fourth byte of each colour pixel is its alpha (0 see-through, 255 opaque).
    bool hasAlpha() const { return m_alpha; }
    int width() const { return m_colour->width(); }
    int height() const { return m_colour->height(); }

private:
    Icon(std::unique_ptr<Section> colour, std::unique_ptr<Section> mask, bool alpha)
        : m_colour(std::move(colour)), m_mask(std::move(mask)), m_alpha(alpha)
    {
    }

    std::unique_ptr<Section> m_colour;
    std::unique_ptr<Section> m_mask;
    bool m_alpha;
};

// The default application icon of the standard icon size: a small window with a title bar. Made
// on first use and kept for the whole run; callers recognise it by its address.
const Icon& defaultApplicationIcon();

// Draws the icon at its own size with its top-left corner at the point.
void drawIcon(DeviceContext& context, Point at, const Icon& icon);

// The icon as a 32-bit image with alpha (premultiplied), as notification areas take icons.
// Pixels that would invert the destination are shown as their colour.
QImage iconImage(const Icon& icon);

} // namespace platform

// Turning decoded pixels upright by their Exif orientation: each pixel of the upright picture
// is fetched from where the orientation says the camera stored it.

#include "picture/jpeg/exif.h"

#include "platform/section.h"

#include <cstring>

namespace exif {

namespace {

// Where the stored picture (width × height) keeps the upright pixel (x, y).
struct Source {
    int x, y;
};

Source storedPixel(int orientation, int x, int y, int width, int height)
{
    switch (orientation) {
    case 2: return {width - 1 - x, y};               // mirrored left to right
    case 3: return {width - 1 - x, height - 1 - y};  // turned half round
    case 4: return {x, height - 1 - y};              // mirrored top to bottom
    case 5: return {y, x};                           // mirrored along the main diagonal
    case 6: return {y, height - 1 - x};              // stored a quarter turn anticlockwise
    case 7: return {width - 1 - y, height - 1 - x};  // mirrored along the other diagonal
    case 8: return {width - 1 - y, x};               // stored a quarter turn clockwise
    default: return {x, y};
    }
}

template <std::size_t bytesPerPixel>
void turn(const platform::Section& stored, platform::Section& upright, int orientation)
{
    const int width = stored.width();
    const int height = stored.height();
    for (int y = 0; y < upright.height(); ++y) {
        std::uint8_t* out = upright.row(y);
        for (int x = 0; x < upright.width(); ++x, out += bytesPerPixel) {
            const Source from = storedPixel(orientation, x, y, width, height);
            std::memcpy(out, stored.row(from.y) + std::size_t(from.x) * bytesPerPixel, bytesPerPixel);
        }
    }
}

} // namespace

std::unique_ptr<platform::Section> upright(const platform::Section& stored, int orientation)
{
    const int bitCount = stored.bitCount();
    if (orientation < 2 || orientation > 8 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return nullptr;
    platform::BitmapInfoHeader header = stored.header();
    header.biWidth = swapsSides(orientation) ? stored.height() : stored.width();
    header.biHeight = -(swapsSides(orientation) ? stored.width() : stored.height());
    header.biSizeImage = 0;
    const bool bitFields = stored.compression() == platform::BI_BITFIELDS;
    std::unique_ptr<platform::Section> out
        = platform::Section::create(header, stored.colourTable(), bitFields ? &stored.masks() : nullptr);
    if (!out)
        return nullptr;
    switch (bitCount) {
    case 8: turn<1>(stored, *out, orientation); break;
    case 24: turn<3>(stored, *out, orientation); break;
    default: turn<4>(stored, *out, orientation); break;
    }
    return out;
}

} // namespace exif

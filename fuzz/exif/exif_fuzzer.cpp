// JPEG file starts with an Exif block from anywhere: the orientation must come out 1 to 8,
// and turning a small picture upright by it must keep its pixels and swap its sides exactly
// for the quarter turns.

#include "picture/jpeg/exif.h"
#include "platform/section.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int orientation = exif::orientation(std::span<const std::uint8_t>(data, size));
    if (orientation < 1 || orientation > 8)
        std::abort();

    // A 3 × 2 picture of six different gray levels, turned and checked.
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    auto stored = platform::Section::create(header);
    for (int i = 0; i < 6; ++i)
        stored->setPixel(i % 3, i / 3, platform::rgb(std::uint8_t(i * 40), std::uint8_t(i * 40), std::uint8_t(i * 40)));
    const auto upright = exif::upright(*stored, orientation);
    if (orientation == 1) {
        if (upright)
            std::abort();
        return 0;
    }
    if (!upright || upright->width() != (exif::swapsSides(orientation) ? 2 : 3))
        std::abort();
    unsigned sumBefore = 0, sumAfter = 0;
    for (int y = 0; y < stored->height(); ++y)
        for (int x = 0; x < stored->width(); ++x)
            sumBefore += platform::redOf(stored->pixel(x, y));
    for (int y = 0; y < upright->height(); ++y)
        for (int x = 0; x < upright->width(); ++x)
            sumAfter += platform::redOf(upright->pixel(x, y));
    if (sumBefore != sumAfter)
        std::abort();
    return 0;
}

// PNG files from anywhere (their check values ignored, so that mutated data reaches the
// decoding): load them, draw them small (blended when they have alpha), use them as the program
// uses pictures, and write small pictures again: whatever loads must save, and what was saved must load at the same size.

#include "picture/png/png_image.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>

namespace {

// Drawing the premultiplied copy touches every pixel; larger pictures are only loaded.
constexpr std::int64_t maxDrawnPixels = std::int64_t(1) << 20;
// Writing costs as much as reading; only small pictures are round-tripped.
constexpr std::int64_t maxWrittenPixels = std::int64_t(1) << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TPNGImage image;
    if (!fuzz_support::loadInput(image, data, size))
        return 0;
    const std::int64_t pixels = std::int64_t(image.Width()) * image.Height();
    if (pixels > maxDrawnPixels)
        return 0;
    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &image);
    fuzz_support::useLikeTheProgram(image);
    if (pixels > maxWrittenPixels)
        return 0;
    TPNGImage again;
    fuzz_support::requireReadsBack(image, again, image.Width(), image.Height());
    return 0;
}

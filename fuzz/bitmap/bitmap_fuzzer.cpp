// Bitmap files from anywhere: read them, draw them small (opaque, and through their mask up to a
// size) and write them again, whatever their size (the reader's caps are what keeps the work
// bounded); use them as the program uses pictures, and convert them to another pixel layout
// (chosen by the input's last byte). Whatever reads must write, and what was written must read again with the
// same pixels.

#include "picture/bitmap/bitmap.h"
#include "platform/section.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

// Drawing through the mask makes the mask of the whole picture first, a per-pixel blit that
// the fuzzing build's instrumentation makes some thirty times slower; larger pictures are drawn
// opaque only.
constexpr std::int64_t maxMaskedPixels = std::int64_t(1) << 21;
// Converting touches every pixel; larger pictures keep their layout.
constexpr std::int64_t maxConvertedPixels = std::int64_t(1) << 20;
// Comparing pixel by pixel costs more than reading; this many pixels are compared at most.
constexpr std::int64_t maxComparedPixels = std::int64_t(1) << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TBitmap bitmap;
    if (!fuzz_support::loadInput(bitmap, data, size))
        return 0;

    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &bitmap);
    const std::int64_t pixels = std::int64_t(bitmap.Width()) * bitmap.Height();
    if (pixels <= maxMaskedPixels) {
        bitmap.SetTransparent(true);
        canvas.StretchDraw({0, 0, 7, 5}, &bitmap);
        canvas.Draw(2, 3, &bitmap);
        bitmap.SetTransparent(false);
    }
    fuzz_support::useLikeTheProgram(bitmap);

    // Pictures converted to the decoders' and encoders' layouts keep their size.
    if (size > 0 && pixels <= maxConvertedPixels) {
        static constexpr TPixelLayout layouts[] = {pl1Bit, pl4Bit, pl8Bit, pl15Bit, pl16Bit, pl24Bit, pl32Bit, plDevice};
        TBitmap converted;
        converted.CopyFrom(&bitmap);
        converted.SetPixelLayout(layouts[data[size - 1] % std::size(layouts)]);
        canvas.StretchDraw({0, 0, 16, 16}, &converted);
        if (converted.Width() != bitmap.Width() || converted.Height() != bitmap.Height())
            std::abort();
    }

    TBitmap again;
    fuzz_support::requireReadsBack(bitmap, again, bitmap.Width(), bitmap.Height());
    // And with the same pixels, whatever layout was read and written.
    if (bitmap.IsEmpty())
        return 0;
    // Large pictures are compared a row in so many, as many pixels as a small one has.
    const platform::Section& written = *bitmap.PlatformHandle();
    const platform::Section& read = *again.PlatformHandle();
    const int step = int((pixels + maxComparedPixels - 1) / maxComparedPixels);
    for (int y = 0; y < written.height(); y += step)
        for (int x = 0; x < written.width(); ++x)
            if (written.pixel(x, y) != read.pixel(x, y))
                std::abort();
    return 0;
}

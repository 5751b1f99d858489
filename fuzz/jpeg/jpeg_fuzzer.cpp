// JPEG files from anywhere: load them, decode them with settings taken from the input's last
// byte, draw them small, and compress the decoded pixels again. Whatever decodes completely
// must compress, and what was compressed must load again.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>

namespace {

// Decoding touches every pixel; pictures past this size are only loaded. Buffered decoding
// draws the whole picture once per scan, so it is kept to smaller pictures.
constexpr std::int64_t maxDecodedPixels = std::int64_t(1) << 20;
constexpr std::int64_t maxBufferedPixels = std::int64_t(1) << 17;
// Compressing again costs as much as decoding; only small pictures are round-tripped.
constexpr std::int64_t maxCompressedPixels = std::int64_t(1) << 16;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TJPEGImage image;
    if (!fuzz_support::loadInput(image, data, size))
        return 0;
    const std::int64_t pixels = std::int64_t(image.Width()) * image.Height();
    if (pixels > maxDecodedPixels)
        return 0;

    const std::uint8_t settings = size > 0 ? data[size - 1] : 0;
    image.SetOutputDepth(settings & 1 ? jd8Bit : jd24Bit);
    image.SetGrayOnly(settings & 2);
    image.SetSpeedOverQuality(settings & 4);
    image.SetShowPasses((settings & 8) && pixels <= maxBufferedPixels);
    image.SetBlockSmoothing(settings & 16);

    bool decoded = true;
    try {
        image.DecodedBitmap();
    } catch (const Exception&) {
        decoded = false;
    }
    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &image);  // never decodes again
    if (!decoded || pixels > maxCompressedPixels || image.DecodedBitmap().IsEmpty())
        return 0;

    TJPEGImage copy;
    copy.CopyFrom(&image.DecodedBitmap());
    copy.SetEncodeProgressive(settings & 32);
    TJPEGImage again;
    fuzz_support::requireReadsBack(copy, again, image.Width(), image.Height());
    return 0;
}

// JPEG files from anywhere: load them, decode them with settings taken from the input's last
// byte (depth, gray output, an own palette, passes shown, speed, smoothing), with a progress
// handler that draws what has been decoded so far, draw them small, use them as the program uses
// pictures, and compress the decoded pixels again. Whatever decodes completely must compress, and what was compressed must load
// again.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/palette.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Decoding touches every pixel; pictures past this size are only loaded. Buffered decoding
// draws the whole picture once per scan, so it is kept to smaller pictures.
constexpr std::int64_t maxDecodedPixels = std::int64_t(1) << 20;
constexpr std::int64_t maxBufferedPixels = std::int64_t(1) << 17;
// Compressing again costs as much as decoding; only small pictures are round-tripped.
constexpr std::int64_t maxCompressedPixels = std::int64_t(1) << 16;

// A clock that moves on at every look, so that every progress report passes the throttle.
std::uint32_t steppingTicks()
{
    static std::uint32_t now = 0;
    return now += 1000;
}

// An own palette from the input's first bytes: 1 to 256 entries of red, green, blue.
TPaletteHandle paletteFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<platform::PaletteEntry> entries;
    const std::size_t count = std::min<std::size_t>(std::max<std::size_t>(size / 3, 1), 256);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data + std::min(i * 3, size > 3 ? size - 3 : 0);
        entries.push_back({size > 0 ? p[0] : std::uint8_t(0), size > 1 ? p[1] : std::uint8_t(0),
                           size > 2 ? p[2] : std::uint8_t(0), 0});
    }
    return std::make_shared<const platform::Palette>(std::move(entries));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    jpeg::setTickSource(&steppingTicks);
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
    if (settings & 64)
        image.WritePalette(paletteFrom(data, size));

    // As the viewer does: what has been decoded so far is drawn whenever a report asks for it.
    fuzz_support::SmallCanvas canvas;
    int reports = 0;
    image.OnProgress = [&](TObject*, TProgressStage, std::uint8_t percent, bool redrawNow, const TRect&,
                           const std::string&) {
        if (percent > 100)
            std::abort();
        ++reports;
        if (redrawNow && (settings & 128))
            canvas.StretchDraw({0, 0, 8, 8}, &image);
    };

    bool decoded = true;
    try {
        image.DecodedBitmap();
    } catch (const Exception&) {
        decoded = false;
    }
    image.OnProgress = nullptr;
    canvas.StretchDraw({0, 0, 16, 16}, &image);  // never decodes again
    if (!decoded)
        return 0;
    fuzz_support::useLikeTheProgram(image);
    if (pixels > maxCompressedPixels || image.DecodedBitmap().IsEmpty())
        return 0;
    if (reports < 2)
        std::abort();  // a decode that ran reports its start and its end

    TJPEGImage copy;
    copy.CopyFrom(&image.DecodedBitmap());
    copy.SetEncodeProgressive(settings & 32);
    TJPEGImage again;
    fuzz_support::requireReadsBack(copy, again, image.Width(), image.Height());
    return 0;
}

// GIF files from anywhere: read them, decode every frame, draw the current one small (opaque and
// transparent), and write the image again. Whatever reads must write, and what was written
// must read again with the same frames.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/gif/gif_image.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>

namespace {

// Decoding and drawing touch every pixel; frames past this size are only read.
constexpr std::int64_t maxWorkedPixels = std::int64_t(1) << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TGIFImage image;
    if (!fuzz_support::loadInput(image, data, size))
        return 0;
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFItem& item = image.Frames(i).Data();
        if (std::int64_t(item.Width) * item.Height > maxWorkedPixels)
            return 0;
    }

    // Later frames decode on demand; they may be damaged where the first was not.
    for (int i = 0; i < image.Count(); ++i) {
        try {
            image.Frames(i).Bitmap();
        } catch (const Exception&) {
            return 0;
        }
    }
    fuzz_support::SmallCanvas canvas;
    image.SetTransparent(false);
    canvas.StretchDraw({0, 0, 16, 16}, &image);
    image.SetTransparent(true);
    canvas.StretchDraw({0, 0, 7, 5}, &image);
    canvas.Draw(2, 3, &image);
    if (image.Count() == 0)
        return 0;

    TGIFImage again;
    fuzz_support::requireReadsBack(image, again, image.Width(), image.Height());
    if (again.Count() != image.Count())
        std::abort();
    return 0;
}

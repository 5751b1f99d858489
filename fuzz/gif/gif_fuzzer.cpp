// GIF files from anywhere: read them, decode every frame, draw the current one small (opaque and
// transparent), use the image as the program uses pictures, and write it again. Whatever reads
// must write, and what was written must read again with the same frames.

#include "framework/exceptions.h"
#include "picture/bitmap/bitmap.h"
#include "picture/gif/gif_image.h"
#include "picture/gif/lzw.h"
#include "platform/section.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Decoding and drawing touch every pixel: frames past this size that the reader would decode
// are left alone. Frames it refuses for their size (more pixels than their data could fill,
// more memory than a section may take) are asked for all the same, however large they say they
// are: that refusal is what keeps a few bytes from claiming gigabytes.
constexpr std::int64_t maxWorkedPixels = std::int64_t(1) << 22;

bool refusedForItsSize(const TGIFItem& item)
{
    const std::int64_t pixels = std::int64_t(item.Width) * item.Height;
    const int codeSize = item.CompressedData.empty() ? 0 : item.CompressedData[0];
    return pixels > gif::maxDecodablePixels(std::int64_t(item.CompressedData.size()), codeSize)
           || pixels * 4 > platform::maxSectionBytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TGIFImage image;
    if (!fuzz_support::loadInput(image, data, size))
        return 0;

    // Later frames decode on demand; they may be damaged where the first was not.
    bool allDecoded = true;
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFItem& item = image.Frames(i).Data();
        if (std::int64_t(item.Width) * item.Height > maxWorkedPixels && !refusedForItsSize(item)) {
            allDecoded = false;
            continue;
        }
        try {
            image.Frames(i).Bitmap();
        } catch (const Exception&) {
            allDecoded = false;
        }
    }
    if (!allDecoded || image.Count() == 0)
        return 0;
    fuzz_support::SmallCanvas canvas;
    image.SetTransparent(false);
    canvas.StretchDraw({0, 0, 16, 16}, &image);
    image.SetTransparent(true);
    canvas.StretchDraw({0, 0, 7, 5}, &image);
    canvas.Draw(2, 3, &image);
    fuzz_support::useLikeTheProgram(image);

    TGIFImage again;
    fuzz_support::requireReadsBack(image, again, image.Width(), image.Height());
    if (again.Count() != image.Count())
        std::abort();
    return 0;
}

// Bitmap files from anywhere: read them, draw them small (opaque and through their mask), use
// them as the program uses pictures, and write them again, whatever their size: the reader's caps are what keeps the work bounded.
// Whatever reads must write, and what was written must read again with the same pixels.

#include "picture/bitmap/bitmap.h"
#include "platform/section.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TBitmap bitmap;
    if (!fuzz_support::loadInput(bitmap, data, size))
        return 0;

    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &bitmap);
    bitmap.SetTransparent(true);
    canvas.StretchDraw({0, 0, 7, 5}, &bitmap);
    canvas.Draw(2, 3, &bitmap);
    bitmap.SetTransparent(false);
    fuzz_support::useLikeTheProgram(bitmap);

    TBitmap again;
    fuzz_support::requireReadsBack(bitmap, again, bitmap.Width(), bitmap.Height());
    // And with the same pixels, whatever layout was read and written.
    if (bitmap.IsEmpty())
        return 0;
    const platform::Section& written = *bitmap.PlatformHandle();
    const platform::Section& read = *again.PlatformHandle();
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x)
            if (written.pixel(x, y) != read.pixel(x, y))
                std::abort();
    return 0;
}

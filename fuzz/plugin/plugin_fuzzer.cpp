// Pictures of the formats the platform's image plugins read, from anywhere: load them as the
// plugin picture class does (the plugin chosen by the bytes, whatever the name), draw them small,
// use them as the program uses pictures, and write them again: what loads must write its bytes
// back unchanged and load again at the same size.

#include "picture/plugin/plugin_image.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TPluginImage image;
    if (!fuzz_support::loadInput(image, data, size))
        return 0;
    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &image);
    fuzz_support::useLikeTheProgram(image);

    TPluginImage again;
    fuzz_support::requireReadsBack(image, again, image.Width(), image.Height());
    if (again.FormatName() != image.FormatName())
        std::abort();
    return 0;
}

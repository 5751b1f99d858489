// Icon files from anywhere: load them (which makes the chosen image once), draw them, make the
// image again for displays of other depths (each may choose another entry), and write them
// again from the handle. Whatever loads must draw, and what was written must load again.

#include "framework/exceptions.h"
#include "picture/icon/icon.h"
#include "picture/icon/icon_file.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TIcon icon;
    if (!fuzz_support::loadInput(icon, data, size))
        return 0;

    fuzz_support::SmallCanvas canvas;
    try {
        canvas.StretchDraw({0, 0, 16, 16}, &icon);
        canvas.Draw(-3, 5, &icon);
    } catch (const Exception&) {
        std::abort();  // loading made the image once; drawing must make it again
    }

    // Other displays choose other entries, which may be damaged where the first was not.
    const std::span<const std::uint8_t> bytes(data, size);
    for (int bits : {1, 4, 8, 24}) {
        try {
            icon_file::makeIcon(bytes, bits, {16, 24});
        } catch (const EInvalidGraphic&) {
        }
    }

    TIcon fromHandle;
    fromHandle.SetIconHandle(icon.IconHandle());
    TIcon again;
    fuzz_support::requireReadsBack(fromHandle, again, icon.Width(), icon.Height());
    return 0;
}

// Icon files from anywhere: load them (which makes the chosen image once), draw them, use them
// as the program uses pictures and as its notification-area icon, make the image again for
// displays of other depths (each may choose another entry), and write them again from the
// handle. Whatever loads must draw, and
// what was written must load again.

#include "framework/exceptions.h"
#include "picture/icon/icon.h"
#include "picture/icon/icon_file.h"
#include "platform/icon.h"
#include "support/graphic_harness.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
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
    fuzz_support::useLikeTheProgram(icon);
    // The notification area shows the icon while its file is selected.
    if (const TIconHandle handle = icon.IconHandle())
        (void)platform::iconImage(*handle);

    // Other displays choose other entries, which may be damaged where the first was not, and
    // ask for other sizes: any of the system's refusals may come back.
    const std::span<const std::uint8_t> bytes(data, size);
    const struct {
        int bits;
        platform::Size size;
    } displays[] = {{1, {16, 24}}, {4, {16, 16}}, {8, {1, 33}}, {24, {48, 48}}, {32, {7, 256}}};
    for (const auto& display : displays) {
        try {
            if (const TIconHandle other = icon_file::makeIcon(bytes, display.bits, display.size))
                (void)platform::iconImage(*other);
        } catch (const Exception&) {
        }
    }

    TIcon fromHandle;
    fromHandle.SetIconHandle(icon.IconHandle());
    TIcon again;
    fuzz_support::requireReadsBack(fromHandle, again, icon.Width(), icon.Height());
    return 0;
}

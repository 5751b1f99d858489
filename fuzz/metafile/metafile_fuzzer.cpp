// Enhanced and placeable Windows metafiles from anywhere: read them, play them small (plain and
// mirrored), use them as the program uses pictures, and write them again in both forms. What
// reads must play and write, and an enhanced picture must read back at its own size.

#include "framework/streams.h"
#include "picture/metafile/metafile.h"
#include "support/graphic_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The font system keeps caches for the life of the process that the leak checker cannot see
// through; they are not the metafile code's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::startPictureFormats();
    TMetafile metafile;
    if (!fuzz_support::loadInput(metafile, data, size))
        return 0;

    fuzz_support::SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &metafile);
    canvas.StretchDraw({15, 12, -2, 1}, &metafile);
    fuzz_support::useLikeTheProgram(metafile);

    const bool enhanced = metafile.SaveEnhanced();
    TMetafile again;
    if (enhanced)
        fuzz_support::requireReadsBack(metafile, again, metafile.Width(), metafile.Height());
    // The Windows form of any picture must write and read again (its sizes go through the
    // placeable header's 16 bits, so they are not compared).
    metafile.SetSaveEnhanced(false);
    TMemoryStream saved;
    try {
        metafile.SaveStream(saved);
        saved.SetPosition(0);
        TMetafile windows;
        windows.LoadStream(saved);
        canvas.StretchDraw({0, 0, 16, 16}, &windows);
    } catch (const Exception&) {
        std::abort();
    }
    return 0;
}

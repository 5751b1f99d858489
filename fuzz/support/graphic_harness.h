#pragma once
// What the picture fuzz targets share: reading the input into a graphic, a small canvas to draw
// it on, the check that what a graphic writes reads again, and the program's other uses of a
// loaded picture.

#include "framework/canvas.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class TGraphic;

namespace platform {
class DeviceContext;
class Section;
} // namespace platform

namespace fuzz_support {

// A 16 × 16 canvas over a section of its own.
class SmallCanvas : public TCanvas {
public:
    SmallCanvas();
    ~SmallCanvas() override;

protected:
    void CreateHandle() override;

private:
    std::unique_ptr<platform::Section> m_section;
    std::unique_ptr<platform::DeviceContext> m_context;
};

// Makes the application object (offscreen unless told otherwise) and registers every picture
// format and clipboard format once, as the program does at start-up, and has PNG data decoded with its check values ignored (so that mutated data reaches the
// decoding behind them).
void startPictureFormats();

// Loads the graphic from the input; false when it refuses the bytes.
bool loadInput(TGraphic& graphic, const std::uint8_t* data, std::size_t size);

// Writes `written` to memory and reads that into `reader`. Aborts unless it writes, reads
// again, and comes back `width` × `height`.
void requireReadsBack(TGraphic& written, TGraphic& reader, int width, int height);

// What the program does with a loaded picture besides showing it: drawing at odd sizes,
// mirrored and through clips; assigning it to a bitmap, to its own class and (small pictures)
// to every registered class; putting it on the clipboard and reading it back with the class
// registered for the format and with its own; writing and reading its stored form; and printing it as the report lays out a picture, stretched
// over a page and at its own size clipped to the page, recorded as the page's metafile and
// played back. A picture of more than `maxCopiedPixels` pixels is only drawn: the copies
// would pass the fuzzing runs' memory limits long before the program's own. Aborts when the
// stored form does not read back.
void useLikeTheProgram(TGraphic& graphic, std::int64_t maxCopiedPixels = std::int64_t(1) << 20);

} // namespace fuzz_support

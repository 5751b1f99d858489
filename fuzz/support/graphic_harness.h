#pragma once
// What the picture fuzz targets share: reading the input into a graphic, a small canvas to draw
// it on, and the check that what a graphic writes reads again.

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

// Loads the graphic from the input; false when it refuses the bytes.
bool loadInput(TGraphic& graphic, const std::uint8_t* data, std::size_t size);

// Writes `written` to memory and reads that into `reader`. Aborts unless it writes, reads
// again, and comes back `width` × `height`.
void requireReadsBack(TGraphic& written, TGraphic& reader, int width, int height);

} // namespace fuzz_support

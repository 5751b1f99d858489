#include "support/graphic_harness.h"

#include "framework/exceptions.h"
#include "framework/streams.h"
#include "picture/picture.h"
#include "platform/device_context.h"
#include "platform/section.h"

#include <cstdlib>
#include <vector>

namespace fuzz_support {

SmallCanvas::SmallCanvas()
    : m_section(platform::Section::createDisplayCompatible(16, 16)), m_context(platform::makeSectionContext(*m_section))
{
}

SmallCanvas::~SmallCanvas()
{
    SetHandle(nullptr);
}

void SmallCanvas::CreateHandle()
{
    SetHandle(m_context.get());
}

bool loadInput(TGraphic& graphic, const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    try {
        graphic.LoadStream(input);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void requireReadsBack(TGraphic& written, TGraphic& reader, int width, int height)
{
    TMemoryStream saved;
    try {
        written.SaveStream(saved);
        saved.SetPosition(0);
        reader.LoadStream(saved);
    } catch (const Exception&) {
        std::abort();  // what we read must write, and what we wrote must read
    }
    if (reader.Width() != width || reader.Height() != height)
        std::abort();
}

} // namespace fuzz_support

// Bitmap files from anywhere: read them, draw them small (opaque and through their mask) and
// write them again. Whatever reads must write, and what was written must read again.

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "platform/section.h"
#include "platform/device_context.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Drawing and writing touch every pixel; pictures past this size are only read.
constexpr std::int64_t maxWorkedPixels = std::int64_t(1) << 18;

class SmallCanvas : public TCanvas {
public:
    SmallCanvas()
        : m_section(platform::Section::createDisplayCompatible(16, 16)), m_context(platform::makeSectionContext(*m_section))
    {
    }
    ~SmallCanvas() override { SetHandle(nullptr); }

protected:
    void CreateHandle() override { SetHandle(m_context.get()); }

private:
    std::unique_ptr<platform::Section> m_section;
    std::unique_ptr<platform::DeviceContext> m_context;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TBitmap bitmap;
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    try {
        bitmap.LoadStream(input);
    } catch (const Exception&) {
        return 0;
    }
    if (std::int64_t(bitmap.Width()) * bitmap.Height() > maxWorkedPixels)
        return 0;

    SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &bitmap);
    bitmap.SetTransparent(true);
    canvas.StretchDraw({0, 0, 7, 5}, &bitmap);
    canvas.Draw(2, 3, &bitmap);

    TMemoryStream saved;
    bitmap.SaveStream(saved);
    saved.SetPosition(0);
    TBitmap again;
    try {
        again.LoadStream(saved);
    } catch (const Exception&) {
        std::abort();  // a file we wrote must read
    }
    if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height())
        std::abort();
    return 0;
}

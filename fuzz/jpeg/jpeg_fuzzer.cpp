// JPEG files from anywhere: load them, decode them with settings taken from the input's last
// byte, draw them small, and compress the decoded pixels again. Whatever decodes completely
// must compress, and what was compressed must load again.

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"
#include "platform/device_context.h"
#include "platform/section.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Decoding touches every pixel; pictures past this size are only loaded. Buffered decoding
// draws the whole picture once per scan, so it is kept to smaller pictures.
constexpr std::int64_t maxDecodedPixels = std::int64_t(1) << 20;
constexpr std::int64_t maxBufferedPixels = std::int64_t(1) << 17;
// Compressing again costs as much as decoding; only small pictures are round-tripped.
constexpr std::int64_t maxCompressedPixels = std::int64_t(1) << 16;

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
    TJPEGImage image;
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    try {
        image.LoadStream(input);
    } catch (const Exception&) {
        return 0;
    }
    const std::int64_t pixels = std::int64_t(image.Width()) * image.Height();
    if (pixels > maxDecodedPixels)
        return 0;

    const std::uint8_t settings = size > 0 ? data[size - 1] : 0;
    image.SetOutputDepth(settings & 1 ? jd8Bit : jd24Bit);
    image.SetGrayOnly(settings & 2);
    image.SetSpeedOverQuality(settings & 4);
    image.SetShowPasses((settings & 8) && pixels <= maxBufferedPixels);
    image.SetBlockSmoothing(settings & 16);

    bool decoded = true;
    try {
        image.DecodedBitmap();
    } catch (const Exception&) {
        decoded = false;
    }
    SmallCanvas canvas;
    canvas.StretchDraw({0, 0, 16, 16}, &image);  // never decodes again
    if (!decoded || pixels > maxCompressedPixels || image.DecodedBitmap().IsEmpty())
        return 0;

    TJPEGImage copy;
    copy.CopyFrom(&image.DecodedBitmap());
    copy.SetEncodeProgressive(settings & 32);
    TMemoryStream saved;
    try {
        copy.SaveStream(saved);
        saved.SetPosition(0);
        TJPEGImage again;
        again.LoadStream(saved);
        if (again.Width() != image.Width() || again.Height() != image.Height())
            std::abort();
    } catch (const Exception&) {
        std::abort();  // decoded pixels must compress, and the result must load
    }
    return 0;
}

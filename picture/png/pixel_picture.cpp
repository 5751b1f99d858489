#include "picture/png/pixel_picture.h"

#include "picture/bitmap/bitmap.h"
#include "platform/device_context.h"
#include "platform/section.h"

#include <cstring>

// Pixels are never changed once made, so copies simply share them.
struct TPixelPicture::Store {
    std::shared_ptr<const platform::Section> pixels;
    bool alpha = false;
    // The pixels with their colours multiplied by alpha, as blending takes them; made at the
    // first draw.
    std::shared_ptr<const platform::Section> premultiplied;
};

namespace {

std::unique_ptr<platform::Section> premultiply(const platform::Section& pixels)
{
    std::unique_ptr<platform::Section> out = platform::Section::createDisplayCompatible(pixels.width(), pixels.height());
    if (!out)
        OutOfResources();
    const int width = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        const std::uint8_t* from = pixels.row(y);
        std::uint8_t* to = out->row(y);
        for (int x = 0; x < width; ++x, from += 4, to += 4) {
            const unsigned alpha = from[3];
            if (alpha == 255) {
                std::memcpy(to, from, 4);
                continue;
            }
            for (int c = 0; c < 3; ++c)
                to[c] = std::uint8_t((from[c] * alpha + 127) / 255);
            to[3] = std::uint8_t(alpha);
        }
    }
    return out;
}

// Restores the stretch mode that drawing changes, however drawing ends.
class StretchModeKept {
public:
    explicit StretchModeKept(platform::DeviceContext& dc) : m_dc(dc), m_mode(dc.stretchMode()) {}
    ~StretchModeKept() { m_dc.setStretchMode(m_mode); }
    StretchModeKept(const StretchModeKept&) = delete;
    StretchModeKept& operator=(const StretchModeKept&) = delete;

private:
    platform::DeviceContext& m_dc;
    platform::StretchMode m_mode;
};

} // namespace

PICTAVO_DEFINE_CLASS(TPixelPicture, TGraphic, nullptr, nullptr)

TPixelPicture::TPixelPicture() : m_store(std::make_shared<Store>()) {}

TPixelPicture::~TPixelPicture() = default;

const platform::Section* TPixelPicture::Pixels() const
{
    return m_store->pixels.get();
}

bool TPixelPicture::HasAlpha() const
{
    return m_store->alpha;
}

void TPixelPicture::CopyTo(TPersistent* destination) const
{
    if (destination && destination->InheritsFrom(TBitmap::StaticClass())) {
        TBitmap copy;
        if (m_store->pixels) {
            std::unique_ptr<platform::Section> pixels = m_store->pixels->clone();
            if (!pixels)
                OutOfResources();
            copy.SetPlatformHandle(std::move(pixels));
        }
        destination->CopyFrom(&copy);
        return;
    }
    TGraphic::CopyTo(destination);
}

void TPixelPicture::PaintInto(TCanvas& canvas, const TRect& rect)
{
    const platform::Section* pixels = m_store->pixels.get();
    if (!pixels)
        return;
    platform::DeviceContext& dc = *canvas.Handle();
    const TRect source{0, 0, pixels->width(), pixels->height()};
    if (m_store->alpha) {
        if (!m_store->premultiplied)
            m_store->premultiplied = premultiply(*pixels);
        dc.alphaStretchBlt(rect, *m_store->premultiplied, source, 255, /*perPixelAlpha=*/true);
        return;
    }
    StretchModeKept kept(dc);
    dc.setStretchMode(platform::StretchMode::ColorOnColor);
    dc.stretchBlt(rect, *pixels, source, canvas.CopyMode());
}

bool TPixelPicture::IsEmpty() const
{
    return !m_store->pixels;
}

int TPixelPicture::ReadHeight() const
{
    return m_store->pixels ? m_store->pixels->height() : 0;
}

int TPixelPicture::ReadWidth() const
{
    return m_store->pixels ? m_store->pixels->width() : 0;
}

void TPixelPicture::SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette)
{
    TBitmap bitmap;
    CopyTo(&bitmap);
    bitmap.SaveClipboardData(format, data, palette);
}

void TPixelPicture::setPixels(std::unique_ptr<platform::Section> pixels, bool alpha)
{
    auto store = std::make_shared<Store>();
    store->alpha = alpha && pixels;
    store->pixels = std::move(pixels);
    m_store = std::move(store);
    NotifyChange(this);
}

void TPixelPicture::sharePixels(const TPixelPicture& other)
{
    m_store = other.m_store;
    NotifyChange(this);
}

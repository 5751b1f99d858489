#include "picture/jpeg/jpeg_image.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/exif.h"
#include "platform/display.h"
#include "platform/palette.h"

namespace {

constexpr auto cannotChangeSize = "Cannot change the size of a JPEG image";
constexpr auto jpegDescription = "JPEG Image File";

bool paletteDisplay()
{
    const platform::DisplayInfo display = platform::displayInfo();
    return display.bitsPerPixel * display.planes <= 8;
}

} // namespace

PICTAVO_DEFINE_CLASS(TJPEGImage, TGraphic, createObjectOf<TJPEGImage>, nullptr)

TJPEGDefaults& JPEGDefaultSettings()
{
    static TJPEGDefaults defaults;
    return defaults;
}

TJPEGData::TJPEGData() = default;
TJPEGData::~TJPEGData() = default;

TJPEGImage::TJPEGImage() : m_data(new TJPEGData())
{
    const TJPEGDefaults& defaults = JPEGDefaultSettings();
    m_blockSmoothing = defaults.BlockSmoothing;
    m_grayOnly = defaults.GrayOnly;
    m_outputDepth = defaults.OutputDepth;
    m_encodeQuality = defaults.EncodeQuality;
    m_showPasses = defaults.ShowPasses;
    m_encodeProgressive = defaults.EncodeProgressive;
    m_speedOverQuality = defaults.SpeedOverQuality;
    m_scaleShift = defaults.ScaleShift > 3 ? 3 : defaults.ScaleShift;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::newData()
{
    m_data = SharedRef<TJPEGData>(new TJPEGData());
    m_decodeFailed = false;
}

void TJPEGImage::CopyTo(TPersistent* destination) const
{
    if (destination && destination->InheritsFrom(TBitmap::StaticClass())) {
        // Decoding fills a cache the image keeps; the picture itself does not change.
        TBitmap& decoded = const_cast<TJPEGImage*>(this)->DecodedBitmap();
        destination->CopyFrom(&decoded);
        return;
    }
    TGraphic::CopyTo(destination);
}

void TJPEGImage::CopyFrom(const TPersistent* source)
{
    if (source && source->InheritsFrom(TJPEGImage::StaticClass())) {
        const auto* other = static_cast<const TJPEGImage*>(source);
        if (other == this)
            return;
        std::shared_ptr<TBitmap> bitmap;
        if (other->m_bitmap) {
            bitmap = std::make_shared<TBitmap>();
            bitmap->CopyFrom(other->m_bitmap.get());
        }
        m_data = other->m_data;
        m_bitmap = std::move(bitmap);
        m_decodeFailed = false;
    } else if (source && source->InheritsFrom(TBitmap::StaticClass())) {
        auto bitmap = std::make_shared<TBitmap>();
        bitmap->CopyFrom(source);
        newData();
        m_bitmap = std::move(bitmap);
    } else {
        TGraphic::CopyFrom(source);
    }
}

void TJPEGImage::PaintInto(TCanvas& canvas, const TRect& rect)
{
    if (!m_bitmap && (!m_data->Bytes || m_decodeFailed))
        return;
    canvas.StretchDraw(rect, &DecodedBitmap());
}

bool TJPEGImage::SameImage(TGraphic& graphic)
{
    if (!graphic.InheritsFrom(TJPEGImage::StaticClass()))
        return false;
    return static_cast<TJPEGImage&>(graphic).m_data.get() == m_data.get();
}

bool TJPEGImage::IsEmpty() const
{
    if (m_data->Bytes)
        return false;
    return !m_bitmap || m_bitmap->IsEmpty();
}

int TJPEGImage::ReadHeight() const
{
    if (m_bitmap)
        return m_bitmap->Height();
    return exif::swapsSides(m_data->Orientation) ? m_data->Width : m_data->Height;
}

int TJPEGImage::ReadWidth() const
{
    if (m_bitmap)
        return m_bitmap->Width();
    return exif::swapsSides(m_data->Orientation) ? m_data->Height : m_data->Width;
}

TPaletteHandle TJPEGImage::ReadPalette()
{
    if (m_bitmap)
        return m_bitmap->ReadPalette();
    if (m_ownPalette)
        return m_ownPalette;
    if (m_outputDepth == jd24Bit && paletteDisplay())
        m_ownPalette = std::make_shared<const platform::Palette>(platform::createHalftonePalette());
    return m_ownPalette;
}

void TJPEGImage::WritePalette(TPaletteHandle palette)
{
    if (palette == m_ownPalette)
        return;
    // The pixels are decoded again with the new palette. An image made from a bitmap has
    // nothing to decode them from, so it keeps them.
    const bool dropBitmap = m_bitmap && m_data->Bytes && palette != m_bitmap->ReadPalette();
    if (dropBitmap)
        m_bitmap.reset();
    m_ownPalette = std::move(palette);
    if (dropBitmap) {
        SetPaletteChangedFlag(true);
        NotifyChange(this);
    }
}

void TJPEGImage::WriteHeight(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TJPEGImage::WriteWidth(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TJPEGImage::ReadStoredData(TStream& stream)
{
    const std::uint32_t count = stream.ReadU32();
    loadBytes(stream, count);
}

void TJPEGImage::WriteStoredData(TStream& stream)
{
    // Pixels without compressed bytes would be written as an empty picture.
    if (!m_data->Bytes && m_bitmap && !m_bitmap->IsEmpty())
        EnsureCompressed();
    const TMemoryStream* bytes = m_data->Bytes.get();
    const std::int64_t count = bytes ? std::int64_t(bytes->Bytes().size()) : 0;
    stream.WriteU32(std::uint32_t(count));
    if (count > 0)
        stream.WriteBuffer(bytes->Bytes().data(), count);
}

void TJPEGImage::LoadStream(TStream& stream)
{
    loadBytes(stream, stream.Size() - stream.Position());
}

void TJPEGImage::SaveStream(TStream& stream)
{
    EnsureCompressed();
    if (const TMemoryStream* bytes = m_data->Bytes.get(); bytes && !bytes->Bytes().empty())
        stream.WriteBuffer(bytes->Bytes().data(), std::int64_t(bytes->Bytes().size()));
}

void TJPEGImage::LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                                   const TPaletteHandle& palette)
{
    auto bitmap = std::make_shared<TBitmap>();
    bitmap->LoadClipboardData(format, data, palette);
    // The compressed bytes were of the previous picture; the new one is compressed when saved.
    newData();
    m_bitmap = std::move(bitmap);
}

void TJPEGImage::SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette)
{
    DecodedBitmap().SaveClipboardData(format, data, palette);
}

TBitmap& TJPEGImage::DecodedBitmap()
{
    decode();
    // A progress handler that gave a new palette dropped the bitmap being decoded: decode
    // once more with that palette.
    if (!m_bitmap)
        decode();
    if (!m_bitmap)
        m_bitmap = std::make_shared<TBitmap>();
    return *m_bitmap;
}

void RegisterJPEGFormat()
{
    if (FileFormats().Contains("jpeg", TJPEGImage::StaticClass()))
        return;
    if (paletteDisplay())
        JPEGDefaultSettings().OutputDepth = jd8Bit;
    RegisterFileFormat("jpeg", jpegDescription, TJPEGImage::StaticClass());
    RegisterFileFormat("jpg", jpegDescription, TJPEGImage::StaticClass());
}

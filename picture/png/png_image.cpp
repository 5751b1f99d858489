#include "picture/png/png_image.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/byte_reader.h"
#include "picture/png/png_codec.h"
#include "platform/section.h"

namespace {

constexpr auto cannotChangeSize = "Cannot change the size of a PNG image";
constexpr auto pngDescription = "PNG Image";

} // namespace

PICTAVO_DEFINE_CLASS(TPNGImage, TPixelPicture, createObjectOf<TPNGImage>, nullptr)

TPNGImage::TPNGImage() = default;
TPNGImage::~TPNGImage() = default;

void TPNGImage::CopyFrom(const TPersistent* source)
{
    if (source && source->InheritsFrom(TPNGImage::StaticClass())) {
        if (source != this)
            sharePixels(*static_cast<const TPNGImage*>(source));
        return;
    }
    if (source && source->InheritsFrom(TBitmap::StaticClass())) {
        copyBitmap(*source);
        return;
    }
    TGraphic::CopyFrom(source);
}

void TPNGImage::copyBitmap(const TPersistent& source)
{
    // A copy of the bitmap shares its pixels until it converts them to a layout of ours.
    TBitmap bitmap;
    bitmap.CopyFrom(&source);
    if (bitmap.IsEmpty()) {
        setPixels(nullptr, false);
        return;
    }
    const TPixelLayout layout = bitmap.PixelLayout();
    bitmap.SetPixelLayout(layout == pl1Bit || layout == pl4Bit || layout == pl8Bit ? pl8Bit : pl24Bit);
    setPixels(bitmap.ReleasePlatformHandle(), false);
}

void TPNGImage::WriteHeight(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TPNGImage::WriteWidth(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TPNGImage::ReadStoredData(TStream& stream)
{
    const std::uint32_t count = stream.ReadU32();
    loadBytes(stream, count);
}

void TPNGImage::WriteStoredData(TStream& stream)
{
    TMemoryStream file;
    SaveStream(file);
    stream.WriteU32(std::uint32_t(file.Size()));
    if (file.Size() > 0)
        stream.WriteBuffer(file.Memory(), file.Size());
}

void TPNGImage::LoadStream(TStream& stream)
{
    loadBytes(stream, stream.Size() - stream.Position());
}

void TPNGImage::loadBytes(TStream& stream, std::int64_t count)
{
    // Bytes already in memory are decoded where they are.
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream); memory && count >= 0 && count <= memory->Size() - memory->Position()) {
        const std::span<const std::uint8_t> file(memory->Memory() + memory->Position(), std::size_t(count));
        png::Decoded decoded = png::decode(file);
        memory->Seek(count, SeekOrigin::Current);
        setPixels(std::move(decoded.pixels), decoded.alpha);
        return;
    }
    const std::vector<std::uint8_t> file = bytes::BudgetReader(stream, stream.Size() - stream.Position()).bytes(count);
    png::Decoded decoded = png::decode(file);
    setPixels(std::move(decoded.pixels), decoded.alpha);
}

void TPNGImage::SaveStream(TStream& stream)
{
    if (const platform::Section* pixels = Pixels())
        png::encode(*pixels, HasAlpha(), stream, m_compressionLevel);
}

void TPNGImage::LoadClipboardData(std::uint16_t format, const TClipboardHandle& data, const TPaletteHandle& palette)
{
    TBitmap bitmap;
    bitmap.LoadClipboardData(format, data, palette);
    copyBitmap(bitmap);
}

void RegisterPNGFormat()
{
    if (FileFormats().Contains("png", TPNGImage::StaticClass()))
        return;
    RegisterFileFormat("png", pngDescription, TPNGImage::StaticClass());
}

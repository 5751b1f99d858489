// Writing bitmap files, the stored-property form and clipboard data.

#include "picture/bitmap/bitmap.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap_image.h"
#include "platform/palette.h"
#include "platform/section.h"


namespace {

constexpr std::uint32_t fileHeaderSize = 14;
constexpr std::uint32_t coreHeaderSize = 12;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t maskBytes = 12;
constexpr std::uint16_t clipboardBitmap = 2;

constexpr std::array<std::uint32_t, 3> defaultMasks16{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> defaultMasks32{0xFF0000, 0x00FF00, 0x0000FF};

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// The core header can only say what a bottom-up, uncompressed picture of 1, 4, 8 or 24 bits
// no wider or taller than 65535 pixels is; anything else is written with the 40-byte header.
bool fitsCoreHeader(const platform::Section& section)
{
    const int bits = section.bitCount();
    return section.compression() == platform::BI_RGB && !section.isTopDown()
           && section.width() <= 0xFFFF && section.height() <= 0xFFFF
           && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
}

} // namespace

void TBitmap::SaveStream(TStream& stream)
{
    writeFile(stream);
}

void TBitmap::writeFile(TStream& stream)
{
    if (!handleNeeded())
        return;
    const TBitmapImage& image = *m_image;
    // A device bitmap is written as a section of its own depth, made for the purpose; the
    // bitmap itself stays as it is.
    std::unique_ptr<platform::Section> converted;
    if (!image.section())
        converted = remakeBitmap(image.pixels(), sectionFormOf(image.description), image.palette.get(),
                                 std::nullopt);
    const platform::Section& section = converted ? *converted : *image.section();
    platform::BitmapInfoHeader header = section.header();
    const int bits = header.biBitCount;

    std::vector<platform::RgbQuad> colours = section.colourTable();
    if (colours.empty() && image.palette && !image.halftone)
        colours = colourTableFromPalette(*image.palette);
    const bool bitFields = bits > 8 && header.biCompression == platform::BI_BITFIELDS;
    std::array<std::uint32_t, 3> masks = section.masks();
    // Bit fields without any mask take the depth's defaults. A red mask of 0 alone is a real
    // layout (pixels without red) and is written as it is: the defaults would recolour them.
    if (bitFields && (masks[0] | masks[1] | masks[2]) == 0)
        masks = bits == 16 ? defaultMasks16 : defaultMasks32;
    // A header must not promise colours the file does not carry.
    header.biClrUsed = std::uint32_t(colours.size());

    const bool core = image.os2 && fitsCoreHeader(section);
    const std::uint32_t headerBytes = core ? coreHeaderSize : infoHeaderSize + (bitFields ? maskBytes : 0);
    const std::uint32_t colourBytes =
        core ? (bits <= 8 ? 3u << bits : 0u) : std::uint32_t(colours.size() * 4);
    const std::uint32_t pixelBytes = std::uint32_t(section.imageSize());

    std::vector<std::uint8_t> head;
    head.reserve(fileHeaderSize + headerBytes + colourBytes);
    head.push_back('B');
    head.push_back('M');
    put32(head, fileHeaderSize + headerBytes + colourBytes + pixelBytes);
    put32(head, 0);  // both reserved fields
    put32(head, fileHeaderSize + headerBytes + colourBytes);
    if (core) {
        put32(head, coreHeaderSize);
        put16(head, std::uint32_t(section.width()));
        put16(head, std::uint32_t(section.height()));
        put16(head, 1);
        put16(head, std::uint32_t(bits));
        // Core colour tables have 3-byte entries, as many as the depth allows.
        for (std::uint32_t i = 0; i < colourBytes / 3; ++i) {
            const platform::RgbQuad q = i < colours.size() ? colours[i] : platform::RgbQuad{};
            head.insert(head.end(), {q.blue, q.green, q.red});
        }
    } else {
        put32(head, infoHeaderSize);
        put32(head, std::uint32_t(header.biWidth));
        put32(head, std::uint32_t(header.biHeight));
        put16(head, 1);
        put16(head, std::uint32_t(bits));
        put32(head, header.biCompression);
        put32(head, pixelBytes);
        put32(head, std::uint32_t(header.biXPelsPerMeter));
        put32(head, std::uint32_t(header.biYPelsPerMeter));
        put32(head, header.biClrUsed);
        put32(head, header.biClrImportant);
        if (bitFields)
            for (std::uint32_t mask : masks)
                put32(head, mask);
        for (const platform::RgbQuad& q : colours)
            head.insert(head.end(), {q.blue, q.green, q.red, 0});
    }
    stream.WriteBuffer(head.data(), std::int64_t(head.size()));
    stream.WriteBuffer(section.bits(), pixelBytes);
}

void TBitmap::WriteStoredData(TStream& stream)
{
    TMemoryStream file;
    writeFile(file);
    stream.WriteU32(std::uint32_t(file.Size()));
    stream.WriteBuffer(file.Memory(), file.Size());
}

void TBitmap::SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette)
{
    format = clipboardBitmap;
    data.reset();
    palette = ReadPalette();
    if (!handleNeeded())
        return;
    const platform::Section& pixels = *m_image->pixels();
    std::unique_ptr<platform::Section> copy = pixels.isDevice() ? pixels.clone() : toDisplayDevice(pixels);
    if (!copy)
        OutOfResources();
    data = std::shared_ptr<const platform::Section>(std::move(copy));
}

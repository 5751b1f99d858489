#include "platform/metafile/dib.h"

#include "platform/byte_cursor.h"
#include "platform/embedded_image.h"

#include <QImage>

#include <cstring>

namespace platform::metafile {

namespace {

enum : std::uint32_t { BI_JPEG = 4, BI_PNG = 5 };

// Embedded JPEG and PNG pictures beyond this many pixels are not decoded.
constexpr std::int64_t maxEmbeddedPixels = std::int64_t(1) << 24;

std::unique_ptr<Section> sectionFromEmbedded(std::span<const std::uint8_t> bits, const char* format)
{
    const QImage image = decodeEmbeddedImage(bits, format, [](QSize size) {
                             return std::int64_t(size.width()) * size.height() <= maxEmbeddedPixels;
                         }).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return nullptr;
    auto section = Section::createDisplayCompatible(image.width(), image.height());
    if (!section)
        return nullptr;
    for (int y = 0; y < image.height(); ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(section->row(y));
        const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out[x] = in[x] & 0x00FFFFFF;
    }
    return section;
}

// Run-length coded rows (8 or 4 bits per pixel) into a bottom-up section's rows.
void decodeRle(std::span<const std::uint8_t> bits, Section& section, int bitCount)
{
    bytes::ByteCursor in(bits);
    int x = 0, y = 0;  // y counts from the bottom row
    const int width = section.width(), height = section.height();
    const auto put = [&](int value) {
        if (x < width && y < height)
            section.row(height - 1 - y)[bitCount == 8 ? x : x / 2] |=
                std::uint8_t(bitCount == 8 ? value : (x % 2 == 0 ? value << 4 : value));
        ++x;
    };
    while (in.ok() && in.remaining() >= 2 && y < height) {
        const int count = in.u8(), value = in.u8();
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(bitCount == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0xF));
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += in.u8();
            y += in.u8();
        } else {
            const int literal = value;
            const int byteCount = bitCount == 8 ? literal : (literal + 1) / 2;
            const auto run = in.span(std::size_t(byteCount));
            if (!in.ok())
                break;
            for (int i = 0; i < literal && x < width; ++i)
                put(bitCount == 8 ? run[std::size_t(i)]
                                  : (i % 2 == 0 ? run[std::size_t(i / 2)] >> 4 : run[std::size_t(i / 2)] & 0xF));
            if (byteCount % 2)
                in.skip(1);
        }
    }
}

} // namespace

std::unique_ptr<Section> sectionFromDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                        std::uint32_t usage, const Palette* palette)
{
    bytes::ByteCursor in(info);
    const std::uint32_t headerSize = in.u32();
    BitmapInfoHeader h;
    std::size_t tableEntrySize = 4;
    if (headerSize == 12) {
        // The core header: 16-bit sizes and three-byte colour-table entries.
        h.biWidth = in.u16();
        h.biHeight = in.u16();
        h.biPlanes = in.u16();
        h.biBitCount = in.u16();
        tableEntrySize = 3;
    } else if (headerSize >= 40 && headerSize <= info.size()) {
        h.biWidth = in.i32();
        h.biHeight = in.i32();
        h.biPlanes = in.u16();
        h.biBitCount = in.u16();
        h.biCompression = in.u32();
        h.biSizeImage = in.u32();
        h.biXPelsPerMeter = in.i32();
        h.biYPelsPerMeter = in.i32();
        h.biClrUsed = in.u32();
        h.biClrImportant = in.u32();
    } else {
        return nullptr;
    }
    if (!in.ok())
        return nullptr;
    if (h.biCompression == BI_JPEG)
        return sectionFromEmbedded(bits, "JPEG");
    if (h.biCompression == BI_PNG)
        return sectionFromEmbedded(bits, "PNG");

    std::array<std::uint32_t, 3> masks{};
    const std::array<std::uint32_t, 3>* maskPointer = nullptr;
    if (h.biCompression == BI_BITFIELDS) {
        bytes::ByteCursor maskIn(info, headerSize > 40 ? 40 : headerSize);
        for (auto& m : masks)
            m = maskIn.u32();
        if (!maskIn.ok())
            return nullptr;
        maskPointer = &masks;
    }
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    if (rle && (h.biHeight < 0 || h.biBitCount != (h.biCompression == BI_RLE8 ? 8 : 4)))
        return nullptr;

    // The colour table follows the header (and, for bit fields with the 40-byte header, the
    // three masks).
    std::vector<RgbQuad> table;
    if (h.biBitCount <= 8) {
        std::size_t count = h.biClrUsed ? h.biClrUsed : (std::size_t(1) << h.biBitCount);
        count = std::min<std::size_t>(count, std::size_t(1) << h.biBitCount);
        std::size_t at = headerSize;
        if (usage == 1) {
            // Indexes into the selected palette.
            bytes::ByteCursor t(info, at);
            for (std::size_t i = 0; i < count && t.has(2); ++i) {
                const std::uint16_t index = t.u16();
                const Colour c = palette && palette->size() > 0 ? palette->colour(index % std::uint16_t(palette->size())) : 0;
                table.push_back(quadOf(c));
            }
        } else {
            bytes::ByteCursor t(info, at);
            for (std::size_t i = 0; i < count && t.has(tableEntrySize); ++i) {
                RgbQuad q;
                q.blue = t.u8();
                q.green = t.u8();
                q.red = t.u8();
                if (tableEntrySize == 4)
                    t.u8();
                table.push_back(q);
            }
        }
    }
    BitmapInfoHeader create = h;
    create.biCompression = rle ? BI_RGB : h.biCompression;
    if (create.biHeight == 0 || create.biWidth <= 0)
        return nullptr;
    const std::int64_t stride = sectionStride(create.biWidth, create.biBitCount);
    const std::int64_t rows = create.biHeight < 0 ? -std::int64_t(create.biHeight) : create.biHeight;
    // The bits must hold every row (coded pictures: at least a byte for every 64 pixels
    // they claim), so the record's own bytes bound what is made.
    if (!rle && stride * rows > std::int64_t(bits.size()))
        return nullptr;
    if (rle && stride * rows > std::int64_t(bits.size()) * 64 + 4096)
        return nullptr;
    auto section = Section::create(create, table, maskPointer);
    if (!section)
        return nullptr;
    if (rle) {
        decodeRle(bits, *section, h.biBitCount);
    } else {
        // Rows as stored: the section keeps the header's row order.
        std::memcpy(section->bits(), bits.data(), std::min<std::size_t>(section->imageSize(), bits.size()));
    }
    return section;
}

PackedDib splitPackedDib(std::span<const std::uint8_t> packed, std::uint32_t usage)
{
    bytes::ByteCursor in(packed);
    const std::uint32_t headerSize = in.u32();
    std::size_t infoSize = 0;
    if (headerSize == 12) {
        in.skip(4);
        in.u16();
        const std::uint16_t bitCount = in.u16();
        infoSize = 12 + (bitCount <= 8 ? (std::size_t(1) << bitCount) * (usage == 1 ? 2 : 3) : 0);
    } else if (headerSize >= 40) {
        in.skip(6);
        const std::uint16_t bitCount = in.u16();
        const std::uint32_t compression = in.u32();
        in.skip(12);
        const std::uint32_t used = in.u32();
        std::size_t colours = 0;
        if (bitCount <= 8)
            colours = std::min<std::size_t>(used ? used : (std::size_t(1) << bitCount), std::size_t(1) << bitCount);
        infoSize = headerSize + colours * (usage == 1 ? 2 : 4);
        if (compression == BI_BITFIELDS && headerSize == 40)
            infoSize += 12;
    } else {
        return {};
    }
    if (!in.ok() || infoSize > packed.size())
        return {};
    return {packed.first(infoSize), packed.subspan(infoSize)};
}

DibBytes dibOf(const Section& section, Colour monochromeZero, Colour monochromeOne)
{
    DibBytes out;
    const BitmapInfoHeader& h = section.header();
    const bool device = section.isDevice();
    const bool monochromeDevice = section.kind() == Section::Kind::MonochromeDevice;
    std::vector<RgbQuad> table = section.colourTable();
    if (monochromeDevice)
        table = {quadOf(monochromeZero), quadOf(monochromeOne)};
    const bool bitfields = h.biCompression == BI_BITFIELDS && !device;
    out.info.resize(40 + (bitfields ? 12 : 0) + table.size() * 4);
    std::uint8_t* p = out.info.data();
    bytes::storeU32(p, 40);
    bytes::storeU32(p + 4, std::uint32_t(h.biWidth));
    bytes::storeU32(p + 8, std::uint32_t(h.biHeight));
    bytes::storeU16(p + 12, 1);
    bytes::storeU16(p + 14, h.biBitCount);
    bytes::storeU32(p + 16, bitfields ? BI_BITFIELDS : BI_RGB);
    bytes::storeU32(p + 20, std::uint32_t(section.imageSize()));
    bytes::storeU32(p + 32, std::uint32_t(table.size()));
    std::size_t at = 40;
    if (bitfields) {
        for (std::uint32_t m : section.masks()) {
            bytes::storeU32(p + at, m);
            at += 4;
        }
    }
    for (const RgbQuad& q : table) {
        p[at] = q.blue;
        p[at + 1] = q.green;
        p[at + 2] = q.red;
        p[at + 3] = 0;
        at += 4;
    }
    out.bits.assign(section.bits(), section.bits() + section.imageSize());
    return out;
}

} // namespace platform::metafile

#include "platform/metafile/dib.h"

#include "platform/byte_cursor.h"
#include "platform/dib_header.h"
#include "platform/embedded_image.h"
#include "platform/metafile/emf_records.h"
#include "platform/rle.h"

#include <QImage>

#include <cstring>
#include <optional>

namespace platform::metafile {

using namespace emf;

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

} // namespace

std::unique_ptr<Section> sectionFromDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                        std::uint32_t usage, const Palette* palette)
{
    const std::optional<DibHeader> dib = readDibHeader(info);
    if (!dib)
        return nullptr;
    const BitmapInfoHeader& h = dib->header;
    if (h.biCompression == BI_JPEG)
        return sectionFromEmbedded(bits, "JPEG");
    if (h.biCompression == BI_PNG)
        return sectionFromEmbedded(bits, "PNG");
    const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
    if (rle && (h.biHeight < 0 || h.biBitCount != (h.biCompression == BI_RLE8 ? 8 : 4)))
        return nullptr;

    // Pictures of up to 8 bits take at most a full table; indexes past it draw black.
    std::vector<RgbQuad> table;
    if (h.biBitCount <= 8) {
        const std::size_t count = std::min<std::size_t>(dib->colourCount(), std::size_t(1) << h.biBitCount);
        const auto stored = info.subspan(std::min(dib->tableOffset(), info.size()));
        if (usage == DIB_PAL_COLORS) {
            // Indexes into the selected palette.
            bytes::ByteCursor t(stored);
            for (std::size_t i = 0; i < count && t.has(2); ++i) {
                const std::uint16_t index = t.u16();
                const Colour c = palette && palette->size() > 0 ? palette->colour(index % std::uint16_t(palette->size())) : 0;
                table.push_back(quadOf(c));
            }
        } else {
            table = readColourTable(stored, count, dib->entrySize());
        }
    }
    BitmapInfoHeader create = h;
    // Coded pictures are decoded into 8 bits per pixel, whatever their depth.
    if (rle) {
        create.biCompression = BI_RGB;
        create.biBitCount = 8;
    }
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
    const bool ownMasks = h.biCompression == BI_BITFIELDS && (dib->masks[0] | dib->masks[1] | dib->masks[2]) != 0;
    auto section = Section::create(create, table, ownMasks ? &dib->masks : nullptr);
    if (!section)
        return nullptr;
    if (rle) {
        decodeRle(bits, h.biBitCount, section->width(), section->height(),
                  [&](int x, int y, std::span<const std::uint8_t> indexes) {
                      std::memcpy(section->row(y) + x, indexes.data(), indexes.size());
                  });
    } else {
        // Rows as stored: the section keeps the header's row order.
        std::memcpy(section->bits(), bits.data(), std::min<std::size_t>(section->imageSize(), bits.size()));
    }
    return section;
}

PackedDib splitPackedDib(std::span<const std::uint8_t> packed, std::uint32_t usage)
{
    const std::optional<DibHeader> dib = readDibHeader(packed);
    if (!dib)
        return {};
    // Pictures of up to 8 bits hold at most a full table; deeper ones may carry a table of
    // colours to prefer, which is passed over when it fits.
    const std::size_t entrySize = usage == DIB_PAL_COLORS ? 2 : dib->entrySize();
    const bool indexed = dib->header.biBitCount <= 8;
    std::uint64_t colours = dib->colourCount();
    if (indexed)
        colours = std::min<std::uint64_t>(colours, std::uint64_t(1) << dib->header.biBitCount);
    std::uint64_t infoSize = dib->tableOffset() + colours * entrySize;
    if (!indexed && infoSize > packed.size())
        infoSize = dib->tableOffset();
    if (infoSize > packed.size())
        return {};
    return {packed.first(std::size_t(infoSize)), packed.subspan(std::size_t(infoSize))};
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

#include "picture/gif/gif_codec.h"

#include "framework/exceptions.h"
#include "picture/byte_reader.h"
#include "picture/gif/gif_errors.h"
#include "picture/gif/gif_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace gif {

namespace {

// One row of indexes (one byte each) packed into a bitmap row of the depth: the first pixel in
// the most significant bits of each byte.
void packRow(const std::uint8_t* indexes, int width, int depth, std::uint8_t* row)
{
    if (depth == 8) {
        std::memcpy(row, indexes, std::size_t(width));
        return;
    }
    const int perByte = 8 / depth;
    for (int x = 0; x < width; x += perByte) {
        std::uint8_t value = 0;
        const int count = std::min(perByte, width - x);
        for (int i = 0; i < count; ++i)
            value = std::uint8_t(value | (indexes[x + i] << (8 - depth * (i + 1))));
        row[x / perByte] = value;
    }
}

// Calls `fill(image row, indexes of that row)` for every row the decoded indexes reach.
template <class Fill>
void forEachDecodedRow(const TGIFItem& item, bool interlaced, const FrameIndexes& indexes, Fill&& fill)
{
    const RowOrder order(item.Height, interlaced);
    for (int n = 0; n < item.Height; ++n)
        fill(order.row(n), indexes.data() + std::int64_t(n) * item.Width);
}

} // namespace

int bitmapDepthFor(int bitsPerPixel)
{
    if (bitsPerPixel == 1)
        return 1;
    if (bitsPerPixel >= 2 && bitsPerPixel <= 4)
        return 4;
    if (bitsPerPixel >= 5 && bitsPerPixel <= 8)
        return 8;
    return 0;
}

FrameIndexes::FrameIndexes(std::int64_t pixelCount)
    : m_size(std::size_t(pixelCount) + lzwOutputSlack)
{
    // Large blocks come zeroed from the system without being written first.
    m_data = static_cast<std::uint8_t*>(std::calloc(m_size, 1));
    if (!m_data)
        OutOfResources();
}

FrameIndexes::~FrameIndexes()
{
    std::free(m_data);
}

std::unique_ptr<FrameIndexes> decodeIndexes(const TGIFItem& item, const LzwProgress& progress)
{
    if (bitmapDepthFor(item.BitsPerPixel) == 0)
        throw EInvalidGraphicOperation(gifMessages::wrongColourCount);
    const std::span<const std::uint8_t> data(item.CompressedData);
    const int minimumCodeSize = data.empty() ? 0 : data[0];
    if (minimumCodeSize < 2 || minimumCodeSize > 9)
        throw EInvalidGraphicOperation(gifMessages::codeSizeOutOfRange);
    if (item.Width <= 0 || item.Height <= 0)
        return nullptr;

    const std::int64_t pixelCount = std::int64_t(item.Width) * item.Height;
    // A picture its data could never fill is damaged beyond use; refusing it here keeps a few
    // bytes from claiming gigabytes.
    if (pixelCount > maxDecodablePixels(std::int64_t(data.size()), minimumCodeSize))
        throw EReadError(gifMessages::streamReadError);
    // The frame's bitmap is held in the display's format, four bytes a pixel.
    if (pixelCount * 4 > platform::maxSectionBytes)
        OutOfResources();

    // The indexes' memory is taken from the system as it is written, so a claim the data does
    // not back costs little; the bitmap is made only for data that fills the whole frame.
    auto indexes = std::make_unique<FrameIndexes>(pixelCount);
    try {
        if (decodeLzw(data, item.BitsPerPixel, indexes->buffer(), pixelCount, progress).pixels < pixelCount)
            throw EReadError(gifMessages::streamReadError);
    } catch (const EAbort&) {
        // Whatever was decoded stays: the rest of the output is still zero.
        indexes->aborted = true;
    }
    return indexes;
}

std::vector<platform::RgbQuad> bitmapColours(const TGIFItem& item)
{
    const int depth = bitmapDepthFor(item.BitsPerPixel);
    std::vector<platform::RgbQuad> colours(std::size_t(1) << depth, platform::RgbQuad{128, 128, 128, 128});
    for (int i = 0; i < std::min<int>(item.ColorTable.Count, int(colours.size())); ++i) {
        const std::uint8_t* rgb = &item.ColorTable.Entries[std::size_t(i) * 3];
        colours[std::size_t(i)] = {rgb[2], rgb[1], rgb[0], 0};
    }
    return colours;
}

std::unique_ptr<platform::Section> indexedSection(const TGIFItem& item, bool interlaced, const FrameIndexes& indexes)
{
    const int depth = bitmapDepthFor(item.BitsPerPixel);
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = item.Width;
    header.biHeight = item.Height;  // positive: rows bottom-up
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(depth);
    header.biCompression = platform::BI_RGB;
    auto section = platform::Section::create(header, bitmapColours(item));
    if (!section)
        OutOfResources();
    forEachDecodedRow(item, interlaced, indexes, [&](int row, const std::uint8_t* pixels) {
        packRow(pixels, item.Width, depth, section->row(row));
    });
    return section;
}

std::unique_ptr<platform::Section> displaySection(const TGIFItem& item, bool interlaced, const FrameIndexes& indexes)
{
    auto section = platform::Section::createDisplayCompatible(item.Width, item.Height);
    if (!section)
        OutOfResources();
    // Display pixels are 0x00RRGGBB words.
    std::array<std::uint32_t, 256> lookup{};
    const std::vector<platform::RgbQuad> colours = bitmapColours(item);
    for (std::size_t i = 0; i < colours.size(); ++i)
        lookup[i] = (std::uint32_t(colours[i].red) << 16) | (std::uint32_t(colours[i].green) << 8) | colours[i].blue;
    forEachDecodedRow(item, interlaced, indexes, [&](int row, const std::uint8_t* pixels) {
        auto* out = reinterpret_cast<std::uint32_t*>(section->row(row));
        for (int x = 0; x < item.Width; ++x)
            out[x] = lookup[pixels[x]];
    });
    return section;
}

IndexedRows IndexedPicture::rows() const
{
    IndexedRows result;
    result.width = width;
    result.height = height;
    result.depth = depth;
    result.row = [this](int row) {
        const std::ptrdiff_t memoryRow = topDown ? row : height - 1 - row;
        return bits.data() + offset + stride * memoryRow;
    };
    return result;
}

IndexedPicture readIndexedBitmapFile(std::vector<std::uint8_t> file)
{
    const auto refuse = [] { return EInvalidGraphicOperation(gifMessages::encodingError); };
    bytes::ByteCursor cursor(file);
    if (cursor.u16() != 0x4D42)
        throw refuse();
    cursor.skip(8);
    const std::uint32_t pixelOffset = cursor.u32();
    const std::size_t headerStart = cursor.position();
    const std::uint32_t headerSize = cursor.u32();

    IndexedPicture picture;
    std::uint32_t coloursUsed = 0;
    std::size_t entrySize = 4;
    std::int64_t height = 0;
    if (headerSize == 12) {
        picture.width = cursor.u16();
        height = cursor.u16();
        cursor.skip(2);
        picture.depth = cursor.u16();
        entrySize = 3;
    } else if (headerSize >= 40) {
        picture.width = cursor.i32();
        height = cursor.i32();
        cursor.skip(2);
        picture.depth = cursor.u16();
        if (cursor.u32() != platform::BI_RGB)
            throw refuse();
        cursor.skip(12);
        coloursUsed = cursor.u32();
    } else {
        throw refuse();
    }
    if (!cursor.ok() || (picture.depth != 1 && picture.depth != 4 && picture.depth != 8) || picture.width <= 0
        || height == 0 || std::llabs(height) > 65535 || picture.width > 65535)
        throw refuse();
    picture.topDown = height < 0;
    picture.height = int(std::llabs(height));

    const std::size_t tableSize = std::size_t(1) << picture.depth;
    const std::size_t entries = coloursUsed == 0 ? tableSize : std::min<std::size_t>(coloursUsed, tableSize);
    cursor.seek(headerStart + headerSize);
    picture.colours.assign(tableSize, platform::RgbQuad{});
    for (std::size_t i = 0; i < entries; ++i) {
        const std::span<const std::uint8_t> entry = cursor.span(entrySize);
        if (!cursor.ok())
            throw refuse();
        picture.colours[i] = {entry[0], entry[1], entry[2], 0};
    }

    picture.stride = std::ptrdiff_t(platform::sectionStride(picture.width, picture.depth));
    const std::uint64_t pixelBytes = std::uint64_t(picture.stride) * std::uint64_t(picture.height);
    if (pixelOffset > file.size() || file.size() - pixelOffset < pixelBytes)
        throw refuse();
    picture.offset = pixelOffset;
    picture.bits = std::move(file);
    return picture;
}

} // namespace gif

#include "platform/dib_header.h"

#include "platform/byte_cursor.h"

#include <algorithm>

namespace platform {

std::uint32_t DibHeader::colourCount() const
{
    if (header.biClrUsed != 0)
        return header.biClrUsed;
    const int bits = header.biBitCount;
    return bits == 1 || bits == 4 || bits == 8 ? 1u << bits : 0;
}

std::optional<DibHeader> readDibHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    DibHeader info;
    BitmapInfoHeader& h = info.header;
    h.biSize = bytes::loadU32(bytes.data());
    if (h.biSize < dibCoreHeaderSize || bytes.size() < std::min<std::size_t>(h.biSize, dibHeaderKeptBytes))
        return std::nullopt;
    if (h.biSize == dibCoreHeaderSize) {
        info.core = true;
        h.biWidth = bytes::loadU16(&bytes[4]);
        h.biHeight = bytes::loadU16(&bytes[6]);
        h.biPlanes = bytes::loadU16(&bytes[8]);
        h.biBitCount = bytes::loadU16(&bytes[10]);
        return info;
    }
    // Fields a short header lacks read as zero.
    std::array<std::uint8_t, dibHeaderKeptBytes> block{};
    std::copy_n(bytes.begin(), std::min<std::size_t>(h.biSize, dibHeaderKeptBytes), block.begin());
    bytes::ByteCursor in(block, 4);
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
    for (std::uint32_t& mask : info.masks)
        mask = in.u32();
    info.masksFollow = h.biSize == dibInfoHeaderSize && h.biCompression == BI_BITFIELDS
                       && (h.biBitCount == 16 || h.biBitCount == 32);
    if (info.masksFollow && bytes.size() >= dibInfoHeaderSize + 12)
        readFollowingMasks(info, bytes.subspan<dibInfoHeaderSize, 12>());
    return info;
}

void readFollowingMasks(DibHeader& header, std::span<const std::uint8_t, 12> bytes)
{
    for (std::size_t i = 0; i < 3; ++i)
        header.masks[i] = bytes::loadU32(&bytes[4 * i]);
}

std::vector<RgbQuad> readColourTable(std::span<const std::uint8_t> bytes, std::size_t count, std::size_t entrySize)
{
    std::vector<RgbQuad> table(std::min(count, bytes.size() / entrySize));
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint8_t* entry = &bytes[i * entrySize];
        table[i] = {entry[0], entry[1], entry[2], 0};
    }
    return table;
}

} // namespace platform

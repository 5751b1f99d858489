#include "platform/metafile/enhanced_metafile.h"

#include "platform/byte_cursor.h"
#include "platform/display.h"
#include "platform/metafile/emf_records.h"

namespace platform {

std::shared_ptr<const EnhancedMetafile> EnhancedMetafile::fromBytes(std::vector<std::uint8_t> data)
{
    bytes::ByteCursor in(data);
    const std::uint32_t type = in.u32();
    const std::uint32_t recordSize = in.u32();
    EnhancedMetafileHeader h;
    h.bounds = {in.i32(), in.i32(), in.i32(), in.i32()};
    h.frame = {in.i32(), in.i32(), in.i32(), in.i32()};
    const std::uint32_t sig = in.u32();
    h.version = in.u32();
    h.bytes = in.u32();
    h.records = in.u32();
    h.handles = in.u16();
    in.u16();
    const std::uint32_t descriptionChars = in.u32();
    const std::uint32_t descriptionOffset = in.u32();
    h.paletteEntries = in.u32();
    h.device = {in.i32(), in.i32()};
    h.millimetres = {in.i32(), in.i32()};
    if (!in.ok() || type != emf::EMR_HEADER || sig != emf::signature || recordSize < emf::headerSize
        || recordSize > data.size() || h.bytes < recordSize || h.bytes > data.size() || h.device.cx <= 0
        || h.device.cy <= 0 || h.millimetres.cx <= 0 || h.millimetres.cy <= 0)
        return nullptr;
    // Millimetres beyond the 32-bit range of micrometres keep the largest value it has.
    const auto micrometres = [](int mm) { return int(std::min<std::int64_t>(std::int64_t(mm) * 1000, INT32_MAX)); };
    h.micrometres = {micrometres(h.millimetres.cx), micrometres(h.millimetres.cy)};
    // Header extensions: the pixel-format fields (to 100 bytes), then the size in micrometres.
    if (recordSize >= 108 && (descriptionOffset == 0 || descriptionOffset >= 108)) {
        bytes::ByteCursor ext(data, 100);
        const Size micro{ext.i32(), ext.i32()};
        if (ext.ok() && micro.cx > 0 && micro.cy > 0)
            h.micrometres = micro;
    }
    data.resize(h.bytes);

    auto metafile = std::shared_ptr<EnhancedMetafile>(new EnhancedMetafile());
    metafile->m_header = h;
    // A description that does not fit in the header record is ignored.
    if (descriptionChars > 0 && descriptionOffset >= emf::headerSize && descriptionOffset < recordSize
        && descriptionChars <= (recordSize - descriptionOffset) / 2) {
        bytes::ByteCursor text(data, descriptionOffset);
        for (std::uint32_t i = 0; i < descriptionChars; ++i)
            metafile->m_description.push_back(char16_t(text.u16()));
    }
    metafile->m_bytes = std::move(data);
    return metafile;
}

std::optional<std::size_t> EnhancedMetafile::recordsEnd(std::span<const std::uint8_t> data)
{
    std::size_t position = 0;
    while (data.size() - position >= 8) {
        const std::uint32_t type = bytes::loadU32(&data[position]);
        const std::uint32_t size = bytes::loadU32(&data[position + 4]);
        if (size < 8 || size > data.size() - position)
            return std::nullopt;
        position += size;
        if (type == emf::EMR_EOF)
            return position;
    }
    return std::nullopt;
}

std::vector<PaletteEntry> EnhancedMetafile::paletteEntries() const
{
    // The palette sits in the end-of-file record, whose last field repeats its size.
    std::vector<PaletteEntry> entries;
    if (m_header.paletteEntries == 0 || m_bytes.size() < 20)
        return entries;
    const std::uint32_t lastSize = bytes::loadU32(&m_bytes[m_bytes.size() - 4]);
    if (lastSize < 20 || lastSize > m_bytes.size())
        return entries;
    bytes::ByteCursor in(m_bytes, m_bytes.size() - lastSize);
    if (in.u32() != emf::EMR_EOF)
        return entries;
    in.u32();
    const std::uint32_t count = in.u32();
    const std::uint32_t offset = in.u32();
    bytes::ByteCursor table(std::span<const std::uint8_t>(m_bytes).subspan(m_bytes.size() - lastSize, lastSize), offset);
    for (std::uint32_t i = 0; i < count && table.has(4); ++i) {
        PaletteEntry e;
        e.red = table.u8();
        e.green = table.u8();
        e.blue = table.u8();
        e.flags = table.u8();
        entries.push_back(e);
    }
    return entries;
}

ReferenceDevice screenReferenceDevice()
{
    const DisplayInfo display = displayInfo();
    ReferenceDevice device;
    device.pixels = display.pixels;
    device.millimetres = display.millimetres;
    device.dpiX = display.logicalDpiX;
    device.dpiY = display.logicalDpiY;
    device.bitsPerPixel = display.bitsPerPixel;
    return device;
}

} // namespace platform

#include "platform/metafile/emf_writer.h"

#include "platform/metafile/emf_records.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform::metafile {

std::vector<std::uint8_t> regionData(const QRegion& region)
{
    RecordBuilder block(32);  // the header size takes the place of a record type
    const QRect box = region.boundingRect();
    block.patch32(4, 1);      // rectangles
    block.u32(std::uint32_t(region.rectCount()));
    block.u32(std::uint32_t(region.rectCount()) * 16);
    block.rect({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
    for (const QRect& r : region)
        block.rect({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    return std::move(block.data());
}

void EmfWriter::add(RecordBuilder&& record)
{
    record.pad4();
    record.patch32(4, std::uint32_t(record.size()));
    m_body.insert(m_body.end(), record.data().begin(), record.data().end());
    ++m_records;
}

void EmfWriter::include(const QRectF& device)
{
    if (!device.isValid() && device.isNull())
        return;
    const auto edge = [](double v) {
        return int(std::lround(std::clamp(v, double(std::numeric_limits<int>::min() / 2),
                                          double(std::numeric_limits<int>::max() / 2))));
    };
    const Rect r{edge(std::floor(device.left())), edge(std::floor(device.top())), edge(std::ceil(device.right())),
                 edge(std::ceil(device.bottom()))};
    if (!m_hasBounds) {
        m_bounds = r;
        m_hasBounds = true;
        return;
    }
    m_bounds = {std::min(m_bounds.left, r.left), std::min(m_bounds.top, r.top), std::max(m_bounds.right, r.right),
                std::max(m_bounds.bottom, r.bottom)};
}

std::vector<std::uint8_t> EmfWriter::finish(Rect frame, Size devicePixels, Size millimetres,
                                            const std::u16string& description, std::uint16_t handles)
{
    // Bounds are inclusive; a recording that drew nothing has the empty bounds 0, 0, -1, -1.
    const Rect bounds = m_hasBounds ? Rect{m_bounds.left, m_bounds.top, m_bounds.right - 1, m_bounds.bottom - 1}
                                    : Rect{0, 0, -1, -1};
    if (frame.right <= frame.left || frame.bottom <= frame.top) {
        const auto toHundredths = [](std::int64_t pixels, int mm, int px) {
            return int(std::clamp<std::int64_t>(pixels * mm * 100 / std::max(px, 1), std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
        };
        frame = {toHundredths(bounds.left, millimetres.cx, devicePixels.cx),
                 toHundredths(bounds.top, millimetres.cy, devicePixels.cy),
                 toHundredths(bounds.right, millimetres.cx, devicePixels.cx),
                 toHundredths(bounds.bottom, millimetres.cy, devicePixels.cy)};
    }
    constexpr std::uint32_t headerBytes = 108;
    const std::uint32_t descriptionBytes = std::uint32_t((description.size() * 2 + 3) / 4 * 4);
    RecordBuilder header(emf::EMR_HEADER);
    header.rect(bounds).rect(frame);
    header.u32(emf::signature).u32(0x10000);
    header.u32(0);  // total size, below
    header.u32(m_records + 2);
    header.u16(handles).u16(0);
    header.u32(std::uint32_t(description.size())).u32(description.empty() ? 0 : headerBytes);
    header.u32(0);  // palette entries
    header.i32(devicePixels.cx).i32(devicePixels.cy).i32(millimetres.cx).i32(millimetres.cy);
    header.u32(0).u32(0).u32(0);  // no pixel format, not OpenGL
    header.i32(millimetres.cx * 1000).i32(millimetres.cy * 1000);
    for (char16_t c : description)
        header.u16(std::uint16_t(c));
    header.pad4();
    header.patch32(4, headerBytes + descriptionBytes);

    RecordBuilder eof(emf::EMR_EOF);
    eof.u32(0).u32(16).u32(20);
    eof.patch32(4, 20);

    std::vector<std::uint8_t> out;
    out.reserve(header.size() + m_body.size() + eof.size());
    out.insert(out.end(), header.data().begin(), header.data().end());
    out.insert(out.end(), m_body.begin(), m_body.end());
    out.insert(out.end(), eof.data().begin(), eof.data().end());
    const std::uint32_t total = std::uint32_t(out.size());
    for (int i = 0; i < 4; ++i)
        out[48 + std::size_t(i)] = std::uint8_t(total >> (8 * i));
    return out;
}

} // namespace platform::metafile

#pragma once
// Writing enhanced-metafile records: a record builder, and the writer that collects records, the
// bounds of what they draw, and finally puts the header in front and the end-of-file record
// behind. Internal to platform/.

#include "platform/palette.h"
#include "platform/types.h"

#include <QRegion>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace platform::metafile {

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint32_t type)
    {
        u32(type);
        u32(0);  // the size, filled in when the record is added
    }
    RecordBuilder& u8(std::uint8_t v)
    {
        m_bytes.push_back(v);
        return *this;
    }
    RecordBuilder& u16(std::uint16_t v) { return u8(std::uint8_t(v)).u8(std::uint8_t(v >> 8)); }
    RecordBuilder& u32(std::uint32_t v) { return u16(std::uint16_t(v)).u16(std::uint16_t(v >> 16)); }
    RecordBuilder& i32(std::int32_t v) { return u32(std::uint32_t(v)); }
    RecordBuilder& f32(float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
    RecordBuilder& rect(const Rect& r) { return i32(r.left).i32(r.top).i32(r.right).i32(r.bottom); }
    RecordBuilder& bytes(std::span<const std::uint8_t> data)
    {
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    RecordBuilder& pad4()
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
        return *this;
    }
    std::size_t size() const { return m_bytes.size(); }
    // Overwrites a 32-bit field already written (offsets counted from the record's start).
    void patch32(std::size_t offset, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[offset + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    }
    std::vector<std::uint8_t>& data() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The region data block of region records: header, then the rectangles.
std::vector<std::uint8_t> regionData(const QRegion& region);

class EmfWriter {
public:
    void add(RecordBuilder&& record);
    // Widens the bounds of what was drawn (device pixels).
    void include(const QRectF& device);
    bool hasBounds() const { return m_hasBounds; }
    Rect bounds() const { return m_bounds; }
    std::uint32_t recordCount() const { return m_records; }
    // The whole metafile: header (with the description after it), the records, end of file.
    // An empty frame is taken from the bounds.
    std::vector<std::uint8_t> finish(Rect frame, Size devicePixels, Size millimetres,
                                     const std::u16string& description, std::uint16_t handles);

private:
    std::vector<std::uint8_t> m_body;
    std::uint32_t m_records = 0;
    Rect m_bounds;
    bool m_hasBounds = false;
};

} // namespace platform::metafile

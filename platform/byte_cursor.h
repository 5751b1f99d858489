#pragma once
// Bounded reading of bytes held in memory: little-endian loads and a cursor that never reads
// outside its span. The picture formats and the platform's metafile code share it.

#include <algorithm>
#include <cstdint>
#include <span>

namespace bytes {

inline std::uint16_t loadU16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

inline std::uint32_t loadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
           | (std::uint32_t(p[3]) << 24);
}

// Big-endian, as PNG chunks keep their numbers.
inline std::uint32_t loadU32BigEndian(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

inline void storeU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

inline void storeU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

// A cursor over bytes already in memory. Reading past the end yields zeros and marks the
// cursor failed; callers read a whole structure, then check `ok()` once and turn a failure
// into their format's own error. Nothing is ever read outside the span.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data, std::size_t position = 0)
        : m_data(data), m_pos(std::min(position, data.size())), m_ok(position <= data.size())
    {
    }

    bool ok() const { return m_ok; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool has(std::size_t count) const { return count <= remaining(); }

    std::uint8_t u8() { return take(1) ? m_data[m_pos - 1] : 0; }
    std::uint16_t u16() { return take(2) ? loadU16(&m_data[m_pos - 2]) : 0; }
    std::uint32_t u32() { return take(4) ? loadU32(&m_data[m_pos - 4]) : 0; }
    std::int16_t i16() { return std::int16_t(u16()); }
    std::int32_t i32() { return std::int32_t(u32()); }
    // The next `count` bytes, or an empty span (and failure) when fewer remain.
    std::span<const std::uint8_t> span(std::size_t count)
    {
        return take(count) ? m_data.subspan(m_pos - count, count) : std::span<const std::uint8_t>{};
    }
    void skip(std::size_t count) { take(count); }
    void seek(std::size_t position)
    {
        if (position > m_data.size())
            fail();
        else
            m_pos = position;
    }
    void fail()
    {
        m_ok = false;
        m_pos = m_data.size();
    }

private:
    bool take(std::size_t count)
    {
        if (!m_ok || count > remaining()) {
            fail();
            return false;
        }
        m_pos += count;
        return true;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos;
    bool m_ok;
};

} // namespace bytes

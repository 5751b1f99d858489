#include "picture/bitmap/rle.h"

#include "platform/section.h"

#include <algorithm>

namespace {

// Escape codes: a zero count followed by one of these bytes.
constexpr std::uint8_t endOfLine = 0;
constexpr std::uint8_t endOfBitmap = 1;
constexpr std::uint8_t delta = 2;

// Writes one decoded row at a time; x may run past the width, where pixels are dropped.
class RowWriter {
public:
    RowWriter(platform::Section& target, const std::array<std::uint32_t, 256>& colours)
        : m_target(target), m_colours(colours), m_width(target.width()), m_height(target.height())
    {
        selectRow();
    }

    bool finished() const { return m_y >= m_height; }

    // `count` pixels; pixel i takes the value value(i).
    template <class Value>
    void put(int count, Value value)
    {
        const int end = int(std::min<std::int64_t>(std::int64_t(m_x) + count, m_width));
        for (int i = 0; m_x + i < end; ++i)
            m_row[m_x + i] = m_colours[value(i)];
        m_x = int(std::min<std::int64_t>(std::int64_t(m_x) + count, m_width));
    }

    void nextLine()
    {
        m_x = 0;
        ++m_y;
        selectRow();
    }

    void move(int dx, int dy)
    {
        m_x = std::min(m_x + dx, m_width);
        m_y += dy;
        selectRow();
    }

private:
    void selectRow()
    {
        // Coded rows run from the bottom of the picture up.
        if (m_y < m_height)
            m_row = reinterpret_cast<std::uint32_t*>(m_target.row(m_height - 1 - m_y));
    }

    platform::Section& m_target;
    const std::array<std::uint32_t, 256>& m_colours;
    const int m_width;
    const int m_height;
    int m_x = 0;
    int m_y = 0;
    std::uint32_t* m_row = nullptr;
};

} // namespace

void decodeRle(std::span<const std::uint8_t> data, int bitCount,
               const std::array<std::uint32_t, 256>& colours, platform::Section& target)
{
    RowWriter out(target, colours);
    const bool fourBits = bitCount == 4;
    const std::size_t size = data.size();
    std::size_t pos = 0;
    while (pos + 2 <= size && !out.finished()) {
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // A run: 4-bit runs alternate the two pixels of the value byte.
            if (fourBits) {
                const std::uint8_t pair[2] = {std::uint8_t(value >> 4), std::uint8_t(value & 0x0F)};
                out.put(count, [&](int i) { return pair[i & 1]; });
            } else {
                out.put(count, [&](int) { return value; });
            }
            continue;
        }
        switch (value) {
        case endOfLine:
            out.nextLine();
            break;
        case endOfBitmap:
            return;
        case delta:
            if (pos + 2 > size)
                return;
            out.move(data[pos], data[pos + 1]);
            pos += 2;
            break;
        default: {
            // Literal pixels, padded to a 16-bit boundary. Data cut short yields what is there.
            const std::size_t bytes = fourBits ? (std::size_t(value) + 1) / 2 : value;
            const std::size_t available = std::min(bytes, size - pos);
            const std::uint8_t* literal = data.data() + pos;
            if (fourBits) {
                const int pixels = int(std::min<std::size_t>(value, available * 2));
                out.put(pixels, [&](int i) {
                    return std::uint8_t(i & 1 ? literal[i >> 1] & 0x0F : literal[i >> 1] >> 4);
                });
            } else {
                out.put(int(available), [&](int i) { return literal[i]; });
            }
            pos += bytes + (bytes & 1);
            break;
        }
        }
    }
}

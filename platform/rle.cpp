#include "platform/rle.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

// Escape codes: a zero count followed by one of these bytes.
constexpr std::uint8_t endOfLine = 0;
constexpr std::uint8_t endOfBitmap = 1;
constexpr std::uint8_t delta = 2;

// Hands over one stretch of decoded pixels at a time; x may run past the width, where pixels
// are dropped.
class RowWriter {
public:
    RowWriter(int width, int height, const RlePixels& put) : m_width(width), m_height(height), m_put(put) {}

    bool finished() const { return m_y >= m_height; }

    // `count` pixels; pixel i takes the value value(i).
    template <class Value>
    void put(int count, Value value)
    {
        const int end = int(std::min<std::int64_t>(std::int64_t(m_x) + count, m_width));
        const int n = std::max(0, end - m_x);
        for (int i = 0; i < n; ++i)
            m_run[std::size_t(i)] = value(i);
        if (n > 0)
            m_put(m_x, m_height - 1 - m_y, std::span<const std::uint8_t>(m_run.data(), std::size_t(n)));
        m_x = std::max(m_x, end);
    }

    void nextLine()
    {
        m_x = 0;
        ++m_y;
    }

    void move(int dx, int dy)
    {
        m_x = std::min(m_x + dx, m_width);
        m_y += dy;
    }

private:
    const int m_width;
    const int m_height;
    const RlePixels& m_put;
    int m_x = 0;
    int m_y = 0;  // coded rows count from the bottom of the picture
    std::array<std::uint8_t, 255> m_run{};
};

} // namespace

void decodeRle(std::span<const std::uint8_t> data, int bitCount, int width, int height, const RlePixels& put)
{
    if (width <= 0 || height <= 0)
        return;
    RowWriter out(width, height, put);
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

} // namespace platform

#include "picture/gif/lzw.h"

#include "framework/exceptions.h"
#include "picture/gif/gif_errors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace gif {

namespace {

constexpr int maxCodeBits = 12;
constexpr int tableSize = 1 << maxCodeBits;

} // namespace

int RowOrder::row(int n) const
{
    if (!m_interlaced)
        return n;
    // Pass 0 takes every 8th row from 0, pass 1 every 8th from 4, pass 2 every 4th from 2,
    // pass 3 every 2nd from 1.
    const int pass0 = (m_height + 7) / 8;
    if (n < pass0)
        return n * 8;
    n -= pass0;
    const int pass1 = (m_height + 3) / 8;
    if (n < pass1)
        return 4 + n * 8;
    n -= pass1;
    const int pass2 = (m_height + 1) / 4;
    if (n < pass2)
        return 2 + n * 4;
    n -= pass2;
    return 1 + n * 2;
}

std::vector<std::uint8_t> subBlockPayload(std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> payload;
    payload.reserve(data.size());
    std::size_t at = 1;  // past the minimum code size
    while (at < data.size()) {
        const std::size_t length = data[at++];
        if (length == 0)
            break;
        const std::size_t count = std::min(length, data.size() - at);
        payload.insert(payload.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + count));
        at += count;
    }
    return payload;
}

std::int64_t maxDecodablePixels(std::int64_t payloadBytes, int minimumCodeSize)
{
    // The j-th code after a clear yields at most j pixels, and no string is longer than the
    // table: at most min(j + 1, 4096) pixels each, for as many codes as the bits can hold.
    const std::int64_t codes = payloadBytes * 8 / (std::max(minimumCodeSize, 1) + 1);
    const std::int64_t growing = std::min<std::int64_t>(codes, tableSize - 1);
    const std::int64_t pixels = growing * (growing + 3) / 2;
    return pixels + (codes - growing) * tableSize;
}

namespace {

// Zero bytes kept past the data, so that the code reader may always load a whole word.
constexpr std::size_t readSlack = 16;

// Reads codes least-significant bit first from the concatenated sub-block bytes (followed by
// readSlack zero bytes). Decoding stops at the first code the data does not hold whole, so
// refills never load past the slack.
class CodeReader {
public:
    CodeReader(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_totalBits(std::uint64_t(size) * 8) {}

    // The next code of `size` bits; exhausted() tells whether the data really held it.
    std::uint32_t read(int size)
    {
        if (m_count < size)
            refill();
        const std::uint32_t code = std::uint32_t(m_bits) & ((1u << size) - 1);
        m_bits >>= size;
        m_count -= size;
        m_used += std::uint64_t(size);
        return code;
    }
    bool exhausted() const { return m_used > m_totalBits; }
    std::uint64_t usedBits() const { return m_used; }
    std::uint64_t totalBits() const { return m_totalBits; }

private:
    void refill()
    {
        std::uint64_t word;
        std::memcpy(&word, m_bytes + m_pos, sizeof word);  // little-endian loads
        m_bits |= word << m_count;
        const int taken = (63 - m_count) / 8;
        m_pos += std::size_t(taken);
        m_count += taken * 8;
    }

    const std::uint8_t* m_bytes;
    std::uint64_t m_totalBits;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::size_t m_pos = 0;
    std::uint64_t m_used = 0;
};

// Copies a string of earlier output forward. Up to 7 bytes past the end may be written; the
// source ends at or before the destination, so a word read never sees bytes of this copy.
inline void copyString(std::uint8_t* to, const std::uint8_t* from, std::size_t length)
{
    std::size_t i = 0;
    do {
        std::uint64_t word;
        std::memcpy(&word, from + i, sizeof word);
        std::memcpy(to + i, &word, sizeof word);
        i += sizeof word;
    } while (i < length);
}

// Progress reports at most once per percent, checked every few thousand codes.
class ProgressTicker {
public:
    ProgressTicker(const LzwProgress& progress, const CodeReader& reader) : m_progress(progress), m_reader(reader) {}

    void tick()
    {
        if (--m_countdown > 0)
            return;
        m_countdown = interval;
        if (!m_progress || m_reader.totalBits() == 0)
            return;
        const int percent = int(std::min<std::uint64_t>(m_reader.usedBits(), m_reader.totalBits()) * 100 / m_reader.totalBits());
        if (percent != m_last) {
            m_last = percent;
            m_progress(percent);
        }
    }

private:
    static constexpr int interval = 4096;
    const LzwProgress& m_progress;
    const CodeReader& m_reader;
    int m_countdown = interval;
    int m_last = -1;
};

} // namespace

LzwDecodeResult decodeLzw(std::span<const std::uint8_t> compressed, int bitsPerPixel,
                          std::span<std::uint8_t> output, std::int64_t pixelCount, const LzwProgress& progress)
{
    const int minimumCodeSize = compressed.empty() ? 0 : compressed[0];
    if (minimumCodeSize < 2 || minimumCodeSize > 9)
        throw EInvalidGraphicOperation(gifMessages::codeSizeOutOfRange);
    if (pixelCount < 0 || std::uint64_t(pixelCount) + lzwOutputSlack > output.size())
        throw EInvalidGraphicOperation(gifMessages::encodedDataCorrupt);

    std::vector<std::uint8_t> payload = subBlockPayload(compressed);
    const std::size_t dataBytes = payload.size();
    payload.resize(dataBytes + readSlack, 0);
    CodeReader reader(payload.data(), dataBytes);
    ProgressTicker ticker(progress, reader);

    const std::uint32_t clear = 1u << minimumCodeSize;
    const std::uint32_t end = clear + 1;
    const std::uint32_t pixelMask = (1u << std::clamp(bitsPerPixel, 1, 8)) - 1;

    // An entry's string is a stretch of the output already written: the previous code's string
    // and the first pixel of the code after it, which follows it directly.
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
    };
    auto table = std::make_unique<std::array<Entry, tableSize>>();

    std::uint8_t* const out = output.data();
    const std::uint64_t total = std::uint64_t(pixelCount);
    std::uint64_t pos = 0;
    std::uint64_t previousOffset = 0;
    std::uint32_t previousLength = 0;  // 0: no previous code (start, or after a clear)
    std::uint32_t nextFree = clear + 2;
    int codeSize = minimumCodeSize + 1;
    std::uint32_t limit = 1u << codeSize;
    bool full = false;
    bool ended = false;

    while (pos < total) {
        const std::uint32_t code = reader.read(codeSize);
        if (reader.exhausted())
            break;
        ticker.tick();
        if (code == clear) {
            nextFree = clear + 2;
            codeSize = minimumCodeSize + 1;
            limit = 1u << codeSize;
            full = false;
            previousLength = 0;
            continue;
        }
        if (code == end) {
            ended = true;
            break;
        }

        const std::uint64_t room = total - pos;
        std::uint32_t length;
        if (code < clear) {
            // A root: a colour index, which the frame's table must hold.
            if (code > pixelMask)
                throw EInvalidGraphicOperation(gifMessages::encodedDataCorrupt);
            out[pos] = std::uint8_t(code);
            length = 1;
        } else if (previousLength == 0 || code > nextFree) {
            // A string the table does not hold: nothing is defined right after a clear, and
            // only the entry being defined may be sent ahead of its definition.
            throw EInvalidGraphicOperation(gifMessages::encodedDataCorrupt);
        } else if (code < nextFree) {
            const Entry& entry = (*table)[code];
            length = entry.length;
            copyString(out + pos, out + entry.offset, std::min<std::uint64_t>(length, room));
        } else {
            // The entry being defined: the previous string followed by its own first pixel.
            length = previousLength + 1;
            copyString(out + pos, out + previousOffset, std::min<std::uint64_t>(previousLength, room));
            if (previousLength < room)
                out[pos + previousLength] = out[previousOffset];
        }

        if (previousLength != 0 && !full) {
            (*table)[nextFree] = {std::uint32_t(previousOffset), previousLength + 1};
            if (++nextFree == limit) {
                // Codes stop growing at 12 bits; the full table is kept until the next clear.
                if (codeSize == maxCodeBits)
                    full = true;
                else
                    limit = 1u << ++codeSize;
            }
        }
        previousOffset = pos;
        previousLength = length;
        pos += length;
    }
    if (pos >= total) {
        pos = total;
        ended = true;
    }
    return {std::int64_t(pos), ended};
}

} // namespace gif

namespace gif {

namespace {

constexpr std::uint32_t hashSlots = 17777;
// The clear code goes out once this code has been given out, so that the table never fills.
constexpr std::uint32_t lastCodeBeforeClear = 4094;

// Packs codes least-significant bit first into data sub-blocks of 255 bytes.
class SubBlockWriter {
public:
    explicit SubBlockWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void put(std::uint32_t code, int size)
    {
        m_bits |= std::uint64_t(code) << m_count;
        m_count += size;
        while (m_count >= 8) {
            byte(std::uint8_t(m_bits));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    // The last, partly filled byte and block, then the zero length byte.
    void finish()
    {
        if (m_count > 0)
            byte(std::uint8_t(m_bits));
        m_bits = 0;
        m_count = 0;
        if (m_fill > 0)
            flushBlock();
        m_out.push_back(0);
    }

private:
    void byte(std::uint8_t value)
    {
        m_block[m_fill++] = value;
        if (m_fill == m_block.size())
            flushBlock();
    }
    void flushBlock()
    {
        m_out.push_back(std::uint8_t(m_fill));
        m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + std::ptrdiff_t(m_fill));
        m_fill = 0;
    }

    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::array<std::uint8_t, 255> m_block{};
    std::size_t m_fill = 0;
};

// The string table: strings (prefix code, suffix pixel) found by hashing into 17777 slots with
// linear probing; a slot holds the number of a node from a pool of 4096 (0: empty).
class StringTable {
public:
    StringTable() : m_slots(hashSlots, 0), m_nodes(tableSize) {}

    void clear()
    {
        std::fill(m_slots.begin(), m_slots.end(), 0);
        m_used = 0;
    }
    // The code of (prefix, suffix), or -1 with `slot` set to the empty slot where it belongs.
    int find(std::uint32_t prefix, std::uint8_t suffix, std::uint32_t& slot) const
    {
        while (const std::uint16_t number = m_slots[slot]) {
            const Node& node = m_nodes[number - 1u];
            if (node.prefix == prefix && node.suffix == suffix)
                return node.code;
            slot = slot + 1 == hashSlots ? 0 : slot + 1;
        }
        return -1;
    }
    void add(std::uint32_t slot, std::uint32_t prefix, std::uint8_t suffix, std::uint32_t code)
    {
        m_nodes[m_used] = {std::uint16_t(prefix), suffix, std::uint16_t(code)};
        m_slots[slot] = std::uint16_t(++m_used);
    }

private:
    struct Node {
        std::uint16_t prefix;
        std::uint8_t suffix;
        std::uint16_t code;
    };
    std::vector<std::uint16_t> m_slots;
    std::vector<Node> m_nodes;
    std::size_t m_used = 0;
};

// One picture row as one byte per pixel.
void unpackRow(const std::uint8_t* packed, int width, int depth, std::uint8_t* pixels)
{
    if (depth == 8) {
        std::memcpy(pixels, packed, std::size_t(width));
    } else if (depth == 4) {
        for (int x = 0; x < width; ++x)
            pixels[x] = std::uint8_t(x & 1 ? packed[x >> 1] & 0x0F : packed[x >> 1] >> 4);
    } else {
        for (int x = 0; x < width; ++x)
            pixels[x] = std::uint8_t((packed[x >> 3] >> (7 - (x & 7))) & 1);
    }
}

} // namespace

std::vector<std::uint8_t> encodeLzw(const IndexedRows& rows, bool interlaced, const LzwProgress& progress)
{
    const int minimumCodeSize = rows.depth == 1 ? 2 : rows.depth;
    const std::uint32_t clear = 1u << minimumCodeSize;
    const std::uint32_t end = clear + 1;

    std::vector<std::uint8_t> out;
    out.push_back(std::uint8_t(minimumCodeSize));
    SubBlockWriter writer(out);
    StringTable table;

    std::uint32_t lastCode = clear + 1;
    int codeSize = minimumCodeSize + 1;
    std::uint32_t limit = 1u << codeSize;
    writer.put(clear, codeSize);

    bool open = false;  // a string is being extended
    std::uint32_t prefix = 0;
    std::uint32_t hash = 0;
    std::uint32_t position = 0;  // of the last pixel in the string, from 1
    std::vector<std::uint8_t> pixels(std::size_t(std::max(rows.width, 0)));
    const RowOrder order(rows.height, interlaced);

    for (int n = 0; n < rows.height; ++n) {
        unpackRow(rows.row(order.row(n)), rows.width, rows.depth, pixels.data());
        for (const std::uint8_t p : pixels) {
            if (!open) {
                prefix = p;
                hash = 301 * p + 903;
                position = 1;
                open = true;
                continue;
            }
            ++position;
            hash = ((p + position + 4) * hash) % hashSlots;
            std::uint32_t slot = hash;
            const int code = table.find(prefix, p, slot);
            if (code >= 0) {
                prefix = std::uint32_t(code);
                continue;
            }
            writer.put(prefix, codeSize);
            table.add(slot, prefix, p, ++lastCode);
            prefix = p;
            hash = 301 * p + 903;
            position = 1;
            if (lastCode == limit) {
                limit <<= 1;
                ++codeSize;
            } else if (lastCode == lastCodeBeforeClear) {
                writer.put(prefix, codeSize);
                writer.put(clear, codeSize);
                open = false;
                lastCode = clear + 1;
                codeSize = minimumCodeSize + 1;
                limit = 1u << codeSize;
                table.clear();
            }
        }
        if (progress) {
            const int next = n + 1 < rows.height ? order.row(n + 1) : rows.height;
            progress(int(std::int64_t(next) * 100 / rows.height));
        }
    }
    if (open)
        writer.put(prefix, codeSize);
    writer.put(end, codeSize);
    writer.finish();
    return out;
}

} // namespace gif

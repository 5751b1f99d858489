#pragma once
// The variable-length LZW coding of GIF image data. Internal to the GIF module.
//
// Compressed data is kept as the file holds it: the minimum code size byte, then data sub-blocks
// (a length byte of 1 to 255 and that many bytes), ending with a zero length byte. Codes are
// packed least-significant bit first across the concatenated sub-block bytes.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace gif {

// Called with a percentage while a coder runs.
using LzwProgress = std::function<void(int percent)>;

// Row order of an image: top to bottom, or the four interlace passes (rows 0, 8, 16...;
// 4, 12...; 2, 6, 10...; 1, 3, 5...).
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : m_height(height), m_interlaced(interlaced) {}

    // The image row that the n-th row of the data fills (n from 0 to height - 1).
    int row(int n) const;

private:
    int m_height;
    bool m_interlaced;
};

// Bytes of the sub-blocks after the minimum code size byte, without their length bytes. A
// sequence without its zero length byte ends where the data ends; a sub-block cut short keeps
// the bytes that are there.
std::vector<std::uint8_t> subBlockPayload(std::span<const std::uint8_t> data);

// The most pixels `payloadBytes` bytes of codes can stand for: each code yields at most one
// pixel more than the one before it (and never more than the table's longest string), and
// every code takes at least minimumCodeSize + 1 bits. A picture larger than this cannot be
// complete, whatever its data says.
std::int64_t maxDecodablePixels(std::int64_t payloadBytes, int minimumCodeSize);

struct LzwDecodeResult {
    std::int64_t pixels = 0;  // pixel indexes written
    bool ended = false;       // an end code was read, or every pixel was written
};

// Decodes compressed data into pixel indexes in data order (rows one after another, each
// `width` indexes; interlaced data stays in pass order). `output` must hold the picture's
// pixels plus lzwOutputSlack bytes; the decoder may write up to that many bytes past the last
// pixel. Pixels the data does not reach are left as they are.
//
// Raises "GIF code size not in range 2 to 9" for a minimum code size outside 2 to 9, and "GIF
// encoded data is corrupt" for a code that stands for nothing: a root above the pixel mask
// (2^bitsPerPixel - 1, a colour the frame's table lacks), a table code right after a clear
// code (or at the start), or a code beyond the entry being defined. Data that runs out before
// the last pixel ends decoding quietly: the result says how far it got.
//
// The table grows up to entry 4095 and then stays as it is (with 12-bit codes) until the next
// clear code. Clear codes may follow one another.
LzwDecodeResult decodeLzw(std::span<const std::uint8_t> compressed, int bitsPerPixel,
                          std::span<std::uint8_t> output, std::int64_t pixelCount,
                          const LzwProgress& progress = {});

constexpr std::size_t lzwOutputSlack = 16;

// Picture rows for the encoder: `depth` bits per pixel (1, 4 or 8), packed as bitmap rows are
// (the first pixel in the most significant bits of a byte).
struct IndexedRows {
    int width = 0;
    int height = 0;
    int depth = 8;
    // The bytes of image row `row` (0 is the top row).
    std::function<const std::uint8_t*(int row)> row;
};

// Encodes rows into compressed data as the file stores it: the minimum code size (the depth,
// but 2 for 1-bit pictures), then 255-byte sub-blocks and a last shorter one, then a zero
// length byte. The string table is a hash table of 17777 slots over 4096 entries; a clear code
// is sent when code 4094 has been given out. Reports progress after each row.
std::vector<std::uint8_t> encodeLzw(const IndexedRows& rows, bool interlaced,
                                    const LzwProgress& progress = {});

} // namespace gif

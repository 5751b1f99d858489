#pragma once
// Frames to and from pixels: a frame's compressed data decoded into a bitmap section, and the
// indexed pictures (1, 4 or 8 bits a pixel with their colours) the encoder takes. Internal to
// the GIF module.

#include "picture/gif/lzw.h"
#include "platform/section.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TGIFItem;

namespace gif {

// The bitmap depth for a frame's bits per pixel: 1 for 1, 4 for 2 to 4, 8 for 5 to 8; 0 for
// anything else.
int bitmapDepthFor(int bitsPerPixel);

// A frame's colour indexes, one byte each, in the order of the data (interlaced data in its
// passes), with the decoder's slack after them. Pixels the data does not reach are 0.
class FrameIndexes {
public:
    explicit FrameIndexes(std::int64_t pixelCount);
    ~FrameIndexes();
    FrameIndexes(const FrameIndexes&) = delete;
    FrameIndexes& operator=(const FrameIndexes&) = delete;

    const std::uint8_t* data() const { return m_data; }
    std::span<std::uint8_t> buffer() { return {m_data, m_size}; }

    // A progress handler aborted decoding; the indexes are as far as it got.
    bool aborted = false;

private:
    std::uint8_t* m_data;
    std::size_t m_size;
};

// Decodes a frame's compressed data. Null for a frame without pixels (zero width or height).
// Raises "Wrong number of colors; must be a power of 2" when the bits per pixel are outside 1
// to 8, the decoder's errors, "Stream read error" for data that ends before the last pixel
// (checked first against the most pixels the data could ever give), and "Out of system
// resources" for a picture the platform cannot hold as a display bitmap. A progress handler's
// abort ends decoding without error, keeping what was decoded.
std::unique_ptr<FrameIndexes> decodeIndexes(const TGIFItem& item, const LzwProgress& progress);

// The colour table of the frame's bitmap: 2^depth entries (bitmapDepthFor) from the frame's
// table, those past its count gray (128, 128, 128, 128).
std::vector<platform::RgbQuad> bitmapColours(const TGIFItem& item);

// The decoded frame in the bitmap file's form: bottom-up rows of the depth with
// bitmapColours as colour table.
std::unique_ptr<platform::Section> indexedSection(const TGIFItem& item, bool interlaced, const FrameIndexes& indexes);

// The decoded frame as a device bitmap in the display's format, each index replaced by its
// colour from bitmapColours.
std::unique_ptr<platform::Section> displaySection(const TGIFItem& item, bool interlaced, const FrameIndexes& indexes);

// A picture of 1, 4 or 8 bits a pixel with 2^depth colours, as the encoder takes it.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    int depth = 8;
    std::vector<platform::RgbQuad> colours;
    // Rows of the stride, the bottom row first unless topDown.
    std::vector<std::uint8_t> bits;
    std::size_t offset = 0;  // of the first row in memory within `bits`
    std::ptrdiff_t stride = 0;
    bool topDown = false;

    IndexedRows rows() const;
};

// The picture of an uncompressed bitmap file of 1, 4 or 8 bits a pixel, with the 12-byte core
// header or an info header of 40 bytes or more. "GIF image encoding error" for any other depth
// or a file too short for its header, colours and pixels.
IndexedPicture readIndexedBitmapFile(std::vector<std::uint8_t> file);

} // namespace gif

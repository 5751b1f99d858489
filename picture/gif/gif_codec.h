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

struct DecodedFrame {
    // Null for a frame without pixels (zero width or height).
    std::unique_ptr<platform::Section> pixels;
    // A progress handler aborted decoding; the pixels are as far as it got.
    bool aborted = false;
};

// Decodes a frame's compressed data into a section of the frame's size: bottom-up rows of 1, 4
// or 8 bits (bitmapDepthFor), a colour table of 2^depth entries taken from the frame's table
// and padded with gray (128, 128, 128). Pixels the data does not reach stay 0.
// Raises "Wrong number of colors; must be a power of 2" when the bits per pixel are outside 1
// to 8, the decoder's errors, "Stream read error" for a picture larger than its data could
// ever fill, and "Out of system resources" when the platform cannot hold the picture.
DecodedFrame decodeFrame(const TGIFItem& item, bool interlaced, const LzwProgress& progress);

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

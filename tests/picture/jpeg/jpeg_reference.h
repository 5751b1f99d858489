#pragma once
// The JPEG library used directly, for the JPEG tests: files made in memory from pictures drawn
// in code, and the library's own decoding of a file with given settings, to compare the JPEG
// image's bitmaps with byte for byte.

#include "picture/bitmap/bitmap.h"
#include "picture/jpeg/jpeg_image.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace jpeg_test {

// A picture as rows of bytes, top row first, `components` bytes a pixel, no padding.
struct Picture {
    int width = 0;
    int height = 0;
    int components = 3;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* row(int y) const { return pixels.data() + std::size_t(y) * rowBytes(); }
    std::size_t rowBytes() const { return std::size_t(width) * std::size_t(components); }
};

// A photo-like picture in blue, green, red order: smooth colour ramps, a bright frame along
// the bottom and right edges, and fine detail that the coder has to work for.
Picture drawnPicture(int width, int height);
// The same ramps as one gray channel.
Picture drawnGrayPicture(int width, int height);

struct EncodeOptions {
    int quality = 90;
    bool progressive = false;
    bool arithmetic = false;
    // Input colour space; JCS_EXT_BGR for three-byte pictures, JCS_GRAYSCALE for one byte,
    // JCS_CMYK for four.
    J_COLOR_SPACE inputSpace = JCS_EXT_BGR;
};

std::vector<std::uint8_t> encode(const Picture& picture, const EncodeOptions& options = {});
// A four-component picture (cyan, magenta, yellow, black) written in `fileSpace` (JCS_CMYK or
// JCS_YCCK) at quality 100, with or without the Adobe marker (which says the inks are stored
// inverted).
std::vector<std::uint8_t> encodeInks(const Picture& picture, J_COLOR_SPACE fileSpace, bool adobeMarker);

struct DecodeOptions {
    J_COLOR_SPACE outputSpace = JCS_EXT_BGR;
    bool quantize = false;
    int colours = 236;
    bool twoPass = true;
    J_DITHER_MODE dither = JDITHER_FS;
    J_DCT_METHOD dct = JDCT_ISLOW;
    bool blockSmoothing = true;
    // An application colour map: rows blue, green, red; empty for none.
    std::vector<std::uint8_t> mapBlue, mapGreen, mapRed;
};

struct Decoded {
    Picture picture;
    // The colour map of quantised output, one row per output component.
    std::vector<std::vector<std::uint8_t>> colourMap;
    std::string error;  // the library's message when it failed
};

// Decodes the whole file in one pass with the given settings.
Decoded decode(const std::vector<std::uint8_t>& file, const DecodeOptions& options = {});

// How many of the bitmap's rows differ from the picture's (only the picture's bytes of each
// row are compared); `firstDifference` gets the first differing row, or -1.
int differingRows(TBitmap& bitmap, const Picture& picture, int* firstDifference = nullptr);

// A JPEG image loaded from the bytes.
std::unique_ptr<TJPEGImage> loadedImage(const std::vector<std::uint8_t>& file);

// Reads a file of the public sample set.
std::vector<std::uint8_t> sampleFile(const std::string& relative);

// The offset of the first segment with marker 0xFF `code` before the first scan, or -1.
long markerOffset(const std::vector<std::uint8_t>& file, std::uint8_t code);

} // namespace jpeg_test

#pragma once
// Decoding whole PNG files through libpng, for every reader that meets PNG data: the PNG
// picture class and the PNG pictures stored inside icons and metafiles. Nothing the library
// says reaches the process's output; a file it refuses comes back as a reason, which each
// caller turns into its own message.

#include "platform/section.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace platform {

// Compressed image data inflates to at most this many bytes per byte (zlib's best case is a
// little above 1000): a file claiming a picture beyond that is refused before its pixels are
// allocated.
constexpr std::int64_t maxPngInflation = 1032;

enum class PngFailure {
    None,
    Damaged,      // not a PNG file, or one the library refuses
    Truncated,    // the file ends before the library has what it needs, or before a chunk does
    Refused,      // a size larger than a section may be, than the data could fill, or than the caller accepts
    OutOfMemory,  // the library's structures or the pixels could not be made
};

// How sixteen-bit samples become eight: a PNG file of its own keeps their high byte; a PNG
// picture inside another file rounds them to the nearest level, as the platform's image readers
// always have for such pictures.
enum class PngReading { File, Embedded };

struct PngDecoding {
    // Top-down rows: 8 bits with a colour table (palette and gray pictures without
    // transparency), 24 bits blue, green, red (colour without transparency), or 32 bits blue,
    // green, red, alpha (everything with an alpha channel or a transparent colour).
    std::unique_ptr<Section> pixels;
    bool alpha = false;
    PngFailure failure = PngFailure::None;
};

// Decodes a whole PNG file, the chunks after the image data included. `sizeAccepted`, when given, is asked about the header's width and height
// before the pixels are allocated.
PngDecoding decodePng(std::span<const std::uint8_t> file,
                      const std::function<bool(std::uint32_t width, std::uint32_t height)>& sizeAccepted = {},
                      PngReading reading = PngReading::File);

// For fuzzing only: damaged check values of chunks and of the compressed data are taken as
// good, so that mutated data reaches the decoding behind them. Process-wide; off at start.
void setPngChecksIgnored(bool ignored);

} // namespace platform

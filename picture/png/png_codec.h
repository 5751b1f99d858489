#pragma once
// Reading and writing PNG files through libpng: reading through the platform's decoder, writing
// here. Internal to the PNG module; its tests, benchmark and fuzz target may include it.

#include "platform/section.h"

#include <cstdint>
#include <memory>
#include <span>

class TStream;

namespace png {

// The message of every PNG the module refuses.
extern const char* const notValid;

struct Decoded {
    // Top-down rows: 8 bits with a colour table (palette and gray pictures without
    // transparency), 24 bits blue, green, red (colour without transparency), or 32 bits blue,
    // green, red, alpha (everything with an alpha channel or a transparent colour).
    std::unique_ptr<platform::Section> pixels;
    bool alpha = false;
};

// Decodes a whole PNG file. "PNG image is not valid" for anything the library refuses, for a
// picture larger than a section may be or than its data could fill; "Stream read error" when
// the file ends before the library has what it needs.
Decoded decode(std::span<const std::uint8_t> file);

// Writes the pixels (8 bits with a colour table, 24 bits, or 32 bits, with or without alpha)
// as a PNG file at the stream's position; `level` is zlib's compression level, 0 to 9. Other
// bit counts raise "Invalid pixel format".
void encode(const platform::Section& pixels, bool alpha, TStream& stream, int level);

} // namespace png

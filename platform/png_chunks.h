#pragma once
// PNG data from files is checked here before a reader sees it: Qt's PNG reader (behind the
// image plugins' picture class) and libpng (for text chunks) set aside a chunk's declared length
// before reading it, so that a few hundred bytes declaring a chunk of two gigabytes make them
// allocate two gigabytes.

#include <cstdint>
#include <span>

namespace platform {

// Whether the bytes start with the PNG signature.
bool isPng(std::span<const std::uint8_t> data);

// Whether every chunk the bytes start, up to the end chunk, lies within them.
bool pngChunksFit(std::span<const std::uint8_t> data);

} // namespace platform

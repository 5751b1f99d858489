#pragma once
// PNG pictures inside other files (icons, metafiles) are decoded by Qt's PNG reader, which
// sets aside each chunk's declared length before reading it: a few hundred bytes declaring a
// chunk of two gigabytes make it allocate two gigabytes. They are checked here first.

#include <cstdint>
#include <span>

namespace platform {

// Whether the bytes start with the PNG signature.
bool isPng(std::span<const std::uint8_t> data);

// Whether every chunk the bytes start, up to the end chunk, lies within them.
bool pngChunksFit(std::span<const std::uint8_t> data);

} // namespace platform

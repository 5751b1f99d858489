#pragma once
// Photo-like pictures for the benchmarks (smooth changes of light and colour with a little
// grain, which is what coders and scalers meet in practice), as rows and as files, and the JPEG
// library's own decoding loop, the peer of the picture benchmarks.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench_support {

// Row y (0 is the top) of a width × height photo: blue, green, red per pixel. `seed` carries
// the grain on from pixel to pixel; start it at 1 for the first row.
void photoRow(int width, int height, int y, std::uint32_t& seed, std::uint8_t* bgr);

// The photo as a JPEG file, quality 90, baseline or progressive. Ends the program when the
// library refuses.
std::vector<std::uint8_t> photoJpeg(int width, int height, bool progressive);

// The JPEG library alone decoding a file with its default settings into blue, green, red rows
// of 4-byte aligned length, top row first. `pixels` is asked once for memory of the given size,
// when the size is known. False when the library refuses the file.
bool bareJpegDecode(const std::vector<std::uint8_t>& bytes,
                    const std::function<std::uint8_t*(std::size_t)>& pixels);

// The file header, the 40-byte info header (72 dots per inch) and the colour table (each
// colour 0xRRGGBB) of a bitmap file whose pixels, `imageSize` bytes, follow.
std::vector<std::uint8_t> bitmapHeaders(int width, int height, int bitCount, std::uint32_t compression,
                                        const std::vector<std::uint32_t>& colours, std::uint32_t imageSize);

// The photo as a 24-bit bitmap file.
std::vector<std::uint8_t> photoBitmap(int width, int height);

// Writes the bytes to a native path; ends the program when it cannot.
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace bench_support

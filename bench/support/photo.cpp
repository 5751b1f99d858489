#include "support/photo.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <jpeglib.h>

namespace bench_support {

namespace {

struct ErrorTrap {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void trapExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

struct Compression {
    jpeg_compress_struct info{};
    ErrorTrap errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~Compression()
    {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

// Only trivially destructible locals here: the library may jump back past this frame.
bool compress(Compression& c, int width, int height, bool progressive, std::uint8_t* row)
{
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&c.info);
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = JDIMENSION(width);
    c.info.image_height = JDIMENSION(height);
    c.info.input_components = 3;
    c.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&c.info);
    jpeg_start_compress(&c.info, TRUE);
    std::uint32_t seed = 1;
    while (c.info.next_scanline < c.info.image_height) {
        photoRow(width, height, int(c.info.next_scanline), seed, row);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&c.info, rows, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

struct Decompression {
    jpeg_decompress_struct info{};
    ErrorTrap errors{};
    ~Decompression() { jpeg_destroy_decompress(&info); }
};

// Only trivially destructible locals here: the library may jump back past this frame.
bool decompress(Decompression& d, const std::vector<std::uint8_t>& bytes,
                const std::function<std::uint8_t*(std::size_t)>& memory)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    d.info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d.info);
    const std::size_t stride = (std::size_t(d.info.output_width) * 3 + 3) & ~std::size_t(3);
    std::uint8_t* const pixels = memory(stride * d.info.output_height);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = pixels + stride * d.info.output_scanline;
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

void photoRow(int width, int height, int y, std::uint32_t& seed, std::uint8_t* bgr)
{
    auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    const double fy = y / double(height);
    for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = int((seed >> 24) & 7) - 3;
        const double fx = x / double(width);
        const double light = 0.5 + 0.35 * std::sin(fx * 7.0 + fy * 3.0) * std::cos(fy * 5.0);
        bgr[3 * x + 0] = clamp(255 * light * (0.9 - 0.5 * fx) + grain);
        bgr[3 * x + 1] = clamp(255 * light * (0.5 + 0.3 * fy) + grain);
        bgr[3 * x + 2] = clamp(255 * light * (0.6 + 0.4 * fx) + grain);
    }
}

std::vector<std::uint8_t> photoJpeg(int width, int height, bool progressive)
{
    Compression c;
    c.info.err = jpeg_std_error(&c.errors.pub);
    c.errors.pub.error_exit = trapExit;
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    if (!compress(c, width, height, progressive, row.data())) {
        std::fprintf(stderr, "the JPEG library cannot make the photo\n");
        std::exit(1);
    }
    return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
}

bool bareJpegDecode(const std::vector<std::uint8_t>& bytes, const std::function<std::uint8_t*(std::size_t)>& pixels)
{
    Decompression d;
    d.info.err = jpeg_std_error(&d.errors.pub);
    d.errors.pub.error_exit = trapExit;
    return decompress(d, bytes, pixels);
}

std::vector<std::uint8_t> bitmapHeaders(int width, int height, int bitCount, std::uint32_t compression,
                                        const std::vector<std::uint32_t>& colours, std::uint32_t imageSize)
{
    const auto offset = std::uint32_t(14 + 40 + 4 * colours.size());
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, std::uint32_t(bitCount));
    put32(out, compression);
    put32(out, imageSize);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, std::uint32_t(colours.size()));
    put32(out, 0);
    for (const std::uint32_t colour : colours)
        put32(out, colour & 0xFFFFFF);  // blue, green, red, 0
    return out;
}

std::vector<std::uint8_t> photoBitmap(int width, int height)
{
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::uint32_t pixelBytes = std::uint32_t(stride * std::size_t(height));
    std::vector<std::uint8_t> out = bitmapHeaders(width, height, 24, 0, {}, pixelBytes);
    const std::size_t offset = out.size();
    // Rows are stored bottom-up; the grain follows the rows as they are made.
    out.resize(offset + pixelBytes);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y)
        photoRow(width, height, y, seed, out.data() + offset + stride * std::size_t(height - 1 - y));
    return out;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

} // namespace bench_support

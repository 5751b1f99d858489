#include "jpeg_reference.h"

#include "support/test_support.h"

#include "framework/streams.h"

#include <csetjmp>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

namespace jpeg_test {

namespace {

struct ErrorTrap {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void trapExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

void quiet(j_common_ptr, int) {}

std::string messageOf(j_common_ptr cinfo)
{
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    return buffer;
}

std::uint8_t clampByte(double v)
{
    return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
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

// How a file is written beyond the options: its colour space when not the library's choice
// for the input, and whether four-component files carry the Adobe marker.
struct FileForm {
    std::optional<J_COLOR_SPACE> space;
    bool adobeMarker = true;
};

bool runCompression(Compression& c, const Picture& picture, const EncodeOptions& options, const FileForm& form)
{
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&c.info);
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = JDIMENSION(picture.width);
    c.info.image_height = JDIMENSION(picture.height);
    c.info.input_components = picture.components;
    c.info.in_color_space = options.inputSpace;
    jpeg_set_defaults(&c.info);
    if (form.space)
        jpeg_set_colorspace(&c.info, *form.space);
    if (!form.adobeMarker)
        c.info.write_Adobe_marker = FALSE;
    jpeg_set_quality(&c.info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&c.info);
    c.info.arith_code = options.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.row(int(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &row, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

struct Decompression {
    jpeg_decompress_struct info{};
    ErrorTrap errors{};
    ~Decompression() { jpeg_destroy_decompress(&info); }
};

bool runDecompression(Decompression& d, const std::vector<std::uint8_t>& file, const DecodeOptions& options,
                      Decoded& result)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d.info, TRUE);
    d.info.out_color_space = options.outputSpace;
    d.info.do_block_smoothing = options.blockSmoothing ? TRUE : FALSE;
    d.info.dct_method = options.dct;
    if (options.quantize) {
        d.info.quantize_colors = TRUE;
        d.info.desired_number_of_colors = options.colours;
        d.info.two_pass_quantize = options.twoPass ? TRUE : FALSE;
        d.info.dither_mode = options.dither;
        if (!options.mapBlue.empty()) {
            const auto count = JDIMENSION(options.mapBlue.size());
            JSAMPARRAY map = (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info),
                                                         JPOOL_IMAGE, count, 3);
            for (JDIMENSION i = 0; i < count; ++i) {
                map[0][i] = options.mapBlue[i];
                map[1][i] = options.mapGreen[i];
                map[2][i] = options.mapRed[i];
            }
            d.info.colormap = map;
            d.info.actual_number_of_colors = int(count);
        }
    }
    jpeg_start_decompress(&d.info);
    Picture& picture = result.picture;
    picture.width = int(d.info.output_width);
    picture.height = int(d.info.output_height);
    picture.components = d.info.quantize_colors ? 1 : d.info.output_components;
    picture.pixels.assign(picture.rowBytes() * std::size_t(picture.height), 0);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = picture.pixels.data() + picture.rowBytes() * d.info.output_scanline;
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    if (d.info.quantize_colors) {
        for (int c = 0; c < d.info.out_color_components; ++c)
            result.colourMap.emplace_back(d.info.colormap[c], d.info.colormap[c] + d.info.actual_number_of_colors);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

std::vector<std::uint8_t> encodeAs(const Picture& picture, const EncodeOptions& options, const FileForm& form)
{
    Compression c;
    c.info.err = jpeg_std_error(&c.errors.pub);
    c.errors.pub.error_exit = trapExit;
    c.errors.pub.emit_message = quiet;
    if (!runCompression(c, picture, options, form)) {
        ADD_FAILURE() << "the library refused to compress: " << messageOf(reinterpret_cast<j_common_ptr>(&c.info));
        return {};
    }
    return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
}

} // namespace

Picture drawnPicture(int width, int height)
{
    Picture p{width, height, 3, {}};
    p.pixels.resize(p.rowBytes() * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = p.pixels.data() + p.rowBytes() * std::size_t(y);
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            const double fy = double(y) / height;
            const double wave = 40 * std::sin(x * 0.21) * std::cos(y * 0.17);
            std::uint8_t* px = row + 3 * x;
            px[0] = clampByte(255 * (1 - fx) * 0.8 + wave);        // blue
            px[1] = clampByte(255 * fy * 0.7 + 30 + wave);          // green
            px[2] = clampByte(255 * fx * 0.9 + 20 * std::sin(y * 0.5));  // red
            if (x >= width - 4 || y >= height - 4) {
                px[0] = 240;
                px[1] = 250;
                px[2] = 245;
            }
        }
    }
    return p;
}

Picture drawnGrayPicture(int width, int height)
{
    const Picture colour = drawnPicture(width, height);
    Picture p{width, height, 1, {}};
    p.pixels.resize(std::size_t(width) * std::size_t(height));
    for (std::size_t i = 0; i < p.pixels.size(); ++i)
        p.pixels[i] = std::uint8_t((colour.pixels[3 * i] + 2 * colour.pixels[3 * i + 1] + colour.pixels[3 * i + 2]) / 4);
    return p;
}

std::vector<std::uint8_t> encode(const Picture& picture, const EncodeOptions& options)
{
    return encodeAs(picture, options, {});
}

std::vector<std::uint8_t> encodeInks(const Picture& picture, J_COLOR_SPACE fileSpace, bool adobeMarker)
{
    EncodeOptions options;
    options.quality = 100;
    options.inputSpace = JCS_CMYK;
    return encodeAs(picture, options, {fileSpace, adobeMarker});
}

Decoded decode(const std::vector<std::uint8_t>& file, const DecodeOptions& options)
{
    Decompression d;
    d.info.err = jpeg_std_error(&d.errors.pub);
    d.errors.pub.error_exit = trapExit;
    d.errors.pub.emit_message = quiet;
    Decoded result;
    if (!runDecompression(d, file, options, result))
        result.error = messageOf(reinterpret_cast<j_common_ptr>(&d.info));
    return result;
}

int differingRows(TBitmap& bitmap, const Picture& picture, int* firstDifference)
{
    if (firstDifference)
        *firstDifference = -1;
    if (bitmap.Width() != picture.width || bitmap.Height() != picture.height) {
        ADD_FAILURE() << "bitmap " << bitmap.Width() << " x " << bitmap.Height() << ", picture "
                      << picture.width << " x " << picture.height;
        return picture.height;
    }
    int count = 0;
    for (int y = 0; y < picture.height; ++y) {
        if (std::memcmp(bitmap.RowAddress(y), picture.row(y), picture.rowBytes()) != 0) {
            if (firstDifference && *firstDifference < 0)
                *firstDifference = y;
            ++count;
        }
    }
    return count;
}

std::unique_ptr<TJPEGImage> loadedImage(const std::vector<std::uint8_t>& file)
{
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(file);
    image->LoadStream(stream);
    return image;
}

std::vector<std::uint8_t> sampleFile(const std::string& relative)
{
    std::ifstream in(testing_support::testdataPath(relative), std::ios::binary);
    EXPECT_TRUE(in.good()) << relative;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long markerOffset(const std::vector<std::uint8_t>& file, std::uint8_t code)
{
    // Segments follow the start-of-image marker, each a marker and a big-endian length that
    // counts itself, up to the first scan.
    std::size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        if (file[at + 1] == code)
            return long(at);
        if (file[at + 1] == 0xDA)
            break;
        at += 2 + ((std::size_t(file[at + 2]) << 8) | file[at + 3]);
    }
    return -1;
}

} // namespace jpeg_test

// Decoding PNG files through libpng's progressive-free row interface, straight into the rows of
// a section: the library's transformations give the section's own layouts, so no row is copied.

#include "platform/png_decoder.h"

#include "platform/png_chunks.h"
#include "platform/png_glue.h"

#include <png.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace platform {

namespace {

std::atomic<bool> checksIgnored = false;

// The layout chosen for a file, from its header.
struct Layout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitCount = 0;  // of the section: 8, 24 or 32
    bool alpha = false;
    bool interlaced = false;
    std::vector<RgbQuad> colours;
};

struct ReadJob {
    PngSession* session;
    png_structp png;
    png_infop info;
    PngReading reading;
    Layout layout;
    Section* pixels = nullptr;
};

std::vector<RgbQuad> grayLevels()
{
    std::vector<RgbQuad> table(256);
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return table;
}

// Whether a transparency chunk makes anything see-through: a palette's may give every entry
// full opacity.
bool seeThrough(png_structp png, png_infop info)
{
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p colour = nullptr;
    if (!png_get_valid(png, info, PNG_INFO_tRNS) || !png_get_tRNS(png, info, &alphas, &count, &colour))
        return false;
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE)
        return true;
    for (int i = 0; i < count; ++i)
        if (alphas[i] != 255)
            return true;
    return false;
}

// Sets the transformations that turn the file's pixels into the section's and notes the layout.
void chooseLayout(ReadJob& job)
{
    png_structp png = job.png;
    png_infop info = job.info;
    Layout& layout = job.layout;
    layout.width = png_get_image_width(png, info);
    layout.height = png_get_image_height(png, info);
    layout.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool transparentColour = seeThrough(png, info);

    if (depth == 16) {
        if (job.reading == PngReading::Embedded)
            png_set_scale_16(png);
        else
            png_set_strip_16(png);
    }
    if (transparentColour || (colourType & PNG_COLOR_MASK_ALPHA)) {
        // Everything becomes blue, green, red, alpha.
        layout.bitCount = 32;
        layout.alpha = true;
        png_set_expand(png);
        if (!(colourType & PNG_COLOR_MASK_COLOR))
            png_set_gray_to_rgb(png);
        png_set_bgr(png);
        return;
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        layout.bitCount = 8;
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        // Indexes beyond the palette read as black, as a section's do.
        layout.colours.assign(256, RgbQuad{});
        for (int i = 0; i < count && i < 256; ++i)
            layout.colours[std::size_t(i)] = {palette[i].blue, palette[i].green, palette[i].red, 0};
        if (depth < 8)
            png_set_packing(png);
        return;
    }
    if (colourType == PNG_COLOR_TYPE_GRAY) {
        layout.bitCount = 8;
        layout.colours = grayLevels();
        if (depth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        return;
    }
    layout.bitCount = 24;
    png_set_bgr(png);
}

bool readHeader(ReadJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    if (setjmp(job.session->jump))
        return false;
    if (checksIgnored) {
        png_set_crc_action(job.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
        png_set_option(job.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    }
    png_read_info(job.png, job.info);
    chooseLayout(job);
    if (job.layout.interlaced)
        png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);
    return true;
}

bool readRows(ReadJob& job, png_bytepp rows)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    if (setjmp(job.session->jump))
        return false;
    if (rows) {
        png_read_image(job.png, rows);
    } else {
        for (png_uint_32 y = 0; y < job.layout.height; ++y)
            png_read_row(job.png, job.pixels->row(int(y)), nullptr);
    }
    // The chunks after the image data are checked too: a file cut short there is damaged.
    png_read_end(job.png, nullptr);
    return true;
}

// Raw bytes of the image data as the file codes them (filter byte included), for the
// inflation bound; interlaced pictures need a little more, which the bound's slack covers.
std::int64_t codedBytes(png_structp png, png_infop info)
{
    const std::int64_t bits = std::int64_t(png_get_image_width(png, info)) * png_get_channels(png, info)
                              * png_get_bit_depth(png, info);
    return (bits + 7) / 8 * std::int64_t(png_get_image_height(png, info))
           + std::int64_t(png_get_image_height(png, info));
}

// Why the library jumped back.
PngFailure failureOf(const PngSession& session)
{
    return session.truncated ? PngFailure::Truncated : PngFailure::Damaged;
}

} // namespace

PngDecoding decodePng(std::span<const std::uint8_t> file,
                      const std::function<bool(std::uint32_t width, std::uint32_t height)>& sizeAccepted,
                      PngReading reading)
{
    // Anything that does not start as a PNG file is refused as such, however short.
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0)
        return {.pixels = nullptr, .alpha = false, .failure = PngFailure::Damaged};
    // The library sets aside what a text chunk declares before reading it: a few hundred bytes
    // declaring a chunk of gigabytes would make it ask for gigabytes. A chunk running past the
    // end of the file means the file is cut short, whatever the chunk says it holds.
    if (!pngChunksFit(file))
        return {.pixels = nullptr, .alpha = false, .failure = PngFailure::Truncated};
    PngSession session(file);
    PngReader reader(session);
    if (!reader.png || !reader.info)
        return {.pixels = nullptr, .alpha = false, .failure = PngFailure::OutOfMemory};
    ReadJob job{.session = &session, .png = reader.png, .info = reader.info, .reading = reading, .layout = {}};
    if (!readHeader(job))
        return {.pixels = nullptr, .alpha = false, .failure = failureOf(session)};

    const Layout& layout = job.layout;
    const std::int64_t stride = sectionStride(layout.width, layout.bitCount);
    if (stride * std::int64_t(layout.height) > maxSectionBytes
        || codedBytes(job.png, job.info) > std::int64_t(file.size()) * maxPngInflation
        || (sizeAccepted && !sizeAccepted(layout.width, layout.height)))
        return {.pixels = nullptr, .alpha = false, .failure = PngFailure::Refused};
    BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = std::int32_t(layout.width);
    header.biHeight = -std::int32_t(layout.height);
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(layout.bitCount);
    header.biCompression = BI_RGB;
    std::unique_ptr<Section> pixels = Section::createToOverwrite(header, layout.colours);
    if (!pixels)
        return {.pixels = nullptr, .alpha = false, .failure = PngFailure::OutOfMemory};
    // The bytes past each row's pixels are never written by the library.
    const std::size_t rowBytes = std::size_t(layout.width) * std::size_t(layout.bitCount / 8);
    if (std::size_t(stride) > rowBytes)
        for (int y = 0; y < int(layout.height); ++y)
            std::memset(pixels->row(y) + rowBytes, 0, std::size_t(stride) - rowBytes);
    job.pixels = pixels.get();

    // Interlaced pictures arrive in passes over the whole picture.
    std::vector<png_bytep> rows;
    if (layout.interlaced) {
        rows.resize(layout.height);
        for (png_uint_32 y = 0; y < layout.height; ++y)
            rows[y] = pixels->row(int(y));
    }
    if (!readRows(job, rows.empty() ? nullptr : rows.data()))
        return {.pixels = nullptr, .alpha = false, .failure = failureOf(session)};
    return {.pixels = std::move(pixels), .alpha = layout.alpha};
}

void setPngChecksIgnored(bool ignored)
{
    checksIgnored = ignored;
}

} // namespace platform

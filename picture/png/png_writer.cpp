// Writing PNG files through libpng from the rows of a section.

#include "picture/png/png_codec.h"

#include "picture/png/png_glue.h"

#include "framework/exceptions.h"

#include <vector>

namespace png {

namespace {

constexpr auto invalidPixelFormat = "Invalid pixel format";

struct WriteJob {
    platform::PngSession* session;
    Writer* writer;
    const platform::Section* pixels;
    int colourType;
    int level;
    const std::vector<png_color>* palette;
};

bool writeImage(WriteJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    png_structp png = job.writer->png;
    png_infop info = job.writer->info;
    if (setjmp(job.session->jump))
        return false;
    png_set_IHDR(png, info, png_uint_32(job.pixels->width()), png_uint_32(job.pixels->height()), 8, job.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, job.palette->data(), int(job.palette->size()));
    png_set_compression_level(png, job.level);
    png_write_info(png, info);
    // Rows are blue first; a 32-bit row without alpha has a filler byte after each pixel.
    if (job.colourType != PNG_COLOR_TYPE_PALETTE)
        png_set_bgr(png);
    if (job.pixels->bitCount() == 32 && job.colourType == PNG_COLOR_TYPE_RGB)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < job.pixels->height(); ++y)
        png_write_row(png, job.pixels->row(y));
    png_write_end(png, nullptr);
    return true;
}

} // namespace

void encode(const platform::Section& pixels, bool alpha, TStream& stream, int level)
{
    std::vector<png_color> palette;
    int colourType = 0;
    switch (pixels.bitCount()) {
    case 8:
        colourType = PNG_COLOR_TYPE_PALETTE;
        for (const platform::RgbQuad& colour : pixels.colourTable())
            palette.push_back({colour.red, colour.green, colour.blue});
        // A palette of no colours is not allowed; the pixels then all read as black.
        if (palette.empty())
            palette.push_back({0, 0, 0});
        break;
    case 24:
        colourType = PNG_COLOR_TYPE_RGB;
        break;
    case 32:
        colourType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        break;
    default:
        throw EInvalidGraphicOperation(invalidPixelFormat);
    }
    platform::PngSession session;
    Writer writer(session, stream);
    if (!writer.png || !writer.info)
        OutOfResources();
    WriteJob job{&session, &writer, &pixels, colourType, level, &palette};
    if (!writeImage(job))
        raise(session);
}

} // namespace png

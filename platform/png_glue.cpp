#include "platform/png_glue.h"

#include <cstring>

namespace platform {

namespace {

void readBytes(png_structp png, png_bytep out, png_size_t count)
{
    PngSession& session = pngSessionOf(png);
    const std::size_t left = session.file.size() - session.position;
    if (count > left) {
        session.truncated = true;
        std::longjmp(session.jump, 1);
    }
    std::memcpy(out, session.file.data() + session.position, count);
    session.position += count;
}

} // namespace

PngSession& pngSessionOf(png_structp png)
{
    return *static_cast<PngSession*>(png_get_error_ptr(png));
}

void pngFail(png_structp png, png_const_charp)
{
    std::longjmp(pngSessionOf(png).jump, 1);
}

void pngIgnoreWarning(png_structp, png_const_charp) {}

PngReader::PngReader(PngSession& session)
{
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, pngFail, pngIgnoreWarning);
    if (!png)
        return;
    info = png_create_info_struct(png);
    png_set_read_fn(png, &session, readBytes);
}

PngReader::~PngReader()
{
    if (png)
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

} // namespace platform

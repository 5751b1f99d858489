#include "picture/png/png_glue.h"

#include "picture/png/png_codec.h"

#include "framework/exceptions.h"
#include "framework/streams.h"

namespace png {

const char* const notValid = "PNG image is not valid";

namespace {

void writeBytes(png_structp png, png_bytep data, png_size_t count)
{
    // The catch block ends before the jump: a longjmp out of a handler would leave the
    // exception marked as being handled.
    auto* writer = static_cast<Writer*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        writer->stream.WriteBuffer(data, std::int64_t(count));
    } catch (...) {
        platform::pngSessionOf(png).pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(platform::pngSessionOf(png).jump, 1);
}

void flushNothing(png_structp) {}

} // namespace

void raise(const platform::PngSession& session)
{
    if (session.pending)
        std::rethrow_exception(session.pending);
    throw EInvalidGraphic(notValid);
}

Writer::Writer(platform::PngSession& session, TStream& target) : stream(target)
{
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, platform::pngFail, platform::pngIgnoreWarning);
    if (!png)
        return;
    info = png_create_info_struct(png);
    png_set_write_fn(png, this, writeBytes, flushNothing);
}

Writer::~Writer()
{
    if (png)
        png_destroy_write_struct(&png, info ? &info : nullptr);
}

} // namespace png

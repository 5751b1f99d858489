#include "picture/png/png_glue.h"

#include "picture/png/png_codec.h"

#include "framework/exceptions.h"
#include "framework/streams.h"

#include <algorithm>
#include <cstring>

namespace png {

const char* const notValid = "PNG image is not valid";

namespace {

constexpr auto streamReadError = "Stream read error";

Session& sessionOf(png_structp png)
{
    return *static_cast<Session*>(png_get_error_ptr(png));
}

[[noreturn]] void fail(png_structp png, png_const_charp)
{
    std::longjmp(sessionOf(png).jump, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, png_size_t count)
{
    Session& session = sessionOf(png);
    const std::size_t left = session.file.size() - session.position;
    if (count > left) {
        session.truncated = true;
        std::longjmp(session.jump, 1);
    }
    std::memcpy(out, session.file.data() + session.position, count);
    session.position += count;
}

void writeBytes(png_structp png, png_bytep data, png_size_t count)
{
    // The catch block ends before the jump: a longjmp out of a handler would leave the
    // exception marked as being handled.
    auto* writer = static_cast<Writer*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        writer->stream.WriteBuffer(data, std::int64_t(count));
    } catch (...) {
        sessionOf(png).pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(sessionOf(png).jump, 1);
}

void flushNothing(png_structp) {}

} // namespace

void Session::raise() const
{
    if (pending)
        std::rethrow_exception(pending);
    if (truncated)
        throw EReadError(streamReadError);
    throw EInvalidGraphic(notValid);
}

Reader::Reader(Session& session)
{
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, fail, ignoreWarning);
    if (!png)
        return;
    info = png_create_info_struct(png);
    png_set_read_fn(png, &session, readBytes);
}

Reader::~Reader()
{
    if (png)
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

Writer::Writer(Session& session, TStream& target) : stream(target)
{
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, fail, ignoreWarning);
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

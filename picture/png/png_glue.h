#pragma once
// The glue between libpng's writing callbacks and this module: writing to a stream. Internal to
// the PNG module; the error handling is the platform's PNG glue.

#include "platform/png_glue.h"

class TStream;

namespace png {

// A write structure with its info structure, writing to `stream` at its position; destroyed by
// scope. Either pointer is null when the library could not make it.
struct Writer {
    Writer(platform::PngSession& session, TStream& target);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
    TStream& stream;
};

// After a jump back out of the library, once its object is gone or no longer used: raises what
// our code raised inside a callback, else "PNG image is not valid".
[[noreturn]] void raise(const platform::PngSession& session);

} // namespace png

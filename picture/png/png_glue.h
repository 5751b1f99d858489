#pragma once
// The glue between libpng's C callbacks and this module: the error handlers, the reading of
// bytes from memory and the writing to a stream. Internal to the PNG module.
//
// A function that calls setjmp keeps only trivially destructible locals that do not change
// after the jump point is set: what changes lives in a job owned by its caller.

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>

class TStream;

namespace png {

// The state of one library object, reached from every callback through its io or error
// pointer.
struct Session {
    // Reading from `file`; writing sessions pass nothing.
    explicit Session(std::span<const std::uint8_t> bytes = {}) : file(bytes) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::jmp_buf jump;
    std::span<const std::uint8_t> file;
    std::size_t position = 0;
    // The library asked for bytes past the end of the file.
    bool truncated = false;
    // What our code raised inside a callback.
    std::exception_ptr pending;

    // After a jump back, once the library object is gone or no longer used: raises what our
    // code raised, "Stream read error" for a file cut short, else "PNG image is not valid".
    [[noreturn]] void raise() const;
};

// A read structure with its info structure, reading the session's file; destroyed by scope.
// Either pointer is null when the library could not make it.
struct Reader {
    explicit Reader(Session& session);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// A write structure with its info structure, writing to `stream` at its position.
struct Writer {
    Writer(Session& session, TStream& target);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
    TStream& stream;
};

} // namespace png

#pragma once
// The glue between libpng's C callbacks and our code, shared by the PNG decoder here and the
// PNG writer of the picture layer.
//
// libpng reports a fatal error through a callback that must not return: ours longjmps back to
// the jump point set by the function that called into the library. Callbacks that run our own
// code catch whatever it raises and keep it, so no exception unwinds through the library's
// frames. Warnings are dropped and errors carry no text out: the library writes nothing of its
// own anywhere.
//
// A function that calls setjmp keeps only trivially destructible locals that do not change
// after the jump point is set: what changes lives in a job owned by its caller.

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>

namespace platform {

// The state of one library object, reached from every callback through its error pointer.
struct PngSession {
    // Reading from `file`; writing sessions pass nothing.
    explicit PngSession(std::span<const std::uint8_t> bytes = {}) : file(bytes) {}
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;

    std::jmp_buf jump;
    std::span<const std::uint8_t> file;
    std::size_t position = 0;
    // The library asked for bytes past the end of the file.
    bool truncated = false;
    // What our code raised inside a callback.
    std::exception_ptr pending;
};

// The error and warning callbacks every library object of ours is made with.
[[noreturn]] void pngFail(png_structp png, png_const_charp message);
void pngIgnoreWarning(png_structp png, png_const_charp message);
PngSession& pngSessionOf(png_structp png);

// A read structure with its info structure, reading the session's file; destroyed by scope.
// Either pointer is null when the library could not make it.
struct PngReader {
    explicit PngReader(PngSession& session);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace platform

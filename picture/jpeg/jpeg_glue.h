#pragma once
// The glue between the JPEG library's C callbacks and this program: the error manager, the
// source and destination managers over byte streams, and the throttled progress monitor.
// Internal to the JPEG module; its tests may include it.
//
// The library reports a fatal error by calling error_exit, which must not return. Ours stores
// the message code and longjmps back to the jump point that our calling code set with setjmp.
// Every other callback we hand to the library (source, destination, progress) catches whatever
// our C++ code raises, keeps it as a std::exception_ptr and jumps back the same way, so no C++
// exception ever unwinds through the library's C frames. The code that set the jump point
// destroys the library object and only then raises (Session::failure).
//
// A function that calls setjmp keeps only trivially destructible locals, none of which change
// after the jump point is set: what changes lives in a job structure owned by its caller, so
// after a jump back no local can hold a stale value (and none needs to be volatile).

#include "framework/colors.h"

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

#include <jpeglib.h>

#if JPEG_LIB_VERSION != 62
#error "The JPEG library must offer its 6.2 interface."
#endif
#ifndef JCS_EXTENSIONS
#error "The JPEG library must offer its blue-first output colour spaces (JCS_EXT_BGR)."
#endif

class TGraphic;
class TMemoryStream;
class TStream;

namespace jpeg {

// Bytes moved per call between a stream and the library.
constexpr std::size_t bufferSize = 4096;
// Progress reports come at most this often.
constexpr std::uint32_t progressInterval = 500;

// The number shown in "JPEG error #%d" for a library message code.
int messageNumber(int code);
// "JPEG error #%d" with the message number of the code.
std::exception_ptr libraryError(int code);

// The silent abort, which a progress handler raises to cancel decoding or encoding.
bool isAbort(const std::exception_ptr& failure);

// Milliseconds of a monotonic clock. Tests replace the source to control the throttle; null
// brings back the system clock.
using TickSource = std::uint32_t (*)();
void setTickSource(TickSource source);
std::uint32_t tickCount();

// A progress report made inside the library while it held a pointer into the bitmap's rows,
// delivered once the library call has returned.
struct PendingReport {
    bool waiting = false;
    std::uint8_t percent = 0;
    bool redraw = false;
    TRect rect;
};

// The state of one library object of ours, reached from every callback through the object's
// client_data.
struct Session {
    // `image` receives the progress reports (none when null); `decoding` chooses the report's
    // rectangle (rows decoded since the last report) over the encoder's empty one.
    Session(TGraphic* image, bool decoding);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    int code = 0;                // the library's message code of a fatal error
    bool fatal = false;          // error_exit was called
    std::exception_ptr pending;  // raised by our code inside a callback

    TGraphic* image;
    bool decoding;
    std::uint32_t lastTime = 0;
    int lastPercent = 0;
    unsigned lastRow = 0;
    // Set while the library writes rows into the bitmap: reports wait in `report` then.
    bool deferReports = false;
    PendingReport report;

    // After a jump back: what to raise once the library object is gone.
    std::exception_ptr failure() const;
    // Delivers a waiting report to the image; true when the handler was called. Raises what
    // the handler raises.
    bool deliverReport();
};

// Points a library object that is about to be created at the session's error manager and at
// the session itself (client_data). jpeg_create_* keeps both.
void attachErrors(j_common_ptr cinfo, Session& session);
// Installs the session's progress monitor on a created object.
void attachProgress(j_common_ptr cinfo, Session& session);
// Jumps back to the session's jump point, keeping the exception being handled by the caller.
[[noreturn]] void jumpBack(j_common_ptr cinfo);
// Calls `body`; an exception it raises is kept in the session and the library object jumps
// back. For callbacks, which run inside the library's frames.
template <class Body>
void guardCallback(j_common_ptr cinfo, Body&& body);

// The decompressor reads `stream` from position 0 through a 4096-byte buffer from its permanent
// pool. An empty stream is error JERR_INPUT_EMPTY; a stream that ends early is a silent
// warning, followed by an end-of-image marker. The stream must outlive the decompressor.
void useStreamSource(j_decompress_ptr cinfo, TMemoryStream& stream);
// The compressor writes to `stream` at its position through a 4096-byte buffer from its image
// pool; a short write is error JERR_FILE_WRITE.
void useStreamDestination(j_compress_ptr cinfo, TStream& stream);

// Library objects destroyed by scope. The struct starts zeroed, so destroying one that was
// never created (or whose creation failed) is harmless.
struct Decompressor {
    explicit Decompressor(Session& session) { attachErrors(reinterpret_cast<j_common_ptr>(&info), session); }
    ~Decompressor() { destroy(); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    // Frees the library object; calling it again does nothing.
    void destroy() { jpeg_destroy_decompress(&info); }
    jpeg_decompress_struct info{};
};

struct Compressor {
    explicit Compressor(Session& session) { attachErrors(reinterpret_cast<j_common_ptr>(&info), session); }
    ~Compressor() { destroy(); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    void destroy() { jpeg_destroy_compress(&info); }
    jpeg_compress_struct info{};
};

inline Session& sessionOf(j_common_ptr cinfo)
{
    return *static_cast<Session*>(cinfo->client_data);
}

template <class Body>
void guardCallback(j_common_ptr cinfo, Body&& body)
{
    // The catch block ends before the jump: longjmp out of a handler would leave the exception
    // marked as being handled.
    bool failed = false;
    try {
        body();
    } catch (...) {
        sessionOf(cinfo).pending = std::current_exception();
        failed = true;
    }
    if (failed)
        jumpBack(cinfo);
}

} // namespace jpeg

#include "picture/jpeg/jpeg_glue.h"

#include "framework/streams.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/picture.h"

#include <jerror.h>

#include <algorithm>
#include <chrono>
#include <new>

namespace jpeg {

namespace {

constexpr auto jpegError = "JPEG error #%d";

std::uint32_t systemTicks()
{
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TickSource currentTickSource = systemTicks;

// Error manager ------------------------------------------------------------------------------

void errorExit(j_common_ptr cinfo)
{
    Session& session = sessionOf(cinfo);
    session.code = cinfo->err->msg_code;
    session.fatal = true;
    std::longjmp(session.jump, 1);
}

// Warnings (corrupt data, early end of data) and trace messages are not shown, and the
// library's own message texts are never used.
void emitMessage(j_common_ptr, int) {}

void outputMessage(j_common_ptr) {}

void formatMessage(j_common_ptr, char* buffer)
{
    buffer[0] = '\0';
}

void resetErrorManager(j_common_ptr cinfo)
{
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

// Progress monitor ---------------------------------------------------------------------------

void progressMonitor(j_common_ptr cinfo)
{
    Session& session = sessionOf(cinfo);
    if (!cinfo->progress || !session.image)
        return;
    const std::uint32_t now = tickCount();
    if (session.lastTime != 0 && now - session.lastTime < progressInterval)
        return;
    const bool first = session.lastTime == 0;
    session.lastTime = now;
    if (first)
        return;

    TRect rect;
    unsigned scanline = 0;
    if (session.decoding) {
        const auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
        scanline = info->output_scanline;
        rect = {0, int(session.lastRow), int(info->output_width), int(scanline)};
        // The output went back to the top: a new pass started.
        if (rect.bottom < rect.top)
            rect.bottom = int(info->output_height);
    }

    const jpeg_progress_mgr& progress = *cinfo->progress;
    double done = progress.completed_passes;
    if (progress.pass_limit > 0)
        done += double(progress.pass_counter) / double(progress.pass_limit);
    const double percent =
        progress.total_passes > 0 ? std::clamp(done * 100.0 / progress.total_passes, 0.0, 100.0) : 0.0;
    const int truncated = int(percent);
    if (truncated == session.lastPercent)
        return;
    session.lastPercent = truncated;
    if (session.decoding)
        session.lastRow = scanline;

    const bool redraw = rect.height() > 3;
    if (session.deferReports) {
        session.report = {true, std::uint8_t(truncated), redraw, rect};
        return;
    }
    guardCallback(cinfo, [&] {
        session.image->ReportProgress(session.image, psRunning, std::uint8_t(truncated), redraw, rect, {});
    });
}

// Stream source ------------------------------------------------------------------------------

struct StreamSource {
    jpeg_source_mgr pub;
    TMemoryStream* stream;
    // The source keeps its own read position: a progress handler may read the same shared
    // bytes through another image meanwhile.
    std::int64_t offset;
    JOCTET* buffer;
    bool startOfFile;
};

StreamSource& sourceOf(j_decompress_ptr cinfo)
{
    return *reinterpret_cast<StreamSource*>(cinfo->src);
}

void initSource(j_decompress_ptr cinfo)
{
    sourceOf(cinfo).startOfFile = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    StreamSource& source = sourceOf(cinfo);
    std::int64_t count = 0;
    guardCallback(reinterpret_cast<j_common_ptr>(cinfo), [&] {
        source.stream->Seek(source.offset, SeekOrigin::Beginning);
        count = source.stream->Read(source.buffer, std::int64_t(bufferSize));
    });
    if (count <= 0) {
        if (source.startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // An end-of-image marker lets the decoder finish with what it has; missing data is
        // decoded as the library fills it.
        source.buffer[0] = 0xFF;
        source.buffer[1] = JPEG_EOI;
        count = 2;
    } else {
        source.offset += count;
    }
    source.pub.next_input_byte = source.buffer;
    source.pub.bytes_in_buffer = std::size_t(count);
    source.startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    StreamSource& source = sourceOf(cinfo);
    while (count > long(source.pub.bytes_in_buffer)) {
        count -= long(source.pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    source.pub.next_input_byte += count;
    source.pub.bytes_in_buffer -= std::size_t(count);
}

void termSource(j_decompress_ptr) {}

// Stream destination -------------------------------------------------------------------------

struct StreamDestination {
    jpeg_destination_mgr pub;
    TStream* stream;
    JOCTET* buffer;
};

StreamDestination& destinationOf(j_compress_ptr cinfo)
{
    return *reinterpret_cast<StreamDestination*>(cinfo->dest);
}

void initDestination(j_compress_ptr cinfo)
{
    StreamDestination& destination = destinationOf(cinfo);
    destination.buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, bufferSize * sizeof(JOCTET)));
    destination.pub.next_output_byte = destination.buffer;
    destination.pub.free_in_buffer = bufferSize;
}

// Writes `count` bytes of the buffer; a short write is the library's write error.
void writeBuffer(j_compress_ptr cinfo, std::size_t count)
{
    StreamDestination& destination = destinationOf(cinfo);
    std::int64_t written = 0;
    guardCallback(reinterpret_cast<j_common_ptr>(cinfo), [&] {
        written = destination.stream->Write(destination.buffer, std::int64_t(count));
    });
    if (written != std::int64_t(count))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    StreamDestination& destination = destinationOf(cinfo);
    writeBuffer(cinfo, bufferSize);
    destination.pub.next_output_byte = destination.buffer;
    destination.pub.free_in_buffer = bufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    StreamDestination& destination = destinationOf(cinfo);
    const std::size_t count = bufferSize - destination.pub.free_in_buffer;
    if (count > 0)
        writeBuffer(cinfo, count);
}

} // namespace

int messageNumber(int code)
{
    // Messages are numbered as in the library's 6b release, which had no message for
    // arithmetic coding in front of JERR_BAD_ALIGN_TYPE: from there to JERR_XMS_WRITE this
    // build counts one higher. The codes after them are reported as they are.
    if (code >= JERR_BAD_ALIGN_TYPE && code <= JERR_XMS_WRITE)
        return code - 1;
    return code;
}

std::exception_ptr libraryError(int code)
{
    return std::make_exception_ptr(EJPEG(jpegError, {(long long)messageNumber(code)}));
}

bool isAbort(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort&) {
        return true;
    } catch (...) {
        return false;
    }
}

void setTickSource(TickSource source)
{
    currentTickSource = source ? source : systemTicks;
}

std::uint32_t tickCount()
{
    return currentTickSource();
}

Session::Session(TGraphic* owner, bool isDecoding) : errors{}, progress{}, image(owner), decoding(isDecoding)
{
    jpeg_std_error(&errors);
    errors.error_exit = errorExit;
    errors.emit_message = emitMessage;
    errors.output_message = outputMessage;
    errors.format_message = formatMessage;
    errors.reset_error_mgr = resetErrorManager;
    progress.progress_monitor = progressMonitor;
}

std::exception_ptr Session::failure() const
{
    if (pending)
        return pending;
    return libraryError(code);
}

bool Session::deliverReport()
{
    if (!report.waiting)
        return false;
    report.waiting = false;
    image->ReportProgress(image, psRunning, report.percent, report.redraw, report.rect, {});
    return true;
}

void attachErrors(j_common_ptr cinfo, Session& session)
{
    cinfo->err = &session.errors;
    cinfo->client_data = &session;
}

void attachProgress(j_common_ptr cinfo, Session& session)
{
    cinfo->progress = &session.progress;
}

void jumpBack(j_common_ptr cinfo)
{
    std::longjmp(sessionOf(cinfo).jump, 1);
}

void useStreamSource(j_decompress_ptr cinfo, TMemoryStream& stream)
{
    void* memory = (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                              sizeof(StreamSource));
    auto* source = new (memory) StreamSource{};
    source->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, bufferSize * sizeof(JOCTET)));
    source->stream = &stream;
    source->offset = 0;
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    source->pub.next_input_byte = nullptr;
    source->pub.bytes_in_buffer = 0;
    cinfo->src = &source->pub;
}

void useStreamDestination(j_compress_ptr cinfo, TStream& stream)
{
    void* memory = (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                              sizeof(StreamDestination));
    auto* destination = new (memory) StreamDestination{};
    destination->stream = &stream;
    destination->pub.init_destination = initDestination;
    destination->pub.empty_output_buffer = emptyOutputBuffer;
    destination->pub.term_destination = termDestination;
    cinfo->dest = &destination->pub;
}

} // namespace jpeg

// Compressing the decoded bitmap of an image made from a bitmap, when it is first saved.

#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"

namespace {

struct EncodeJob {
    jpeg::Session* session;
    jpeg_compress_struct* info;
    TStream* output;
    TGraphic* image;
    // A 24-bit copy of the decoded bitmap, or null when there is nothing to compress.
    TBitmap* rows;
    int quality;
    bool grayscale;
    bool progressive;
    bool started = false;
};

void reportStart(EncodeJob& job)
{
    job.started = true;
    job.image->ReportProgress(job.image, psStarting, 0, /*redrawNow=*/false, {}, {});
}

// Rows go to the library from the top row down, one per call. The copy is bottom-up, so the
// step between rows is negative.
void writeRows(EncodeJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_compress_struct& info = *job.info;
    std::uint8_t* const first = job.rows->RowAddress(0);
    const std::ptrdiff_t step = job.rows->Height() > 1 ? job.rows->RowAddress(1) - first : 0;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = first + step * std::ptrdiff_t(info.next_scanline);
        if (jpeg_write_scanlines(&info, &row, 1) == 0)
            break;
    }
}

bool runEncode(EncodeJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_compress_struct& info = *job.info;
    if (setjmp(job.session->jump))
        return false;
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg::attachProgress(reinterpret_cast<j_common_ptr>(&info), *job.session);
    jpeg::useStreamDestination(&info, *job.output);
    if (job.rows) {
        info.image_width = JDIMENSION(job.rows->Width());
        info.image_height = JDIMENSION(job.rows->Height());
        info.input_components = 3;
        // The bitmap's rows are blue, green, red.
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, job.quality, TRUE);
        if (job.grayscale)
            jpeg_set_colorspace(&info, JCS_GRAYSCALE);
        if (job.progressive)
            jpeg_simple_progression(&info);
    }
    reportStart(job);
    jpeg_start_compress(&info, TRUE);
    if (job.rows)
        writeRows(job);
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

void TJPEGImage::EnsureCompressed()
{
    if (!m_data->Bytes)
        compress();
}

void TJPEGImage::compress()
{
    // The copy that is compressed; the decoded bitmap itself stays as it is.
    TBitmap rows;
    const bool hasPixels = m_bitmap && m_bitmap->Width() > 0 && m_bitmap->Height() > 0;
    if (hasPixels) {
        rows.CopyFrom(m_bitmap.get());
        rows.SetPixelLayout(pl24Bit);
    }
    // The bytes join the data record only when they are complete, so that no image sharing
    // the record ever sees half of them.
    auto output = std::make_unique<TMemoryStream>();
    // The record being compressed. A progress handler may give this image another picture
    // meanwhile; the bytes made here belong to this record, never to the new one.
    const SharedRef<TJPEGData> data = m_data;

    jpeg::Session session(this, /*decoding=*/false);
    jpeg::Compressor compressor(session);
    EncodeJob job{.session = &session,
                  .info = &compressor.info,
                  .output = output.get(),
                  .image = this,
                  .rows = hasPixels ? &rows : nullptr,
                  .quality = m_encodeQuality,
                  .grayscale = m_grayOnly,
                  .progressive = m_encodeProgressive};
    std::exception_ptr failure;
    try {
        if (!runEncode(job))
            failure = session.failure();
    } catch (...) {
        failure = std::current_exception();
    }
    if (job.started) {
        try {
            ReportProgress(this, psEnding, failure ? 0 : 100, /*redrawNow=*/false, {}, {});
        } catch (...) {
            failure = std::current_exception();
        }
    }
    compressor.destroy();

    if (failure) {
        // A cancelled compression leaves an image without compressed bytes, quietly.
        if (jpeg::isAbort(failure)) {
            if (m_data.get() == data.get())
                newData();
            return;
        }
        std::rethrow_exception(failure);
    }
    output->SetPosition(0);
    data->Bytes = std::move(output);
    if (hasPixels) {
        data->Width = rows.Width();
        data->Height = rows.Height();
        if (job.grayscale)
            data->Grayscale = true;
    }
}

// Reading JPEG files: the header at load time, and the pixels into the decoded bitmap at the
// first draw.

#include "picture/jpeg/jpeg_glue.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/jpeg/exif.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <jerror.h>

#include <algorithm>
#include <span>
#include <vector>

namespace {

// The library's own working memory (coefficient buffers of multi-scan files, the two-pass
// quantiser's picture) stays within this much per pixel plus a fixed allowance, and together
// with the decoded bitmap within what the platform makes of one section: a small file that
// claims a huge picture fails when the library asks for its buffers, before they are taken.
// (The library counts only its whole-picture buffers; its row buffers grow with the width
// alone.)
constexpr long libraryBytesPerPixel = 12;
constexpr long libraryAllowance = 32L << 20;

long libraryMemoryLimit(JDIMENSION width, JDIMENSION height)
{
    const std::int64_t pixels = std::int64_t(width) * std::int64_t(height);
    const std::int64_t decoded = platform::sectionStride(width, 24) * std::int64_t(height);
    const std::int64_t left = std::max<std::int64_t>(platform::maxSectionBytes - decoded, libraryAllowance);
    return long(std::min(pixels * libraryBytesPerPixel + libraryAllowance, left));
}

// Colours of quantised 8-bit output: 256 less the 20 that a palette display keeps for itself.
constexpr int quantisedColours = 236;

// Reading the header at load time ---------------------------------------------------------------

struct HeaderJob {
    jpeg::Session* session;
    jpeg_decompress_struct* info;
    TMemoryStream* bytes;
    bool progressive = false;
};

bool readHeader(HeaderJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_decompress_struct& info = *job.info;
    if (setjmp(job.session->jump))
        return false;
    jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg::useStreamSource(&info, *job.bytes);
    jpeg_read_header(&info, TRUE);
    job.progressive = jpeg_has_multiple_scans(&info);
    return true;
}

// Decoding ----------------------------------------------------------------------------------

struct DecodeJob {
    jpeg::Session* session;
    jpeg_decompress_struct* info;
    TMemoryStream* bytes;
    TGraphic* image;
    TBitmap* bitmap;
    // An own palette to quantise to (8-bit colour output only), else null.
    const platform::Palette* palette;

    // Settings.
    std::uint8_t scaleShift;
    bool blockSmoothing;
    bool grayOnly;
    bool eightBitDepth;
    bool speedOverQuality;
    bool showPasses;

    // Chosen while preparing.
    bool eightBit = false;
    bool buffered = false;
    // Four-component files come from the library as cyan, magenta, yellow, black and are turned
    // into blue, green, red (or gray) here; `invertedInk` when the file stores them inverted.
    bool cmyk = false;
    bool invertedInk = false;
    JSAMPROW cmykRow = nullptr;
    J_DCT_METHOD finalDct = JDCT_ISLOW;
    boolean finalTwoPass = FALSE;
    J_DITHER_MODE finalDither = JDITHER_FS;

    // The bitmap's palette follows the library's colour map (cleared for an own palette).
    bool makePalette = true;
    bool rowsWritten = false;
    int passesShown = 0;
};

bool grayOutput(const jpeg_decompress_struct& info)
{
    return info.out_color_space == JCS_GRAYSCALE;
}

bool prepare(DecodeJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_decompress_struct& info = *job.info;
    if (setjmp(job.session->jump))
        return false;
    jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof(info));
    jpeg::attachProgress(reinterpret_cast<j_common_ptr>(&info), *job.session);
    jpeg::useStreamSource(&info, *job.bytes);
    jpeg_read_header(&info, TRUE);
    info.mem->max_memory_to_use = libraryMemoryLimit(info.image_width, info.image_height);

    info.scale_num = 1;
    info.scale_denom = 1u << job.scaleShift;
    info.do_block_smoothing = job.blockSmoothing;
    // Colour output comes blue, green, red: the order of the bitmap's 24-bit rows. The library
    // turns four-component files (YCCK ones too) into nothing but CMYK.
    job.cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (job.cmyk) {
        info.out_color_space = JCS_CMYK;
        // Files with the Adobe marker store their inks inverted (0 is full ink).
        job.invertedInk = info.saw_Adobe_marker;
    } else if (job.grayOnly) {
        info.out_color_space = JCS_GRAYSCALE;
    } else if (!grayOutput(info)) {
        info.out_color_space = JCS_EXT_BGR;
    }
    // The library cannot quantise inks: a CMYK picture is decoded to gray levels or to 24 bits,
    // and mapped to a palette afterwards for an 8-bit depth.
    job.eightBit = job.cmyk ? job.grayOnly : job.eightBitDepth || grayOutput(info);
    if (job.eightBit && !job.cmyk) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = quantisedColours;
    }
    if (job.speedOverQuality) {
        info.dct_method = JDCT_IFAST;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
    }
    job.finalDct = info.dct_method;
    job.finalTwoPass = info.two_pass_quantize;
    job.finalDither = info.dither_mode;
    // Passes of a multi-scan file are shown as they come, quickly; the final pass goes back to
    // the settings above.
    if (job.showPasses && jpeg_has_multiple_scans(&info)) {
        info.enable_2pass_quant = info.two_pass_quantize;
        info.dct_method = JDCT_IFAST;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
        info.buffered_image = TRUE;
        job.buffered = true;
    }
    return true;
}

// The colour map as a colour table: one entry per colour, map row 0 blue, 1 green, 2 red (the
// output order); gray output has one row.
std::vector<platform::RgbQuad> colourTableOf(const jpeg_decompress_struct& info)
{
    const int count = std::clamp(info.actual_number_of_colors, 0, 256);
    std::vector<platform::RgbQuad> table(std::size_t(count), platform::RgbQuad{});
    const bool gray = info.out_color_components == 1;
    for (int i = 0; i < count; ++i) {
        if (gray) {
            const JSAMPLE level = info.colormap[0][i];
            table[std::size_t(i)] = {level, level, level, 0};
        } else {
            table[std::size_t(i)] = {info.colormap[0][i], info.colormap[1][i], info.colormap[2][i], 0};
        }
    }
    return table;
}

// Quantising to an own palette: the library maps every pixel to its nearest entry.
void useOwnPalette(DecodeJob& job)
{
    jpeg_decompress_struct& info = *job.info;
    const std::vector<platform::PaletteEntry>& entries = job.palette->entries();
    const auto count = JDIMENSION(std::min<std::size_t>(entries.size(), 256));
    JSAMPARRAY map = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, count, 3);
    for (JDIMENSION i = 0; i < count; ++i) {
        map[0][i] = entries[i].blue;
        map[1][i] = entries[i].green;
        map[2][i] = entries[i].red;
    }
    info.colormap = map;
    info.actual_number_of_colors = int(count);
    job.makePalette = false;
}

// Gives the bitmap new pixels of the output size: a bottom-up section, 8 bits with the colour
// table given, or 24 bits. The memory starts zeroed; nothing else is drawn into it.
void makePixels(DecodeJob& job, std::span<const platform::RgbQuad> table)
{
    const jpeg_decompress_struct& info = *job.info;
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = std::int32_t(info.output_width);
    header.biHeight = std::int32_t(info.output_height);
    header.biPlanes = 1;
    header.biBitCount = job.eightBit ? 8 : 24;
    header.biCompression = platform::BI_RGB;
    std::unique_ptr<platform::Section> pixels = platform::Section::create(header, table);
    if (!pixels)
        OutOfResources();
    job.bitmap->SetPlatformHandle(std::move(pixels));
    // The bitmap makes its palette from the colour table when asked.
    job.bitmap->WritePalette(nullptr);
}

// 256 gray levels, for CMYK pictures decoded to gray.
std::vector<platform::RgbQuad> grayLevels()
{
    std::vector<platform::RgbQuad> table(256);
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return table;
}

void sizeBitmap(DecodeJob& job)
{
    // Rows are written straight into the bitmap: one byte a pixel when quantised, three
    // otherwise, never more. CMYK rows (four bytes) pass through a row of their own.
    const int components = job.cmyk ? 4 : job.eightBit ? 1 : 3;
    if (job.info->output_components != components)
        std::rethrow_exception(jpeg::libraryError(JERR_CONVERSION_NOTIMPL));
    std::vector<platform::RgbQuad> table;
    if (job.cmyk) {
        j_common_ptr common = reinterpret_cast<j_common_ptr>(job.info);
        job.cmykRow = (*job.info->mem->alloc_sarray)(common, JPOOL_IMAGE, job.info->output_width * 4, 1)[0];
        if (job.eightBit) {
            table = grayLevels();
            job.image->SetPaletteChangedFlag(true);
        }
    } else if (job.eightBit && job.info->colormap) {
        table = colourTableOf(*job.info);
    }
    makePixels(job, table);
}

// One ink amount multiplied out of white: (255 - ink) × (255 - black) / 255, rounded.
std::uint8_t inkLight(unsigned keptInk, unsigned keptBlack)
{
    return std::uint8_t((keptInk * keptBlack + 127) / 255);
}

// A row of cyan, magenta, yellow, black into blue, green, red, or into gray levels.
void convertInks(const DecodeJob& job, const std::uint8_t* inks, std::uint8_t* out)
{
    const unsigned flip = job.invertedInk ? 0 : 255;
    const JDIMENSION width = job.info->output_width;
    for (JDIMENSION x = 0; x < width; ++x, inks += 4) {
        const unsigned black = inks[3] ^ flip;
        const std::uint8_t red = inkLight(inks[0] ^ flip, black);
        const std::uint8_t green = inkLight(inks[1] ^ flip, black);
        const std::uint8_t blue = inkLight(inks[2] ^ flip, black);
        if (job.eightBit) {
            // The library's own weights for gray from red, green and blue.
            *out++ = std::uint8_t((red * 19595u + green * 38470u + blue * 7471u + 32768u) >> 16);
        } else {
            *out++ = blue;
            *out++ = green;
            *out++ = red;
        }
    }
}

TPaletteHandle paletteOf(std::span<const platform::RgbQuad> table)
{
    std::vector<platform::PaletteEntry> entries;
    entries.reserve(table.size());
    for (const platform::RgbQuad& q : table)
        entries.push_back({q.red, q.green, q.blue, 0});
    return std::make_shared<const platform::Palette>(std::move(entries));
}

// The bitmap's palette becomes the library's colour map. Before any row is written the bitmap
// simply gets new pixels with that colour table; later the pixels so far are mapped to it.
void applyColourMap(DecodeJob& job)
{
    const std::vector<platform::RgbQuad> table = colourTableOf(*job.info);
    const platform::Section* pixels = job.bitmap->PlatformHandle();
    if (!pixels || pixels->colourTable() != table) {
        if (!job.rowsWritten)
            makePixels(job, table);
        else
            job.bitmap->WritePalette(paletteOf(table));
    }
    job.image->SetPaletteChangedFlag(true);
}

struct RowCursor {
    std::uint8_t* first;
    std::ptrdiff_t step;
};

// Rows are reached from the top row's address; the bitmap is bottom-up, so the step between
// rows is negative.
RowCursor rowCursor(TBitmap& bitmap)
{
    std::uint8_t* first = bitmap.RowAddress(0);
    const std::ptrdiff_t step = bitmap.Height() > 1 ? bitmap.RowAddress(1) - first : 0;
    return {first, step};
}

void readRows(DecodeJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_decompress_struct& info = *job.info;
    RowCursor cursor = rowCursor(*job.bitmap);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = cursor.first + cursor.step * std::ptrdiff_t(info.output_scanline);
        JSAMPROW target = job.cmyk ? job.cmykRow : row;
        // The library holds the row's address until the call returns: a progress handler that
        // changes the bitmap must wait until then.
        job.session->deferReports = true;
        const JDIMENSION read = jpeg_read_scanlines(&info, &target, 1);
        job.session->deferReports = false;
        if (job.cmyk && read > 0)
            convertInks(job, job.cmykRow, row);
        job.rowsWritten = true;
        if (job.session->deliverReport())
            cursor = rowCursor(*job.bitmap);
        if (read == 0)
            break;
    }
}

bool finalTwoPass(const DecodeJob& job)
{
    return job.eightBit && job.finalTwoPass && job.info->enable_2pass_quant && job.makePalette;
}

bool runDecode(DecodeJob& job)
{
    // Only trivially destructible locals here: the library may jump back past this frame.
    jpeg_decompress_struct& info = *job.info;
    if (setjmp(job.session->jump))
        return false;
    if (job.palette && !job.cmyk)
        useOwnPalette(job);
    jpeg_start_decompress(&info);
    sizeBitmap(job);
    if (job.buffered) {
        while (jpeg_consume_input(&info) != JPEG_REACHED_EOI) {
            jpeg_start_output(&info, info.input_scan_number);
            if (job.passesShown == 0 && info.colormap && job.makePalette)
                applyColourMap(job);
            readRows(job);
            jpeg_finish_output(&info);
            ++job.passesShown;
        }
        info.dct_method = job.finalDct;
        info.two_pass_quantize = job.finalTwoPass;
        info.dither_mode = job.finalDither;
        // A two-pass quantiser makes a new colour map for the final pass.
        if (finalTwoPass(job))
            info.colormap = nullptr;
        jpeg_start_output(&info, info.input_scan_number);
    }
    if ((!job.buffered || finalTwoPass(job)) && info.colormap && job.makePalette)
        applyColourMap(job);
    readRows(job);
    if (job.buffered)
        jpeg_finish_output(&info);
    jpeg_finish_decompress(&info);
    return true;
}

// CMYK pictures decoded in colour for an 8-bit depth are mapped to the palette here: an own
// palette when one was given, else the display's halftone palette.
void quantiseInks(DecodeJob& job)
{
    if (!job.cmyk || !job.eightBitDepth || job.grayOnly)
        return;
    job.bitmap->SetPixelLayout(pl8Bit);
    if (job.palette)
        job.bitmap->WritePalette(std::make_shared<const platform::Palette>(*job.palette));
    job.image->SetPaletteChangedFlag(true);
}

void turnUpright(TBitmap& bitmap, int orientation)
{
    const platform::Section* stored = bitmap.PlatformHandle();
    if (orientation == 1 || !stored)
        return;
    std::unique_ptr<platform::Section> upright = exif::upright(*stored, orientation);
    if (!upright)
        OutOfResources();
    bitmap.SetPlatformHandle(std::move(upright));
}

} // namespace

void TJPEGImage::loadBytes(TStream& stream, std::int64_t count)
{
    SharedRef<TJPEGData> data(new TJPEGData());
    data->Bytes = std::make_unique<TMemoryStream>();
    TMemoryStream& bytes = *data->Bytes;
    if (count > 0) {
        if (count <= stream.Size() - stream.Position()) {
            bytes.SetSize(count);
            stream.ReadBuffer(bytes.Memory(), count);
        } else {
            // Copies what is there, then raises the stream's read error: a count the stream
            // cannot back is never allocated up front.
            bytes.CopyFrom(stream, count);
        }
    }
    bool progressive = m_encodeProgressive;
    if (count > 0) {
        jpeg::Session session(nullptr, /*decoding=*/false);
        jpeg::Decompressor decompressor(session);
        HeaderJob job{.session = &session, .info = &decompressor.info, .bytes = &bytes};
        if (!readHeader(job)) {
            decompressor.destroy();
            std::rethrow_exception(session.failure());
        }
        data->Width = std::int32_t(decompressor.info.image_width);
        data->Height = std::int32_t(decompressor.info.image_height);
        data->Grayscale = decompressor.info.jpeg_color_space == JCS_GRAYSCALE;
        data->Orientation = exif::orientation(bytes.Bytes());
        progressive = job.progressive;
    }
    // The new picture replaces the old one only once it has been read.
    m_data = std::move(data);
    m_bitmap.reset();
    m_decodeFailed = false;
    m_encodeProgressive = progressive;
    SetPaletteChangedFlag(true);
    NotifyChange(this);
}

void TJPEGImage::decode()
{
    if (m_bitmap)
        return;
    auto bitmap = std::make_shared<TBitmap>();
    m_bitmap = bitmap;
    if (!m_data->Bytes)
        return;
    // Kept alive here: a progress handler may load another picture into this image.
    const SharedRef<TJPEGData> data = m_data;
    const TPaletteHandle ownPalette = m_ownPalette;

    jpeg::Session session(this, /*decoding=*/true);
    jpeg::Decompressor decompressor(session);
    DecodeJob job{.session = &session,
                  .info = &decompressor.info,
                  .bytes = data->Bytes.get(),
                  .image = this,
                  .bitmap = bitmap.get(),
                  .palette = nullptr,
                  .scaleShift = m_scaleShift,
                  .blockSmoothing = m_blockSmoothing,
                  .grayOnly = m_grayOnly,
                  .eightBitDepth = m_outputDepth == jd8Bit,
                  .speedOverQuality = m_speedOverQuality,
                  .showPasses = m_showPasses};
    // A decode that fails before any row was written leaves no bitmap: the size stays the
    // header's. The next draw shows nothing rather than failing again. (A cancelled decode
    // keeps what it made, as one cancelled later does.)
    const auto forgetUnwritten = [&](const std::exception_ptr& failure) {
        if (job.rowsWritten || m_bitmap != bitmap || jpeg::isAbort(failure))
            return;
        m_bitmap.reset();
        m_decodeFailed = m_data.get() == data.get();
    };
    if (!prepare(job)) {
        decompressor.destroy();
        forgetUnwritten(session.failure());
        std::rethrow_exception(session.failure());
    }

    std::exception_ptr failure;
    try {
        ReportProgress(this, psStarting, 0, /*redrawNow=*/false, {}, {});
        if (ownPalette) {
            if (m_outputDepth == jd8Bit) {
                // The library maps colours to a palette of three rows; gray output keeps its
                // own levels.
                if (!grayOutput(decompressor.info) && ownPalette->size() > 0)
                    job.palette = ownPalette.get();
            } else {
                m_ownPalette.reset();
            }
        }
        if (!runDecode(job))
            failure = session.failure();
        else
            quantiseInks(job);
    } catch (...) {
        failure = std::current_exception();
    }
    // Rows decoded so far are shown upright too.
    try {
        if (job.rowsWritten)
            turnUpright(*bitmap, data->Orientation);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        ReportProgress(this, psEnding, failure ? 0 : 100, PaletteChangedFlag(), {}, {});
        if (PaletteChangedFlag())
            NotifyChange(this);
    } catch (...) {
        failure = std::current_exception();
    }
    decompressor.destroy();
    if (failure)
        forgetUnwritten(failure);
    // The silent abort stops decoding quietly; the rows decoded so far stay.
    if (failure && !jpeg::isAbort(failure))
        std::rethrow_exception(failure);
}

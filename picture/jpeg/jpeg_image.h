#pragma once
// TJPEGImage: the picture class of JPEG files. Loading keeps the compressed bytes and reads only
// the header (size, colour space, progressive or not); the pixels are decoded into a TBitmap the
// first time the picture is drawn or its bitmap is asked for, and that bitmap stays. Saving
// writes the stored bytes unchanged; an image made from a bitmap is compressed when it is
// first saved.

#include "framework/exceptions.h"
#include "picture/picture.h"
#include "picture/shared_image.h"

#include <cstdint>
#include <memory>

class TBitmap;
class TMemoryStream;

// A failure reported by the JPEG library: "JPEG error #%d" with the library's message number.
PICTAVO_EXCEPTION(EJPEG, EInvalidGraphic);

enum TJPEGOutputDepth { jd24Bit = 0, jd8Bit = 1 };

// The settings a new JPEG image starts with.
struct TJPEGDefaults {
    std::uint8_t EncodeQuality = 90;
    bool GrayOnly = false;
    bool SpeedOverQuality = false;
    TJPEGOutputDepth OutputDepth = jd24Bit;
    bool ShowPasses = false;
    bool EncodeProgressive = false;
    std::uint8_t ScaleShift = 0;
    bool BlockSmoothing = true;
};

// The process-wide defaults. RegisterJPEGFormat switches OutputDepth to jd8Bit on a display of
// 8 or fewer bits per pixel.
TJPEGDefaults& JPEGDefaultSettings();

// The compressed picture, shared by copies of an image.
class TJPEGData : public TSharedImage {
public:
    TJPEGData();

    // The compressed bytes; null for an image made from a bitmap until it is first saved.
    std::unique_ptr<TMemoryStream> Bytes;
    std::int32_t Height = 0;
    std::int32_t Width = 0;
    // The file's colour space is grayscale, or the image was encoded as grayscale.
    bool Grayscale = false;
    // How the file's Exif block says the stored picture is turned upright (1 to 8, 1 as
    // stored); the decoded bitmap is upright, and so are the sizes the image reports.
    int Orientation = 1;

protected:
    ~TJPEGData() override;
    void FreeHandles() override {}
};

class TJPEGImage : public TGraphic {
    PICTAVO_CLASS(TJPEGImage)
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // To a TBitmap: the destination takes the decoded bitmap (decoded first when needed).
    // Anything else: the assignment error.
    void CopyTo(TPersistent* destination) const override;
    // From a JPEG image: shares its compressed data and, when it has been decoded, its pixels.
    // From a bitmap: an image of that bitmap, compressed when first saved. Anything else: the
    // source's CopyTo.
    void CopyFrom(const TPersistent* source) override;
    // Stretch-draws the decoded bitmap (decoding it first when needed). An image without
    // compressed bytes or pixels draws nothing, and so does one whose decode failed before it
    // made any row (the failure was raised then).
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    // True exactly when the other graphic is a JPEG image sharing this image's data record.
    bool SameImage(TGraphic& graphic) override;
    // False once compressed bytes exist (even none at all); else true unless pixels exist.
    bool IsEmpty() const override;
    // The decoded bitmap's size when it exists, else the size in the file's header, its sides
    // swapped when the Exif orientation turns the picture a quarter round.
    int ReadHeight() const override;
    int ReadWidth() const override;
    TPaletteHandle ReadPalette() override;
    // A new palette drops decoded pixels, so the next draw decodes again with it.
    void WritePalette(TPaletteHandle palette) override;
    // Both raise "Cannot change the size of a JPEG image".
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // "Data": a 32-bit little-endian byte count, then that many compressed bytes.
    void ReadStoredData(TStream& stream) override;
    void WriteStoredData(TStream& stream) override;
    // Reads the rest of the stream as a JPEG file and reads its header; "JPEG error #%d" for a
    // header the library refuses. On failure the previous picture stays.
    void LoadStream(TStream& stream) override;
    // Writes the compressed bytes (compressing a bitmap-made image first).
    void SaveStream(TStream& stream) override;
    // The bitmap clipboard format only, as TBitmap reads and writes it.
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;

    // The decoded pixels, decoding first when needed: 24-bit rows for colour pictures (CMYK
    // ones converted), 8-bit with the library's palette for gray output or OutputDepth jd8Bit;
    // turned upright by the file's Exif orientation once decoding ends.
    // A decode that fails before any row is written raises and keeps no bitmap; one that fails
    // later keeps the rows decoded so far.
    TBitmap& DecodedBitmap();
    bool HasDecodedBitmap() const { return m_bitmap != nullptr; }
    // Compresses the decoded bitmap when there are no compressed bytes yet.
    void EnsureCompressed();
    // The shared data record (never null).
    const TJPEGData& Data() const { return *m_data; }
    bool Grayscale() const { return m_data->Grayscale; }

    // Decoding and encoding settings; decoding ones apply to the next decode.
    bool BlockSmoothing() const { return m_blockSmoothing; }
    void SetBlockSmoothing(bool value) { m_blockSmoothing = value; }
    bool GrayOnly() const { return m_grayOnly; }
    void SetGrayOnly(bool value) { m_grayOnly = value; }
    TJPEGOutputDepth OutputDepth() const { return m_outputDepth; }
    void SetOutputDepth(TJPEGOutputDepth value) { m_outputDepth = value; }
    std::uint8_t EncodeQuality() const { return m_encodeQuality; }
    void SetEncodeQuality(std::uint8_t value) { m_encodeQuality = value; }
    bool ShowPasses() const { return m_showPasses; }
    void SetShowPasses(bool value) { m_showPasses = value; }
    bool EncodeProgressive() const { return m_encodeProgressive; }
    void SetEncodeProgressive(bool value) { m_encodeProgressive = value; }
    bool SpeedOverQuality() const { return m_speedOverQuality; }
    void SetSpeedOverQuality(bool value) { m_speedOverQuality = value; }
    // Decoding at 1/2^n of full size, n from 0 to 3.
    std::uint8_t ScaleShift() const { return m_scaleShift; }
    void SetScaleShift(std::uint8_t value) { m_scaleShift = value > 3 ? 3 : value; }

private:
    void loadBytes(TStream& stream, std::int64_t count);
    void decode();
    void compress();
    // Replaces the data record by a new, empty one.
    void newData();

    SharedRef<TJPEGData> m_data;
    // Shared only with a decode in progress, which keeps writing rows even if a progress
    // handler drops the bitmap from this image.
    std::shared_ptr<TBitmap> m_bitmap;
    TPaletteHandle m_ownPalette;
    bool m_blockSmoothing;
    bool m_grayOnly;
    TJPEGOutputDepth m_outputDepth;
    std::uint8_t m_encodeQuality;
    bool m_showPasses;
    bool m_encodeProgressive;
    bool m_speedOverQuality;
    std::uint8_t m_scaleShift;
    // The last decode of the current data failed before writing a row; drawing shows nothing.
    bool m_decodeFailed = false;
};

// Registers "jpeg" and "jpg" as "JPEG Image File", in that order; calling it again adds nothing.
void RegisterJPEGFormat();

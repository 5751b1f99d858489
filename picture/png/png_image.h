#pragma once
// TPNGImage: the picture class of PNG files. Loading decodes the whole file through libpng:
// every colour type and bit depth, interlaced or not, with transparency from an alpha channel
// or a transparent colour; sixteen-bit samples keep their high byte; gamma and colour profiles
// are not applied. Saving writes a PNG file of the pixels.

#include "picture/png/pixel_picture.h"

#include <cstdint>

class TPNGImage : public TPixelPicture {
    PICTAVO_CLASS(TPNGImage)
public:
    TPNGImage();
    ~TPNGImage() override;

    // From a PNG image: shares its pixels. From a bitmap: its pixels, opaque, as 8-bit (for
    // 8 bits or fewer), else 24-bit. Anything else: the source's CopyTo.
    void CopyFrom(const TPersistent* source) override;
    // Both raise "Cannot change the size of a PNG image".
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // "Data": a 32-bit little-endian byte count, then a PNG file of that many bytes.
    void ReadStoredData(TStream& stream) override;
    void WriteStoredData(TStream& stream) override;
    // Reads the rest of the stream as a PNG file. "PNG image is not valid" for a file libpng
    // refuses or a picture larger than its data could fill or than a section may be; "Stream
    // read error" when the file ends early. On failure the previous picture stays.
    void LoadStream(TStream& stream) override;
    // A PNG file of the pixels at CompressionLevel; an empty picture writes nothing.
    void SaveStream(TStream& stream) override;
    // The bitmap clipboard format, as TBitmap reads it; the pictures becomes opaque.
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;

    // zlib's level for saving, 0 (none) to 9 (smallest); 1, the fastest, at the start.
    int CompressionLevel() const { return m_compressionLevel; }
    void SetCompressionLevel(int value) { m_compressionLevel = value < 0 ? 0 : value > 9 ? 9 : value; }

private:
    void loadBytes(TStream& stream, std::int64_t count);
    void copyBitmap(const TPersistent& bitmap);

    int m_compressionLevel = 1;
};

// Registers "png" ("PNG Image"); calling it again adds nothing.
void RegisterPNGFormat();

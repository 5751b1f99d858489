#pragma once
// TPluginImage: the picture class of the formats that the platform's image plugins read
// (WebP, TIFF and the others installed), registered at start-up for each extension that a
// present plugin reads and no other class of ours does. Loading keeps the file's bytes and
// decodes its first picture whole, turned upright when the file says how; saving writes the
// loaded bytes unchanged, so the class never encodes anything itself.

#include "picture/png/pixel_picture.h"

#include <memory>
#include <string>
#include <vector>

class TMemoryStream;

class TPluginImage : public TPixelPicture {
    PICTAVO_CLASS(TPluginImage)
public:
    TPluginImage();
    ~TPluginImage() override;

    // From a plugin image: shares its bytes and pixels. Anything else: the source's CopyTo.
    void CopyFrom(const TPersistent* source) override;
    // Both raise "Cannot change the size of a %s image" with the format's name.
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // "Data": a 32-bit little-endian byte count, then the file's bytes.
    void ReadStoredData(TStream& stream) override;
    void WriteStoredData(TStream& stream) override;
    // Reads the rest of the stream and decodes its first picture. "%s image is not valid"
    // (the format's name, or "Picture" when no plugin recognises the bytes) when the plugin
    // refuses it, or when its declared size is larger than a section may be. On failure the
    // previous picture stays.
    void LoadStream(TStream& stream) override;
    // The loaded bytes unchanged; an empty picture writes nothing.
    void SaveStream(TStream& stream) override;
    // Raises "Unsupported clipboard format": a picture of this class comes only from a file.
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;

    // The format the plugin read, upper case ("WEBP", "TIFF"); empty for an empty picture.
    const std::string& FormatName() const { return m_format; }

private:
    void loadBytes(TStream& stream, std::int64_t count);

    std::shared_ptr<const std::vector<std::uint8_t>> m_bytes;
    std::string m_format;
};

// The extensions a present plugin reads, lower case, in the plugins' order.
std::vector<std::string> PluginExtensions();

// Registers each extension of PluginExtensions() that no class has yet, with a description
// naming its format; calling it again adds nothing.
void RegisterPluginFormats();

#pragma once
// TBitmap: the system's in-memory pixel surface and the picture class of bitmap files. A bitmap
// refers to a shared pixel store; copies made by assignment share it until one of them changes
// (copy on write). Pixels live in a device-independent section whose rows are reached by
// address, or in a device bitmap of the display's format (run-length files, device layouts).

#include "picture/picture.h"
#include "picture/shared_image.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class Section;
}

class TBitmapImage;
class TBitmapCanvas;
struct DibDescription;

enum TPixelLayout { plDevice, pl1Bit, pl4Bit, pl8Bit, pl15Bit, pl16Bit, pl24Bit, pl32Bit, plCustom };
enum TBitmapStorage { bsSection = 0, bsDevice = 1 };
enum TTransparentKeyMode { tkAuto = 0, tkFixed = 1 };

// The transparent colour of a bitmap that has none set.
constexpr TColor transparentKeyNone = 0x20000000;

class TBitmap : public TGraphic {
    PICTAVO_CLASS(TBitmap)
public:
    TBitmap();
    ~TBitmap() override;

    // From no source: empty. From another bitmap: shares its store and takes its transparent
    // colour and mode. Anything else: the source's CopyTo.
    void CopyFrom(const TPersistent* source) override;
    // Forgets the mask bits, then notifies.
    void NotifyChange(TObject* sender) override;
    // Draws the whole image stretched into the rectangle, through its mask when Transparent.
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override;
    int ReadHeight() const override;
    // Made on demand from the colour table (or the halftone palette); null when none applies.
    TPaletteHandle ReadPalette() override;
    int ReadWidth() const override;
    // "Data": a 32-bit little-endian length, then a bitmap file of that many bytes.
    void ReadStoredData(TStream& stream) override;
    void WriteHeight(int value) override;
    void WritePalette(TPaletteHandle palette) override;
    void WriteWidth(int value) override;
    void WriteStoredData(TStream& stream) override;
    // Reads a bitmap file from the stream's position to its end. An empty rest gives an empty
    // bitmap. "Bitmap image is not valid" for data the format does not allow, and for a picture
    // far larger than its pixel data can fill; "Stream read error" when the data ends early. On
    // failure the previous image stays.
    void LoadStream(TStream& stream) override;
    // Writes a bitmap file; an empty bitmap writes nothing.
    void SaveStream(TStream& stream) override;
    // Only the bitmap format (2), whose data is a std::shared_ptr<const platform::Section>;
    // anything else raises "Unsupported clipboard format".
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;

    // The device handle (the section serves as one), after making the store this bitmap's own.
    virtual platform::Section* PlatformHandle();
    // The 1-bit mask of the current transparent colour: 1 where the image is see-through.
    virtual const platform::Section* MaskBitmap();
    virtual void SetStorage(TBitmapStorage storage);

    // Adopts a platform bitmap as the image; the current handle itself is ignored.
    void SetPlatformHandle(std::unique_ptr<platform::Section> bitmap);
    // Hands the device handle to the caller; the store forgets it.
    std::unique_ptr<platform::Section> ReleasePlatformHandle();
    // Keeps only the section: device bitmap, mask and palette go.
    void ReleaseDeviceCopy();

    // A bitmap resource of the program: the Qt resource ":/bitmaps/<name>.bmp" (tried as given,
    // then upper-cased), holding a bitmap file with or without its 14-byte file header.
    void LoadFromResource(const std::string& name);

    TPixelLayout PixelLayout() const;
    // Converts the pixels; plCustom raises "Invalid pixel format".
    void SetPixelLayout(TPixelLayout layout);
    TBitmapStorage Storage() const;
    bool IsMonochrome() const;
    // True: a 1-bit device bitmap; false: a device bitmap of the display's format.
    void SetIsMonochrome(bool value);

    // First byte of picture row `row` (0 is the top row), after making the store this bitmap's
    // own and making sure it is a section. "Scan line index out of range" outside 0..height-1.
    std::uint8_t* RowAddress(int row);
    // The drawing surface; drawing on it changes only this bitmap.
    TCanvas& Surface();

    // The colour that draws see-through: a set colour, or white for a monochrome bitmap, or
    // the bottom-left pixel; with the palette-relative flag 0x02000000.
    TColor TransparentKey() const;
    // 0x20000000 returns to the automatic colour; any other value fixes it.
    void SetTransparentKey(TColor value);
    TTransparentKeyMode TransparentKeyMode() const { return m_transparentKeyMode; }
    // Replaces the image by its 1-bit mask for the colour.
    void MakeMask(TColor colour);

private:
    friend class TBitmapCanvas;

    TBitmapImage& ownImage();
    void replaceImage(TBitmapImage* image);
    void dropSurfaceContext();
    void surfaceChanging();
    bool handleNeeded();
    bool sectionNeeded();
    void paletteNeeded();
    void remake(const DibDescription& target, TPaletteHandle palette, bool halftone = false);
    // `pixelOffset` counts from the info header; 0 when nothing says where the pixels are.
    void readFromInfoHeader(TStream& stream, std::int64_t budget, std::int64_t pixelOffset = 0);
    void readFile(TStream& stream, std::int64_t budget);
    void writeFile(TStream& stream);
    void updateMask();

    SharedRef<TBitmapImage> m_image;
    std::unique_ptr<TBitmapCanvas> m_surface;
    bool m_ignorePalette = false;
    bool m_maskBitsValid = false;
    bool m_maskValid = false;
    TColor m_transparentKey = transparentKeyNone;
    TTransparentKeyMode m_transparentKeyMode = tkAuto;
};

// Registers "bmp" ("Bitmaps") and the bitmap clipboard format.
void RegisterBitmapFormat();

// Gives back the drawing contexts of every bitmap surface that is not locked at the moment
// (the framework calls it after handling each window message).
void FreeBitmapSurfaceContexts();

#pragma once
// TMetafile: the picture class of vector pictures, enhanced metafiles (".emf") and Windows
// metafiles with the placeable header (".wmf"). Whatever the file, the picture is held as one
// enhanced metafile of the platform; Windows-metafile records are converted on loading and back
// on saving. TMetafileCanvas records a new picture through the canvas operations: the report
// engine records its pages this way.

#include "framework/canvas.h"
#include "framework/exceptions.h"
#include "picture/picture.h"
#include "picture/shared_image.h"
#include "platform/metafile/enhanced_metafile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class DeviceContext;
class RecordingContext;
} // namespace platform

// The picture shared by copies of a metafile.
class TMetafileImage : public TSharedImage {
public:
    platform::MetafileHandle MetafileHandle;
    // The picture's size: 0.01 mm, or 1/25400 inch for a picture read from a placeable file.
    std::int32_t FrameWidth = 0;
    std::int32_t FrameHeight = 0;
    // Made on demand from the metafile's own palette.
    TPaletteHandle Palette;
    // The placeable header's inch value as read; 0 for every other picture.
    std::uint16_t UnitsPerInch = 0;
    // Pixel sizes asked for while no metafile exists yet.
    std::int32_t PendingWidth = 0;
    std::int32_t PendingHeight = 0;

protected:
    ~TMetafileImage() override = default;
    void FreeHandles() override {}
};

class TMetafile : public TGraphic {
    PICTAVO_CLASS(TMetafile)
public:
    TMetafile();
    ~TMetafile() override;

    // From no source: a new empty picture. From a metafile: shares its picture. Anything
    // else: the base assignment.
    void CopyFrom(const TPersistent* source) override;
    // Plays the picture into the rectangle less its right and bottom edges; nothing when there
    // is no metafile.
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    // False whenever a record is attached, which is always.
    bool IsEmpty() const override;
    int ReadHeight() const override;
    TPaletteHandle ReadPalette() override;
    int ReadWidth() const override;
    // The length-counted stored form ("Data").
    void ReadStoredData(TStream& stream) override;
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    void WriteStoredData(TStream& stream) override;
    // A name ending in ".wmf" (any case) saves a placeable Windows metafile whatever
    // SaveEnhanced says.
    void SaveFile(const std::string& fileName) override;
    void LoadStream(TStream& stream) override;
    void SaveStream(TStream& stream) override;
    // Takes the clipboard's enhanced metafile (a platform::MetafileHandle), whatever the format.
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data, const TPaletteHandle& palette) override;
    // Format 14 and a copy of the metafile; nothing without a record.
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette) override;

    std::int32_t FrameWidth() const { return m_image->FrameWidth; }
    void SetFrameWidth(std::int32_t value);
    std::int32_t FrameHeight() const { return m_image->FrameHeight; }
    void SetFrameHeight(std::int32_t value);
    std::uint16_t UnitsPerInch() const { return m_image->UnitsPerInch; }
    bool SaveEnhanced() const { return m_saveEnhanced; }
    void SetSaveEnhanced(bool value) { m_saveEnhanced = value; }
    platform::MetafileHandle MetafileHandle() const { return m_image->MetafileHandle; }
    // Attaches a metafile (as a recording ends): its frame becomes the picture's size.
    void SetMetafileHandle(platform::MetafileHandle handle);
    // The two texts of the metafile's description; empty without one.
    std::string CreatorName() const;
    std::string PictureTitle() const;

private:
    // Replaces the record with a new one (a load, an assignment, a clear).
    void newImage();
    // Copy on write: a shared record is replaced by a copy of itself.
    TMetafileImage& ownImage();
    void loadFrom(TStream& stream, std::int64_t budget, std::int64_t windowsBudget);
    // A placeable Windows metafile, or one without the placeable header (from its own header on).
    void loadWindowsMetafile(TStream& stream, std::int64_t budget);
    // The pixel size, setting it, and setting the frame, on one axis.
    int readSize(bool horizontal) const;
    void writeSize(bool horizontal, int value);
    void setFrameSize(bool horizontal, std::int32_t value);
    std::string descriptionPart(int index) const;

    SharedRef<TMetafileImage> m_image;
    bool m_saveEnhanced = true;
};

// A canvas recording into a metafile. Created on a metafile (and a reference device, or none
// for the screen); destroying it finishes the recording and gives the picture to the metafile.
class TMetafileCanvas : public TCanvas {
    PICTAVO_CLASS(TMetafileCanvas)
public:
    TMetafileCanvas(TMetafile& metafile, platform::DeviceContext* reference);
    TMetafileCanvas(TMetafile& metafile, platform::DeviceContext* reference, const std::string& creator,
                    const std::string& title);
    ~TMetafileCanvas() override;

protected:
    void CreateHandle() override;

private:
    TMetafile& m_metafile;
    std::unique_ptr<platform::RecordingContext> m_recorder;
};

// The platform rule for scaling: a × b ÷ c with a 64-bit intermediate, rounded to the nearest
// integer (halves away from zero); -1 when c is 0 or the result does not fit.
int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);

// Registers "wmf" ("Metafiles"), "emf" ("Enhanced Metafiles") and clipboard formats 3 and 14.
void RegisterMetafileFormat();

#pragma once
// TIcon: the picture class of icon files. Loading keeps the file's bytes as they are; the
// platform icon is made from them the first time the icon is drawn or its handle is asked for.
// Of the file's images one is shown, chosen by colour count for the display, always at the
// standard icon size: drawing puts it at the top-left corner of the rectangle, whatever the
// rectangle's size. Saving writes the loaded bytes unchanged, or a single 16-colour image made
// from the handle.
//
// Images may be stored as bitmaps (1, 4, 8, 16, 24 or 32 bits per pixel, followed by their AND
// mask) or as PNG files. A 32-bit bitmap whose fourth bytes are not all zero, and every PNG
// image, draw blended with their alpha channel; a 32-bit bitmap whose alpha is all zero draws
// through its AND mask like the others.

#include "picture/picture.h"
#include "picture/shared_image.h"

#include <memory>

namespace platform {
class Icon;
}

class TMemoryStream;

// A platform icon; copies share it. The default application icon is one such handle that is
// never freed.
using TIconHandle = std::shared_ptr<const platform::Icon>;

// The default application icon as a handle.
TIconHandle DefaultApplicationIconHandle();

// The icon's data, shared by copies of an icon.
class TIconImage : public TSharedImage {
public:
    TIconImage() = default;
    TIconImage(TIconHandle handle, std::unique_ptr<TMemoryStream> memoryImage);

    TIconHandle IconHandle;
    // The icon file as loaded (or as written from the handle); null when there is none.
    std::unique_ptr<TMemoryStream> MemoryImage;

protected:
    ~TIconImage() override;
    void FreeHandles() override { IconHandle.reset(); }
};

class TIcon : public TGraphic {
    PICTAVO_CLASS(TIcon)
public:
    // Transparent from the start.
    TIcon();
    ~TIcon() override;

    // From no source: a new empty icon. From an icon: shares its data. Anything else: the
    // source's CopyTo. Notifies in the first two cases.
    void CopyFrom(const TPersistent* source) override;
    // Draws the icon at its own size with its top-left corner at the rectangle's; the rest of
    // the rectangle is ignored. An empty icon draws nothing.
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    // Neither a handle nor loaded bytes.
    bool IsEmpty() const override;
    // The standard icon size, whatever the file holds.
    int ReadHeight() const override;
    int ReadWidth() const override;
    // Both raise "Cannot change the size of an icon".
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // Keeps the rest of the stream as the icon's bytes. "Stream read error" when there are fewer
    // than 6; "Icon image is not valid" for a type other than 0 and 1, and for an icon whose
    // image cannot be made (checked now, so that a damaged file is refused when it is loaded
    // rather than each time it is drawn). On failure the previous icon stays.
    void LoadStream(TStream& stream) override;
    // The loaded bytes unchanged; for an icon set from a handle, a single 16-colour image (6
    // zero bytes for the default application icon). "Icon image is not valid" for an empty icon.
    void SaveStream(TStream& stream) override;
    // Both raise "Clipboard does not support Icons".
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;

    // The platform icon, made from the loaded bytes when there is none yet; null for an empty
    // icon. "Icon image is not valid" when the bytes do not make one.
    TIconHandle IconHandle();
    // Holds that handle and no bytes.
    void SetIconHandle(TIconHandle handle);

    // The shared data record (never null).
    const TIconImage& Image() const { return *m_image; }

private:
    void newImage(TIconHandle handle, std::unique_ptr<TMemoryStream> memoryImage);

    SharedRef<TIconImage> m_image;
};

// Registers "ico" ("Icons"); calling it again adds nothing.
void RegisterIconFormat();

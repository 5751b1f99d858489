#pragma once
// TPixelPicture: the common ground of picture classes that decode their file whole when it is
// loaded (PNG, and the formats read through the platform's image readers). The pixels are one
// top-down section, never changed once made and shared by copies: 8 bits with a colour table,
// 24 bits, or 32 bits whose fourth byte is the pixel's alpha (not premultiplied). A picture with
// alpha draws blended over what lies beneath, as the icon's 32-bit images do; the others draw
// as an opaque bitmap does.

#include "picture/picture.h"

#include <memory>

namespace platform {
class Section;
}

class TPixelPicture : public TGraphic {
    PICTAVO_CLASS(TPixelPicture)
public:
    TPixelPicture();
    ~TPixelPicture() override;

    // To a TBitmap: the destination gets a copy of the pixels (alpha stays in the fourth byte
    // of 32-bit pixels). Anything else: the assignment error.
    void CopyTo(TPersistent* destination) const override;
    // Stretched into the rectangle; blended by each pixel's alpha when the picture has one.
    // The Transparent setting plays no part: the alpha channel says what shows through.
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override;
    int ReadHeight() const override;
    int ReadWidth() const override;
    // The pixels as the bitmap clipboard format.
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;

    // The pixels; null for an empty picture.
    const platform::Section* Pixels() const;
    // Whether the fourth byte of the 32-bit pixels is alpha.
    bool HasAlpha() const;

protected:
    // Replaces the pixels (a section of 8, 24 or 32 bits; null empties the picture), then
    // notifies. Nothing changes them afterwards.
    void setPixels(std::unique_ptr<platform::Section> pixels, bool alpha);
    // Shares the pixels of another picture of this kind.
    void sharePixels(const TPixelPicture& other);

private:
    struct Store;
    std::shared_ptr<Store> m_store;
};

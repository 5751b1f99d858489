#pragma once
// The picture class for file names without an extension. The desktop's own picture service
// that such names were once handed to does not exist on this platform, so the class stays
// empty: loading succeeds and leaves nothing to draw.

#include "picture/picture.h"

class TOleGraphic : public TGraphic {
    PICTAVO_CLASS(TOleGraphic)
public:
    // From another TOleGraphic: nothing to take, both are empty. Anything else: the source's
    // CopyTo (the assignment error).
    void CopyFrom(const TPersistent* source) override;
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override;
    int ReadWidth() const override;
    int ReadHeight() const override;
    // Raise "Invalid operation on TOleGraphic".
    void WriteHeight(int value) override;
    void WriteWidth(int value) override;
    // Reading a file or a stream does nothing: the image stays empty.
    void LoadFile(const std::string& fileName) override;
    void LoadStream(TStream& stream) override;
    // An empty image writes nothing.
    void SaveStream(TStream& stream) override;
    // Raise "Invalid operation on TOleGraphic".
    void LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                           const TPaletteHandle& palette) override;
    void SaveClipboardData(std::uint16_t& format, TClipboardHandle& data,
                           TPaletteHandle& palette) override;
};

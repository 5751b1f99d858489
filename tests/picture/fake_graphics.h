#pragma once
// Picture classes for the container and registry tests: each holds the bytes of its file as
// text. Data beginning with "BAD" is refused as a real decoder refuses a corrupt file.

#include "picture/picture.h"

#include <string>

class TFakeGraphic : public TGraphic {
    PICTAVO_CLASS(TFakeGraphic)
public:
    void CopyFrom(const TPersistent* source) override;
    void PaintInto(TCanvas& canvas, const TRect& rect) override;
    bool IsEmpty() const override { return m_content.empty(); }
    int ReadWidth() const override { return int(m_content.size()); }
    int ReadHeight() const override { return m_content.empty() ? 0 : 1; }
    void WriteHeight(int) override {}
    void WriteWidth(int) override {}
    void LoadStream(TStream& stream) override;
    void SaveStream(TStream& stream) override;
    void LoadClipboardData(std::uint16_t, const TClipboardHandle&, const TPaletteHandle&) override {}
    void SaveClipboardData(std::uint16_t&, TClipboardHandle&, TPaletteHandle&) override {}

    const std::string& Content() const { return m_content; }
    void SetContent(std::string content) { m_content = std::move(content); }
    // Calls of PaintInto on any fake graphic.
    static int paintCount;

private:
    std::string m_content;
};

class TFakeMetafile : public TFakeGraphic {
    PICTAVO_CLASS(TFakeMetafile)
};
class TFakeIcon : public TFakeGraphic {
    PICTAVO_CLASS(TFakeIcon)
};
class TFakeBitmap : public TFakeGraphic {
    PICTAVO_CLASS(TFakeBitmap)
};
class TFakeJPEG : public TFakeGraphic {
    PICTAVO_CLASS(TFakeJPEG)
};
class TFakeGIF : public TFakeGraphic {
    PICTAVO_CLASS(TFakeGIF)
};
// Derives from TFakeGIF: unregistering TFakeGIF removes it too.
class TFakeAnimatedGIF : public TFakeGIF {
    PICTAVO_CLASS(TFakeAnimatedGIF)
};

// Registers the fakes in the registry's start-up order (with the real row for names without
// an extension) after removing every registered class.
void registerFakeFormats();

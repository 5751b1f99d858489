#include "fake_graphics.h"

#include "framework/streams.h"
#include "picture/ole_graphic.h"

PICTAVO_DEFINE_CLASS(TFakeGraphic, TGraphic, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TFakeMetafile, TFakeGraphic, createObjectOf<TFakeMetafile>, nullptr)
PICTAVO_DEFINE_CLASS(TFakeIcon, TFakeGraphic, createObjectOf<TFakeIcon>, nullptr)
PICTAVO_DEFINE_CLASS(TFakeBitmap, TFakeGraphic, createObjectOf<TFakeBitmap>, nullptr)
PICTAVO_DEFINE_CLASS(TFakeJPEG, TFakeGraphic, createObjectOf<TFakeJPEG>, nullptr)
PICTAVO_DEFINE_CLASS(TFakeGIF, TFakeGraphic, createObjectOf<TFakeGIF>, nullptr)
PICTAVO_DEFINE_CLASS(TFakeAnimatedGIF, TFakeGIF, createObjectOf<TFakeAnimatedGIF>, nullptr)

int TFakeGraphic::paintCount = 0;

void TFakeGraphic::CopyFrom(const TPersistent* source)
{
    if (const auto* fake = dynamic_cast<const TFakeGraphic*>(source)) {
        m_content = fake->m_content;
        NotifyChange(this);
        return;
    }
    TGraphic::CopyFrom(source);
}

void TFakeGraphic::PaintInto(TCanvas& canvas, const TRect& rect)
{
    ++paintCount;
    if (!IsEmpty())
        canvas.FillRect(rect);
}

void TFakeGraphic::LoadStream(TStream& stream)
{
    std::string content(std::size_t(stream.Size() - stream.Position()), '\0');
    stream.ReadBuffer(content.data(), std::int64_t(content.size()));
    if (content.rfind("BAD", 0) == 0)
        throw EInvalidGraphic("Bad fake picture");
    m_content = content;
}

void TFakeGraphic::SaveStream(TStream& stream)
{
    stream.WriteBuffer(m_content.data(), std::int64_t(m_content.size()));
}

void registerFakeFormats()
{
    UnregisterGraphicClass(TGraphic::StaticClass());
    RegisterFileFormat("wmf", "Metafiles", TFakeMetafile::StaticClass());
    RegisterFileFormat("emf", "Enhanced Metafiles", TFakeMetafile::StaticClass());
    RegisterFileFormat("ico", "Icons", TFakeIcon::StaticClass());
    RegisterFileFormat("bmp", "Bitmaps", TFakeBitmap::StaticClass());
    RegisterFileFormat("jpeg", "JPEG Image File", TFakeJPEG::StaticClass());
    RegisterFileFormat("jpg", "JPEG Image File", TFakeJPEG::StaticClass());
    RegisterFileFormat("gif", "CompuServe GIF Image", TFakeGIF::StaticClass());
    RegisterOleGraphicFormat();
}

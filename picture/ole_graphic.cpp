#include "picture/ole_graphic.h"

namespace {
constexpr auto invalidOperation = "Invalid operation on TOleGraphic";
} // namespace

PICTAVO_DEFINE_CLASS(TOleGraphic, TGraphic, createObjectOf<TOleGraphic>, nullptr)

void TOleGraphic::CopyFrom(const TPersistent* source)
{
    if (source && source->InheritsFrom(TOleGraphic::StaticClass()))
        return;
    TGraphic::CopyFrom(source);
}

void TOleGraphic::PaintInto(TCanvas&, const TRect&) {}

bool TOleGraphic::IsEmpty() const
{
    return true;
}

int TOleGraphic::ReadWidth() const
{
    return 0;
}

int TOleGraphic::ReadHeight() const
{
    return 0;
}

void TOleGraphic::WriteHeight(int)
{
    throw EInvalidGraphicOperation(invalidOperation);
}

void TOleGraphic::WriteWidth(int)
{
    throw EInvalidGraphicOperation(invalidOperation);
}

void TOleGraphic::LoadFile(const std::string&) {}

void TOleGraphic::LoadStream(TStream&) {}

void TOleGraphic::SaveStream(TStream&) {}

void TOleGraphic::LoadClipboardData(std::uint16_t, const TClipboardHandle&, const TPaletteHandle&)
{
    throw EInvalidGraphicOperation(invalidOperation);
}

void TOleGraphic::SaveClipboardData(std::uint16_t&, TClipboardHandle&, TPaletteHandle&)
{
    throw EInvalidGraphicOperation(invalidOperation);
}

void RegisterOleGraphicFormat()
{
    if (!FileFormats().Contains("", TOleGraphic::StaticClass()))
        RegisterFileFormat("", "", TOleGraphic::StaticClass());
}

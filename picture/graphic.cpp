#include "picture/picture.h"

#include "framework/streams.h"

namespace {
constexpr auto notAGraphicClass = "%s is not a picture class";
} // namespace

PICTAVO_DEFINE_CLASS(TGraphic, TDrawable, nullptr, nullptr)

std::unique_ptr<TGraphic> CreateGraphic(const TMetaClass* graphicClass)
{
    // Abstract classes have no factory; the registries only ever hold concrete ones.
    if (!graphicClass || !graphicClass->create || !graphicClass->InheritsFrom(TGraphic::StaticClass()))
        throw EInvalidGraphic(notAGraphicClass, {std::string(graphicClass ? graphicClass->name : "nil")});
    return std::unique_ptr<TGraphic>(static_cast<TGraphic*>(graphicClass->create()));
}

void TGraphic::DeclareStoredData(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data", [this](TStream& stream) { ReadStoredData(stream); },
        [this](TStream& stream) { WriteStoredData(stream); }, !IsEmpty());
}

std::unique_ptr<TGraphic> TGraphic::CreateEmpty() const
{
    return CreateGraphic(ClassType());
}

void TGraphic::NotifyChange(TObject*)
{
    m_changed = true;
    if (OnChange)
        OnChange(this);
}

bool TGraphic::SameImage(TGraphic& graphic)
{
    if (IsEmpty() || graphic.IsEmpty())
        return IsEmpty() && graphic.IsEmpty();
    if (ClassType() != graphic.ClassType())
        return false;
    TMemoryStream mine;
    TMemoryStream theirs;
    WriteStoredData(mine);
    graphic.WriteStoredData(theirs);
    return mine.Bytes() == theirs.Bytes();
}

TPaletteHandle TGraphic::ReadPalette()
{
    return nullptr;
}

bool TGraphic::ReadTransparent() const
{
    return m_transparent;
}

void TGraphic::ReadStoredData(TStream& stream)
{
    LoadStream(stream);
}

void TGraphic::WritePalette(TPaletteHandle) {}

void TGraphic::WriteTransparent(bool value)
{
    if (value == m_transparent)
        return;
    m_transparent = value;
    NotifyChange(this);
}

void TGraphic::WriteStoredData(TStream& stream)
{
    SaveStream(stream);
}

void TGraphic::LoadFile(const std::string& fileName)
{
    TFileStream file(fileName, FileMode::OpenRead);
    LoadStream(file);
}

void TGraphic::SaveFile(const std::string& fileName)
{
    TFileStream file(fileName, FileMode::Create);
    SaveStream(file);
}

void TGraphic::ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                              bool redrawNow, const TRect& r, const std::string& msg)
{
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

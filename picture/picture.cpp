#include "picture/picture.h"

#include "framework/streams.h"

#include <algorithm>

namespace {

constexpr auto unknownExtension = "Unknown picture file extension (.%s)";

// The stored form names the graphic's class in at most this many single-byte characters.
constexpr std::size_t maxStoredClassName = 63;

// The text after the last dot, unless a directory separator or drive colon follows that dot
// ("C:\dir.bmp\readme" has no extension).
std::string extensionOf(const std::string& fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find_first_of("\\:", dot + 1) != std::string::npos)
        return {};
    return fileName.substr(dot + 1);
}

} // namespace

PICTAVO_DEFINE_CLASS(TPicture, TPersistent, createObjectOf<TPicture>, nullptr)

TPicture::TPicture()
{
    FileFormats();
    ClipboardFormats();
}

TPicture::~TPicture() = default;

int TPicture::Width() const
{
    return m_graphic ? m_graphic->ReadWidth() : 0;
}

int TPicture::Height() const
{
    return m_graphic ? m_graphic->ReadHeight() : 0;
}

void TPicture::hook(TGraphic& graphic)
{
    graphic.OnChange = [this](TObject* sender) { NotifyChange(sender); };
    graphic.OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                                bool redrawNow, const TRect& r, const std::string& msg) {
        ReportProgress(sender, stage, percentDone, redrawNow, r, msg);
    };
}

void TPicture::adopt(std::unique_ptr<TGraphic> graphic)
{
    if (graphic)
        hook(*graphic);
    m_graphic = std::move(graphic);
    NotifyChange(this);
}

void TPicture::ReplaceGraphic(const TGraphic* value)
{
    std::unique_ptr<TGraphic> copy;
    if (value) {
        // A copy of exactly the value's class; a failing copy leaves the picture as it was.
        copy = CreateGraphic(value->ClassType());
        copy->CopyFrom(value);
    }
    adopt(std::move(copy));
}

void TPicture::LoadFile(const std::string& fileName)
{
    const std::string extension = extensionOf(fileName);
    const TMetaClass* graphicClass = FileFormats().FindExt(extension);
    if (!graphicClass)
        throw EInvalidGraphic(unknownExtension, {extension});
    std::unique_ptr<TGraphic> graphic = CreateGraphic(graphicClass);
    graphic->OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                                 bool redrawNow, const TRect& r, const std::string& msg) {
        ReportProgress(sender, stage, percentDone, redrawNow, r, msg);
    };
    // A failing read discards the new graphic before the previous one is touched.
    graphic->LoadFile(fileName);
    adopt(std::move(graphic));
}

TGraphic* TPicture::GraphicAs(const TMetaClass* graphicClass)
{
    if (!m_graphic || !m_graphic->InheritsFrom(graphicClass))
        adopt(CreateGraphic(graphicClass));
    return m_graphic.get();
}

void TPicture::CopyFrom(const TPersistent* source)
{
    if (!source)
        ReplaceGraphic(nullptr);
    else if (source->InheritsFrom(TPicture::StaticClass()))
        ReplaceGraphic(static_cast<const TPicture*>(source)->Graphic());
    else if (source->InheritsFrom(TGraphic::StaticClass()))
        ReplaceGraphic(static_cast<const TGraphic*>(source));
    else
        TPersistent::CopyFrom(source);
}

void TPicture::CopyTo(TPersistent* destination) const
{
    // An empty picture is of no class at all, so it always refuses.
    if (destination && m_graphic && m_graphic->InheritsFrom(destination->ClassType()))
        destination->CopyFrom(m_graphic.get());
    else
        TPersistent::CopyTo(destination);
}

void TPicture::DeclareStoredData(TFiler& filer)
{
    filer.DefineBinaryProperty(
        "Data", [this](TStream& stream) { ReadData(stream); },
        [this](TStream& stream) { WriteData(stream); }, m_graphic != nullptr);
}

void TPicture::ReadData(TStream& stream)
{
    const std::uint8_t length = stream.ReadU8();
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    // Data of a class this program does not know is skipped without complaint.
    const TMetaClass* graphicClass = FileFormats().FindClassName(className);
    if (!graphicClass)
        return;
    std::unique_ptr<TGraphic> graphic = CreateGraphic(graphicClass);
    graphic->ReadStoredData(stream);
    adopt(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) const
{
    if (!m_graphic)
        return;
    const std::string name = m_graphic->ClassName().substr(0, maxStoredClassName);
    stream.WriteU8(std::uint8_t(name.size()));
    stream.WriteBuffer(name.data(), std::int64_t(name.size()));
    m_graphic->WriteStoredData(stream);
}

void TPicture::NotifyChange(TObject*)
{
    if (OnChange)
        OnChange(this);
    if (Notifier)
        Notifier->Changed();
}

void TPicture::ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                              bool redrawNow, const TRect& r, const std::string& msg)
{
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

#include "picture/icon/icon.h"

#include "framework/streams.h"
#include "picture/byte_reader.h"
#include "picture/icon/icon_file.h"
#include "platform/device_context.h"
#include "platform/display.h"
#include "platform/icon.h"

namespace {

constexpr auto notValid = "Icon image is not valid";
constexpr auto cannotChangeSize = "Cannot change the size of an icon";
constexpr auto noClipboard = "Clipboard does not support Icons";

int displayBits()
{
    const platform::DisplayInfo display = platform::displayInfo();
    return display.bitsPerPixel * display.planes;
}

TIconHandle makeIconOf(const TMemoryStream& memoryImage)
{
    return icon_file::makeIcon(memoryImage.Bytes(), displayBits(), platform::displayInfo().iconSize);
}

} // namespace

PICTAVO_DEFINE_CLASS(TIcon, TGraphic, createObjectOf<TIcon>, nullptr)

TIconHandle DefaultApplicationIconHandle()
{
    // Shares nothing: the default icon lives for the whole run.
    return TIconHandle(TIconHandle(), &platform::defaultApplicationIcon());
}

TIconImage::TIconImage(TIconHandle handle, std::unique_ptr<TMemoryStream> memoryImage)
    : IconHandle(std::move(handle)), MemoryImage(std::move(memoryImage))
{
}

TIconImage::~TIconImage() = default;

TIcon::TIcon() : m_image(new TIconImage())
{
    WriteTransparent(true);
}

TIcon::~TIcon() = default;

void TIcon::newImage(TIconHandle handle, std::unique_ptr<TMemoryStream> memoryImage)
{
    m_image = SharedRef<TIconImage>(new TIconImage(std::move(handle), std::move(memoryImage)));
}

void TIcon::CopyFrom(const TPersistent* source)
{
    if (!source) {
        newImage(nullptr, nullptr);
        NotifyChange(this);
    } else if (source->InheritsFrom(TIcon::StaticClass())) {
        m_image = static_cast<const TIcon*>(source)->m_image;
        NotifyChange(this);
    } else {
        TGraphic::CopyFrom(source);
    }
}

void TIcon::PaintInto(TCanvas& canvas, const TRect& rect)
{
    if (IsEmpty())
        return;
    platform::DeviceContext& context = *canvas.Handle();
    const TIconHandle handle = IconHandle();
    platform::drawIcon(context, {rect.left, rect.top}, *handle);
}

bool TIcon::IsEmpty() const
{
    return !m_image->IconHandle && !m_image->MemoryImage;
}

int TIcon::ReadHeight() const
{
    return platform::displayInfo().iconSize.cy;
}

int TIcon::ReadWidth() const
{
    return platform::displayInfo().iconSize.cx;
}

void TIcon::WriteHeight(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TIcon::WriteWidth(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize);
}

void TIcon::LoadStream(TStream& stream)
{
    const std::int64_t count = std::max<std::int64_t>(0, stream.Size() - stream.Position());
    auto memoryImage = std::make_unique<TMemoryStream>(bytes::BudgetReader(stream, count).bytes(count));
    memoryImage->ReadU16();  // reserved
    const std::uint16_t type = memoryImage->ReadU16();
    memoryImage->ReadU16();  // number of entries
    memoryImage->SetPosition(0);
    if (type > icon_file::typeIcon)
        throw EInvalidGraphic(notValid);
    // Made once and dropped: a file whose image cannot be made is refused now.
    makeIconOf(*memoryImage);
    newImage(nullptr, std::move(memoryImage));
    NotifyChange(this);
}

void TIcon::SaveStream(TStream& stream)
{
    TIconImage& image = *m_image;
    if (!image.MemoryImage) {
        if (!image.IconHandle)
            throw EInvalidGraphic(notValid);
        if (image.IconHandle.get() == &platform::defaultApplicationIcon())
            image.MemoryImage = std::make_unique<TMemoryStream>(std::vector<std::uint8_t>(icon_file::directoryHeaderSize, 0));
        else
            image.MemoryImage = std::make_unique<TMemoryStream>(icon_file::writeIcon(*image.IconHandle));
    }
    const std::vector<std::uint8_t>& bytes = image.MemoryImage->Bytes();
    stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

void TIcon::LoadClipboardData(std::uint16_t, const TClipboardHandle&, const TPaletteHandle&)
{
    throw EInvalidGraphicOperation(noClipboard);
}

void TIcon::SaveClipboardData(std::uint16_t&, TClipboardHandle&, TPaletteHandle&)
{
    throw EInvalidGraphicOperation(noClipboard);
}

TIconHandle TIcon::IconHandle()
{
    TIconImage& image = *m_image;
    if (!image.IconHandle && image.MemoryImage)
        image.IconHandle = makeIconOf(*image.MemoryImage);
    return image.IconHandle;
}

void TIcon::SetIconHandle(TIconHandle handle)
{
    newImage(std::move(handle), nullptr);
    NotifyChange(this);
}

void RegisterIconFormat()
{
    if (FileFormats().Contains("ico", TIcon::StaticClass()))
        return;
    RegisterFileFormat("ico", "Icons", TIcon::StaticClass());
}

TIcon* TPicture::Icon()
{
    return GraphicAs<TIcon>();
}

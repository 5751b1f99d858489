#include "picture/gif/gif_image.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/byte_reader.h"
#include "picture/gif/gif_errors.h"
#include "picture/gif/gif_reader.h"
#include "picture/gif/gif_writer.h"
#include "platform/clipboard_formats.h"
#include "platform/section.h"

#include <algorithm>

namespace {

constexpr auto gifDescription = "CompuServe GIF Image";
constexpr auto gifClipboardName = "GIF Image";

} // namespace

PICTAVO_DEFINE_CLASS(TGIFImage, TGraphic, createObjectOf<TGIFImage>, nullptr)

TColor TGIFColorTable::Color(int index) const
{
    const std::uint8_t* rgb = &Entries[std::size_t(index) * 3];
    return TColor(platform::rgb(rgb[0], rgb[1], rgb[2]));
}

void TGIFColorTable::Set(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    std::uint8_t* rgb = &Entries[std::size_t(index) * 3];
    rgb[0] = red;
    rgb[1] = green;
    rgb[2] = blue;
}

TGIFData* TGIFData::clone() const
{
    auto* copy = new TGIFData();
    copy->Comment = Comment;
    copy->AspectRatio = AspectRatio;
    copy->TableBits = TableBits;
    copy->ColorResolution = ColorResolution;
    copy->GlobalTable = GlobalTable;
    return copy;
}

TGIFItem* TGIFItem::clone() const
{
    auto* copy = new TGIFItem();
    copy->CompressedData = CompressedData;
    copy->Width = Width;
    copy->Height = Height;
    copy->DescriptorFlags = DescriptorFlags;
    copy->BitsPerPixel = BitsPerPixel;
    copy->ColorTable = ColorTable;
    return copy;
}

std::uint8_t TExtension::Label(TExtensionKind kind)
{
    switch (kind) {
    case TExtensionKind::GraphicControl: return 0xF9;
    case TExtensionKind::PlainText: return 0x01;
    case TExtensionKind::Application: return 0xFF;
    case TExtensionKind::Comment: break;
    }
    return 0xFE;
}

TGIFImage::TGIFImage() : m_screen(new TGIFData())
{
    WriteTransparent(true);
}

TGIFImage::~TGIFImage()
{
    // Destroying never notifies.
    OnChange = nullptr;
    m_frames.clear();
}

void TGIFImage::reset()
{
    m_screen = SharedRef<TGIFData>(new TGIFData());
    m_frames.clear();
    m_current = -1;
    m_backgroundColor = clNone;
    m_version = gvNone;
    m_screenWidth = 0;
    m_screenHeight = 0;
}

TGIFData& TGIFImage::ownScreen()
{
    if (m_screen->refCount() > 1)
        m_screen = SharedRef<TGIFData>(m_screen->clone());
    return *m_screen;
}

TGIFFrame* TGIFImage::currentFrame() const
{
    if (m_current < 0 || m_current >= Count())
        return nullptr;
    return m_frames[std::size_t(m_current)].get();
}

void TGIFImage::swapContents(TGIFImage& other)
{
    std::swap(m_screen, other.m_screen);
    std::swap(m_version, other.m_version);
    std::swap(m_frames, other.m_frames);
    std::swap(m_current, other.m_current);
    std::swap(m_screenWidth, other.m_screenWidth);
    std::swap(m_screenHeight, other.m_screenHeight);
    std::swap(m_backgroundColor, other.m_backgroundColor);
    for (const auto& frame : m_frames)
        frame->m_owner = this;
    for (const auto& frame : other.m_frames)
        frame->m_owner = &other;
}

void TGIFImage::CopyFrom(const TPersistent* source)
{
    if (!source) {
        reset();
        NotifyChange(this);
    } else if (source->InheritsFrom(TGIFImage::StaticClass())) {
        const auto& other = static_cast<const TGIFImage&>(*source);
        if (&other == this)
            return;
        std::vector<std::unique_ptr<TGIFFrame>> frames;
        for (const auto& frame : other.m_frames) {
            auto copy = std::make_unique<TGIFFrame>(this);
            copy->copyFrame(*frame, frame->m_localTable);
            frames.push_back(std::move(copy));
        }
        m_screen = other.m_screen;
        m_version = other.m_version;
        m_backgroundColor = other.m_backgroundColor;
        m_frames = std::move(frames);
        m_screenWidth = other.m_screenWidth;
        m_screenHeight = other.m_screenHeight;
        m_current = other.m_current;
        NotifyChange(this);
    } else if (source->InheritsFrom(TGIFFrame::StaticClass())) {
        const auto& frame = static_cast<const TGIFFrame&>(*source);
        // A frame of this image outlives the reset below.
        std::unique_ptr<TGIFFrame> kept;
        const auto own = std::find_if(m_frames.begin(), m_frames.end(), [&](const auto& f) { return f.get() == &frame; });
        if (own != m_frames.end()) {
            kept = std::move(*own);
            m_frames.erase(own);
        }
        const TGIFImage* owner = frame.Owner();
        const SharedRef<TGIFData> ownerScreen = owner ? owner->m_screen : SharedRef<TGIFData>(new TGIFData());
        reset();
        TGIFData& screen = ownScreen();
        screen.AspectRatio = ownerScreen->AspectRatio;
        screen.TableBits = ownerScreen->TableBits;
        screen.ColorResolution = ownerScreen->ColorResolution;
        screen.GlobalTable = ownerScreen->GlobalTable;
        m_frames.push_back(std::make_unique<TGIFFrame>(this));
        m_current = 0;
        m_frames.back()->CopyFrom(&frame);
        if (m_version == gvNone)
            m_version = gv87a;
        NotifyChange(this);
    } else if (source->InheritsFrom(TBitmap::StaticClass())) {
        reset();
        AddFrame(const_cast<TGraphic*>(static_cast<const TGraphic*>(source)));
        NotifyChange(this);
    } else {
        TGraphic::CopyFrom(source);
    }
}

void TGIFImage::CopyTo(TPersistent* destination) const
{
    if (destination && destination->InheritsFrom(TGIFImage::StaticClass())) {
        destination->CopyFrom(this);
    } else if (!destination || !destination->InheritsFrom(TGraphic::StaticClass())) {
        TGraphic::CopyTo(destination);
    } else if (IsEmpty()) {
        destination->CopyFrom(nullptr);
    } else if (m_current == -1) {
        // Measuring and decoding fill caches; the picture itself does not change.
        destination->CopyFrom(&const_cast<TGIFImage*>(this)->Bitmap());
    } else if (const TGIFFrame* frame = currentFrame()) {
        frame->CopyTo(destination);
    } else {
        destination->CopyFrom(&const_cast<TGIFImage*>(this)->Bitmap());
    }
}

void TGIFImage::PaintInto(TCanvas& canvas, const TRect& rect)
{
    if (TGIFFrame* frame = currentFrame())
        frame->Draw(canvas, rect, ReadTransparent());
}

bool TGIFImage::SameImage(TGraphic& graphic)
{
    return graphic.InheritsFrom(TGIFImage::StaticClass())
           && static_cast<TGIFImage&>(graphic).m_screen.get() == m_screen.get();
}

bool TGIFImage::IsEmpty() const
{
    const int index = std::max(m_current, 0);
    if (index >= Count())
        return true;
    const TGIFFrame& frame = *m_frames[std::size_t(index)];
    return !frame.m_bitmap && frame.m_data->CompressedData.empty();
}

int TGIFImage::ReadWidth() const
{
    TGIFFrame* frame = currentFrame();
    return frame && !IsEmpty() ? frame->Bitmap().Width() : 0;
}

int TGIFImage::ReadHeight() const
{
    TGIFFrame* frame = currentFrame();
    return frame && !IsEmpty() ? frame->Bitmap().Height() : 0;
}

TPaletteHandle TGIFImage::ReadPalette()
{
    if (m_frames.empty())
        return nullptr;
    return Bitmap().ReadPalette();
}

bool TGIFImage::ReadTransparent() const
{
    return TGraphic::ReadTransparent()
           && std::any_of(m_frames.begin(), m_frames.end(),
                          [](const auto& frame) { return frame->TransparentColor() != clNone; });
}

void TGIFImage::WriteHeight(int)
{
    throw EInvalidGraphicOperation(gif::gifMessages::cannotChangeSize);
}

void TGIFImage::WriteWidth(int)
{
    throw EInvalidGraphicOperation(gif::gifMessages::cannotChangeSize);
}

void TGIFImage::ReadStoredData(TStream& stream)
{
    const std::uint32_t count = stream.ReadU32();
    loadBytes(stream, count);
}

void TGIFImage::WriteStoredData(TStream& stream)
{
    const std::vector<std::uint8_t> bytes = GifWriter(*this).write();
    stream.WriteU32(std::uint32_t(bytes.size()));
    stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

void TGIFImage::LoadStream(TStream& stream)
{
    loadBytes(stream, stream.Size() - stream.Position());
}

void TGIFImage::loadBytes(TStream& stream, std::int64_t count)
{
    const std::vector<std::uint8_t> bytes = bytes::BudgetReader(stream, stream.Size() - stream.Position()).bytes(count);
    // Everything is read into a new state; the image changes only when it all succeeds.
    TGIFImage loaded;
    GifReader(loaded, bytes).read();
    swapContents(loaded);
    if (!m_frames.empty()) {
        m_current = 0;
        try {
            m_frames.front()->Bitmap();
        } catch (...) {
            swapContents(loaded);
            throw;
        }
    }
    SetPaletteChangedFlag(true);
    NotifyChange(this);
}

void TGIFImage::SaveStream(TStream& stream)
{
    const std::vector<std::uint8_t> bytes = GifWriter(*this).write();
    stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

void TGIFImage::LoadClipboardData(std::uint16_t format, const TClipboardHandle& data, const TPaletteHandle&)
{
    const auto* contents = std::any_cast<TGIFClipboardData>(&data);
    if (format != GIFClipboardFormat() || !contents || !contents->Bytes)
        throw EInvalidGraphic(gif::gifMessages::unsupportedClipboardFormat);
    TMemoryStream stream(*contents->Bytes);
    LoadStream(stream);
}

void TGIFImage::SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette)
{
    TGIFClipboardData contents;
    contents.Bytes = std::make_shared<const std::vector<std::uint8_t>>(GifWriter(*this).write());
    std::uint16_t bitmapFormat = 0;
    TClipboardHandle bitmap;
    Frames(0).Bitmap().SaveClipboardData(bitmapFormat, bitmap, palette);
    if (const auto* section = std::any_cast<std::shared_ptr<const platform::Section>>(&bitmap))
        contents.Bitmap = *section;
    format = GIFClipboardFormat();
    data = std::move(contents);
}

void TGIFImage::AddFrame(TGraphic* graphic)
{
    m_frames.push_back(std::make_unique<TGIFFrame>(this));
    const int previous = m_current;
    m_current = Count() - 1;
    try {
        m_frames.back()->CopyFrom(graphic);
    } catch (...) {
        m_frames.pop_back();
        m_current = previous;
        throw;
    }
    if (m_version == gvNone)
        m_version = gv87a;
    if (Count() > 1)
        m_version = gv89a;
}

void TGIFImage::SetFrameIndex(int index)
{
    if (index >= -1 && index < Count())
        m_current = index;
}

TBitmap& TGIFImage::Bitmap()
{
    if (m_frames.empty()) {
        TBitmap empty;
        CopyFrom(&empty);
        m_current = 0;
    }
    TGIFFrame* frame = currentFrame();
    return (frame ? *frame : *m_frames.front()).Bitmap();
}

const std::vector<std::string>& TGIFImage::Comment() const
{
    return m_screen->Comment;
}

void TGIFImage::SetComment(std::vector<std::string> comment)
{
    ownScreen().Comment = std::move(comment);
}

void TGIFImage::UpdateScreenSize()
{
    int width = 0;
    int height = 0;
    for (const auto& frame : m_frames) {
        width = std::max(width, frame->Width() + frame->Left());
        height = std::max(height, frame->Height() + frame->Top());
    }
    m_screenWidth = std::uint16_t(std::clamp(width, 0, 0xFFFF));
    m_screenHeight = std::uint16_t(std::clamp(height, 0, 0xFFFF));
}

void TGIFImage::reportCoderProgress(TProgressStage stage, int percent, const std::string& message)
{
    ReportProgress(this, stage, std::uint8_t(percent), /*redrawNow=*/false, TRect{}, message);
}

std::uint16_t GIFClipboardFormat()
{
    static const std::uint16_t format = platform::registerClipboardFormat(gifClipboardName);
    return format;
}

void RegisterGIFFormat()
{
    if (FileFormats().Contains("gif", TGIFImage::StaticClass()))
        return;
    RegisterFileFormat("gif", gifDescription, TGIFImage::StaticClass());
    RegisterClipboardFormat(GIFClipboardFormat(), TGIFImage::StaticClass());
}

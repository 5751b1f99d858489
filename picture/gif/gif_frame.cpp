// The frames of a GIF image: decoding on demand, assignment to and from other pictures, and the
// preparation for saving (encoding, graphic control blocks, comments).

#include "picture/gif/gif_image.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap.h"
#include "picture/gif/colour_reduction.h"
#include "picture/gif/gif_codec.h"
#include "picture/gif/gif_errors.h"
#include "platform/nearest_colour.h"
#include "platform/palette.h"

#include <algorithm>

PICTAVO_DEFINE_CLASS(TGIFFrame, TPersistent, nullptr, nullptr)

namespace {

// Reports a coder's run to the image: starting, running, and ending with 100 percent, or with
// 0 percent and the message of the failure.
class CoderRun {
public:
    explicit CoderRun(TGIFImage* image) : m_image(image)
    {
        if (m_image)
            m_image->reportCoderProgress(psStarting, 0, {});
    }
    gif::LzwProgress running() const
    {
        if (!m_image)
            return {};
        return [image = m_image](int percent) { image->reportCoderProgress(psRunning, percent, {}); };
    }
    void succeeded() const
    {
        if (m_image)
            m_image->reportCoderProgress(psEnding, 100, {});
    }
    void failed(const std::string& message) const
    {
        if (m_image)
            m_image->reportCoderProgress(psEnding, 0, message);
    }

private:
    TGIFImage* m_image;
};

// The fewest bits b with 2^b entries not below the count.
std::uint8_t bitsFor(int count)
{
    std::uint8_t bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

} // namespace

TGIFFrame::TGIFFrame(TGIFImage* owner) : m_owner(owner), m_data(new TGIFItem()) {}

TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::reset()
{
    m_data = SharedRef<TGIFItem>(new TGIFItem());
    m_transparentColor = clNone;
    m_left = 0;
    m_top = 0;
    m_interlaced = false;
    m_delay = 0;
    m_disposal = 0;
    m_localTable = false;
}

TGIFItem& TGIFFrame::ownData()
{
    if (m_data->refCount() > 1)
        m_data = SharedRef<TGIFItem>(m_data->clone());
    return *m_data;
}

TBitmap& TGIFFrame::Bitmap()
{
    if (m_bitmap && !m_bitmap->IsEmpty())
        return *m_bitmap;
    m_bitmap = std::make_unique<TBitmap>();
    if (!m_data->CompressedData.empty())
        decode();
    return *m_bitmap;
}

void TGIFFrame::decode()
{
    try {
        CoderRun run(m_owner);
        std::unique_ptr<gif::FrameIndexes> indexes;
        try {
            indexes = gif::decodeIndexes(*m_data, run.running());
        } catch (const Exception& error) {
            run.failed(error.Message());
            throw;
        }
        if (indexes) {
            // The bitmap is a device bitmap in the display's format that keeps the frame's
            // colours as its palette. The palette goes in first: it carries over to the pixels.
            std::vector<platform::PaletteEntry> entries;
            for (const platform::RgbQuad& colour : gif::bitmapColours(*m_data))
                entries.push_back({colour.red, colour.green, colour.blue, 0});
            m_bitmap->WritePalette(std::make_shared<const platform::Palette>(std::move(entries)));
            m_bitmap->SetPlatformHandle(gif::displaySection(*m_data, m_interlaced, *indexes));
        }
        if (indexes && indexes->aborted)
            run.failed(EAbort().Message());
        else
            run.succeeded();
    } catch (const EAbort&) {
        // Stopped by a progress handler: the bitmap stays as far as it got.
    }
}

int TGIFFrame::Width()
{
    if (!m_bitmap && m_data->CompressedData.empty())
        return 0;
    return Bitmap().Width();
}

int TGIFFrame::Height()
{
    if (!m_bitmap && m_data->CompressedData.empty())
        return 0;
    return Bitmap().Height();
}

const std::vector<std::string>* TGIFFrame::firstComment() const
{
    for (const TExtension& extension : m_extensions)
        if (extension.Kind == TExtensionKind::Comment)
            return &extension.Data;
    return nullptr;
}

std::vector<std::string>& TGIFFrame::Comment()
{
    for (TExtension& extension : m_extensions)
        if (extension.Kind == TExtensionKind::Comment)
            return extension.Data;
    m_extensions.push_back(TExtension{TExtensionKind::Comment, {}, {}});
    return m_extensions.back().Data;
}

void TGIFFrame::copyFrame(const TGIFFrame& other, bool localTable)
{
    m_data = other.m_data;
    m_localTable = localTable;
    m_left = other.m_left;
    m_top = other.m_top;
    m_interlaced = other.m_interlaced;
    // A bitmap of the data this frame had before would no longer belong to it.
    m_bitmap.reset();
    if (other.m_bitmap) {
        m_bitmap = std::make_unique<TBitmap>();
        m_bitmap->CopyFrom(other.m_bitmap.get());
    }
    m_transparentColor = other.m_transparentColor;
    m_delay = other.m_delay;
    m_disposal = other.m_disposal;
    if (const std::vector<std::string>* comment = other.firstComment(); comment && !comment->empty())
        Comment() = *comment;
}

void TGIFFrame::CopyFrom(const TPersistent* source)
{
    if (!source) {
        reset();
        m_bitmap.reset();
    } else if (source->InheritsFrom(TGIFFrame::StaticClass())) {
        const auto& other = static_cast<const TGIFFrame&>(*source);
        if (&other == this)
            return;
        copyFrame(other, other.m_owner == m_owner ? other.m_localTable : true);
    } else if (source->InheritsFrom(TGIFImage::StaticClass())) {
        const auto& image = static_cast<const TGIFImage&>(*source);
        if (image.Count() == 0) {
            CopyFrom(nullptr);
            return;
        }
        const int index = image.FrameIndex() >= 0 && image.FrameIndex() < image.Count() ? image.FrameIndex() : 0;
        CopyFrom(&image.Frames(index));
        return;
    } else if (source->InheritsFrom(TGraphic::StaticClass())) {
        auto& graphic = const_cast<TGraphic&>(static_cast<const TGraphic&>(*source));
        if (graphic.IsEmpty()) {
            // An empty picture leaves a fresh frame; the screen size stays as it is.
            reset();
            m_bitmap.reset();
            return;
        }
        copyFromGraphic(graphic);
    } else {
        TPersistent::CopyFrom(source);
    }
    if (m_owner)
        m_owner->UpdateScreenSize();
}

void TGIFFrame::copyFromGraphic(TGraphic& graphic)
{
    reset();
    m_bitmap = std::make_unique<TBitmap>();
    try {
        m_bitmap->CopyFrom(&graphic);
    } catch (const Exception&) {
        // A picture a bitmap cannot take is drawn onto one, on fuchsia.
        TCanvas& surface = m_bitmap->Surface();
        surface.Brush().SetColor(clFuchsia);
        m_bitmap->SetWidth(graphic.Width());
        m_bitmap->SetHeight(graphic.Height());
        surface.Draw(0, 0, &graphic);
    }
    if (!graphic.ReadTransparent())
        return;
    if (graphic.InheritsFrom(TBitmap::StaticClass()))
        m_transparentColor = static_cast<TBitmap&>(graphic).TransparentKey();
    else
        m_transparentColor = TColor(platform::nearestColour(*m_bitmap->Surface().Handle(),
                                                            ColorToRGB(m_bitmap->Surface().Brush().Color())));
}

void TGIFFrame::CopyTo(TPersistent* destination) const
{
    if (destination
        && (destination->InheritsFrom(TGIFFrame::StaticClass()) || destination->InheritsFrom(TGIFImage::StaticClass()))) {
        destination->CopyFrom(this);
        return;
    }
    if (!destination || !destination->InheritsFrom(TGraphic::StaticClass())) {
        TPersistent::CopyTo(destination);
        return;
    }
    // Decoding fills a cache the frame keeps; the picture itself does not change.
    destination->CopyFrom(&const_cast<TGIFFrame*>(this)->Bitmap());
    if (destination->InheritsFrom(TBitmap::StaticClass()) && m_transparentColor != clNone) {
        auto& bitmap = static_cast<TBitmap&>(*destination);
        bitmap.SetTransparentKey(
            TColor(platform::nearestColour(*bitmap.Surface().Handle(), ColorToRGB(m_transparentColor))));
        bitmap.SetTransparent(true);
    }
}

void TGIFFrame::prepareForSaving()
{
    if (m_data->CompressedData.empty())
        encodeBitmap();
    updateGraphicControl();
    std::erase_if(m_extensions, [](const TExtension& extension) {
        return extension.Kind == TExtensionKind::Comment && extension.Data.empty();
    });
}

void TGIFFrame::encodeBitmap()
{
    if (!m_bitmap || m_bitmap->IsEmpty())
        throw EInvalidGraphicOperation(gif::gifMessages::noDataToWrite);
    gif::IndexedPicture picture;
    const TPixelLayout layout = m_bitmap->PixelLayout();
    if (layout == pl1Bit || layout == pl4Bit || layout == pl8Bit) {
        TMemoryStream file;
        m_bitmap->SaveStream(file);
        picture = gif::readIndexedBitmapFile(file.Bytes());
    } else {
        const platform::Section* pixels = m_bitmap->PlatformHandle();
        if (!pixels)
            throw EInvalidGraphic(gif::gifMessages::bitmapNotValid);
        picture = gif::reduceToIndexed(*pixels);
    }
    // A GIF picture's sides are 16-bit numbers.
    if (picture.width > 0xFFFF || picture.height > 0xFFFF)
        throw EInvalidGraphicOperation(gif::gifMessages::encodingError);

    std::vector<std::uint8_t> compressed;
    CoderRun run(m_owner);
    try {
        compressed = gif::encodeLzw(picture.rows(), /*interlaced=*/false, run.running());
    } catch (const Exception& error) {
        run.failed(error.Message());
        throw;
    }
    run.succeeded();

    TGIFItem& item = ownData();
    item.CompressedData = std::move(compressed);
    item.Width = picture.width;
    item.Height = picture.height;
    item.ColorTable = TGIFColorTable{};
    item.ColorTable.Count = int(picture.colours.size());
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        const platform::RgbQuad& quad = picture.colours[i];
        item.ColorTable.Set(int(i), quad.red, quad.green, quad.blue);
    }
    item.BitsPerPixel = bitsFor(item.ColorTable.Count);
    m_interlaced = false;

    if (!m_owner)
        return;
    if (m_owner->m_screen->GlobalTable.Count == 0) {
        TGIFData& screen = m_owner->ownScreen();
        screen.GlobalTable = item.ColorTable;
        screen.TableBits = item.BitsPerPixel;
        m_localTable = false;
    } else {
        m_localTable = true;
    }
    m_owner->m_screenWidth = std::uint16_t(std::clamp(std::max<int>(m_owner->m_screenWidth, m_left + item.Width), 0, 0xFFFF));
    m_owner->m_screenHeight = std::uint16_t(std::clamp(std::max<int>(m_owner->m_screenHeight, m_top + item.Height), 0, 0xFFFF));
}

void TGIFFrame::updateGraphicControl()
{
    const auto isControl = [](const TExtension& extension) { return extension.Kind == TExtensionKind::GraphicControl; };
    const bool needed = m_delay != 0 || m_transparentColor != clNone || m_disposal != 0;
    if (needed && std::none_of(m_extensions.begin(), m_extensions.end(), isControl))
        m_extensions.push_back(TExtension{TExtensionKind::GraphicControl, {4, 0, 0, 0, 0, 0}, {}});

    // The transparent index is the first table entry of the transparent colour's red, green
    // and blue (flags such as palette-relative set aside).
    int index = -1;
    if (m_transparentColor != clNone) {
        const TColor colour = TColor(ColorToRGB(m_transparentColor));
        const TGIFColorTable& table = m_data->ColorTable;
        for (int i = 0; i < table.Count && index < 0; ++i)
            if (table.Color(i) == colour)
                index = i;
    }
    const std::uint32_t hundredths = std::min<std::uint32_t>(m_delay / 10, 0xFFFF);
    for (TExtension& extension : m_extensions) {
        if (!isControl(extension))
            continue;
        extension.Fixed.resize(6, 0);
        std::uint8_t flags = extension.Fixed[1];
        extension.Fixed[2] = std::uint8_t(hundredths);
        extension.Fixed[3] = std::uint8_t(hundredths >> 8);
        if (index >= 0) {
            flags |= 1;
            extension.Fixed[4] = std::uint8_t(index);
        } else {
            flags &= std::uint8_t(~1);
        }
        // The disposal method replaces the one the block had.
        flags = std::uint8_t((flags & ~0x1C) | (m_disposal << 2));
        extension.Fixed[1] = flags;
    }
}

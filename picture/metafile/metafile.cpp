#include "picture/metafile/metafile.h"

#include "framework/streams.h"
#include "picture/byte_reader.h"
#include "platform/display.h"

#include <QString>

#include <cmath>
#include <limits>

namespace {

constexpr auto notValid = "Metafile is not valid";
constexpr auto streamReadError = "Stream read error";
constexpr auto unsupportedClipboard = "Unsupported clipboard format";

constexpr std::uint16_t clipboardMetafilePicture = 3;
constexpr std::uint16_t clipboardEnhancedMetafile = 14;

// The enhanced-metafile header is tested on this many bytes.
constexpr std::int64_t enhancedTestBytes = 100;
constexpr std::int64_t placeableBytes = 22;
constexpr std::uint32_t placeableKey = 0x9AC6CDD7;
// Units to the inch of a Windows metafile read without the placeable header.
constexpr std::uint16_t plainWindowsUnitsPerInch = 96;

int screenDpiY()
{
    return platform::displayInfo().logicalDpiY;
}

std::uint16_t placeableChecksum(const std::uint8_t* header)
{
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= bytes::loadU16(header + 2 * i);
    return sum;
}

} // namespace

PICTAVO_DEFINE_CLASS(TMetafile, TGraphic, createObjectOf<TMetafile>, nullptr)

int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0)
        return -1;
    // a and b come from 32-bit values, so the product fits in 64 bits.
    const std::int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t p = product < 0 ? std::uint64_t(-(product + 1)) + 1 : std::uint64_t(product);
    const std::uint64_t d = c < 0 ? std::uint64_t(-(c + 1)) + 1 : std::uint64_t(c);
    const std::uint64_t q = (p + d / 2) / d;
    if (q > std::uint64_t(std::numeric_limits<int>::max()))
        return -1;
    return negative ? -int(q) : int(q);
}

TMetafile::TMetafile() : m_image(new TMetafileImage())
{
    // A new metafile draws transparently: its background is whatever it is drawn on.
    WriteTransparent(true);
}

TMetafile::~TMetafile() = default;

void TMetafile::newImage()
{
    m_image = SharedRef<TMetafileImage>(new TMetafileImage());
}

TMetafileImage& TMetafile::ownImage()
{
    if (m_image->refCount() > 1) {
        auto* copy = new TMetafileImage();
        copy->MetafileHandle = m_image->MetafileHandle;
        copy->FrameWidth = m_image->FrameWidth;
        copy->FrameHeight = m_image->FrameHeight;
        copy->UnitsPerInch = m_image->UnitsPerInch;
        copy->PendingWidth = m_image->PendingWidth;
        copy->PendingHeight = m_image->PendingHeight;
        m_image = SharedRef<TMetafileImage>(copy);
    }
    return *m_image;
}

void TMetafile::CopyFrom(const TPersistent* source)
{
    const TPaletteHandle before = m_image ? m_image->Palette : nullptr;
    if (!source) {
        newImage();
        m_saveEnhanced = true;
    } else if (source->InheritsFrom(TMetafile::StaticClass())) {
        const auto* other = static_cast<const TMetafile*>(source);
        m_image = other->m_image;
        m_saveEnhanced = other->m_saveEnhanced;
    } else {
        TGraphic::CopyFrom(source);
    }
    const TPaletteHandle now = ReadPalette();
    SetPaletteChangedFlag(now != nullptr && now != before);
    NotifyChange(this);
}

void TMetafile::PaintInto(TCanvas& canvas, const TRect& rect)
{
    const platform::MetafileHandle metafile = m_image->MetafileHandle;
    if (!metafile)
        return;
    platform::DeviceContext& dc = *canvas.Handle();
    const TPaletteHandle palette = ReadPalette();
    const platform::Palette* previous = palette ? dc.selectPalette(palette.get()) : nullptr;
    // The picture's frame ends on the rectangle's last pixels, not past them.
    const TRect inner{rect.left, rect.top, rect.right == std::numeric_limits<int>::min() ? rect.right : rect.right - 1,
                      rect.bottom == std::numeric_limits<int>::min() ? rect.bottom : rect.bottom - 1};
    platform::playEnhancedMetafile(dc, *metafile, inner);
    if (palette)
        dc.selectPalette(previous);
}

bool TMetafile::IsEmpty() const
{
    return !m_image;
}

int TMetafile::readSize(bool horizontal) const
{
    const TMetafileImage& image = *m_image;
    const std::int32_t frame = horizontal ? image.FrameWidth : image.FrameHeight;
    if (image.UnitsPerInch != 0)
        return MulDiv(frame, screenDpiY(), 25400);
    if (!image.MetafileHandle)
        return horizontal ? image.PendingWidth : image.PendingHeight;
    const platform::EnhancedMetafileHeader& h = image.MetafileHandle->header();
    return horizontal ? MulDiv(frame, h.device.cx, std::int64_t(h.millimetres.cx) * 100)
                      : MulDiv(frame, h.device.cy, std::int64_t(h.millimetres.cy) * 100);
}

int TMetafile::ReadWidth() const
{
    return readSize(/*horizontal=*/true);
}

int TMetafile::ReadHeight() const
{
    return readSize(/*horizontal=*/false);
}

void TMetafile::writeSize(bool horizontal, int value)
{
    const TMetafileImage& image = *m_image;
    std::int32_t frame;
    if (image.UnitsPerInch != 0) {
        frame = MulDiv(value, 25400, screenDpiY());
    } else if (image.MetafileHandle) {
        const platform::EnhancedMetafileHeader& h = image.MetafileHandle->header();
        frame = horizontal ? MulDiv(value, std::int64_t(h.millimetres.cx) * 100, h.device.cx)
                           : MulDiv(value, std::int64_t(h.millimetres.cy) * 100, h.device.cy);
    } else {
        // No metafile yet: the size waits for the recording, and nothing has changed.
        (horizontal ? ownImage().PendingWidth : ownImage().PendingHeight) = value;
        return;
    }
    setFrameSize(horizontal, frame);
}

void TMetafile::WriteWidth(int value)
{
    writeSize(/*horizontal=*/true, value);
}

void TMetafile::WriteHeight(int value)
{
    writeSize(/*horizontal=*/false, value);
}

void TMetafile::setFrameSize(bool horizontal, std::int32_t value)
{
    const auto pending = [horizontal](TMetafileImage& image) -> std::int32_t& {
        return horizontal ? image.PendingWidth : image.PendingHeight;
    };
    const auto frame = [horizontal](TMetafileImage& image) -> std::int32_t& {
        return horizontal ? image.FrameWidth : image.FrameHeight;
    };
    if (value == frame(*m_image)) {
        if (pending(*m_image) != 0)
            pending(ownImage()) = 0;
        return;
    }
    TMetafileImage& image = ownImage();
    pending(image) = 0;
    frame(image) = value;
    NotifyChange(this);
}

void TMetafile::SetFrameWidth(std::int32_t value)
{
    setFrameSize(true, value);
}

void TMetafile::SetFrameHeight(std::int32_t value)
{
    setFrameSize(false, value);
}

TPaletteHandle TMetafile::ReadPalette()
{
    if (!m_image->MetafileHandle)
        return nullptr;
    if (!m_image->Palette) {
        std::vector<platform::PaletteEntry> entries = m_image->MetafileHandle->paletteEntries();
        if (entries.empty())
            return nullptr;
        if (entries.size() > 256)
            entries.resize(256);
        // The palette is a cache of what the metafile holds, so copies may share it.
        m_image->Palette = std::make_shared<const platform::Palette>(std::move(entries));
    }
    return m_image->Palette;
}

void TMetafile::SetMetafileHandle(platform::MetafileHandle handle)
{
    TMetafileImage& image = ownImage();
    image.MetafileHandle = std::move(handle);
    image.Palette.reset();
    image.PendingWidth = 0;
    image.PendingHeight = 0;
    if (image.MetafileHandle) {
        const platform::Rect& frame = image.MetafileHandle->header().frame;
        image.FrameWidth = int(std::int64_t(frame.right) - frame.left);
        image.FrameHeight = int(std::int64_t(frame.bottom) - frame.top);
    }
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

std::string TMetafile::descriptionPart(int index) const
{
    if (!m_image->MetafileHandle)
        return {};
    const std::u16string& text = m_image->MetafileHandle->description();
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t end = text.find(u'\0', start);
        if (end == std::u16string::npos)
            return {};
        start = end + 1;
    }
    const std::size_t end = std::min(text.find(u'\0', start), text.size());
    return QString::fromUtf16(text.data() + start, qsizetype(end - start)).toStdString();
}

std::string TMetafile::CreatorName() const
{
    return descriptionPart(0);
}

std::string TMetafile::PictureTitle() const
{
    return descriptionPart(1);
}

void TMetafile::LoadStream(TStream& stream)
{
    const std::int64_t budget = stream.Size() - stream.Position();
    loadFrom(stream, budget, budget);
}

void TMetafile::ReadStoredData(TStream& stream)
{
    const std::uint32_t length = stream.ReadU32();
    loadFrom(stream, stream.Size() - stream.Position(), std::int64_t(length) - 4);
}

void TMetafile::loadFrom(TStream& stream, std::int64_t budget, std::int64_t windowsBudget)
{
    bool enhanced = false;
    if (budget > enhancedTestBytes) {
        std::uint8_t test[enhancedTestBytes];
        stream.ReadBuffer(test, enhancedTestBytes);
        stream.Seek(-enhancedTestBytes, SeekOrigin::Current);
        enhanced = bytes::loadU32(test) == 1 && bytes::loadU32(test + 40) == 0x464D4520;
    }
    newImage();
    if (enhanced) {
        std::vector<std::uint8_t> data(enhancedTestBytes);
        stream.ReadBuffer(data.data(), enhancedTestBytes);
        if (bytes::loadU32(data.data() + 40) != 0x464D4520)
            throw EInvalidGraphic(notValid);
        const std::uint32_t total = bytes::loadU32(data.data() + 48);
        if (total < enhancedTestBytes)
            throw EInvalidGraphic(notValid);
        bytes::BudgetReader reader(stream, budget - enhancedTestBytes);
        const std::int64_t start = stream.Position() - enhancedTestBytes;
        if (std::int64_t(total) - enhancedTestBytes <= reader.remaining()) {
            const std::vector<std::uint8_t> rest = reader.bytes(std::int64_t(total) - enhancedTestBytes);
            data.insert(data.end(), rest.begin(), rest.end());
        } else {
            // A header that counts more bytes than there are: the metafile is its records up to
            // the end-of-file record, when every one of them is whole. Bytes after that record
            // stay unread.
            const std::vector<std::uint8_t> rest = reader.bytes(reader.remaining());
            data.insert(data.end(), rest.begin(), rest.end());
            const std::optional<std::size_t> end = platform::EnhancedMetafile::recordsEnd(data);
            if (!end)
                throw EReadError(streamReadError);
            data.resize(*end);
            bytes::storeU32(data.data() + 48, std::uint32_t(*end));
            stream.SetPosition(start + std::int64_t(*end));
        }
        platform::MetafileHandle metafile = platform::EnhancedMetafile::fromBytes(std::move(data));
        if (!metafile)
            throw EInvalidGraphic(notValid);
        TMetafileImage& image = *m_image;
        image.MetafileHandle = metafile;
        image.UnitsPerInch = 0;
        const platform::Rect& frame = metafile->header().frame;
        image.FrameWidth = int(std::int64_t(frame.right) - frame.left);
        image.FrameHeight = int(std::int64_t(frame.bottom) - frame.top);
        m_saveEnhanced = true;
    } else {
        loadWindowsMetafile(stream, std::max<std::int64_t>(windowsBudget, 0));
    }
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

void TMetafile::loadWindowsMetafile(TStream& stream, std::int64_t budget)
{
    bytes::BudgetReader reader(stream, budget);
    std::vector<std::uint8_t> records(placeableBytes);
    reader.read(records.data(), placeableBytes);
    const std::vector<std::uint8_t> rest = reader.bytes(reader.remaining());
    // The placeable header is known by its key; a file without the key starts with the
    // metafile's own header.
    const bool placeable = bytes::loadU32(records.data()) == placeableKey;
    if (placeable && placeableChecksum(records.data()) != bytes::loadU16(records.data() + 20))
        throw EInvalidGraphic(notValid);
    platform::Rect box;
    std::uint16_t inch = 0;
    if (placeable) {
        const std::uint8_t* header = records.data();
        box = {std::int16_t(bytes::loadU16(header + 6)), std::int16_t(bytes::loadU16(header + 8)),
               std::int16_t(bytes::loadU16(header + 10)), std::int16_t(bytes::loadU16(header + 12))};
        inch = bytes::loadU16(header + 14);
        records.clear();
    }
    records.insert(records.end(), rest.begin(), rest.end());
    if (!placeable) {
        // Without the placeable header the picture is the window its records set up (or what
        // they draw), at the screen's usual 96 units to the inch; saved, it gets the header.
        const std::optional<platform::Rect> window = platform::windowsMetafileBox(records);
        if (!window)
            throw EInvalidGraphic(notValid);
        box = *window;
        inch = plainWindowsUnitsPerInch;
    }
    // An inch value of 0 counts as 96 for the sizes.
    const int unitsPerInch = inch == 0 ? 96 : inch;
    const int frameWidth = MulDiv(std::int64_t(box.right) - box.left, 25400, unitsPerInch);
    const int frameHeight = MulDiv(std::int64_t(box.bottom) - box.top, 25400, unitsPerInch);
    // The enhanced picture's frame is in 0.01 mm, ten of our 1/25400 inch.
    platform::MetafileHandle metafile =
        platform::convertWindowsMetafile(records, box, {MulDiv(frameWidth, 1, 10), MulDiv(frameHeight, 1, 10)});
    if (!metafile)
        throw EInvalidGraphic(notValid);
    TMetafileImage& image = *m_image;
    image.MetafileHandle = metafile;
    image.UnitsPerInch = inch;
    image.FrameWidth = frameWidth;
    image.FrameHeight = frameHeight;
    m_saveEnhanced = false;
}

void TMetafile::SaveStream(TStream& stream)
{
    const platform::MetafileHandle metafile = m_image->MetafileHandle;
    if (m_saveEnhanced) {
        if (metafile)
            stream.WriteBuffer(metafile->bytes().data(), std::int64_t(metafile->bytes().size()));
        return;
    }
    // The box holds the picture's size in units of the inch value. A picture read from a
    // placeable file keeps its inch value, and its frame (1/25400 inch) is brought back into
    // those units; any other picture is written in 0.01 mm (2540 to the inch). Sizes beyond
    // 16 bits are written with a coarser inch value, so the box keeps the picture's size.
    std::int64_t inch = m_image->UnitsPerInch ? m_image->UnitsPerInch : 2540;
    std::int64_t width = m_image->UnitsPerInch ? MulDiv(m_image->FrameWidth, inch, 25400) : m_image->FrameWidth;
    std::int64_t height = m_image->UnitsPerInch ? MulDiv(m_image->FrameHeight, inch, 25400) : m_image->FrameHeight;
    const std::int64_t largest = std::max(std::abs(width), std::abs(height));
    if (largest > 32767) {
        const std::int64_t divisor = (largest + 32766) / 32767;
        width /= divisor;
        height /= divisor;
        inch = std::max<std::int64_t>(1, inch / divisor);
    }
    std::uint8_t header[placeableBytes] = {};
    bytes::storeU32(header, placeableKey);
    bytes::storeU16(header + 10, std::uint16_t(width));
    bytes::storeU16(header + 12, std::uint16_t(height));
    bytes::storeU16(header + 14, std::uint16_t(inch));
    bytes::storeU16(header + 20, placeableChecksum(header));
    std::optional<std::vector<std::uint8_t>> records;
    if (metafile) {
        records = platform::windowsMetafileBits(*metafile, {int(width), int(height)});
        if (!records)
            OutOfResources();
    }
    stream.WriteBuffer(header, placeableBytes);
    if (records)
        stream.WriteBuffer(records->data(), std::int64_t(records->size()));
}

void TMetafile::SaveFile(const std::string& fileName)
{
    const bool windows = fileName.size() >= 4 && QString::fromStdString(fileName.substr(fileName.size() - 4)).toLower() == ".wmf";
    if (!windows) {
        TGraphic::SaveFile(fileName);
        return;
    }
    const bool saved = m_saveEnhanced;
    m_saveEnhanced = false;
    try {
        TGraphic::SaveFile(fileName);
    } catch (...) {
        m_saveEnhanced = saved;
        throw;
    }
    m_saveEnhanced = saved;
}

void TMetafile::WriteStoredData(TStream& stream)
{
    // The length counts itself and the metafile after it.
    const std::int64_t start = stream.Position();
    stream.WriteU32(0);
    SaveStream(stream);
    stream.SetPosition(start);
    stream.WriteU32(std::uint32_t(stream.Size() - start));
    stream.SetPosition(stream.Size());
}

void TMetafile::LoadClipboardData(std::uint16_t, const TClipboardHandle& data, const TPaletteHandle&)
{
    const auto* handle = std::any_cast<platform::MetafileHandle>(&data);
    if (!handle || !*handle)
        throw EInvalidGraphic(unsupportedClipboard);
    newImage();
    TMetafileImage& image = *m_image;
    image.MetafileHandle = *handle;
    const platform::Rect& frame = image.MetafileHandle->header().frame;
    image.FrameWidth = int(std::int64_t(frame.right) - frame.left);
    image.FrameHeight = int(std::int64_t(frame.bottom) - frame.top);
    image.UnitsPerInch = 0;
    m_saveEnhanced = true;
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

void TMetafile::SaveClipboardData(std::uint16_t& format, TClipboardHandle& data, TPaletteHandle& palette)
{
    if (!m_image)
        return;
    format = clipboardEnhancedMetafile;
    data = m_image->MetafileHandle;
    palette = nullptr;
}

void RegisterMetafileFormat()
{
    if (FileFormats().Contains("emf", TMetafile::StaticClass()))
        return;
    RegisterFileFormat("wmf", "Metafiles", TMetafile::StaticClass());
    RegisterFileFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
    RegisterClipboardFormat(clipboardMetafilePicture, TMetafile::StaticClass());
    RegisterClipboardFormat(clipboardEnhancedMetafile, TMetafile::StaticClass());
}

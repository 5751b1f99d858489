// Reading bitmap files, the stored-property form, program resources and clipboard data.

#include "picture/bitmap/bitmap.h"

#include "framework/streams.h"
#include "picture/bitmap/bitmap_image.h"
#include "picture/byte_reader.h"
#include "platform/dib_header.h"
#include "platform/rle.h"
#include "platform/section.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr auto bitmapNotValid = "Bitmap image is not valid";
constexpr auto streamReadError = "Stream read error";
constexpr auto unsupportedClipboardFormat = "Unsupported clipboard format";
constexpr auto resourceNotFound = "Resource %s not found";

constexpr std::uint16_t fileSignature = 0x4D42;  // "BM"
constexpr std::int64_t fileHeaderSize = 14;
constexpr std::uint16_t clipboardBitmap = 2;
// A colour table keeps at most this many entries; further entries are read and dropped.
constexpr std::uint32_t maxColours = 256;
// A cut-off file still loads with its missing pixels black, but a few bytes must not make a
// picture of a gigabyte that every later drawing and copy pays for. Up to this many pixels any
// amount of data goes; beyond it the data must be able to fill at least an eighth of the
// picture, which still lets most of a cut-off download load.
constexpr std::int64_t pixelFloor = std::int64_t(1) << 22;
// A run-length code fills at most 255 pixels from two bytes.
constexpr std::int64_t runLengthPixelsPerByte = 128;

using bytes::BudgetReader;
using bytes::loadU16;
using bytes::loadU32;

[[noreturn]] void notValid()
{
    throw EInvalidGraphic(bitmapNotValid);
}

// The info header in its 40-byte form: the 12-byte core header, short forms of the 40-byte
// header and longer ones are read as the platform's DIB reader reads them. Bytes of a long
// header past the fields kept are passed over; masks after a 40-byte header are read later.
platform::DibHeader readInfoHeader(BudgetReader& in)
{
    std::uint8_t block[platform::dibHeaderKeptBytes] = {};
    in.read(block, 4);
    const std::uint32_t storedSize = loadU32(block);
    // Smaller sizes cannot even hold the size field and the picture's dimensions.
    if (storedSize < platform::dibCoreHeaderSize)
        notValid();
    const std::uint32_t kept = std::min<std::uint32_t>(storedSize, platform::dibHeaderKeptBytes);
    in.read(block + 4, kept - 4);
    in.skip(std::int64_t(storedSize) - kept);
    std::optional<platform::DibHeader> info = platform::readDibHeader({block, kept});
    if (!info)
        notValid();
    return *info;
}

bool isRle(const platform::BitmapInfoHeader& h)
{
    return h.biCompression == platform::BI_RLE8 || h.biCompression == platform::BI_RLE4;
}

// Refuses a picture that claims far more pixels than `dataBytes` of pixel data can fill, and
// one whose 32-bit form would not fit in a section: drawing, masks and conversions go through
// that form, so a 1-bit file would otherwise make them take 32 times what the file holds.
void checkPictureSize(const platform::BitmapInfoHeader& h, std::int64_t dataBytes)
{
    const std::int64_t pixels = std::llabs(std::int64_t(h.biWidth)) * std::llabs(std::int64_t(h.biHeight));
    const std::int64_t fillable =
        isRle(h) ? dataBytes * runLengthPixelsPerByte : dataBytes * 8 / std::max<std::int64_t>(h.biBitCount, 1);
    if (pixels > platform::maxSectionBytes / 4 || pixels > std::max(pixelFloor, 8 * fillable))
        notValid();
}

// Run-length data decodes into a device bitmap of the display's format, whose pixels start
// black. Only bottom-up pictures of the matching depth can be coded so.
std::unique_ptr<platform::Section> decodeRunLengths(BudgetReader& in, const platform::BitmapInfoHeader& h,
                                                    std::span<const platform::RgbQuad> colours,
                                                    std::int64_t pixelBytes)
{
    const int expectedBits = h.biCompression == platform::BI_RLE8 ? 8 : 4;
    if (h.biBitCount != expectedBits || h.biWidth <= 0 || h.biHeight <= 0)
        notValid();
    auto device = platform::Section::createDisplayCompatible(h.biWidth, h.biHeight);
    if (!device)
        notValid();
    const std::vector<std::uint8_t> data = in.bytes(pixelBytes);
    // Values past the colour table draw black.
    std::array<std::uint32_t, 256> lookup{};
    for (std::size_t i = 0; i < colours.size() && i < lookup.size(); ++i)
        lookup[i] = std::uint32_t(colours[i].blue) | std::uint32_t(colours[i].green) << 8
                    | std::uint32_t(colours[i].red) << 16;
    platform::decodeRle(data, expectedBits, h.biWidth, h.biHeight,
                        [&](int x, int y, std::span<const std::uint8_t> indexes) {
                            auto* row = reinterpret_cast<std::uint32_t*>(device->row(y)) + x;
                            for (std::size_t i = 0; i < indexes.size(); ++i)
                                row[i] = lookup[indexes[i]];
                        });
    return device;
}

} // namespace

void TBitmap::LoadStream(TStream& stream)
{
    readFile(stream, stream.Size() - stream.Position());
}

void TBitmap::readFile(TStream& stream, std::int64_t budget)
{
    dropSurfaceContext();
    if (budget <= 0) {
        replaceImage(new TBitmapImage());
        SetPaletteChangedFlag(false);
        NotifyChange(this);
        return;
    }
    BudgetReader in(stream, budget);
    std::uint8_t fileHeader[fileHeaderSize];
    in.read(fileHeader, fileHeaderSize);
    // The file size field is not used; the pixel offset counts from the file's first byte.
    if (loadU16(fileHeader) != fileSignature)
        notValid();
    readFromInfoHeader(stream, in.remaining(), std::int64_t(loadU32(fileHeader + 10)) - fileHeaderSize);
}

void TBitmap::readFromInfoHeader(TStream& stream, std::int64_t budget, std::int64_t pixelOffset)
{
    dropSurfaceContext();
    BudgetReader in(stream, budget);
    platform::DibHeader info = readInfoHeader(in);
    platform::BitmapInfoHeader& h = info.header;
    if (h.biPlanes != 1)
        notValid();
    if (info.masksFollow) {
        std::array<std::uint8_t, 12> block;
        in.read(block.data(), std::int64_t(block.size()));
        platform::readFollowingMasks(info, block);
    }

    // Core headers come with 3-byte entries (blue, green, red), all others with 4 bytes.
    const std::int64_t entrySize = std::int64_t(info.entrySize());
    const std::int64_t colourBytes = std::int64_t(info.colourCount()) * entrySize;
    if (colourBytes > in.remaining())
        throw EReadError(streamReadError);
    const std::uint32_t kept = std::min(info.colourCount(), maxColours);
    const std::vector<std::uint8_t> table = in.bytes(kept * entrySize);
    const std::vector<platform::RgbQuad> colours = platform::readColourTable(table, kept, std::size_t(entrySize));
    in.skip(colourBytes - std::int64_t(table.size()));
    h.biSize = platform::dibInfoHeaderSize;
    h.biClrUsed = std::min(h.biClrUsed, maxColours);
    // Some writers leave a gap between the colour table and the pixels; the file's pixel offset
    // says where they start. An offset of 0, one pointing into the headers or the colour table,
    // and one at or past the end of the data are not believed: the pixels then follow the table.
    const std::int64_t tableEnd = budget - in.remaining();
    if (pixelOffset > tableEnd && pixelOffset < budget)
        in.skip(pixelOffset - tableEnd);

    std::int64_t imageSize = h.biSizeImage;
    if (imageSize == 0) {
        // Width and bit count may each be huge: a product past the budget only needs to stay
        // past it.
        const std::int64_t stride = platform::sectionStride(std::max(h.biWidth, 0), h.biBitCount);
        const std::int64_t rows = std::llabs(std::int64_t(h.biHeight));
        imageSize = rows != 0 && stride > in.remaining() / rows ? in.remaining() : stride * rows;
    }
    const std::int64_t pixelBytes = std::min(imageSize, in.remaining());
    checkPictureSize(h, pixelBytes);

    std::unique_ptr<platform::Section> pixels;
    if (isRle(h)) {
        pixels = decodeRunLengths(in, h, colours, pixelBytes);
    } else {
        // Bit fields without any mask take the depth's default masks.
        const std::array<std::uint32_t, 3>& masks = info.masks;
        const bool bitFields = h.biCompression == platform::BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32);
        const bool ownMasks = bitFields && (masks[0] | masks[1] | masks[2]) != 0;
        pixels = platform::Section::createToOverwrite(h, colours, ownMasks ? &masks : nullptr);
        if (!pixels)
            notValid();
        // Data shorter than the picture leaves the last rows (in file order) black.
        const auto read = std::size_t(std::min<std::int64_t>(pixelBytes, std::int64_t(pixels->imageSize())));
        in.read(pixels->bits(), std::int64_t(read));
        std::memset(pixels->bits() + read, 0, pixels->imageSize() - read);
    }

    TPaletteHandle palette;
    if (h.biBitCount > 8 && !colours.empty())
        palette = paletteFromColourTable(colours);
    replaceImage(new TBitmapImage(std::move(pixels), std::move(palette), info.core));
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

void TBitmap::ReadStoredData(TStream& stream)
{
    const std::uint32_t length = stream.ReadU32();
    readFile(stream, length);
}

void TBitmap::LoadFromResource(const std::string& name)
{
    QFile file(QStringLiteral(":/bitmaps/%1.bmp").arg(QString::fromStdString(name)));
    if (!file.exists())
        file.setFileName(QStringLiteral(":/bitmaps/%1.bmp").arg(QString::fromStdString(name).toUpper()));
    if (!file.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(resourceNotFound, {name});
    const QByteArray bytes = file.readAll();
    TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    // Resource bitmaps may come with or without the file header; an info header never begins
    // with the bytes "BM" (that would be a 19778-byte header).
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        readFile(stream, stream.Size());
    else
        readFromInfoHeader(stream, stream.Size());
}

void TBitmap::LoadClipboardData(std::uint16_t format, const TClipboardHandle& data,
                                const TPaletteHandle& palette)
{
    const auto* bitmap = std::any_cast<std::shared_ptr<const platform::Section>>(&data);
    if (format != clipboardBitmap || !bitmap || !*bitmap)
        throw EInvalidGraphic(unsupportedClipboardFormat);
    std::unique_ptr<platform::Section> pixels = (*bitmap)->clone();
    if (!pixels)
        OutOfResources();
    replaceImage(new TBitmapImage(std::move(pixels), palette, /*os2=*/false));
    SetPaletteChangedFlag(ReadPalette() != nullptr);
    NotifyChange(this);
}

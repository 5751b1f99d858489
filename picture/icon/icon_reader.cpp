// Making the platform icon from an icon file: the directory, the choice of the image for the
// display, and the image itself, stretched to the standard icon size. Every offset and size the
// file gives is checked against the file before anything is read or allocated.

#include "picture/icon/icon_file.h"

#include "picture/byte_reader.h"
#include "platform/device_context.h"
#include "platform/dib_header.h"
#include "platform/icon.h"
#include "platform/embedded_image.h"
#include "platform/png_chunks.h"
#include "platform/section.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace icon_file {

namespace {

constexpr auto notValid = "Icon image is not valid";

constexpr platform::Colour black = 0x000000;
constexpr platform::Colour white = 0xFFFFFF;

// PNG images larger than this on either side are refused: the largest icon images are 256
// pixels square, and a PNG's size must not make a few bytes take unbounded memory.
constexpr std::uint32_t maxPngSide = 1024;

[[noreturn]] void invalid()
{
    throw EInvalidGraphic(notValid);
}

template <class T> T required(T value)
{
    if (!value)
        OutOfResources();
    return value;
}

// Copies the whole of `source` into `target`, stretched to its size, nearest pixel.
void stretchInto(const platform::Section& source, platform::Section& target)
{
    const auto context = platform::makeSectionContext(target);
    context->setStretchMode(platform::StretchMode::ColorOnColor);
    context->stretchBlt({0, 0, target.width(), target.height()}, source, {0, 0, source.width(), source.height()},
                        platform::rop::SrcCopy);
}

TIconHandle handleOf(std::unique_ptr<platform::Section> colour, std::unique_ptr<platform::Section> mask, bool alpha)
{
    return TIconHandle(required(platform::Icon::create(std::move(colour), std::move(mask), alpha)));
}

// An icon blended with the alpha channel of a 32-bit section (blue, green, red, alpha). The mask
// is 1 where the stretched alpha is below one half.
TIconHandle alphaIcon(const platform::Section& pixels, platform::Size size)
{
    const int width = pixels.width();
    const int height = pixels.height();
    // The alpha bytes as gray levels, stretched exactly as the colours are.
    const platform::BitmapInfoHeader grayHeader = sectionHeader(width, pixels.header().biHeight, 8);
    std::array<platform::RgbQuad, 256> grays;
    for (int i = 0; i < 256; ++i)
        grays[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    auto levels = required(platform::Section::create(grayHeader, grays));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = pixels.row(y);
        std::uint8_t* to = levels->row(y);
        for (int x = 0; x < width; ++x)
            to[x] = from[std::size_t(x) * 4 + 3];
    }

    auto colour = required(platform::Section::createDisplayCompatible(size.cx, size.cy));
    auto alpha = required(platform::Section::createDisplayCompatible(size.cx, size.cy));
    auto mask = required(platform::Section::createMonochrome(size.cx, size.cy));
    stretchInto(pixels, *colour);
    stretchInto(*levels, *alpha);
    for (int y = 0; y < size.cy; ++y) {
        std::uint8_t* row = colour->row(y);
        const std::uint8_t* level = alpha->row(y);
        for (int x = 0; x < size.cx; ++x) {
            const std::uint8_t a = level[std::size_t(x) * 4];
            row[std::size_t(x) * 4 + 3] = a;
            mask->setPixel(x, y, a < 128 ? white : black);
        }
    }
    return handleOf(std::move(colour), std::move(mask), /*alpha=*/true);
}

// A PNG file stored whole as the image, decoded by the platform's PNG decoder.
TIconHandle pngIcon(std::span<const std::uint8_t> image, platform::Size size)
{
    // The size is in the IHDR chunk that must come first: length 13, "IHDR", width, height.
    if (image.size() < 24 || std::memcmp(image.data() + 12, "IHDR", 4) != 0)
        invalid();
    const std::uint32_t width = bytes::loadU32BigEndian(&image[16]);
    const std::uint32_t height = bytes::loadU32BigEndian(&image[20]);
    if (width == 0 || height == 0 || width > maxPngSide || height > maxPngSide)
        invalid();
    const QImage decoded = platform::decodeEmbeddedImage(image, "png", [&](QSize declared) {
                               return declared == QSize(int(width), int(height));
                           }).convertToFormat(QImage::Format_ARGB32);
    if (decoded.isNull())
        invalid();

    // Top-down rows of blue, green, red, alpha: the QImage's own layout.
    auto pixels = required(platform::Section::create(sectionHeader(int(width), -int(height), 32)));
    for (int y = 0; y < int(height); ++y)
        std::memcpy(pixels->row(y), decoded.constScanLine(y), std::size_t(width) * 4);
    return alphaIcon(*pixels, size);
}

bool anyAlpha(const platform::Section& pixels)
{
    for (int y = 0; y < pixels.height(); ++y) {
        const std::uint8_t* row = pixels.row(y);
        for (int x = 0; x < pixels.width(); ++x)
            if (row[std::size_t(x) * 4 + 3] != 0)
                return true;
    }
    return false;
}

// `count` rows of `stride` bytes from the cursor, when the image holds them.
std::span<const std::uint8_t> rows(bytes::ByteCursor& cursor, std::int64_t stride, int count)
{
    if (stride <= 0 || std::int64_t(cursor.remaining()) / stride < count) {
        cursor.fail();
        return {};
    }
    return cursor.span(std::size_t(stride * count));
}

// A bitmap image: info header, colour table, colour pixels, mask pixels.
TIconHandle bitmapIcon(std::span<const std::uint8_t> image, platform::Size size)
{
    const std::optional<platform::DibHeader> dib = platform::readDibHeader(image);
    if (!dib)
        invalid();
    const platform::BitmapInfoHeader& header = dib->header;
    // The height counts the colour rows and the mask rows.
    const int halfHeight = header.biHeight / 2;
    const int bitCount = header.biBitCount;
    const bool knownBitCount = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24
                               || bitCount == 32;
    if (dib->core || header.biWidth <= 0 || halfHeight <= 0 || !knownBitCount
        || header.biCompression != platform::BI_RGB)
        invalid();

    // A full colour table follows the header whatever its colours-used field says. Later,
    // longer versions of the info header are passed over whole.
    const int colourCount = bitCount <= 8 ? 1 << bitCount : 0;
    bytes::ByteCursor cursor(image, std::max<std::size_t>(platform::dibInfoHeaderSize, header.biSize));
    const std::vector<platform::RgbQuad> colours =
        platform::readColourTable(cursor.span(std::size_t(colourCount) * 4), std::size_t(colourCount), 4);
    const std::span<const std::uint8_t> colourBits = rows(cursor, platform::sectionStride(header.biWidth, bitCount), halfHeight);
    const std::span<const std::uint8_t> maskBits = rows(cursor, platform::sectionStride(header.biWidth, 1), halfHeight);
    if (!cursor.ok())
        invalid();

    platform::BitmapInfoHeader colourHeader = sectionHeader(header.biWidth, halfHeight, bitCount);
    colourHeader.biSizeImage = std::uint32_t(colourBits.size());
    // Rows are stored bottom-up in the file, as the section keeps them.
    auto pixels = required(platform::Section::create(colourHeader, colours));
    std::memcpy(pixels->bits(), colourBits.data(), colourBits.size());
    if (bitCount == 32 && anyAlpha(*pixels))
        return alphaIcon(*pixels, size);

    platform::BitmapInfoHeader maskHeader = colourHeader;
    maskHeader.biBitCount = 1;
    maskHeader.biSizeImage = std::uint32_t(maskBits.size());
    maskHeader.biClrUsed = 2;
    maskHeader.biClrImportant = 2;
    const std::array<platform::RgbQuad, 2> blackWhite{platform::quadOf(black), platform::quadOf(white)};
    auto maskPixels = required(platform::Section::create(maskHeader, blackWhite));
    std::memcpy(maskPixels->bits(), maskBits.data(), maskBits.size());

    auto colour = required(platform::Section::createDisplayCompatible(size.cx, size.cy));
    auto mask = required(platform::Section::createMonochrome(size.cx, size.cy));
    stretchInto(*pixels, *colour);
    stretchInto(*maskPixels, *mask);
    return handleOf(std::move(colour), std::move(mask), /*alpha=*/false);
}

} // namespace

platform::BitmapInfoHeader sectionHeader(int width, int height, int bitCount)
{
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = std::uint16_t(bitCount);
    header.biCompression = platform::BI_RGB;
    return header;
}

std::uint16_t displayColourValue(int bits)
{
    if (bits == 24)
        return 0;
    return std::uint16_t(std::uint32_t(1) << (unsigned(bits) % 32));
}

std::size_t chooseEntry(std::span<const std::uint16_t> colourValues, int displayBits)
{
    const std::uint16_t display = displayColourValue(displayBits);
    std::optional<std::size_t> candidate;
    std::uint16_t candidateValue = 0;
    for (std::size_t i = 0; i < colourValues.size(); ++i) {
        const std::uint16_t value = colourValues[i];
        if (value == display)
            return i;
        if (!candidate) {
            if (value <= display) {
                candidate = i;
                candidateValue = value;
            }
        } else if (value > candidateValue) {
            candidate = i;  // the remembered value stays that of the first candidate
        }
    }
    return candidate.value_or(0);
}

TIconHandle makeIcon(std::span<const std::uint8_t> file, int displayBits, platform::Size size)
{
    bytes::ByteCursor cursor(file);
    cursor.u16();  // reserved
    const std::uint16_t type = cursor.u16();
    const std::uint16_t count = cursor.u16();
    if (!cursor.ok())
        invalid();
    if (type == typeDefaultIcon)
        return DefaultApplicationIconHandle();
    if (type != typeIcon || count == 0)
        invalid();

    const std::span<const std::uint8_t> entries = cursor.span(entrySize * count);
    if (!cursor.ok())
        invalid();
    std::vector<std::uint16_t> colourValues(count);
    for (std::size_t i = 0; i < count; ++i)
        colourValues[i] = bytes::loadU16(&entries[i * entrySize + 2]);  // colour count and reserved
    const std::uint8_t* entry = &entries[chooseEntry(colourValues, displayBits) * entrySize];
    const std::uint32_t imageBytes = bytes::loadU32(entry + 8);
    const std::uint32_t imageOffset = bytes::loadU32(entry + 12);
    if (imageOffset > file.size() || imageBytes > file.size() - imageOffset)
        invalid();
    const std::span<const std::uint8_t> image = file.subspan(imageOffset, imageBytes);
    return platform::isPng(image) ? pngIcon(image, size) : bitmapIcon(image, size);
}

} // namespace icon_file

#include "picture/plugin/plugin_image.h"

#include "framework/streams.h"
#include "picture/byte_reader.h"
#include "platform/png_chunks.h"
#include "platform/section.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr auto cannotChangeSize = "Cannot change the size of a %s image";
constexpr auto notValid = "%s image is not valid";
constexpr auto notRecognised = "Picture format not recognised";
constexpr auto unsupportedClipboardFormat = "Unsupported clipboard format";

// Formats whose files are documents or drawings rather than pictures of pixels.
constexpr std::array<std::string_view, 3> notPictures = {"pdf", "svg", "svgz"};

struct Description {
    std::string_view extension;
    std::string_view text;
};

// Names for the open dialog; other extensions are described by their upper-case name.
constexpr std::array<Description, 12> descriptions = {{
    {"webp", "WebP Image"},
    {"tif", "TIFF Image"},
    {"tiff", "TIFF Image"},
    {"tga", "Targa Image"},
    {"pbm", "Portable Bitmap"},
    {"pgm", "Portable Graymap"},
    {"ppm", "Portable Pixmap"},
    {"xbm", "X Bitmap"},
    {"xpm", "X Pixmap"},
    {"wbmp", "Wireless Bitmap"},
    {"cur", "Cursors"},
    {"mng", "MNG Animation"},
}};

std::string describe(const std::string& extension)
{
    for (const Description& known : descriptions)
        if (known.extension == extension)
            return std::string(known.text);
    std::string upper = extension;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return upper + " Image";
}

std::string upperCase(const QByteArray& name)
{
    return name.toUpper().toStdString();
}

// The picture as a section of the same rows: 32 bits with alpha when it has an alpha channel,
// otherwise 24 bits.
std::unique_ptr<platform::Section> sectionOf(const QImage& decoded, bool alpha)
{
    const QImage image = decoded.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (image.isNull())
        OutOfResources();
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = image.width();
    header.biHeight = -image.height();
    header.biPlanes = 1;
    header.biBitCount = alpha ? 32 : 24;
    header.biCompression = platform::BI_RGB;
    std::unique_ptr<platform::Section> pixels = platform::Section::create(header);
    if (!pixels)
        OutOfResources();
    const std::size_t rowBytes = std::size_t(image.width()) * (alpha ? 4 : 3);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels->row(y), image.constScanLine(y), rowBytes);
    return pixels;
}

} // namespace

PICTAVO_DEFINE_CLASS(TPluginImage, TPixelPicture, createObjectOf<TPluginImage>, nullptr)

TPluginImage::TPluginImage() = default;
TPluginImage::~TPluginImage() = default;

void TPluginImage::CopyFrom(const TPersistent* source)
{
    if (source && source->InheritsFrom(TPluginImage::StaticClass())) {
        const auto& other = *static_cast<const TPluginImage*>(source);
        if (&other == this)
            return;
        m_bytes = other.m_bytes;
        m_format = other.m_format;
        sharePixels(other);
        return;
    }
    TGraphic::CopyFrom(source);
}

void TPluginImage::WriteHeight(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize, {m_format});
}

void TPluginImage::WriteWidth(int)
{
    throw EInvalidGraphicOperation(cannotChangeSize, {m_format});
}

void TPluginImage::ReadStoredData(TStream& stream)
{
    const std::uint32_t count = stream.ReadU32();
    loadBytes(stream, count);
}

void TPluginImage::WriteStoredData(TStream& stream)
{
    const std::int64_t count = m_bytes ? std::int64_t(m_bytes->size()) : 0;
    stream.WriteU32(std::uint32_t(count));
    if (count > 0)
        stream.WriteBuffer(m_bytes->data(), count);
}

void TPluginImage::LoadStream(TStream& stream)
{
    loadBytes(stream, stream.Size() - stream.Position());
}

void TPluginImage::loadBytes(TStream& stream, std::int64_t count)
{
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(
        bytes::BudgetReader(stream, stream.Size() - stream.Position()).bytes(count));
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // No single picture may take more than a section may hold.
    reader.setAllocationLimit(int(platform::maxSectionBytes >> 20));
    const QByteArray format = reader.format();
    if (format.isEmpty())
        throw EInvalidGraphic(notRecognised);
    const std::string name = upperCase(format);
    // Qt's PNG reader sets aside whatever length a chunk declares.
    if (platform::isPng(*bytes) && !platform::pngChunksFit(*bytes))
        throw EInvalidGraphic(notValid, {name});
    const QSize declared = reader.size();
    if (declared.isValid()
        && (declared.isEmpty() || platform::sectionStride(declared.width(), 32) * declared.height() > platform::maxSectionBytes))
        throw EInvalidGraphic(notValid, {name});
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw EInvalidGraphic(notValid, {name});
    std::unique_ptr<platform::Section> pixels = sectionOf(image, image.hasAlphaChannel());
    m_bytes = std::move(bytes);
    m_format = name;
    setPixels(std::move(pixels), image.hasAlphaChannel());
}

void TPluginImage::SaveStream(TStream& stream)
{
    if (m_bytes && !m_bytes->empty())
        stream.WriteBuffer(m_bytes->data(), std::int64_t(m_bytes->size()));
}

void TPluginImage::LoadClipboardData(std::uint16_t, const TClipboardHandle&, const TPaletteHandle&)
{
    throw EInvalidGraphicOperation(unsupportedClipboardFormat);
}

std::vector<std::string> PluginExtensions()
{
    std::vector<std::string> extensions;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const std::string extension = format.toLower().toStdString();
        if (std::find(notPictures.begin(), notPictures.end(), extension) != notPictures.end())
            continue;
        if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            extensions.push_back(extension);
    }
    return extensions;
}

void RegisterPluginFormats()
{
    for (const std::string& extension : PluginExtensions())
        if (!FileFormats().FindExt(extension))
            RegisterFileFormat(extension, describe(extension), TPluginImage::StaticClass());
}

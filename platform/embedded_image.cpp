#include "platform/embedded_image.h"

#include "platform/ascii_text.h"
#include "platform/png_chunks.h"
#include "platform/png_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace platform {

namespace {

void freeSection(void* section)
{
    delete static_cast<Section*>(section);
}

// The decoded rows as an image of the same layout, which owns them.
QImage imageOf(std::unique_ptr<Section> pixels, bool alpha)
{
    const QImage::Format format = alpha                        ? QImage::Format_ARGB32
                                  : pixels->bitCount() == 24 ? QImage::Format_BGR888
                                                             : QImage::Format_Indexed8;
    QList<QRgb> colours;
    for (const RgbQuad& colour : pixels->colourTable())
        colours.append(qRgb(colour.red, colour.green, colour.blue));
    Section* section = pixels.release();
    QImage image(section->row(0), section->width(), section->height(), qsizetype(section->stride()), format,
                 freeSection, section);
    if (format == QImage::Format_Indexed8)
        image.setColorTable(colours);
    return image;
}

QImage decodePngData(std::span<const std::uint8_t> data, const std::function<bool(QSize)>& sizeAccepted)
{
    PngDecoding decoded = decodePng(
        data,
        [&](std::uint32_t width, std::uint32_t height) {
            return width <= std::uint32_t(INT32_MAX) && height <= std::uint32_t(INT32_MAX)
                   && sizeAccepted(QSize(int(width), int(height)));
        },
        PngReading::Embedded);
    if (decoded.failure != PngFailure::None)
        return {};
    return imageOf(std::move(decoded.pixels), decoded.alpha);
}

} // namespace

QImage decodeEmbeddedImage(std::span<const std::uint8_t> data, const char* format,
                           const std::function<bool(QSize)>& sizeAccepted)
{
    // Data said to be a PNG is read as one, whatever else it may look like.
    if (format ? sameTextIgnoringAsciiCase(format, "png") : isPng(data))
        return decodePngData(data, sizeAccepted);
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format ? QByteArray(format) : QByteArray());
    if (format) {
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
    }
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || !sizeAccepted(size))
        return {};
    QImage image;
    if (!reader.read(&image) || image.size() != size)
        return {};
    return image;
}

} // namespace platform

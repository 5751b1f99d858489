#include "platform/embedded_image.h"

#include "platform/png_chunks.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace platform {

QImage decodeEmbeddedImage(std::span<const std::uint8_t> data, const char* format,
                           const std::function<bool(QSize)>& sizeAccepted)
{
    if (isPng(data) && !pngChunksFit(data))
        return {};
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format ? QByteArray(format) : QByteArray());
    if (format) {
        // Data said to be a PNG is read as one, whatever else it may look like.
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

#pragma once
// Pictures stored whole inside other files (PNG entries in icons; JPEG and PNG in metafile
// bitmaps and images). PNG data is decoded by the platform's libpng decoder, the other formats
// by Qt's image readers, which trust what the bytes declare. Every such picture comes through
// here, and the caller is asked about the declared size before anything is decoded (PNG data
// whose chunks run past its end is refused by the decoder before anything is set aside for
// them).

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <span>

namespace platform {

// Decodes `data` as `format` ("png", "jpeg"), or as whatever its content shows when `format`
// is null. A null image when the data is refused, `sizeAccepted` refuses the declared size,
// or the picture does not decode whole at that size.
QImage decodeEmbeddedImage(std::span<const std::uint8_t> data, const char* format,
                           const std::function<bool(QSize)>& sizeAccepted);

} // namespace platform

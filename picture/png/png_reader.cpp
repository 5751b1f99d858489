// Reading PNG files: the platform's libpng decoder, its refusals turned into this module's
// messages.

#include "picture/png/png_codec.h"

#include "framework/exceptions.h"
#include "platform/png_decoder.h"

namespace png {

namespace {

constexpr auto streamReadError = "Stream read error";

} // namespace

Decoded decode(std::span<const std::uint8_t> file)
{
    platform::PngDecoding decoded = platform::decodePng(file);
    switch (decoded.failure) {
    case platform::PngFailure::None:
        break;
    case platform::PngFailure::Truncated:
        throw EReadError(streamReadError);
    case platform::PngFailure::OutOfMemory:
        OutOfResources();
    case platform::PngFailure::Damaged:
    case platform::PngFailure::Refused:
        throw EInvalidGraphic(notValid);
    }
    return {std::move(decoded.pixels), decoded.alpha};
}

} // namespace png

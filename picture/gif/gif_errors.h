#pragma once
// The GIF module's message texts, each kept once. Internal to the GIF module.

namespace gif::gifMessages {

constexpr auto unknownVersion = "Unknown GIF version";
constexpr auto unrecognizedExtension = "Unrecognized extension block: %.2x";
constexpr auto encodedDataCorrupt = "GIF encoded data is corrupt";
constexpr auto codeSizeOutOfRange = "GIF code size not in range 2 to 9";
constexpr auto wrongColourCount = "Wrong number of colors; must be a power of 2";
constexpr auto streamReadError = "Stream read error";
constexpr auto encodingError = "GIF image encoding error";
constexpr auto noDataToWrite = "No GIF Data to write";
constexpr auto cannotChangeSize = "Cannot change the Size of a GIF image";
constexpr auto bitmapNotValid = "Bitmap image is not valid";
constexpr auto unsupportedClipboardFormat = "Unsupported clipboard format";

} // namespace gif::gifMessages

#pragma once
// The colour a drawing target shows nearest to a requested one: the colour that setting a pixel
// of that colour really leaves there.

#include "platform/types.h"

namespace platform {

class DeviceContext;
class Section;

// The section's nearest representable colour: its nearest colour-table entry (bit counts up to
// 8), black or white for a monochrome device bitmap, the channels as its bits keep them for 16
// bits, the colour itself for 24 and 32 bits. System colours are resolved and flags dropped
// first.
Colour nearestColour(const Section& section, Colour colour);
// The same for whatever the context draws into; targets that are not sections (windows,
// images, printers) show every colour as it is.
Colour nearestColour(const DeviceContext& context, Colour colour);

} // namespace platform

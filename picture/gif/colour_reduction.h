#pragma once
// Reduction of a picture of any colours to 256 by counting them. Internal to the GIF module.

#include "picture/gif/gif_codec.h"

namespace platform {
class Section;
}

namespace gif {

// An 8-bit picture of the section's pixels with a 256-entry colour table. The colours are
// counted in storage order (bottom row first, left to right) in a table of at most 2049; when
// more turn up, the count restarts with one more low bit dropped from one channel (blue, red,
// green in turn). The 256 most frequent colours (the first met among equals) make the table,
// whose unused entries are gray (128, 128, 128); every other colour takes its nearest entry.
IndexedPicture reduceToIndexed(const platform::Section& pixels);

} // namespace gif

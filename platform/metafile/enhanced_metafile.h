#pragma once
// Enhanced metafiles held by the platform: the bytes of a metafile whose header has been checked,
// shared read-only by every holder (copies are free). Playing, recording and the Windows-metafile
// conversions are here as well: the player draws a metafile onto any device context, the
// recording context writes one, and Windows metafiles convert to and from enhanced ones.

#include "platform/device_context.h"
#include "platform/palette.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// The fields of the enhanced-metafile header.
struct EnhancedMetafileHeader {
    Rect bounds;          // device pixels of the reference device, inclusive
    Rect frame;           // 0.01 mm, inclusive
    std::uint32_t version = 0;
    std::uint32_t bytes = 0;
    std::uint32_t records = 0;
    std::uint16_t handles = 0;
    std::uint32_t paletteEntries = 0;
    Size device;          // the reference device in pixels
    Size millimetres;     // and in millimetres
    Size micrometres;     // more precisely, when the header has it (else millimetres × 1000)
};

class EnhancedMetafile {
public:
    // A metafile of the bytes, or null when they do not start with a readable header: record
    // type 1, the signature " EMF" at offset 40, a total size that is at least the header and at
    // most the bytes given (bytes beyond it are dropped), and a reference device of positive size.
    static std::shared_ptr<const EnhancedMetafile> fromBytes(std::vector<std::uint8_t> data);
    // Where the records of an enhanced metafile end: the byte after its end-of-file record, when
    // every record from the header on lies whole within the bytes; none otherwise.
    static std::optional<std::size_t> recordsEnd(std::span<const std::uint8_t> data);

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    const EnhancedMetafileHeader& header() const { return m_header; }
    // The description: UTF-16 text of two zero-terminated parts (creator, title); empty when
    // the header holds none.
    const std::u16string& description() const { return m_description; }
    // The palette stored in the end-of-file record (empty when there is none).
    std::vector<PaletteEntry> paletteEntries() const;

private:
    EnhancedMetafile() = default;

    std::vector<std::uint8_t> m_bytes;
    EnhancedMetafileHeader m_header;
    std::u16string m_description;
};

using MetafileHandle = std::shared_ptr<const EnhancedMetafile>;

// Plays the metafile's records onto the context so that its frame fills `destination` (logical
// coordinates of the context; the rectangle includes its right and bottom edges). The context's state is the same afterwards. Records the player
// does not know are skipped; a malformed record ends playback. Files holding the newer "plus"
// records in comments play those when the header says they hold nothing else, or when their
// ordinary records draw nothing (a bit blit without a source, the background, does not
// count); other dual files play their ordinary records.
void playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination);

// A context recording a new enhanced metafile: every drawing call and state change becomes
// records. `reference` describes the device the recording is for (pixels, millimetres, DPI);
// `frame` is the picture's frame in 0.01 mm (an empty frame takes the bounds of what was drawn);
// `description` the UTF-16 description (may be empty).
struct ReferenceDevice {
    Size pixels{1024, 768};
    Size millimetres{271, 203};
    int dpiX = 96;
    int dpiY = 96;
    int bitsPerPixel = 32;
};
ReferenceDevice screenReferenceDevice();

class RecordingContext;
std::unique_ptr<RecordingContext> createEnhancedMetafileRecorder(const ReferenceDevice& reference, const Rect& frame,
                                                                 const std::u16string& description);
// Ends the recording and returns the metafile (null when the recording has failed).
MetafileHandle closeEnhancedMetafile(std::unique_ptr<RecordingContext> recorder);

// Windows metafiles (records after the placeable header: the 18-byte metafile header and the
// records). The picture's box (in its own logical units, as the placeable header gives it) and
// its size in 0.01 mm become the enhanced metafile's window and frame. Null when the records are
// not a Windows metafile.
MetafileHandle convertWindowsMetafile(std::span<const std::uint8_t> records, const Rect& box, Size frame);
// The box of a Windows metafile that has no placeable header: the window its first window origin
// and extent records set or, without an extent record, the bounds of what it draws (logical
// units). Null when the records are not a Windows metafile.
std::optional<Rect> windowsMetafileBox(std::span<const std::uint8_t> records);
// The Windows-metafile records (header and records) that draw the metafile into a window of
// `box` units (the placeable header's box); null when it cannot be converted.
std::optional<std::vector<std::uint8_t>> windowsMetafileBits(const EnhancedMetafile& metafile, Size box);

} // namespace platform

#pragma once
// Windows metafiles into enhanced metafiles: each 16-bit record becomes the enhanced record that
// draws the same, in the same logical coordinates. Internal to platform/metafile; each family of
// records is converted in a file of its own (state, drawing and text, objects and regions,
// bitmaps).
//
// The picture's window (the placeable box) is mapped onto its frame by an anisotropic mapping
// set up at the start; the file's own window origin and extent records then refine it. Objects
// keep their table slots: slot n is handle n + 1, and a new object takes the lowest free slot,
// as the format requires.

#include "platform/byte_cursor.h"
#include "platform/metafile/emf_writer.h"
#include "platform/metafile/enhanced_metafile.h"

#include <QRegion>

#include <optional>
#include <span>
#include <vector>

namespace platform::metafile {

enum class Slot { Free, Pen, Brush, Font, Palette, Region, Other };

class WindowsConverter {
public:
    WindowsConverter(std::span<const std::uint8_t> records, const Rect& box, Size frame)
        : m_in(records), m_box(box), m_frame(frame)
    {
    }
    // The enhanced metafile; null when the records do not start with a Windows-metafile header.
    MetafileHandle run();

    // What the records said about their own size, once run: the first window origin and extent
    // they set, and the bounds of the coordinates they draw at.
    std::optional<Point> windowOrigin() const { return m_firstOrigin; }
    std::optional<Size> windowExtent() const { return m_firstExtent; }
    std::optional<Rect> drawnBounds() const { return m_drawn; }

private:
    void record(std::uint16_t function, bytes::ByteCursor& in);
    bool stateRecord(std::uint16_t function, bytes::ByteCursor& in);
    bool drawingRecord(std::uint16_t function, bytes::ByteCursor& in);
    bool textRecord(std::uint16_t function, bytes::ByteCursor& in);
    bool objectRecord(std::uint16_t function, bytes::ByteCursor& in);
    bool regionRecord(std::uint16_t function, bytes::ByteCursor& in);
    bool bitmapRecord(std::uint16_t function, bytes::ByteCursor& in);

    int takeSlot(Slot kind);
    void add(RecordBuilder&& r) { m_writer.add(std::move(r)); }
    void simple(std::uint32_t type, std::uint32_t value);
    void point(std::uint32_t type, int x, int y);
    void text(int x, int y, std::uint16_t options, const Rect* rect, std::span<const std::uint8_t> string,
              std::span<const std::int16_t> dx);
    void stretch(std::uint32_t type, std::uint32_t rop, const Rect& destination, const Rect& source,
                 std::span<const std::uint8_t> dib, std::uint16_t usage);
    void selectClip(std::uint16_t slot);
    // Widens the bounds of what is drawn by a rectangle, the points given, or the text of the
    // selected font placed at a point (logical units).
    void drawn(const Rect& r);
    void drawn(std::span<const std::uint8_t> points16);
    void drawnText(int x, int y, std::span<const std::uint8_t> string);

    std::span<const std::uint8_t> m_in;
    Rect m_box;
    Size m_frame;
    EmfWriter m_writer;
    std::vector<Slot> m_slots;
    std::vector<QRegion> m_regions;
    std::vector<FontSpec> m_fonts;
    int m_font = -1;
    unsigned m_textAlign = 0;
    int m_selectedPalette = -1;
    Point m_windowOrigin;
    std::vector<Point> m_savedOrigins;
    std::optional<Point> m_firstOrigin;
    std::optional<Size> m_firstExtent;
    std::optional<Rect> m_drawn;
};

} // namespace platform::metafile

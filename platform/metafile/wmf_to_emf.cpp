// Windows metafiles into enhanced metafiles: the header, the walk over the records, and which
// family of records each record belongs to.

#include "platform/metafile/wmf_converter.h"

#include "platform/metafile/emf_records.h"
#include "platform/metafile/font_faces.h"
#include "platform/metafile/text_encoding.h"
#include "platform/qt_drawing.h"

#include <cmath>

namespace platform {

namespace metafile {

using namespace wmf;

int WindowsConverter::takeSlot(Slot kind)
{
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i] == Slot::Free) {
            m_slots[i] = kind;
            return int(i);
        }
    return -1;
}

void WindowsConverter::simple(std::uint32_t type, std::uint32_t value)
{
    RecordBuilder r(type);
    r.u32(value);
    add(std::move(r));
}

void WindowsConverter::point(std::uint32_t type, int x, int y)
{
    RecordBuilder r(type);
    r.i32(x).i32(y);
    add(std::move(r));
}

void WindowsConverter::drawn(const Rect& r)
{
    const Rect n{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
    if (!m_drawn) {
        m_drawn = n;
        return;
    }
    m_drawn = Rect{std::min(m_drawn->left, n.left), std::min(m_drawn->top, n.top), std::max(m_drawn->right, n.right),
                   std::max(m_drawn->bottom, n.bottom)};
}

void WindowsConverter::drawn(std::span<const std::uint8_t> points16)
{
    for (std::size_t i = 0; i + 4 <= points16.size(); i += 4) {
        const int x = std::int16_t(bytes::loadU16(&points16[i])), y = std::int16_t(bytes::loadU16(&points16[i + 2]));
        drawn(Rect{x, y, x, y});
    }
}

void WindowsConverter::drawnText(int x, int y, std::span<const std::uint8_t> string)
{
    FontSpec font = m_font >= 0 ? m_fonts[std::size_t(m_font)] : FontSpec{};
    const QByteArray utf8 = fontText(string, font.family, font.charset).toUtf8();
    font.family = drawingFace(font.family);
    const Size extent = detail::textExtentOf(font, std::string(utf8.constData(), std::size_t(utf8.size())));
    // The point is the text's left, centre or right on its top, baseline or bottom.
    int left = x, top = y;
    if ((m_textAlign & TA_CENTER) == TA_CENTER)
        left -= extent.cx / 2;
    else if ((m_textAlign & TA_CENTER) == TA_RIGHT)
        left -= extent.cx;
    if ((m_textAlign & TA_BASELINE) == TA_BASELINE)
        top -= detail::textMetricsOf(font).ascent;
    else if ((m_textAlign & TA_BASELINE) == TA_BOTTOM)
        top -= extent.cy;
    drawn(Rect{left, top, left + extent.cx, top + extent.cy});
}

MetafileHandle WindowsConverter::run()
{
    // The 18-byte header: type (1 memory, 2 disk), header size in words (9), version, size in
    // words, object count, largest record, unused.
    bytes::ByteCursor in(m_in);
    const std::uint16_t type = in.u16();
    const std::uint16_t headerWords = in.u16();
    const std::uint16_t version = in.u16();
    in.u32();
    const std::uint16_t objects = in.u16();
    in.u32();
    in.u16();
    if (!in.ok() || (type != 1 && type != 2) || headerWords != 9 || (version != 0x100 && version != 0x300))
        return nullptr;
    m_slots.assign(objects, Slot::Free);
    m_regions.resize(objects);
    m_fonts.resize(objects);

    const ReferenceDevice screen = screenReferenceDevice();
    simple(emf::EMR_SETMAPMODE, std::uint32_t(MapMode::Anisotropic));
    point(emf::EMR_SETWINDOWORGEX, m_box.left, m_box.top);
    const int boxWidth = int(std::int64_t(m_box.right) - m_box.left), boxHeight = int(std::int64_t(m_box.bottom) - m_box.top);
    point(emf::EMR_SETWINDOWEXTEX, boxWidth == 0 ? 1 : boxWidth, boxHeight == 0 ? 1 : boxHeight);
    m_windowOrigin = {m_box.left, m_box.top};
    point(emf::EMR_SETVIEWPORTORGEX, 0, 0);
    const auto pixels = [](int hundredths, int px, int mm) {
        return std::max(1, int(std::lround(double(hundredths) * px / (mm * 100.0))));
    };
    point(emf::EMR_SETVIEWPORTEXTEX, pixels(m_frame.cx, screen.pixels.cx, screen.millimetres.cx),
          pixels(m_frame.cy, screen.pixels.cy, screen.millimetres.cy));

    while (in.remaining() >= 6) {
        const std::size_t start = in.position();
        const std::uint32_t words = in.u32();
        const std::uint16_t function = in.u16();
        // A record's size counts 16-bit words, its own six bytes included.
        if (words < 3 || std::uint64_t(words) * 2 > in.remaining() + 6)
            break;
        if (function == META_EOF)
            break;
        bytes::ByteCursor params(m_in.subspan(start + 6, std::size_t(words) * 2 - 6));
        record(function, params);
        in.seek(start + std::size_t(words) * 2);
    }
    const Rect frame{0, 0, m_frame.cx, m_frame.cy};
    return EnhancedMetafile::fromBytes(m_writer.finish(frame, screen.pixels, screen.millimetres, {},
                                                       std::uint16_t(std::min<std::size_t>(m_slots.size() + 1, 0xFFFF))));
}

void WindowsConverter::record(std::uint16_t function, bytes::ByteCursor& in)
{
    // Each family tells whether the record is one of its own. Escapes, flood fills,
    // device-dependent bitmaps and the like belong to none and are not drawn.
    stateRecord(function, in) || drawingRecord(function, in) || textRecord(function, in)
        || objectRecord(function, in) || regionRecord(function, in) || bitmapRecord(function, in);
}

} // namespace metafile

MetafileHandle convertWindowsMetafile(std::span<const std::uint8_t> records, const Rect& box, Size frame)
{
    return metafile::WindowsConverter(records, box, frame).run();
}

std::optional<Rect> windowsMetafileBox(std::span<const std::uint8_t> records)
{
    metafile::WindowsConverter converter(records, {0, 0, 1, 1}, {1, 1});
    if (!converter.run())
        return std::nullopt;
    if (const auto extent = converter.windowExtent()) {
        const Point origin = converter.windowOrigin().value_or(Point{0, 0});
        const Rect box{origin.x, origin.y, origin.x + extent->cx, origin.y + extent->cy};
        // A window whose y axis points up is given with a negative extent.
        return Rect{std::min(box.left, box.right), std::min(box.top, box.bottom), std::max(box.left, box.right),
                    std::max(box.top, box.bottom)};
    }
    return converter.drawnBounds().value_or(Rect{0, 0, 0, 0});
}

} // namespace platform

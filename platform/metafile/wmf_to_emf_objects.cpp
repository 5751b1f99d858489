// Windows-metafile object records: pens, brushes, fonts, palettes and regions made, selected and
// deleted, and the records that paint regions or clip to them.

#include "platform/metafile/wmf_converter.h"

#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"
#include "platform/metafile/text_encoding.h"

#include <QString>

namespace platform::metafile {

using namespace wmf;

namespace {

// A brush of one colour that stands in for device-dependent patterns.
RecordBuilder greyBrush(int slot)
{
    RecordBuilder b(emf::EMR_CREATEBRUSHINDIRECT);
    b.u32(std::uint32_t(slot + 1)).u32(emf::BS_SOLID).u32(0x808080).u32(0);
    return b;
}

} // namespace

bool WindowsConverter::objectRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    switch (function) {
    case META_CREATEPENINDIRECT: {
        const std::uint16_t style = in.u16();
        const int width = in.i16();
        in.i16();
        const std::uint32_t c = in.u32();
        const int slot = takeSlot(Slot::Pen);
        if (slot < 0 || !in.ok())
            return true;
        RecordBuilder b(emf::EMR_CREATEPEN);
        b.u32(std::uint32_t(slot + 1)).u32(style).i32(std::max(width, 0)).i32(0).u32(c);
        add(std::move(b));
        return true;
    }
    case META_CREATEBRUSHINDIRECT: {
        const std::uint16_t style = in.u16();
        const std::uint32_t c = in.u32();
        const std::uint16_t hatch = in.u16();
        const int slot = takeSlot(Slot::Brush);
        if (slot < 0)
            return true;
        RecordBuilder b(emf::EMR_CREATEBRUSHINDIRECT);
        b.u32(std::uint32_t(slot + 1));
        b.u32(style == emf::BS_PATTERN || style > emf::BS_HATCHED ? std::uint32_t(emf::BS_SOLID) : std::uint32_t(style));
        b.u32(c).u32(hatch);
        add(std::move(b));
        return true;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        const std::span<const std::uint8_t> params = in.span(in.remaining());
        in.seek(0);
        const std::uint16_t style = in.u16();
        const std::uint16_t usage = in.u16();
        const int slot = takeSlot(Slot::Brush);
        if (slot < 0)
            return true;
        const PackedDib packed = style == emf::BS_PATTERN
                                     ? PackedDib{}
                                     : splitPackedDib(params.subspan(std::min<std::size_t>(4, params.size())), usage);
        if (packed.info.empty()) {
            add(greyBrush(slot));
            return true;
        }
        RecordBuilder b(emf::EMR_CREATEDIBPATTERNBRUSHPT);
        const std::uint32_t offInfo = 32, offBits = offInfo + std::uint32_t(packed.info.size());
        b.u32(std::uint32_t(slot + 1)).u32(usage).u32(offInfo).u32(std::uint32_t(packed.info.size()));
        b.u32(offBits).u32(std::uint32_t(packed.bits.size())).bytes(packed.info).bytes(packed.bits);
        add(std::move(b));
        return true;
    }
    case META_CREATEPATTERNBRUSH: {
        const int slot = takeSlot(Slot::Brush);
        if (slot >= 0)
            add(greyBrush(slot));
        return true;
    }
    case META_CREATEFONTINDIRECT: {
        const int height = in.i16(), width = in.i16(), escapement = in.i16(), orientation = in.i16();
        const int weight = in.i16();
        const std::uint8_t italic = in.u8(), underline = in.u8(), strike = in.u8(), charset = in.u8();
        in.skip(3);
        const std::uint8_t pitch = in.u8();
        // The face name is 8-bit text of the font's own character set.
        std::vector<std::uint8_t> name;
        for (int i = 0; i < 32 && in.has(1); ++i) {
            const std::uint8_t c = in.u8();
            if (c == 0)
                break;
            name.push_back(c);
        }
        const std::u16string face = decodeText(name, charset);
        const int slot = takeSlot(Slot::Font);
        if (slot < 0)
            return true;
        // Kept to measure the font's text by (a height of 0 asks for the usual size).
        FontSpec font;
        font.family = QString::fromStdU16String(face).toStdString();
        if (height != 0)
            font.height = height;
        font.width = std::max(0, width);
        font.weight = weight;
        font.italic = italic != 0;
        font.charset = charset;
        m_fonts[std::size_t(slot)] = font;
        RecordBuilder b(emf::EMR_EXTCREATEFONTINDIRECTW);
        b.u32(std::uint32_t(slot + 1)).i32(height).i32(width).i32(escapement).i32(orientation).i32(weight);
        b.u8(italic).u8(underline).u8(strike).u8(charset).u8(0).u8(0).u8(0).u8(pitch);
        for (std::size_t i = 0; i < 32; ++i)
            b.u16(i < face.size() && i < 31 ? face[i] : 0);
        add(std::move(b));
        return true;
    }
    case META_CREATEPALETTE: {
        in.u16();
        const std::uint16_t count = in.u16();
        const int slot = takeSlot(Slot::Palette);
        if (slot < 0 || !in.ok() || !in.has(std::size_t(count) * 4))
            return true;
        RecordBuilder b(emf::EMR_CREATEPALETTE);
        b.u32(std::uint32_t(slot + 1)).u16(0x300).u16(count).bytes(in.span(std::size_t(count) * 4));
        add(std::move(b));
        return true;
    }
    case META_SETPALENTRIES: {
        const std::uint16_t start = in.u16(), count = in.u16();
        if (!in.ok() || m_selectedPalette < 0 || !in.has(std::size_t(count) * 4))
            return true;
        RecordBuilder b(emf::EMR_SETPALETTEENTRIES);
        b.u32(std::uint32_t(m_selectedPalette + 1)).u32(start).u32(count).bytes(in.span(std::size_t(count) * 4));
        add(std::move(b));
        return true;
    }
    case META_REALIZEPALETTE: add(RecordBuilder(emf::EMR_REALIZEPALETTE)); return true;
    case META_SELECTOBJECT: case META_SELECTPALETTE: {
        const std::uint16_t slot = in.u16();
        if (!in.ok() || slot >= m_slots.size())
            return true;
        switch (m_slots[slot]) {
        case Slot::Pen: case Slot::Brush: simple(emf::EMR_SELECTOBJECT, slot + 1u); break;
        case Slot::Font:
            simple(emf::EMR_SELECTOBJECT, slot + 1u);
            m_font = slot;
            break;
        case Slot::Palette:
            simple(emf::EMR_SELECTPALETTE, slot + 1u);
            m_selectedPalette = slot;
            break;
        case Slot::Region: selectClip(slot); break;
        default: break;
        }
        return true;
    }
    case META_DELETEOBJECT: {
        const std::uint16_t slot = in.u16();
        if (!in.ok() || slot >= m_slots.size() || m_slots[slot] == Slot::Free)
            return true;
        if (m_slots[slot] != Slot::Region)
            simple(emf::EMR_DELETEOBJECT, slot + 1u);
        if (m_selectedPalette == slot)
            m_selectedPalette = -1;
        m_slots[slot] = Slot::Free;
        m_regions[slot] = QRegion();
        return true;
    }
    default: return false;
    }
}

void WindowsConverter::selectClip(std::uint16_t slot)
{
    // Regions are in logical units here and in device units in enhanced records: the clip
    // becomes the region's bounds, intersected after a reset.
    RecordBuilder reset(emf::EMR_EXTSELECTCLIPRGN);
    reset.u32(0).u32(std::uint32_t(RegionMode::Copy));
    add(std::move(reset));
    if (slot < m_slots.size() && m_slots[slot] == Slot::Region) {
        const QRect box = m_regions[slot].boundingRect();
        RecordBuilder b(emf::EMR_INTERSECTCLIPRECT);
        b.rect({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
        add(std::move(b));
    }
}

bool WindowsConverter::regionRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    switch (function) {
    case META_CREATEREGION: {
        // Region: header (next, type, count, size, scans, largest scan, bounds), then scans of
        // a top, a bottom and pairs of left and right edges.
        const int slot = takeSlot(Slot::Region);
        if (slot < 0)
            return true;
        in.skip(8);
        const int scans = in.i16();
        in.skip(2 + 8);
        QRegion region;
        for (int s = 0; s < scans && in.ok(); ++s) {
            const int count = in.u16();
            const int top = in.i16(), bottom = in.i16();
            for (int i = 0; i + 1 < count && in.ok(); i += 2) {
                const int left = in.i16(), right = in.i16();
                if (right > left && bottom > top)
                    region += QRect(left, top, right - left, bottom - top);
            }
            in.u16();
        }
        m_regions[std::size_t(slot)] = region;
        return true;
    }
    case META_FILLREGION: case META_FRAMEREGION: case META_PAINTREGION: case META_INVERTREGION: {
        const std::uint16_t regionSlot = in.u16();
        std::uint16_t brushSlot = 0;
        int width = 1, height = 1;
        if (function == META_FILLREGION)
            brushSlot = in.u16();
        if (function == META_FRAMEREGION) {
            brushSlot = in.u16();
            height = in.i16();
            width = in.i16();
        }
        if (!in.ok() || regionSlot >= m_slots.size() || m_slots[regionSlot] != Slot::Region)
            return true;
        const QRegion& region = m_regions[regionSlot];
        const std::vector<std::uint8_t> data = metafile::regionData(region);
        const std::uint32_t type = function == META_FILLREGION    ? emf::EMR_FILLRGN
                                   : function == META_FRAMEREGION ? emf::EMR_FRAMERGN
                                   : function == META_PAINTREGION ? emf::EMR_PAINTRGN
                                                                  : emf::EMR_INVERTRGN;
        RecordBuilder b(type);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(data.size()));
        if (type == emf::EMR_FILLRGN || type == emf::EMR_FRAMERGN)
            b.u32(std::uint32_t(brushSlot) + 1);
        if (type == emf::EMR_FRAMERGN)
            b.i32(width).i32(height);
        b.bytes(data);
        add(std::move(b));
        const QRect box = region.boundingRect();
        if (!box.isEmpty())
            drawn(Rect{box.left(), box.top(), box.right() + 1, box.bottom() + 1});
        return true;
    }
    case META_SELECTCLIPREGION: {
        const std::uint16_t slot = in.u16();
        if (in.ok())
            selectClip(slot);
        return true;
    }
    default: return false;
    }
}

} // namespace platform::metafile

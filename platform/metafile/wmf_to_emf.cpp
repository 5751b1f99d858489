// Windows metafiles into enhanced metafiles: each 16-bit record becomes the enhanced record that
// draws the same, in the same logical coordinates. The picture's window (the placeable box)
// is mapped onto its frame by an anisotropic mapping set up at the start; the file's own window
// origin and extent records then refine it. Objects keep their table slots: slot n is handle
// n + 1, and a new object takes the lowest free slot, as the format requires.

#include "platform/metafile/enhanced_metafile.h"

#include "platform/byte_cursor.h"
#include "platform/metafile/emf_records.h"
#include "platform/metafile/emf_writer.h"
#include "platform/metafile/dib.h"

#include <QRegion>
#include <QString>

#include <cmath>

namespace platform {

namespace {

using metafile::RecordBuilder;
using namespace wmf;

enum class Slot { Free, Pen, Brush, Font, Palette, Region, Other };

class Converter {
public:
    Converter(std::span<const std::uint8_t> records, const Rect& box, Size frame) : m_in(records), m_box(box), m_frame(frame) {}
    MetafileHandle run();

private:
    void record(std::uint16_t function, bytes::ByteCursor& in, std::size_t words);
    int takeSlot(Slot kind);
    void add(RecordBuilder&& r) { m_writer.add(std::move(r)); }
    void simple(std::uint32_t type, std::uint32_t value)
    {
        RecordBuilder r(type);
        r.u32(value);
        add(std::move(r));
    }
    void point(std::uint32_t type, int x, int y)
    {
        RecordBuilder r(type);
        r.i32(x).i32(y);
        add(std::move(r));
    }
    void text(int x, int y, std::uint16_t options, const Rect* rect, std::span<const std::uint8_t> string,
              std::span<const std::int16_t> dx);
    void dibRecord(std::uint16_t function, bytes::ByteCursor& in, std::span<const std::uint8_t> params);

    std::span<const std::uint8_t> m_in;
    Rect m_box;
    Size m_frame;
    metafile::EmfWriter m_writer;
    std::vector<Slot> m_slots;
    std::vector<QRegion> m_regions;
    std::vector<std::uint16_t> m_fontCharsets;
    int m_selectedPalette = -1;
    Point m_windowOrigin;
    std::vector<Point> m_savedOrigins;
};

int Converter::takeSlot(Slot kind)
{
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i] == Slot::Free) {
            m_slots[i] = kind;
            return int(i);
        }
    return -1;
}

MetafileHandle Converter::run()
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
        record(function, params, words);
        in.seek(start + std::size_t(words) * 2);
    }
    const Rect frame{0, 0, m_frame.cx, m_frame.cy};
    return EnhancedMetafile::fromBytes(m_writer.finish(frame, screen.pixels, screen.millimetres, {},
                                                       std::uint16_t(std::min<std::size_t>(m_slots.size() + 1, 0xFFFF))));
}

void Converter::text(int x, int y, std::uint16_t options, const Rect* rect, std::span<const std::uint8_t> string,
                     std::span<const std::int16_t> dx)
{
    // Single-byte text of the classic Western code page; the byte values are the characters.
    const std::uint32_t chars = std::uint32_t(string.size());
    const std::uint32_t offString = 76;
    const std::uint32_t stringBytes = (chars * 2 + 3) / 4 * 4;
    RecordBuilder r(emf::EMR_EXTTEXTOUTW);
    r.rect({0, 0, -1, -1}).u32(1).f32(0).f32(0);
    r.i32(x).i32(y).u32(chars).u32(offString).u32(options);
    r.rect(rect ? *rect : Rect{0, 0, -1, -1});
    r.u32(dx.size() >= chars && chars > 0 ? offString + stringBytes : 0);
    for (std::uint8_t c : string)
        r.u16(c);
    r.pad4();
    if (dx.size() >= chars && chars > 0)
        for (std::uint32_t i = 0; i < chars; ++i)
            r.i32(dx[i]);
    add(std::move(r));
}

void Converter::dibRecord(std::uint16_t function, bytes::ByteCursor& in, std::span<const std::uint8_t> params)
{
    // Every form stores its fields back to front, the picture last.
    const auto emitStretch = [&](std::uint32_t type, std::uint32_t rop, int xDest, int yDest, int cxDest, int cyDest,
                                 int xSrc, int ySrc, int cxSrc, int cySrc, std::span<const std::uint8_t> dib,
                                 std::uint16_t usage) {
        const metafile::PackedDib packed = metafile::splitPackedDib(dib, usage);
        if (type == emf::EMR_STRETCHDIBITS) {
            const std::uint32_t offInfo = 80, offBits = offInfo + std::uint32_t(packed.info.size());
            RecordBuilder r(type);
            r.rect({0, 0, -1, -1}).i32(xDest).i32(yDest).i32(xSrc).i32(ySrc).i32(cxSrc).i32(cySrc);
            r.u32(packed.info.empty() ? 0 : offInfo).u32(std::uint32_t(packed.info.size()));
            r.u32(packed.info.empty() ? 0 : offBits).u32(std::uint32_t(packed.bits.size()));
            r.u32(usage).u32(rop).i32(cxDest).i32(cyDest);
            r.bytes(packed.info).bytes(packed.bits);
            add(std::move(r));
            return;
        }
        const std::uint32_t offInfo = 108, offBits = offInfo + std::uint32_t(packed.info.size());
        RecordBuilder r(emf::EMR_STRETCHBLT);
        r.rect({0, 0, -1, -1}).i32(xDest).i32(yDest).i32(cxDest).i32(cyDest).u32(rop).i32(xSrc).i32(ySrc);
        r.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(0xFFFFFF).u32(usage);
        r.u32(packed.info.empty() ? 0 : offInfo).u32(std::uint32_t(packed.info.size()));
        r.u32(packed.info.empty() ? 0 : offBits).u32(std::uint32_t(packed.bits.size()));
        r.i32(cxSrc).i32(cySrc);
        r.bytes(packed.info).bytes(packed.bits);
        add(std::move(r));
    };
    switch (function) {
    case META_DIBSTRETCHBLT: {
        // Without a picture the record holds one more (unused) word before the destination.
        const bool withPicture = params.size() > 22;
        const std::uint32_t rop = in.u32();
        const int cySrc = in.i16(), cxSrc = in.i16(), ySrc = in.i16(), xSrc = in.i16();
        if (!withPicture)
            in.skip(2);
        const int cyDest = in.i16(), cxDest = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (!in.ok())
            return;
        const auto dib = withPicture ? params.subspan(in.position()) : std::span<const std::uint8_t>{};
        emitStretch(emf::EMR_STRETCHBLT, rop, xDest, yDest, cxDest, cyDest, xSrc, ySrc, cxSrc, cySrc, dib, 0);
        return;
    }
    case META_DIBBITBLT: {
        const bool withPicture = params.size() > 18;
        const std::uint32_t rop = in.u32();
        const int ySrc = in.i16(), xSrc = in.i16();
        if (!withPicture)
            in.skip(2);
        const int cy = in.i16(), cx = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (!in.ok())
            return;
        const auto dib = withPicture ? params.subspan(in.position()) : std::span<const std::uint8_t>{};
        emitStretch(emf::EMR_STRETCHBLT, rop, xDest, yDest, cx, cy, xSrc, ySrc, cx, cy, dib, 0);
        return;
    }
    case META_STRETCHDIB: {
        const std::uint32_t rop = in.u32();
        const std::uint16_t usage = in.u16();
        const int cySrc = in.i16(), cxSrc = in.i16(), ySrc = in.i16(), xSrc = in.i16();
        const int cyDest = in.i16(), cxDest = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (!in.ok())
            return;
        emitStretch(emf::EMR_STRETCHDIBITS, rop, xDest, yDest, cxDest, cyDest, xSrc, ySrc, cxSrc, cySrc,
                    params.subspan(in.position()), usage);
        return;
    }
    case META_SETDIBTODEV: {
        const std::uint16_t usage = in.u16();
        const int scans = in.u16(), startScan = in.u16(), ySrc = in.i16(), xSrc = in.i16();
        const int cy = in.i16(), cx = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (!in.ok())
            return;
        const metafile::PackedDib packed = metafile::splitPackedDib(params.subspan(in.position()), usage);
        const std::uint32_t offInfo = 76, offBits = offInfo + std::uint32_t(packed.info.size());
        RecordBuilder r(emf::EMR_SETDIBITSTODEVICE);
        r.rect({0, 0, -1, -1}).i32(xDest).i32(yDest).i32(xSrc).i32(ySrc).i32(cx).i32(cy);
        r.u32(offInfo).u32(std::uint32_t(packed.info.size())).u32(offBits).u32(std::uint32_t(packed.bits.size()));
        r.u32(usage).u32(std::uint32_t(startScan)).u32(std::uint32_t(scans));
        r.bytes(packed.info).bytes(packed.bits);
        add(std::move(r));
        return;
    }
    default: return;
    }
}

void Converter::record(std::uint16_t function, bytes::ByteCursor& in, std::size_t)
{
    const std::span<const std::uint8_t> params = in.span(in.remaining());
    in.seek(0);
    const auto rect4 = [&]() {
        const int bottom = in.i16(), right = in.i16(), top = in.i16(), left = in.i16();
        return Rect{left, top, right, bottom};
    };
    switch (function) {
    case META_SETBKCOLOR: { const std::uint32_t c = in.u32(); if (in.ok()) simple(emf::EMR_SETBKCOLOR, c); return; }
    case META_SETTEXTCOLOR: { const std::uint32_t c = in.u32(); if (in.ok()) simple(emf::EMR_SETTEXTCOLOR, c); return; }
    case META_SETBKMODE: { const std::uint16_t v = in.u16(); if (in.ok()) simple(emf::EMR_SETBKMODE, v); return; }
    case META_SETROP2: { const std::uint16_t v = in.u16(); if (in.ok()) simple(emf::EMR_SETROP2, v); return; }
    case META_SETPOLYFILLMODE: { const std::uint16_t v = in.u16(); if (in.ok()) simple(emf::EMR_SETPOLYFILLMODE, v); return; }
    case META_SETSTRETCHBLTMODE: { const std::uint16_t v = in.u16(); if (in.ok()) simple(emf::EMR_SETSTRETCHBLTMODE, v); return; }
    case META_SETTEXTALIGN: { const std::uint16_t v = in.u16(); if (in.ok()) simple(emf::EMR_SETTEXTALIGN, v); return; }
    case META_SETMAPMODE: {
        // Only the free modes keep the picture on its frame; fixed ones are left out.
        const std::uint16_t v = in.u16();
        if (in.ok() && (v == 7 || v == 8))
            simple(emf::EMR_SETMAPMODE, v);
        return;
    }
    case META_SETWINDOWORG: {
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return;
        m_windowOrigin = {x, y};
        point(emf::EMR_SETWINDOWORGEX, x, y);
        return;
    }
    case META_OFFSETWINDOWORG: {
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return;
        m_windowOrigin = {m_windowOrigin.x + x, m_windowOrigin.y + y};
        point(emf::EMR_SETWINDOWORGEX, m_windowOrigin.x, m_windowOrigin.y);
        return;
    }
    case META_SETWINDOWEXT: {
        const int y = in.i16(), x = in.i16();
        if (in.ok() && x != 0 && y != 0)
            point(emf::EMR_SETWINDOWEXTEX, x, y);
        return;
    }
    case META_SCALEWINDOWEXT: {
        const int yDenom = in.i16(), yNum = in.i16(), xDenom = in.i16(), xNum = in.i16();
        if (!in.ok())
            return;
        RecordBuilder r(emf::EMR_SCALEWINDOWEXTEX);
        r.i32(xNum).i32(xDenom).i32(yNum).i32(yDenom);
        add(std::move(r));
        return;
    }
    case META_LINETO: case META_MOVETO: {
        const int y = in.i16(), x = in.i16();
        if (in.ok())
            point(function == META_LINETO ? emf::EMR_LINETO : emf::EMR_MOVETOEX, x, y);
        return;
    }
    case META_SETPIXEL: {
        const std::uint32_t c = in.u32();
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return;
        RecordBuilder r(emf::EMR_SETPIXELV);
        r.i32(x).i32(y).u32(c);
        add(std::move(r));
        return;
    }
    case META_EXCLUDECLIPRECT: case META_INTERSECTCLIPRECT: {
        const Rect r = rect4();
        if (!in.ok())
            return;
        RecordBuilder b(function == META_EXCLUDECLIPRECT ? emf::EMR_EXCLUDECLIPRECT : emf::EMR_INTERSECTCLIPRECT);
        b.rect(r);
        add(std::move(b));
        return;
    }
    case META_OFFSETCLIPRGN: {
        const int y = in.i16(), x = in.i16();
        if (in.ok())
            point(emf::EMR_OFFSETCLIPRGN, x, y);
        return;
    }
    case META_RECTANGLE: case META_ELLIPSE: {
        const Rect r = rect4();
        if (!in.ok())
            return;
        RecordBuilder b(function == META_RECTANGLE ? emf::EMR_RECTANGLE : emf::EMR_ELLIPSE);
        b.rect(r);
        add(std::move(b));
        return;
    }
    case META_ROUNDRECT: {
        const int h = in.i16(), w = in.i16();
        const Rect r = rect4();
        if (!in.ok())
            return;
        RecordBuilder b(emf::EMR_ROUNDRECT);
        b.rect(r).i32(w).i32(h);
        add(std::move(b));
        return;
    }
    case META_ARC: case META_PIE: case META_CHORD: {
        const int yEnd = in.i16(), xEnd = in.i16(), yStart = in.i16(), xStart = in.i16();
        const Rect r = rect4();
        if (!in.ok())
            return;
        RecordBuilder b(function == META_ARC ? emf::EMR_ARC : function == META_PIE ? emf::EMR_PIE : emf::EMR_CHORD);
        b.rect(r).i32(xStart).i32(yStart).i32(xEnd).i32(yEnd);
        add(std::move(b));
        return;
    }
    case META_POLYGON: case META_POLYLINE: {
        const int count = in.i16();
        if (!in.ok() || count < 0 || !in.has(std::size_t(count) * 4))
            return;
        RecordBuilder b(function == META_POLYGON ? emf::EMR_POLYGON16 : emf::EMR_POLYLINE16);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(count)).bytes(in.span(std::size_t(count) * 4));
        add(std::move(b));
        return;
    }
    case META_POLYPOLYGON: {
        const int polygons = in.u16();
        if (!in.ok() || !in.has(std::size_t(polygons) * 2))
            return;
        std::vector<std::uint32_t> counts(static_cast<std::size_t>(polygons));
        std::uint64_t total = 0;
        for (auto& c : counts) {
            c = in.u16();
            total += c;
        }
        if (!in.has(total * 4))
            return;
        RecordBuilder b(emf::EMR_POLYPOLYGON16);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(polygons)).u32(std::uint32_t(total));
        for (std::uint32_t c : counts)
            b.u32(c);
        b.bytes(in.span(total * 4));
        add(std::move(b));
        return;
    }
    case META_PATBLT: {
        const std::uint32_t rop = in.u32();
        const int h = in.i16(), w = in.i16(), y = in.i16(), x = in.i16();
        if (!in.ok())
            return;
        RecordBuilder b(emf::EMR_BITBLT);
        b.rect({0, 0, -1, -1}).i32(x).i32(y).i32(w).i32(h).u32(rop).i32(0).i32(0);
        b.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
        b.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
        add(std::move(b));
        return;
    }
    case META_SAVEDC:
        add(RecordBuilder(emf::EMR_SAVEDC));
        m_savedOrigins.push_back(m_windowOrigin);
        return;
    case META_RESTOREDC: {
        const int level = in.i16();
        if (!in.ok())
            return;
        RecordBuilder b(emf::EMR_RESTOREDC);
        b.i32(level);
        add(std::move(b));
        const int depth = int(m_savedOrigins.size());
        const int target = level < 0 ? depth + level + 1 : level;
        if (target >= 1 && target <= depth) {
            m_windowOrigin = m_savedOrigins[std::size_t(target - 1)];
            m_savedOrigins.resize(std::size_t(target - 1));
        }
        return;
    }
    case META_TEXTOUT: {
        const int count = in.i16();
        if (!in.ok() || count < 0)
            return;
        const auto string = in.span(std::size_t(count));
        in.skip(std::size_t(count % 2));
        const int y = in.i16(), x = in.i16();
        if (in.ok())
            text(x, y, 0, nullptr, string, {});
        return;
    }
    case META_EXTTEXTOUT: {
        const int y = in.i16(), x = in.i16();
        const int count = in.i16();
        const std::uint16_t options = in.u16();
        Rect rect;
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        if (hasRect) {
            const int left = in.i16(), top = in.i16(), right = in.i16(), bottom = in.i16();
            rect = {left, top, right, bottom};
        }
        if (!in.ok() || count < 0)
            return;
        const auto string = in.span(std::size_t(count));
        if (!in.ok())
            return;
        in.skip(std::size_t(count % 2));
        std::vector<std::int16_t> dx;
        if (in.ok() && in.has(std::size_t(count) * 2))
            for (int i = 0; i < count; ++i)
                dx.push_back(in.i16());
        text(x, y, options, hasRect ? &rect : nullptr, string, dx);
        return;
    }
    case META_CREATEPENINDIRECT: {
        const std::uint16_t style = in.u16();
        const int width = in.i16();
        in.i16();
        const std::uint32_t c = in.u32();
        const int slot = takeSlot(Slot::Pen);
        if (slot < 0 || !in.ok())
            return;
        RecordBuilder b(emf::EMR_CREATEPEN);
        b.u32(std::uint32_t(slot + 1)).u32(style).i32(std::max(width, 0)).i32(0).u32(c);
        add(std::move(b));
        return;
    }
    case META_CREATEBRUSHINDIRECT: {
        const std::uint16_t style = in.u16();
        const std::uint32_t c = in.u32();
        const std::uint16_t hatch = in.u16();
        const int slot = takeSlot(Slot::Brush);
        if (slot < 0)
            return;
        RecordBuilder b(emf::EMR_CREATEBRUSHINDIRECT);
        b.u32(std::uint32_t(slot + 1)).u32(style == emf::BS_PATTERN || style > emf::BS_HATCHED ? std::uint32_t(emf::BS_SOLID) : std::uint32_t(style));
        b.u32(c).u32(hatch);
        add(std::move(b));
        return;
    }
    case META_DIBCREATEPATTERNBRUSH: {
        const std::uint16_t style = in.u16();
        const std::uint16_t usage = in.u16();
        const int slot = takeSlot(Slot::Brush);
        if (slot < 0)
            return;
        const metafile::PackedDib packed = style == emf::BS_PATTERN ? metafile::PackedDib{}
                                                                     : metafile::splitPackedDib(params.subspan(std::min<std::size_t>(4, params.size())), usage);
        if (packed.info.empty()) {
            // A device-dependent pattern: drawn as a grey brush.
            RecordBuilder b(emf::EMR_CREATEBRUSHINDIRECT);
            b.u32(std::uint32_t(slot + 1)).u32(emf::BS_SOLID).u32(0x808080).u32(0);
            add(std::move(b));
            return;
        }
        RecordBuilder b(emf::EMR_CREATEDIBPATTERNBRUSHPT);
        const std::uint32_t offInfo = 32, offBits = offInfo + std::uint32_t(packed.info.size());
        b.u32(std::uint32_t(slot + 1)).u32(usage).u32(offInfo).u32(std::uint32_t(packed.info.size()));
        b.u32(offBits).u32(std::uint32_t(packed.bits.size())).bytes(packed.info).bytes(packed.bits);
        add(std::move(b));
        return;
    }
    case META_CREATEPATTERNBRUSH: {
        const int slot = takeSlot(Slot::Brush);
        if (slot < 0)
            return;
        RecordBuilder b(emf::EMR_CREATEBRUSHINDIRECT);
        b.u32(std::uint32_t(slot + 1)).u32(emf::BS_SOLID).u32(0x808080).u32(0);
        add(std::move(b));
        return;
    }
    case META_CREATEFONTINDIRECT: {
        const int height = in.i16(), width = in.i16(), escapement = in.i16(), orientation = in.i16();
        const int weight = in.i16();
        const std::uint8_t italic = in.u8(), underline = in.u8(), strike = in.u8(), charset = in.u8();
        in.skip(3);
        const std::uint8_t pitch = in.u8();
        QString face;
        for (int i = 0; i < 32 && in.has(1); ++i) {
            const std::uint8_t c = in.u8();
            if (c == 0)
                break;
            face.append(QChar(char16_t(c)));
        }
        const int slot = takeSlot(Slot::Font);
        if (slot < 0)
            return;
        RecordBuilder b(emf::EMR_EXTCREATEFONTINDIRECTW);
        b.u32(std::uint32_t(slot + 1)).i32(height).i32(width).i32(escapement).i32(orientation).i32(weight);
        b.u8(italic).u8(underline).u8(strike).u8(charset).u8(0).u8(0).u8(0).u8(pitch);
        for (int i = 0; i < 32; ++i)
            b.u16(i < face.size() && i < 31 ? face[i].unicode() : 0);
        add(std::move(b));
        return;
    }
    case META_CREATEPALETTE: {
        in.u16();
        const std::uint16_t count = in.u16();
        const int slot = takeSlot(Slot::Palette);
        if (slot < 0 || !in.ok() || !in.has(std::size_t(count) * 4))
            return;
        RecordBuilder b(emf::EMR_CREATEPALETTE);
        b.u32(std::uint32_t(slot + 1)).u16(0x300).u16(count).bytes(in.span(std::size_t(count) * 4));
        add(std::move(b));
        return;
    }
    case META_SETPALENTRIES: {
        const std::uint16_t start = in.u16(), count = in.u16();
        if (!in.ok() || m_selectedPalette < 0 || !in.has(std::size_t(count) * 4))
            return;
        RecordBuilder b(emf::EMR_SETPALETTEENTRIES);
        b.u32(std::uint32_t(m_selectedPalette + 1)).u32(start).u32(count).bytes(in.span(std::size_t(count) * 4));
        add(std::move(b));
        return;
    }
    case META_REALIZEPALETTE: add(RecordBuilder(emf::EMR_REALIZEPALETTE)); return;
    case META_CREATEREGION: {
        // Region: header (next, type, count, size, scans, largest scan, bounds), then scans of
        // a top, a bottom and pairs of left and right edges.
        const int slot = takeSlot(Slot::Region);
        if (slot < 0)
            return;
        in.skip(8);
        const int scans = in.i16();
        in.skip(2 + 8);
        std::vector<QRect> rects;
        for (int s = 0; s < scans && in.ok(); ++s) {
            const int count = in.u16();
            const int top = in.i16(), bottom = in.i16();
            for (int i = 0; i + 1 < count && in.ok(); i += 2) {
                const int left = in.i16(), right = in.i16();
                if (right > left && bottom > top)
                    rects.emplace_back(left, top, right - left, bottom - top);
            }
            in.u16();
        }
        QRegion region;
        for (const QRect& r : rects)
            region += r;
        m_regions[std::size_t(slot)] = region;
        return;
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
            return;
        const std::vector<std::uint8_t> data = metafile::regionData(m_regions[regionSlot]);
        const std::uint32_t type = function == META_FILLREGION ? emf::EMR_FILLRGN : function == META_FRAMEREGION
                                       ? emf::EMR_FRAMERGN : function == META_PAINTREGION ? emf::EMR_PAINTRGN
                                                                                          : emf::EMR_INVERTRGN;
        RecordBuilder b(type);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(data.size()));
        if (type == emf::EMR_FILLRGN || type == emf::EMR_FRAMERGN)
            b.u32(std::uint32_t(brushSlot) + 1);
        if (type == emf::EMR_FRAMERGN)
            b.i32(width).i32(height);
        b.bytes(data);
        add(std::move(b));
        return;
    }
    case META_SELECTCLIPREGION: {
        // Regions are in logical units here and in device units in enhanced records: the clip
        // becomes the region's bounds, intersected after a reset.
        const std::uint16_t slot = in.u16();
        if (!in.ok())
            return;
        RecordBuilder reset(emf::EMR_EXTSELECTCLIPRGN);
        reset.u32(0).u32(std::uint32_t(RegionMode::Copy));
        add(std::move(reset));
        if (slot < m_slots.size() && m_slots[slot] == Slot::Region) {
            const QRect box = m_regions[slot].boundingRect();
            RecordBuilder b(emf::EMR_INTERSECTCLIPRECT);
            b.rect({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
            add(std::move(b));
        }
        return;
    }
    case META_SELECTOBJECT: case META_SELECTPALETTE: {
        const std::uint16_t slot = in.u16();
        if (!in.ok() || slot >= m_slots.size())
            return;
        switch (m_slots[slot]) {
        case Slot::Pen: case Slot::Brush: case Slot::Font: simple(emf::EMR_SELECTOBJECT, slot + 1u); break;
        case Slot::Palette:
            simple(emf::EMR_SELECTPALETTE, slot + 1u);
            m_selectedPalette = slot;
            break;
        case Slot::Region: {
            RecordBuilder reset(emf::EMR_EXTSELECTCLIPRGN);
            reset.u32(0).u32(std::uint32_t(RegionMode::Copy));
            add(std::move(reset));
            const QRect box = m_regions[slot].boundingRect();
            RecordBuilder b(emf::EMR_INTERSECTCLIPRECT);
            b.rect({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
            add(std::move(b));
            break;
        }
        default: break;
        }
        return;
    }
    case META_DELETEOBJECT: {
        const std::uint16_t slot = in.u16();
        if (!in.ok() || slot >= m_slots.size() || m_slots[slot] == Slot::Free)
            return;
        if (m_slots[slot] != Slot::Region)
            simple(emf::EMR_DELETEOBJECT, slot + 1u);
        if (m_selectedPalette == slot)
            m_selectedPalette = -1;
        m_slots[slot] = Slot::Free;
        m_regions[slot] = QRegion();
        return;
    }
    case META_DIBSTRETCHBLT: case META_DIBBITBLT: case META_STRETCHDIB: case META_SETDIBTODEV:
        dibRecord(function, in, params);
        return;
    default:
        // Escapes, flood fills, device-dependent bitmaps and the like: not drawn.
        return;
    }
}

} // namespace

MetafileHandle convertWindowsMetafile(std::span<const std::uint8_t> records, const Rect& box, Size frame)
{
    return Converter(records, box, frame).run();
}

} // namespace platform

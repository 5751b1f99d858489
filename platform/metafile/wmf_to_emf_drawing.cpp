// Windows-metafile drawing records: lines, shapes, polygons, pattern fills and pixels, and text.

#include "platform/metafile/wmf_converter.h"

#include "platform/metafile/emf_records.h"

namespace platform::metafile {

using namespace wmf;

namespace {

// Rectangles are stored bottom, right, top, left.
Rect rectangle(bytes::ByteCursor& in)
{
    const int bottom = in.i16(), right = in.i16(), top = in.i16(), left = in.i16();
    return Rect{left, top, right, bottom};
}

} // namespace

bool WindowsConverter::drawingRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    switch (function) {
    case META_LINETO: case META_MOVETO: {
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return true;
        point(function == META_LINETO ? emf::EMR_LINETO : emf::EMR_MOVETOEX, x, y);
        drawn(Rect{x, y, x, y});
        return true;
    }
    case META_SETPIXEL: {
        const std::uint32_t c = in.u32();
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return true;
        RecordBuilder r(emf::EMR_SETPIXELV);
        r.i32(x).i32(y).u32(c);
        add(std::move(r));
        drawn(Rect{x, y, x, y});
        return true;
    }
    case META_RECTANGLE: case META_ELLIPSE: {
        const Rect r = rectangle(in);
        if (!in.ok())
            return true;
        RecordBuilder b(function == META_RECTANGLE ? emf::EMR_RECTANGLE : emf::EMR_ELLIPSE);
        b.rect(r);
        add(std::move(b));
        drawn(r);
        return true;
    }
    case META_ROUNDRECT: {
        const int h = in.i16(), w = in.i16();
        const Rect r = rectangle(in);
        if (!in.ok())
            return true;
        RecordBuilder b(emf::EMR_ROUNDRECT);
        b.rect(r).i32(w).i32(h);
        add(std::move(b));
        drawn(r);
        return true;
    }
    case META_ARC: case META_PIE: case META_CHORD: {
        const int yEnd = in.i16(), xEnd = in.i16(), yStart = in.i16(), xStart = in.i16();
        const Rect r = rectangle(in);
        if (!in.ok())
            return true;
        RecordBuilder b(function == META_ARC ? emf::EMR_ARC : function == META_PIE ? emf::EMR_PIE : emf::EMR_CHORD);
        b.rect(r).i32(xStart).i32(yStart).i32(xEnd).i32(yEnd);
        add(std::move(b));
        drawn(r);
        return true;
    }
    case META_POLYGON: case META_POLYLINE: {
        const int count = in.i16();
        if (!in.ok() || count < 0 || !in.has(std::size_t(count) * 4))
            return true;
        const auto points = in.span(std::size_t(count) * 4);
        RecordBuilder b(function == META_POLYGON ? emf::EMR_POLYGON16 : emf::EMR_POLYLINE16);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(count)).bytes(points);
        add(std::move(b));
        drawn(points);
        return true;
    }
    case META_POLYPOLYGON: {
        const int polygons = in.u16();
        if (!in.ok() || !in.has(std::size_t(polygons) * 2))
            return true;
        std::vector<std::uint32_t> counts(static_cast<std::size_t>(polygons));
        std::uint64_t total = 0;
        for (auto& c : counts) {
            c = in.u16();
            total += c;
        }
        if (!in.has(total * 4))
            return true;
        const auto points = in.span(total * 4);
        RecordBuilder b(emf::EMR_POLYPOLYGON16);
        b.rect({0, 0, -1, -1}).u32(std::uint32_t(polygons)).u32(std::uint32_t(total));
        for (std::uint32_t c : counts)
            b.u32(c);
        b.bytes(points);
        add(std::move(b));
        drawn(points);
        return true;
    }
    case META_PATBLT: {
        const std::uint32_t rop = in.u32();
        const int h = in.i16(), w = in.i16(), y = in.i16(), x = in.i16();
        if (!in.ok())
            return true;
        RecordBuilder b(emf::EMR_BITBLT);
        b.rect({0, 0, -1, -1}).i32(x).i32(y).i32(w).i32(h).u32(rop).i32(0).i32(0);
        b.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
        b.u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
        add(std::move(b));
        drawn(Rect{x, y, x + w, y + h});
        return true;
    }
    default: return false;
    }
}

bool WindowsConverter::textRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    switch (function) {
    case META_TEXTOUT: {
        const int count = in.i16();
        if (!in.ok() || count < 0)
            return true;
        const auto string = in.span(std::size_t(count));
        in.skip(std::size_t(count % 2));
        const int y = in.i16(), x = in.i16();
        if (in.ok())
            text(x, y, 0, nullptr, string, {});
        return true;
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
            return true;
        const auto string = in.span(std::size_t(count));
        if (!in.ok())
            return true;
        in.skip(std::size_t(count % 2));
        std::vector<std::int16_t> dx;
        if (in.ok() && in.has(std::size_t(count) * 2))
            for (int i = 0; i < count; ++i)
                dx.push_back(in.i16());
        text(x, y, options, hasRect ? &rect : nullptr, string, dx);
        return true;
    }
    default: return false;
    }
}

void WindowsConverter::text(int x, int y, std::uint16_t options, const Rect* rect, std::span<const std::uint8_t> string,
                            std::span<const std::int16_t> dx)
{
    // The bytes stay 8-bit text: what characters they are depends on the font selected where
    // the text is drawn.
    const std::uint32_t chars = std::uint32_t(string.size());
    const std::uint32_t offString = 76;
    const std::uint32_t stringBytes = (chars + 3) / 4 * 4;
    const bool advances = dx.size() >= chars && chars > 0;
    RecordBuilder r(emf::EMR_EXTTEXTOUTA);
    r.rect({0, 0, -1, -1}).u32(1).f32(0).f32(0);
    r.i32(x).i32(y).u32(chars).u32(offString).u32(options);
    r.rect(rect ? *rect : Rect{0, 0, -1, -1});
    r.u32(advances ? offString + stringBytes : 0);
    r.bytes(string);
    r.pad4();
    if (advances)
        for (std::uint32_t i = 0; i < chars; ++i)
            r.i32(dx[i]);
    add(std::move(r));
    drawnText(x, y, string);
    if (rect)
        drawn(*rect);
}

} // namespace platform::metafile

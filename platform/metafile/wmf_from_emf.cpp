// Enhanced metafiles into Windows metafiles: the enhanced metafile is played onto a context that
// writes 16-bit records. Everything arrives there already mapped into the picture's box (the
// placeable header's units), so the records use plain coordinates under a window of the box's
// size. Objects, colours and modes are written when a drawing first needs them; paths and
// figures under rotation are written as polygons; the clip is written as its bounding
// rectangle; alpha blending is flattened onto white.

#include "platform/metafile/enhanced_metafile.h"

#include "platform/blit.h"
#include "platform/byte_cursor.h"
#include "platform/display.h"
#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"
#include "platform/metafile/text_encoding.h"
#include "platform/qt_drawing.h"
#include "platform/raster_context.h"

#include <QString>

#include <cmath>
#include <limits>

namespace platform {

namespace {

using namespace wmf;
using metafile::encodeText;

std::int16_t s16(double v)
{
    if (std::isnan(v))
        return 0;
    return std::int16_t(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

std::int16_t s16(int v)
{
    return std::int16_t(std::clamp(v, -32768, 32767));
}

class Record {
public:
    explicit Record(std::uint16_t function) : m_function(function) {}
    Record& u16(std::uint16_t v)
    {
        m_words.push_back(v);
        return *this;
    }
    Record& i16(int v) { return u16(std::uint16_t(s16(v))); }
    Record& u32(std::uint32_t v) { return u16(std::uint16_t(v)).u16(std::uint16_t(v >> 16)); }
    Record& bytes(std::span<const std::uint8_t> data)
    {
        for (std::size_t i = 0; i < data.size(); i += 2)
            u16(std::uint16_t(data[i] | (i + 1 < data.size() ? data[i + 1] << 8 : 0)));
        return *this;
    }
    std::uint16_t function() const { return m_function; }
    const std::vector<std::uint16_t>& words() const { return m_words; }

private:
    std::uint16_t m_function;
    std::vector<std::uint16_t> m_words;
};

class WindowsRecorder : public RasterContext {
public:
    explicit WindowsRecorder(Size box) : m_box(box)
    {
        write(Record(META_SETWINDOWORG).i16(0).i16(0));
        write(Record(META_SETWINDOWEXT).i16(box.cy).i16(box.cx));
    }

    int bitsPerPixel() const override { return 32; }
    int logicalDpiX() const override { return 96; }
    int logicalDpiY() const override { return 96; }
    Size pixelSize() const override { return m_box; }

    std::vector<std::uint8_t> finish();

    void lineTo(Point p) override
    {
        if (m_pathOpen || !axisAligned()) {
            RasterContext::lineTo(p);
            return;
        }
        const Point from = devicePoint(m_state.position), to = devicePoint(p);
        m_state.position = p;
        prepare(penObject);
        write(Record(META_MOVETO).i16(from.y).i16(from.x));
        write(Record(META_LINETO).i16(to.y).i16(to.x));
    }
    void polyline(std::span<const Point> points) override
    {
        if (m_pathOpen || !axisAligned()) {
            RasterContext::polyline(points);
            return;
        }
        prepare(penObject);
        writePoints(META_POLYLINE, points);
    }
    void polyPolygon(std::span<const Point> points, std::span<const int> counts) override
    {
        if (m_pathOpen || !axisAligned()) {
            RasterContext::polyPolygon(points, counts);
            return;
        }
        std::uint64_t total = 0;
        for (int c : counts) {
            if (c < 0)
                return;
            total += std::uint64_t(c);
        }
        if (total > points.size() || counts.size() > 0x7FFF)
            return;
        prepare(brushObject | penObject);
        Record r(META_POLYPOLYGON);
        r.u16(std::uint16_t(counts.size()));
        for (int c : counts)
            r.u16(std::uint16_t(std::min(c, 0xFFFF)));
        for (std::size_t i = 0; i < total; ++i) {
            const Point d = devicePoint(points[i]);
            r.i16(d.x).i16(d.y);
        }
        write(r);
    }
    void rectangle(const Rect& r) override { figure(META_RECTANGLE, r, [&] { RasterContext::rectangle(r); }); }
    void ellipse(const Rect& r) override { figure(META_ELLIPSE, r, [&] { RasterContext::ellipse(r); }); }
    void roundRect(const Rect& r, int cornerWidth, int cornerHeight) override
    {
        if (m_pathOpen || !axisAligned()) {
            RasterContext::roundRect(r, cornerWidth, cornerHeight);
            return;
        }
        const QTransform t = deviceTransform();
        const Rect d = normalised(deviceRect(r));
        prepare(brushObject | penObject);
        write(Record(META_ROUNDRECT).i16(int(std::lround(std::abs(cornerHeight * t.m22()))))
                  .i16(int(std::lround(std::abs(cornerWidth * t.m11()))))
                  .i16(d.bottom).i16(d.right).i16(d.top).i16(d.left));
    }
    void arc(const Rect& r, Point start, Point end) override { arcFigure(META_ARC, r, start, end, [&] { RasterContext::arc(r, start, end); }); }
    void chord(const Rect& r, Point start, Point end) override { arcFigure(META_CHORD, r, start, end, [&] { RasterContext::chord(r, start, end); }); }
    void pie(const Rect& r, Point start, Point end) override { arcFigure(META_PIE, r, start, end, [&] { RasterContext::pie(r, start, end); }); }
    void setPixel(Point p, Colour colour) override
    {
        const Point d = devicePoint(p);
        prepare(noObjects);
        write(Record(META_SETPIXEL).u32(rgbPart(colour)).i16(d.y).i16(d.x));
    }

    void extTextOut(Point p, unsigned options, const Rect* rect, const std::string& utf8,
                    std::span<const int> dx) override
    {
        if (m_pathOpen)
            return;
        const QTransform t = deviceTransform();
        const bool updateCp = (m_state.textAlign & TA_UPDATECP) != 0;
        const Point origin = devicePoint(updateCp ? m_state.position : p);
        // 8-bit text in the code page of the font's character set.
        const std::string text =
            encodeText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toStdU16String(), m_state.font.charset);
        const double scaleX = std::hypot(t.m11(), t.m12());
        prepare(fontObject);
        const int count = int(std::min<std::size_t>(text.size(), 0x7FFF));
        Record r(META_EXTTEXTOUT);
        unsigned flags = options & (ETO_OPAQUE | ETO_CLIPPED);
        r.i16(origin.y).i16(origin.x).i16(count).u16(std::uint16_t(flags));
        if (flags) {
            const Rect d = rect ? normalised(deviceRect(*rect)) : Rect{};
            r.i16(d.left).i16(d.top).i16(d.right).i16(d.bottom);
        }
        r.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), std::size_t(count)));
        const std::size_t step = (options & ETO_PDY) ? 2 : 1;
        if (dx.size() >= std::size_t(count) * step && count > 0)
            for (int i = 0; i < count; ++i)
                r.i16(int(std::lround(dx[std::size_t(i) * step] * scaleX)));
        write(r);
    }

    void alphaStretchBlt(const Rect& destination, const Section& source, const Rect& sourceRect, std::uint8_t constantAlpha,
                    bool perPixelAlpha) override
    {
        // Windows metafiles cannot blend: the picture is blended onto white first.
        const Rect s = normalised(sourceRect).intersected({0, 0, source.width(), source.height()});
        if (s.isEmpty() || m_pathOpen)
            return;
        auto flat = Section::createDisplayCompatible(s.right - s.left, s.bottom - s.top);
        if (!flat)
            return;
        for (int y = 0; y < flat->height(); ++y) {
            auto* out = reinterpret_cast<std::uint32_t*>(flat->row(y));
            for (int x = 0; x < flat->width(); ++x) {
                const Colour c = source.pixel(s.left + x, s.top + y);
                int alpha = constantAlpha;
                if (perPixelAlpha && source.bitCount() == 32)
                    alpha = alpha * (reinterpret_cast<const std::uint32_t*>(source.row(s.top + y))[s.left + x] >> 24) / 255;
                const auto over = [&](int v) { return std::min(255, (v * constantAlpha) / 255 + 255 - alpha); };
                out[x] = (std::uint32_t(over(redOf(c))) << 16) | (std::uint32_t(over(greenOf(c))) << 8) | std::uint32_t(over(blueOf(c)));
            }
        }
        stretchBlt(destination, *flat, {0, 0, flat->width(), flat->height()}, rop::SrcCopy);
    }

protected:
    void paintDevice(const Rect&, const std::function<void(QPainter&)>&) override {}
    void blitDevice(const detail::BlitParams&) override {}
    void setDevicePixel(Point, Colour) override {}
    Colour devicePixel(Point) const override { return 0; }

    void drawPath(const QPainterPath& path, detail::FigureParts parts) override
    {
        const QList<QPolygonF> polygons = path.toSubpathPolygons();
        if (polygons.isEmpty())
            return;
        if (parts != detail::FigureParts::Outline) {
            Record r(META_POLYPOLYGON);
            std::size_t total = 0;
            for (const QPolygonF& p : polygons)
                total += std::size_t(p.size());
            if (total > 0x7FFF || polygons.size() > 0x7FFF)
                return;
            r.u16(std::uint16_t(polygons.size()));
            for (const QPolygonF& p : polygons)
                r.u16(std::uint16_t(p.size()));
            for (const QPolygonF& p : polygons)
                for (const QPointF& q : p)
                    r.i16(s16(q.x())).i16(s16(q.y()));
            // Outlines go separately: the fill is drawn without a pen.
            const PenSpec pen = m_state.pen;
            m_state.pen.style = PenStyle::Clear;
            prepare(brushObject | penObject);
            write(r);
            m_state.pen = pen;
        }
        if (parts != detail::FigureParts::Inside) {
            prepare(penObject);
            for (const QPolygonF& p : polygons) {
                if (p.size() < 2 || p.size() > 0x7FFF)
                    continue;
                Record r(META_POLYLINE);
                r.u16(std::uint16_t(p.size()));
                for (const QPointF& q : p)
                    r.i16(s16(q.x())).i16(s16(q.y()));
                write(r);
            }
        }
    }

    void blitClipped(detail::BlitParams params) override
    {
        prepare(noObjects);
        const Rect& d = params.destination;
        const int width = int(std::clamp<std::int64_t>(std::int64_t(d.right) - d.left, -32768, 32767));
        const int height = int(std::clamp<std::int64_t>(std::int64_t(d.bottom) - d.top, -32768, 32767));
        if (!params.source) {
            ensureBrush(params.brush);
            write(Record(META_PATBLT).u32(params.rasterOp).i16(height).i16(width).i16(d.top).i16(d.left));
            return;
        }
        std::uint32_t rasterOp = params.rasterOp;
        if (params.mask)
            rasterOp = std::uint32_t(rop::functionOf(rasterOp)) << 16 | 0x20;  // the masked part alone
        const metafile::DibBytes dib = metafile::dibOf(*params.source, m_state.textColour, m_state.backgroundColour);
        const Rect& s = params.sourceRect;
        Record r(META_DIBSTRETCHBLT);
        r.u32(rasterOp);
        r.i16(int(std::clamp<std::int64_t>(std::int64_t(s.bottom) - s.top, -32768, 32767)));
        r.i16(int(std::clamp<std::int64_t>(std::int64_t(s.right) - s.left, -32768, 32767)));
        r.i16(s.top).i16(s.left).i16(height).i16(width).i16(d.top).i16(d.left);
        r.bytes(dib.info).bytes(dib.bits);
        write(r);
    }

private:
    static Rect normalised(const Rect& r)
    {
        return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
    }

    template <class Fallback> void figure(std::uint16_t function, const Rect& r, Fallback fallback)
    {
        if (m_pathOpen || !axisAligned()) {
            fallback();
            return;
        }
        const Rect d = normalised(deviceRect(r));
        prepare(brushObject | penObject);
        write(Record(function).i16(d.bottom).i16(d.right).i16(d.top).i16(d.left));
    }

    template <class Fallback>
    void arcFigure(std::uint16_t function, const Rect& r, Point start, Point end, Fallback fallback)
    {
        if (m_pathOpen || !axisAligned()) {
            fallback();
            return;
        }
        const Rect d = normalised(deviceRect(r));
        Point a = devicePoint(start), b = devicePoint(end);
        if (m_state.arcDirection == ArcDirection::Clockwise)
            std::swap(a, b);
        prepare(function == META_ARC ? penObject : brushObject | penObject);
        write(Record(function).i16(b.y).i16(b.x).i16(a.y).i16(a.x).i16(d.bottom).i16(d.right).i16(d.top).i16(d.left));
    }

    void writePoints(std::uint16_t function, std::span<const Point> points)
    {
        if (points.size() > 0x7FFF)
            return;
        Record r(function);
        r.u16(std::uint16_t(points.size()));
        for (const Point& p : points) {
            const Point d = devicePoint(p);
            r.i16(d.x).i16(d.y);
        }
        write(r);
    }

    void write(const Record& r)
    {
        // Size in words, function, parameters; grown once (bitmap records run to megabytes).
        const std::size_t words = r.words().size() + 3;
        std::uint8_t* out = grow(words * 2);
        bytes::storeU32(out, std::uint32_t(words));
        bytes::storeU16(out + 4, r.function());
        out += 6;
        for (std::uint16_t w : r.words()) {
            bytes::storeU16(out, w);
            out += 2;
        }
        m_largest = std::max(m_largest, words);
    }

    std::uint8_t* grow(std::size_t n)
    {
        m_body.resize(m_body.size() + n);
        return m_body.data() + m_body.size() - n;
    }

    int newSlot()
    {
        for (std::size_t i = 0; i < m_slots.size(); ++i)
            if (!m_slots[i]) {
                m_slots[i] = true;
                return int(i);
            }
        m_slots.push_back(true);
        return int(m_slots.size() - 1);
    }

    void replace(int& current, int next)
    {
        write(Record(META_SELECTOBJECT).u16(std::uint16_t(next)));
        if (current >= 0) {
            write(Record(META_DELETEOBJECT).u16(std::uint16_t(current)));
            m_slots[std::size_t(current)] = false;
        }
        current = next;
    }

    void ensureBrush(const BrushSpec& brush)
    {
        const Colour colour = colourToRgb(brush.colour);
        if (m_brushSlot >= 0 && brush.style == m_brush.style && colour == m_brushColour && brush.pattern == m_brushPattern)
            return;
        const int slot = newSlot();
        if (brush.pattern) {
            const metafile::DibBytes dib = metafile::dibOf(*brush.pattern, m_state.textColour, m_state.backgroundColour);
            write(Record(META_DIBCREATEPATTERNBRUSH).u16(emf::BS_DIBPATTERNPT).u16(0).bytes(dib.info).bytes(dib.bits));
        } else {
            std::uint16_t style = emf::BS_SOLID, hatch = 0;
            if (brush.style == BrushStyle::Clear) {
                style = emf::BS_NULL;
            } else if (brush.style != BrushStyle::Solid) {
                style = emf::BS_HATCHED;
                hatch = std::uint16_t(int(brush.style) - int(BrushStyle::Horizontal));
            }
            write(Record(META_CREATEBRUSHINDIRECT).u16(style).u32(colour).u16(hatch));
        }
        replace(m_brushSlot, slot);
        m_brush = brush;
        m_brushColour = colour;
        m_brushPattern = brush.pattern;
    }

    // The objects a record draws with.
    enum Objects : unsigned { noObjects = 0, brushObject = 1, penObject = 2, fontObject = 4 };

    // Writes what the next drawing needs that differs from what was written before: the
    // colours and modes, and the objects it draws with.
    void prepare(unsigned objects)
    {
        writeClip();
        const detail::DrawState s = deviceState();
        // A colour setting takes a 32-bit colour reference, a mode setting a 16-bit word.
        const auto setting = [&](std::uint16_t function, std::uint32_t value, std::optional<std::uint32_t>& written) {
            if (written && *written == value)
                return;
            Record r(function);
            if (function == META_SETTEXTCOLOR || function == META_SETBKCOLOR)
                r.u32(value);
            else
                r.u16(std::uint16_t(value));
            write(r);
            written = value;
        };
        setting(META_SETTEXTCOLOR, rgbPart(s.textColour), m_textColour);
        setting(META_SETBKCOLOR, rgbPart(s.backgroundColour), m_backgroundColour);
        setting(META_SETBKMODE, std::uint32_t(s.backgroundMode), m_backgroundMode);
        setting(META_SETROP2, std::uint32_t(s.penMode), m_penMode);
        setting(META_SETPOLYFILLMODE, std::uint32_t(s.polyFillMode), m_fillMode);
        setting(META_SETSTRETCHBLTMODE, std::uint32_t(stretchMode()), m_stretchMode);
        if (objects & brushObject)
            ensureBrush(s.brush);
        if (objects & penObject) {
            const PenSpec& p = s.pen;
            if (m_penSlot < 0 || p.style != m_pen.style || p.width != m_pen.width || p.colour != m_pen.colour) {
                const int slot = newSlot();
                write(Record(META_CREATEPENINDIRECT).u16(std::uint16_t(p.style)).i16(p.width).i16(0).u32(rgbPart(p.colour)));
                replace(m_penSlot, slot);
                m_pen = p;
            }
        }
        if (objects & fontObject) {
            setting(META_SETTEXTALIGN, textAlign() & ~unsigned(TA_UPDATECP), m_textAlign);
            const double scale = std::hypot(deviceTransform().m11(), deviceTransform().m12());
            setting(META_SETTEXTCHAREXTRA, std::uint32_t(std::uint16_t(s16(charExtra() * scale))), m_charExtra);
            const FontSpec& f = s.font;
            if (m_fontSlot < 0 || f.family != m_font.family || f.height != m_font.height || f.width != m_font.width
                || f.escapement != m_font.escapement || f.weight != m_font.weight || f.italic != m_font.italic
                || f.underline != m_font.underline || f.strikeOut != m_font.strikeOut || f.charset != m_font.charset
                || f.pitch != m_font.pitch) {
                const int slot = newSlot();
                Record r(META_CREATEFONTINDIRECT);
                r.i16(f.height).i16(f.width).i16(f.escapement).i16(f.orientation).i16(f.weight);
                std::uint8_t tail[8] = {std::uint8_t(f.italic), std::uint8_t(f.underline), std::uint8_t(f.strikeOut),
                                        f.charset, 0, 0, 0, f.pitch};
                r.bytes(tail);
                std::string face = encodeText(QString::fromStdString(f.family).toStdU16String(), f.charset).substr(0, 31);
                face.push_back(0);
                if (face.size() % 2)
                    face.push_back(0);
                r.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(face.data()), face.size()));
                write(r);
                replace(m_fontSlot, slot);
                m_font = f;
            }
        }
    }

    void writeClip()
    {
        const std::optional<Rect> clip = clipRect();
        if (clip == m_clip)
            return;
        if (m_clip) {
            // Restoring brings back the objects and settings of the save: all are written again.
            write(Record(META_RESTOREDC).i16(-1));
            m_textColour.reset();
            m_backgroundColour.reset();
            m_backgroundMode.reset();
            m_penMode.reset();
            m_fillMode.reset();
            m_stretchMode.reset();
            m_textAlign.reset();
            m_charExtra.reset();
            forget(m_penSlot);
            forget(m_brushSlot);
            forget(m_fontSlot);
        }
        if (clip) {
            write(Record(META_SAVEDC));
            write(Record(META_INTERSECTCLIPRECT).i16(clip->bottom).i16(clip->right).i16(clip->top).i16(clip->left));
        }
        m_clip = clip;
    }

    // An object no longer selected after a restore: deleted, and written again when needed.
    void forget(int& slot)
    {
        if (slot < 0)
            return;
        write(Record(META_DELETEOBJECT).u16(std::uint16_t(slot)));
        m_slots[std::size_t(slot)] = false;
        slot = -1;
    }

    Size m_box;
    std::vector<std::uint8_t> m_body;
    std::size_t m_largest = 3;
    std::vector<bool> m_slots;
    int m_penSlot = -1;
    int m_brushSlot = -1;
    int m_fontSlot = -1;
    PenSpec m_pen;
    BrushSpec m_brush;
    Colour m_brushColour = 0;
    const Section* m_brushPattern = nullptr;
    FontSpec m_font;
    std::optional<std::uint32_t> m_textColour, m_backgroundColour, m_backgroundMode, m_penMode, m_fillMode,
        m_stretchMode, m_textAlign, m_charExtra;
    std::optional<Rect> m_clip;
};

std::vector<std::uint8_t> WindowsRecorder::finish()
{
    if (m_clip)
        write(Record(META_RESTOREDC).i16(-1));
    write(Record(META_EOF));
    std::vector<std::uint8_t> out(18);
    const std::size_t words = (18 + m_body.size()) / 2;
    bytes::storeU16(&out[0], 1);      // in memory
    bytes::storeU16(&out[2], 9);      // header words
    bytes::storeU16(&out[4], 0x300);  // version
    bytes::storeU32(&out[6], std::uint32_t(words));
    bytes::storeU16(&out[10], std::uint16_t(std::min<std::size_t>(m_slots.size(), 0xFFFF)));
    bytes::storeU32(&out[12], std::uint32_t(m_largest));
    out.insert(out.end(), m_body.begin(), m_body.end());
    return out;
}

} // namespace

std::optional<std::vector<std::uint8_t>> windowsMetafileBits(const EnhancedMetafile& metafile, Size box)
{
    WindowsRecorder recorder(box);
    playEnhancedMetafile(recorder, metafile, {0, 0, box.cx - 1, box.cy - 1});
    return recorder.finish();
}

} // namespace platform

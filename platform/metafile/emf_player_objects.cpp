// The player's object records: pens, brushes, fonts and palettes made, selected and deleted,
// and the stock objects.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"
#include "platform/metafile/font_faces.h"

#include <QString>

#include <cstring>

namespace platform::metafile {

using namespace emf;

namespace {

FontObject fontObject(const FontSpec& font)
{
    FontSpec drawn = font;
    drawn.family = drawingFace(font.family);
    return {font, drawn};
}

FontObject stockFont(const char* family, int height, int weight, std::uint8_t pitch)
{
    FontSpec font;
    font.family = family;
    font.height = height;
    font.weight = weight;
    font.pitch = pitch;
    return fontObject(font);
}

} // namespace

Object* Player::objectAt(std::uint32_t index)
{
    if (index == 0 || index >= m_objects.size())
        return nullptr;
    return &m_objects[index];
}

void Player::storeObject(std::uint32_t index, Object object)
{
    if (Object* slot = objectAt(index))
        *slot = std::move(object);
}

void Player::selectFont(const FontObject& font)
{
    m_state.font = font.font;
    m_dc.setFont(font.drawn);
}

void Player::selectObject(std::uint32_t index)
{
    if (index & stockObject) {
        const std::uint32_t stock = index & ~stockObject;
        const auto brush = [&](BrushStyle style, Colour c) { m_dc.setBrush({style, c, nullptr}); };
        const auto pen = [&](PenStyle style, Colour c) { m_dc.setPen({style, 1, c}); };
        switch (stock) {
        case WHITE_BRUSH: brush(BrushStyle::Solid, 0xFFFFFF); break;
        case LTGRAY_BRUSH: brush(BrushStyle::Solid, 0xC0C0C0); break;
        case GRAY_BRUSH: brush(BrushStyle::Solid, 0x808080); break;
        case DKGRAY_BRUSH: brush(BrushStyle::Solid, 0x404040); break;
        case BLACK_BRUSH: brush(BrushStyle::Solid, 0x000000); break;
        case NULL_BRUSH: brush(BrushStyle::Clear, 0); break;
        case DC_BRUSH: brush(BrushStyle::Solid, 0xFFFFFF); break;
        case WHITE_PEN: pen(PenStyle::Solid, 0xFFFFFF); break;
        case BLACK_PEN: case DC_PEN: pen(PenStyle::Solid, 0x000000); break;
        case NULL_PEN: pen(PenStyle::Clear, 0); break;
        case OEM_FIXED_FONT: case ANSI_FIXED_FONT: case SYSTEM_FIXED_FONT:
            selectFont(stockFont("Courier New", 16, 400, 1));
            break;
        case ANSI_VAR_FONT: case DEFAULT_GUI_FONT: selectFont(stockFont("MS Sans Serif", -11, 400, 0)); break;
        case SYSTEM_FONT: case DEVICE_DEFAULT_FONT: selectFont(stockFont("System", 16, 700, 0)); break;
        case DEFAULT_PALETTE: m_selectedPalette.reset(); break;
        default: break;
        }
        return;
    }
    Object* object = objectAt(index);
    if (!object)
        return;
    if (auto* p = std::get_if<PenObject>(object))
        m_dc.setPen(p->pen);
    else if (auto* b = std::get_if<BrushObject>(object))
        m_dc.setBrush(b->brush);
    else if (auto* f = std::get_if<FontObject>(object))
        selectFont(*f);
}

void Player::setPattern(BrushSpec& brush, std::shared_ptr<Section> pattern)
{
    brush.pattern = pattern.get();
    m_patterns.push_back(std::move(pattern));
}

bool Player::objectRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    const std::uint32_t index = in.u32();
    if (!in.ok())
        return false;
    switch (type) {
    case EMR_SELECTOBJECT: selectObject(index); return true;
    case EMR_DELETEOBJECT: storeObject(index, std::monostate{}); return true;
    case EMR_CREATEPEN: {
        const std::uint32_t style = in.u32();
        const int width = in.i32();
        in.i32();
        const std::uint32_t c = in.u32();
        if (!in.ok())
            return false;
        PenSpec pen;
        const std::uint32_t kind = style & PS_STYLE_MASK;
        pen.style = kind <= PS_INSIDEFRAME ? PenStyle(kind) : PenStyle::Solid;
        pen.width = std::max(0, width);
        pen.colour = colour(c);
        storeObject(index, PenObject{pen});
        return true;
    }
    case EMR_EXTCREATEPEN: {
        in.skip(16);  // pattern bitmap of the pen's brush (drawn solid)
        const std::uint32_t style = in.u32(), width = in.u32(), brushStyle = in.u32(), c = in.u32();
        if (!in.ok())
            return false;
        PenSpec pen;
        const std::uint32_t kind = style & PS_STYLE_MASK;
        pen.style = kind <= PS_INSIDEFRAME ? PenStyle(kind) : kind == PS_ALTERNATE ? PenStyle::Dot : PenStyle::Solid;
        if (brushStyle == BS_NULL)
            pen.style = PenStyle::Clear;
        pen.geometric = (style & PS_GEOMETRIC) != 0;
        pen.cosmetic = !pen.geometric;
        pen.width = pen.geometric ? int(std::min<std::uint32_t>(width, 1 << 24)) : 1;
        pen.cap = (style & PS_ENDCAP_MASK) == PS_ENDCAP_FLAT ? PenCap::Flat
                  : (style & PS_ENDCAP_MASK) == PS_ENDCAP_SQUARE ? PenCap::Square : PenCap::Round;
        pen.join = (style & PS_JOIN_MASK) == PS_JOIN_BEVEL ? PenJoin::Bevel
                   : (style & PS_JOIN_MASK) == PS_JOIN_MITER ? PenJoin::Miter : PenJoin::Round;
        pen.colour = colour(c);
        storeObject(index, PenObject{pen});
        return true;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        const std::uint32_t style = in.u32(), c = in.u32(), hatch = in.u32();
        if (!in.ok())
            return false;
        BrushSpec brush;
        brush.colour = colour(c);
        if (style == BS_NULL)
            brush.style = BrushStyle::Clear;
        else if (style == BS_HATCHED && hatch <= 5)
            brush.style = BrushStyle(int(BrushStyle::Horizontal) + int(hatch));
        storeObject(index, BrushObject{brush, nullptr});
        return true;
    }
    case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT: {
        const std::uint32_t usage = in.u32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        if (!in.ok())
            return false;
        BrushObject object;
        std::shared_ptr<Section> pattern = dib(data, offInfo, sizeInfo, offBits, sizeBits, usage);
        if (pattern && type == EMR_CREATEMONOBRUSH && pattern->bitCount() == 1) {
            // A monochrome brush draws its 0 bits in the text colour and its 1 bits in the
            // background colour, as a monochrome device bitmap does.
            auto mono = Section::createMonochrome(pattern->width(), pattern->height());
            if (mono) {
                for (int y = 0; y < pattern->height(); ++y)
                    std::memcpy(mono->row(y), pattern->row(y), std::size_t(std::min(mono->stride(), pattern->stride())));
                pattern = std::move(mono);
            }
        }
        if (pattern)
            setPattern(object.brush, std::move(pattern));
        storeObject(index, std::move(object));
        return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        FontSpec font;
        font.height = in.i32();
        font.width = in.i32();
        font.escapement = in.i32();
        font.orientation = in.i32();
        font.weight = in.i32();
        font.italic = in.u8() != 0;
        font.underline = in.u8() != 0;
        font.strikeOut = in.u8() != 0;
        font.charset = in.u8();
        in.skip(3);
        font.pitch = in.u8();
        QString face;
        for (int i = 0; i < 32 && in.has(2); ++i) {
            const char16_t c = in.u16();
            if (c == 0)
                break;
            face.append(QChar(c));
        }
        if (!in.ok())
            return false;
        if (font.height == std::numeric_limits<int>::min())
            font.height = std::numeric_limits<int>::min() + 1;
        font.width = std::max(0, font.width);
        font.family = face.toStdString();
        storeObject(index, fontObject(font));
        return true;
    }
    case EMR_SELECTPALETTE:
        if (index == (stockObject | DEFAULT_PALETTE)) {
            m_selectedPalette.reset();
        } else if (Object* object = objectAt(index)) {
            if (auto* p = std::get_if<PaletteObject>(object)) {
                m_selectedPalette = p->palette;
                m_dc.selectPalette(p->palette.get());
            }
        }
        return true;
    case EMR_CREATEPALETTE: {
        in.u16();
        const std::uint16_t count = in.u16();
        if (!in.ok() || !in.has(std::size_t(count) * 4))
            return false;
        std::vector<PaletteEntry> entries(count);
        for (auto& e : entries)
            e = {in.u8(), in.u8(), in.u8(), in.u8()};
        storeObject(index, PaletteObject{std::make_shared<Palette>(std::move(entries))});
        return true;
    }
    case EMR_SETPALETTEENTRIES: {
        const std::uint32_t start = in.u32(), count = in.u32();
        if (!in.ok() || !in.has(std::size_t(count) * 4))
            return false;
        Object* object = objectAt(index);
        auto* p = object ? std::get_if<PaletteObject>(object) : nullptr;
        if (!p || !p->palette)
            return true;
        std::vector<PaletteEntry> entries = p->palette->entries();
        for (std::uint32_t i = 0; i < count; ++i) {
            PaletteEntry e{in.u8(), in.u8(), in.u8(), in.u8()};
            if (std::uint64_t(start) + i < entries.size())
                entries[start + i] = e;
        }
        // A new palette object: the context may still hold the old one.
        const bool selected = m_selectedPalette == p->palette;
        p->palette = std::make_shared<Palette>(std::move(entries));
        if (selected) {
            m_selectedPalette = p->palette;
            m_dc.selectPalette(p->palette.get());
        }
        return true;
    }
    default: return true;
    }
}

} // namespace platform::metafile

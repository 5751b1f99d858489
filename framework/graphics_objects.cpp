// The graphics objects of a canvas: fonts, pens and brushes.

#include "framework/canvas.h"

#include "framework/properties.h"

#include <cstdlib>

namespace {

// Points from a height in pixels and back, rounding half away from zero as the platform's
// multiply-divide does.
int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long divisor = std::llabs(static_cast<long long>(denominator));
    const long long quotient = (std::llabs(product) + divisor / 2) / divisor;
    return int((product < 0) != (denominator < 0) ? -quotient : quotient);
}

} // namespace

PICTAVO_DEFINE_CLASS(TGraphicsObject, TPersistent, nullptr, nullptr)
PICTAVO_DEFINE_CLASS(TFont, TGraphicsObject, createObjectOf<TFont>, nullptr)
PICTAVO_DEFINE_CLASS(TPen, TGraphicsObject, createObjectOf<TPen>, nullptr)
PICTAVO_DEFINE_CLASS(TBrush, TGraphicsObject, createObjectOf<TBrush>, nullptr)

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

// --- TFont ---

TFont::TFont() = default;

void TFont::CopyFrom(const TPersistent* source)
{
    if (const auto* font = dynamic_cast<const TFont*>(source)) {
        m_name = font->m_name;
        m_height = font->m_height;
        m_color = font->m_color;
        m_style = font->m_style;
        m_pitch = font->m_pitch;
        m_charset = font->m_charset;
        // The height is in the source's pixels; keep it in ours.
        if (font->m_pixelsPerInch != m_pixelsPerInch && m_pixelsPerInch > 0)
            m_height = mulDiv(font->m_height, m_pixelsPerInch, font->m_pixelsPerInch);
        Changed();
        return;
    }
    TGraphicsObject::CopyFrom(source);
}

void TFont::SetName(const std::string& name)
{
    if (name.empty() || name == m_name)
        return;
    m_name = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == m_height)
        return;
    m_height = height;
    Changed();
}

int TFont::Size() const
{
    return -mulDiv(m_height, 72, m_pixelsPerInch);
}

void TFont::SetSize(int points)
{
    SetHeight(-mulDiv(points, m_pixelsPerInch, 72));
}

void TFont::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch)
{
    if (pitch == m_pitch)
        return;
    m_pitch = pitch;
    Changed();
}

void TFont::SetCharset(int charset)
{
    if (charset == m_charset)
        return;
    m_charset = charset;
    Changed();
}

const PropertyTable* TFont::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TFont, int>("Charset", &TFont::Charset, &TFont::SetCharset),
        props::integer<TFont, TColor>("Color", &TFont::Color, &TFont::SetColor),
        props::integer<TFont, int>("Height", &TFont::Height, &TFont::SetHeight),
        props::string<TFont>("Name", &TFont::Name, &TFont::SetName),
        props::enumeration<TFont, TFontPitch>("Pitch", {"fpDefault", "fpVariable", "fpFixed"},
                                              &TFont::Pitch, &TFont::SetPitch),
        props::integer<TFont, int>("Size", &TFont::Size, &TFont::SetSize),
        props::set<TFont, TFontStyles>("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
                                       &TFont::Style, &TFont::SetStyle),
    });
    return &table;
}

// --- TPen ---

void TPen::CopyFrom(const TPersistent* source)
{
    if (const auto* pen = dynamic_cast<const TPen*>(source)) {
        m_color = pen->m_color;
        m_width = pen->m_width;
        m_style = pen->m_style;
        m_mode = pen->m_mode;
        Changed();
        return;
    }
    TGraphicsObject::CopyFrom(source);
}

void TPen::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TPen::SetWidth(int width)
{
    if (width < 0 || width == m_width)
        return;
    m_width = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void TPen::SetMode(TPenMode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    Changed();
}

const PropertyTable* TPen::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TPen, TColor>("Color", &TPen::Color, &TPen::SetColor),
        props::enumeration<TPen, TPenMode>(
            "Mode", {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                     "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
                     "pmNotMask", "pmXor", "pmNotXor"},
            &TPen::Mode, &TPen::SetMode),
        props::enumeration<TPen, TPenStyle>(
            "Style", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"},
            &TPen::Style, &TPen::SetStyle),
        props::integer<TPen, int>("Width", &TPen::Width, &TPen::SetWidth),
    });
    return &table;
}

// --- TBrush ---

void TBrush::CopyFrom(const TPersistent* source)
{
    if (const auto* brush = dynamic_cast<const TBrush*>(source)) {
        m_color = brush->m_color;
        m_style = brush->m_style;
        m_pattern = brush->m_pattern;
        Changed();
        return;
    }
    TGraphicsObject::CopyFrom(source);
}

void TBrush::SetColor(TColor color)
{
    if (color == m_color && m_style != bsClear)
        return;
    m_color = color;
    // A colour makes a clear brush solid again, as assigning a colour to a hollow brush does.
    if (m_style == bsClear)
        m_style = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    Changed();
}

void TBrush::SetPattern(const platform::Section* pattern)
{
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    Changed();
}

const PropertyTable* TBrush::Properties() const
{
    static const PropertyTable table(nullptr, {
        props::integer<TBrush, TColor>("Color", &TBrush::Color, &TBrush::SetColor),
        props::enumeration<TBrush, TBrushStyle>(
            "Style", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                      "bsCross", "bsDiagCross"},
            &TBrush::Style, &TBrush::SetStyle),
    });
    return &table;
}

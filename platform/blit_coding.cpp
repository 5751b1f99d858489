#include "platform/blit_coding.h"

#include "platform/display.h"

namespace platform::detail {

namespace {

// Nearer to white than to black; ties go to black.
std::uint32_t blackOrWhite(Rgb32 c)
{
    const int r = int((c >> 16) & 0xFF), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
    const int toBlack = r * r + g * g + b * b;
    const int toWhite = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
    return toWhite < toBlack ? 1 : 0;
}

Rgb32 plainRgb32(Colour c)
{
    return rgb32Of(colourToRgb(c));
}

// Brush origins may be anything: the difference is taken in 64 bits.
int positiveModulo(std::int64_t value, int modulus)
{
    const std::int64_t r = value % modulus;
    return int(r < 0 ? r + modulus : r);
}

// 8 × 8 hatch patterns, one byte per row, bit 7 the leftmost pixel; 1 marks the hatch line.
// They are the patterns QPainter draws for the same styles, so blits and shape fills agree.
std::array<std::uint8_t, 8> hatchRows(BrushStyle style)
{
    switch (style) {
    case BrushStyle::Horizontal: return {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00};
    case BrushStyle::Vertical: return {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08};
    case BrushStyle::FDiagonal: return {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
    case BrushStyle::BDiagonal: return {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
    case BrushStyle::Cross: return {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08};
    case BrushStyle::DiagCross: return {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    default: return {};
    }
}

} // namespace

DestinationCoder::DestinationCoder(const Section& destination)
    : m_destination(destination),
      m_format(destination.format()),
      m_monochromeDevice(destination.kind() == Section::Kind::MonochromeDevice)
{
    if (m_format.isIndexed() && !m_monochromeDevice && m_format.tableSize() > 0) {
        std::vector<Colour> table;
        for (int i = 0; i < m_format.tableSize(); ++i)
            table.push_back(colourOfRgb32(m_format.lookup()[std::size_t(i)]));
        m_matcher = std::make_unique<ColourMatcher>(table);
    }
}

DestinationCoder::~DestinationCoder() = default;

std::uint32_t DestinationCoder::colourToRaw(Rgb32 colour)
{
    if (m_monochromeDevice)
        return blackOrWhite(colour);
    std::uint32_t raw = 0;
    coloursToRaw(&colour, 1, &raw);
    return raw;
}

void DestinationCoder::coloursToRaw(const Rgb32* colours, int count, std::uint32_t* out)
{
    if (!m_format.isIndexed()) {
        for (int i = 0; i < count; ++i)
            out[i] = m_format.encode(colours[i]);
    } else if (m_matcher) {
        for (int i = 0; i < count; ++i)
            out[i] = std::uint32_t(m_matcher->nearestIndex(colourOfRgb32(colours[i])));
    } else if (m_monochromeDevice) {
        for (int i = 0; i < count; ++i)
            out[i] = blackOrWhite(colours[i]);
    } else {
        std::fill_n(out, count, 0u);  // a palettised section without colour table
    }
}

SourceConverter::SourceConverter(const Section& source, DestinationCoder& coder, const BlitParams& params)
    : m_source(source),
      m_format(source.format()),
      m_coder(coder),
      m_indexed(m_format.isIndexed()),
      m_toMonochrome(coder.isMonochromeDevice())
{
    const bool monochromeSource = source.kind() == Section::Kind::MonochromeDevice;
    const Rgb32 background = plainRgb32(params.sourceBackground);
    if (m_indexed) {
        m_colours = m_format.lookup();
        if (monochromeSource) {
            m_colours[0] = plainRgb32(params.textColour);
            m_colours[1] = plainRgb32(params.backgroundColour);
        }
        const int entries = 1 << m_format.bitCount();
        if (m_toMonochrome && monochromeSource) {
            for (int i = 0; i < entries; ++i)
                m_lookup[std::size_t(i)] = std::uint32_t(i);
        } else if (m_toMonochrome) {
            // The background as this source stores it: its nearest colour-table entry.
            std::vector<Colour> table;
            for (int i = 0; i < m_format.tableSize(); ++i)
                table.push_back(colourOfRgb32(m_colours[std::size_t(i)]));
            m_key = table.empty() ? 0 : rgb32Of(table[std::size_t(nearestColourIndex(table, colourOfRgb32(background)))]);
            for (int i = 0; i < entries; ++i)
                m_lookup[std::size_t(i)] = m_colours[std::size_t(i)] == m_key ? 1 : 0;
        } else {
            m_coder.coloursToRaw(m_colours.data(), entries, m_lookup.data());
        }
    } else {
        m_key = m_format.decode(m_format.encode(background));
    }
}

void SourceConverter::gather(int y, const int* columns, int count, std::uint32_t* out)
{
    const std::uint8_t* row = m_source.row(y);
    gatherRaw(row, m_format.bitCount(), columns, count, out);
    if (m_indexed) {
        for (int i = 0; i < count; ++i)
            out[i] = m_lookup[out[i] & 0xFF];
        return;
    }
    m_format.decodeRow(out, count, out);
    coloursToRaw(out, count, out);
}

void SourceConverter::decodeColours(int y, int x, int count, Rgb32* out)
{
    readRawRow(m_source.row(y), m_format.bitCount(), x, count, out);
    if (m_indexed) {
        for (int i = 0; i < count; ++i)
            out[i] = m_colours[out[i] & 0xFF];
        return;
    }
    m_format.decodeRow(out, count, out);
}

void SourceConverter::coloursToRaw(const Rgb32* colours, int count, std::uint32_t* out)
{
    if (m_toMonochrome) {
        for (int i = 0; i < count; ++i)
            out[i] = colours[i] == m_key ? 1 : 0;
        return;
    }
    m_coder.coloursToRaw(colours, count, out);
}

PatternSource::PatternSource(const BlitParams& params, DestinationCoder& coder) : m_origin(params.brushOrigin)
{
    const BrushSpec& brush = params.brush;
    if (brush.pattern) {
        const Section& pattern = *brush.pattern;
        const bool monochromePattern = pattern.kind() == Section::Kind::MonochromeDevice;
        m_kind = Kind::Tile;
        m_width = pattern.width();
        m_height = pattern.height();
        m_tile.resize(std::size_t(m_width) * std::size_t(m_height));
        const std::uint32_t text = coder.colourToRaw(plainRgb32(params.textColour));
        const std::uint32_t back = coder.colourToRaw(plainRgb32(params.backgroundColour));
        std::vector<std::uint32_t> raw(static_cast<std::size_t>(m_width));
        for (int y = 0; y < m_height; ++y) {
            std::uint32_t* out = m_tile.data() + std::size_t(y) * std::size_t(m_width);
            readRawRow(pattern.row(y), pattern.bitCount(), 0, m_width, raw.data());
            for (int x = 0; x < m_width; ++x) {
                if (monochromePattern)
                    out[x] = coder.isMonochromeDevice() ? raw[std::size_t(x)] : (raw[std::size_t(x)] ? back : text);
                else
                    out[x] = coder.colourToRaw(pattern.format().decode(raw[std::size_t(x)]));
            }
        }
        return;
    }
    switch (brush.style) {
    case BrushStyle::Clear:
        return;
    case BrushStyle::Solid:
        m_kind = Kind::Solid;
        m_solid = coder.colourToRaw(plainRgb32(brush.colour));
        return;
    default:
        break;
    }
    // Hatches: lines in the brush colour; the gaps take the background colour in opaque
    // background mode and are left alone in transparent mode.
    m_kind = Kind::Tile;
    m_width = m_height = 8;
    const auto rows = hatchRows(brush.style);
    const std::uint32_t line = coder.colourToRaw(plainRgb32(brush.colour));
    const std::uint32_t gap = coder.colourToRaw(plainRgb32(params.backgroundColour));
    const bool transparent = params.backgroundMode == BackgroundMode::Transparent;
    m_tile.resize(64);
    if (transparent)
        m_gaps.resize(64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool on = rows[std::size_t(y)] & (0x80 >> x);
            m_tile[std::size_t(y * 8 + x)] = on ? line : gap;
            if (transparent)
                m_gaps[std::size_t(y * 8 + x)] = on ? 0 : 1;
        }
}

void PatternSource::row(int y, int x, int count, std::uint32_t* out, std::uint8_t* gaps) const
{
    if (m_kind == Kind::Solid) {
        std::fill_n(out, count, m_solid);
        return;
    }
    if (m_kind != Kind::Tile)
        return;
    const int ty = positiveModulo(std::int64_t(y) - m_origin.y, m_height);
    const std::uint32_t* tileRow = m_tile.data() + std::size_t(ty) * std::size_t(m_width);
    const std::uint8_t* gapRow = m_gaps.empty() ? nullptr : m_gaps.data() + std::size_t(ty) * std::size_t(m_width);
    int tx = positiveModulo(std::int64_t(x) - m_origin.x, m_width);
    for (int i = 0; i < count; ++i) {
        out[i] = tileRow[tx];
        if (gapRow && gaps)
            gaps[i] = gapRow[tx];
        if (++tx == m_width)
            tx = 0;
    }
}

} // namespace platform::detail

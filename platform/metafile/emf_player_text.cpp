// The player's text records: the text read as its font's character set or symbol set says,
// right-to-left text left to the drawing to shape and order, and the advances applied.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"
#include "platform/metafile/text_encoding.h"

#include <QString>

namespace platform::metafile {

using namespace emf;

namespace {

// Text flags: text to read from right to left; text already in the order it is shown.
constexpr unsigned ETO_RTLREADING = 0x80;
constexpr unsigned ETO_IGNORELANGUAGE = 0x1000;
// Small text: no rectangle in the record; 8-bit characters.
constexpr unsigned ETO_NO_RECT = 0x100;
constexpr unsigned ETO_SMALL_CHARS = 0x200;

// Marks that set the reading order of what follows.
constexpr char16_t leftToRightMark = 0x200E;
constexpr char16_t rightToLeftMark = 0x200F;

// The characters of a text record's string in a font as the metafile describes it.
QString characters(bytes::ByteCursor& in, std::uint32_t count, bool wide, const FontSpec& font,
                   std::vector<std::size_t>* pairs = nullptr)
{
    if (!wide)
        return fontText(in.span(count), font.family, font.charset, pairs);
    std::u16string units(count, u'\0');
    for (char16_t& c : units)
        c = in.u16();
    return fontText(units, font.family, pairs);
}

} // namespace

bool Player::textRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    switch (type) {
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: return text(data, 36, type == EMR_EXTTEXTOUTW);
    case EMR_SMALLTEXTOUT: return smallText(data);
    default: break;
    }
    bytes::ByteCursor in(data, 36);
    const std::uint32_t strings = in.u32();
    if (!in.ok() || std::uint64_t(strings) * 40 > in.remaining())
        return false;
    for (std::uint32_t i = 0; i < strings; ++i)
        if (!text(data, 40 + std::size_t(i) * 40, type == EMR_POLYTEXTOUTW))
            return false;
    return true;
}

bool Player::text(std::span<const std::uint8_t> data, std::size_t at, bool wide)
{
    // The text block: reference point, character count, string offset, options, rectangle,
    // advances offset. Offsets count from the record's start.
    bytes::ByteCursor in(data, at);
    const int x = in.i32(), y = in.i32();
    const std::uint32_t chars = in.u32();
    const std::uint32_t offString = in.u32();
    const std::uint32_t options = in.u32();
    const Rect rect{in.i32(), in.i32(), in.i32(), in.i32()};
    const std::uint32_t offDx = in.u32();
    if (!in.ok())
        return false;
    const std::size_t unit = wide ? 2 : 1;
    if (offString > data.size() || chars > (data.size() - offString) / unit)
        return false;
    bytes::ByteCursor s(data, offString);
    std::vector<std::size_t> pairs;
    const QString string = characters(s, chars, wide, m_state.font, &pairs);
    // An advance for each code; a character drawn as two UTF-16 units takes it on its first.
    // 8-bit text has one for each byte, which is one for each character in single-byte code
    // pages; where bytes and characters differ in number the advances are not used.
    std::vector<int> dx;
    const std::size_t perChar = (options & ETO_PDY) ? 2 : 1;
    if (offDx != 0 && offDx <= data.size() && std::size_t(chars) * perChar <= (data.size() - offDx) / 4
        && std::size_t(string.size()) == chars + pairs.size()) {
        bytes::ByteCursor d(data, offDx);
        auto pair = pairs.begin();
        for (std::uint32_t i = 0; i < chars; ++i) {
            for (std::size_t k = 0; k < perChar; ++k)
                dx.push_back(d.i32());
            if (pair != pairs.end() && *pair == i) {
                dx.insert(dx.end(), perChar, 0);
                ++pair;
            }
        }
    }
    const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) && rect.right > rect.left && rect.bottom > rect.top;
    drawText({x, y}, options, hasRect ? &rect : nullptr, string, std::move(dx));
    return true;
}

bool Player::smallText(std::span<const std::uint8_t> data)
{
    // Reference point, character count, options, graphics mode, scales, the rectangle unless
    // the options leave it out, then the characters (8 or 16 bits each), without advances.
    bytes::ByteCursor in(data, 8);
    const int x = in.i32(), y = in.i32();
    const std::uint32_t chars = in.u32();
    const std::uint32_t options = in.u32();
    in.skip(12);
    Rect rect;
    if (!(options & ETO_NO_RECT))
        rect = {in.i32(), in.i32(), in.i32(), in.i32()};
    const bool wide = !(options & ETO_SMALL_CHARS);
    if (!in.ok() || chars > in.remaining() / (wide ? 2 : 1))
        return false;
    const QString string = characters(in, chars, wide, m_state.font);
    const bool hasRect = !(options & ETO_NO_RECT) && (options & (ETO_OPAQUE | ETO_CLIPPED)) && rect.right > rect.left
                         && rect.bottom > rect.top;
    drawText({x, y}, options & ~(ETO_NO_RECT | ETO_SMALL_CHARS), hasRect ? &rect : nullptr, string, {});
    return true;
}

void Player::drawText(Point at, unsigned options, const Rect* rect, QString string, std::vector<int> dx)
{
    if (options & ETO_GLYPH_INDEX) {
        // Glyph indexes belong to the font the file was made with: only the rectangle is kept.
        string.clear();
        dx.clear();
    } else if (!(options & ETO_IGNORELANGUAGE) && hasRightToLeftLetters(string.toStdU16String())) {
        // Text in reading order: the drawing shapes it and lays it out as a whole (the advances
        // belong to each character in reading order, not to the glyphs shown). The reading
        // order of the line is right to left when the flags ask for it in a right-to-left font.
        const bool rightToLeft = ((options & ETO_RTLREADING) || m_state.rtlReading) && isRightToLeft(m_state.font.charset);
        string.prepend(QChar(rightToLeft ? rightToLeftMark : leftToRightMark));
        dx.clear();
    }
    const QByteArray utf8 = string.toUtf8();
    m_dc.extTextOut(at, options & ~(ETO_RTLREADING | ETO_IGNORELANGUAGE), rect,
                    std::string(utf8.constData(), std::size_t(utf8.size())), dx);
}

} // namespace platform::metafile

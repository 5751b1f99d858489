// Writing an icon file from a platform icon: one 16-colour image with its mask.

#include "picture/icon/icon_file.h"

#include "platform/device_context.h"
#include "platform/icon.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <array>

namespace icon_file {

namespace {

constexpr platform::Colour black = 0x000000;
constexpr platform::Colour white = 0xFFFFFF;
// Directory header and one entry.
constexpr std::uint32_t imageOffset = directoryHeaderSize + entrySize;
// The colour image's info header and its 16 colours.
constexpr std::uint32_t headerAndColours = 40 + 16 * 4;

// A bottom-up section of the icon's size at this bit count with this colour table, holding
// `source` mapped into it.
std::unique_ptr<platform::Section> readAs(const platform::Section& source, int bitCount,
                                          std::span<const platform::RgbQuad> colours)
{
    auto section = platform::Section::create(sectionHeader(source.width(), source.height(), bitCount), colours);
    if (!section)
        OutOfResources();
    const auto context = platform::makeSectionContext(*section);
    context->bitBlt({0, 0}, source, {0, 0, source.width(), source.height()}, platform::rop::SrcCopy);
    return section;
}

class Writer {
public:
    void u8(std::uint32_t v) { m_bytes.push_back(std::uint8_t(v)); }
    void u16(std::uint32_t v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void raw(const std::uint8_t* data, std::size_t count) { m_bytes.insert(m_bytes.end(), data, data + count); }
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace

std::vector<std::uint8_t> writeIcon(const platform::Icon& icon)
{
    // Pixels blended with an alpha channel keep colours under their see-through parts; those
    // must be black in an image drawn through its mask, or they would invert the background.
    std::unique_ptr<platform::Section> blackedOut;
    const platform::Section* colourSource = &icon.colour();
    if (icon.hasAlpha()) {
        blackedOut = icon.colour().clone();
        if (!blackedOut)
            OutOfResources();
        const auto context = platform::makeSectionContext(*blackedOut);
        context->setTextColour(white);
        context->setBackgroundColour(black);
        context->bitBlt({0, 0}, icon.mask(), {0, 0, icon.width(), icon.height()}, platform::rop::SrcAnd);
        colourSource = blackedOut.get();
    }

    std::array<platform::RgbQuad, 16> standard;
    const auto& entries = platform::standardPalette16().entries();
    for (std::size_t i = 0; i < standard.size() && i < entries.size(); ++i)
        standard[i] = {entries[i].blue, entries[i].green, entries[i].red, 0};
    const std::array<platform::RgbQuad, 2> blackWhite{platform::quadOf(black), platform::quadOf(white)};
    const auto colour = readAs(*colourSource, 4, standard);
    const auto mask = readAs(icon.mask(), 1, blackWhite);

    const int width = colour->width();
    const int height = colour->height();
    const std::size_t colourBytes = colour->imageSize();
    const std::size_t maskBytes = mask->imageSize();
    Writer out;
    out.u16(0);  // reserved
    out.u16(typeIcon);
    out.u16(1);  // one entry
    out.u8(std::uint32_t(width) & 0xFF);
    out.u8(std::uint32_t(height) & 0xFF);
    out.u8(16);  // colour count
    out.u8(0);   // reserved
    out.u16(0);  // planes
    out.u16(0);  // bit count
    out.u32(std::uint32_t(headerAndColours + colourBytes + maskBytes));
    out.u32(imageOffset);
    // The colour image's header, its height counting the mask rows too.
    out.u32(40);
    out.u32(std::uint32_t(width));
    out.u32(std::uint32_t(height) * 2);
    out.u16(1);  // planes
    out.u16(4);  // bit count
    out.u32(platform::BI_RGB);
    out.u32(std::uint32_t(colourBytes));
    out.u32(0);  // pixels per metre, horizontally
    out.u32(0);  // and vertically
    out.u32(0);  // colours used
    out.u32(0);  // colours important
    for (const platform::RgbQuad& quad : standard) {
        out.u8(quad.blue);
        out.u8(quad.green);
        out.u8(quad.red);
        out.u8(0);
    }
    out.raw(colour->bits(), colourBytes);
    out.raw(mask->bits(), maskBytes);
    return out.take();
}

} // namespace icon_file

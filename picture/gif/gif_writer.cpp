// Writing a GIF file: the screen descriptor and global table, each frame's extensions,
// descriptor, local table and kept compressed data, the image comment and the trailer.

#include "picture/gif/gif_writer.h"

#include "framework/exceptions.h"
#include "picture/gif/gif_errors.h"
#include "picture/gif/gif_image.h"

#include <algorithm>

namespace {

// The fewest bits b with 2^b entries not below the count (at least 1).
int bitsFor(int count)
{
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

std::uint32_t clampToWord(std::int64_t value)
{
    return std::uint32_t(std::clamp<std::int64_t>(value, 0, 0xFFFF));
}

} // namespace

void GifWriter::word(std::uint32_t value)
{
    byte(std::uint8_t(value));
    byte(std::uint8_t(value >> 8));
}

void GifWriter::table(const std::uint8_t* entries, int count, int bits)
{
    // A table holds 2^bits entries; any the count does not fill are black.
    m_out.insert(m_out.end(), entries, entries + count * 3);
    m_out.insert(m_out.end(), std::size_t((1 << bits) - count) * 3, 0);
}

void GifWriter::subBlocks(const std::vector<std::string>& strings)
{
    // Each string fills as many sub-blocks as it needs; empty strings write nothing.
    for (const std::string& text : strings)
        for (std::size_t at = 0; at < text.size(); at += 255) {
            const std::size_t length = std::min<std::size_t>(255, text.size() - at);
            byte(std::uint8_t(length));
            m_out.insert(m_out.end(), text.begin() + std::ptrdiff_t(at), text.begin() + std::ptrdiff_t(at + length));
        }
    byte(0);
}

void GifWriter::compressedData(const std::vector<std::uint8_t>& data)
{
    m_out.insert(m_out.end(), data.begin(), data.end());
    // Data that the end of its file cut off lacks the zero length byte that ends it (and
    // perhaps part of its last sub-block); the file written here has them, so that the blocks
    // after it are read as blocks.
    std::size_t at = 1;
    while (at < data.size()) {
        if (data[at] == 0)
            return;
        at += 1 + std::size_t(data[at]);
    }
    m_out.insert(m_out.end(), at - std::min(at, data.size()), 0);
    byte(0);
}

std::vector<std::uint8_t> GifWriter::write()
{
    TGIFImage& image = m_image;
    if (image.m_frames.empty())
        throw EInvalidGraphicOperation(gif::gifMessages::noDataToWrite);
    for (const auto& frame : image.m_frames) {
        frame->prepareForSaving();
        if (!frame->m_extensions.empty())
            image.m_version = gv89a;
    }
    const TGIFData& screen = *image.m_screen;
    if (!screen.Comment.empty())
        image.m_version = gv89a;
    if (image.m_version == gvNone)
        image.m_version = gv87a;

    m_out.clear();
    for (const char c : std::string(image.m_version == gv89a ? "GIF89a" : "GIF87a"))
        byte(std::uint8_t(c));

    std::int64_t width = 0;
    std::int64_t height = 0;
    for (const auto& frame : image.m_frames) {
        width = std::max<std::int64_t>(width, std::int64_t(frame->m_left) + frame->m_data->Width);
        height = std::max<std::int64_t>(height, std::int64_t(frame->m_top) + frame->m_data->Height);
    }
    word(clampToWord(width));
    word(clampToWord(height));

    const TGIFColorTable& global = screen.GlobalTable;
    const int globalBits = bitsFor(global.Count);
    if (global.Count == 0)
        byte(0);
    else
        byte(std::uint8_t(0x80 | ((globalBits - 1) << 4) | (globalBits - 1)));
    int background = 0;
    if (image.m_backgroundColor != clNone)
        for (int i = 0; i < global.Count; ++i)
            if (global.Color(i) == image.m_backgroundColor) {
                background = i;
                break;
            }
    byte(std::uint8_t(background));
    byte(screen.AspectRatio);
    if (global.Count != 0)
        table(global.Entries.data(), global.Count, globalBits);

    for (const auto& frame : image.m_frames) {
        for (const TExtension& extension : frame->m_extensions) {
            byte(0x21);
            byte(TExtension::Label(extension.Kind));
            m_out.insert(m_out.end(), extension.Fixed.begin(), extension.Fixed.end());
            if (extension.Kind != TExtensionKind::GraphicControl)
                subBlocks(extension.Data);
        }
        const TGIFItem& item = *frame->m_data;
        const bool local = frame->m_localTable && item.ColorTable.Count > 0;
        const int localBits = bitsFor(item.ColorTable.Count);
        byte(0x2C);
        word(clampToWord(frame->m_left));
        word(clampToWord(frame->m_top));
        word(clampToWord(item.Width));
        word(clampToWord(item.Height));
        byte(std::uint8_t((local ? 0x80 | (localBits - 1) : 0) | (frame->m_interlaced ? 0x40 : 0)));
        if (local)
            table(item.ColorTable.Entries.data(), item.ColorTable.Count, localBits);
        compressedData(item.CompressedData);
    }

    if (!screen.Comment.empty()) {
        byte(0x21);
        byte(TExtension::Label(TExtensionKind::Comment));
        subBlocks(screen.Comment);
    }
    byte(0x3B);
    return std::move(m_out);
}

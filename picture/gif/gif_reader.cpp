// Reading the block structure of a GIF file into an image: the screen descriptor and global
// table, then extensions and frames until the trailer. Frames keep their compressed data as the
// file has it; decoding is left to the frames.

#include "picture/gif/gif_reader.h"

#include "framework/exceptions.h"
#include "picture/byte_reader.h"
#include "picture/gif/gif_errors.h"
#include "picture/gif/gif_image.h"
#include "platform/ascii_text.h"

#include <algorithm>

namespace {

constexpr std::uint8_t extensionIntroducer = 0x21;
constexpr std::uint8_t imageSeparator = 0x2C;
constexpr std::uint8_t trailer = 0x3B;

constexpr std::uint8_t labelGraphicControl = 0xF9;
constexpr std::uint8_t labelPlainText = 0x01;
constexpr std::uint8_t labelApplication = 0xFF;
constexpr std::uint8_t labelComment = 0xFE;

bool sameLetters(std::span<const std::uint8_t> bytes, std::string_view text)
{
    return platform::sameTextIgnoringAsciiCase({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, text);
}

} // namespace

GifReader::GifReader(TGIFImage& image, std::span<const std::uint8_t> data) : m_image(image), m_data(data) {}

std::span<const std::uint8_t> GifReader::take(std::size_t count)
{
    if (count > m_data.size() - m_pos)
        throw EReadError(gif::gifMessages::streamReadError);
    const std::span<const std::uint8_t> bytes = m_data.subspan(m_pos, count);
    m_pos += count;
    return bytes;
}

std::span<const std::uint8_t> GifReader::takeWhatIsThere(std::size_t count)
{
    return take(std::min(count, m_data.size() - m_pos));
}

std::uint8_t GifReader::byte()
{
    return take(1)[0];
}

void GifReader::read()
{
    if (m_data.empty())
        return;

    // The signature and version are compared without regard to case.
    const std::span<const std::uint8_t> signature = takeWhatIsThere(3);
    if (signature.size() != 3 || !sameLetters(signature, "GIF"))
        throw EInvalidGraphicOperation(gif::gifMessages::unknownVersion);
    const std::span<const std::uint8_t> version = takeWhatIsThere(3);
    if (version.size() == 3 && sameLetters(version, "87a"))
        m_image.m_version = gv87a;
    else if (version.size() == 3 && sameLetters(version, "89a"))
        m_image.m_version = gv89a;
    else
        throw EInvalidGraphicOperation(gif::gifMessages::unknownVersion);

    readScreen();

    std::uint8_t introducer = remains() ? byte() : 0;
    while (introducer != 0 && introducer != trailer && remains()) {
        std::vector<TExtension> collected;
        while (introducer == extensionIntroducer) {
            TExtension extension = readExtension();
            // Plain text is drawn over the next image; without it, the blocks meant for that
            // image go too.
            if (extension.Kind == TExtensionKind::PlainText)
                collected.clear();
            else if (extension.Kind != TExtensionKind::Application)
                collected.push_back(std::move(extension));
            introducer = remains() ? byte() : trailer;
        }
        if (introducer == imageSeparator) {
            auto frame = std::make_unique<TGIFFrame>(&m_image);
            frame->m_extensions = std::move(collected);
            readFrame(*frame);
            m_image.m_frames.push_back(std::move(frame));
            introducer = trailer;
            while (remains()) {
                introducer = byte();
                if (introducer != 0)
                    break;
            }
            if (introducer != extensionIntroducer && introducer != imageSeparator && introducer != trailer)
                throw EInvalidGraphicOperation(gif::gifMessages::encodedDataCorrupt);
        } else if (m_image.m_screen->Comment.empty() && !collected.empty()) {
            // Blocks after the last image: their comments are the image's comment.
            for (const TExtension& extension : collected)
                if (extension.Kind == TExtensionKind::Comment)
                    m_image.ownScreen().Comment = extension.Data;
        } else if (introducer != 0 && introducer != trailer) {
            throw EInvalidGraphicOperation(gif::gifMessages::streamReadError);
        }
    }
}

void GifReader::readScreen()
{
    // A screen descriptor or global table cut short reads as zeros.
    std::array<std::uint8_t, 7> screen{};
    const std::span<const std::uint8_t> there = takeWhatIsThere(screen.size());
    std::copy(there.begin(), there.end(), screen.begin());
    const std::uint8_t flags = screen[4];

    TGIFData& data = m_image.ownScreen();
    m_image.m_screenWidth = bytes::loadU16(&screen[0]);
    m_image.m_screenHeight = bytes::loadU16(&screen[2]);
    data.TableBits = std::uint8_t((flags & 7) + 1);
    data.ColorResolution = std::uint8_t(((flags >> 4) & 7) + 1);
    data.AspectRatio = screen[6];
    if (flags & 0x80) {
        data.GlobalTable.Count = 1 << data.TableBits;
        const std::span<const std::uint8_t> table = takeWhatIsThere(std::size_t(data.GlobalTable.Count) * 3);
        std::copy(table.begin(), table.end(), data.GlobalTable.Entries.begin());
        const std::uint8_t background = screen[5];
        if (background < data.GlobalTable.Count)
            m_image.m_backgroundColor = data.GlobalTable.Color(background);
    }
}

TExtension GifReader::readExtension()
{
    TExtension extension;
    const std::uint8_t label = byte();
    switch (label) {
    case labelGraphicControl:
        extension.Kind = TExtensionKind::GraphicControl;
        extension.Fixed = fixedBytes(6);
        break;
    case labelComment:
        extension.Kind = TExtensionKind::Comment;
        extension.Data = subBlocks();
        break;
    case labelPlainText:
        extension.Kind = TExtensionKind::PlainText;
        extension.Fixed = fixedBytes(13);
        extension.Data = subBlocks();
        break;
    case labelApplication:
        extension.Kind = TExtensionKind::Application;
        extension.Fixed = fixedBytes(12);
        extension.Data = subBlocks();
        break;
    default:
        throw EInvalidGraphicOperation(gif::gifMessages::unrecognizedExtension, {static_cast<long long>(label)});
    }
    return extension;
}

std::vector<std::uint8_t> GifReader::fixedBytes(std::size_t count)
{
    const std::span<const std::uint8_t> bytes = take(count);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> GifReader::subBlocks()
{
    std::vector<std::string> strings;
    while (remains()) {
        const std::uint8_t length = byte();
        if (length == 0)
            break;
        const std::span<const std::uint8_t> block = take(length);
        strings.emplace_back(block.begin(), block.end());
    }
    return strings;
}

void GifReader::readFrame(TGIFFrame& frame)
{
    const std::span<const std::uint8_t> descriptor = take(9);
    const std::uint8_t flags = descriptor[8];
    const TGIFData& screen = *m_image.m_screen;
    TGIFItem& item = frame.ownData();
    item.Width = bytes::loadU16(&descriptor[4]);
    item.Height = bytes::loadU16(&descriptor[6]);
    item.DescriptorFlags = flags;
    frame.m_left = bytes::loadU16(&descriptor[0]);
    frame.m_top = bytes::loadU16(&descriptor[2]);
    frame.m_interlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
        item.BitsPerPixel = std::uint8_t((flags & 7) + 1);
        item.ColorTable.Count = 1 << item.BitsPerPixel;
        const std::span<const std::uint8_t> table = take(std::size_t(item.ColorTable.Count) * 3);
        std::copy(table.begin(), table.end(), item.ColorTable.Entries.begin());
        frame.m_localTable = true;
    } else {
        item.BitsPerPixel = screen.GlobalTable.Count != 0 ? screen.TableBits : 0;
        item.ColorTable = screen.GlobalTable;
    }

    // The data as stored: the minimum code size and every sub-block with its length byte, up to
    // the zero length byte or the end of the file.
    const std::size_t start = m_pos;
    byte();
    while (remains()) {
        const std::uint8_t length = byte();
        if (length == 0)
            break;
        take(length);
    }
    item.CompressedData.assign(m_data.begin() + std::ptrdiff_t(start), m_data.begin() + std::ptrdiff_t(m_pos));

    for (const TExtension& extension : frame.m_extensions) {
        if (extension.Kind != TExtensionKind::GraphicControl)
            continue;
        const std::uint8_t controlFlags = extension.Fixed[1];
        const std::uint8_t index = extension.Fixed[4];
        if (!(controlFlags & 1))
            frame.m_transparentColor = clNone;
        else if (index < item.ColorTable.Count)
            frame.m_transparentColor = item.ColorTable.Color(index);
        frame.m_delay = std::max<std::uint32_t>(frame.m_delay, 10u * bytes::loadU16(&extension.Fixed[2]));
        frame.m_disposal = std::uint8_t((controlFlags >> 2) & 7);
    }
}

#include "platform/section.h"

#include "platform/display.h"
#include "platform/palette.h"
#include "platform/pixel_format.h"

#include <QImage>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t memoryAlignment = 64;
// Blocks from this size on are mapped: the kernel hands them out zeroed.
constexpr std::size_t mappedThreshold = std::size_t(1) << 20;
// The size of the kernel's huge pages. Mapped blocks start on such a boundary and ask to be
// backed by huge pages, which the kernel zeroes far faster than the same bytes in 4 KiB pages.
constexpr std::size_t hugePage = std::size_t(2) << 20;
// Blocks up to this size are made whole at once; larger ones (the very largest pictures) take
// memory only as their rows are written.
constexpr std::size_t populateLimit = std::size_t(256) << 20;

// The inaccessible page after every mapped block: one page of the kernel's.
std::size_t guardBytes()
{
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    return page;
}

std::size_t roundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

constexpr std::array<std::uint32_t, 3> masks555{0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> masks565{0xF800, 0x07E0, 0x001F};
constexpr std::array<std::uint32_t, 3> masks888{0xFF0000, 0x00FF00, 0x0000FF};

bool validBitCount(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// One freed block of huge pages, kept for the next section that fits it. A viewer makes each
// new picture while the one before still lives and frees that one afterwards; the picture after
// the next then takes its memory instead of pages the kernel would have to zero first.
class ParkedBlock {
public:
    // Parks a block, unmapping the one parked before; false when it is not worth keeping.
    bool park(std::uint8_t* data, std::size_t length)
    {
        if (length < hugePage || length > populateLimit)
            return false;
        std::lock_guard lock(m_mutex);
        if (m_data)
            munmap(m_data, m_length + guardBytes());
        m_data = data;
        m_length = length;
        return true;
    }

    // The parked block when it has `length` bytes, or not much more; null otherwise.
    std::uint8_t* take(std::size_t length, std::size_t& taken)
    {
        std::lock_guard lock(m_mutex);
        if (!m_data || m_length < length || m_length - length > length / 4)
            return nullptr;
        taken = m_length;
        return std::exchange(m_data, nullptr);
    }

private:
    std::mutex m_mutex;
    std::uint8_t* m_data = nullptr;
    std::size_t m_length = 0;
};

ParkedBlock& parkedBlock()
{
    // Never destroyed: sections freed during shutdown may still park their memory.
    static ParkedBlock& block = *new ParkedBlock;
    return block;
}

} // namespace

std::unique_ptr<Section::Memory> Section::Memory::allocate(std::size_t bytes, bool zeroed)
{
    // A mapped block's pixels end where its guard page starts, at 64-byte alignment.
    const auto mappedPixels = [bytes](std::uint8_t* block, std::size_t length) {
        return block + length - roundUp(bytes, memoryAlignment);
    };
    if (bytes >= hugePage) {
        std::size_t taken = 0;
        if (std::uint8_t* block = parkedBlock().take(roundUp(bytes, hugePage), taken)) {
            std::uint8_t* const pixels = mappedPixels(block, taken);
            if (zeroed)
                std::memset(pixels, 0, bytes);
            return std::unique_ptr<Memory>(new Memory(pixels, block, taken, /*mapped=*/true));
        }
    }
    if (bytes >= mappedThreshold) {
        // Blocks of a huge page or more take a whole number of them on a huge-page boundary:
        // the mapping is made one huge page larger and trimmed at both ends. Every mapped block
        // is followed by an inaccessible page, so that running past the pixels faults at once.
        const bool huge = bytes >= hugePage;
        const std::size_t guard = guardBytes();
        const std::size_t length = roundUp(bytes, huge ? hugePage : guard);
        const std::size_t slack = huge ? hugePage : 0;
        const std::size_t mappedLength = length + guard + slack;
        void* mapped = mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            return nullptr;
        auto* const start = static_cast<std::uint8_t*>(mapped);
        std::uint8_t* block = start;
        if (huge) {
            block = reinterpret_cast<std::uint8_t*>(roundUp(reinterpret_cast<std::uintptr_t>(start), hugePage));
            if (block > start)
                munmap(start, std::size_t(block - start));
            std::uint8_t* const end = block + length + guard;
            if (start + mappedLength > end)
                munmap(end, std::size_t(start + mappedLength - end));
            madvise(block, length, MADV_HUGEPAGE);
        }
        if (mprotect(block + length, guard, PROT_NONE) != 0) {
            munmap(block, length + guard);
            return nullptr;
        }
        // Nearly every section has all its rows written at once (a file read, a decode, a
        // conversion): its pages are made in one call instead of one fault at a time. Both
        // requests are hints; a kernel without them hands out pages as they are touched.
        if (length <= populateLimit)
            madvise(block, length, MADV_POPULATE_WRITE);
        return std::unique_ptr<Memory>(new Memory(mappedPixels(block, length), block, length, /*mapped=*/true));
    }
    const std::size_t rounded = (bytes + memoryAlignment - 1) / memoryAlignment * memoryAlignment;
    void* block = std::aligned_alloc(memoryAlignment, rounded);
    if (!block)
        return nullptr;
    std::memset(block, 0, rounded);
    auto* const data = static_cast<std::uint8_t*>(block);
    return std::unique_ptr<Memory>(new Memory(data, data, bytes, /*mapped=*/false));
}

Section::Memory::~Memory()
{
    if (!m_mapped)
        std::free(m_block);
    else if (!parkedBlock().park(m_block, m_bytes))
        munmap(m_block, m_bytes + guardBytes());
}

Section::Section(Kind kind, const BitmapInfoHeader& header) : m_kind(kind), m_header(header) {}

Section::~Section() = default;

std::unique_ptr<Section> Section::make(Kind kind, const BitmapInfoHeader& header,
                                       std::span<const RgbQuad> colours,
                                       const std::array<std::uint32_t, 3>* masks, bool zeroed)
{
    const int bits = header.biBitCount;
    if (!validBitCount(bits))
        return nullptr;
    if (header.biCompression != BI_RGB
        && !(header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        return nullptr;
    if (header.biWidth <= 0 || header.biHeight == 0)
        return nullptr;
    // 64-bit arithmetic throughout: width and height may each be near 2^31.
    const std::int64_t rows = header.biHeight < 0 ? -std::int64_t(header.biHeight) : header.biHeight;
    const std::int64_t stride = sectionStride(header.biWidth, bits);
    if (stride > maxSectionBytes || rows > maxSectionBytes / stride)
        return nullptr;
    const std::int64_t bytes = stride * rows;

    std::unique_ptr<Section> section(new Section(kind, header));
    section->m_memory = Memory::allocate(std::size_t(bytes), zeroed);
    if (!section->m_memory)
        return nullptr;
    section->m_bits = section->m_memory->data();
    section->m_stride = std::ptrdiff_t(stride);
    section->m_bytes = std::size_t(bytes);

    BitmapInfoHeader& h = section->m_header;
    h.biSize = 40;
    h.biPlanes = 1;
    h.biSizeImage = std::uint32_t(bytes);
    if (bits <= 8) {
        const std::size_t limit = std::size_t(1) << bits;
        section->m_colours.assign(colours.begin(), colours.begin() + std::min(colours.size(), limit));
        if (h.biClrUsed > limit)
            h.biClrUsed = std::uint32_t(limit);
    } else if (bits == 24) {
        section->m_masks = masks888;
    } else if (h.biCompression == BI_BITFIELDS) {
        section->m_masks = masks ? *masks : (bits == 16 ? masks565 : masks888);
    } else {
        section->m_masks = bits == 16 ? masks555 : masks888;
    }
    section->updateFormat();
    return section;
}

std::unique_ptr<Section> Section::create(const BitmapInfoHeader& header, std::span<const RgbQuad> colours,
                                         const std::array<std::uint32_t, 3>* masks)
{
    return make(Kind::Section, header, colours, masks, /*zeroed=*/true);
}

std::unique_ptr<Section> Section::createToOverwrite(const BitmapInfoHeader& header,
                                                    std::span<const RgbQuad> colours,
                                                    const std::array<std::uint32_t, 3>* masks)
{
    return make(Kind::Section, header, colours, masks, /*zeroed=*/false);
}

std::unique_ptr<Section> Section::createDisplayCompatible(int width, int height)
{
    if (height <= 0)
        return nullptr;
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return make(Kind::DisplayDevice, header, {}, nullptr, /*zeroed=*/true);
}

std::unique_ptr<Section> Section::createMonochrome(int width, int height)
{
    if (height <= 0)
        return nullptr;
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biBitCount = 1;
    header.biCompression = BI_RGB;
    return make(Kind::MonochromeDevice, header, {}, nullptr, /*zeroed=*/true);
}

std::unique_ptr<Section> Section::clone() const
{
    auto copy = make(m_kind, m_header, m_colours, &m_masks, /*zeroed=*/false);
    if (copy)
        std::memcpy(copy->m_bits, m_bits, m_bytes);
    return copy;
}

void Section::updateFormat()
{
    m_format = std::make_unique<const detail::PixelFormat>(bitCount(), m_masks, m_colours,
                                                           m_kind == Kind::MonochromeDevice);
}

int Section::setColourTable(int first, std::span<const RgbQuad> entries)
{
    if (bitCount() > 8 || m_kind == Kind::MonochromeDevice || first < 0)
        return 0;
    const int limit = 1 << bitCount();
    if (first >= limit)
        return 0;
    const int count = std::min<int>(int(std::min<std::size_t>(entries.size(), std::size_t(limit))), limit - first);
    if (count <= 0)
        return 0;
    if (int(m_colours.size()) < first + count)
        m_colours.resize(std::size_t(first + count));
    std::copy_n(entries.begin(), count, m_colours.begin() + first);
    updateFormat();
    return count;
}

Colour Section::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    return detail::colourOfRgb32(m_format->decode(detail::readRaw(row(y), bitCount(), x)));
}

namespace {

// The raw value that stands for a colour in this section.
std::uint32_t rawValueOf(const Section& section, Colour colour)
{
    const detail::PixelFormat& format = section.format();
    const Colour plain = colourToRgb(colour);
    if (!format.isIndexed())
        return format.encode(detail::rgb32Of(plain));
    if (section.kind() == Section::Kind::MonochromeDevice) {
        const Colour blackWhite[] = {0x000000, 0xFFFFFF};
        return std::uint32_t(nearestColourIndex(blackWhite, plain));
    }
    if (section.colourTable().empty())
        return 0;
    std::vector<Colour> table;
    table.reserve(section.colourTable().size());
    for (const RgbQuad& q : section.colourTable())
        table.push_back(colourOf(q));
    return std::uint32_t(nearestColourIndex(table, plain));
}

} // namespace

void Section::setPixel(int x, int y, Colour colour)
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return;
    detail::writeRaw(row(y), bitCount(), x, rawValueOf(*this, colour));
}

void Section::fill(Colour colour)
{
    const std::uint32_t raw = rawValueOf(*this, colour);
    std::vector<std::uint32_t> line(std::size_t(width()), raw);
    detail::writeRawRow(row(0), bitCount(), 0, width(), line.data());
    for (int y = 1; y < height(); ++y)
        std::memcpy(row(y), row(0), std::size_t(m_stride));
}

namespace {

// Qt's format for the section's pixels, whatever the order of its rows.
QImage::Format rowFormatOf(const Section& section)
{
    const auto& masks = section.masks();
    switch (section.bitCount()) {
    case 32:
        return masks == masks888 ? QImage::Format_RGB32 : QImage::Format_Invalid;
    case 24:
        return QImage::Format_BGR888;
    case 16:
        if (masks == masks555)
            return QImage::Format_RGB555;
        if (masks == masks565)
            return QImage::Format_RGB16;
        return QImage::Format_Invalid;
    default:
        return QImage::Format_Invalid;
    }
}

// Qt's format when the section can be shared as a top-down QImage.
QImage::Format sharedFormatOf(const Section& section)
{
    return section.isTopDown() ? rowFormatOf(section) : QImage::Format_Invalid;
}

} // namespace

QImage Section::toImage() const
{
    const QImage::Format shared = sharedFormatOf(*this);
    if (shared != QImage::Format_Invalid)
        return QImage(static_cast<const uchar*>(m_bits), width(), height(), m_stride, shared);

    QImage image(width(), height(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(width()));
    for (int y = 0; y < height(); ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        detail::readRawRow(row(y), bitCount(), 0, width(), raw.data());
        m_format->decodeRow(raw.data(), width(), out);
        for (int x = 0; x < width(); ++x)
            out[x] |= 0xFF000000;
    }
    return image;
}

QImage Section::storedRows() const
{
    const QImage::Format format = rowFormatOf(*this);
    if (format == QImage::Format_Invalid)
        return {};
    return QImage(static_cast<const uchar*>(m_bits), width(), height(), m_stride, format);
}

QImage Section::sharedImage()
{
    const QImage::Format shared = sharedFormatOf(*this);
    if (shared == QImage::Format_Invalid)
        return {};
    return QImage(static_cast<uchar*>(m_bits), width(), height(), m_stride, shared);
}

} // namespace platform

#pragma once
// Pixel sections: device-independent bitmaps held in memory in the bitmap file's own row layout.
// A "device bitmap" on this platform is a section in the display's format (32 bits, blue-green-red-x,
// no colour table) or a monochrome 1-bit section without colour table; both are marked as device
// bitmaps so storage kinds keep their meaning without a display server.

#include "platform/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QImage;

namespace platform {

namespace detail {
class PixelFormat;
}

// Compression values of the bitmap info header.
enum : std::uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

// The 40-byte info header, field for field.
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;   // positive: rows bottom-up; negative: top-down
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// A colour-table entry in file order.
struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

constexpr RgbQuad quadOf(Colour c) { return {blueOf(c), greenOf(c), redOf(c), 0}; }
constexpr Colour colourOf(RgbQuad q) { return rgb(q.red, q.green, q.blue); }

// Bytes per row: width × bit count rounded up to a multiple of 32 bits.
constexpr std::int64_t sectionStride(std::int64_t width, int bitCount)
{
    return ((width * bitCount + 31) & ~std::int64_t(31)) / 8;
}

// Largest pixel store the platform agrees to make; bigger requests are refused.
constexpr std::int64_t maxSectionBytes = std::int64_t(1) << 30;

class Section {
public:
    enum class Kind {
        Section,          // made from a header: keeps its colour table and masks
        DisplayDevice,    // 32-bit blue-green-red-x, compatible with the display
        MonochromeDevice  // 1-bit, coloured by the text and background colours of the context
    };

    // Makes a section from an info header, colour table and (for bit fields) masks. Returns null
    // when the platform refuses: bit count not 1, 4, 8, 16, 24 or 32; compression other than
    // BI_RGB or BI_BITFIELDS (bit fields only with 16 or 32 bits); zero or negative width; zero
    // height; more than maxSectionBytes of pixels; or memory that cannot be had. Pixels start
    // zeroed. The stored header gets biSize 40, biPlanes 1 and the real biSizeImage.
    // The colour table keeps at most 2^bitCount entries (256 at most); indexes beyond it read as
    // black. Masks default as the bitmap format does (16 bits 5-5-5 for BI_RGB, 32 bits 8-8-8;
    // BI_BITFIELDS without masks: 5-6-5 and 8-8-8). Any mask is accepted: a channel is the bits
    // of its mask from the lowest set bit up to the highest, widened or narrowed to 8 bits.
    static std::unique_ptr<Section> create(const BitmapInfoHeader& header,
                                           std::span<const RgbQuad> colours = {},
                                           const std::array<std::uint32_t, 3>* masks = nullptr);
    // The same, for a caller that writes every byte of the pixels (imageSize()) before anything
    // reads them: they start with whatever the memory held.
    static std::unique_ptr<Section> createToOverwrite(const BitmapInfoHeader& header,
                                                      std::span<const RgbQuad> colours = {},
                                                      const std::array<std::uint32_t, 3>* masks = nullptr);
    // A device bitmap in the display's format, top-down, filled with zero (black).
    static std::unique_ptr<Section> createDisplayCompatible(int width, int height);
    // A monochrome device bitmap, top-down, filled with zero bits.
    static std::unique_ptr<Section> createMonochrome(int width, int height);

    ~Section();
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    std::unique_ptr<Section> clone() const;

    Kind kind() const { return m_kind; }
    bool isDevice() const { return m_kind != Kind::Section; }
    bool isMonochrome() const { return m_header.biBitCount == 1; }

    // The header as created (biSizeImage filled in, biHeight with its sign).
    const BitmapInfoHeader& header() const { return m_header; }
    int width() const { return m_header.biWidth; }
    int height() const { return m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight; }
    bool isTopDown() const { return m_header.biHeight < 0; }
    int bitCount() const { return m_header.biBitCount; }
    std::uint32_t compression() const { return m_header.biCompression; }
    std::ptrdiff_t stride() const { return m_stride; }
    std::size_t imageSize() const { return m_bytes; }

    std::uint8_t* bits() { return m_bits; }
    const std::uint8_t* bits() const { return m_bits; }
    // Row y of the picture (0 is the top row), whatever the memory order.
    std::uint8_t* row(int y) { return m_bits + m_stride * memoryRow(y); }
    const std::uint8_t* row(int y) const { return m_bits + m_stride * memoryRow(y); }

    // Colour table (bit counts up to 8); empty for device bitmaps and deeper sections.
    const std::vector<RgbQuad>& colourTable() const { return m_colours; }
    // Rewrites entries from `first`; returns how many were set (never beyond 2^bitCount).
    int setColourTable(int first, std::span<const RgbQuad> entries);
    // Red, green and blue masks in effect for 16- and 32-bit pixels (24-bit pixels report their
    // fixed 8-8-8 layout; 1 to 8 bits report zeros).
    const std::array<std::uint32_t, 3>& masks() const { return m_masks; }

    // The colour of one pixel, channels widened to 8 bits by bit replication (a 5-bit 31 reads
    // 255). For a monochrome device bitmap, 0 bits read as black and 1 bits as white. Outside
    // the picture: black.
    Colour pixel(int x, int y) const;
    // Writes the nearest representable colour (nearest colour-table entry where there is one;
    // black or white for a monochrome device bitmap). System colours are resolved and flags
    // dropped first. Outside the picture nothing is written.
    void setPixel(int x, int y, Colour colour);
    // Fills the whole picture with the nearest representable colour.
    void fill(Colour colour);

    // The picture as a top-down QImage. It shares the pixels when the rows are top-down and Qt
    // has the same layout (32-bit 8-8-8, 24-bit, 16-bit 5-5-5 and 5-6-5); otherwise it is a
    // converted 32-bit copy. A shared image is read-only (painting on it detaches a copy) and
    // valid only while the section lives.
    QImage toImage() const;
    // A writable QImage over the pixels when they can be shared as above; a null image
    // otherwise. Valid only while the section lives.
    QImage sharedImage();
    // The rows in the order memory holds them (a bottom-up section comes out upside down), as a
    // read-only QImage sharing the pixels when Qt has their layout (as above, whatever the row
    // order); a null image otherwise. Valid only while the section lives.
    QImage storedRows() const;

    // How the pixels are coded, for the drawing code of this folder.
    const detail::PixelFormat& format() const { return *m_format; }

private:
    // Pixel memory aligned for vector loads, zero-filled when asked; large blocks come straight
    // from the kernel, already zeroed, in huge pages where the kernel has them, and (all but the
    // very largest) made whole at once. A freed block of huge pages is kept for the next one of
    // its size. A block from the kernel is followed by an inaccessible page, and its pixels end
    // right before it (give or take the alignment), so that reading or writing past them faults.
    class Memory {
    public:
        static std::unique_ptr<Memory> allocate(std::size_t bytes, bool zeroed);
        ~Memory();
        Memory(const Memory&) = delete;
        Memory& operator=(const Memory&) = delete;
        std::uint8_t* data() const { return m_data; }

    private:
        Memory(std::uint8_t* data, std::uint8_t* block, std::size_t bytes, bool mapped)
            : m_data(data), m_block(block), m_bytes(bytes), m_mapped(mapped) {}
        std::uint8_t* m_data;   // the pixels, inside the block
        std::uint8_t* m_block;  // what was allocated or mapped, without the guard page
        std::size_t m_bytes;    // the block's length
        bool m_mapped;
    };

    Section(Kind kind, const BitmapInfoHeader& header);
    static std::unique_ptr<Section> make(Kind kind, const BitmapInfoHeader& header,
                                         std::span<const RgbQuad> colours,
                                         const std::array<std::uint32_t, 3>* masks, bool zeroed);
    int memoryRow(int y) const { return m_header.biHeight < 0 ? y : height() - 1 - y; }
    void updateFormat();

    Kind m_kind;
    BitmapInfoHeader m_header;
    std::vector<RgbQuad> m_colours;
    std::array<std::uint32_t, 3> m_masks{};
    std::ptrdiff_t m_stride = 0;
    std::size_t m_bytes = 0;
    std::unique_ptr<Memory> m_memory;
    std::uint8_t* m_bits = nullptr;
    std::unique_ptr<const detail::PixelFormat> m_format;
};

} // namespace platform

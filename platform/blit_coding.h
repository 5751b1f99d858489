#pragma once
// Internal to the blit engine: bringing source pixels, brush colours and patterns into a
// destination's raw values (the rules are listed in blit.h).

#include "platform/blit.h"
#include "platform/palette.h"
#include "platform/pixel_format.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::detail {

// Colours into one destination's raw values.
class DestinationCoder {
public:
    explicit DestinationCoder(const Section& destination);
    ~DestinationCoder();

    const Section& destination() const { return m_destination; }
    bool isMonochromeDevice() const { return m_monochromeDevice; }
    // Brush, pen and pattern colours: nearest entry, black or white on a monochrome device.
    std::uint32_t colourToRaw(Rgb32 colour);
    // Picture colours onto a destination that is not a monochrome device.
    void coloursToRaw(const Rgb32* colours, int count, std::uint32_t* out);

private:
    const Section& m_destination;
    const PixelFormat& m_format;
    bool m_monochromeDevice;
    std::unique_ptr<ColourMatcher> m_matcher;  // palettised sections with a colour table
};

// Source pixels into the destination's raw values.
class SourceConverter {
public:
    SourceConverter(const Section& source, DestinationCoder& coder, const BlitParams& params);

    // Pixels of source row `y` at the given columns.
    void gather(int y, const int* columns, int count, std::uint32_t* out);
    // Pixels of source row `y` from column `x` on, as display colours.
    void decodeColours(int y, int x, int count, Rgb32* out);
    // Display colours (averaged picture colours) into raw values.
    void coloursToRaw(const Rgb32* colours, int count, std::uint32_t* out);

private:
    const Section& m_source;
    const PixelFormat& m_format;
    DestinationCoder& m_coder;
    bool m_indexed;                  // source read through m_lookup
    bool m_toMonochrome;             // destination is a monochrome device
    Rgb32 m_key = 0;                 // source background as the source stores it
    std::array<Rgb32, 256> m_colours{};   // index → colour (monochrome devices: text, background)
    std::array<std::uint32_t, 256> m_lookup{};  // index → destination raw value
    std::vector<std::uint32_t> m_raw;
};

// The brush realised for a destination.
class PatternSource {
public:
    PatternSource(const BlitParams& params, DestinationCoder& coder);

    bool isEmpty() const { return m_kind == Kind::None; }
    bool hasGaps() const { return !m_gaps.empty(); }
    // Pattern values for destination row y from column x; `gaps` (when the pattern has them)
    // gets 1 where a transparent hatch leaves the destination alone.
    void row(int y, int x, int count, std::uint32_t* out, std::uint8_t* gaps) const;

private:
    enum class Kind { None, Solid, Tile };
    Kind m_kind = Kind::None;
    std::uint32_t m_solid = 0;
    int m_width = 0;
    int m_height = 0;
    Point m_origin;
    std::vector<std::uint32_t> m_tile;
    std::vector<std::uint8_t> m_gaps;
};

} // namespace platform::detail

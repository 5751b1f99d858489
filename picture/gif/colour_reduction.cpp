#include "picture/gif/colour_reduction.h"

#include "framework/exceptions.h"
#include "platform/device_context.h"
#include "platform/palette.h"
#include "platform/section.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace gif {

namespace {

constexpr std::size_t maxColours = 2049;
constexpr std::uint32_t hashSlots = 5191;
constexpr std::size_t paletteSize = 256;

struct CountedColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint32_t count;
};

// The distinct colours of a picture with their counts, numbered in the order they are first
// met, found by hashing into 5191 slots with linear probing.
class ColourCounter {
public:
    ColourCounter() { m_slots.fill(empty); }

    // The number of the colour, counting it when `count` is set; -1 when the table is full and
    // the colour is new.
    int find(std::uint8_t red, std::uint8_t green, std::uint8_t blue, bool count)
    {
        std::uint32_t slot = std::uint32_t((red + green) * (blue + green) * (red + blue)) % hashSlots;
        while (m_slots[slot] != empty) {
            CountedColour& known = m_colours[m_slots[slot]];
            if (known.red == red && known.green == green && known.blue == blue) {
                known.count += count ? 1 : 0;
                return m_slots[slot];
            }
            slot = slot + 1 == hashSlots ? 0 : slot + 1;
        }
        if (m_colours.size() == maxColours)
            return -1;
        m_slots[slot] = std::uint16_t(m_colours.size());
        m_colours.push_back({red, green, blue, 1});
        return m_slots[slot];
    }
    void countAgain(int number) { ++m_colours[std::size_t(number)].count; }
    const std::vector<CountedColour>& colours() const { return m_colours; }

private:
    static constexpr std::uint16_t empty = 0xFFFF;
    std::array<std::uint16_t, hashSlots> m_slots;
    std::vector<CountedColour> m_colours;
};

struct Masks {
    std::uint8_t red = 0xFF;
    std::uint8_t green = 0xFF;
    std::uint8_t blue = 0xFF;

    // One more low bit dropped from one channel: blue, red, green in turn.
    void narrow()
    {
        if (red < green)
            green = std::uint8_t(green << 1);
        else if (red > blue)
            red = std::uint8_t(red << 1);
        else
            blue = std::uint8_t(blue << 1);
    }
};

// Counts every pixel's masked colour; false when more than maxColours turn up.
bool countColours(const platform::Section& rgb, const Masks& masks, ColourCounter& counter)
{
    for (int y = rgb.height() - 1; y >= 0; --y) {
        const std::uint8_t* p = rgb.row(y);
        std::uint32_t last = 0xFFFFFFFF;
        int lastIndex = -1;
        for (int x = 0; x < rgb.width(); ++x, p += 3) {
            const std::uint8_t blue = p[0] & masks.blue;
            const std::uint8_t green = p[1] & masks.green;
            const std::uint8_t red = p[2] & masks.red;
            const std::uint32_t key = std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
            if (key == last) {
                counter.countAgain(lastIndex);
                continue;
            }
            lastIndex = counter.find(red, green, blue, /*count=*/true);
            if (lastIndex < 0)
                return false;
            last = key;
        }
    }
    return true;
}

} // namespace

IndexedPicture reduceToIndexed(const platform::Section& pixels)
{
    // The pixels as 24-bit rows, bottom-up, whatever their own coding.
    platform::BitmapInfoHeader header;
    header.biSize = 40;
    header.biWidth = pixels.width();
    header.biHeight = pixels.height();
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::unique_ptr<platform::Section> rgb = platform::Section::create(header);
    if (!rgb)
        OutOfResources();
    platform::makeSectionContext(*rgb)->bitBlt({0, 0}, pixels, {0, 0, pixels.width(), pixels.height()},
                                               platform::rop::SrcCopy);

    Masks masks;
    ColourCounter counter;
    while (!countColours(*rgb, masks, counter)) {
        masks.narrow();
        counter = ColourCounter();
    }

    // The most frequent colours make the table, the first met winning among equals.
    const std::vector<CountedColour>& counted = counter.colours();
    std::vector<std::size_t> order(counted.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return counted[a].count > counted[b].count; });
    std::vector<platform::Colour> table(paletteSize, platform::rgb(128, 128, 128));
    std::vector<std::uint8_t> indexOf(counted.size());
    const std::size_t taken = std::min(order.size(), paletteSize);
    for (std::size_t i = 0; i < taken; ++i) {
        const CountedColour& c = counted[order[i]];
        table[i] = platform::rgb(c.red, c.green, c.blue);
        indexOf[order[i]] = std::uint8_t(i);
    }
    for (std::size_t i = taken; i < order.size(); ++i) {
        const CountedColour& c = counted[order[i]];
        indexOf[order[i]] = std::uint8_t(platform::nearestColourIndex(table, platform::rgb(c.red, c.green, c.blue)));
    }

    IndexedPicture picture;
    picture.width = pixels.width();
    picture.height = pixels.height();
    picture.depth = 8;
    for (const platform::Colour c : table)
        picture.colours.push_back(platform::quadOf(c));
    picture.stride = std::ptrdiff_t(platform::sectionStride(picture.width, 8));
    picture.bits.assign(std::size_t(picture.stride) * std::size_t(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = rgb->row(y);
        std::uint8_t* out = picture.bits.data() + picture.stride * (picture.height - 1 - y);
        std::uint32_t last = 0xFFFFFFFF;
        std::uint8_t lastIndex = 0;
        for (int x = 0; x < picture.width; ++x, p += 3) {
            const std::uint8_t blue = p[0] & masks.blue;
            const std::uint8_t green = p[1] & masks.green;
            const std::uint8_t red = p[2] & masks.red;
            const std::uint32_t key = std::uint32_t(red) | (std::uint32_t(green) << 8) | (std::uint32_t(blue) << 16);
            if (key != last) {
                lastIndex = indexOf[std::size_t(counter.find(red, green, blue, /*count=*/false))];
                last = key;
            }
            out[x] = lastIndex;
        }
    }
    return picture;
}

} // namespace gif

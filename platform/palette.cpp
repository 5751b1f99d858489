#include "platform/palette.h"

#include "platform/display.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr std::array<PaletteEntry, 16> standardEntries{{
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0},
    {0x00, 0x00, 0x80, 0}, {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0x80, 0x80, 0x80, 0},
    {0xC0, 0xC0, 0xC0, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0xFF, 0xFF, 0x00, 0},
    {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
}};

int squaredDistance(int r1, int g1, int b1, int r2, int g2, int b2)
{
    const int dr = r1 - r2;
    const int dg = g1 - g2;
    const int db = b1 - b2;
    return dr * dr + dg * dg + db * db;
}

constexpr int cacheSlots = 4096;

int cacheSlotOf(std::uint32_t key)
{
    return int((key * 2654435761u) >> 20) & (cacheSlots - 1);
}

} // namespace

Palette::Palette(std::vector<PaletteEntry> entries) : m_entries(std::move(entries)) {}

Colour Palette::colour(int index) const
{
    if (index < 0 || index >= size())
        return 0;
    const PaletteEntry& e = m_entries[std::size_t(index)];
    return rgb(e.red, e.green, e.blue);
}

int Palette::nearestIndex(Colour colour) const
{
    const Colour plain = colourToRgb(colour);
    const int r = redOf(plain), g = greenOf(plain), b = blueOf(plain);
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < size(); ++i) {
        const PaletteEntry& e = m_entries[std::size_t(i)];
        const int d = squaredDistance(r, g, b, e.red, e.green, e.blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

const Palette& standardPalette16()
{
    static const Palette* const palette =
        new Palette(std::vector<PaletteEntry>(standardEntries.begin(), standardEntries.end()));
    return *palette;
}

Palette createHalftonePalette()
{
    std::vector<PaletteEntry> entries;
    entries.reserve(256);
    entries.insert(entries.end(), standardEntries.begin(), standardEntries.begin() + 8);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back({std::uint8_t(r * 0x33), std::uint8_t(g * 0x33), std::uint8_t(b * 0x33), 0});
    for (int level = 10; level <= 240; level += 10)
        entries.push_back({std::uint8_t(level), std::uint8_t(level), std::uint8_t(level), 0});
    entries.insert(entries.end(), standardEntries.begin() + 8, standardEntries.end());
    return Palette(std::move(entries));
}

int nearestColourIndex(std::span<const Colour> colours, Colour colour)
{
    const Colour plain = colourToRgb(colour);
    const int r = redOf(plain), g = greenOf(plain), b = blueOf(plain);
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const Colour c = colours[i];
        const int d = squaredDistance(r, g, b, redOf(c), greenOf(c), blueOf(c));
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

ColourMatcher::ColourMatcher(std::span<const Colour> colours) : m_cache(new CacheSlot[cacheSlots])
{
    m_byGreen.reserve(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        m_byGreen.push_back({greenOf(colours[i]), redOf(colours[i]), blueOf(colours[i]), int(i)});
    std::stable_sort(m_byGreen.begin(), m_byGreen.end(),
                     [](const Entry& a, const Entry& b) { return a.green < b.green; });
}

ColourMatcher::~ColourMatcher() = default;

int ColourMatcher::nearestIndex(Colour colour)
{
    const std::uint32_t key = colour & 0x00FFFFFF;
    CacheSlot& slot = m_cache[std::size_t(cacheSlotOf(key))];
    if (slot.key != key) {
        slot.key = key;
        slot.index = search(key);
    }
    return slot.index;
}

int ColourMatcher::search(Colour colour) const
{
    if (m_byGreen.empty())
        return 0;
    const int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
    // Walk outwards from the entries of nearest green. A side is done once its green distance
    // alone exceeds the best total distance; equal distances go on, for the lower index.
    const auto start = std::lower_bound(m_byGreen.begin(), m_byGreen.end(), g,
                                        [](const Entry& e, int value) { return e.green < value; });
    int best = -1;
    int bestDistance = 1 << 30;
    auto consider = [&](const Entry& e) {
        const int d = squaredDistance(r, g, b, e.red, e.green, e.blue);
        if (d < bestDistance || (d == bestDistance && e.index < best)) {
            bestDistance = d;
            best = e.index;
        }
    };
    auto up = start;
    auto down = start;
    bool upOpen = up != m_byGreen.end();
    bool downOpen = down != m_byGreen.begin();
    while (upOpen || downOpen) {
        if (upOpen) {
            const int dg = up->green - g;
            if (dg * dg > bestDistance) {
                upOpen = false;
            } else {
                consider(*up);
                ++up;
                upOpen = up != m_byGreen.end();
            }
        }
        if (downOpen) {
            const auto& e = *(down - 1);
            const int dg = g - e.green;
            if (dg * dg > bestDistance) {
                downOpen = false;
            } else {
                consider(e);
                --down;
                downOpen = down != m_byGreen.begin();
            }
        }
    }
    return best;
}

} // namespace platform

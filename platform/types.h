#pragma once
// Plain value types shared by every layer: colours, points, rectangles.

#include <algorithm>
#include <cstdint>

namespace platform {

// A colour value as the system stores it: red in the lowest byte, then green, then blue.
// The top byte carries flags (0x02 palette-relative) or marks system colours (negative values).
using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return Colour(red) | (Colour(green) << 8) | (Colour(blue) << 16);
}
constexpr std::uint8_t redOf(Colour c) { return std::uint8_t(c); }
constexpr std::uint8_t greenOf(Colour c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t blueOf(Colour c) { return std::uint8_t(c >> 16); }
// The red, green and blue bytes alone, without palette or system flags.
constexpr Colour rgbPart(Colour c) { return c & 0x00FFFFFF; }

constexpr Colour paletteRelativeFlag = 0x02000000;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle that includes its left and top edges and excludes its right and bottom edges.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect fromSize(int x, int y, int width, int height)
    {
        return {x, y, x + width, y + height};
    }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool contains(Point p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr Rect intersected(const Rect& o) const
    {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        if (r.isEmpty())
            return {};
        return r;
    }
    constexpr Rect translated(int dx, int dy) const
    {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace platform

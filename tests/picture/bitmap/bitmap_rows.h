#pragma once
// A bitmap's pixels as rows of colours (top row first), for the bitmap tests to compare.

#include "picture/bitmap/bitmap.h"
#include "platform/section.h"

#include <vector>

using Rows = std::vector<std::vector<platform::Colour>>;

inline Rows pixels(TBitmap& bitmap)
{
    const platform::Section& section = *bitmap.PlatformHandle();
    Rows rows(std::size_t(section.height()));
    for (int y = 0; y < section.height(); ++y)
        for (int x = 0; x < section.width(); ++x)
            rows[std::size_t(y)].push_back(section.pixel(x, y));
    return rows;
}

#include "platform/blit.h"

#include "platform/blit_coding.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace platform::detail {

namespace {

// How one axis of the destination maps onto the source: for each destination coordinate of
// [begin, end), the nearest source coordinate and the averaging box.
struct AxisMap {
    int begin = 0;
    int end = 0;
    std::vector<int> nearest;
    std::vector<int> boxBegin;
    std::vector<int> boxEnd;
};

using Wide = __int128;

// Coordinates from metafiles may be anything: spans are kept in 64 bits.
struct Span {
    std::int64_t start;
    std::int64_t length;  // never negative
    bool reversed;
};

Span spanOf(std::int64_t a, std::int64_t b)
{
    return b >= a ? Span{a, b - a, false} : Span{b, a - b, true};
}

// The part of [span.start, span.start + length) within [low, high).
std::pair<int, int> clampSpan(const Span& span, int low, int high)
{
    const std::int64_t begin = std::max<std::int64_t>(span.start, low);
    const std::int64_t end = std::min<std::int64_t>(span.start + span.length, high);
    return {int(begin), int(std::max(begin, end))};
}

// Destination coordinates [clipBegin, clipEnd) of a destination span mapped onto a source span
// within [0, sourceLimit). Coordinates whose source lies outside are trimmed off both ends (the
// mapping is monotonic, so they can only sit there).
AxisMap mapAxis(const Span& dst, bool mirrored, int clipBegin, int clipEnd, const Span& src, int sourceLimit,
                bool boxes)
{
    const std::int64_t dstLen = dst.length;
    const std::int64_t srcLen = src.length;
    // Lengths reach 2^32, so the products may need more than 64 bits; the usual sizes do not,
    // and 128-bit division is slow enough to show in a photo stretch.
    const bool narrow = dstLen < (std::int64_t(1) << 30) && srcLen < (std::int64_t(1) << 30);
    // floor((a · b + round) / c)
    const auto scaled = [&](std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t round = 0) {
        return narrow ? (a * b + round) / c : std::int64_t((Wide(a) * b + round) / c);
    };
    const std::size_t count = std::size_t(std::max(0, clipEnd - clipBegin));
    AxisMap map;
    map.nearest.reserve(count);
    if (boxes) {
        map.boxBegin.reserve(count);
        map.boxEnd.reserve(count);
    }
    std::vector<std::uint8_t> valid;
    valid.reserve(count);
    for (int d = clipBegin; d < clipEnd; ++d) {
        std::int64_t i = d - dst.start;
        if (mirrored)
            i = dstLen - 1 - i;
        // The source pixel under the destination pixel's centre.
        const std::int64_t s = src.start + scaled(2 * i + 1, srcLen, 2 * dstLen);
        bool ok = s >= 0 && s < sourceLimit;
        map.nearest.push_back(ok ? int(s) : 0);
        if (boxes) {
            std::int64_t b0 = src.start + scaled(i, srcLen, dstLen);
            std::int64_t b1 = src.start + scaled(i + 1, srcLen, dstLen, dstLen - 1);
            if (b1 <= b0)
                b1 = b0 + 1;
            b0 = std::clamp<std::int64_t>(b0, 0, sourceLimit);
            b1 = std::clamp<std::int64_t>(b1, 0, sourceLimit);
            map.boxBegin.push_back(int(b0));
            map.boxEnd.push_back(int(b1));
            ok = b0 < b1;
        }
        valid.push_back(ok);
    }
    std::size_t first = 0, last = valid.size();
    while (first < last && !valid[first])
        ++first;
    while (last > first && !valid[last - 1])
        --last;
    map.begin = clipBegin + int(first);
    map.end = clipBegin + int(last);
    const auto trim = [&](std::vector<int>& v) {
        if (v.empty())
            return;
        v.erase(v.begin() + std::ptrdiff_t(last), v.end());
        v.erase(v.begin(), v.begin() + std::ptrdiff_t(first));
    };
    trim(map.nearest);
    trim(map.boxBegin);
    trim(map.boxEnd);
    return map;
}

// One row of a 32-bit nearest stretch. Kept apart, with unaliased pointers, so the loop holds
// everything in registers.
[[gnu::noinline]] void gatherRow32(std::uint32_t* __restrict out, const std::uint32_t* __restrict in,
                                   const int* __restrict columns, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = in[columns[i]];
}

// 32-bit to 32-bit copy: the hot path of drawing photos on the display.
void copyPlain32(Section& destination, const Section& source, const AxisMap& columns, const AxisMap& rows)
{
    const int count = columns.end - columns.begin;
    const int* map = columns.nearest.data();
    const bool contiguous = count > 0 && map[count - 1] - map[0] == count - 1 && (count == 1 || map[1] > map[0]);
    int previousSourceRow = -1;
    const std::uint32_t* previous = nullptr;
    for (int y = rows.begin; y < rows.end; ++y) {
        const int sy = rows.nearest[std::size_t(y - rows.begin)];
        auto* out = reinterpret_cast<std::uint32_t*>(destination.row(y)) + columns.begin;
        if (sy == previousSourceRow) {
            std::memcpy(out, previous, std::size_t(count) * 4);
        } else {
            const auto* in = reinterpret_cast<const std::uint32_t*>(source.row(sy));
            if (contiguous)
                std::memcpy(out, in + map[0], std::size_t(count) * 4);
            else
                gatherRow32(out, in, map, count);
        }
        previousSourceRow = sy;
        previous = out;
    }
}

// Averages the boxes of one destination row into display colours.
void averageRow(SourceConverter& converter, const AxisMap& columns, int rowBegin, int rowEnd,
                std::vector<Rgb32>& line, std::vector<std::uint64_t>& sums, Rgb32* out)
{
    const int count = columns.end - columns.begin;
    const int spanBegin = std::min(columns.boxBegin.front(), columns.boxBegin.back());
    const int spanEnd = std::max(columns.boxEnd.front(), columns.boxEnd.back());
    line.resize(std::size_t(spanEnd - spanBegin));
    sums.assign(std::size_t(count) * 3, 0);
    for (int sy = rowBegin; sy < rowEnd; ++sy) {
        converter.decodeColours(sy, spanBegin, spanEnd - spanBegin, line.data());
        for (int i = 0; i < count; ++i) {
            std::uint64_t r = 0, g = 0, b = 0;
            for (int sx = columns.boxBegin[std::size_t(i)]; sx < columns.boxEnd[std::size_t(i)]; ++sx) {
                const Rgb32 c = line[std::size_t(sx - spanBegin)];
                r += (c >> 16) & 0xFF;
                g += (c >> 8) & 0xFF;
                b += c & 0xFF;
            }
            sums[std::size_t(i) * 3] += r;
            sums[std::size_t(i) * 3 + 1] += g;
            sums[std::size_t(i) * 3 + 2] += b;
        }
    }
    for (int i = 0; i < count; ++i) {
        const std::uint64_t n = std::uint64_t(rowEnd - rowBegin)
                                * std::uint64_t(columns.boxEnd[std::size_t(i)] - columns.boxBegin[std::size_t(i)]);
        const auto avg = [&](int channel) { return std::uint32_t((sums[std::size_t(i) * 3 + channel] + n / 2) / n); };
        out[i] = (avg(0) << 16) | (avg(1) << 8) | avg(2);
    }
}

} // namespace

void applyRop(std::uint8_t f, const std::uint32_t* p, const std::uint32_t* s, const std::uint32_t* d,
              std::uint32_t* r, int n, std::uint32_t mask)
{
    switch (f) {
    case 0xCC: for (int i = 0; i < n; ++i) r[i] = s[i] & mask; return;
    case 0x88: for (int i = 0; i < n; ++i) r[i] = s[i] & d[i] & mask; return;
    case 0xEE: for (int i = 0; i < n; ++i) r[i] = (s[i] | d[i]) & mask; return;
    case 0x66: for (int i = 0; i < n; ++i) r[i] = (s[i] ^ d[i]) & mask; return;
    case 0x44: for (int i = 0; i < n; ++i) r[i] = s[i] & ~d[i] & mask; return;
    case 0x33: for (int i = 0; i < n; ++i) r[i] = ~s[i] & mask; return;
    case 0xBB: for (int i = 0; i < n; ++i) r[i] = (~s[i] | d[i]) & mask; return;
    case 0x11: for (int i = 0; i < n; ++i) r[i] = ~(s[i] | d[i]) & mask; return;
    case 0x55: for (int i = 0; i < n; ++i) r[i] = ~d[i] & mask; return;
    case 0xF0: for (int i = 0; i < n; ++i) r[i] = p[i] & mask; return;
    case 0x5A: for (int i = 0; i < n; ++i) r[i] = (p[i] ^ d[i]) & mask; return;
    case 0xC0: for (int i = 0; i < n; ++i) r[i] = p[i] & s[i] & mask; return;
    case 0xAA: for (int i = 0; i < n; ++i) r[i] = d[i]; return;
    case 0x00: for (int i = 0; i < n; ++i) r[i] = 0; return;
    case 0xFF: for (int i = 0; i < n; ++i) r[i] = mask; return;
    default: break;
    }
    // Any other function: the sum of its minterms.
    for (int i = 0; i < n; ++i) {
        const std::uint32_t pv = p ? p[i] : 0, sv = s ? s[i] : 0, dv = d[i];
        std::uint32_t out = 0;
        for (int m = 0; m < 8; ++m) {
            if (!((f >> m) & 1))
                continue;
            out |= ((m & 4) ? pv : ~pv) & ((m & 2) ? sv : ~sv) & ((m & 1) ? dv : ~dv);
        }
        r[i] = out & mask;
    }
}

BlitParams paramsFor(const DeviceContext& context)
{
    BlitParams params;
    params.stretchMode = context.stretchMode();
    params.textColour = context.textColour();
    params.backgroundColour = context.backgroundColour();
    params.backgroundMode = context.backgroundMode();
    params.brush = context.brush();
    params.brushOrigin = context.brushOrigin();
    params.clip = context.clipRect();
    return params;
}

BlitParams stretchParams(const DeviceContext& context, const Rect& destination, const Section& source,
                         const Rect& sourceRect, std::uint32_t rasterOp, Colour sourceBackground)
{
    BlitParams params = paramsFor(context);
    params.destination = destination;
    params.source = &source;
    params.sourceRect = sourceRect;
    params.rasterOp = rasterOp;
    params.sourceBackground = sourceBackground;
    return params;
}

BlitParams maskParams(const DeviceContext& context, const Rect& destination, const Section& source,
                      Point sourceOrigin, const Section& mask, Point maskOrigin, std::uint32_t rasterOp)
{
    BlitParams params = paramsFor(context);
    params.destination = destination;
    params.source = &source;
    // The source rectangle has the destination's size; its far edges are only read by callers
    // that stretch it, so they may stop at the end of the coordinate range.
    const auto farEdge = [](int origin, int a, int b) {
        const std::int64_t edge = std::int64_t(origin) + std::abs(std::int64_t(b) - a);
        return int(std::min<std::int64_t>(edge, std::numeric_limits<int>::max()));
    };
    params.sourceRect = {sourceOrigin.x, sourceOrigin.y, farEdge(sourceOrigin.x, destination.left, destination.right),
                         farEdge(sourceOrigin.y, destination.top, destination.bottom)};
    params.mask = &mask;
    params.maskOrigin = maskOrigin;
    params.rasterOp = rasterOp;
    return params;
}

BlitParams patternParams(const DeviceContext& context, const Rect& destination, std::uint32_t rasterOp)
{
    BlitParams params = paramsFor(context);
    params.destination = destination;
    params.rasterOp = rasterOp;
    return params;
}

Rect blit(Section& destination, const BlitParams& params)
{
    const std::uint8_t foreground = rop::functionOf(params.rasterOp);
    const bool masked = params.mask != nullptr;
    const std::uint8_t background = masked ? std::uint8_t(params.rasterOp >> 24) : foreground;
    const bool needSource = usesSource(foreground) || usesSource(background);
    const bool needPattern = usesPattern(foreground) || usesPattern(background);
    if (needSource && !params.source)
        return {};
    if (masked && params.mask->bitCount() != 1)
        return {};

    // A source that is the destination is read from a copy taken before any pixel changes.
    const Section* source = needSource ? params.source : nullptr;
    std::unique_ptr<Section> sourceCopy;
    if (source == &destination) {
        sourceCopy = destination.clone();
        if (!sourceCopy)
            return {};
        source = sourceCopy.get();
    }

    const Span dstX = spanOf(params.destination.left, params.destination.right);
    const Span dstY = spanOf(params.destination.top, params.destination.bottom);
    if (dstX.length == 0 || dstY.length == 0)
        return {};
    const auto [left, right] = clampSpan(dstX, 0, destination.width());
    const auto [top, bottom] = clampSpan(dstY, 0, destination.height());
    Rect bounds{left, top, right, bottom};
    if (bounds.isEmpty())
        return {};
    if (params.clip)
        bounds = bounds.intersected(*params.clip);
    if (bounds.isEmpty())
        return {};

    AxisMap columns, rows;
    bool averaging = false;
    if (source) {
        Span srcX = spanOf(params.sourceRect.left, params.sourceRect.right);
        Span srcY = spanOf(params.sourceRect.top, params.sourceRect.bottom);
        bool mirrorX = dstX.reversed != srcX.reversed;
        bool mirrorY = dstY.reversed != srcY.reversed;
        if (masked) {
            // Masked copies are unscaled and never mirrored.
            srcX = {std::int64_t(params.sourceRect.left), dstX.length, false};
            srcY = {std::int64_t(params.sourceRect.top), dstY.length, false};
            mirrorX = mirrorY = false;
        }
        if (srcX.length == 0 || srcY.length == 0)
            return {};
        // Between monochrome devices the bits are copied as they are: nothing to average.
        const bool bitsAsTheyAre = source->kind() == Section::Kind::MonochromeDevice
                                   && destination.kind() == Section::Kind::MonochromeDevice;
        averaging = params.stretchMode == StretchMode::Halftone && !bitsAsTheyAre
                    && (srcX.length != dstX.length || srcY.length != dstY.length);
        columns = mapAxis(dstX, mirrorX, bounds.left, bounds.right, srcX, source->width(), averaging);
        rows = mapAxis(dstY, mirrorY, bounds.top, bounds.bottom, srcY, source->height(), averaging);
        if (columns.begin >= columns.end || rows.begin >= rows.end)
            return {};
    } else {
        columns.begin = bounds.left;
        columns.end = bounds.right;
        rows.begin = bounds.top;
        rows.end = bounds.bottom;
    }

    const Rect covered{columns.begin, rows.begin, columns.end, rows.end};
    if (source && !masked && !averaging && foreground == 0xCC
        && source->format().layout() == PixelFormat::Layout::Plain32
        && destination.format().layout() == PixelFormat::Layout::Plain32) {
        copyPlain32(destination, *source, columns, rows);
        return covered;
    }

    DestinationCoder coder(destination);
    std::optional<SourceConverter> converter;
    if (source)
        converter.emplace(*source, coder, params);
    std::optional<PatternSource> pattern;
    if (needPattern) {
        pattern.emplace(params, coder);
        if (pattern->isEmpty())
            return {};  // a hollow brush paints nothing
    }

    const int x0 = columns.begin;
    const int count = columns.end - columns.begin;
    const int bits = destination.bitCount();
    const std::uint32_t valueMask = destination.format().valueMask();
    const bool gaps = pattern && pattern->hasGaps();
    const bool needDestination = usesDestination(foreground) || usesDestination(background) || masked || gaps;

    std::vector<std::uint32_t> s(source ? std::size_t(count) : 0), p(needPattern ? std::size_t(count) : 0);
    std::vector<std::uint32_t> d(static_cast<std::size_t>(count)), r(static_cast<std::size_t>(count));
    std::vector<std::uint32_t> r2(masked ? std::size_t(count) : 0);
    std::vector<std::uint8_t> gapFlags(gaps ? std::size_t(count) : 0);
    std::vector<Rgb32> colours(averaging ? std::size_t(count) : 0);
    std::vector<Rgb32> line;
    std::vector<std::uint64_t> sums;

    for (int y = rows.begin; y < rows.end; ++y) {
        if (source) {
            const std::size_t ri = std::size_t(y - rows.begin);
            if (averaging) {
                averageRow(*converter, columns, rows.boxBegin[ri], rows.boxEnd[ri], line, sums, colours.data());
                converter->coloursToRaw(colours.data(), count, s.data());
            } else {
                converter->gather(rows.nearest[ri], columns.nearest.data(), count, s.data());
            }
        }
        if (pattern)
            pattern->row(y, x0, count, p.data(), gaps ? gapFlags.data() : nullptr);
        std::uint8_t* out = destination.row(y);
        if (needDestination)
            readRawRow(out, bits, x0, count, d.data());
        const std::uint32_t* pp = needPattern ? p.data() : nullptr;
        const std::uint32_t* sp = source ? s.data() : nullptr;
        applyRop(foreground, pp, sp, d.data(), r.data(), count, valueMask);
        if (masked) {
            applyRop(background, pp, sp, d.data(), r2.data(), count, valueMask);
            const Section& mask = *params.mask;
            const std::int64_t my = params.maskOrigin.y + (y - dstY.start);
            const bool rowInside = my >= 0 && my < mask.height();
            const std::uint8_t* maskRow = rowInside ? mask.row(int(my)) : nullptr;
            for (int i = 0; i < count; ++i) {
                const std::int64_t mx = params.maskOrigin.x + (x0 + i - dstX.start);
                const bool set = maskRow && mx >= 0 && mx < mask.width() && readRaw(maskRow, 1, int(mx));
                if (!set)
                    r[std::size_t(i)] = r2[std::size_t(i)];
            }
        }
        if (gaps) {
            for (int i = 0; i < count; ++i)
                if (gapFlags[std::size_t(i)])
                    r[std::size_t(i)] = d[std::size_t(i)];
        }
        writeRawRow(out, bits, x0, count, r.data());
    }
    return covered;
}

} // namespace platform::detail

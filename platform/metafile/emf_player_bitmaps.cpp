// The player's bitmap records: device-independent bitmaps stretched, masked, blended and
// copied with a transparent colour, and bit blits without a source.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"

namespace platform::metafile {

using namespace emf;

std::unique_ptr<Section> Player::dib(std::span<const std::uint8_t> record, std::uint32_t offInfo,
                                     std::uint32_t sizeInfo, std::uint32_t offBits, std::uint32_t sizeBits,
                                     std::uint32_t usage)
{
    if (offInfo > record.size() || sizeInfo > record.size() - offInfo || offBits > record.size()
        || sizeBits > record.size() - offBits)
        return nullptr;
    return sectionFromDib(record.subspan(offInfo, sizeInfo), record.subspan(offBits, sizeBits), usage, &palette());
}

bool Player::bitmapRecord(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 24);
    const auto rectOf = [](std::int64_t x, std::int64_t y, std::int64_t cx, std::int64_t cy) {
        return Rect{clampInt(x), clampInt(y), clampInt(x + cx), clampInt(y + cy)};
    };
    switch (type) {
    case EMR_STRETCHDIBITS: {
        const int xDest = in.i32(), yDest = in.i32(), xSrc = in.i32(), ySrc = in.i32();
        const int cxSrc = in.i32(), cySrc = in.i32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        const std::uint32_t usage = in.u32(), rasterOp = in.u32();
        const int cxDest = in.i32(), cyDest = in.i32();
        if (!in.ok())
            return false;
        const Rect destination = rectOf(xDest, yDest, cxDest, cyDest);
        auto source = dib(data, offInfo, sizeInfo, offBits, sizeBits, usage);
        if (!source) {
            if (sizeInfo == 0)
                m_dc.patBlt(destination, rasterOp);
            return true;
        }
        // The source rectangle of a bottom-up picture counts from its bottom row.
        const std::int64_t top = source->isTopDown() ? ySrc : std::int64_t(source->height()) - ySrc - cySrc;
        m_dc.stretchBlt(destination, *source, rectOf(xSrc, top, cxSrc, cySrc), rasterOp);
        return true;
    }
    case EMR_SETDIBITSTODEVICE: {
        const int xDest = in.i32(), yDest = in.i32(), xSrc = in.i32(), ySrc = in.i32();
        const int cxSrc = in.i32(), cySrc = in.i32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        const std::uint32_t usage = in.u32();
        const std::uint32_t startScan = in.u32(), scans = in.u32();
        if (!in.ok())
            return false;
        if (offInfo > data.size() || sizeInfo > data.size() - offInfo || sizeInfo < 12)
            return true;
        // The bits hold `scans` rows from `startScan` on: the header is given that height.
        std::vector<std::uint8_t> info(data.begin() + offInfo, data.begin() + offInfo + sizeInfo);
        std::int64_t height = 0;
        if (sizeInfo >= 40) {
            const std::int32_t h = std::int32_t(bytes::loadU32(&info[8]));
            height = h;
            if (scans > 0 && scans < std::uint32_t(std::abs(std::int64_t(h))))
                bytes::storeU32(&info[8], std::uint32_t(h < 0 ? -std::int32_t(scans) : std::int32_t(scans)));
        }
        if (offBits > data.size() || sizeBits > data.size() - offBits)
            return true;
        auto source = sectionFromDib(info, data.subspan(offBits, sizeBits), usage, &palette());
        if (!source)
            return true;
        const std::int64_t fullHeight = std::abs(height);
        // Rows in source coordinates: the bits start at scan `startScan` from the bottom.
        std::int64_t top = source->isTopDown() ? ySrc - std::int64_t(startScan)
                                               : std::int64_t(source->height()) - (ySrc - std::int64_t(startScan)) - cySrc;
        if (!source->isTopDown() && fullHeight > source->height())
            top = std::int64_t(source->height()) - (ySrc - std::int64_t(startScan)) - cySrc;
        m_dc.stretchBlt(rectOf(xDest, yDest, cxSrc, cySrc), *source, rectOf(xSrc, top, cxSrc, cySrc), rop::SrcCopy);
        return true;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: {
        const int xDest = in.i32(), yDest = in.i32(), cxDest = in.i32(), cyDest = in.i32();
        const std::uint32_t operation = in.u32();
        const int xSrc = in.i32(), ySrc = in.i32();
        in.skip(24);  // the source's world transform
        const std::uint32_t backgroundSource = in.u32();
        const std::uint32_t usage = in.u32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        int cxSrc = cxDest, cySrc = cyDest;
        if (type != EMR_BITBLT) {
            cxSrc = in.i32();
            cySrc = in.i32();
        }
        if (!in.ok())
            return false;
        const Rect destination = rectOf(xDest, yDest, cxDest, cyDest);
        auto source = sizeInfo ? dib(data, offInfo, sizeInfo, offBits, sizeBits, usage) : nullptr;
        if (!source) {
            if (sizeInfo == 0 && (type == EMR_BITBLT || type == EMR_STRETCHBLT))
                m_dc.patBlt(destination, operation);
            return true;
        }
        const Rect sourceRect = rectOf(xSrc, ySrc, cxSrc, cySrc);
        if (type == EMR_ALPHABLEND) {
            const std::uint8_t constantAlpha = std::uint8_t(operation >> 16);
            const bool perPixel = ((operation >> 24) & 0x01) != 0;
            m_dc.alphaStretchBlt(destination, *source, sourceRect, constantAlpha, perPixel);
        } else if (type == EMR_TRANSPARENTBLT) {
            // The key colour becomes fully transparent; the rest is copied.
            auto blended = Section::createDisplayCompatible(source->width(), source->height());
            if (!blended)
                return true;
            const Colour key = operation & 0xFFFFFF;
            for (int y = 0; y < source->height(); ++y) {
                auto* out = reinterpret_cast<std::uint32_t*>(blended->row(y));
                for (int x = 0; x < source->width(); ++x) {
                    const Colour c = source->pixel(x, y);
                    out[x] = rgbPart(c) == key ? 0 : (0xFF000000u | (std::uint32_t(redOf(c)) << 16)
                                                      | (std::uint32_t(greenOf(c)) << 8) | blueOf(c));
                }
            }
            m_dc.alphaStretchBlt(destination, *blended, sourceRect, 255, /*perPixelAlpha=*/true);
        } else {
            m_dc.stretchBlt(destination, *source, sourceRect, operation, colour(backgroundSource));
        }
        return true;
    }
    case EMR_MASKBLT: {
        const int xDest = in.i32(), yDest = in.i32(), cxDest = in.i32(), cyDest = in.i32();
        const std::uint32_t operation = in.u32();
        const int xSrc = in.i32(), ySrc = in.i32();
        in.skip(24);
        in.u32();
        const std::uint32_t usage = in.u32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        const int xMask = in.i32(), yMask = in.i32();
        const std::uint32_t maskUsage = in.u32();
        const std::uint32_t offMaskInfo = in.u32(), sizeMaskInfo = in.u32(), offMaskBits = in.u32(),
                            sizeMaskBits = in.u32();
        if (!in.ok())
            return false;
        const Rect destination = rectOf(xDest, yDest, cxDest, cyDest);
        auto source = sizeInfo ? dib(data, offInfo, sizeInfo, offBits, sizeBits, usage) : nullptr;
        auto mask = sizeMaskInfo ? dib(data, offMaskInfo, sizeMaskInfo, offMaskBits, sizeMaskBits, maskUsage) : nullptr;
        if (!source) {
            if (sizeInfo == 0)
                m_dc.patBlt(destination, operation & 0x00FFFFFF);
            return true;
        }
        if (!mask || mask->bitCount() != 1) {
            m_dc.stretchBlt(destination, *source, rectOf(xSrc, ySrc, cxDest, cyDest), operation & 0x00FFFFFF);
            return true;
        }
        m_dc.maskBlt(destination, *source, {xSrc, ySrc}, *mask, {xMask, yMask}, operation);
        return true;
    }
    default: return true;
    }
}

} // namespace platform::metafile

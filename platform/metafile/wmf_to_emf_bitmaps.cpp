// Windows-metafile bitmap records: device-independent bitmaps stretched or copied onto the page.

#include "platform/metafile/wmf_converter.h"

#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"

namespace platform::metafile {

using namespace wmf;

void WindowsConverter::stretch(std::uint32_t type, std::uint32_t rop, const Rect& destination, const Rect& source,
                               std::span<const std::uint8_t> dib, std::uint16_t usage)
{
    // Rectangles here are origins and sizes.
    const PackedDib packed = splitPackedDib(dib, usage);
    const std::uint32_t offInfo = type == emf::EMR_STRETCHDIBITS ? 80 : 108;
    const std::uint32_t offBits = offInfo + std::uint32_t(packed.info.size());
    RecordBuilder r(type);
    r.rect({0, 0, -1, -1});
    if (type == emf::EMR_STRETCHDIBITS) {
        r.i32(destination.left).i32(destination.top).i32(source.left).i32(source.top).i32(source.right).i32(source.bottom);
    } else {
        r.i32(destination.left).i32(destination.top).i32(destination.right).i32(destination.bottom).u32(rop);
        r.i32(source.left).i32(source.top).f32(1).f32(0).f32(0).f32(1).f32(0).f32(0).u32(0xFFFFFF).u32(usage);
    }
    r.u32(packed.info.empty() ? 0 : offInfo).u32(std::uint32_t(packed.info.size()));
    r.u32(packed.info.empty() ? 0 : offBits).u32(std::uint32_t(packed.bits.size()));
    if (type == emf::EMR_STRETCHDIBITS)
        r.u32(usage).u32(rop).i32(destination.right).i32(destination.bottom);
    else
        r.i32(source.right).i32(source.bottom);
    r.bytes(packed.info).bytes(packed.bits);
    add(std::move(r));
    drawn(Rect{destination.left, destination.top, destination.left + destination.right,
               destination.top + destination.bottom});
}

bool WindowsConverter::bitmapRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    const std::span<const std::uint8_t> params = in.span(in.remaining());
    in.seek(0);
    // Every form stores its fields back to front, the picture last.
    switch (function) {
    case META_DIBSTRETCHBLT: {
        // Without a picture the record holds one more (unused) word before the destination.
        const bool withPicture = params.size() > 22;
        const std::uint32_t rop = in.u32();
        const int cySrc = in.i16(), cxSrc = in.i16(), ySrc = in.i16(), xSrc = in.i16();
        if (!withPicture)
            in.skip(2);
        const int cyDest = in.i16(), cxDest = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (in.ok())
            stretch(emf::EMR_STRETCHBLT, rop, {xDest, yDest, cxDest, cyDest}, {xSrc, ySrc, cxSrc, cySrc},
                    withPicture ? params.subspan(in.position()) : std::span<const std::uint8_t>{}, 0);
        return true;
    }
    case META_DIBBITBLT: {
        const bool withPicture = params.size() > 18;
        const std::uint32_t rop = in.u32();
        const int ySrc = in.i16(), xSrc = in.i16();
        if (!withPicture)
            in.skip(2);
        const int cy = in.i16(), cx = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (in.ok())
            stretch(emf::EMR_STRETCHBLT, rop, {xDest, yDest, cx, cy}, {xSrc, ySrc, cx, cy},
                    withPicture ? params.subspan(in.position()) : std::span<const std::uint8_t>{}, 0);
        return true;
    }
    case META_STRETCHDIB: {
        const std::uint32_t rop = in.u32();
        const std::uint16_t usage = in.u16();
        const int cySrc = in.i16(), cxSrc = in.i16(), ySrc = in.i16(), xSrc = in.i16();
        const int cyDest = in.i16(), cxDest = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (in.ok())
            stretch(emf::EMR_STRETCHDIBITS, rop, {xDest, yDest, cxDest, cyDest}, {xSrc, ySrc, cxSrc, cySrc},
                    params.subspan(in.position()), usage);
        return true;
    }
    case META_SETDIBTODEV: {
        const std::uint16_t usage = in.u16();
        const int scans = in.u16(), startScan = in.u16(), ySrc = in.i16(), xSrc = in.i16();
        const int cy = in.i16(), cx = in.i16(), yDest = in.i16(), xDest = in.i16();
        if (!in.ok())
            return true;
        const PackedDib packed = splitPackedDib(params.subspan(in.position()), usage);
        const std::uint32_t offInfo = 76, offBits = offInfo + std::uint32_t(packed.info.size());
        RecordBuilder r(emf::EMR_SETDIBITSTODEVICE);
        r.rect({0, 0, -1, -1}).i32(xDest).i32(yDest).i32(xSrc).i32(ySrc).i32(cx).i32(cy);
        r.u32(offInfo).u32(std::uint32_t(packed.info.size())).u32(offBits).u32(std::uint32_t(packed.bits.size()));
        r.u32(usage).u32(std::uint32_t(startScan)).u32(std::uint32_t(scans));
        r.bytes(packed.info).bytes(packed.bits);
        add(std::move(r));
        drawn(Rect{xDest, yDest, xDest + cx, yDest + cy});
        return true;
    }
    default: return false;
    }
}

} // namespace platform::metafile

// Windows-metafile state records: modes, colours, the window, saving and restoring, and clip
// rectangles.

#include "platform/metafile/wmf_converter.h"

#include "platform/metafile/emf_records.h"

namespace platform::metafile {

using namespace wmf;

namespace {

// Records that set one mode from a 16-bit value, and the enhanced record that does the same.
struct ModeRecord {
    std::uint16_t function;
    std::uint32_t type;
};
constexpr ModeRecord modeRecords[] = {
    {META_SETBKMODE, emf::EMR_SETBKMODE},
    {META_SETROP2, emf::EMR_SETROP2},
    {META_SETPOLYFILLMODE, emf::EMR_SETPOLYFILLMODE},
    {META_SETSTRETCHBLTMODE, emf::EMR_SETSTRETCHBLTMODE},
    {META_SETTEXTALIGN, emf::EMR_SETTEXTALIGN},
};

} // namespace

bool WindowsConverter::stateRecord(std::uint16_t function, bytes::ByteCursor& in)
{
    for (const ModeRecord& mode : modeRecords)
        if (mode.function == function) {
            const std::uint16_t v = in.u16();
            if (in.ok())
                simple(mode.type, v);
            if (in.ok() && function == META_SETTEXTALIGN)
                m_textAlign = v;
            return true;
        }
    switch (function) {
    case META_SETBKCOLOR: case META_SETTEXTCOLOR: {
        const std::uint32_t c = in.u32();
        if (in.ok())
            simple(function == META_SETBKCOLOR ? emf::EMR_SETBKCOLOR : emf::EMR_SETTEXTCOLOR, c);
        return true;
    }
    case META_SETMAPMODE: {
        // Only the free modes keep the picture on its frame; fixed ones are left out.
        const std::uint16_t v = in.u16();
        if (in.ok() && (v == 7 || v == 8))
            simple(emf::EMR_SETMAPMODE, v);
        return true;
    }
    case META_SETWINDOWORG: case META_OFFSETWINDOWORG: {
        const int y = in.i16(), x = in.i16();
        if (!in.ok())
            return true;
        if (function == META_SETWINDOWORG) {
            m_windowOrigin = {x, y};
            if (!m_firstOrigin)
                m_firstOrigin = m_windowOrigin;
        } else {
            m_windowOrigin = {m_windowOrigin.x + x, m_windowOrigin.y + y};
        }
        point(emf::EMR_SETWINDOWORGEX, m_windowOrigin.x, m_windowOrigin.y);
        return true;
    }
    case META_SETWINDOWEXT: {
        const int y = in.i16(), x = in.i16();
        if (in.ok() && x != 0 && y != 0) {
            point(emf::EMR_SETWINDOWEXTEX, x, y);
            if (!m_firstExtent)
                m_firstExtent = Size{x, y};
        }
        return true;
    }
    case META_SCALEWINDOWEXT: {
        const int yDenom = in.i16(), yNum = in.i16(), xDenom = in.i16(), xNum = in.i16();
        if (!in.ok())
            return true;
        RecordBuilder r(emf::EMR_SCALEWINDOWEXTEX);
        r.i32(xNum).i32(xDenom).i32(yNum).i32(yDenom);
        add(std::move(r));
        return true;
    }
    case META_SAVEDC:
        add(RecordBuilder(emf::EMR_SAVEDC));
        m_savedOrigins.push_back(m_windowOrigin);
        return true;
    case META_RESTOREDC: {
        const int level = in.i16();
        if (!in.ok())
            return true;
        RecordBuilder b(emf::EMR_RESTOREDC);
        b.i32(level);
        add(std::move(b));
        const int depth = int(m_savedOrigins.size());
        const int target = level < 0 ? depth + level + 1 : level;
        if (target >= 1 && target <= depth) {
            m_windowOrigin = m_savedOrigins[std::size_t(target - 1)];
            m_savedOrigins.resize(std::size_t(target - 1));
        }
        return true;
    }
    case META_EXCLUDECLIPRECT: case META_INTERSECTCLIPRECT: {
        const int bottom = in.i16(), right = in.i16(), top = in.i16(), left = in.i16();
        if (!in.ok())
            return true;
        RecordBuilder b(function == META_EXCLUDECLIPRECT ? emf::EMR_EXCLUDECLIPRECT : emf::EMR_INTERSECTCLIPRECT);
        b.rect({left, top, right, bottom});
        add(std::move(b));
        return true;
    }
    case META_OFFSETCLIPRGN: {
        const int y = in.i16(), x = in.i16();
        if (in.ok())
            point(emf::EMR_OFFSETCLIPRGN, x, y);
        return true;
    }
    default: return false;
    }
}

} // namespace platform::metafile

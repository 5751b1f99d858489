// Playing enhanced metafiles onto a device context: the playback transform, the walk over the
// records, and which family of records each record belongs to.

#include "platform/metafile/emf_player.h"

#include "platform/metafile/emf_records.h"
#include "platform/page_mapping.h"

#include <cmath>

namespace platform {

namespace metafile {

using namespace emf;

QRegion unitedRects(const std::vector<QRect>& rects)
{
    std::vector<QRegion> parts(rects.begin(), rects.end());
    while (parts.size() > 1) {
        std::vector<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
            next.push_back(parts[i].united(parts[i + 1]));
        if (parts.size() % 2)
            next.push_back(parts.back());
        parts.swap(next);
    }
    return parts.empty() ? QRegion() : parts.front();
}

Player::Player(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination, plus::RecordSet records)
    : m_dc(dc), m_metafile(metafile), m_destination(destination), m_recordSet(records)
{
    const EnhancedMetafileHeader& h = metafile.header();
    m_pixelsPerMmX = double(h.device.cx) * 1000.0 / h.micrometres.cx;
    m_pixelsPerMmY = double(h.device.cy) * 1000.0 / h.micrometres.cy;
    // The frame (0.01 mm) in reference-device pixels; a picture without a frame uses its bounds.
    double left = h.frame.left * m_pixelsPerMmX / 100.0, top = h.frame.top * m_pixelsPerMmY / 100.0;
    double right = h.frame.right * m_pixelsPerMmX / 100.0, bottom = h.frame.bottom * m_pixelsPerMmY / 100.0;
    const bool hasBounds = h.bounds.right >= h.bounds.left && h.bounds.bottom >= h.bounds.top;
    const auto useBounds = [&] {
        left = h.bounds.left;
        top = h.bounds.top;
        right = double(h.bounds.right) + 1;
        bottom = double(h.bounds.bottom) + 1;
    };
    if (right - left < 1e-9 || bottom - top < 1e-9) {
        useBounds();
    } else if (hasBounds) {
        // Some writers put the frame at the origin whatever they draw: when most of what was
        // drawn lies outside the frame, the picture is what was drawn, all of it.
        const double bw = double(h.bounds.right) - h.bounds.left + 1, bh = double(h.bounds.bottom) - h.bounds.top + 1;
        const double iw = std::max(0.0, std::min(right, h.bounds.right + 1.0) - std::max(left, double(h.bounds.left)));
        const double ih = std::max(0.0, std::min(bottom, h.bounds.bottom + 1.0) - std::max(top, double(h.bounds.top)));
        if (iw * ih < 0.5 * bw * bh)
            useBounds();
    }
    // The frame measures whole reference pixels; the destination counts both its edges (its
    // right and bottom pixels are the frame's last ones).
    left = std::round(left);
    top = std::round(top);
    right = std::round(right);
    bottom = std::round(bottom);
    const double width = std::max(right - left, 1.0), height = std::max(bottom - top, 1.0);
    const auto inclusive = [](int from, int to) { return to >= from ? double(to) - from + 1 : double(to) - from - 1; };
    const double sx = inclusive(destination.left, destination.right) / width;
    const double sy = inclusive(destination.top, destination.bottom) / height;
    m_playback = QTransform(sx, 0, 0, sy, destination.left - left * sx, destination.top - top * sy);
    m_objects.resize(std::max<std::size_t>(h.handles, 1));
}

void Player::play()
{
    const QTransform start = m_dc.deviceTransform();
    m_startDepth = m_dc.saveDC();
    m_startClip = m_dc.clipRegion();
    m_playback = m_playback * start;
    m_dc.setMapMode(MapMode::Text);
    m_dc.setWindowOrigin({0, 0});
    m_dc.setViewportOrigin({0, 0});
    // A metafile starts from the default state of a device context.
    m_dc.setPen({});
    m_dc.setBrush({});
    selectObject(stockObject | SYSTEM_FONT);
    m_dc.setTextColour(0x000000);
    m_dc.setBackgroundColour(0xFFFFFF);
    m_dc.setBackgroundMode(BackgroundMode::Opaque);
    m_dc.setPenMode(PenMode::CopyPen);
    m_dc.setPolyFillMode(PolyFillMode::Alternate);
    m_dc.setStretchMode(StretchMode::BlackOnWhite);
    m_dc.setTextAlign(0);
    m_dc.setCharExtra(0);
    m_dc.setArcDirection(ArcDirection::CounterClockwise);
    m_dc.setBrushOrigin({0, 0});
    applyTransform();

    // Files drawn with plus records play those instead (see plusPlayer).
    std::unique_ptr<plus::PlusPlayer> plusRecords = plusPlayer(start);
    const std::vector<std::uint8_t>& bytes = m_metafile.bytes();
    std::size_t position = 0;
    bool first = true;
    while (bytes.size() - position >= 8) {
        const std::uint32_t type = bytes::loadU32(&bytes[position]);
        const std::uint32_t size = bytes::loadU32(&bytes[position + 4]);
        if (size < 8 || size > bytes.size() - position)
            break;
        if (type == EMR_EOF)
            break;
        const auto data = std::span<const std::uint8_t>(bytes).subspan(position, size);
        if (plusRecords) {
            const auto records = type == EMR_GDICOMMENT ? plus::plusRecordsOf(data) : std::span<const std::uint8_t>();
            if (!records.empty()) {
                plusRecords->play(records);
            } else if (plusRecords->ordinaryRecordsDraw() && !first) {
                // What the plus records drew goes under what the ordinary ones draw.
                if (plus::drawsSomething(type, data))
                    plusRecords->flush();
                if (!record(type, data))
                    break;
            }
        } else if (!(first && type == EMR_HEADER)) {
            if (!record(type, data))
                break;
        }
        first = false;
        position += size;
    }
    if (plusRecords)
        plusRecords->flush();
    if (m_dc.pathOpen())
        m_dc.abortPath();
    m_dc.restoreDC(m_startDepth);
}

std::unique_ptr<plus::PlusPlayer> Player::plusPlayer(const QTransform& start)
{
    // A file whose header says it holds only plus records plays them; a dual file (both record
    // sets) plays its ordinary records, unless they draw nothing on the page.
    if (m_recordSet == plus::RecordSet::Ordinary
        || (m_recordSet == plus::RecordSet::Chosen && !plus::playsPlusRecords(m_metafile)))
        return nullptr;
    const auto header = plus::readPlusHeader(m_metafile);
    if (!header)
        return nullptr;
    // The device pixels the picture covers, within the device and the clip.
    const QRectF covered = start.mapRect(QRectF(QPointF(m_destination.left, m_destination.top),
                                                QPointF(m_destination.right + 1.0, m_destination.bottom + 1.0)));
    QRect area(QPoint(toDeviceCoordinate(std::floor(covered.left())), toDeviceCoordinate(std::floor(covered.top()))),
               QPoint(toDeviceCoordinate(std::ceil(covered.right())) - 1, toDeviceCoordinate(std::ceil(covered.bottom())) - 1));
    const Size device = m_dc.pixelSize();
    if (device.cx > 0 && device.cy > 0)
        area &= QRect(0, 0, device.cx, device.cy);
    if (const auto clip = m_dc.clipRect())
        area &= QRect(QPoint(clip->left, clip->top), QPoint(clip->right - 1, clip->bottom - 1));
    return std::make_unique<plus::PlusPlayer>(m_dc, m_playback, area, *header);
}

void Player::applyTransform()
{
    const PlayerState& s = m_state;
    QPointF windowExtent = s.windowExtent, viewportExtent = s.viewportExtent;
    if (const double mm = millimetresPerUnit(s.mode); mm > 0) {
        // Fixed modes measure against the reference device.
        windowExtent = {1, 1};
        viewportExtent = {m_pixelsPerMmX * mm, -m_pixelsPerMmY * mm};
    } else if (s.mode == MapMode::Isotropic) {
        viewportExtent = isotropicViewportExtent(windowExtent, viewportExtent);
    }
    m_dc.setWorldTransform(s.world * pageTransform(s.windowOrigin, windowExtent, s.viewportOrigin, viewportExtent)
                           * m_playback);
}

const Palette& defaultPalette()
{
    // The twenty static colours: the dark ones, four more, and the bright ones, white last.
    static const Palette palette([] {
        const Colour colours[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
                                  0xC0C0C0, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF,
                                  0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        std::vector<PaletteEntry> entries;
        for (const Colour c : colours)
            entries.push_back({redOf(c), greenOf(c), blueOf(c), 0});
        return entries;
    }());
    return palette;
}

const Palette& Player::palette() const
{
    return m_selectedPalette ? *m_selectedPalette : defaultPalette();
}

Colour Player::colour(std::uint32_t reference) const
{
    // Palette indexes look up the selected palette; flags are dropped.
    if ((reference >> 24) == 0x01) {
        const int index = int(reference & 0xFFFF);
        return index < palette().size() ? palette().colour(index) : 0;
    }
    return reference & 0x00FFFFFF;
}

bool Player::record(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
    case EMR_SETPIXELV: case EMR_ANGLEARC: case EMR_ELLIPSE: case EMR_RECTANGLE: case EMR_ROUNDRECT: case EMR_ARC:
    case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: case EMR_LINETO: case EMR_MOVETOEX:
        return drawingRecord(type, data);
    case EMR_BEGINPATH: case EMR_ENDPATH: case EMR_CLOSEFIGURE: case EMR_FILLPATH: case EMR_STROKEANDFILLPATH:
    case EMR_STROKEPATH: case EMR_FLATTENPATH: case EMR_WIDENPATH: case EMR_ABORTPATH:
        return pathRecord(type);
    case EMR_GRADIENTFILL:
        return gradientFill(in);
    case EMR_SELECTOBJECT: case EMR_CREATEPEN: case EMR_EXTCREATEPEN: case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT: case EMR_DELETEOBJECT: case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_SELECTPALETTE: case EMR_CREATEPALETTE: case EMR_SETPALETTEENTRIES:
        return objectRecord(type, data);
    case EMR_OFFSETCLIPRGN: case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: case EMR_SELECTCLIPPATH:
    case EMR_EXTSELECTCLIPRGN:
        return clipRecord(type, data);
    case EMR_FILLRGN: case EMR_FRAMERGN: case EMR_INVERTRGN: case EMR_PAINTRGN:
        return regionRecord(type, data);
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: case EMR_SMALLTEXTOUT:
        return textRecord(type, data);
    case EMR_STRETCHDIBITS: case EMR_SETDIBITSTODEVICE: case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT:
    case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
        return bitmapRecord(type, data);
    case EMR_SETWINDOWEXTEX: case EMR_SETVIEWPORTEXTEX: case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX:
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: case EMR_SETMAPMODE: case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: case EMR_SAVEDC: case EMR_RESTOREDC: case EMR_SETBRUSHORGEX: case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE: case EMR_SETROP2: case EMR_SETSTRETCHBLTMODE: case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR: case EMR_SETBKCOLOR: case EMR_SETARCDIRECTION: case EMR_SETMITERLIMIT:
        return stateRecord(type, in);
    default:
        // Comments (the newer "plus" records among them), colour management, escapes, and any
        // record this player does not know: skipped.
        return true;
    }
}

} // namespace metafile

void playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination)
{
    plus::playEnhancedMetafile(dc, metafile, destination, plus::RecordSet::Chosen);
}

void plus::playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination,
                                RecordSet records)
{
    metafile::Player player(dc, metafile, destination, records);
    player.play();
}

} // namespace platform

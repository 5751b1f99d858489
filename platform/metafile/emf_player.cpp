// Playing enhanced metafiles onto a device context.
//
// The player keeps the metafile's own coordinate state (mapping mode, window, viewport, world
// transform) and hands the context one world transform that takes the metafile's logical
// coordinates all the way to the context's: the metafile's page transform, then the playback
// transform that puts the frame onto the destination, then whatever mapping the context had when
// playback began. Fixed mapping modes measure against the metafile's reference device. Clip
// regions in records are in the reference device's pixels and go through the playback transform;
// selecting no region returns to the clip the context had when playback began.

#include "platform/metafile/enhanced_metafile.h"

#include "platform/byte_cursor.h"
#include "platform/metafile/dib.h"
#include "platform/metafile/emf_records.h"
#include "platform/metafile/plus_player.h"

#include <QString>

#include <cmath>
#include <cstring>
#include <limits>
#include <variant>

namespace platform {

namespace {

using namespace emf;

constexpr double coordinateLimit = double(1 << 30);

int clampInt(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A colour reference: palette indexes look up the selected palette; flags are dropped.
// The symbol font's characters as Unicode: Greek letters on the Latin letters, mathematical
// signs elsewhere. Files written with that font store the font's own codes (plain bytes, or the
// same codes moved to U+F020..U+F0FF).
char16_t symbolCharacter(char16_t code)
{
    static const char16_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                       0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                       0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
    static const char16_t lower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                                       0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                       0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
    static const std::pair<char16_t, char16_t> others[] = {
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245},
        {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x60, 0x203E}, {0x7E, 0x223C}, {0xA1, 0x3D2}, {0xA2, 0x2032},
        {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x192}, {0xA7, 0x2663}, {0xA8, 0x2666},
        {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192},
        {0xAF, 0x2193}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0xD7}, {0xB5, 0x221D}, {0xB6, 0x2202},
        {0xB7, 0x2022}, {0xB8, 0xF7}, {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026},
        {0xC0, 0x2135}, {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A},
        {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284}, {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208},
        {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5},
        {0xD8, 0xAC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1},
        {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE1, 0x2329}, {0xE5, 0x2211}, {0xF1, 0x232A},
        {0xF2, 0x222B}};
    if (code >= 0xF020 && code <= 0xF0FF)
        code = char16_t(code - 0xF000);
    if (code >= u'A' && code <= u'Z')
        return upper[code - u'A'];
    if (code >= u'a' && code <= u'z')
        return lower[code - u'a'];
    for (const auto& [from, to] : others)
        if (from == code)
            return to;
    return code;
}

// Only the symbol font itself: other fonts of the symbol character set (dingbats) have codes
// of their own.
bool isSymbolFont(const FontSpec& font)
{
    return QString::fromStdString(font.family).trimmed().compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

struct PenObject {
    PenSpec pen;
};
struct BrushObject {
    BrushSpec brush;
    std::shared_ptr<Section> pattern;
};
struct FontObject {
    FontSpec font;
};
struct PaletteObject {
    std::shared_ptr<Palette> palette;
};
using Object = std::variant<std::monostate, PenObject, BrushObject, FontObject, PaletteObject>;

// Unites rectangles pairwise, so that many rectangles cost n log n rather than n².
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

struct Mapping {
    MapMode mode = MapMode::Text;
    QPointF windowOrigin;
    QPointF windowExtent{1, 1};
    QPointF viewportOrigin;
    QPointF viewportExtent{1, 1};
    QTransform world;
};

class Player {
public:
    Player(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination, plus::RecordSet records);
    void play();

private:
    // Each returns false when the record is malformed, which ends playback.
    bool record(std::uint32_t type, std::span<const std::uint8_t> data);
    void applyTransform();
    std::unique_ptr<plus::PlusPlayer> plusPlayer(const QTransform& start);
    Colour colour(std::uint32_t reference) const;
    std::vector<Point> points(bytes::ByteCursor& in, std::uint32_t count, bool small);
    bool polyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small);
    bool polyPolyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small);
    Object* objectAt(std::uint32_t index);
    void selectObject(std::uint32_t index);
    void storeObject(std::uint32_t index, Object object);
    std::optional<QRegion> regionData(std::span<const std::uint8_t> data, bool deviceUnits);
    std::unique_ptr<Section> dib(std::span<const std::uint8_t> record, std::uint32_t offInfo, std::uint32_t sizeInfo,
                                 std::uint32_t offBits, std::uint32_t sizeBits, std::uint32_t usage);
    bool text(std::span<const std::uint8_t> data, std::size_t emrText, bool wide);
    bool bitmapRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    void setPattern(BrushSpec& brush, std::shared_ptr<Section> pattern);

    DeviceContext& m_dc;
    const EnhancedMetafile& m_metafile;
    Rect m_destination;
    plus::RecordSet m_recordSet;
    QTransform m_playback;  // reference-device pixels → the context's coordinates at the start
    double m_pixelsPerMmX = 1;
    double m_pixelsPerMmY = 1;
    Mapping m_map;
    std::vector<Mapping> m_savedMaps;
    std::vector<Object> m_objects;
    std::vector<std::shared_ptr<Section>> m_patterns;  // alive while the context may use them
    std::optional<QRegion> m_startClip;
    int m_startDepth = 0;
    std::shared_ptr<Palette> m_selectedPalette;
};

Player::Player(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination, plus::RecordSet records)
    : m_dc(dc), m_metafile(metafile), m_destination(destination), m_recordSet(records)
{
    const EnhancedMetafileHeader& h = metafile.header();
    m_pixelsPerMmX = double(h.device.cx) * 1000.0 / h.micrometres.cx;
    m_pixelsPerMmY = double(h.device.cy) * 1000.0 / h.micrometres.cy;
    // The frame (0.01 mm) in reference-device pixels; a picture without a frame uses its bounds.
    double left = h.frame.left * m_pixelsPerMmX / 100.0, top = h.frame.top * m_pixelsPerMmY / 100.0;
    double right = h.frame.right * m_pixelsPerMmX / 100.0, bottom = h.frame.bottom * m_pixelsPerMmY / 100.0;
    if (right - left < 1e-9 || bottom - top < 1e-9) {
        left = h.bounds.left;
        top = h.bounds.top;
        right = double(h.bounds.right) + 1;
        bottom = double(h.bounds.bottom) + 1;
    } else if (h.bounds.right >= h.bounds.left && h.bounds.bottom >= h.bounds.top) {
        // Some writers put the frame at the origin whatever they draw: when most of what was
        // drawn lies outside the frame, the frame keeps its size but moves to the drawing.
        const double bw = double(h.bounds.right) - h.bounds.left + 1, bh = double(h.bounds.bottom) - h.bounds.top + 1;
        const double iw = std::max(0.0, std::min(right, h.bounds.right + 1.0) - std::max(left, double(h.bounds.left)));
        const double ih = std::max(0.0, std::min(bottom, h.bounds.bottom + 1.0) - std::max(top, double(h.bounds.top)));
        if (iw * ih < 0.5 * bw * bh) {
            right += h.bounds.left - left;
            bottom += h.bounds.top - top;
            left = h.bounds.left;
            top = h.bounds.top;
        }
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
    FontSpec font;
    font.family = "System";
    font.height = 16;
    font.weight = 700;
    m_dc.setFont(font);
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
    const Mapping& m = m_map;
    double sx = 1, sy = 1;
    const auto fixed = [&](double mmPerUnit) {
        sx = m_pixelsPerMmX * mmPerUnit;
        sy = -m_pixelsPerMmY * mmPerUnit;
    };
    switch (m.mode) {
    case MapMode::Text: break;
    case MapMode::LoMetric: fixed(0.1); break;
    case MapMode::HiMetric: fixed(0.01); break;
    case MapMode::LoEnglish: fixed(0.254); break;
    case MapMode::HiEnglish: fixed(0.0254); break;
    case MapMode::Twips: fixed(25.4 / 1440); break;
    case MapMode::Isotropic:
    case MapMode::Anisotropic:
        sx = m.viewportExtent.x() / m.windowExtent.x();
        sy = m.viewportExtent.y() / m.windowExtent.y();
        if (m.mode == MapMode::Isotropic) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        break;
    }
    const QTransform page(sx, 0, 0, sy, m.viewportOrigin.x() - m.windowOrigin.x() * sx,
                          m.viewportOrigin.y() - m.windowOrigin.y() * sy);
    m_dc.setWorldTransform(m.world * page * m_playback);
}

Colour Player::colour(std::uint32_t reference) const
{
    if ((reference >> 24) == 0x01) {
        const Palette* palette = m_selectedPalette.get();
        const int index = int(reference & 0xFFFF);
        if (palette && index < palette->size())
            return palette->colour(index);
        return 0;
    }
    return reference & 0x00FFFFFF;
}

std::vector<Point> Player::points(bytes::ByteCursor& in, std::uint32_t count, bool small)
{
    std::vector<Point> result;
    if (!in.has(std::size_t(count) * (small ? 4 : 8))) {
        in.fail();
        return result;
    }
    result.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (small) {
            const int x = in.i16();
            result.push_back({x, in.i16()});
        } else {
            const int x = in.i32();
            result.push_back({x, in.i32()});
        }
    }
    return result;
}

bool Player::polyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small)
{
    bytes::ByteCursor in(data, 24);
    const std::uint32_t count = in.u32();
    const std::vector<Point> p = points(in, count, small);
    if (!in.ok())
        return false;
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYBEZIER16: m_dc.polyBezier(p); break;
    case EMR_POLYGON: case EMR_POLYGON16: m_dc.polygon(p); break;
    case EMR_POLYLINE: case EMR_POLYLINE16: m_dc.polyline(p); break;
    case EMR_POLYBEZIERTO: case EMR_POLYBEZIERTO16: m_dc.polyBezierTo(p); break;
    case EMR_POLYLINETO: case EMR_POLYLINETO16: m_dc.polylineTo(p); break;
    default: break;
    }
    return true;
}

bool Player::polyPolyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small)
{
    bytes::ByteCursor in(data, 24);
    const std::uint32_t polygons = in.u32();
    const std::uint32_t total = in.u32();
    if (!in.ok() || !in.has(std::size_t(polygons) * 4))
        return false;
    std::vector<int> counts(polygons);
    std::uint64_t sum = 0;
    for (auto& c : counts) {
        const std::uint32_t n = in.u32();
        sum += n;
        c = int(std::min<std::uint32_t>(n, std::numeric_limits<int>::max()));
    }
    if (sum != total)
        return false;
    const std::vector<Point> p = points(in, total, small);
    if (!in.ok())
        return false;
    if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16)
        m_dc.polyPolygon(p, counts);
    else
        m_dc.polyPolyline(p, counts);
    return true;
}

Object* Player::objectAt(std::uint32_t index)
{
    if (index == 0 || index >= m_objects.size())
        return nullptr;
    return &m_objects[index];
}

void Player::storeObject(std::uint32_t index, Object object)
{
    if (Object* slot = objectAt(index))
        *slot = std::move(object);
}

void Player::selectObject(std::uint32_t index)
{
    if (index & stockObject) {
        const std::uint32_t stock = index & ~stockObject;
        const auto brush = [&](BrushStyle style, Colour c) { m_dc.setBrush({style, c, nullptr}); };
        const auto pen = [&](PenStyle style, Colour c) { m_dc.setPen({style, 1, c}); };
        FontSpec font;
        switch (stock) {
        case WHITE_BRUSH: brush(BrushStyle::Solid, 0xFFFFFF); break;
        case LTGRAY_BRUSH: brush(BrushStyle::Solid, 0xC0C0C0); break;
        case GRAY_BRUSH: brush(BrushStyle::Solid, 0x808080); break;
        case DKGRAY_BRUSH: brush(BrushStyle::Solid, 0x404040); break;
        case BLACK_BRUSH: brush(BrushStyle::Solid, 0x000000); break;
        case NULL_BRUSH: brush(BrushStyle::Clear, 0); break;
        case DC_BRUSH: brush(BrushStyle::Solid, 0xFFFFFF); break;
        case WHITE_PEN: pen(PenStyle::Solid, 0xFFFFFF); break;
        case BLACK_PEN: case DC_PEN: pen(PenStyle::Solid, 0x000000); break;
        case NULL_PEN: pen(PenStyle::Clear, 0); break;
        case OEM_FIXED_FONT: case ANSI_FIXED_FONT: case SYSTEM_FIXED_FONT:
            font.family = "Courier New";
            font.height = 16;
            font.pitch = 1;
            m_dc.setFont(font);
            break;
        case ANSI_VAR_FONT: case DEFAULT_GUI_FONT:
            font.family = "MS Sans Serif";
            font.height = -11;
            m_dc.setFont(font);
            break;
        case SYSTEM_FONT: case DEVICE_DEFAULT_FONT:
            font.family = "System";
            font.height = 16;
            font.weight = 700;
            m_dc.setFont(font);
            break;
        case DEFAULT_PALETTE: m_selectedPalette.reset(); break;
        default: break;
        }
        return;
    }
    Object* object = objectAt(index);
    if (!object)
        return;
    if (auto* p = std::get_if<PenObject>(object))
        m_dc.setPen(p->pen);
    else if (auto* b = std::get_if<BrushObject>(object))
        m_dc.setBrush(b->brush);
    else if (auto* f = std::get_if<FontObject>(object))
        m_dc.setFont(f->font);
}

std::optional<QRegion> Player::regionData(std::span<const std::uint8_t> data, bool deviceUnits)
{
    // The region data header (32 bytes: size, type, rectangle count, bytes, bounds), then the
    // rectangles.
    bytes::ByteCursor in(data);
    in.u32();
    in.u32();
    const std::uint32_t count = in.u32();
    in.u32();
    in.skip(16);
    if (!in.ok() || !in.has(std::size_t(count) * 16))
        return std::nullopt;
    const QTransform toContext = deviceUnits ? m_playback : QTransform();
    QRegion region;
    std::vector<QRect> rects;
    rects.reserve(count);
    // Regions from a file may hold rectangles in any order: QRegion wants bands, so the
    // rectangles are united rather than set.
    for (std::uint32_t i = 0; i < count; ++i) {
        const double l = in.i32(), t = in.i32(), r = in.i32(), b = in.i32();
        if (r <= l || b <= t)
            continue;
        const QRectF mapped = toContext.mapRect(QRectF(QPointF(l, t), QPointF(r, b)));
        const auto edge = [](double v) { return int(std::lround(std::clamp(v, -coordinateLimit, coordinateLimit))); };
        const int left = edge(mapped.left()), top = edge(mapped.top()), right = edge(mapped.right()),
                  bottom = edge(mapped.bottom());
        if (right > left && bottom > top)
            rects.emplace_back(left, top, right - left, bottom - top);
    }
    return unitedRects(rects);
}

std::unique_ptr<Section> Player::dib(std::span<const std::uint8_t> record, std::uint32_t offInfo,
                                     std::uint32_t sizeInfo, std::uint32_t offBits, std::uint32_t sizeBits,
                                     std::uint32_t usage)
{
    if (offInfo > record.size() || sizeInfo > record.size() - offInfo || offBits > record.size()
        || sizeBits > record.size() - offBits)
        return nullptr;
    return metafile::sectionFromDib(record.subspan(offInfo, sizeInfo), record.subspan(offBits, sizeBits), usage,
                                    m_selectedPalette.get());
}

void Player::setPattern(BrushSpec& brush, std::shared_ptr<Section> pattern)
{
    brush.pattern = pattern.get();
    m_patterns.push_back(std::move(pattern));
}

bool Player::text(std::span<const std::uint8_t> data, std::size_t at, bool wide)
{
    // The text block: reference point, character count, string offset, options, rectangle,
    // advances offset. Offsets count from the record's start.
    bytes::ByteCursor in(data, at);
    const int x = in.i32(), y = in.i32();
    const std::uint32_t chars = in.u32();
    const std::uint32_t offString = in.u32();
    const std::uint32_t options = in.u32();
    const Rect rect{in.i32(), in.i32(), in.i32(), in.i32()};
    const std::uint32_t offDx = in.u32();
    if (!in.ok())
        return false;
    const std::size_t unit = wide ? 2 : 1;
    if (offString > data.size() || chars > (data.size() - offString) / unit)
        return false;
    QString string;
    bytes::ByteCursor s(data, offString);
    const bool symbol = isSymbolFont(m_dc.font());
    for (std::uint32_t i = 0; i < chars; ++i) {
        const char16_t c = wide ? char16_t(s.u16()) : char16_t(s.u8());
        string.append(QChar(symbol ? symbolCharacter(c) : c));
    }
    std::vector<int> dx;
    const std::size_t perChar = (options & ETO_PDY) ? 2 : 1;
    if (offDx != 0 && offDx <= data.size() && std::size_t(chars) * perChar <= (data.size() - offDx) / 4) {
        bytes::ByteCursor d(data, offDx);
        dx.resize(std::size_t(chars) * perChar);
        for (auto& v : dx)
            v = d.i32();
    }
    const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) && rect.right > rect.left && rect.bottom > rect.top;
    if (options & ETO_GLYPH_INDEX) {
        // Glyph indexes belong to the font the file was made with: only the rectangle is kept.
        string.clear();
        dx.clear();
    }
    const QByteArray utf8 = string.toUtf8();
    m_dc.extTextOut({x, y}, options, hasRect ? &rect : nullptr, std::string(utf8.constData(), std::size_t(utf8.size())), dx);
    return true;
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
        auto source = metafile::sectionFromDib(info, data.subspan(offBits, sizeBits), usage, m_selectedPalette.get());
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

bool Player::record(std::uint32_t type, std::span<const std::uint8_t> data)
{
    bytes::ByteCursor in(data, 8);
    switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
        return polyRecord(type, data, /*small=*/false);
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16:
        return polyRecord(type, data, /*small=*/true);
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: return polyPolyRecord(type, data, /*small=*/false);
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: return polyPolyRecord(type, data, /*small=*/true);
    case EMR_SETWINDOWEXTEX: case EMR_SETVIEWPORTEXTEX: {
        const int cx = in.i32(), cy = in.i32();
        if (!in.ok())
            return false;
        if (cx == 0 || cy == 0 || (m_map.mode != MapMode::Isotropic && m_map.mode != MapMode::Anisotropic))
            return true;
        (type == EMR_SETWINDOWEXTEX ? m_map.windowExtent : m_map.viewportExtent) = QPointF(cx, cy);
        applyTransform();
        return true;
    }
    case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX: {
        const int x = in.i32(), y = in.i32();
        if (!in.ok())
            return false;
        (type == EMR_SETWINDOWORGEX ? m_map.windowOrigin : m_map.viewportOrigin) = QPointF(x, y);
        applyTransform();
        return true;
    }
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: {
        const int xNum = in.i32(), xDenom = in.i32(), yNum = in.i32(), yDenom = in.i32();
        if (!in.ok())
            return false;
        if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0
            || (m_map.mode != MapMode::Isotropic && m_map.mode != MapMode::Anisotropic))
            return true;
        QPointF& extent = type == EMR_SCALEWINDOWEXTEX ? m_map.windowExtent : m_map.viewportExtent;
        extent = QPointF(extent.x() * xNum / xDenom, extent.y() * yNum / yDenom);
        applyTransform();
        return true;
    }
    case EMR_SETBRUSHORGEX: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.setBrushOrigin({x, y});
        return in.ok();
    }
    case EMR_SETPIXELV: {
        const int x = in.i32(), y = in.i32();
        const std::uint32_t c = in.u32();
        if (!in.ok())
            return false;
        m_dc.setPixel({x, y}, colour(c));
        return true;
    }
    case EMR_SETMAPMODE: {
        const std::uint32_t mode = in.u32();
        if (!in.ok())
            return false;
        if (mode < 1 || mode > 8)
            return true;
        const MapMode previous = m_map.mode;
        m_map.mode = MapMode(mode);
        if ((m_map.mode == MapMode::Isotropic || m_map.mode == MapMode::Anisotropic) && previous != MapMode::Isotropic
            && previous != MapMode::Anisotropic && previous != MapMode::Text) {
            // Entering a free mode from a fixed one keeps the fixed mode's scale.
            const double mm = previous == MapMode::LoMetric ? 0.1 : previous == MapMode::HiMetric ? 0.01
                              : previous == MapMode::LoEnglish ? 0.254 : previous == MapMode::HiEnglish ? 0.0254
                                                                                                        : 25.4 / 1440;
            m_map.windowExtent = {1000, 1000};
            m_map.viewportExtent = {1000 * m_pixelsPerMmX * mm, -1000 * m_pixelsPerMmY * mm};
        } else if (m_map.mode == MapMode::Text) {
            m_map.windowExtent = m_map.viewportExtent = {1, 1};
        }
        applyTransform();
        return true;
    }
    case EMR_SETBKMODE: {
        const std::uint32_t mode = in.u32();
        if (in.ok() && (mode == 1 || mode == 2))
            m_dc.setBackgroundMode(BackgroundMode(mode));
        return in.ok();
    }
    case EMR_SETPOLYFILLMODE: {
        const std::uint32_t mode = in.u32();
        if (in.ok() && (mode == 1 || mode == 2))
            m_dc.setPolyFillMode(PolyFillMode(mode));
        return in.ok();
    }
    case EMR_SETROP2: {
        const std::uint32_t mode = in.u32();
        if (in.ok() && mode >= 1 && mode <= 16)
            m_dc.setPenMode(PenMode(mode));
        return in.ok();
    }
    case EMR_SETSTRETCHBLTMODE: {
        const std::uint32_t mode = in.u32();
        if (in.ok() && mode >= 1 && mode <= 4)
            m_dc.setStretchMode(StretchMode(mode));
        return in.ok();
    }
    case EMR_SETTEXTALIGN: {
        const std::uint32_t align = in.u32();
        if (in.ok())
            m_dc.setTextAlign(align & 0x1F);
        return in.ok();
    }
    case EMR_SETTEXTCOLOR: case EMR_SETBKCOLOR: {
        const std::uint32_t c = in.u32();
        if (!in.ok())
            return false;
        if (type == EMR_SETTEXTCOLOR)
            m_dc.setTextColour(colour(c));
        else
            m_dc.setBackgroundColour(colour(c));
        return true;
    }
    case EMR_OFFSETCLIPRGN: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.offsetClipRegion(x, y);
        return in.ok();
    }
    case EMR_MOVETOEX: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.moveTo({x, y});
        return in.ok();
    }
    case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        if (!in.ok())
            return false;
        if (type == EMR_EXCLUDECLIPRECT)
            m_dc.excludeClipRect(r);
        else
            m_dc.intersectClipRect(r);
        return true;
    }
    case EMR_SAVEDC:
        m_dc.saveDC();
        m_savedMaps.push_back(m_map);
        return true;
    case EMR_RESTOREDC: {
        const int level = in.i32();
        if (!in.ok())
            return false;
        // Levels count the metafile's own saves: positive ones from its first save, negative
        // ones back from the last; the state from before playback is out of reach.
        const int saves = int(m_savedMaps.size());
        const int target = level < 0 ? saves + level + 1 : level;
        if (level == 0 || target < 1 || target > saves)
            return true;
        m_dc.restoreDC(m_startDepth + target);
        m_map = m_savedMaps[std::size_t(target - 1)];
        m_savedMaps.resize(std::size_t(target - 1));
        applyTransform();
        return true;
    }
    case EMR_SETWORLDTRANSFORM: case EMR_MODIFYWORLDTRANSFORM: {
        float f[6];
        for (float& v : f) {
            const std::uint32_t bits = in.u32();
            std::memcpy(&v, &bits, 4);
        }
        const std::uint32_t mode = type == EMR_SETWORLDTRANSFORM ? MWT_SET : in.u32();
        if (!in.ok())
            return false;
        const QTransform x(f[0], f[1], f[2], f[3], f[4], f[5]);
        const bool usable = std::all_of(std::begin(f), std::end(f), [](float v) { return std::isfinite(v); })
                            && x.isInvertible();
        QTransform next = m_map.world;
        switch (mode) {
        case MWT_IDENTITY: next = QTransform(); break;
        case MWT_LEFTMULTIPLY: if (usable) next = x * m_map.world; break;
        case MWT_RIGHTMULTIPLY: if (usable) next = m_map.world * x; break;
        case MWT_SET: if (usable) next = x; break;
        default: break;
        }
        if (!next.isInvertible())
            return true;
        m_map.world = next;
        applyTransform();
        return true;
    }
    case EMR_SELECTOBJECT: {
        const std::uint32_t index = in.u32();
        if (in.ok())
            selectObject(index);
        return in.ok();
    }
    case EMR_CREATEPEN: {
        const std::uint32_t index = in.u32(), style = in.u32();
        const int width = in.i32();
        in.i32();
        const std::uint32_t c = in.u32();
        if (!in.ok())
            return false;
        PenSpec pen;
        const std::uint32_t kind = style & PS_STYLE_MASK;
        pen.style = kind <= PS_INSIDEFRAME ? PenStyle(kind) : PenStyle::Solid;
        pen.width = std::max(0, width);
        pen.colour = colour(c);
        storeObject(index, PenObject{pen});
        return true;
    }
    case EMR_EXTCREATEPEN: {
        const std::uint32_t index = in.u32();
        in.skip(16);  // pattern bitmap of the pen's brush (drawn solid)
        const std::uint32_t style = in.u32(), width = in.u32(), brushStyle = in.u32(), c = in.u32();
        if (!in.ok())
            return false;
        PenSpec pen;
        const std::uint32_t kind = style & PS_STYLE_MASK;
        pen.style = kind <= PS_INSIDEFRAME ? PenStyle(kind) : kind == PS_ALTERNATE ? PenStyle::Dot : PenStyle::Solid;
        if (brushStyle == BS_NULL)
            pen.style = PenStyle::Clear;
        pen.geometric = (style & PS_GEOMETRIC) != 0;
        pen.cosmetic = !pen.geometric;
        pen.width = pen.geometric ? int(std::min<std::uint32_t>(width, 1 << 24)) : 1;
        pen.cap = (style & PS_ENDCAP_MASK) == PS_ENDCAP_FLAT ? PenCap::Flat
                  : (style & PS_ENDCAP_MASK) == PS_ENDCAP_SQUARE ? PenCap::Square : PenCap::Round;
        pen.join = (style & PS_JOIN_MASK) == PS_JOIN_BEVEL ? PenJoin::Bevel
                   : (style & PS_JOIN_MASK) == PS_JOIN_MITER ? PenJoin::Miter : PenJoin::Round;
        pen.colour = colour(c);
        storeObject(index, PenObject{pen});
        return true;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        const std::uint32_t index = in.u32(), style = in.u32(), c = in.u32(), hatch = in.u32();
        if (!in.ok())
            return false;
        BrushSpec brush;
        brush.colour = colour(c);
        if (style == BS_NULL)
            brush.style = BrushStyle::Clear;
        else if (style == BS_HATCHED && hatch <= 5)
            brush.style = BrushStyle(int(BrushStyle::Horizontal) + int(hatch));
        storeObject(index, BrushObject{brush, nullptr});
        return true;
    }
    case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT: {
        const std::uint32_t index = in.u32(), usage = in.u32();
        const std::uint32_t offInfo = in.u32(), sizeInfo = in.u32(), offBits = in.u32(), sizeBits = in.u32();
        if (!in.ok())
            return false;
        BrushObject object;
        std::shared_ptr<Section> pattern = dib(data, offInfo, sizeInfo, offBits, sizeBits, usage);
        if (pattern && type == EMR_CREATEMONOBRUSH && pattern->bitCount() == 1) {
            // A monochrome brush draws its 0 bits in the text colour and its 1 bits in the
            // background colour, as a monochrome device bitmap does.
            auto mono = Section::createMonochrome(pattern->width(), pattern->height());
            if (mono) {
                for (int y = 0; y < pattern->height(); ++y)
                    std::memcpy(mono->row(y), pattern->row(y), std::size_t(std::min(mono->stride(), pattern->stride())));
                pattern = std::move(mono);
            }
        }
        if (pattern)
            setPattern(object.brush, std::move(pattern));
        storeObject(index, std::move(object));
        return true;
    }
    case EMR_DELETEOBJECT: {
        const std::uint32_t index = in.u32();
        if (!in.ok())
            return false;
        storeObject(index, std::monostate{});
        return true;
    }
    case EMR_ANGLEARC: {
        const int x = in.i32(), y = in.i32();
        const std::uint32_t radius = in.u32();
        float start, sweep;
        const std::uint32_t a = in.u32(), b = in.u32();
        std::memcpy(&start, &a, 4);
        std::memcpy(&sweep, &b, 4);
        if (!in.ok())
            return false;
        if (!std::isfinite(start) || !std::isfinite(sweep))
            return true;
        const double r = std::min<double>(radius, coordinateLimit);
        const double a0 = start * M_PI / 180, a1 = (double(start) + sweep) * M_PI / 180;
        const Point from{clampInt(std::llround(x + r * std::cos(a0))), clampInt(std::llround(y - r * std::sin(a0)))};
        const Point to{clampInt(std::llround(x + r * std::cos(a1))), clampInt(std::llround(y - r * std::sin(a1)))};
        const Rect box{clampInt(std::llround(x - r)), clampInt(std::llround(y - r)), clampInt(std::llround(x + r)),
                       clampInt(std::llround(y + r))};
        m_dc.lineTo(from);
        const ArcDirection saved = m_dc.arcDirection();
        m_dc.setArcDirection(sweep < 0 ? ArcDirection::Clockwise : ArcDirection::CounterClockwise);
        if (std::abs(sweep) > 0)
            m_dc.arcTo(box, from, to);
        m_dc.setArcDirection(saved);
        m_dc.moveTo(to);
        return true;
    }
    case EMR_ELLIPSE: case EMR_RECTANGLE: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        if (!in.ok())
            return false;
        // Records keep the inclusive box the drawing call was given.
        if (type == EMR_ELLIPSE)
            m_dc.ellipse(r);
        else
            m_dc.rectangle(r);
        return true;
    }
    case EMR_ROUNDRECT: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        const int cw = in.i32(), ch = in.i32();
        if (!in.ok())
            return false;
        m_dc.roundRect(r, cw, ch);
        return true;
    }
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: {
        const Rect r{in.i32(), in.i32(), in.i32(), in.i32()};
        const Point start{in.i32(), in.i32()}, end{in.i32(), in.i32()};
        if (!in.ok())
            return false;
        switch (type) {
        case EMR_ARC: m_dc.arc(r, start, end); break;
        case EMR_CHORD: m_dc.chord(r, start, end); break;
        case EMR_PIE: m_dc.pie(r, start, end); break;
        default: m_dc.arcTo(r, start, end); break;
        }
        return true;
    }
    case EMR_SELECTPALETTE: {
        const std::uint32_t index = in.u32();
        if (!in.ok())
            return false;
        if (index == (stockObject | DEFAULT_PALETTE)) {
            m_selectedPalette.reset();
        } else if (Object* object = objectAt(index)) {
            if (auto* p = std::get_if<PaletteObject>(object)) {
                m_selectedPalette = p->palette;
                m_dc.selectPalette(p->palette.get());
            }
        }
        return true;
    }
    case EMR_CREATEPALETTE: {
        const std::uint32_t index = in.u32();
        in.u16();
        const std::uint16_t count = in.u16();
        if (!in.ok() || !in.has(std::size_t(count) * 4))
            return false;
        std::vector<PaletteEntry> entries(count);
        for (auto& e : entries) {
            e.red = in.u8();
            e.green = in.u8();
            e.blue = in.u8();
            e.flags = in.u8();
        }
        storeObject(index, PaletteObject{std::make_shared<Palette>(std::move(entries))});
        return true;
    }
    case EMR_SETPALETTEENTRIES: {
        const std::uint32_t index = in.u32(), start = in.u32(), count = in.u32();
        if (!in.ok() || !in.has(std::size_t(count) * 4))
            return false;
        Object* object = objectAt(index);
        auto* p = object ? std::get_if<PaletteObject>(object) : nullptr;
        if (!p || !p->palette)
            return true;
        std::vector<PaletteEntry> entries = p->palette->entries();
        for (std::uint32_t i = 0; i < count; ++i) {
            PaletteEntry e{in.u8(), in.u8(), in.u8(), in.u8()};
            if (std::uint64_t(start) + i < entries.size())
                entries[start + i] = e;
        }
        // A new palette object: the context may still hold the old one.
        const bool selected = m_selectedPalette == p->palette;
        p->palette = std::make_shared<Palette>(std::move(entries));
        if (selected) {
            m_selectedPalette = p->palette;
            m_dc.selectPalette(p->palette.get());
        }
        return true;
    }
    case EMR_LINETO: {
        const int x = in.i32(), y = in.i32();
        if (in.ok())
            m_dc.lineTo({x, y});
        return in.ok();
    }
    case EMR_SETARCDIRECTION: {
        const std::uint32_t d = in.u32();
        if (in.ok() && (d == 1 || d == 2))
            m_dc.setArcDirection(ArcDirection(d));
        return in.ok();
    }
    case EMR_SETMITERLIMIT: {
        const std::uint32_t limit = in.u32();
        if (in.ok())
            m_dc.setMiterLimit(limit);
        return in.ok();
    }
    case EMR_BEGINPATH: m_dc.beginPath(); return true;
    case EMR_ENDPATH: m_dc.endPath(); return true;
    case EMR_CLOSEFIGURE: m_dc.closeFigure(); return true;
    case EMR_FILLPATH: m_dc.fillPath(); return true;
    case EMR_STROKEANDFILLPATH: m_dc.strokeAndFillPath(); return true;
    case EMR_STROKEPATH: m_dc.strokePath(); return true;
    case EMR_FLATTENPATH: m_dc.flattenPath(); return true;
    case EMR_WIDENPATH: m_dc.widenPath(); return true;
    case EMR_ABORTPATH: m_dc.abortPath(); return true;
    case EMR_SELECTCLIPPATH: {
        const std::uint32_t mode = in.u32();
        if (!in.ok())
            return false;
        if (mode >= 1 && mode <= 5) {
            m_dc.selectClipPath(RegionMode(mode));
            if (mode == 5 && m_startClip)
                m_dc.selectClipRegion(&*m_startClip, RegionMode::And);
        }
        return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
        const std::uint32_t size = in.u32(), mode = in.u32();
        if (!in.ok())
            return false;
        if (mode < 1 || mode > 5)
            return true;
        if (size > data.size() - 16)
            return false;
        if (size == 0) {
            // No region: only a copy means anything, and it returns to the starting clip.
            if (mode == 5) {
                if (m_startClip)
                    m_dc.selectClipRegion(&*m_startClip, RegionMode::Copy);
                else
                    m_dc.selectClipRegion(nullptr, RegionMode::Copy);
            }
            return true;
        }
        // The region is in reference-device pixels, which the playback transform takes to the
        // context's pixels.
        std::optional<QRegion> region = regionData(data.subspan(16, size), /*deviceUnits=*/true);
        if (!region)
            return false;
        if (mode == 5 && m_startClip)
            *region = region->intersected(*m_startClip);
        m_dc.selectClipRegion(&*region, RegionMode(mode));
        return true;
    }
    case EMR_FILLRGN: case EMR_FRAMERGN: case EMR_INVERTRGN: case EMR_PAINTRGN: {
        in.skip(16);
        const std::uint32_t size = in.u32();
        std::uint32_t brushIndex = 0;
        int width = 1, height = 1;
        if (type == EMR_FILLRGN || type == EMR_FRAMERGN)
            brushIndex = in.u32();
        if (type == EMR_FRAMERGN) {
            width = in.i32();
            height = in.i32();
        }
        if (!in.ok() || size > in.remaining())
            return false;
        std::optional<QRegion> logical = regionData(data.subspan(in.position(), size), /*deviceUnits=*/false);
        if (!logical)
            return false;
        // Region records give logical rectangles; the context wants device pixels.
        const QTransform toDevice = m_dc.deviceTransform();
        std::vector<QRect> rects;
        for (const QRect& r : *logical)
            rects.push_back(toDevice.mapRect(QRectF(r)).toAlignedRect());
        const QRegion region = unitedRects(rects);
        BrushSpec brush = m_dc.brush();
        if (brushIndex) {
            if (brushIndex & stockObject) {
                const BrushSpec saved = m_dc.brush();
                selectObject(brushIndex);
                brush = m_dc.brush();
                m_dc.setBrush(saved);
            } else if (Object* object = objectAt(brushIndex)) {
                if (auto* b = std::get_if<BrushObject>(object))
                    brush = b->brush;
            }
        }
        const double scale = std::sqrt(std::abs(toDevice.determinant()));
        switch (type) {
        case EMR_FILLRGN: case EMR_PAINTRGN: m_dc.fillRegion(region, brush); break;
        case EMR_FRAMERGN:
            m_dc.frameRegion(region, brush, std::max(1, int(std::lround(std::min(width * scale, 65536.0)))),
                             std::max(1, int(std::lround(std::min(height * scale, 65536.0)))));
            break;
        default: m_dc.invertRegion(region); break;
        }
        return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        const std::uint32_t index = in.u32();
        FontSpec font;
        font.height = in.i32();
        font.width = in.i32();
        font.escapement = in.i32();
        font.orientation = in.i32();
        font.weight = in.i32();
        font.italic = in.u8() != 0;
        font.underline = in.u8() != 0;
        font.strikeOut = in.u8() != 0;
        font.charset = in.u8();
        in.skip(3);
        font.pitch = in.u8();
        QString face;
        for (int i = 0; i < 32 && in.has(2); ++i) {
            const char16_t c = in.u16();
            if (c == 0)
                break;
            face.append(QChar(c));
        }
        if (!in.ok())
            return false;
        if (font.height == std::numeric_limits<int>::min())
            font.height = std::numeric_limits<int>::min() + 1;
        font.width = std::max(0, font.width);
        font.family = face.toStdString();
        storeObject(index, FontObject{font});
        return true;
    }
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: return text(data, 36, type == EMR_EXTTEXTOUTW);
    case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: {
        in.skip(28);
        const std::uint32_t strings = in.u32();
        if (!in.ok() || std::uint64_t(strings) * 40 > in.remaining())
            return false;
        for (std::uint32_t i = 0; i < strings; ++i)
            if (!text(data, 40 + std::size_t(i) * 40, type == EMR_POLYTEXTOUTW))
                return false;
        return true;
    }
    case EMR_STRETCHDIBITS: case EMR_SETDIBITSTODEVICE: case EMR_BITBLT: case EMR_STRETCHBLT:
    case EMR_MASKBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
        return bitmapRecord(type, data);
    case EMR_GRADIENTFILL: {
        in.skip(16);
        const std::uint32_t vertices = in.u32(), shapes = in.u32(), mode = in.u32();
        if (!in.ok() || std::uint64_t(vertices) * 16 > in.remaining())
            return false;
        struct Vertex {
            int x, y;
            Colour c;
        };
        std::vector<Vertex> v(vertices);
        for (auto& vertex : v) {
            vertex.x = in.i32();
            vertex.y = in.i32();
            const int r = in.u16() >> 8, g = in.u16() >> 8, b = in.u16() >> 8;
            in.u16();
            vertex.c = rgb(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b));
        }
        // Rectangles (modes 0 and 1) are filled with their mean colour in bands; triangles
        // with the mean of their corners.
        const std::size_t perShape = mode == 2 ? 3 : 2;
        if (std::uint64_t(shapes) * perShape * 4 > in.remaining())
            return false;
        const PenSpec savedPen = m_dc.pen();
        const BrushSpec savedBrush = m_dc.brush();
        m_dc.setPen({PenStyle::Clear, 0, 0});
        for (std::uint32_t s = 0; s < shapes; ++s) {
            std::uint32_t index[3] = {0, 0, 0};
            for (std::size_t k = 0; k < perShape; ++k)
                index[k] = in.u32();
            if (std::any_of(index, index + perShape, [&](std::uint32_t i) { return i >= vertices; }))
                continue;
            if (mode == 2) {
                const Vertex &a = v[index[0]], &b = v[index[1]], &c = v[index[2]];
                const Colour mean = rgb(std::uint8_t((redOf(a.c) + redOf(b.c) + redOf(c.c)) / 3),
                                        std::uint8_t((greenOf(a.c) + greenOf(b.c) + greenOf(c.c)) / 3),
                                        std::uint8_t((blueOf(a.c) + blueOf(b.c) + blueOf(c.c)) / 3));
                m_dc.setBrush({BrushStyle::Solid, mean, nullptr});
                const Point tri[] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
                m_dc.polygon(tri);
                continue;
            }
            const Vertex &a = v[index[0]], &b = v[index[1]];
            constexpr int bands = 32;
            for (int i = 0; i < bands; ++i) {
                const auto mix = [&](std::uint8_t p, std::uint8_t q) {
                    return std::uint8_t((p * (2 * bands - 2 * i - 1) + q * (2 * i + 1)) / (2 * bands));
                };
                const Colour c = rgb(mix(redOf(a.c), redOf(b.c)), mix(greenOf(a.c), greenOf(b.c)),
                                     mix(blueOf(a.c), blueOf(b.c)));
                Rect band;
                if (mode == 0) {
                    const std::int64_t x0 = a.x + (std::int64_t(b.x) - a.x) * i / bands;
                    const std::int64_t x1 = a.x + (std::int64_t(b.x) - a.x) * (i + 1) / bands;
                    band = {clampInt(x0), std::min(a.y, b.y), clampInt(x1), std::max(a.y, b.y)};
                } else {
                    const std::int64_t y0 = a.y + (std::int64_t(b.y) - a.y) * i / bands;
                    const std::int64_t y1 = a.y + (std::int64_t(b.y) - a.y) * (i + 1) / bands;
                    band = {std::min(a.x, b.x), clampInt(y0), std::max(a.x, b.x), clampInt(y1)};
                }
                m_dc.fillRect(band, {BrushStyle::Solid, c, nullptr});
            }
        }
        m_dc.setPen(savedPen);
        m_dc.setBrush(savedBrush);
        return true;
    }
    default:
        // Comments (the newer "plus" records among them), colour management, escapes, and any
        // record this player does not know: skipped.
        return true;
    }
}

} // namespace

void playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination)
{
    plus::playEnhancedMetafile(dc, metafile, destination, plus::RecordSet::Chosen);
}

void plus::playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination,
                                RecordSet records)
{
    Player player(dc, metafile, destination, records);
    player.play();
}

} // namespace platform

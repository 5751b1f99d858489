#pragma once
// The enhanced-metafile player: one record at a time onto a device context. Internal to
// platform/metafile; each family of records is played in a file of its own (state, drawing,
// objects, clipping and regions, text, bitmaps).
//
// The player keeps the metafile's own coordinate state (mapping mode, window, viewport, world
// transform) and hands the context one world transform that takes the metafile's logical
// coordinates all the way to the context's: the metafile's page transform, then the playback
// transform that puts the frame onto the destination, then whatever mapping the context had when
// playback began. Fixed mapping modes measure against the metafile's reference device. Clip
// regions in records are in the reference device's pixels and go through the playback transform;
// selecting no region returns to the clip the context had when playback began.

#include "platform/byte_cursor.h"
#include "platform/metafile/enhanced_metafile.h"
#include "platform/metafile/plus_player.h"

#include <QPointF>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace platform::metafile {

constexpr double coordinateLimit = double(1 << 30);

inline int clampInt(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

struct PenObject {
    PenSpec pen;
};
struct BrushObject {
    BrushSpec brush;
    std::shared_ptr<Section> pattern;
};
// A font as the metafile describes it (its family and character set decide how its text is
// read) and as it is drawn (the face that stands in for that family).
struct FontObject {
    FontSpec font;
    FontSpec drawn;
};
struct PaletteObject {
    std::shared_ptr<Palette> palette;
};
using Object = std::variant<std::monostate, PenObject, BrushObject, FontObject, PaletteObject>;

// The palette a metafile starts with: the twenty static colours.
const Palette& defaultPalette();

// Unites rectangles pairwise, so that many rectangles cost n log n rather than n².
QRegion unitedRects(const std::vector<QRect>& rects);

// What a saved state brings back besides the context's own state.
struct PlayerState {
    MapMode mode = MapMode::Text;
    QPointF windowOrigin;
    QPointF windowExtent{1, 1};
    QPointF viewportOrigin;
    QPointF viewportExtent{1, 1};
    QTransform world;
    FontSpec font;             // the selected font as the metafile describes it
    bool rtlReading = false;   // text aligned for right-to-left reading
};

class Player {
public:
    Player(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination, plus::RecordSet records);
    void play();

private:
    // Each returns false when the record is malformed, which ends playback.
    bool record(std::uint32_t type, std::span<const std::uint8_t> data);
    bool stateRecord(std::uint32_t type, bytes::ByteCursor& in);
    bool drawingRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    bool pathRecord(std::uint32_t type);
    bool gradientFill(bytes::ByteCursor& in);
    bool objectRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    bool clipRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    bool regionRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    bool textRecord(std::uint32_t type, std::span<const std::uint8_t> data);
    bool bitmapRecord(std::uint32_t type, std::span<const std::uint8_t> data);

    void applyTransform();
    void setMapMode(MapMode mode);
    std::unique_ptr<plus::PlusPlayer> plusPlayer(const QTransform& start);
    // The selected palette, or the default one.
    const Palette& palette() const;
    Colour colour(std::uint32_t reference) const;
    std::vector<Point> points(bytes::ByteCursor& in, std::uint32_t count, bool small);
    bool polyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small);
    bool polyPolyRecord(std::uint32_t type, std::span<const std::uint8_t> data, bool small);
    Object* objectAt(std::uint32_t index);
    void selectObject(std::uint32_t index);
    void selectFont(const FontObject& font);
    void storeObject(std::uint32_t index, Object object);
    std::optional<QRegion> regionData(std::span<const std::uint8_t> data, bool deviceUnits);
    std::unique_ptr<Section> dib(std::span<const std::uint8_t> record, std::uint32_t offInfo, std::uint32_t sizeInfo,
                                 std::uint32_t offBits, std::uint32_t sizeBits, std::uint32_t usage);
    bool text(std::span<const std::uint8_t> data, std::size_t at, bool wide);
    bool smallText(std::span<const std::uint8_t> data);
    void drawText(Point at, unsigned options, const Rect* rect, QString string, std::vector<int> dx);
    void setPattern(BrushSpec& brush, std::shared_ptr<Section> pattern);

    DeviceContext& m_dc;
    const EnhancedMetafile& m_metafile;
    Rect m_destination;
    plus::RecordSet m_recordSet;
    QTransform m_playback;  // reference-device pixels → the context's coordinates at the start
    double m_pixelsPerMmX = 1;
    double m_pixelsPerMmY = 1;
    PlayerState m_state;
    std::vector<PlayerState> m_saved;
    std::vector<Object> m_objects;
    std::vector<std::shared_ptr<Section>> m_patterns;  // alive while the context may use them
    std::optional<QRegion> m_startClip;
    int m_startDepth = 0;
    std::shared_ptr<Palette> m_selectedPalette;
};

} // namespace platform::metafile

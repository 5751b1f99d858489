#pragma once
// Playing the "plus" records of an enhanced metafile. The records draw with floating-point
// coordinates, anti-aliasing and translucent colours, so they are drawn through a QPainter into
// a premultiplied layer over the destination's device pixels, which is then blended onto the
// context (any context: sections, painters, printers and the recorder alike). Internal to
// platform/metafile.

#include "platform/device_context.h"
#include "platform/metafile/plus_objects.h"

#include <QImage>
#include <QPainter>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

class EnhancedMetafile;

namespace plus {

// What a metafile's plus header says about it.
struct PlusHeader {
    bool dual = false;  // the ordinary records draw the picture as well
    double dpiX = 96;
    double dpiY = 96;
};

// The plus header of the metafile: the first record after the header must be a comment
// holding it. None for metafiles without plus records.
std::optional<PlusHeader> readPlusHeader(const EnhancedMetafile& metafile);
// Whether the metafile's picture comes from its plus records: files holding only them, and
// dual files whose ordinary records draw nothing.
bool playsPlusRecords(const EnhancedMetafile& metafile);
// Which of a metafile's record sets plays: the one the rule above chooses, or one of them
// whatever the file says (for comparing the two sets of a dual file).
enum class RecordSet { Chosen, Plus, Ordinary };
void playEnhancedMetafile(DeviceContext& dc, const EnhancedMetafile& metafile, const Rect& destination, RecordSet records);

// Whether an ordinary record puts something on the page (a bit blit without a source only
// paints the background and does not count).
bool drawsSomething(std::uint32_t type, std::span<const std::uint8_t> record);

// The plus records inside a comment record's data (after the record's type and size), or an
// empty span when the comment holds none.
std::span<const std::uint8_t> plusRecordsOf(std::span<const std::uint8_t> comment);

// Draws plus records. `toDevice` takes the metafile's reference-device pixels (the plus
// records' device space) to the context's device pixels; `area` is the part of the device the
// picture covers.
class PlusPlayer {
public:
    PlusPlayer(DeviceContext& dc, const QTransform& toDevice, const QRect& area, const PlusHeader& header);
    ~PlusPlayer();

    // Plays the plus records of one comment; false when a record is malformed (the rest of the
    // comment is skipped).
    bool play(std::span<const std::uint8_t> records);
    // After a GetDC record the ordinary records that follow draw too, over what the plus
    // records drew so far.
    bool ordinaryRecordsDraw() const { return m_getDC; }
    // Blends what has been drawn onto the context.
    void flush();

private:
    struct State {
        QTransform world;       // within the container
        QTransform container;   // the container's own transform
        Unit pageUnit = Unit::Pixel;
        double pageScale = 1;
        std::optional<QPainterPath> clip;            // layer pixels; none: unclipped
        std::optional<QPainterPath> containerClip;
        bool antiAlias = false;
        bool textAntiAlias = true;
        bool sourceCopy = false;
        bool smoothImages = true;
        QPointF renderingOrigin;
        std::uint32_t stackIndex = 0;
    };

    bool record(std::uint16_t type, std::uint16_t flags, std::span<const std::uint8_t> data);
    bool objectRecord(std::uint16_t flags, std::span<const std::uint8_t> data);
    bool drawingRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in);
    bool stateRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in);
    bool imageRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in);
    bool textRecord(std::uint16_t type, std::uint16_t flags, bytes::ByteCursor& in);

    // World coordinates to the reference device's pixels, and on to layer pixels.
    QTransform pageTransform() const;
    QTransform transform() const;
    // World units per unit (for pen widths and font sizes given in other units).
    double worldPerUnit(Unit unit) const;
    const Brush* brushOf(std::uint16_t flags, std::uint32_t value);
    const Pen* penOf(std::uint32_t id) const;
    template <class T> const T* objectAs(std::uint32_t id) const;

    QPainter* painter();
    void begin(QPainter& p);
    // Whether a figure within `world`, widened by `reach` world units all round, can touch the layer.
    bool reachesLayer(const QRectF& world, double reach) const;
    void fill(const QPainterPath& path, const Brush& brush);
    void stroke(const QPainterPath& path, const Pen& pen);
    void drawImage(const Image& image, const QRectF& source, const QTransform& placement);
    void setClip(const QPainterPath& world, CombineMode mode);

    DeviceContext& m_dc;
    QTransform m_toLayer;  // reference pixels → layer pixels
    QRect m_area;          // the layer in device pixels
    double m_layerScale = 1;
    PlusHeader m_header;
    QImage m_layer;
    std::unique_ptr<QPainter> m_painter;
    bool m_dirty = false;
    bool m_getDC = false;

    std::array<AnyObject, objectTableSize> m_objects;
    // An object whose bytes come in several records.
    struct Pending {
        int id = -1;
        ObjectType type = ObjectType::Invalid;
        std::uint32_t total = 0;
        std::vector<std::uint8_t> bytes;
    } m_pending;

    State m_state;
    std::vector<State> m_stack;
};

} // namespace plus
} // namespace platform

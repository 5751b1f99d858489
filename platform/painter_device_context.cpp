#include "platform/painter_device_context.h"

#include "platform/blit.h"
#include "platform/pixel_format.h"
#include "platform/qt_drawing.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

// Destination-reading operations that QPainter's raster-op composition modes carry out
// exactly; the value is the operand drawn with it (source or pattern).
struct CompositionRop {
    std::uint8_t function;
    QPainter::CompositionMode mode;
    bool usesPattern;
};

constexpr CompositionRop compositionRops[] = {
    {0x88, QPainter::RasterOp_SourceAndDestination, false},        // SrcAnd
    {0xEE, QPainter::RasterOp_SourceOrDestination, false},         // SrcPaint
    {0x66, QPainter::RasterOp_SourceXorDestination, false},        // SrcInvert
    {0x44, QPainter::RasterOp_SourceAndNotDestination, false},     // SrcErase
    {0xBB, QPainter::RasterOp_NotSourceOrDestination, false},      // MergePaint
    {0x11, QPainter::RasterOp_NotSourceAndNotDestination, false},  // NotSrcErase
    {0x5A, QPainter::RasterOp_SourceXorDestination, true},         // PatInvert
};

// Coordinates the painter is given directly stay within this distance of the origin; blits
// reaching further are cut to their visible part by the blit engine first.
constexpr int farCoordinate = 1 << 22;

bool isOpaqueRgb(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
           || format == QImage::Format_ARGB32_Premultiplied;
}

// The covered part of a blit result as a QImage: opaque pixels, drawn at their own size.
QImage opaqueImage(Section& result, const Rect& covered)
{
    for (int y = covered.top; y < covered.bottom; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(result.row(y));
        for (int x = covered.left; x < covered.right; ++x)
            row[x] |= 0xFF000000;
    }
    const QImage whole = result.sharedImage();
    if (covered == Rect{0, 0, result.width(), result.height()})
        return whole;  // shares the pixels: drawn before the section goes
    return whole.copy(detail::qRect(covered));
}

// Whether what is drawn on a device keeps an alpha channel. The unused fourth byte of 32-bit rows
// holds anything (0 as a rule), so such rows reach these devices only through opaque copies. A
// window is opaque whatever its backing store holds.
bool keepsTransparency(const QPaintDevice& device)
{
    switch (device.devType()) {
    case QInternal::Widget:
        return false;
    case QInternal::Image:
        return static_cast<const QImage&>(device).hasAlphaChannel();
    case QInternal::Pixmap:
        return static_cast<const QPixmap&>(device).hasAlphaChannel();
    default:
        return true;
    }
}

} // namespace

PainterDeviceContext::PainterDeviceContext(QPainter& painter, int dpiX, int dpiY)
    : m_painter(painter),
      m_dpiX(dpiX > 0 ? dpiX : (painter.device() ? painter.device()->logicalDpiX() : 96)),
      m_dpiY(dpiY > 0 ? dpiY : (painter.device() ? painter.device()->logicalDpiY() : 96))
{
}

int PainterDeviceContext::bitsPerPixel() const
{
    return m_painter.device() ? m_painter.device()->depth() : 32;
}

Size PainterDeviceContext::pixelSize() const
{
    const QPaintDevice* device = m_painter.device();
    return device ? Size{device->width(), device->height()} : Size{};
}

template <class Draw> void PainterDeviceContext::draw(Draw&& draw)
{
    m_painter.save();
    draw(m_painter);
    m_painter.restore();
}

void PainterDeviceContext::paintDevice(const Rect&, const std::function<void(QPainter&)>& paint)
{
    draw(paint);
}

QImage* PainterDeviceContext::readableTarget(Point& offset) const
{
    QPaintEngine* engine = m_painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice()
        || engine->paintDevice()->devType() != QInternal::Image)
        return nullptr;
    const QTransform t = m_painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return nullptr;
    auto* image = static_cast<QImage*>(engine->paintDevice());
    if (!isOpaqueRgb(image->format()))
        return nullptr;
    offset = {int(t.dx()), int(t.dy())};
    return image;
}

Rect PainterDeviceContext::visibleArea(const Rect& destination, const std::optional<Rect>& clip) const
{
    Rect area{std::min(destination.left, destination.right), std::min(destination.top, destination.bottom),
              std::max(destination.left, destination.right), std::max(destination.top, destination.bottom)};
    if (clip)
        area = area.intersected(*clip);
    if (m_painter.hasClipping()) {
        const QRect box = m_painter.clipBoundingRect().toAlignedRect();
        area = area.intersected({box.left(), box.top(), box.right() + 1, box.bottom() + 1});
    }
    // The device's own rectangle, brought back into our coordinates, bounds what can be seen.
    // The world transform alone maps into the device's own coordinates: the device transform of
    // a widget's painter also holds the widget's offset inside its window.
    if (const QPaintDevice* device = m_painter.device()) {
        bool invertible = false;
        const QTransform back = m_painter.transform().inverted(&invertible);
        if (!invertible)
            return {};
        const QRectF seen = back.mapRect(QRectF(0, 0, device->width(), device->height()));
        const auto edge = [](double v) {
            return int(std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
        };
        area = area.intersected({edge(std::floor(seen.left())), edge(std::floor(seen.top())),
                                 edge(std::ceil(seen.right())), edge(std::ceil(seen.bottom()))});
    }
    return area;
}

void PainterDeviceContext::blitThroughImage(const detail::BlitParams& params)
{
    const Rect area = visibleArea(params.destination, params.clip);
    // An area wider or taller than the coordinate range holds more pixels than any store.
    if (area.isEmpty() || std::int64_t(area.right) - area.left > std::numeric_limits<int>::max()
        || std::int64_t(area.bottom) - area.top > std::numeric_limits<int>::max())
        return;
    auto image = Section::createDisplayCompatible(area.width(), area.height());
    if (!image)
        return;
    detail::BlitParams local = params;
    // Coordinates may lie anywhere in their range, so the moves into the image are made in 64
    // bits: destination edges past the range stop at its end, and the brush origin, which only
    // counts modulo its tile (8 × 8 for hatches), is reduced to that.
    const auto moved = [](int value, int by) {
        return int(std::clamp<std::int64_t>(std::int64_t(value) - by, std::numeric_limits<int>::min(),
                                             std::numeric_limits<int>::max()));
    };
    const Rect& d = params.destination;
    local.destination = {moved(d.left, area.left), moved(d.top, area.top), moved(d.right, area.left),
                         moved(d.bottom, area.top)};
    const int tileWidth = params.brush.pattern ? params.brush.pattern->width() : 8;
    const int tileHeight = params.brush.pattern ? params.brush.pattern->height() : 8;
    local.brushOrigin = {int((std::int64_t(params.brushOrigin.x) - area.left) % tileWidth),
                         int((std::int64_t(params.brushOrigin.y) - area.top) % tileHeight)};
    local.clip.reset();  // applied to the visible area instead

    const std::uint8_t foreground = rop::functionOf(params.rasterOp);
    const std::uint8_t background = params.mask ? std::uint8_t(params.rasterOp >> 24) : foreground;
    const bool transparentHatch = detail::usesPattern(foreground) && !params.brush.pattern
                                  && params.brush.style != BrushStyle::Solid
                                  && params.brush.style != BrushStyle::Clear
                                  && params.backgroundMode == BackgroundMode::Transparent;
    const bool readsDestination = params.mask || transparentHatch || detail::usesDestination(foreground)
                                  || detail::usesDestination(background);
    auto drawAt = [&](const QImage& pixels, const Rect& covered, QPainter::CompositionMode mode) {
        draw([&](QPainter& painter) {
            painter.setCompositionMode(mode);
            painter.drawImage(QPoint(area.left + covered.left, area.top + covered.top), pixels);
        });
    };

    if (!readsDestination) {
        const Rect covered = detail::blit(*image, local);
        if (!covered.isEmpty())
            drawAt(opaqueImage(*image, covered), covered, QPainter::CompositionMode_Source);
        return;
    }

    const bool raster = m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Raster;
    if (raster && !params.mask && !transparentHatch) {
        if (foreground == 0x55) {  // DstInvert needs no operand
            draw([&](QPainter& painter) {
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.fillRect(detail::qRect(area), Qt::black);
            });
            return;
        }
        for (const CompositionRop& c : compositionRops) {
            if (c.function != foreground)
                continue;
            local.rasterOp = c.usesPattern ? rop::PatCopy : rop::SrcCopy;
            const Rect covered = detail::blit(*image, local);
            if (!covered.isEmpty())
                drawAt(opaqueImage(*image, covered), covered, c.mode);
            return;
        }
    }

    Point offset;
    if (QImage* target = readableTarget(offset)) {
        // Read the destination, combine, and draw the result back as a plain copy (which keeps
        // the painter's own clipping).
        for (int y = 0; y < area.height(); ++y) {
            const int ty = area.top + y + offset.y;
            auto* row = reinterpret_cast<std::uint32_t*>(image->row(y));
            for (int x = 0; x < area.width(); ++x) {
                const int tx = area.left + x + offset.x;
                const bool inside = tx >= 0 && ty >= 0 && tx < target->width() && ty < target->height();
                row[x] = inside ? reinterpret_cast<const std::uint32_t*>(target->constScanLine(ty))[tx] & 0xFFFFFF : 0;
            }
        }
        const Rect covered = detail::blit(*image, local);
        if (!covered.isEmpty())
            drawAt(opaqueImage(*image, covered), covered, QPainter::CompositionMode_Source);
        return;
    }

    // The destination cannot be read: evaluate against black and against white, and keep from
    // the operand the bits that follow the destination.
    auto white = Section::createDisplayCompatible(area.width(), area.height());
    auto operand = Section::createDisplayCompatible(area.width(), area.height());
    if (!white || !operand)
        return;
    white->fill(0xFFFFFF);
    const Rect covered = detail::blit(*image, local);
    detail::blit(*white, local);
    detail::BlitParams operandParams = local;
    operandParams.mask = nullptr;
    operandParams.rasterOp = params.source ? rop::SrcCopy : rop::PatCopy;
    detail::blit(*operand, operandParams);
    if (covered.isEmpty())
        return;
    QImage pixels(covered.width(), covered.height(), QImage::Format_ARGB32);
    for (int y = covered.top; y < covered.bottom; ++y) {
        const auto* r0 = reinterpret_cast<const std::uint32_t*>(image->row(y));
        const auto* r1 = reinterpret_cast<const std::uint32_t*>(white->row(y));
        const auto* op = reinterpret_cast<const std::uint32_t*>(operand->row(y));
        auto* out = reinterpret_cast<QRgb*>(pixels.scanLine(y - covered.top));
        for (int x = covered.left; x < covered.right; ++x) {
            const std::uint32_t onBlack = r0[x] & 0xFFFFFF, onWhite = r1[x] & 0xFFFFFF;
            if (onBlack == 0 && onWhite == 0xFFFFFF) {
                out[x - covered.left] = 0;
                continue;
            }
            const std::uint32_t fixed = ~(onBlack ^ onWhite) & 0xFFFFFF;
            out[x - covered.left] = 0xFF000000 | (onBlack & fixed) | (op[x] & ~fixed & 0xFFFFFF);
        }
    }
    drawAt(pixels, covered, QPainter::CompositionMode_SourceOver);
}

bool PainterDeviceContext::copyStoredRows(const detail::BlitParams& params)
{
    if (!params.source || params.mask || rop::functionOf(params.rasterOp) != rop::functionOf(rop::SrcCopy))
        return false;
    const QPaintEngine* engine = m_painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || m_painter.worldTransform().type() > QTransform::TxScale)
        return false;
    // Mirrored rectangles, source pixels outside the section and far coordinates are the blit
    // engine's; so is averaging.
    const Section& source = *params.source;
    const Rect& d = params.destination;
    const Rect& s = params.sourceRect;
    const auto near = [](int v) { return v >= -farCoordinate && v <= farCoordinate; };
    if (d.left >= d.right || d.top >= d.bottom || !near(d.left) || !near(d.right) || !near(d.top)
        || !near(d.bottom))
        return false;
    if (s.left < 0 || s.top < 0 || s.left >= s.right || s.top >= s.bottom || s.right > source.width()
        || s.bottom > source.height())
        return false;
    if (params.stretchMode == StretchMode::Halftone && (d.width() != s.width() || d.height() != s.height()))
        return false;
    const QImage rows = source.storedRows();
    if (rows.isNull())
        return false;
    const QPaintDevice* target = m_painter.device();
    if (rows.format() == QImage::Format_RGB32 && (!target || keepsTransparency(*target)))
        return false;
    draw([&](QPainter& painter) {
        if (params.clip)
            painter.setClipRect(detail::qRect(*params.clip), Qt::IntersectClip);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        QRectF from(s.left, s.top, s.width(), s.height());
        if (!source.isTopDown()) {
            // Bottom-up rows: picture row y is memory row height − 1 − y, so the rows are drawn
            // upside down into the destination.
            painter.translate(0, double(d.top) + d.bottom);
            painter.scale(1, -1);
            from.moveTop(source.height() - s.bottom);
        }
        painter.drawImage(QRectF(d.left, d.top, d.width(), d.height()), rows, from);
    });
    return true;
}

void PainterDeviceContext::blitDevice(const detail::BlitParams& params)
{
    if (copyStoredRows(params))
        return;
    blitThroughImage(params);
}

void PainterDeviceContext::setDevicePixel(Point p, Colour colour)
{
    draw([&](QPainter& painter) { painter.fillRect(QRect(p.x, p.y, 1, 1), detail::qColour(colour)); });
}

Colour PainterDeviceContext::devicePixel(Point p) const
{
    Point offset;
    const QImage* target = readableTarget(offset);
    if (!target)
        return 0;
    const int x = p.x + offset.x, y = p.y + offset.y;
    if (x < 0 || y < 0 || x >= target->width() || y >= target->height())
        return 0;
    const QRgb c = target->pixel(x, y);
    return rgb(std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c)));
}

} // namespace platform

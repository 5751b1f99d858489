#include "platform/metafile/stroke_clipping.h"

#include <QPolygonF>

#include <cmath>

namespace platform::metafile {

namespace {

// Liang and Barsky's clipping of the segment a-b to the rectangle: the parameters of the part
// inside, if any.
bool clipSegment(QPointF a, QPointF b, const QRectF& rect, double& enter, double& leave)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(), rect.bottom() - a.y()};
    enter = 0;
    leave = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    return enter <= leave;
}

} // namespace

std::optional<QPainterPath> strokedPartNear(const QPainterPath& path, const QTransform& toDevice, const QRectF& area,
                                            double reach)
{
    if (!toDevice.isInvertible())
        return std::nullopt;
    // No direction stretches more than the root of the sum of the squared coefficients.
    const double stretch = std::hypot(std::hypot(toDevice.m11(), toDevice.m12()), std::hypot(toDevice.m21(), toDevice.m22()));
    const double margin = std::abs(reach) * stretch + 2;  // antialiasing reaches a pixel past the outline
    const QRectF near = area.adjusted(-margin, -margin, margin, margin);
    const QRectF box = toDevice.mapRect(path.controlPointRect());
    // Paths up to a few times the area's size are cheap enough as they are.
    if (!std::isfinite(margin) || (box.width() <= 4 * near.width() && box.height() <= 4 * near.height()))
        return std::nullopt;

    const QTransform back = toDevice.inverted();
    QPainterPath cut;
    for (const QPolygonF& line : path.toSubpathPolygons(toDevice)) {
        bool open = false;  // whether the last visible piece ends where the next one starts
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            const QPointF a = line[i], b = line[i + 1];
            double enter = 0, leave = 1;
            if (!clipSegment(a, b, near, enter, leave)) {
                open = false;
                continue;
            }
            if (!open || enter > 0)
                cut.moveTo(back.map(a + (b - a) * enter));
            cut.lineTo(back.map(a + (b - a) * leave));
            open = leave >= 1;
        }
    }
    return cut;
}

} // namespace platform::metafile

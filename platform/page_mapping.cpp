#include "platform/page_mapping.h"

#include <cmath>

namespace platform {

double millimetresPerUnit(MapMode mode)
{
    switch (mode) {
    case MapMode::LoMetric: return 0.1;
    case MapMode::HiMetric: return 0.01;
    case MapMode::LoEnglish: return 0.254;
    case MapMode::HiEnglish: return 0.0254;
    case MapMode::Twips: return 25.4 / 1440;
    default: return 0;
    }
}

QPointF isotropicViewportExtent(QPointF window, QPointF viewport)
{
    if (window.x() == 0 || window.y() == 0)
        return viewport;
    const double sx = std::abs(viewport.x() / window.x());
    const double sy = std::abs(viewport.y() / window.y());
    if (sx > sy)
        return {std::copysign(sy * std::abs(window.x()), viewport.x()), viewport.y()};
    if (sy > sx)
        return {viewport.x(), std::copysign(sx * std::abs(window.y()), viewport.y())};
    return viewport;
}

QTransform pageTransform(QPointF windowOrigin, QPointF windowExtent, QPointF viewportOrigin, QPointF viewportExtent)
{
    const double sx = viewportExtent.x() / windowExtent.x();
    const double sy = viewportExtent.y() / windowExtent.y();
    return QTransform(sx, 0, 0, sy, viewportOrigin.x() - windowOrigin.x() * sx,
                      viewportOrigin.y() - windowOrigin.y() * sy);
}

} // namespace platform

#pragma once
// Mapping modes: how page (logical) coordinates become device pixels. Device contexts and the
// metafile player both compute their page transform here.

#include "platform/device_context.h"

#include <QPointF>
#include <QTransform>

namespace platform {

// Millimetres one logical unit measures in a fixed mapping mode (y grows upwards in all of
// them); 0 for the text mode and the two free modes.
double millimetresPerUnit(MapMode mode);

// The viewport extent of an isotropic mapping: the axis that would scale more is cut so that a
// logical unit is as wide as it is tall (signs are kept).
QPointF isotropicViewportExtent(QPointF windowExtent, QPointF viewportExtent);

// Logical → device: the window (origin and extent) onto the viewport (origin and extent).
QTransform pageTransform(QPointF windowOrigin, QPointF windowExtent, QPointF viewportOrigin, QPointF viewportExtent);

} // namespace platform

#pragma once
// Lines reaching far past the area they are drawn on. The rasteriser walks every edge pixel by
// pixel, inside its clip or not, so a stroke of a line a hostile file makes millions of pixels
// long costs seconds however little of it shows; cut to the area first, it costs what shows.

#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <optional>

namespace platform::metafile {

// The parts of the lines of `path` (world coordinates) that can show in `area` (device
// coordinates) when stroked with a pen reaching `reach` world units from them (half its width,
// widened by its joins and caps), as open polylines in world coordinates, curves flattened.
// Nothing when the path lies near enough to the area to be drawn as it is, or the transform
// cannot be undone. A dashed pen must not use it: cutting shifts the dashes.
std::optional<QPainterPath> strokedPartNear(const QPainterPath& path, const QTransform& toDevice, const QRectF& area,
                                            double reach);

} // namespace platform::metafile

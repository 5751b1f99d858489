#include "platform/metafile/stroke_clipping.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include <gtest/gtest.h>

using platform::metafile::strokedPartNear;

namespace {

// The path stroked onto a 64 × 48 picture through the transform, antialiased.
QImage stroked(const QPainterPath& path, const QTransform& toDevice, const QPen& pen)
{
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(toDevice);
    painter.setPen(pen);
    painter.drawPath(path);
    return image;
}

} // namespace

TEST(StrokeClipping, LinesFarPastTheAreaAreCutWithoutChangingWhatShows)
{
    // Stretched 500 times across and squeezed five times down, as hostile files make it.
    const QTransform squeezed = QTransform::fromScale(500, 0.2) * QTransform::fromTranslate(-5000, 0);
    QPainterPath across;  // a line of about 5 million pixels through the picture
    across.moveTo(0, 100);
    across.lineTo(10000, 120);
    QPainterPath bends;  // in and out of the picture several times, with a curve
    bends.moveTo(-50, 10);
    bends.lineTo(10.05, 40);
    bends.lineTo(60, 60);
    bends.cubicTo(10.06, 100, 10.07, 150, 9000, 200);
    bends.closeSubpath();
    const struct {
        const char* name;
        QPainterPath path;
        QTransform toDevice;
        QPen pen;
    } cases[] = {
        {"a thin line", across, squeezed, QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)},
        {"a wide line, flat ends", across, squeezed, QPen(Qt::red, 40, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin)},
        {"a bent closed line", bends, squeezed, QPen(Qt::blue, 0.01, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)},
        {"turned a quarter", across,
         QTransform(0, 0.3, -200, 0, 22032, -1500), QPen(Qt::green, 0.5, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin)},
    };
    for (const auto& c : cases) {
        const double reach = c.pen.widthF() * std::max(c.pen.miterLimit(), 1.0);
        const auto cut = strokedPartNear(c.path, c.toDevice, QRectF(0, 0, 64, 48), reach);
        ASSERT_TRUE(cut.has_value()) << c.name;
        // What is left lies near the picture: a few of its sizes at most.
        const QRectF kept = c.toDevice.mapRect(cut->boundingRect());
        EXPECT_LT(kept.width(), 64 + 2 * (reach * 500 + 2) + 1) << c.name;
        const QImage expected = stroked(c.path, c.toDevice, c.pen);
        const QImage actual = stroked(*cut, c.toDevice, c.pen);
        int largest = 0, covered = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                largest = std::max(largest, std::abs(qAlpha(expected.pixel(x, y)) - qAlpha(actual.pixel(x, y))));
                covered += qAlpha(expected.pixel(x, y)) > 0 ? 1 : 0;
            }
        EXPECT_GT(covered, 0) << c.name;
        // Antialiasing may round the cut ends' coverage a level or so differently.
        EXPECT_LE(largest, 4) << c.name;
    }
}

TEST(StrokeClipping, PathsNearTheAreaOrUnmappableAreLeftAlone)
{
    QPainterPath inside;
    inside.moveTo(1, 1);
    inside.lineTo(200, 100);  // a few times the area: drawn as it is
    EXPECT_FALSE(strokedPartNear(inside, QTransform(), QRectF(0, 0, 64, 48), 1));
    QPainterPath far;
    far.moveTo(0, 0);
    far.lineTo(1e6, 0);
    EXPECT_FALSE(strokedPartNear(far, QTransform::fromScale(0, 1), QRectF(0, 0, 64, 48), 1));
    // Entirely away from the area: nothing is left to draw.
    const auto away = strokedPartNear(far, QTransform::fromTranslate(0, 500), QRectF(0, 0, 64, 48), 1);
    ASSERT_TRUE(away.has_value());
    EXPECT_TRUE(away->isEmpty());
}

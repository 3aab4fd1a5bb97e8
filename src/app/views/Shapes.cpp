#include "Shapes.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// One corner of a continuous rounded rectangle, in multiples of the radius: a point (a, b) lies
// a radii back along the incoming edge and b radii along the outgoing one from the corner.
constexpr qreal reach = 1.52866483;
struct CornerPoint
{
    qreal along;
    qreal across;
};
constexpr std::array<CornerPoint, 9> cornerCurve{{
    {1.08849323, 0},
    {0.86840689, 0},
    {0.63149399, 0.07491100},
    {0.37282392, 0.16905899},
    {0.16905899, 0.37282392},
    {0.07491100, 0.63149399},
    {0, 0.86840689},
    {0, 1.08849323},
    {0, reach},
}};

struct Corner
{
    QPointF point;
    QPointF back; // unit vector back along the incoming edge
    QPointF out;  // unit vector along the outgoing edge
};

qreal fittingRadius(const QRectF& rect, qreal radius)
{
    return std::clamp(radius, qreal(0), std::min(rect.width(), rect.height()) / 2 / reach);
}

std::array<Corner, 4> cornersOf(const QRectF& rect)
{
    return {{
        {rect.topRight(), {-1, 0}, {0, 1}},
        {rect.bottomRight(), {0, -1}, {-1, 0}},
        {rect.bottomLeft(), {1, 0}, {0, -1}},
        {rect.topLeft(), {0, 1}, {1, 0}},
    }};
}

// Appends one corner's curve, from the incoming edge to the outgoing one.
void addCorner(QPainterPath& path, const Corner& corner, qreal r)
{
    const auto at = [&](const CornerPoint& p) {
        return corner.point + corner.back * (p.along * r) + corner.out * (p.across * r);
    };
    const QPointF start = at({reach, 0});
    if (path.elementCount() == 0)
        path.moveTo(start);
    else
        path.lineTo(start);
    for (std::size_t i = 0; i < cornerCurve.size(); i += 3)
        path.cubicTo(at(cornerCurve[i]), at(cornerCurve[i + 1]), at(cornerCurve[i + 2]));
}

} // namespace

QPainterPath Shapes::continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const qreal r = fittingRadius(rect, radius);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    for (const Corner& corner : cornersOf(rect))
        addCorner(path, corner, r);
    path.closeSubpath();
    return path;
}

void Shapes::fillContinuousRoundedRect(QPainter& painter, const QRect& rect, qreal radius,
                                       const QColor& colour)
{
    const qreal r = fittingRadius(rect, radius);
    // Square corner cells, whole pixels, so that the plain fills around them meet them exactly.
    const int cell = int(std::ceil(reach * r));
    // The pieces meet on whole device pixels only under a whole-number scale (1x, 2x); at 1.25x
    // their antialiased seams would show through a translucent fill.
    const QTransform transform = painter.deviceTransform();
    const auto whole = [](qreal v) { return v == std::round(v); };
    const bool pixelAligned = transform.type() <= QTransform::TxScale && whole(transform.m11()) &&
                              whole(transform.m22()) && whole(transform.dx()) && whole(transform.dy());
    if (!pixelAligned || rect.isEmpty() || cell <= 0 || 2 * cell > std::min(rect.width(), rect.height())) {
        fill(painter, continuousRoundedRect(rect, radius), colour);
        return;
    }
    // Antialiasing only where the edge curves: a large card is mostly straight, and rasterising
    // its whole outline as a curve costs a frame's worth of time on long pages.
    const QRect middle(rect.left() + cell, rect.top(), rect.width() - 2 * cell, rect.height());
    painter.fillRect(middle, colour);
    painter.fillRect(QRect(rect.left(), rect.top() + cell, cell, rect.height() - 2 * cell), colour);
    painter.fillRect(QRect(rect.right() + 1 - cell, rect.top() + cell, cell, rect.height() - 2 * cell),
                     colour);
    const QRectF outline(rect);
    for (const Corner& corner : cornersOf(outline)) {
        // The corner's curve closed through the inner corner of its cell.
        QPainterPath path;
        path.moveTo(corner.point + corner.back * cell);
        addCorner(path, corner, r);
        path.lineTo(corner.point + corner.out * cell);
        path.lineTo(corner.point + (corner.back + corner.out) * cell);
        path.closeSubpath();
        fill(painter, path, colour);
    }
}

QPainterPath Shapes::capsule(const QRectF& rect)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const qreal radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void Shapes::fill(QPainter& painter, const QPainterPath& path, const QColor& colour)
{
    painter.fillPath(path, colour);
}

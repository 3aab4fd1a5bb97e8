#include "Shapes.h"

#include <QPainter>

#include <algorithm>
#include <array>

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

} // namespace

QPainterPath Shapes::continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const qreal r = std::clamp(radius, qreal(0), std::min(rect.width(), rect.height()) / 2 / reach);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    const std::array<Corner, 4> corners{{
        {rect.topRight(), {-1, 0}, {0, 1}},
        {rect.bottomRight(), {0, -1}, {-1, 0}},
        {rect.bottomLeft(), {1, 0}, {0, -1}},
        {rect.topLeft(), {0, 1}, {1, 0}},
    }};
    for (const Corner& corner : corners) {
        const auto at = [&](const CornerPoint& p) {
            return corner.point + corner.back * (p.along * r) + corner.out * (p.across * r);
        };
        const QPointF start = at({reach, 0});
        if (path.isEmpty())
            path.moveTo(start);
        else
            path.lineTo(start);
        for (std::size_t i = 0; i < cornerCurve.size(); i += 3)
            path.cubicTo(at(cornerCurve[i]), at(cornerCurve[i + 1]), at(cornerCurve[i + 2]));
    }
    path.closeSubpath();
    return path;
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

#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// The rounded shapes the window is drawn with.
namespace Shapes {

// A rounded rectangle with continuous corners: the curvature eases in along the edges instead of
// jumping from straight to circular, as cards on macOS are drawn. The radius shrinks for a
// rectangle too small to hold it.
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

// Fills the same shape as continuousRoundedRect(), antialiased at the corners only.
void fillContinuousRoundedRect(QPainter& painter, const QRect& rect, qreal radius, const QColor& colour);

// A rectangle with fully rounded ends along its shorter side.
QPainterPath capsule(const QRectF& rect);

void fill(QPainter& painter, const QPainterPath& path, const QColor& colour);

} // namespace Shapes

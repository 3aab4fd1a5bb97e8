#include "CapsuleBar.h"

#include "Shapes.h"
#include "Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

CapsuleBar::CapsuleBar(double fraction, const QColor& tint, int height, QWidget* parent)
    : QWidget(parent)
    , m_fraction(clampedFraction(fraction))
    , m_tint(tint)
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double CapsuleBar::clampedFraction(double fraction)
{
    if (std::isnan(fraction))
        return 0;
    return std::clamp(fraction, 0.0, 1.0);
}

qreal CapsuleBar::fillWidth() const
{
    return width() * m_fraction;
}

QString CapsuleBar::accessibleValue() const
{
    return QString::number(std::lround(m_fraction * 100)) + u'%';
}

QSize CapsuleBar::sizeHint() const
{
    return {height() * 4, height()};
}

QSize CapsuleBar::minimumSizeHint() const
{
    return {0, height()};
}

void CapsuleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(rect());
    Shapes::fill(painter, Shapes::capsule(track), Theme::white(0.10));
    const qreal filled = fillWidth();
    if (filled > 0)
        Shapes::fill(painter, Shapes::capsule(QRectF(track.topLeft(), QSizeF(filled, track.height()))),
                     m_tint);
}

ShareBar::ShareBar(double value, double total, const QColor& tint, int height, QWidget* parent)
    : CapsuleBar(fraction(value, total), tint, height, parent)
{}

double ShareBar::fraction(double value, double total)
{
    if (!(total > 0))
        return 0;
    return clampedFraction(std::min(value / total, 1.0));
}

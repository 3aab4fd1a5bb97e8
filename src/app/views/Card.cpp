#include "Card.h"

#include "Shapes.h"

#include <QPainter>

Card::Card(const QColor& fill, qreal radius, QWidget* parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_radius(radius)
{}

void Card::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Shapes::fillContinuousRoundedRect(painter, rect(), m_radius, m_fill);
}

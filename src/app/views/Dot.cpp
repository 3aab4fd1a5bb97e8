#include "Dot.h"

#include <QPainter>

Dot::Dot(const QColor& colour, int diameter, QWidget* parent)
    : QWidget(parent)
    , m_colour(colour)
{
    setFixedSize(diameter, diameter);
}

void Dot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_colour);
    painter.drawEllipse(QRectF(rect()));
}

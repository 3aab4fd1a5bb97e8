#include "SwitchToggle.h"

#include "ShellColours.h"

#include "app/views/Shapes.h"

#include <QFocusEvent>
#include <QPainter>

SwitchToggle::SwitchToggle(const QString& label, Size size, QWidget* parent)
    : QAbstractButton(parent)
    , m_size(size)
{
    setCheckable(true);
    setAccessibleName(label);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QString SwitchToggle::accessibleValue() const
{
    return isChecked() ? QStringLiteral("开") : QStringLiteral("关");
}

QSize SwitchToggle::trackSize(Size size)
{
    return size == Size::small ? QSize(28, 16) : QSize(36, 20);
}

QColor SwitchToggle::trackColour() const
{
    QColor colour = isChecked() ? palette().color(QPalette::Active, QPalette::Highlight)
                                : ShellColours::primary(palette(), 0.22);
    if (isDown())
        colour = colour.darker(115);
    return colour;
}

QPointF SwitchToggle::knobCentre() const
{
    const QRectF track = trackRect();
    const qreal radius = track.height() / 2;
    return {isChecked() ? track.right() - radius : track.left() + radius, track.center().y()};
}

QSize SwitchToggle::sizeHint() const
{
    // Two points around the track for the focus ring.
    return trackSize(m_size).grownBy(QMargins(2, 2, 2, 2));
}

QSize SwitchToggle::minimumSizeHint() const
{
    return sizeHint();
}

QRectF SwitchToggle::trackRect() const
{
    const QSizeF track = trackSize(m_size);
    return {QPointF((width() - track.width()) / 2, (height() - track.height()) / 2), track};
}

bool SwitchToggle::hitButton(const QPoint& position) const
{
    return rect().contains(position);
}

void SwitchToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = trackRect();
    if (m_focusRing) {
        QColor ring = palette().color(QPalette::Active, QPalette::Highlight);
        ring.setAlphaF(0.6f);
        Shapes::fill(painter, Shapes::capsule(track.adjusted(-2, -2, 2, 2)), ring);
    }
    Shapes::fill(painter, Shapes::capsule(track), trackColour());

    const qreal knobRadius = track.height() / 2 - 2;
    const QPointF centre = knobCentre();
    // A soft edge under the knob, so that it reads on a light track too.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(centre + QPointF(0, 0.5), knobRadius + 0.5, knobRadius + 0.5);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, knobRadius, knobRadius);
}

void SwitchToggle::focusInEvent(QFocusEvent* event)
{
    m_focusRing = ShellColours::showsFocusRing(event->reason());
    QAbstractButton::focusInEvent(event);
}

void SwitchToggle::focusOutEvent(QFocusEvent* event)
{
    m_focusRing = false;
    QAbstractButton::focusOutEvent(event);
}

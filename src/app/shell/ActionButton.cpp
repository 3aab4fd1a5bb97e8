#include "ActionButton.h"

#include "ShellColours.h"

#include "app/views/Shapes.h"
#include "app/views/Theme.h"

#include <QFocusEvent>
#include <QPainter>

ActionButton::ActionButton(const QString& text, Kind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    setText(text);
    setFont(Theme::font(Theme::TextStyle::body));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor ActionButton::fillColour() const
{
    const QPalette& colours = palette();
    // A disabled prominent button loses its colour, as the platform draws it.
    const bool prominent = m_kind == Kind::prominent && isEnabled();
    QColor fill = colours.color(QPalette::Active, prominent ? QPalette::Highlight : QPalette::Button);
    if (isDown()) {
        // Pressed: darker on a light fill, lighter on a dark one.
        fill = prominent || !ShellColours::isDark(colours) ? fill.darker(118) : fill.lighter(160);
    }
    return fill;
}

QColor ActionButton::textColour() const
{
    const QPalette& colours = palette();
    QColor text;
    switch (m_kind) {
    case Kind::bordered:
        text = colours.color(QPalette::Active, QPalette::ButtonText);
        break;
    case Kind::prominent:
        text =
            colours.color(QPalette::Active, isEnabled() ? QPalette::HighlightedText : QPalette::ButtonText);
        break;
    case Kind::destructive:
        text = ShellColours::destructive(colours);
        break;
    }
    if (!isEnabled())
        text.setAlphaF(text.alphaF() * 0.4f);
    return text;
}

QSize ActionButton::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return {textWidth + 2 * sidePadding, controlHeight};
}

QSize ActionButton::minimumSizeHint() const
{
    return sizeHint();
}

void ActionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Shapes::continuousRoundedRect(frame, radius);
    Shapes::fill(painter, shape, fillColour());
    if (m_kind != Kind::prominent || !isEnabled()) {
        // A hairline keeps a bordered button visible where its fill matches the background.
        painter.setPen(QPen(ShellColours::primary(palette(), 0.12), 1));
        painter.drawPath(shape);
    }
    if (m_focusRing) {
        QColor ring = palette().color(QPalette::Active, QPalette::Highlight);
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 2));
        painter.drawPath(Shapes::continuousRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius));
    }
    painter.setPen(textColour());
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void ActionButton::focusInEvent(QFocusEvent* event)
{
    m_focusRing = ShellColours::showsFocusRing(event->reason());
    QAbstractButton::focusInEvent(event);
}

void ActionButton::focusOutEvent(QFocusEvent* event)
{
    m_focusRing = false;
    QAbstractButton::focusOutEvent(event);
}

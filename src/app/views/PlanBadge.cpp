#include "PlanBadge.h"

#include "Shapes.h"
#include "Text.h"
#include "Theme.h"

#include <QPainter>

using namespace Qt::StringLiterals;

PlanBadge::PlanBadge(const QString& title, bool connected, QWidget* parent)
    : QLabel(title, parent)
    , m_connected(connected)
{
    setTextFormat(Qt::PlainText);
    setAccessibleName(u"套餐 "_s + title);
    setFont(Theme::font(Theme::TextStyle::caption, QFont::Bold));
    Text::setColour(this, Qt::white);
    setContentsMargins(9, 4, 9, 4);
    setAlignment(Qt::AlignCenter);
    // Never truncated or wrapped: the badge keeps its natural size.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor PlanBadge::fill() const
{
    return m_connected ? Theme::cursorTint() : Theme::white(0.18);
}

void PlanBadge::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Shapes::fill(painter, Shapes::capsule(rect()), fill());
    }
    QLabel::paintEvent(event);
}

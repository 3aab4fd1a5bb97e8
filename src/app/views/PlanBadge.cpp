#include "PlanBadge.h"

#include "Shapes.h"
#include "Text.h"
#include "Theme.h"

#include <QPainter>

#include <algorithm>

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
    // Never wider than the name needs; narrower only when the row has no room for the whole name.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

QColor PlanBadge::fill() const
{
    return m_connected ? Theme::cursorTint() : Theme::white(0.18);
}

QString PlanBadge::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize PlanBadge::minimumSizeHint() const
{
    // Room for the ellipsis alone.
    const QMargins margins = contentsMargins();
    const int ellipsis = fontMetrics().horizontalAdvance(u"…"_s) + margins.left() + margins.right();
    return {std::min(ellipsis, sizeHint().width()), sizeHint().height()};
}

void PlanBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Shapes::fill(painter, Shapes::capsule(rect()), fill());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), Qt::AlignCenter, shownText());
}

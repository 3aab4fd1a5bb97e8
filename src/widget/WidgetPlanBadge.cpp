#include "WidgetPlanBadge.h"

#include "WidgetFonts.h"

using namespace Qt::StringLiterals;

WidgetPlanBadge::WidgetPlanBadge(const QString& title, double size, double maxWidth)
    : m_title(TextLine::fit(title, WidgetFonts::system(size, QFont::Bold), maxWidth - 2 * horizontalPadding))
{}

QSizeF WidgetPlanBadge::size() const
{
    return {m_title.width + 2 * horizontalPadding, m_title.height() + 2 * verticalPadding};
}

QList<WidgetItem> WidgetPlanBadge::items(QPointF topLeft) const
{
    WidgetItem capsule;
    capsule.kind = WidgetItem::Kind::capsule;
    capsule.name = u"badge"_s;
    capsule.rect = QRectF(topLeft, size());
    capsule.ink = WidgetInk::fill;
    return {capsule, m_title.at(topLeft + QPointF(horizontalPadding, verticalPadding), u"badge.title"_s,
                                WidgetInk::primary)};
}

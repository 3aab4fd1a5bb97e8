#pragma once

#include "TextLine.h"
#include "WidgetItem.h"

#include <QList>
#include <QSizeF>
#include <QString>

// The plan name in a capsule. It keeps its natural size; only a name wider than the whole widget
// is elided, so the badge never spills over the edge.
class WidgetPlanBadge
{
public:
    WidgetPlanBadge(const QString& title, double size,
                    double maxWidth = std::numeric_limits<double>::infinity());

    QSizeF size() const;
    QList<WidgetItem> items(QPointF topLeft) const;

    static constexpr double horizontalPadding = 8;
    static constexpr double verticalPadding = 3;

private:
    TextLine m_title;
};

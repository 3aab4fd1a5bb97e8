#pragma once

#include "AccessibleFigure.h"
#include "Card.h"

#include <QString>

#include <optional>

// A small labelled figure: title above, value, and an optional subtitle below. Read as the title
// with the value and subtitle.
class MetricCell : public Card, public AccessibleFigure
{
    Q_OBJECT

public:
    MetricCell(const QString& title, const QString& value, const std::optional<QString>& subtitle,
               QWidget* parent = nullptr);

    QAccessible::Role accessibleRole() const override { return QAccessible::Grouping; }
    QString accessibleValue() const override { return m_value; }

private:
    QString m_value;
};

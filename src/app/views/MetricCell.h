#pragma once

#include "Card.h"

#include <QString>

#include <optional>

// A small labelled figure: title above, value, and an optional subtitle below.
class MetricCell : public Card
{
    Q_OBJECT

public:
    MetricCell(const QString& title, const QString& value, const std::optional<QString>& subtitle,
               QWidget* parent = nullptr);
};

#pragma once

#include "AccessibleFigure.h"
#include "Card.h"

struct ModelUsage;

// One model in the strip at the top of the models page: its colour, name, tokens, estimated cost
// and its share of the largest model. Read as the model's name with "1.2万 · 预估 $1.23".
class ModelTile : public Card, public AccessibleFigure
{
    Q_OBJECT

public:
    ModelTile(const ModelUsage& row, double maxToken, QWidget* parent = nullptr);

    QAccessible::Role accessibleRole() const override { return QAccessible::Grouping; }
    QString accessibleValue() const override { return m_value; }

private:
    QString m_value;
};

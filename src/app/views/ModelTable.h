#pragma once

#include "Card.h"

#include "model/ModelUsage.h"

#include <QList>

#include <optional>

// One group's models: a header with the group's token sum and estimated cost, then one entry per
// model with its tokens, its estimate and its share of the group.
class ModelTable : public Card
{
    Q_OBJECT

public:
    ModelTable(const QString& title, const QList<ModelUsage>& rows, const QColor& tint,
               QWidget* parent = nullptr);

    // The figures of the header, from the rows in their order.
    struct Totals
    {
        double tokens = 0;
        std::optional<double> cost; // nothing when no row has a price
    };
    static Totals totals(const QList<ModelUsage>& rows);

private:
    void addEntry(const ModelUsage& row, double total, const QColor& tint);
};

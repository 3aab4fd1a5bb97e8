#pragma once

#include <QDate>
#include <QMap>
#include <QString>

// One local calendar day of the ledger: tokens per model, the on-demand share and the event count.
struct LedgerDay
{
    QDate date;
    QMap<QString, double> models;
    double onDemandTokens = 0;
    qint64 events = 0;

    bool operator==(const LedgerDay&) const = default;

    double totalTokens() const
    {
        double sum = 0;
        for (const double tokens : models)
            sum += tokens;
        return sum;
    }
};

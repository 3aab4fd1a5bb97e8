#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

// One UTC calendar day of the daily series: a value per model name.
struct DayUsage
{
    QString date; // "yyyy-MM-dd" in UTC; also the row's identity
    QMap<QString, double> models;

    const QString& id() const { return date; }

    bool operator==(const DayUsage&) const = default;

    // Strict: both keys present, every model value a number. Throws JsonFields::DecodeError.
    static DayUsage fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
};

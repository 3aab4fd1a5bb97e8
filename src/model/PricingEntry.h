#pragma once

#include <QJsonObject>
#include <QString>

// One row of the service's pricing table. Prices are US dollars per one million tokens.
struct PricingEntry
{
    QString slug; // lower-case fragment matched inside normalised usage names
    bool requiresFast = false;
    double input = 0;
    double cacheWrite = 0;
    double cacheRead = 0;
    double output = 0;
    bool grok46Discount = false;

    bool operator==(const PricingEntry&) const = default;

    // Strict: all seven keys. Throws JsonFields::DecodeError.
    static PricingEntry fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
};

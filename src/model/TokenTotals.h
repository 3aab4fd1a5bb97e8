#pragma once

#include <QJsonObject>

// Token counts by kind. `total` is stored, not derived on read; producers set it.
struct TokenTotals
{
    double input = 0;
    double output = 0;
    double cacheRead = 0;
    double cacheWrite = 0;
    double total = 0;

    bool operator==(const TokenTotals&) const = default;

    // Field-by-field sum, total included.
    TokenTotals& operator+=(const TokenTotals& other);

    // Strict: all five keys must be JSON numbers. Throws JsonFields::DecodeError.
    static TokenTotals fromJson(const QJsonObject& object);
    // Throws JsonFields::EncodeError for a count that is not finite.
    QJsonObject toJson() const;
};

#pragma once

#include "TokenTotals.h"

#include "platform/Timestamp.h"

#include <QJsonValue>
#include <QString>

#include <optional>

// Forgiving readers for the service's loosely typed answers. A missing key (Undefined) and JSON
// null are both "no value"; booleans read as 1 and 0.
namespace UsageJSON {

// A number, or a string whose digits, points and minus signs form a C-locale decimal number.
std::optional<double> number(const QJsonValue& value);

// A non-empty string; numbers are never turned into text.
std::optional<QString> string(const QJsonValue& value);

// Milliseconds since 1970: positive numbers below 1e12 are seconds, larger ones milliseconds;
// otherwise an internet date-time string.
std::optional<double> toMs(const QJsonValue& value);

// Internet date-time text (with or without fraction), else a number of seconds or milliseconds.
std::optional<Timestamp> date(const QString& text);

// Token counts of an object, or of its "tokenUsage" object when it has one; total is the sum.
TokenTotals tokens(const QJsonValue& value);

// "5月1日" in the local time zone.
QString monthDay(Timestamp timestamp);

// "2025-05-01" in UTC.
QString utcDay(Timestamp timestamp);

// Rounds halves away from zero. A value that is not finite or does not fit in 64 bits (an absurd
// answer from the service) gives no value rather than undefined behaviour.
std::optional<qint64> rounded(double value);

} // namespace UsageJSON

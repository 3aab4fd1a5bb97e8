#pragma once

#include "platform/Timestamp.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Strict readers and writers for the records this program stores (snapshot, pricing catalog).
// A present value of the wrong type throws DecodeError; the record's decoder turns that into
// "nothing stored". Missing and null both count as absent.
namespace JsonFields {

struct DecodeError
{};

// Thrown by writers for a double that JSON cannot carry (NaN or infinite).
struct EncodeError
{};

bool isAbsent(const QJsonValue& value);

double toDouble(const QJsonValue& value);
qint64 toInt64(const QJsonValue& value); // a JSON number that is integral and fits in 64 bits
bool toBool(const QJsonValue& value);
QString toString(const QJsonValue& value);
QJsonObject toObject(const QJsonValue& value);
QJsonArray toArray(const QJsonValue& value);
Timestamp toTimestamp(const QJsonValue& value);

// Required keys: missing or null throws.
double requiredDouble(const QJsonObject& object, QLatin1StringView key);
bool requiredBool(const QJsonObject& object, QLatin1StringView key);
QString requiredString(const QJsonObject& object, QLatin1StringView key);

QJsonValue fromDouble(double value); // throws EncodeError when not finite
QJsonValue fromTimestamp(Timestamp value);

} // namespace JsonFields

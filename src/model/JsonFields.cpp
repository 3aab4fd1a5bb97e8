#include "JsonFields.h"

#include <cmath>

namespace JsonFields {

bool isAbsent(const QJsonValue& value)
{
    return value.isUndefined() || value.isNull();
}

double toDouble(const QJsonValue& value)
{
    if (!value.isDouble())
        throw DecodeError{};
    return value.toDouble();
}

qint64 toInt64(const QJsonValue& value)
{
    if (!value.isDouble())
        throw DecodeError{};
    // toInteger() keeps full 64-bit precision for integers and falls back to 0 for anything that
    // is not a whole number within range; comparing with the double view tells the two apart.
    const qint64 integer = value.toInteger(0);
    if (value.toDouble() != double(integer))
        throw DecodeError{};
    return integer;
}

bool toBool(const QJsonValue& value)
{
    if (!value.isBool())
        throw DecodeError{};
    return value.toBool();
}

QString toString(const QJsonValue& value)
{
    if (!value.isString())
        throw DecodeError{};
    return value.toString();
}

QJsonObject toObject(const QJsonValue& value)
{
    if (!value.isObject())
        throw DecodeError{};
    return value.toObject();
}

QJsonArray toArray(const QJsonValue& value)
{
    if (!value.isArray())
        throw DecodeError{};
    return value.toArray();
}

Timestamp toTimestamp(const QJsonValue& value)
{
    return Timestamp{toDouble(value)};
}

static QJsonValue required(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        throw DecodeError{};
    return value;
}

double requiredDouble(const QJsonObject& object, QLatin1StringView key)
{
    return toDouble(required(object, key));
}

bool requiredBool(const QJsonObject& object, QLatin1StringView key)
{
    return toBool(required(object, key));
}

QString requiredString(const QJsonObject& object, QLatin1StringView key)
{
    return toString(required(object, key));
}

QJsonValue fromDouble(double value)
{
    if (!std::isfinite(value))
        throw EncodeError{};
    return QJsonValue(value);
}

QJsonValue fromTimestamp(Timestamp value)
{
    return fromDouble(value.secondsSinceReference);
}

} // namespace JsonFields

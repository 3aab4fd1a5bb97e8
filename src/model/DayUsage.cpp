#include "DayUsage.h"

#include "JsonFields.h"

using namespace Qt::StringLiterals;

DayUsage DayUsage::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    DayUsage day;
    day.date = requiredString(object, "date"_L1);
    const QJsonValue models = object.value("models"_L1);
    if (isAbsent(models))
        throw DecodeError{};
    const QJsonObject map = toObject(models);
    for (auto it = map.begin(); it != map.end(); ++it)
        day.models.insert(it.key(), toDouble(it.value()));
    return day;
}

QJsonObject DayUsage::toJson() const
{
    QJsonObject map;
    for (auto it = models.begin(); it != models.end(); ++it)
        map.insert(it.key(), JsonFields::fromDouble(it.value()));
    return QJsonObject{{"date"_L1, date}, {"models"_L1, map}};
}

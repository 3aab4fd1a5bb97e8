#include "UsageSnapshot.h"

#include "JsonFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

UsageSnapshot UsageSnapshot::empty()
{
    UsageSnapshot snapshot;
    snapshot.displayMessage = u"还没有用量数据"_s;
    return snapshot;
}

std::optional<UsageSnapshot> UsageSnapshot::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    // Each top-level key is optional: absent or null keeps the field's default.
    const auto read = [&object](QLatin1StringView key, auto&& assign) {
        const QJsonValue value = object.value(key);
        if (!isAbsent(value))
            assign(value);
    };

    try {
        UsageSnapshot s;
        read("monthlyLimit"_L1, [&](const QJsonValue& v) { s.monthlyLimit = toDouble(v); });
        read("monthlyUsed"_L1, [&](const QJsonValue& v) { s.monthlyUsed = toDouble(v); });
        read("todayUsed"_L1, [&](const QJsonValue& v) { s.todayUsed = toDouble(v); });
        read("models"_L1, [&](const QJsonValue& v) {
            for (const QJsonValue& element : toArray(v))
                s.models.append(ModelUsage::fromJson(toObject(element)));
        });
        read("updatedAt"_L1, [&](const QJsonValue& v) { s.updatedAt = toTimestamp(v); });
        read("includedPercent"_L1, [&](const QJsonValue& v) { s.includedPercent = toInt64(v); });
        read("displayMessage"_L1, [&](const QJsonValue& v) { s.displayMessage = toString(v); });
        read("billingCycleStart"_L1, [&](const QJsonValue& v) { s.billingCycleStart = toString(v); });
        read("billingCycleEnd"_L1, [&](const QJsonValue& v) { s.billingCycleEnd = toString(v); });
        read("planName"_L1, [&](const QJsonValue& v) { s.planName = toString(v); });
        read("tokens"_L1, [&](const QJsonValue& v) { s.tokens = TokenTotals::fromJson(toObject(v)); });
        read("todayTokens"_L1,
             [&](const QJsonValue& v) { s.todayTokens = TokenTotals::fromJson(toObject(v)); });
        read("hasRealData"_L1, [&](const QJsonValue& v) { s.hasRealData = toBool(v); });
        read("source"_L1, [&](const QJsonValue& v) { s.source = toString(v); });
        // Defaults to the total of `tokens`, which is why `tokens` is read first.
        s.totalTokens = s.tokens.total;
        read("totalTokens"_L1, [&](const QJsonValue& v) { s.totalTokens = toDouble(v); });
        read("includedTokens"_L1, [&](const QJsonValue& v) { s.includedTokens = toDouble(v); });
        read("onDemandTokens"_L1, [&](const QJsonValue& v) { s.onDemandTokens = toDouble(v); });
        read("cursorModelsPercent"_L1, [&](const QJsonValue& v) { s.cursorModelsPercent = toInt64(v); });
        read("otherModelsPercent"_L1, [&](const QJsonValue& v) { s.otherModelsPercent = toInt64(v); });
        read("grokWeeklyPercent"_L1, [&](const QJsonValue& v) { s.grokWeeklyPercent = toInt64(v); });
        read("grokResetAt"_L1, [&](const QJsonValue& v) { s.grokResetAt = toString(v); });
        read("days"_L1, [&](const QJsonValue& v) {
            for (const QJsonValue& element : toArray(v))
                s.days.append(DayUsage::fromJson(toObject(element)));
        });
        read("onDemandUsed"_L1, [&](const QJsonValue& v) { s.onDemandUsed = toDouble(v); });
        read("onDemandLimit"_L1, [&](const QJsonValue& v) { s.onDemandLimit = toDouble(v); });
        read("onDemandUnlimited"_L1, [&](const QJsonValue& v) { s.onDemandUnlimited = toBool(v); });
        read("teamOnDemandUsed"_L1, [&](const QJsonValue& v) { s.teamOnDemandUsed = toDouble(v); });
        read("teamOnDemandLimit"_L1, [&](const QJsonValue& v) { s.teamOnDemandLimit = toDouble(v); });
        return s;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

std::optional<UsageSnapshot> UsageSnapshot::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}

std::optional<QJsonObject> UsageSnapshot::toJson() const
{
    using JsonFields::fromDouble;
    try {
        QJsonArray modelArray;
        for (const ModelUsage& model : models)
            modelArray.append(model.toJson());
        QJsonArray dayArray;
        for (const DayUsage& day : days)
            dayArray.append(day.toJson());

        QJsonObject object{
            {"monthlyLimit"_L1, fromDouble(monthlyLimit)},
            {"monthlyUsed"_L1, fromDouble(monthlyUsed)},
            {"todayUsed"_L1, fromDouble(todayUsed)},
            {"models"_L1, modelArray},
            {"updatedAt"_L1, JsonFields::fromTimestamp(updatedAt)},
            {"includedPercent"_L1, includedPercent},
            {"displayMessage"_L1, displayMessage},
            {"billingCycleStart"_L1, billingCycleStart},
            {"billingCycleEnd"_L1, billingCycleEnd},
            {"planName"_L1, planName},
            {"tokens"_L1, tokens.toJson()},
            {"todayTokens"_L1, todayTokens.toJson()},
            {"hasRealData"_L1, hasRealData},
            {"source"_L1, source},
            {"totalTokens"_L1, fromDouble(totalTokens)},
            {"includedTokens"_L1, fromDouble(includedTokens)},
            {"onDemandTokens"_L1, fromDouble(onDemandTokens)},
            {"grokResetAt"_L1, grokResetAt},
            {"days"_L1, dayArray},
        };
        // Absent percents are left out, never written as null.
        if (cursorModelsPercent)
            object.insert("cursorModelsPercent"_L1, *cursorModelsPercent);
        if (otherModelsPercent)
            object.insert("otherModelsPercent"_L1, *otherModelsPercent);
        if (grokWeeklyPercent)
            object.insert("grokWeeklyPercent"_L1, *grokWeeklyPercent);
        // The on-demand keys came later: left out when unknown, so older readers see nothing new.
        const auto insertDollars = [&object](QLatin1StringView key, const std::optional<double>& dollars) {
            if (dollars)
                object.insert(key, fromDouble(*dollars));
        };
        insertDollars("onDemandUsed"_L1, onDemandUsed);
        insertDollars("onDemandLimit"_L1, onDemandLimit);
        if (onDemandUnlimited)
            object.insert("onDemandUnlimited"_L1, true);
        insertDollars("teamOnDemandUsed"_L1, teamOnDemandUsed);
        insertDollars("teamOnDemandLimit"_L1, teamOnDemandLimit);
        return object;
    } catch (const JsonFields::EncodeError&) {
        return std::nullopt;
    }
}

std::optional<QByteArray> UsageSnapshot::encode() const
{
    const auto object = toJson();
    if (!object)
        return std::nullopt;
    return QJsonDocument(*object).toJson(QJsonDocument::Compact);
}

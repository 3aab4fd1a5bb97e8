#include "PricingCatalog.h"

#include "JsonFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

PricingEntry PricingEntry::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    return PricingEntry{
        .slug = requiredString(object, "slug"_L1),
        .requiresFast = requiredBool(object, "requiresFast"_L1),
        .input = requiredDouble(object, "input"_L1),
        .cacheWrite = requiredDouble(object, "cacheWrite"_L1),
        .cacheRead = requiredDouble(object, "cacheRead"_L1),
        .output = requiredDouble(object, "output"_L1),
        .grok46Discount = requiredBool(object, "grok46Discount"_L1),
    };
}

QJsonObject PricingEntry::toJson() const
{
    using JsonFields::fromDouble;
    return QJsonObject{
        {"slug"_L1, slug},
        {"requiresFast"_L1, requiresFast},
        {"input"_L1, fromDouble(input)},
        {"cacheWrite"_L1, fromDouble(cacheWrite)},
        {"cacheRead"_L1, fromDouble(cacheRead)},
        {"output"_L1, fromDouble(output)},
        {"grok46Discount"_L1, grok46Discount},
    };
}

std::optional<PricingCatalog> PricingCatalog::decode(const QByteArray& json)
{
    using namespace JsonFields;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    try {
        PricingCatalog catalog;
        const QJsonValue syncedAt = object.value("syncedAt"_L1);
        const QJsonValue entries = object.value("entries"_L1);
        if (isAbsent(syncedAt) || isAbsent(entries))
            return std::nullopt;
        catalog.syncedAt = toTimestamp(syncedAt);
        if (const QJsonValue end = object.value("grok46DiscountEnd"_L1); !isAbsent(end))
            catalog.grok46DiscountEnd = toTimestamp(end);
        for (const QJsonValue& entry : toArray(entries))
            catalog.entries.append(PricingEntry::fromJson(toObject(entry)));
        return catalog;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

std::optional<QByteArray> PricingCatalog::encode() const
{
    try {
        QJsonArray entryArray;
        for (const PricingEntry& entry : entries)
            entryArray.append(entry.toJson());
        QJsonObject object{{"syncedAt"_L1, JsonFields::fromTimestamp(syncedAt)}, {"entries"_L1, entryArray}};
        if (grok46DiscountEnd)
            object.insert("grok46DiscountEnd"_L1, JsonFields::fromTimestamp(*grok46DiscountEnd));
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    } catch (const JsonFields::EncodeError&) {
        return std::nullopt;
    }
}

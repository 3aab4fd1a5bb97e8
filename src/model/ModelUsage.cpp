#include "ModelUsage.h"

#include "JsonFields.h"
#include "TokenSource.h"

using namespace Qt::StringLiterals;

QString modelGroupName(ModelGroup group)
{
    return group == ModelGroup::cursor ? u"cursor"_s : u"other"_s;
}

std::optional<ModelGroup> modelGroupFromName(const QString& name)
{
    if (name == "cursor"_L1)
        return ModelGroup::cursor;
    if (name == "other"_L1)
        return ModelGroup::other;
    return std::nullopt;
}

ModelGroup ModelUsage::groupFor(const QString& name)
{
    return isCursorModelName(name) ? ModelGroup::cursor : ModelGroup::other;
}

ModelUsage ModelUsage::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    const auto group = modelGroupFromName(requiredString(object, "group"_L1));
    if (!group)
        throw DecodeError{};
    const QJsonValue tokens = object.value("tokens"_L1);
    if (isAbsent(tokens))
        throw DecodeError{};
    return ModelUsage{
        .name = requiredString(object, "name"_L1),
        .group = *group,
        .tokens = TokenTotals::fromJson(toObject(tokens)),
        .percent = requiredDouble(object, "percent"_L1),
        .amount = requiredDouble(object, "amount"_L1),
    };
}

QJsonObject ModelUsage::toJson() const
{
    using JsonFields::fromDouble;
    return QJsonObject{
        {"name"_L1, name},
        {"group"_L1, modelGroupName(group)},
        {"tokens"_L1, tokens.toJson()},
        {"percent"_L1, fromDouble(percent)},
        {"amount"_L1, fromDouble(amount)},
    };
}

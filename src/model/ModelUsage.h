#pragma once

#include "TokenTotals.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// Which quota a model draws on: Cursor's own models or other (named, paid) models.
// Stored as its string value, "cursor" or "other".
enum class ModelGroup { cursor, other };

QString modelGroupName(ModelGroup group);
std::optional<ModelGroup> modelGroupFromName(const QString& name);

// One model's usage in the billing cycle.
struct ModelUsage
{
    QString name; // as the service reports it; also the row's identity
    ModelGroup group = ModelGroup::other;
    TokenTotals tokens;
    double percent = 0; // share of its own group's tokens, 0 to 100
    double amount = 0;  // US dollars charged

    const QString& id() const { return name; }

    // The group a model name belongs to ("group(for:)"; a static member cannot share the field's
    // name in C++). Names beginning "sand-" are `other` here; Auto ("default") is `cursor`.
    static ModelGroup groupFor(const QString& name);

    bool operator==(const ModelUsage&) const = default;

    // Strict: all five keys present, group "cursor" or "other". Throws JsonFields::DecodeError.
    static ModelUsage fromJson(const QJsonObject& object);
    QJsonObject toJson() const;
};

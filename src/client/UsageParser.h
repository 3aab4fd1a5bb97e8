#pragma once

#include "model/DayUsage.h"
#include "model/ModelUsage.h"
#include "model/TokenTotals.h"
#include "model/UsageSnapshot.h"

#include "platform/Timestamp.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Turns the service's answers into a usage snapshot. Pure: no I/O, no state, no clock of its own.
namespace UsageParser {

using Answer = std::optional<QJsonObject>;
using Events = QList<QJsonObject>;

struct TokenSplit
{
    double total = 0;
    double included = 0;
    double onDemand = 0;

    bool operator==(const TokenSplit&) const = default;
};

// The weekly quota of the grok family: percent used, and the reset text (empty when unknown).
struct GrokQuota
{
    std::optional<qint64> percent;
    QString reset;

    bool operator==(const GrokQuota&) const = default;
};

// Nothing when period, summary and aggregated are all absent; otherwise always a snapshot.
std::optional<UsageSnapshot> build(const Answer& period, const Answer& summary, const Answer& plan,
                                   const Answer& aggregated, const Events& todayEvents,
                                   const Events& cycleEvents, const Answer& sand, Timestamp now);

// The first "N%" or "N.N%" in a message, rounded half away from zero.
std::optional<qint64> percentFromMessage(const QString& message);

TokenTotals tokensFromAggregated(const Answer& aggregated);
QList<ModelUsage> modelsFromAggregated(const Answer& aggregated);
TokenSplit splitTokens(const Events& events);
// Whether an event's "kind" bills on demand; every other kind, unknown ones too, is included.
bool isOnDemandKind(const QString& kind);

// Tokens per model per UTC day, ordered by day.
QList<DayUsage> daysFromEvents(const Events& events);

GrokQuota grokFields(const QJsonObject& merged);
// Visits every key-value pair at any depth: the pair first, then its value's contents.
void walk(const QJsonValue& value,
          const std::function<void(const QString& key, const QJsonValue& value)>& visit);
GrokQuota grokFromSand(const Answer& sand);
QString weeklyReset(std::optional<double> cycleStartMs, Timestamp now);

} // namespace UsageParser

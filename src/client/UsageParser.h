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

// The billing cycle in milliseconds since 1970, the period's bounds before the summary's. A source
// whose two bounds are equal gives neither: a team seat's period answer has start == end.
struct CycleBounds
{
    std::optional<double> start;
    std::optional<double> end;
};
CycleBounds cycleBounds(const Answer& period, const Answer& summary);

// Whether the period answer carries the plan's figures: a "planUsage" with a numeric limit, or one
// of its usage messages. A team or enterprise seat's period answer holds only the cycle bounds; its
// figures are in the usage summary.
bool hasUsablePlanUsage(const Answer& period);

// The on-demand figures (in dollars) of the period's spend limit, else of the summary, and the
// team's pool from the summary. Nothing is set when the service says nothing or on-demand is off.
void readOnDemand(const Answer& period, const Answer& summary, UsageSnapshot& snapshot);

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

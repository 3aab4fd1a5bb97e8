// Assembly of one snapshot from the answers of a refresh.
#include "UsageParser.h"

#include "model/UsageJSON.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace UsageParser {

namespace {

QJsonValue valueOf(const Answer& answer, QLatin1StringView key)
{
    return answer ? answer->value(key) : QJsonValue(QJsonValue::Undefined);
}

template <typename... Readers>
std::optional<double> firstNumber(const QJsonObject& object, Readers... keys)
{
    for (const QLatin1StringView key : {keys...}) {
        if (const auto value = UsageJSON::number(object.value(key)))
            return value;
    }
    return std::nullopt;
}

QJsonObject objectOf(const QJsonValue& value)
{
    return value.isObject() ? value.toObject() : QJsonObject();
}

// The plan's usage: the period's when it has a limit, else the summary's (a team seat's period
// answer has none), else whatever the period has.
QJsonObject planUsage(const Answer& period, const Answer& summary)
{
    const QJsonValue fromPeriod = valueOf(period, "planUsage"_L1);
    if (fromPeriod.isObject() && UsageJSON::number(fromPeriod.toObject().value("limit"_L1)))
        return fromPeriod.toObject();
    if (const QJsonValue individual = valueOf(summary, "individualUsage"_L1); individual.isObject()) {
        if (const QJsonValue plan = individual.toObject().value("plan"_L1); plan.isObject())
            return plan.toObject();
    }
    return objectOf(fromPeriod);
}

std::optional<double> boundOf(const Answer& answer, QLatin1StringView key, QLatin1StringView otherKey)
{
    const auto bound = UsageJSON::toMs(valueOf(answer, key));
    if (bound && bound == UsageJSON::toMs(valueOf(answer, otherKey)))
        return std::nullopt;
    return bound;
}

QString isoText(const std::optional<double>& ms)
{
    return ms ? Timestamp::fromMsSince1970(*ms).toInternetDateTime() : QString();
}

std::optional<QString> firstString(std::initializer_list<QJsonValue> values)
{
    for (const QJsonValue& value : values) {
        if (auto text = UsageJSON::string(value))
            return text;
    }
    return std::nullopt;
}

struct PoolPercents
{
    std::optional<qint64> cursor;
    std::optional<qint64> other;
};

// What the two model pools have used. The plan usage's own ratios are the pools' (an answer leaves
// a zero out); the display messages speak of the total on some plans, so they stand in only when
// the plan usage gives neither ratio: the period's message, then the summary's.
PoolPercents poolPercents(const Answer& period, const Answer& summary, const QJsonObject& usage)
{
    const auto autoRatio = UsageJSON::number(usage.value("autoPercentUsed"_L1));
    const auto apiRatio = UsageJSON::number(usage.value("apiPercentUsed"_L1));
    if (autoRatio || apiRatio)
        return {UsageJSON::rounded(autoRatio.value_or(0)), UsageJSON::rounded(apiRatio.value_or(0))};
    const auto fromMessages = [&](QLatin1StringView key) -> std::optional<qint64> {
        for (const Answer* answer : {&period, &summary}) {
            if (const auto message = UsageJSON::string(valueOf(*answer, key))) {
                if (const auto percent = percentFromMessage(*message))
                    return percent;
            }
        }
        return std::nullopt;
    };
    return {fromMessages("autoModelSelectedDisplayMessage"_L1),
            fromMessages("namedModelSelectedDisplayMessage"_L1)};
}

} // namespace

CycleBounds cycleBounds(const Answer& period, const Answer& summary)
{
    const auto start = "billingCycleStart"_L1;
    const auto end = "billingCycleEnd"_L1;
    CycleBounds bounds{boundOf(period, start, end), boundOf(period, end, start)};
    if (!bounds.start)
        bounds.start = boundOf(summary, start, end);
    if (!bounds.end)
        bounds.end = boundOf(summary, end, start);
    return bounds;
}

bool hasUsablePlanUsage(const Answer& period)
{
    if (!period)
        return false;
    if (const QJsonValue usage = period->value("planUsage"_L1);
        usage.isObject() && UsageJSON::number(usage.toObject().value("limit"_L1)))
        return true;
    for (const auto key :
         {"displayMessage"_L1, "autoModelSelectedDisplayMessage"_L1, "namedModelSelectedDisplayMessage"_L1}) {
        if (UsageJSON::string(period->value(key)))
            return true;
    }
    return false;
}

std::optional<qint64> percentFromMessage(const QString& message)
{
    static const QRegularExpression pattern(u"([0-9]+(?:\\.[0-9]+)?)%"_s);
    const QRegularExpressionMatch match = pattern.match(message);
    if (!match.hasMatch())
        return std::nullopt;
    const auto value = UsageJSON::number(QJsonValue(match.captured(0).remove(u'%')));
    if (!value)
        return std::nullopt;
    return UsageJSON::rounded(*value);
}

std::optional<UsageSnapshot> build(const Answer& period, const Answer& summary, const Answer& plan,
                                   const Answer& aggregated, const Events& todayEvents,
                                   const Events& cycleEvents, const Answer& sand, Timestamp now)
{
    if (!period && !summary && !aggregated)
        return std::nullopt;

    const QJsonObject usage = planUsage(period, summary);
    const QJsonObject planInfo = objectOf(valueOf(plan, "planInfo"_L1));

    const double usedCents = firstNumber(usage, "includedSpend"_L1, "used"_L1, "totalSpend"_L1).value_or(0);
    const double limitCents =
        UsageJSON::number(usage.value("limit"_L1))
            .value_or(UsageJSON::number(planInfo.value("includedAmountCents"_L1)).value_or(0));
    const QString displayMessage =
        firstString({valueOf(period, "displayMessage"_L1), valueOf(summary, "displayMessage"_L1)})
            .value_or(QString());

    // An absurd ratio (not finite, beyond 64 bits) counts as no percent rather than a wrapped one.
    // Without a limit, the service's own total percent (a team seat's summary), then the message.
    qint64 includedPercent = 0;
    if (limitCents > 0)
        includedPercent = UsageJSON::rounded(usedCents / limitCents * 100).value_or(0);
    else if (const auto total = UsageJSON::number(usage.value("totalPercentUsed"_L1)))
        includedPercent = UsageJSON::rounded(*total).value_or(0);
    else
        includedPercent = percentFromMessage(displayMessage).value_or(0);

    const auto [cycleStart, cycleEnd] = cycleBounds(period, summary);

    const TokenTotals cycleTokens = tokensFromAggregated(aggregated);
    TokenTotals todayTokens;
    for (const QJsonObject& event : todayEvents)
        todayTokens += UsageJSON::tokens(event);

    TokenSplit split = splitTokens(cycleEvents);
    if (!(split.total > 0))
        split = TokenSplit{cycleTokens.total, cycleTokens.total, 0};

    // Later answers win: plan over summary over period.
    QJsonObject merged;
    for (const Answer* answer : {&period, &summary, &plan}) {
        if (!*answer)
            continue;
        for (auto it = (*answer)->begin(); it != (*answer)->end(); ++it)
            merged.insert(it.key(), it.value());
    }
    const GrokQuota searched = grokFields(merged);
    const GrokQuota fromSand = grokFromSand(sand);
    QString reset = !fromSand.reset.isEmpty() ? fromSand.reset : searched.reset;
    if (reset.isEmpty())
        reset = weeklyReset(cycleStart, now);

    UsageSnapshot s;
    s.monthlyLimit = limitCents / 100;
    s.monthlyUsed = usedCents / 100;
    s.todayUsed = 0;
    s.models = modelsFromAggregated(aggregated);
    s.updatedAt = now;
    s.includedPercent = includedPercent;
    s.displayMessage = displayMessage;
    s.billingCycleStart = isoText(cycleStart);
    s.billingCycleEnd = isoText(cycleEnd);
    s.planName = firstString({planInfo.value("planName"_L1), valueOf(period, "membershipType"_L1),
                              valueOf(summary, "membershipType"_L1)})
                     .value_or(QString());
    s.tokens = cycleTokens;
    s.todayTokens = todayTokens;
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    s.totalTokens = split.total;
    s.includedTokens = split.included;
    s.onDemandTokens = split.onDemand;
    const PoolPercents pools = poolPercents(period, summary, usage);
    s.cursorModelsPercent = pools.cursor;
    s.otherModelsPercent = pools.other;
    s.grokWeeklyPercent = fromSand.percent ? fromSand.percent : searched.percent;
    s.grokResetAt = reset;
    s.days = daysFromEvents(cycleEvents);
    readOnDemand(period, summary, s);
    return s;
}

} // namespace UsageParser

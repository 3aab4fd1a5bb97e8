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

// usage = period.planUsage, else summary.individualUsage.plan, else empty.
QJsonObject planUsage(const Answer& period, const Answer& summary)
{
    if (const QJsonValue usage = valueOf(period, "planUsage"_L1); usage.isObject())
        return usage.toObject();
    if (const QJsonValue individual = valueOf(summary, "individualUsage"_L1); individual.isObject()) {
        if (const QJsonValue plan = individual.toObject().value("plan"_L1); plan.isObject())
            return plan.toObject();
    }
    return {};
}

std::optional<double> cycleBoundMs(const Answer& period, const Answer& summary, QLatin1StringView key)
{
    if (const auto ms = UsageJSON::toMs(valueOf(period, key)))
        return ms;
    return UsageJSON::toMs(valueOf(summary, key));
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

// The percent of a model group: its display message first, then the ratio in the plan usage.
std::optional<qint64> groupPercent(const Answer& period, QLatin1StringView messageKey,
                                   const QJsonObject& usage, QLatin1StringView ratioKey)
{
    if (const auto message = UsageJSON::string(valueOf(period, messageKey))) {
        if (const auto percent = percentFromMessage(*message))
            return percent;
    }
    if (const auto ratio = UsageJSON::number(usage.value(ratioKey)))
        return UsageJSON::rounded(*ratio);
    return std::nullopt;
}

} // namespace

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
    const QJsonValue planInfoValue = valueOf(plan, "planInfo"_L1);
    const QJsonObject planInfo = planInfoValue.isObject() ? planInfoValue.toObject() : QJsonObject();

    const double usedCents = firstNumber(usage, "includedSpend"_L1, "used"_L1, "totalSpend"_L1).value_or(0);
    const double limitCents =
        UsageJSON::number(usage.value("limit"_L1))
            .value_or(UsageJSON::number(planInfo.value("includedAmountCents"_L1)).value_or(0));
    const QString displayMessage =
        firstString({valueOf(period, "displayMessage"_L1), valueOf(summary, "displayMessage"_L1)})
            .value_or(QString());

    // An absurd ratio (not finite, beyond 64 bits) counts as no percent rather than a wrapped one.
    qint64 includedPercent = 0;
    if (limitCents > 0)
        includedPercent = UsageJSON::rounded(usedCents / limitCents * 100).value_or(0);
    else
        includedPercent = percentFromMessage(displayMessage).value_or(0);

    const auto cycleStart = cycleBoundMs(period, summary, "billingCycleStart"_L1);
    const auto cycleEnd = cycleBoundMs(period, summary, "billingCycleEnd"_L1);

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
    s.cursorModelsPercent =
        groupPercent(period, "autoModelSelectedDisplayMessage"_L1, usage, "autoPercentUsed"_L1);
    s.otherModelsPercent =
        groupPercent(period, "namedModelSelectedDisplayMessage"_L1, usage, "apiPercentUsed"_L1);
    s.grokWeeklyPercent = fromSand.percent ? fromSand.percent : searched.percent;
    s.grokResetAt = reset;
    s.days = daysFromEvents(cycleEvents);
    return s;
}

} // namespace UsageParser

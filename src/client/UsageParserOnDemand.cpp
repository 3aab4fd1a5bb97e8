// On-demand spend: what the user spends beyond the plan's included usage, against its limit.
#include "UsageParser.h"

#include "model/UsageJSON.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace UsageParser {

namespace {

QJsonObject child(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    return value.isObject() ? value.toObject() : QJsonObject();
}

// A difference of two finite figures can still overflow; such an amount is no amount at all, and
// would keep the snapshot from being stored.
std::optional<double> finite(double amount)
{
    return std::isfinite(amount) ? std::optional(amount) : std::nullopt;
}

struct Spend
{
    std::optional<double> used; // dollars
    std::optional<double> limit;
    bool unlimited = false;
};

// The summary's "onDemand" object: {enabled, used, limit (null when unlimited), remaining}, in cents.
// Zeros may be left out of an answer, so a missing "enabled" counts as on when a figure is there.
Spend spendOf(const QJsonObject& onDemand)
{
    const auto used = UsageJSON::number(onDemand.value("used"_L1));
    auto limit = UsageJSON::number(onDemand.value("limit"_L1));
    const QJsonValue enabled = onDemand.value("enabled"_L1);
    if (enabled.isBool() && !enabled.toBool())
        return {};
    const bool switchedOn = enabled.isBool() && enabled.toBool();
    if (!switchedOn && !(used.value_or(0) > 0) && !(limit.value_or(0) > 0))
        return {};

    std::optional<double> usedCents = used.value_or(0);
    if (!used && limit) {
        if (const auto remaining = UsageJSON::number(onDemand.value("remaining"_L1)))
            usedCents = finite(std::max(*limit - *remaining, 0.0));
    }
    Spend spend{usedCents ? std::optional(*usedCents / 100) : std::nullopt, std::nullopt, false};
    if (limit)
        spend.limit = *limit / 100;
    else
        spend.unlimited = switchedOn;
    return spend;
}

// The period's "spendLimitUsage": the user's own limit and what is left of it, in cents.
Spend individualLimitOf(const QJsonObject& spendLimit)
{
    const auto limit = UsageJSON::number(spendLimit.value("individualLimit"_L1));
    if (!limit || !(*limit > 0))
        return {};
    // A remaining of zero may be left out of the answer: the limit is spent.
    const double remaining = UsageJSON::number(spendLimit.value("individualRemaining"_L1)).value_or(0);
    const std::optional<double> used = finite(std::max(*limit - remaining, 0.0));
    if (!used)
        return {};
    return Spend{*used / 100, *limit / 100, false};
}

} // namespace

void readOnDemand(const Answer& period, const Answer& summary, UsageSnapshot& snapshot)
{
    const QJsonObject summaryObject = summary.value_or(QJsonObject());
    Spend own = individualLimitOf(child(period.value_or(QJsonObject()), "spendLimitUsage"_L1));
    if (!own.used)
        own = spendOf(child(child(summaryObject, "individualUsage"_L1), "onDemand"_L1));
    snapshot.onDemandUsed = own.used;
    snapshot.onDemandLimit = own.limit;
    snapshot.onDemandUnlimited = own.unlimited;

    const Spend team = spendOf(child(child(summaryObject, "teamUsage"_L1), "onDemand"_L1));
    snapshot.teamOnDemandUsed = team.used;
    snapshot.teamOnDemandLimit = team.limit;
}

} // namespace UsageParser

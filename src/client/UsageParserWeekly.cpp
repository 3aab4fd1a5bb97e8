// The weekly quota of the grok model family: the sand answer's known keys, any grok- or week-named
// key at any depth of the other answers, and a computed reset when the service gives none.
#include "UsageParser.h"

#include "model/UsageJSON.h"

#include <QJsonArray>

#include <cmath>

using namespace Qt::StringLiterals;

namespace UsageParser {

namespace {

constexpr double weekMs = 604'800'000.0;

std::optional<qint64> roundedNumber(const QJsonValue& value)
{
    if (const auto number = UsageJSON::number(value))
        return UsageJSON::rounded(*number);
    return std::nullopt;
}

// The ISO text of a time value; empty when there is none (or it is too far out to be a date).
QString isoTextOf(const QJsonValue& value)
{
    if (const auto ms = UsageJSON::toMs(value))
        return Timestamp::fromMsSince1970(*ms).toInternetDateTime();
    return {};
}

bool isDirectKey(const QString& k)
{
    const bool grok = k.contains("grok"_L1);
    const bool week = k.contains("week"_L1); // "weekly" contains "week"
    return grok || (k.contains("bot"_L1) && week);
}

bool isNestedKey(const QString& k)
{
    return k.contains("grok"_L1) || k.contains("week"_L1);
}

bool isResetKey(const QString& k)
{
    return (k.contains("grok"_L1) && k.contains("reset"_L1)) || k == "weeklyreset"_L1;
}

void walkValue(const QJsonValue& value, const std::function<void(const QString&, const QJsonValue&)>& visit)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            visit(it.key(), it.value());
            walkValue(it.value(), visit);
        }
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            walkValue(element, visit);
    }
}

} // namespace

void walk(const QJsonValue& value,
          const std::function<void(const QString& key, const QJsonValue& value)>& visit)
{
    walkValue(value, visit);
}

GrokQuota grokFields(const QJsonObject& merged)
{
    GrokQuota quota;
    walk(merged, [&quota](const QString& key, const QJsonValue& value) {
        const QString k = key.toLower();
        if (isDirectKey(k) && !quota.percent) {
            quota.percent = roundedNumber(value);
            if (!quota.percent && value.isString())
                quota.percent = percentFromMessage(value.toString());
        }
        if (value.isObject() && isNestedKey(k)) {
            const QJsonObject nested = value.toObject();
            if (!quota.percent) {
                quota.percent = roundedNumber(nested.value("percent"_L1));
                if (!quota.percent)
                    quota.percent = roundedNumber(nested.value("usedPercent"_L1));
                if (!quota.percent) {
                    if (const auto message = UsageJSON::string(nested.value("displayMessage"_L1)))
                        quota.percent = percentFromMessage(*message);
                }
            }
            if (quota.reset.isEmpty()) {
                for (const auto resetKey : {"resetAt"_L1, "resetsAt"_L1, "resetDate"_L1}) {
                    if (const auto text = UsageJSON::string(nested.value(resetKey))) {
                        quota.reset = *text;
                        break;
                    }
                }
            }
            if (quota.reset.isEmpty())
                quota.reset = isoTextOf(nested.value("resetAt"_L1));
            if (quota.reset.isEmpty())
                quota.reset = isoTextOf(nested.value("resetsAt"_L1));
        }
        if (quota.reset.isEmpty() && isResetKey(k)) {
            quota.reset = UsageJSON::string(value).value_or(QString());
            if (quota.reset.isEmpty())
                quota.reset = isoTextOf(value);
        }
    });
    return quota;
}

GrokQuota grokFromSand(const Answer& sand)
{
    if (!sand)
        return {};
    GrokQuota quota;
    quota.percent = roundedNumber(sand->value("usagePercent"_L1));
    if (!quota.percent)
        quota.percent = roundedNumber(sand->value("usage_percent"_L1));

    const QJsonValue camel = sand->value("nextResetTimestampUtc"_L1);
    const QJsonValue snake = sand->value("next_reset_timestamp_utc"_L1);
    quota.reset = UsageJSON::string(camel).value_or(UsageJSON::string(snake).value_or(QString()));
    if (quota.reset.isEmpty())
        quota.reset = isoTextOf(camel);
    if (quota.reset.isEmpty())
        quota.reset = isoTextOf(snake);
    return quota;
}

QString weeklyReset(std::optional<double> cycleStartMs, Timestamp now)
{
    if (!cycleStartMs)
        return {};
    const double nowMs = now.msSince1970();
    double t = *cycleStartMs + weekMs;
    if (t <= nowMs) {
        // Jump straight to the first boundary after now: a cycle start years back (or an absurd
        // one) must not loop week by week.
        const double weeks = std::floor((nowMs - t) / weekMs) + 1;
        t += weeks * weekMs;
        while (t <= nowMs)
            t += weekMs;
    }
    return Timestamp::fromMsSince1970(t).toInternetDateTime();
}

} // namespace UsageParser

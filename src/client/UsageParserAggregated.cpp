// Cycle token totals and per-model rows from the aggregated answer, and the included/on-demand split.
#include "UsageParser.h"

#include "model/UsageJSON.h"

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace UsageParser {

namespace {

QJsonArray aggregations(const Answer& aggregated)
{
    if (!aggregated)
        return {};
    const QJsonValue rows = aggregated->value("aggregations"_L1);
    return rows.isArray() ? rows.toArray() : QJsonArray();
}

} // namespace

TokenTotals tokensFromAggregated(const Answer& aggregated)
{
    if (!aggregated)
        return {};
    const auto read = [&](QLatin1StringView key) {
        return UsageJSON::number(aggregated->value(key)).value_or(0);
    };
    TokenTotals totals;
    totals.input = read("totalInputTokens"_L1);
    totals.output = read("totalOutputTokens"_L1);
    totals.cacheRead = read("totalCacheReadTokens"_L1);
    totals.cacheWrite = read("totalCacheWriteTokens"_L1);
    totals.total = totals.input + totals.output + totals.cacheRead + totals.cacheWrite;
    if (totals.total != 0)
        return totals;

    // No totals in the answer: add up the rows' kinds instead (never the rows' own totals).
    for (const QJsonValue& row : aggregations(aggregated)) {
        const TokenTotals kinds = UsageJSON::tokens(row);
        totals.input += kinds.input;
        totals.output += kinds.output;
        totals.cacheRead += kinds.cacheRead;
        totals.cacheWrite += kinds.cacheWrite;
    }
    totals.total = totals.cacheWrite + totals.cacheRead + totals.output + totals.input;
    return totals;
}

QList<ModelUsage> modelsFromAggregated(const Answer& aggregated)
{
    QList<ModelUsage> rows;
    for (const QJsonValue& element : aggregations(aggregated)) {
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        const QString name =
            UsageJSON::string(object.value("modelIntent"_L1))
                .value_or(UsageJSON::string(object.value("model"_L1)).value_or(u"unknown"_s));
        const TokenTotals tokens = UsageJSON::tokens(object);
        const auto cents = UsageJSON::number(object.value("totalCents"_L1));
        if (!(tokens.total > 0) && !(cents && *cents > 0))
            continue;
        rows.append(ModelUsage{name, ModelUsage::groupFor(name), tokens, 0, cents.value_or(0) / 100});
    }

    double cursorSum = 0;
    double otherSum = 0;
    for (const ModelUsage& row : rows)
        (row.group == ModelGroup::cursor ? cursorSum : otherSum) += row.tokens.total;
    for (ModelUsage& row : rows) {
        const double groupSum = row.group == ModelGroup::cursor ? cursorSum : otherSum;
        row.percent = groupSum > 0 ? row.tokens.total / groupSum * 100 : 0;
    }

    std::stable_sort(rows.begin(), rows.end(), [](const ModelUsage& a, const ModelUsage& b) {
        return a.tokens.total > b.tokens.total;
    });
    return rows;
}

bool isOnDemandKind(const QString& kind)
{
    const QString upper = kind.toUpper();
    if (upper.contains("INCLUDED"_L1))
        return false;
    return upper.contains("USAGE_BASED"_L1) || upper.contains("ON_DEMAND"_L1) ||
           upper.contains("ONDEMAND"_L1);
}

TokenSplit splitTokens(const Events& events)
{
    double included = 0;
    double onDemand = 0;
    for (const QJsonObject& event : events) {
        const double tokens = UsageJSON::tokens(event).total;
        if (isOnDemandKind(UsageJSON::string(event.value("kind"_L1)).value_or(QString())))
            onDemand += tokens;
        else
            included += tokens;
    }
    return TokenSplit{included + onDemand, included, onDemand};
}

} // namespace UsageParser

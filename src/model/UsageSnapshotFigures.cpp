// The figures the views show, derived from a snapshot on every read.
#include "UsageSnapshot.h"

#include "ModelPricing.h"
#include "UsageJSON.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QList<ModelUsage> rowsOfGroup(const QList<ModelUsage>& models, ModelGroup group)
{
    QList<ModelUsage> rows;
    std::copy_if(models.begin(), models.end(), std::back_inserter(rows),
                 [group](const ModelUsage& row) { return row.group == group; });
    return rows;
}

// Whole calendar days from today to the day of the given text, in the local time zone.
std::optional<qint64> wholeDaysUntil(const QString& text, Timestamp now)
{
    const auto end = UsageJSON::date(text);
    if (!end)
        return std::nullopt;
    const QDateTime endTime = end->toDateTime();
    const QDateTime nowTime = now.toDateTime();
    if (!endTime.isValid() || !nowTime.isValid())
        return 0;
    const qint64 days = nowTime.toLocalTime().date().daysTo(endTime.toLocalTime().date());
    return std::max<qint64>(days, 0);
}

bool neverPriced(const QString& name)
{
    const QString lower = name.toLower();
    return lower.startsWith("sand-"_L1) || lower == "default"_L1;
}

} // namespace

QList<ModelUsage> UsageSnapshot::cursorModels() const
{
    return rowsOfGroup(models, ModelGroup::cursor);
}

QList<ModelUsage> UsageSnapshot::otherModels() const
{
    return rowsOfGroup(models, ModelGroup::other);
}

double UsageSnapshot::sourceTokens(TokenSource source) const
{
    double sum = 0;
    for (const ModelUsage& row : models) {
        if (tokenSourceFor(row.name) == source)
            sum += row.tokens.total;
    }
    return sum;
}

std::optional<double> UsageSnapshot::sourceUSD(TokenSource source, Timestamp now) const
{
    std::optional<double> sum;
    for (const ModelUsage& row : models) {
        if (tokenSourceFor(row.name) != source || neverPriced(row.name))
            continue;
        if (const auto estimate = ModelPricing::estimate(row.name, row.tokens, now))
            sum = sum.value_or(0) + *estimate;
    }
    return sum;
}

qint64 UsageSnapshot::remainingPercent() const
{
    if (!hasRealData)
        return 0;
    qint64 used = 0;
    if (cursorModelsPercent) {
        used = *cursorModelsPercent;
    } else {
        if (monthlyLimit == 0 && includedPercent == 0)
            return 0;
        used = includedPercent;
    }
    // Clamp before subtracting, so that an absurd stored percent cannot overflow.
    return 100 - std::clamp<qint64>(used, 0, 100);
}

std::optional<qint64> UsageSnapshot::cursorRemainingPercent() const
{
    return hasRealData ? std::optional(remainingPercent()) : std::nullopt;
}

std::optional<qint64> UsageSnapshot::premiumRemainingPercent() const
{
    if (!hasRealData || !otherModelsPercent)
        return std::nullopt;
    // Clamping the used share first gives the same figure as clamping 100 − used, without the
    // overflow an absurd stored percent would cause.
    return 100 - std::clamp<qint64>(*otherModelsPercent, 0, 100);
}

std::optional<qint64> UsageSnapshot::daysRemaining(Timestamp now) const
{
    return wholeDaysUntil(billingCycleEnd, now);
}

std::optional<qint64> UsageSnapshot::grokDaysRemaining(Timestamp now) const
{
    return wholeDaysUntil(grokResetAt, now);
}

QString UsageSnapshot::planTitle() const
{
    if (!hasRealData)
        return u"未连接"_s;
    const QString plan = planName.trimmed();
    return plan.isEmpty() ? u"个人"_s : plan;
}

QString UsageSnapshot::grokFootnote(Timestamp now) const
{
    QString label = grokResetAt;
    if (const auto reset = UsageJSON::date(grokResetAt)) {
        // A date too far out to format keeps the service's own text.
        if (const QString monthDay = UsageJSON::monthDay(*reset); !monthDay.isEmpty())
            label = monthDay;
    }
    if (label.isEmpty())
        return u"周重置时间未返回"_s;
    if (const auto days = grokDaysRemaining(now))
        return u"重置 "_s + label + u"（还剩 "_s + QString::number(*days) + u" 天）"_s;
    return u"重置 "_s + label;
}

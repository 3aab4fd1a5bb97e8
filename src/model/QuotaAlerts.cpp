#include "QuotaAlerts.h"

#include "DisplayFormat.h"
#include "UsageJSON.h"

using namespace Qt::StringLiterals;

namespace {

struct Quota
{
    QString name;  // key prefix
    QString title; // as the notice names it
    std::optional<qint64> remaining;
};

QString cycleEndSuffix(const UsageSnapshot& snapshot)
{
    if (const auto end = UsageJSON::date(snapshot.billingCycleEnd)) {
        if (const QString day = UsageJSON::monthDay(*end); !day.isEmpty())
            return u"（账期到 "_s + day + u'）';
    }
    return {};
}

// "$1.2" rather than "$1.20": the notice reads as a sentence, not a table cell.
QString spendText(double dollars)
{
    QString text = formatUSD(dollars);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

} // namespace

QString QuotaAlerts::cycle(const UsageSnapshot& snapshot)
{
    return snapshot.billingCycleStart + u'/' + snapshot.billingCycleEnd;
}

std::optional<qint64> QuotaAlerts::cursorRemaining(const UsageSnapshot& snapshot)
{
    const bool known =
        snapshot.cursorModelsPercent || snapshot.monthlyLimit != 0 || snapshot.includedPercent != 0;
    return known ? snapshot.cursorRemainingPercent() : std::nullopt;
}

std::optional<double> QuotaAlerts::onDemandSpend(const UsageSnapshot& snapshot)
{
    // Without a spend figure from the service, only the token count tells of on-demand use.
    return snapshot.onDemandUsed;
}

QuotaAlerts::Outcome QuotaAlerts::due(const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                                      const QStringList& sent, std::optional<qint64> onDemandAmount)
{
    Outcome outcome{{}, sent};
    if (!snapshot.hasRealData)
        return outcome;
    const auto remember = [&outcome](const QString& key) {
        if (!outcome.sent.contains(key))
            outcome.sent.append(key);
    };
    const auto send = [&outcome, &remember](const QString& key, const QString& body) {
        if (outcome.sent.contains(key))
            return;
        outcome.notices.append({key, body});
        remember(key);
    };

    const Quota quotas[] = {
        {u"cursor"_s, u"Cursor 模型"_s, cursorRemaining(snapshot)},
        {u"premium"_s, u"高级模型"_s, snapshot.premiumRemainingPercent()},
    };
    for (const Quota& quota : quotas) {
        if (!quota.remaining)
            continue;
        const QString body = quota.title + u"额度只剩 "_s + QString::number(*quota.remaining) + u'%' +
                             cycleEndSuffix(snapshot);
        if (*quota.remaining <= thresholds.critical) {
            send(quota.name + u".critical"_s, body);
            remember(quota.name + u".low"_s);
        } else if (*quota.remaining <= thresholds.low) {
            send(quota.name + u".low"_s, body);
        }
    }

    if (const auto spend = onDemandSpend(snapshot)) {
        if (*spend > 0)
            send(u"onDemand"_s, u"本期开始产生按需用量："_s + spendText(*spend));
    } else if (snapshot.onDemandTokens > 0) {
        send(u"onDemand"_s,
             u"本期开始产生按需用量："_s + formatChineseCount(snapshot.onDemandTokens) + u" tokens"_s);
    }

    const auto spend = onDemandSpend(snapshot);
    if (onDemandAmount && spend && *spend >= double(*onDemandAmount)) {
        const QString amount = u"$"_s + QString::number(*onDemandAmount);
        const bool limited = snapshot.onDemandLimit && !snapshot.onDemandUnlimited;
        send(u"onDemand."_s + amount,
             u"按需用量已达 "_s + amount + u"（本账期已用 "_s + spendText(*spend) +
                 (limited ? u"，上限 "_s + spendText(*snapshot.onDemandLimit) : QString()) + u"）"_s);
    }
    return outcome;
}

std::optional<QuotaAlerts::Notice> QuotaAlerts::newCycle(const QString& notifiedCycle,
                                                         const UsageSnapshot& snapshot)
{
    // cycle() is "<start>/<end>", and neither bound holds a slash.
    const auto before = UsageJSON::date(notifiedCycle.section(u'/', 0, 0));
    const auto now = UsageJSON::date(snapshot.billingCycleStart);
    if (!snapshot.hasRealData || !before || !now || !(*now > *before))
        return std::nullopt;
    return Notice{u"newCycle"_s, u"新账期已开始 · 额度已恢复"_s};
}

#include "StatusLine.h"

#include "QuotaAlerts.h"
#include "QuotaPace.h"
#include "UsageJSON.h"

#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString percentPart(const QString& label, std::optional<qint64> percent)
{
    return percent ? label + QString::number(*percent) + u'%' : QString();
}

// The smaller remaining percent of the two quotas, as the notices judge them; nothing when neither
// is known.
std::optional<qint64> lowestRemaining(const UsageSnapshot& snapshot)
{
    const auto cursor = QuotaAlerts::cursorRemaining(snapshot);
    const auto premium = snapshot.premiumRemainingPercent();
    if (cursor && premium)
        return std::min(*cursor, *premium);
    return cursor ? cursor : premium;
}

bool isStale(const UsageSnapshot& snapshot, Timestamp now)
{
    return now.secondsSinceReference - snapshot.updatedAt.secondsSinceReference >
           StatusLine::staleAfterSeconds;
}

QString localTime(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    return dateTime.isValid() ? QLocale::c().toString(dateTime.toLocalTime(), u"M月d日 HH:mm"_s) : QString();
}

} // namespace

QStringList StatusLine::parts(const UsageSnapshot& snapshot, Timestamp now)
{
    if (!snapshot.hasRealData)
        return {};
    const auto days = snapshot.daysRemaining(now);
    const QStringList all{
        percentPart(u"Cursor 剩余 "_s, snapshot.cursorRemainingPercent()),
        percentPart(u"高级剩余 "_s, snapshot.premiumRemainingPercent()),
        percentPart(u"Grok 已用 "_s, snapshot.grokWeeklyPercent),
        days ? u"还剩 "_s + QString::number(*days) + u" 天"_s : QString(),
    };
    QStringList present;
    std::copy_if(all.begin(), all.end(), std::back_inserter(present),
                 [](const QString& part) { return !part.isEmpty(); });
    return present;
}

QString StatusLine::text(const UsageSnapshot& snapshot, Timestamp now)
{
    const QStringList present = parts(snapshot, now);
    return present.isEmpty() ? u"暂无用量数据"_s : present.join(u" · "_s);
}

QJsonObject StatusLine::json(const UsageSnapshot& snapshot, Timestamp now)
{
    if (!snapshot.hasRealData)
        return {{u"hasData"_s, false}};
    QJsonObject object{
        {u"hasData"_s, true},
        {u"stale"_s, isStale(snapshot, now)},
        {u"plan"_s, snapshot.planTitle()},
        {u"tokensTotal"_s, snapshot.totalTokens},
        {u"todayTokens"_s, snapshot.todayTokens.total},
    };
    const auto put = [&object](const QString& key, const auto& figure) {
        if (figure)
            object.insert(key, *figure);
    };
    if (const QString updated = snapshot.updatedAt.toInternetDateTime(); !updated.isEmpty()) {
        object.insert(u"updatedAt"_s, updated);
        object.insert(u"ageSeconds"_s, qint64(std::max(0.0, now.secondsSinceReference -
                                                                snapshot.updatedAt.secondsSinceReference)));
    }
    if (const auto end = UsageJSON::date(snapshot.billingCycleEnd);
        end && !end->toInternetDateTime().isEmpty())
        object.insert(u"cycleEnd"_s, end->toInternetDateTime());
    put(u"daysLeft"_s, snapshot.daysRemaining(now));
    put(u"cursorRemainingPercent"_s, snapshot.cursorRemainingPercent());
    put(u"premiumRemainingPercent"_s, snapshot.premiumRemainingPercent());
    put(u"grokUsedPercent"_s, snapshot.grokWeeklyPercent);
    put(u"cursorEstimateUSD"_s, snapshot.sourceUSD(TokenSource::cursor, now));
    put(u"otherEstimateUSD"_s, snapshot.sourceUSD(TokenSource::other, now));
    put(u"onDemandUsedUSD"_s, snapshot.onDemandUsed);
    put(u"onDemandLimitUSD"_s, snapshot.onDemandLimit);
    if (snapshot.onDemandUnlimited)
        object.insert(u"onDemandUnlimited"_s, true);
    put(u"teamOnDemandUsedUSD"_s, snapshot.teamOnDemandUsed);
    put(u"teamOnDemandLimitUSD"_s, snapshot.teamOnDemandLimit);
    for (const auto& [pool, key] : {std::pair{QuotaPace::Pool::cursor, u"cursorRunsOutAt"_s},
                                    std::pair{QuotaPace::Pool::premium, u"premiumRunsOutAt"_s}}) {
        const auto outlook = QuotaPace::outlook(snapshot, pool, now);
        if (outlook && outlook->kind != QuotaPace::Outlook::Kind::lasts)
            object.insert(key, outlook->at.toInternetDateTime());
    }
    return object;
}

QJsonObject StatusLine::waybar(const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                               Timestamp now)
{
    const QStringList present = parts(snapshot, now);
    if (present.isEmpty())
        return {
            {u"text"_s, text(snapshot, now)}, {u"tooltip"_s, text(snapshot, now)}, {u"class"_s, u"nodata"_s}};

    QStringList tooltip = present;
    tooltip.append(u"套餐 "_s + snapshot.planTitle());
    if (const auto end = UsageJSON::date(snapshot.billingCycleEnd)) {
        if (const QString day = UsageJSON::monthDay(*end); !day.isEmpty())
            tooltip.append(u"账期到 "_s + day);
    }
    if (const QString pace = QuotaPace::warning(snapshot, now); !pace.isEmpty())
        tooltip.append(pace);
    if (const QString updated = localTime(snapshot.updatedAt); !updated.isEmpty())
        tooltip.append(u"更新于 "_s + updated);

    QJsonObject object{
        {u"text"_s, present.mid(0, 2).join(u" · "_s)},
        {u"tooltip"_s, tooltip.join(u'\n')},
    };
    const auto lowest = lowestRemaining(snapshot);
    if (lowest)
        object.insert(u"percentage"_s, *lowest);
    QString cssClass = u"ok"_s;
    if (isStale(snapshot, now))
        cssClass = u"stale"_s;
    else if (lowest && *lowest <= thresholds.critical)
        cssClass = u"critical"_s;
    else if (lowest && *lowest <= thresholds.low)
        cssClass = u"low"_s;
    object.insert(u"class"_s, cssClass);
    return object;
}

QString StatusLine::line(const Named& account, Timestamp now)
{
    return account.name.isEmpty() ? text(account.snapshot, now)
                                  : account.name + u" · "_s + text(account.snapshot, now);
}

QString StatusLine::tooltipLine(const Named& account, Timestamp now)
{
    const QString pace = QuotaPace::warning(account.snapshot, now);
    return pace.isEmpty() ? line(account, now) : line(account, now) + u" · "_s + pace;
}

QJsonObject StatusLine::waybar(const Named& primary, const QList<Named>& others,
                               const QuotaThresholds& thresholds, Timestamp now)
{
    QJsonObject object = waybar(primary.snapshot, thresholds, now);
    QStringList tooltip{object.value("tooltip"_L1).toString()};
    QString cssClass = object.value("class"_L1).toString();
    const auto pressing = [&thresholds, now](const UsageSnapshot& snapshot) -> int {
        const auto lowest = lowestRemaining(snapshot);
        if (!snapshot.hasRealData || isStale(snapshot, now) || !lowest)
            return 0;
        return *lowest <= thresholds.critical ? 2 : *lowest <= thresholds.low ? 1 : 0;
    };
    int most = pressing(primary.snapshot);
    for (const Named& other : others) {
        tooltip.append(tooltipLine(other, now));
        most = std::max(most, pressing(other.snapshot));
    }
    if (most == 2)
        cssClass = u"critical"_s;
    else if (most == 1)
        cssClass = u"low"_s;
    object.insert(u"tooltip"_s, tooltip.join(u'\n'));
    object.insert(u"class"_s, cssClass);
    return object;
}

QString StatusLine::plan(const UsageSnapshot& snapshot)
{
    return snapshot.hasRealData ? snapshot.planTitle() : u"—"_s;
}

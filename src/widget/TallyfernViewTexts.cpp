// The derived texts of the widget's layouts.
#include "TallyfernView.h"

#include "model/DisplayFormat.h"
#include "model/UsageJSON.h"

#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// " · 5月31日" when the cycle end parses and has a month-day text, else nothing.
QString cycleEndSuffix(const UsageSnapshot& s)
{
    if (const auto end = UsageJSON::date(s.billingCycleEnd)) {
        if (const QString monthDay = UsageJSON::monthDay(*end); !monthDay.isEmpty())
            return u" · "_s + monthDay;
    }
    return {};
}

QString quotaPart(const QString& label, std::optional<qint64> percent)
{
    if (!percent)
        return label + u" —"_s;
    return label + u' ' + QString::number(*percent) + u'%';
}

} // namespace

QString TallyfernView::percentText(const UsageSnapshot& s)
{
    if (!s.hasRealData)
        return u"—"_s;
    return QString::number(s.remainingPercent()) + u'%';
}

QString TallyfernView::cycleShort(const UsageSnapshot& s, Timestamp now)
{
    if (!s.hasRealData)
        return u"未连接"_s;
    if (const auto days = s.daysRemaining(now))
        return u"还剩 "_s + QString::number(*days) + u" 天"_s + cycleEndSuffix(s);
    return footer(s, now);
}

QString TallyfernView::footer(const UsageSnapshot& s, Timestamp now)
{
    if (!s.hasRealData)
        return u"打开主应用并粘贴 Cookie"_s;
    if (const auto days = s.daysRemaining(now))
        return u"账期还剩 "_s + QString::number(*days) + u" 天"_s + cycleEndSuffix(s);
    const QDateTime updated = s.updatedAt.toDateTime();
    const QString time = updated.isValid() ? formatShortTime(updated.toLocalTime().time()) : QString();
    return u"已更新 "_s + time;
}

QString TallyfernView::quotaLine(const UsageSnapshot& s)
{
    return quotaPart(u"Cursor"_s, s.cursorModelsPercent) + u" · "_s +
           quotaPart(u"其他"_s, s.otherModelsPercent) + u" · "_s + quotaPart(u"Grok"_s, s.grokWeeklyPercent);
}

QString TallyfernView::totalTokensText(const UsageSnapshot& s)
{
    return formatChineseCount(s.totalTokens > 0 ? s.totalTokens : s.tokens.total);
}

QString TallyfernView::todayTokensText(const UsageSnapshot& s)
{
    return formatChineseCount(s.todayTokens.total);
}

QString TallyfernView::spendText(std::optional<double> usd)
{
    if (!usd)
        return u"无标价"_s;
    return u"预估 "_s + formatUSD(*usd);
}

std::optional<qint64> TallyfernView::barPercent(std::optional<qint64> stored)
{
    if (!stored)
        return std::nullopt;
    return std::clamp<qint64>(*stored, 0, 100);
}

QString TallyfernView::barValueText(std::optional<qint64> percent)
{
    if (!percent)
        return u"—"_s;
    return QString::number(*percent) + u'%';
}

#include "StatusText.h"

#include "UsageSnapshot.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

QString StatusText::noData()
{
    return u"暂无用量数据"_s;
}

std::optional<qint64> StatusText::cursorRemaining(const UsageSnapshot& snapshot)
{
    if (!snapshot.hasRealData)
        return std::nullopt;
    return snapshot.remainingPercent();
}

std::optional<qint64> StatusText::premiumRemaining(const UsageSnapshot& snapshot)
{
    if (!snapshot.hasRealData || !snapshot.otherModelsPercent)
        return std::nullopt;
    // Clamping the used share first keeps an absurd stored percent from overflowing.
    return 100 - std::clamp<qint64>(*snapshot.otherModelsPercent, 0, 100);
}

QString StatusText::line(const UsageSnapshot& snapshot, Timestamp now)
{
    if (!snapshot.hasRealData)
        return noData();
    QStringList parts;
    if (const auto cursor = cursorRemaining(snapshot))
        parts.append(u"Cursor 剩余 "_s + QString::number(*cursor) + u'%');
    if (const auto premium = premiumRemaining(snapshot))
        parts.append(u"高级剩余 "_s + QString::number(*premium) + u'%');
    if (snapshot.grokWeeklyPercent)
        parts.append(u"Grok 已用 "_s + QString::number(*snapshot.grokWeeklyPercent) + u'%');
    if (const auto days = snapshot.daysRemaining(now))
        parts.append(u"还剩 "_s + QString::number(*days) + u" 天"_s);
    return parts.join(u" · "_s);
}

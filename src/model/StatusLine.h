#pragma once

#include "QuotaThresholds.h"
#include "UsageSnapshot.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The stored snapshot in one line, for status bars, shell prompts and the tray's tooltip. The
// figures are the overview page's; a part whose figure is absent is left out.
namespace StatusLine {

// A snapshot older than this is stale.
inline constexpr double staleAfterSeconds = 600;

// "Cursor 剩余 72%", "高级剩余 36%", "Grok 已用 35%", "还剩 12 天"; empty without real data.
QStringList parts(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

// The parts joined by " · ", or "暂无用量数据".
QString text(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

// Every figure a script may want; {"hasData": false} without real data. A quota that runs out
// before the cycle's end at this rate (QuotaPace) adds when, in UTC.
QJsonObject json(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

// Waybar's custom-module object: text, tooltip, percentage, class. The tooltip adds the overview's
// pace line when a quota runs out before the cycle's end.
QJsonObject waybar(const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                   Timestamp now = Clock::now());

// One account's snapshot under the name it goes by.
struct Named
{
    QString name;
    UsageSnapshot snapshot;
};

// "<name> · <text>": an account's line beside the others.
QString line(const Named& account, Timestamp now = Clock::now());

// The same line in a tooltip, where there is room for " · " and the pace line, when there is one.
QString tooltipLine(const Named& account, Timestamp now = Clock::now());

// With several accounts: the primary's object, a tooltip line for each other account, and the
// class of the most pressing account whose data are fresh ("critical", else "low", else the
// primary's own).
QJsonObject waybar(const Named& primary, const QList<Named>& others, const QuotaThresholds& thresholds,
                   Timestamp now = Clock::now());

// The name the plan goes by ("Pro+"), or "—".
QString plan(const UsageSnapshot& snapshot);

} // namespace StatusLine

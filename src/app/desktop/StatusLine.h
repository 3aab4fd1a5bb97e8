#pragma once

#include "model/QuotaThresholds.h"
#include "model/UsageSnapshot.h"

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

// Every figure a script may want; {"hasData": false} without real data.
QJsonObject json(const UsageSnapshot& snapshot, Timestamp now = Clock::now());

// Waybar's custom-module object: text, tooltip, percentage, class.
QJsonObject waybar(const UsageSnapshot& snapshot, const QuotaThresholds& thresholds,
                   Timestamp now = Clock::now());

} // namespace StatusLine

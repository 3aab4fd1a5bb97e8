#pragma once

#include "platform/Timestamp.h"

#include <QLocale>
#include <QString>
#include <QTime>

// The short texts the window and the widget show. Numbers are formatted the C way (a point as
// decimal separator, C rounding) whatever the user's locale.

// "claude-4.5-sonnet-thinking" → "4.5 sonnet", "grok-code-fast-1" → "Grok code fast 1".
QString displayModelName(const QString& name);

// 12,345 → "1.2万", 150,000,000 → "1.5亿".
QString formatChineseCount(double value);

// "$123", "$12.3", "$1.23": fewer decimals as the amount grows.
QString formatUSD(double amount);

// The locale's short time of day, never with seconds (C's short format has them): "14:05".
QString formatShortTime(QTime time, const QLocale& locale = QLocale::system());
// The same for an instant, in local time; empty for one that is not valid.
QString formatShortTime(Timestamp timestamp);

// printf("%.*f") in the C locale.
QString formatFixed(double value, int precision);

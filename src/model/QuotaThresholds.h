#pragma once

#include <QtGlobal>

// The remaining percents at which a quota counts as running low and as critical: the
// notifications, the status bar's class and the tray's tint all read the same pair.
struct QuotaThresholds
{
    qint64 low = 20;
    qint64 critical = 5;

    bool operator==(const QuotaThresholds&) const = default;

    // Whole percents 1 to 99, critical strictly below low.
    bool isValid() const;

    // The stored pair, or the defaults when it is missing or not a valid pair.
    static QuotaThresholds load();
    // Writes nothing and returns false for an invalid pair.
    bool save() const;
};

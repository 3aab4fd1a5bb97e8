#pragma once

#include "QuotaThresholds.h"
#include "UsageSnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The notices a snapshot earns. Each notice has a key; a key sent once is not sent again in the
// same billing cycle, and the caller keeps the keys between runs.
namespace QuotaAlerts {

struct Notice
{
    QString key; // "cursor.low", "premium.critical", "onDemand", "onDemand.$50", "newCycle"
    QString body;

    bool operator==(const Notice&) const = default;
};

struct Outcome
{
    QList<Notice> notices; // to send now, in this order
    QStringList sent;      // every key to remember for this cycle, old and new
};

// The Cursor quota's remaining percent as warnings judge it: the ring's figure, except that a
// snapshot knowing neither the quota's percent nor a limit has nothing to warn about (its ring's 0
// means "unknown" there, not "used up").
std::optional<qint64> cursorRemaining(const UsageSnapshot& snapshot);

// What tells one billing cycle from the next; a new value re-arms every notice.
QString cycle(const UsageSnapshot& snapshot);

// Given the keys already sent this cycle: a quota at or below the critical threshold earns the
// critical notice (and counts its low one as sent, so a quota first seen below both gets only the
// critical one); at or below the low threshold, the low one; the first on-demand use, its own; and
// an on-demand spend at or above `onDemandAmount` dollars, one for that amount (another amount is
// another notice).
Outcome due(const UsageSnapshot& snapshot, const QuotaThresholds& thresholds, const QStringList& sent,
            std::optional<qint64> onDemandAmount = std::nullopt);

// "新账期已开始 · 额度已恢复" when the snapshot's cycle starts later than `notifiedCycle` (a value of
// cycle() remembered from an earlier snapshot); nothing for a first snapshot ever (an empty
// `notifiedCycle`), the same or an earlier cycle, or a start that is no date.
std::optional<Notice> newCycle(const QString& notifiedCycle, const UsageSnapshot& snapshot);

// The cycle's on-demand spend in dollars, when the snapshot carries one: a team seat's own, not its
// team's pool.
std::optional<double> onDemandSpend(const UsageSnapshot& snapshot);

} // namespace QuotaAlerts

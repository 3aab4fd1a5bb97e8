#pragma once

#include "Ledger.h"
#include "LedgerDay.h"

#include "model/CycleSpan.h"
#include "model/UsageSnapshot.h"
#include "platform/Timestamp.h"

#include <QDate>
#include <QList>
#include <QSet>

// What the trends page shows from the ledger: the cycle's local days (every day, empty ones too),
// the previous cycle's for comparison, the exact split and how much of the cycle has been synced.
// Every figure holds only the events inside its cycle's exact bounds: the day a cycle starts or
// ends on holds only its own part, so no event counts in two cycles.
struct TrendsReport
{
    QList<LedgerDay> days;            // the cycle's local days, oldest first
    QList<LedgerDay> previousDays;    // the previous cycle's local days, oldest first
    QSet<QDate> unsyncedDays;         // the cycle's days with a begun window not yet fetched whole
    QSet<QDate> previousUnsyncedDays; // the same of the previous cycle
    QDate today;                      // local
    int syncedDays = 0;               // UTC-day windows of the cycle so far that are final
    int fetchedDays = 0;              // of them, those fetched whole at least once
    int elapsedDays = 0;              // UTC-day windows begun so far
    bool previousFetched = false;     // every window of the compared part of the previous cycle fetched whole
    double includedTokens = 0;
    double onDemandTokens = 0;
    double todayTokens = 0;
    qint64 events = 0;
    double toDateTokens = 0;         // this cycle up to now
    double previousToDateTokens = 0; // the previous cycle over as long from its start

    bool operator==(const TrendsReport&) const = default;

    // Every window so far final: nothing can still be missing.
    bool isComplete() const { return elapsedDays > 0 && syncedDays >= elapsedDays; }
    // Every window so far fetched whole: the figures hold all the service had when asked.
    bool isFetched() const { return elapsedDays > 0 && fetchedDays >= elapsedDays; }

    static TrendsReport build(const Ledger& ledger, const UsageSnapshot& snapshot, Timestamp now);
};

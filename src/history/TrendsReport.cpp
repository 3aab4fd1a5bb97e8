#include "TrendsReport.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>

namespace {

QDate localDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

// Every local day of [fromMs, toMs), days without events as empty ones.
QList<LedgerDay> everyDay(const Ledger& ledger, qint64 fromMs, qint64 toMs)
{
    const QList<LedgerDay> stored = ledger.days(fromMs, toMs);
    QList<LedgerDay> result;
    qsizetype next = 0;
    // The end is exclusive: the last day is the one its final millisecond falls on.
    for (QDate date = localDate(fromMs); date <= localDate(toMs - 1); date = date.addDays(1)) {
        if (next < stored.size() && stored.at(next).date == date)
            result.append(stored.at(next++));
        else
            result.append(LedgerDay{date, {}, 0, 0});
    }
    return result;
}

// The local days of the windows not yet fetched whole, which may hold more than they show.
QSet<QDate> daysNotFetched(const QList<CycleSpan::Window>& windows, const QHash<qint64, LedgerWindow>& known)
{
    QSet<QDate> result;
    for (const CycleSpan::Window& window : windows) {
        if (known.value(window.startMs).complete)
            continue;
        for (QDate date = localDate(window.startMs); date <= localDate(window.endMs - 1);
             date = date.addDays(1))
            result.insert(date);
    }
    return result;
}

} // namespace

TrendsReport TrendsReport::build(const Ledger& ledger, const UsageSnapshot& snapshot, Timestamp now)
{
    const qint64 nowMs = qint64(now.msSince1970());
    const CycleSpan cycle = CycleSpan::current(snapshot, now);
    const CycleSpan previous = cycle.previous();
    QHash<qint64, LedgerWindow> known;
    for (const LedgerWindow& window : ledger.windows())
        known.insert(window.startMs, window);

    TrendsReport report;
    report.today = localDate(nowMs);
    report.days = everyDay(ledger, cycle.startMs, cycle.endMs);
    report.previousDays = everyDay(ledger, previous.startMs, previous.endMs);
    const QList<CycleSpan::Window> windows = cycle.windows(nowMs);
    report.elapsedDays = int(windows.size());
    for (const CycleSpan::Window& window : windows) {
        const LedgerWindow state = known.value(window.startMs);
        report.fetchedDays += state.complete ? 1 : 0;
        report.syncedDays += state.isFinal() ? 1 : 0;
    }
    report.unsyncedDays = daysNotFetched(windows, known);
    const QList<CycleSpan::Window> previousWindows = previous.windows(nowMs);
    report.previousUnsyncedDays = daysNotFetched(previousWindows, known);

    for (const LedgerDay& day : std::as_const(report.days)) {
        const double total = day.totalTokens();
        report.onDemandTokens += day.onDemandTokens;
        report.includedTokens += total - day.onDemandTokens;
        report.events += day.events;
        if (day.date == report.today)
            report.todayTokens = total;
        if (day.date <= report.today)
            report.toDateTokens += total;
    }

    // The previous cycle over as long as this one has run, to the millisecond.
    const qint64 comparedEndMs =
        std::clamp(previous.startMs + (nowMs - cycle.startMs), previous.startMs, previous.endMs);
    for (const LedgerDay& day : ledger.days(previous.startMs, comparedEndMs))
        report.previousToDateTokens += day.totalTokens();
    report.previousFetched = true;
    for (const CycleSpan::Window& window : previousWindows) {
        if (window.startMs < comparedEndMs && !known.value(window.startMs).complete)
            report.previousFetched = false;
    }
    return report;
}

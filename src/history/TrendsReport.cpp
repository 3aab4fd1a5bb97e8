#include "TrendsReport.h"

#include <QDateTime>
#include <QHash>

namespace {

QDate localDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

// Every local day from `first` to `last`, days without events as empty ones.
QList<LedgerDay> everyDay(const Ledger& ledger, QDate first, QDate last)
{
    const QList<LedgerDay> stored = ledger.days(first, last);
    QList<LedgerDay> result;
    qsizetype next = 0;
    for (QDate date = first; date <= last; date = date.addDays(1)) {
        if (next < stored.size() && stored.at(next).date == date)
            result.append(stored.at(next++));
        else
            result.append(LedgerDay{date, {}, 0, 0});
    }
    return result;
}

} // namespace

TrendsReport TrendsReport::build(const Ledger& ledger, const UsageSnapshot& snapshot, Timestamp now)
{
    const qint64 nowMs = qint64(now.msSince1970());
    const CycleSpan cycle = CycleSpan::current(snapshot, now);
    const CycleSpan previous = cycle.previous();

    TrendsReport report;
    report.today = localDate(nowMs);
    // The end is exclusive: the last day is the one its final millisecond falls on.
    report.days = everyDay(ledger, localDate(cycle.startMs), localDate(cycle.endMs - 1));
    report.previousDays = everyDay(ledger, localDate(previous.startMs), localDate(previous.endMs - 1));
    const QList<CycleSpan::Window> windows = cycle.windows(nowMs);
    report.elapsedDays = int(windows.size());
    QHash<qint64, LedgerWindow> known;
    for (const LedgerWindow& window : ledger.windows())
        known.insert(window.startMs, window);
    for (const CycleSpan::Window& window : windows) {
        const LedgerWindow state = known.value(window.startMs);
        report.fetchedDays += state.complete ? 1 : 0;
        report.syncedDays += state.isFinal() ? 1 : 0;
    }

    const qint64 dayIndex = report.days.isEmpty() ? 0 : report.days.constFirst().date.daysTo(report.today);
    for (qsizetype i = 0; i < report.days.size(); ++i) {
        const LedgerDay& day = report.days.at(i);
        const double total = day.totalTokens();
        report.onDemandTokens += day.onDemandTokens;
        report.includedTokens += total - day.onDemandTokens;
        report.events += day.events;
        if (day.date == report.today)
            report.todayTokens = total;
        if (i <= dayIndex)
            report.toDateTokens += total;
    }
    for (qsizetype i = 0; i < report.previousDays.size() && i <= dayIndex; ++i)
        report.previousToDateTokens += report.previousDays.at(i).totalTokens();
    return report;
}

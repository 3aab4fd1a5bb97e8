#include "LedgerTesting.h"
#include "TestRegistry.h"

#include "history/TrendsReport.h"
#include "model/CycleSpan.h"
#include "platform/Clock.h"

// The billing cycles the history is read by, and the trends report built from the ledger's windows.
class TestTrendsReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cycleBounds_data()
    {
        QTest::addColumn<QString>("start"); // the snapshot's bounds; empty: none
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("bounds"); // local: current | previous | the previous cycle's first window
        // The tests run in Shanghai, eight hours ahead of UTC.
        QTest::newRow("calendar month")
            << QString() << QString() << u"2026-12-06T10:00:00+08:00"_s
            << u"2026-12-01 00:00:00 → 2027-01-01 00:00:00 | "
               u"2026-11-01 00:00:00 → 2026-12-01 00:00:00 | 2026-11-01 00:00:00"_s;
        QTest::newRow("calendar month, new year")
            << QString() << QString() << u"2026-01-01T00:30:00+08:00"_s
            << u"2026-01-01 00:00:00 → 2026-02-01 00:00:00 | "
               u"2025-12-01 00:00:00 → 2026-01-01 00:00:00 | 2025-12-01 00:00:00"_s;
        QTest::newRow("service cycle")
            << u"2026-12-06T09:42:14Z"_s << u"2027-01-06T09:42:14Z"_s << u"2026-12-06T10:00:00+08:00"_s
            << u"2026-12-06 17:42:14 → 2027-01-06 17:42:14 | "
               u"2026-11-06 17:42:14 → 2026-12-06 17:42:14 | 2026-11-06 17:42:14"_s;
    }

    void cycleBounds()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, now);
        QFETCH(QString, bounds);
        UsageSnapshot snapshot;
        snapshot.billingCycleStart = start;
        snapshot.billingCycleEnd = end;
        const Timestamp at = *Timestamp::parseInternetDateTime(now);
        const CycleSpan cycle = CycleSpan::current(snapshot, at);
        const CycleSpan previous = cycle.previous();
        const auto local = [](qint64 ms) {
            return QDateTime::fromMSecsSinceEpoch(ms).toString(u"yyyy-MM-dd HH:mm:ss"_s);
        };
        QCOMPARE(local(cycle.startMs) + u" → "_s + local(cycle.endMs) + u" | "_s + local(previous.startMs) +
                     u" → "_s + local(previous.endMs) + u" | "_s +
                     local(previous.windows(qint64(at.msSince1970())).value(0).startMs),
                 bounds);
    }

    void trendsReport_data()
    {
        QTest::addColumn<QString>("state"); // of the windows
        QTest::addColumn<QString>("figures");
        // The cycle starts at 09:42:14Z on 6 April, 17:42 in Shanghai: that day is shared with the
        // previous cycle, and each holds only its own events of it.
        const QString shared = u"3 个事件 · 首日 1 个 10 · 上期末日 1 个 100 · 今天 100000 · "
                               u"至今 101010 对 10000 · "_s;
        // Today and yesterday were fetched before they were a day over: not final.
        QTest::newRow("every window fetched")
            << u"fetched"_s << shared + u"已同步 13/15 天，取全 15 · 未同步 无 · 上期取全"_s;
        QTest::newRow("one fetched too early")
            << u"10 April too early"_s << shared + u"已同步 12/15 天，取全 15 · 未同步 无 · 上期取全"_s;
        // 10 April 00:00–24:00 UTC touches two local days.
        QTest::newRow("one not fetched")
            << u"10 April missing"_s
            << shared + u"已同步 12/15 天，取全 14 · 未同步 4月10日 4月11日 · 上期取全"_s;
        QTest::newRow("previous cycle not fetched")
            << u"previous missing"_s << shared + u"已同步 13/15 天，取全 15 · 未同步 无 · 上期未取全 32 天"_s;
    }

    void trendsReport()
    {
        QFETCH(QString, state);
        QFETCH(QString, figures);
        LedgerWorld world;
        UsageSnapshot snapshot = aprilCycle();
        snapshot.billingCycleStart = u"2026-04-06T09:42:14Z"_s;
        snapshot.billingCycleEnd = u"2026-05-06T09:42:14Z"_s;
        const qint64 now = qint64(Clock::now().msSince1970());
        const CycleSpan cycle = CycleSpan::current(snapshot, Clock::now());
        const CycleSpan previous = cycle.previous();
        const qint64 april10 = march1 + 40 * dayMs;
        const auto event = [](const char* time, qint64 tokens) {
            const qint64 ms =
                qint64(Timestamp::parseInternetDateTime(QString::fromLatin1(time))->msSince1970());
            return LedgerEvent{ms, u"gpt-5"_s, u"K"_s, tokens, 0, 0, 0};
        };
        const QList<LedgerEvent> events{event("2026-03-06T12:00:00Z", 10000),
                                        event("2026-04-06T09:00:00Z", 100), event("2026-04-06T10:00:00Z", 10),
                                        event("2026-04-06T20:00:00Z", 1000),
                                        event("2026-04-19T17:00:00Z", 100000)};
        {
            const auto ledger = Ledger::open(world.path);
            const QList<CycleSpan::Window> windows = previous.windows(now) + cycle.windows(now);
            QVERIFY(ledger->prepare(254123789, windows, previous.startMs));
            for (const CycleSpan::Window& window : windows) {
                LedgerWindow stored{window.startMs, window.endMs, 2, 1, 1, true, now};
                if (window.startMs < cycle.startMs && state == "previous missing"_L1)
                    stored.complete = false;
                if (window.startMs == april10 && state == "10 April missing"_L1)
                    stored.complete = false;
                if (window.startMs == april10 && state == "10 April too early"_L1)
                    stored.fetchedMs = april10 + 12 * 3'600'000;
                QVERIFY(ledger->store(stored, events, true));
            }
        }
        const TrendsReport report = TrendsReport::build(*Ledger::open(world.path), snapshot, Clock::now());
        QStringList unsynced;
        for (const LedgerDay& day : report.days) {
            if (report.unsyncedDays.contains(day.date))
                unsynced.append(u"%1月%2日"_s.arg(day.date.month()).arg(day.date.day()));
        }
        const LedgerDay first = report.days.value(0);
        const LedgerDay previousLast = report.previousDays.value(report.previousDays.size() - 1);
        const QString shown =
            u"%1 个事件 · 首日 %2 个 %3 · 上期末日 %4 个 %5 · 今天 %6 · 至今 %7 对 %8 · 已同步 %9/%10 天，"
            u"取全 %11 · 未同步 %12 · "_s.arg(report.events)
                .arg(first.events)
                .arg(first.totalTokens())
                .arg(previousLast.events)
                .arg(previousLast.totalTokens())
                .arg(report.todayTokens)
                .arg(report.toDateTokens)
                .arg(report.previousToDateTokens)
                .arg(report.syncedDays)
                .arg(report.elapsedDays)
                .arg(report.fetchedDays)
                .arg(unsynced.isEmpty() ? u"无"_s : unsynced.join(u' ')) +
            (report.previousFetched ? u"上期取全"_s
                                    : u"上期未取全 %1 天"_s.arg(report.previousUnsyncedDays.size()));
        QCOMPARE(shown, figures);
        // No event counts in two cycles.
        double tokens = 0;
        for (const QList<LedgerDay>& days : {report.days, report.previousDays}) {
            for (const LedgerDay& day : days)
                tokens += day.totalTokens();
        }
        QCOMPARE(tokens, 111110.0);
    }
};

TALLYFERN_REGISTER_TEST(TestTrendsReport);

#include "TestTrendsReport.moc"

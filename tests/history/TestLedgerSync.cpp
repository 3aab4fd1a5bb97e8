#include "LedgerTesting.h"
#include "TestRegistry.h"

#include "model/AccountsLock.h"
#include "model/HomeRecord.h"
#include "platform/Clock.h"

#include <algorithm>
#include <tuple>

namespace {

// Events of one millisecond have no order of their own: both sides are sorted on every field.
QList<LedgerEvent> inOrder(QList<LedgerEvent> events)
{
    std::sort(events.begin(), events.end(), [](const LedgerEvent& a, const LedgerEvent& b) {
        return std::tie(a.ms, a.model, a.kind, a.inputTokens, a.outputTokens, a.cacheReadTokens,
                        a.cacheWriteTokens) < std::tie(b.ms, b.model, b.kind, b.inputTokens, b.outputTokens,
                                                       b.cacheReadTokens, b.cacheWriteTokens);
    });
    return events;
}

QList<LedgerEvent> asLedger(const QList<HeavyAccount::Event>& events)
{
    QList<LedgerEvent> result;
    for (const HeavyAccount::Event& e : events)
        result.append({e.ms, e.model, e.kind, e.input, e.output, e.cacheRead, e.cacheWrite});
    return inOrder(result);
}

} // namespace

// The ledger's sync against the service: filling every window across interrupted runs, asking again
// only what may still change, and stopping at the first refusal.
class TestLedgerSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void syncFillsEveryEventAcrossRuns_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("budget");
        QTest::newRow("a day a page") << 3000 << 20;
        // Days of several pages, cut off mid-day by the budget and resumed on the next run.
        QTest::newRow("busy days, small budget") << 30000 << 3;
    }

    void syncFillsEveryEventAcrossRuns()
    {
        QFETCH(int, events);
        QFETCH(int, budget);
        LedgerWorld world(events);

        // Interrupted runs: each stops at its budget and the next resumes where it ended.
        int runs = 0;
        int pages = 0;
        LedgerSync::Result result;
        do {
            result = world.sync(budget);
            QVERIFY(result.requests <= budget);
            pages += result.requests;
            ++runs;
        } while (result.outcome == LedgerSync::Outcome::budgetUsed && runs < 200);
        QCOMPARE(result.outcome, LedgerSync::Outcome::upToDate);
        QVERIFY(runs > 2);
        const int windows = 31 + 20;
        QVERIFY2(pages <= events / 200 + windows, qPrintable(QString::number(pages)));
        QCOMPARE(inOrder(world.stored()), asLedger(world.account.events()));

        // Nothing new: one page each for today and yesterday, and no row doubled.
        QCOMPARE(world.sync().requests, 2);

        // A late event in yesterday's window, and one in a closed day that is never asked again.
        const qint64 yesterday = march1 + 50 * dayMs - dayMs + 3'600'000;
        world.account.add({yesterday, u"gpt-5"_s, u"USAGE_EVENT_KIND_USAGE_BASED"_s, 10, 20, 30, 40});
        world.account.add({march1 + 3'600'000, u"gpt-5"_s, u"USAGE_EVENT_KIND_USAGE_BASED"_s, 1, 1, 1, 1});
        QCOMPARE(world.sync().outcome, LedgerSync::Outcome::upToDate);
        const QList<LedgerEvent> stored = world.stored();
        QCOMPARE(stored.size(), events + 1);
        QVERIFY(stored.contains(
            LedgerEvent{yesterday, u"gpt-5"_s, u"USAGE_EVENT_KIND_USAGE_BASED"_s, 10, 20, 30, 40}));

        // An event at 20:00 UTC today, then no sync until two days later: today's window, fetched
        // before its day was over, is asked again however old it is by then.
        const LedgerEvent evening{march1 + 50 * dayMs + 20 * 3'600'000, u"gpt-5"_s, u"K"_s, 5, 5, 5, 5};
        world.account.add({evening.ms, evening.model, evening.kind, 5, 5, 5, 5});
        world.env.setNow(u"2026-04-22T10:00:00Z"_s);
        QCOMPARE(world.sync().outcome, LedgerSync::Outcome::upToDate);
        QVERIFY(world.stored().contains(evening));
        // Every window before yesterday is final now: nothing new costs two requests.
        QCOMPARE(world.sync().requests, 2);

        // The daily table agrees with the rows it sums.
        double total = 0;
        for (const LedgerDay& day : Ledger::open(world.path)->days(QDate(2026, 3, 1), QDate(2026, 4, 30)))
            total += day.totalTokens();
        for (const LedgerEvent& event : world.stored())
            total -= double(event.totalTokens());
        QCOMPARE(total, 0.0);
    }

    // Another user signs in on this computer: the ledger starts over for them, and what it held is
    // kept whole in a copy of its own, never just deleted.
    void anotherUsersEventsAreKeptAside()
    {
        LedgerWorld world;
        QCOMPARE(world.sync().outcome, LedgerSync::Outcome::budgetUsed);
        const QList<LedgerEvent> first = world.stored();
        QVERIFY(!first.isEmpty());
        world.service.setJson("GET", DashboardClient::mePath, R"({"id": 300145822})");
        world.state->userId.reset();
        world.sync();
        const QStringList kept =
            QFileInfo(world.path).dir().entryList({u"history.sqlite.user-254123789-*"_s}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString copy = QFileInfo(world.path).dir().filePath(kept.constFirst());
        QVERIFY(isPrivate(copy));
        QCOMPARE(Ledger::open(copy)->events(march1, march1 + 61 * dayMs), first);
        QCOMPARE(Ledger::open(world.path)->user(), 300145822.0);
    }

    // The account removed: its sync stops before its next page, and writes nothing more.
    void aRemovedAccountsSyncStops()
    {
        LedgerWorld world;
        {
            const AccountsLock lock;
            HomeRecord removed;
            removed.userId = QString();
            removed.generation = 9;
            QVERIFY(removed.write(lock));
        }
        world.service.clearRequests();
        QCOMPARE(world.sync().outcome, LedgerSync::Outcome::removed);
        QVERIFY(world.service.requests().isEmpty());
        QVERIFY(!QFileInfo::exists(world.path));
    }

    void syncStops_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<qint64>("waitSeconds"); // 0: no wait recorded
        // The wait a Retry-After asks for is RateLimit's table (tests/client).
        QTest::newRow("429") << 429 << QByteArray("120") << int(LedgerSync::Outcome::rateLimited) << 120LL;
        QTest::newRow("unauthorized") << 401 << QByteArray() << int(LedgerSync::Outcome::unauthorized) << 0LL;
        QTest::newRow("server error") << 500 << QByteArray() << int(LedgerSync::Outcome::failed) << 0LL;
    }

    void syncStops()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, outcome);
        QFETCH(qint64, waitSeconds);
        LedgerWorld world;
        QCOMPARE(world.sync().outcome, LedgerSync::Outcome::budgetUsed);
        const QList<LedgerEvent> before = world.stored();
        const bool teamFirst = world.state->eventsUseTeamId;

        FakeService::Answer refusal{status, "{}", {}, 0};
        if (!retryAfter.isEmpty())
            refusal.headers.append({"Retry-After", retryAfter});
        world.service.setAnswer("POST", DashboardClient::eventsPath, refusal);
        world.service.clearRequests();
        const LedgerSync::Result result = world.sync();
        QCOMPARE(int(result.outcome), outcome);
        // Stopped at once; the rows already stored stay.
        // Only a plain failure tries the other body, as the snapshot's pages do.
        QCOMPARE(world.service.requests(DashboardClient::eventsPath).size(), status == 500 ? 2 : 1);
        QCOMPARE(world.stored(), before);
        QCOMPARE(world.state->eventsUseTeamId, status == 500 ? !teamFirst : teamFirst);

        // The wait goes to the account's record, which the refreshes read too, and which holds the
        // sync back whoever recorded it.
        const std::optional<Timestamp> held = world.state->rateLimit->until();
        const double now = Clock::now().secondsSinceReference;
        QCOMPARE(held.value_or(Timestamp{now}).secondsSinceReference, now + double(waitSeconds));
        if (waitSeconds > 0) {
            world.service.clearRequests();
            QCOMPARE(world.sync().outcome, LedgerSync::Outcome::rateLimited);
            QVERIFY(world.service.requests().isEmpty());
        }
    }
};

TALLYFERN_REGISTER_TEST(TestLedgerSync);

#include "TestLedgerSync.moc"

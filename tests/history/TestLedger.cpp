#include "ClientFixture.h"
#include "HeavyAccount.h"
#include "TestRegistry.h"

#include "app/commands/CommandLine.h"
#include "app/commands/ExportCommand.h"
#include "history/CsvExport.h"
#include "history/Ledger.h"
#include "history/LedgerSync.h"
#include "history/TrendsReport.h"
#include "model/SnapshotStore.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <tuple>
#include <utility>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// The fixture's clock stands at 2026-04-20 02:00 UTC, inside this cycle; the previous one is March.
UsageSnapshot aprilCycle()
{
    UsageSnapshot snapshot;
    snapshot.hasRealData = true;
    snapshot.billingCycleStart = u"2026-04-01T00:00:00.000Z"_s;
    snapshot.billingCycleEnd = u"2026-05-01T00:00:00.000Z"_s;
    return snapshot;
}

constexpr qint64 march1 = 1'772'323'200'000; // 2026-03-01T00:00:00Z
constexpr qint64 dayMs = 86'400'000;

bool isPrivate(const QString& path)
{
    return QFile::permissions(path) == (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadUser | QFileDevice::WriteUser);
}

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

struct LedgerWorld : ClientFixture
{
    QString path = env.dataHome() + u"/Tallyfern/history.sqlite"_s;
    HeavyAccount account;

    explicit LedgerWorld(int events = 3000)
        : account(march1, 51, events)
    {
        service.setJson("GET", DashboardClient::mePath, R"({"id": 254123789})");
        service.setHandler("POST", DashboardClient::eventsPath,
                           [this](const FakeService::Request& request) { return account.answer(request); });
    }

    LedgerSync::Result sync(int budget = 20)
    {
        return await(LedgerSync::runLocked(path, aprilCycle(), budget,
                                           {std::make_shared<CursorService>(), session, state}));
    }

    QList<LedgerEvent> stored() { return Ledger::open(path)->events(march1, march1 + 61 * dayMs); }
};

} // namespace

class TestLedger : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unusableFilesAreSetAside_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("keptRows");
        QTest::newRow("none") << u"none"_s << true;
        // A file of the first version, before windows knew when they were fetched.
        QTest::newRow("older schema") << u"older schema"_s << true;
        QTest::newRow("newer schema") << u"newer schema"_s << false;
        QTest::newRow("damaged pages") << u"damaged pages"_s << false;
        QTest::newRow("not a database") << u"not a database"_s << false;
    }

    void unusableFilesAreSetAside()
    {
        QFETCH(QString, damage);
        QFETCH(bool, keptRows);
        LedgerWorld world;
        {
            const auto ledger = Ledger::open(world.path);
            QVERIFY(ledger);
            const CycleSpan::Window window{march1, march1 + dayMs};
            QVERIFY(ledger->prepare(1, {window}, march1));
            QVERIFY(ledger->store({window.startMs, window.endMs, 2, 1, 1, true, march1 + 2 * dayMs},
                                  {{march1 + 5, u"gpt-5"_s, u"k"_s, 1, 2, 3, 4}}, true));
        }
        if (damage.endsWith(u"schema"_s)) {
            {
                QSqlDatabase raw = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"raw"_s);
                raw.setDatabaseName(world.path);
                QVERIFY(raw.open());
                const QStringList steps = damage == "newer schema"_L1
                                              ? QStringList{u"PRAGMA user_version=99"_s}
                                              : QStringList{u"ALTER TABLE windows DROP COLUMN fetched_ms"_s,
                                                            u"PRAGMA user_version=1"_s};
                for (const QString& step : steps)
                    QVERIFY(QSqlQuery(raw).exec(step));
                raw.close();
            }
            QSqlDatabase::removeDatabase(u"raw"_s);
        } else if (damage != "none"_L1) {
            QFile file(world.path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qint64 from = damage == "damaged pages"_L1 ? 4096 : 0;
            file.seek(from);
            file.write(QByteArray(file.size() - from, 'x'));
        }
        // Three set aside before: the oldest goes.
        for (const auto stamp : {"20260101-000000", "20260102-000000", "20260103-000000"})
            QFile(world.path + u".broken-"_s + QLatin1StringView(stamp)).open(QIODevice::WriteOnly);

        const auto ledger = Ledger::open(world.path);
        QVERIFY(ledger);
        QCOMPARE(ledger->events(march1, march1 + dayMs).size(), keptRows ? 1 : 0);
        const QStringList broken =
            QFileInfo(world.path).dir().entryList({u"history.sqlite.broken-*"_s}, QDir::Files);
        QCOMPARE(broken.size(), 3);
        QCOMPARE(broken.contains(u"history.sqlite.broken-20260101-000000"_s), keptRows);
        QVERIFY(isPrivate(world.path));
        // The older file's window is still whole, but when it was fetched is not known: it is
        // asked once more before it counts as final.
        const LedgerWindow window = ledger->windows().value(0);
        QCOMPARE(window.complete, keptRows);
        QCOMPARE(window.isFinal(), damage == "none"_L1);
        // The new ledger works.
        QVERIFY(ledger->prepare(1, {{march1, march1 + dayMs}}, march1));
    }

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

    void csvExport_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("existing"); // what out.csv is before: nothing, file, folder or fifo
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("stderrLine");
        QTest::addColumn<QByteArray>("written"); // after the header; null: out.csv as it was
        const QStringList current{u"--export-csv"_s, u"out.csv"_s};
        // Oldest first, ties in stored order, quoted only where needed, totals summed.
        const QByteArray today("2026-04-20T00:00:01.789Z,\"model \"\"x\"\", large\",\"K\nL\",1,2,3,4,10\r\n"
                               "2026-04-20T00:00:01.789Z,a,K,0,0,0,0,0\r\n"
                               "2026-04-20T00:00:02.000Z,b,K,5,6,7,8,26\r\n");
        const QByteArray none;
        // Today's window is whole but may still gain late events: not yet synced.
        QTest::newRow("current, incomplete")
            << current << QString() << 0 << u"账期尚未同步完整（0/20 天）"_s << today;
        QTest::newRow("replacing a file")
            << current << u"file"_s << 0 << u"账期尚未同步完整（0/20 天）"_s << today;
        // 1 March was fetched weeks after it ended; 31 March only before its day was over.
        QTest::newRow("previous, empty")
            << QStringList{u"--export-csv"_s, u"out.csv"_s, u"--cycle"_s, u"previous"_s} << QString() << 0
            << u"账期尚未同步完整（1/31 天）"_s << QByteArray("");
        QTest::newRow("a folder") << current << u"folder"_s << 1 << u"无法写入 out.csv"_s << none;
        QTest::newRow("a fifo") << current << u"fifo"_s << 1 << u"无法写入 out.csv"_s << none;
        QTest::newRow("no file name")
            << QStringList{u"--export-csv="_s} << QString() << 2 << u"--export-csv 需要一个文件名"_s << none;
        QTest::newRow("bad cycle") << QStringList{u"--export-csv"_s, u"out.csv"_s, u"--cycle"_s, u"last"_s}
                                   << QString() << 2 << u"--cycle 只能是 current 或 previous"_s << none;
        QTest::newRow("unwritable") << QStringList{u"--export-csv"_s, u"missing/out.csv"_s} << QString() << 1
                                    << u"无法写入 missing/out.csv"_s << none;
        QTest::newRow("no ledger") << current << QString() << 1
                                   << u"没有用量历史：请先在设置中打开“保存用量历史”并刷新"_s << none;
    }

    void csvExport()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, existing);
        QFETCH(int, exitStatus);
        QFETCH(QString, stderrLine);
        QFETCH(QByteArray, written);
        LedgerWorld world;
        QDir::setCurrent(world.env.root());
        SnapshotStore::save(aprilCycle());
        if (QString::fromLatin1(QTest::currentDataTag()) != "no ledger"_L1) {
            const auto ledger = Ledger::open(world.path);
            const qint64 today = march1 + 50 * dayMs;
            const qint64 now = today + 7'200'000;
            const qint64 march31 = march1 + 30 * dayMs;
            QVERIFY(ledger->prepare(
                254123789, {{march1, march1 + dayMs}, {march31, today - 19 * dayMs}, {today, today + dayMs}},
                march1));
            QVERIFY(ledger->store({march1, march1 + dayMs, 1, 0, 0, true, now}, {}, true));
            QVERIFY(ledger->store({march31, today - 19 * dayMs, 1, 0, 0, true, march31 + 23 * 3'600'000}, {},
                                  true));
            // Today's window of the current cycle, with names that need quoting.
            QVERIFY(ledger->store({today, today + dayMs, 2, 3, 3, true, now},
                                  {{today + 2000, u"b"_s, u"K"_s, 5, 6, 7, 8},
                                   {today + 1789, u"model \"x\", large"_s, u"K\nL"_s, 1, 2, 3, 4},
                                   {today + 1789, u"a"_s, u"K"_s, 0, 0, 0, 0}},
                                  true));
        }
        // Files of the user's beside the target, of any age, are never touched.
        for (const auto& [name, ageHours] : {std::pair{"out.csv.backup", 1}, {"out.csv.old123", 48}}) {
            QFile kept(QString::fromLatin1(name));
            QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("mine") == 4 && kept.flush());
            QVERIFY(kept.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600 * ageHours),
                                     QFileDevice::FileModificationTime));
        }
        const QByteArray target("out.csv");
        if (existing == "file"_L1)
            QVERIFY(QFile(u"out.csv"_s).open(QIODevice::WriteOnly) && ::chmod(target, 0644) == 0);
        else if (existing == "folder"_L1)
            QVERIFY(QDir().mkdir(u"out.csv"_s) && ::chmod(target, 0755) == 0);
        else if (existing == "fifo"_L1)
            QVERIFY(::mkfifo(target, 0644) == 0);
        struct stat before
        {};
        ::lstat(target, &before);

        const CommandLine::Invocation parsed = CommandLine::parse(QStringList{u"tallyfern"_s} + arguments);
        QCOMPARE(parsed.mode, CommandLine::Mode::ExportCsv);
        QString errors;
        const int status = ExportCommand::exportCsv({parsed.value, parsed.cycle, parsed.account}, &errors);
        QCOMPARE(status, exitStatus);
        QCOMPARE(errors, stderrLine);
        for (const auto name : {"out.csv.backup", "out.csv.old123"}) {
            QFile kept(QString::fromLatin1(name));
            QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "mine");
        }
        struct stat after
        {};
        const bool exists = ::lstat(target, &after) == 0;
        if (written.isNull()) {
            // As it was: absent, or the same entry with the same mode.
            QCOMPARE(exists, !existing.isEmpty());
            QCOMPARE(after.st_mode, before.st_mode);
            return;
        }
        QFile file(u"out.csv"_s);
        QVERIFY(exists && S_ISREG(after.st_mode) && isPrivate(file.fileName()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray(CsvExport::header) + "\r\n" + written);
    }
};

TALLYFERN_REGISTER_TEST(TestLedger);

#include "TestLedger.moc"

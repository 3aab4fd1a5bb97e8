// The usage ledger with a heavy account: 30,653 events over a 31-day cycle from the fake service.
// Prints the time to store them (one transaction per day window), the page requests of the first
// full sync and of a later one with nothing new, the daily aggregation the trends page reads over
// 62 days and 30 models, and the file's bytes per event. Targets: < 300 ms, at most
// ⌈events/200⌉ + windows, at most 2, < 10 ms, < 150 bytes. Not a test: run it by hand.
#include "FakeService.h"
#include "HeavyAccount.h"
#include "HeavyLedger.h"

#include "client/DashboardClient.h"
#include "history/Ledger.h"
#include "history/LedgerSync.h"
#include "history/TrendsReport.h"
#include "platform/MemorySecretStore.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cmath>
#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 dayMs = 86'400'000;
constexpr int cycleEvents = 30'653;

// A cycle of 31 UTC days ending at tomorrow's midnight, so every day of it has begun.
UsageSnapshot cycleOf(qint64 startMs)
{
    UsageSnapshot snapshot;
    snapshot.hasRealData = true;
    snapshot.billingCycleStart =
        QDateTime::fromMSecsSinceEpoch(startMs, QTimeZone::utc()).toString(Qt::ISODateWithMs);
    snapshot.billingCycleEnd =
        QDateTime::fromMSecsSinceEpoch(startMs + 31 * dayMs, QTimeZone::utc()).toString(Qt::ISODateWithMs);
    return snapshot;
}

int syncUntilDone(const UsageSnapshot& snapshot)
{
    int runs = 0;
    LedgerSync::Result result;
    do {
        // The window's budget per run (RefreshPolicy::user()).
        auto state = std::make_shared<DashboardClient::ClientState>();
        result = QCoro::waitFor(
            LedgerSync::runLocked(AccountPlace::homeAccount(), snapshot, 20,
                                  {std::make_shared<CursorService>(), u"bench-token"_s, state}));
        ++runs;
    } while (result.outcome == LedgerSync::Outcome::budgetUsed && runs < 1000);
    if (result.outcome != LedgerSync::Outcome::upToDate) {
        std::fprintf(stderr, "sync stopped: outcome %d\n", int(result.outcome));
        std::exit(1);
    }
    return runs;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    FakeService service;
    if (!folder.isValid() || !service.start())
        return 1;
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());
    // The synced ledger is the home account's, in a data folder of its own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path()));
    QDir().mkpath(AccountPlace::homeAccount().folder());

    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 start = nowMs - nowMs % dayMs - 30 * dayMs;
    const UsageSnapshot snapshot = cycleOf(start);
    const CycleSpan cycle = CycleSpan::current(snapshot, Timestamp::fromMsSince1970(double(nowMs)));
    HeavyAccount account(start, 31, cycleEvents, 20);
    service.setJson("GET", DashboardClient::mePath, R"({"id": 254123789})");
    service.setHandler("POST", DashboardClient::eventsPath,
                       [&account](const FakeService::Request& request) { return account.answer(request); });

    // Storing alone: every window in one transaction each, into a new ledger.
    const auto windows = heavyWindows(account, cycle);
    // Processor time too: on a busy machine the wall time says more about the neighbours.
    const std::clock_t cpuStart = std::clock();
    const double storeMs = medianMs(5, [&] {
        const QString path = folder.filePath(u"store.sqlite"_s);
        Ledger::remove(path);
        const auto ledger = Ledger::open(path);
        ledger->prepare(254123789, cycle.windows(cycle.endMs), cycle.startMs);
        for (const auto& [state, events] : windows)
            ledger->store(state, events, true);
    });
    const double storeCpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / 5;
    std::printf("store %d events in %lld windows: %.1f ms wall, %.1f ms processor (target < 300 ms)\n",
                cycleEvents, qlonglong(windows.size()), storeMs, storeCpuMs);

    // The first full sync through the service, run after run, then one with nothing new.
    const QString path = AccountPlace::homeAccount().ledgerFile();
    const int runs = syncUntilDone(snapshot);
    qlonglong cyclePages = 0;
    const auto requests = service.requests(DashboardClient::eventsPath);
    for (const FakeService::Request& request : requests) {
        if (QJsonDocument::fromJson(request.body).object().value("startDate"_L1).toString().toLongLong() >=
            start)
            ++cyclePages;
    }
    const qlonglong bound = (cycleEvents + 199) / 200 + 31;
    std::printf("first sync: %d runs, %lld page requests for the cycle (bound %lld), %lld for the empty "
                "previous cycle\n",
                runs, cyclePages, bound, qlonglong(requests.size()) - cyclePages);
    service.clearRequests();
    syncUntilDone(snapshot);
    std::printf("later sync with nothing new: %lld page requests (target <= 2)\n",
                qlonglong(service.requests(DashboardClient::eventsPath).size()));
    const qint64 bytes = QFileInfo(path).size() + QFileInfo(path + u"-wal"_s).size();
    std::printf("ledger file: %lld bytes, %.1f bytes per event (target < 150)\n", qlonglong(bytes),
                double(bytes) / cycleEvents);

    // Two full cycles of 30 models for the trends page's daily figures.
    const QString wide = folder.filePath(u"wide.sqlite"_s);
    const qint64 wideStart = start - 31 * dayMs;
    HeavyAccount twoCycles(wideStart, 62, 2 * cycleEvents, 30, 11);
    {
        const CycleSpan both{wideStart, start + 31 * dayMs};
        const double openMs = medianMs(5, [&] { Ledger::open(wide); });
        std::printf("opening the two-cycle ledger (%d events, integrity check included): %.1f ms\n",
                    2 * cycleEvents, openMs);
        storeHeavyLedger(wide, 254123789, twoCycles, both);
    }
    const auto ledger = Ledger::open(wide);
    const QDate first = QDateTime::fromMSecsSinceEpoch(wideStart).date();
    qsizetype days = 0;
    const std::clock_t aggregateStart = std::clock();
    const double aggregateMs = medianMs(50, [&] { days = ledger->days(first, first.addDays(61)).size(); });
    const double aggregateCpuMs = double(std::clock() - aggregateStart) * 1000.0 / CLOCKS_PER_SEC / 50;
    const double reportMs = medianMs(
        50, [&] { TrendsReport::build(*ledger, snapshot, Timestamp::fromMsSince1970(double(nowMs))); });
    std::printf("daily aggregation, 62 days x 30 models (%lld days with events): %.2f ms wall, %.2f ms "
                "processor on average (target < 10 ms); whole trends report: %.2f ms\n",
                qlonglong(days), aggregateMs, aggregateCpuMs, reportMs);
    SecretStore::setCurrent(nullptr);
    return 0;
}

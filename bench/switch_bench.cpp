// Switching the window between two accounts: each with a stored 40-model snapshot and a ledger of
// 30,653 events over its 31-day cycle in 20 models. Prints the median time from choosing the other
// account to the window drawn again (its trends read anew from the ledger, the page rebuilt, laid out
// and rendered offscreen at 720 x 640) on the overview, models and trends pages, and the requests
// the switches made. Targets: < 16 ms (one frame), no request. Not a test: run it by hand.
#include "BenchSupport.h"
#include "FakeService.h"
#include "HeavyLedger.h"

#include "app/UsageStore.h"
#include "app/shell/DashboardWindow.h"
#include "model/AccountList.h"
#include "model/AccountRoster.h"
#include "model/SnapshotStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/Paths.h"
#include "platform/ProcessRunner.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 dayMs = 86'400'000;

// Stands in for systemctl, which the window's start would run to install the background agent.
class SilentRunner : public ProcessRunner
{
public:
    int run(const QString&, const QStringList&) override { return 0; }
    std::optional<QByteArray> output(const QString&, const QStringList&) override { return QByteArray(); }
};

bool writeList(const AccountList& list)
{
    QDir().mkpath(Paths::supportFolder());
    QSaveFile file(AccountList::fileName());
    return file.open(QIODevice::WriteOnly) && file.write(list.encode()) >= 0 && file.commit();
}

// One account's snapshot and ledger in its own place.
bool storeAccount(const AccountPlace& place, const QString& plan, int variant, qint64 startMs)
{
    UsageSnapshot snapshot = snapshotWith40Models(variant);
    snapshot.planName = plan;
    snapshot.cursorModelsPercent = 30 + variant;
    snapshot.otherModelsPercent = 60 - variant;
    snapshot.billingCycleStart =
        QDateTime::fromMSecsSinceEpoch(startMs, QTimeZone::utc()).toString(Qt::ISODateWithMs);
    snapshot.billingCycleEnd =
        QDateTime::fromMSecsSinceEpoch(startMs + 31 * dayMs, QTimeZone::utc()).toString(Qt::ISODateWithMs);
    const HeavyAccount account(startMs, 31, 30'653, 20, quint32(variant));
    return place.makeFolder() && SnapshotStore::saveTo(place, snapshot) &&
           storeHeavyLedger(place.ledgerFile(), 4242 + variant, account, {startMs, startMs + 31 * dayMs});
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(home.path() + u'/' + QString::fromLatin1(name)));
    QApplication app(argc, argv);
    MemorySecretStore secrets;
    SecretStore::setCurrent(&secrets);
    SilentRunner runner;
    ProcessRunner::setCurrent(&runner);
    FakeService service;
    if (!home.isValid() || !service.start() || !storeFortyEntryCatalog())
        return 1;
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());

    // Both signed out: the window's start then asks for nothing, and switching never would.
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 startMs = nowMs - nowMs % dayMs - 19 * dayMs;
    AccountList list;
    list.accounts = {{u"user_01BENCHPERSONAL"_s, u"lin.wei@example.com"_s, u"Lin Wei"_s, {}},
                     {u"user_01BENCHTEAM"_s, u"wei.chen@corp.example.com"_s, u"Wei Chen"_s, u"工作"_s}};
    list.primary = list.accounts[0].userId;
    list.home = list.primary;
    const AccountRoster roster = AccountRoster::of({AccountList::State::loaded, list}, {});
    if (!writeList(list) || !storeAccount(roster.entries[0].place, u"Pro+"_s, 1, startMs) ||
        !storeAccount(roster.entries[1].place, u"Enterprise"_s, 2, startMs)) {
        std::fprintf(stderr, "cannot store the accounts\n");
        return 1;
    }

    UsageStore store(std::chrono::hours(1));
    DashboardWindow window(&store);
    window.resize(720, 640);
    window.show();
    QCoreApplication::processEvents();
    service.clearRequests();

    qsizetype next = 0;
    qint64 sink = 0;
    const auto switchOnce = [&] {
        next = 1 - next;
        store.setCurrentAccount(next);
        QCoreApplication::processEvents(); // layout
        sink += window.grab().width();
    };
    std::printf("switching between two accounts (40 models, 30,653 ledger events each), 720 x 640:\n");
    for (const auto& [page, name] : {std::pair{DashboardPage::overview, "overview"},
                                     {DashboardPage::models, "models"},
                                     {DashboardPage::trends, "trends"}}) {
        window.selectPage(page);
        for (int i = 0; i < 4; ++i)
            switchOnce(); // warm-up: fonts, glyph caches, the ledgers' pages
        // Processor time too: on a busy machine the wall time says more about the neighbours.
        const std::clock_t cpuStart = std::clock();
        const double wallMs = medianMs(41, switchOnce);
        const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / 41;
        std::printf("  %-8s page: median %.2f ms, %.2f ms processor on average (one frame: 16 ms)\n", name,
                    wallMs, cpuMs);
    }
    std::printf("requests made by the switches: %lld (target 0)\n", qlonglong(service.requests().size()));
    SecretStore::setCurrent(nullptr);
    ProcessRunner::setCurrent(nullptr);
    return sink > 0 ? 0 : 1;
}

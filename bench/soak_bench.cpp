// Soak: N overview + event patch refreshes in one process against the fake service (the account in
// tests/fake_service/account, no delay), then M redraws of the overview and the models page, with
// the resident memory after the first 100 of each and after all of them. Growth of 1 MB or more
// exits 1, so a short run in CI catches a leak. Not a test.
//
//   soak_bench [refreshes, default 10000] [redraws, default 1000]
#include "FakeService.h"

#include "BenchSupport.h"

#include "app/views/ModelsPage.h"
#include "app/views/OverviewPage.h"
#include "client/DashboardClient.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <functional>

#include <malloc.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr double allowedGrowthMb = 1.0;
constexpr int warmUp = 100;

// Resident memory in MB. Freed heap pages go back first, so what is left is what is still held.
double residentMb()
{
    ::malloc_trim(0);
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// Runs `step` `count` times; prints the resident memory after the warm-up, half-way and at the end.
// The second half shows whether growth levels off (allocator warm-up) or keeps going (a leak).
bool soak(const char* what, int count, const std::function<void(int)>& step)
{
    double early = 0;
    double halfway = 0;
    for (int i = 1; i <= count; ++i) {
        step(i);
        if (i == warmUp)
            early = residentMb();
        if (i == count / 2)
            halfway = residentMb();
    }
    const double late = residentMb();
    const double growth = late - early;
    std::printf(
        "%s: %.2f MB after %d, %.2f MB after %d, %.2f MB after %d: growth %.2f MB (target < %.0f MB)\n", what,
        early, warmUp, halfway, count / 2, late, count, growth, allowedGrowthMb);
    return growth < allowedGrowthMb;
}

QCoro::Task<UsageSnapshot> refresh()
{
    // One account's state for the whole soak, as the window keeps it.
    static const auto state = std::make_shared<DashboardClient::ClientState>();
    static const QString token = QStringLiteral("user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::soak");
    try {
        co_return co_await DashboardClient::fetchEventPatch(
            token, state, co_await DashboardClient::fetchOverview(token, state));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "refresh failed: %s\n", qPrintable(DashboardClient::describe(error)));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // One heap arena: the fake service's server threads, which the app does not have, would each
    // warm up an arena of their own and blur the figure.
    ::mallopt(M_ARENA_MAX, 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir sandbox;
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.path() + u"/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + u"/config"));
    QApplication app(argc, argv);
    const int refreshes = argc > 1 ? std::max(QByteArray(argv[1]).toInt(), warmUp) : 10'000;
    const int redraws = argc > 2 ? std::max(QByteArray(argv[2]).toInt(), warmUp) : 1'000;

    const QString account = QString::fromUtf8(TALLYFERN_ACCOUNT_DIR);
    FakeService service;
    service.setFallback([account](const FakeService::Request& request) {
        QFile file(account + QString::fromUtf8(request.path) + u".json");
        if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
            return FakeService::Answer{404, {}, {}, 0};
        return FakeService::Answer{200, file.readAll(), {}, 0};
    });
    if (!service.start() || !storeFortyEntryCatalog()) {
        std::fprintf(stderr, "cannot start the fake service or store the catalog\n");
        return 1;
    }
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());

    UsageSnapshot latest;
    bool good = soak("refreshes (overview + event patch)", refreshes, [&](int) {
        latest = QCoro::waitFor(refresh());
        service.clearRequests(); // the fake service's own log is not ours to measure
    });
    if (!latest.hasRealData) {
        std::fprintf(stderr, "the refreshes gave no data\n");
        return 1;
    }

    OverviewPage overview;
    ModelsPage models;
    for (QWidget* page : {static_cast<QWidget*>(&overview), static_cast<QWidget*>(&models)}) {
        page->resize(720, 640);
        page->show();
    }
    qint64 sink = 0;
    good = soak("redraws of both pages", redraws,
                [&](int i) {
                    UsageSnapshot shown = latest;
                    shown.monthlyUsed += i % 50; // a new figure every time, as a refresh brings
                    overview.setSnapshot(shown);
                    models.setSnapshot(shown);
                    QCoreApplication::processEvents();
                    sink += overview.grab().width() + models.grab().width();
                }) &&
           good;
    return good && sink > 0 ? 0 : 1;
}

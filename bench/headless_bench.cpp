// Runs the whole `tallyfern --refresh` process against the fake service and prints the median wall
// time and the peak resident memory of the process: 20 runs with no delay, then with every answer
// 50 ms late, for one, three and five accounts. Not a test; it exits 1 when several accounts cost
// more than their targets (three at most 1.3 times one account's time, five at most 2.2 times,
// and at most 10 MiB more memory).
//
// The refresh needs session tokens in a Secret Service; run it inside a private keyring:
//   scripts/with-keyring build/default/bench/headless_bench
#include "BenchSupport.h"
#include "FakeService.h"

#include "model/AccountList.h"
#include "platform/SecretStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Measure
{
    double medianMs = 0;
    double peakMiB = 0;
};

// `accounts` accounts in a fresh support folder, each with its token; every answer `delayMs` late.
// Two runs first fill the pricing table and the ledgers, so the runs measured are the steady ones.
std::optional<Measure> measure(FakeService& service, int accounts, int delayMs, int runs)
{
    QTemporaryDir sandbox;
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.path() + u"/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + u"/config"));
    const QString account = QString::fromUtf8(TALLYFERN_ACCOUNT_DIR);
    const QString pricing = QString::fromUtf8(TALLYFERN_PRICING_DOCUMENT);
    service.setFallback([account, pricing, delayMs](const FakeService::Request& request) {
        const QString path = request.path == "/docs/models-and-pricing.md"
                                 ? pricing
                                 : account + QString::fromUtf8(request.path) + u".json";
        QFile file(path);
        if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
            return FakeService::Answer{404, {}, {}, delayMs};
        return FakeService::Answer{
            200, file.readAll(), {{"Content-Type", "text/plain; charset=utf-8"}}, delayMs};
    });

    AccountList list{u"user_b0"_s, u"user_b0"_s, {}};
    for (int i = 0; i < accounts; ++i) {
        const QString id = u"user_b"_s + QString::number(i);
        list.accounts.append({id, id + u"@example.com"_s, {}, {}});
        const SecretKey key = i == 0 ? SecretKey::home() : SecretKey::account(id);
        if (!SecretStore::current().write(key, u"bench-session-token-"_s + id))
            return std::nullopt;
    }
    if (accounts > 1 && !AccountList::update([&list](AccountList& current, AccountList::State) {
            current = list;
            return true;
        }))
        return std::nullopt;

    std::vector<double> wall;
    long peakKb = 0;
    for (int i = 0; i < runs + 2; ++i) {
        const ChildRun run = runChild(TALLYFERN_EXECUTABLE, "--refresh", false);
        if (run.status != 0)
            return std::nullopt;
        if (i >= 2)
            wall.push_back(run.wallMs);
        peakKb = std::max(peakKb, run.peakKb);
    }
    for (const Account& each : std::as_const(list.accounts))
        SecretStore::current().remove(each.userId == u"user_b0"_s ? SecretKey::home()
                                                                  : SecretKey::account(each.userId));
    if (!QFile::exists(sandbox.path() + u"/data/Tallyfern/snapshot.json"))
        return std::nullopt;
    std::sort(wall.begin(), wall.end());
    return Measure{wall[wall.size() / 2], double(peakKb) / 1024.0};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FakeService service;
    if (!service.start()) {
        std::fprintf(stderr, "cannot start the fake service\n");
        return 1;
    }
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());
    if (!SecretStore::current().write(u"probe"_s)) {
        std::fprintf(stderr, "no Secret Service: run inside scripts/with-keyring\n");
        return 1;
    }

    const auto fast = measure(service, 1, 0, 20);
    const auto one = measure(service, 1, 50, 10);
    const auto three = measure(service, 3, 50, 10);
    const auto five = measure(service, 5, 50, 10);
    if (!fast || !one || !three || !five) {
        std::fprintf(stderr, "a tallyfern --refresh failed or stored no snapshot\n");
        return 1;
    }
    std::printf(
        "tallyfern --refresh, 20 runs against the fake service: median %.1f ms wall, peak RSS %.1f MiB\n",
        fast->medianMs, fast->peakMiB);
    std::printf("with every answer 50 ms late, 10 runs each:\n");
    const double threeRatio = three->medianMs / one->medianMs;
    const double fiveRatio = five->medianMs / one->medianMs;
    std::printf("  1 account:  median %.0f ms, peak RSS %.1f MiB\n", one->medianMs, one->peakMiB);
    std::printf(
        "  3 accounts: median %.0f ms (%.2f x, target <= 1.3), peak RSS %.1f MiB (+%.1f, target <= 10)\n",
        three->medianMs, threeRatio, three->peakMiB, three->peakMiB - one->peakMiB);
    std::printf(
        "  5 accounts: median %.0f ms (%.2f x, target <= 2.2), peak RSS %.1f MiB (+%.1f, target <= 10)\n",
        five->medianMs, fiveRatio, five->peakMiB, five->peakMiB - one->peakMiB);
    const bool met = threeRatio <= 1.3 && fiveRatio <= 2.2 && three->peakMiB - one->peakMiB <= 10 &&
                     five->peakMiB - one->peakMiB <= 10;
    return met ? 0 : 1;
}

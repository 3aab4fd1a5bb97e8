// Runs the whole `tallyfern --refresh` process 20 times against the fake service (no delay) and
// prints the median wall time and the peak resident memory of the process. Not a test.
//
// The refresh needs a session token in a Secret Service; run it inside a private keyring:
//   scripts/with-keyring build/default/bench/headless_bench
#include "BenchSupport.h"
#include "FakeService.h"

#include "platform/SecretStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir sandbox;
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.path() + u"/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path() + u"/config"));

    const QString account = QString::fromUtf8(TALLYFERN_ACCOUNT_DIR);
    const QString pricing = QString::fromUtf8(TALLYFERN_PRICING_DOCUMENT);
    FakeService service;
    service.setFallback([account, pricing](const FakeService::Request& request) {
        const QString path = request.path == "/docs/models-and-pricing.md"
                                 ? pricing
                                 : account + QString::fromUtf8(request.path) + u".json";
        QFile file(path);
        if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
            return FakeService::Answer{404, {}, {}, 0};
        return FakeService::Answer{200, file.readAll(), {{"Content-Type", "text/plain; charset=utf-8"}}, 0};
    });
    if (!service.start()) {
        std::fprintf(stderr, "cannot start the fake service\n");
        return 1;
    }
    qputenv("TALLYFERN_SERVICE_ORIGIN", service.origin().toUtf8());

    if (!SecretStore::current().write(u"bench-session-token"_s)) {
        std::fprintf(stderr, "no Secret Service: run inside scripts/with-keyring\n");
        return 1;
    }

    std::vector<double> wall;
    long peakKb = 0;
    for (int i = 0; i < 20; ++i) {
        const ChildRun run = runChild(TALLYFERN_EXECUTABLE, "--refresh", false);
        if (run.status != 0) {
            std::fprintf(stderr, "tallyfern --refresh exited with %d\n", run.status);
            return 1;
        }
        wall.push_back(run.wallMs);
        peakKb = std::max(peakKb, run.peakKb);
    }
    SecretStore::current().remove();
    if (!QFile::exists(sandbox.path() + u"/data/Tallyfern/snapshot.json")) {
        std::fprintf(stderr, "the refresh stored no snapshot\n");
        return 1;
    }
    std::sort(wall.begin(), wall.end());
    std::printf(
        "tallyfern --refresh, 20 runs against the fake service: median %.1f ms wall, peak RSS %.1f MiB\n",
        wall[wall.size() / 2], double(peakKb) / 1024.0);
    return 0;
}
